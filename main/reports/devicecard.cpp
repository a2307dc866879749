#include "main/reports/devicecard.h"

namespace ostrel {

namespace {
qint32 g_lastCard = 0;
}

void PrintDeviceCard(qint32& Dev_ID)
{
    g_lastCard = Dev_ID;
}

qint32 LastDeviceCardRequest()
{
    return g_lastCard;
}

} // namespace ostrel
