#include "main/devices/frmdevices.h"

namespace ostrel {

frmDevices::frmDevices(QWidget* owner) : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("frmDevices"));
}

void frmDevices::ShowInfo(qint32&, qint32& devId)
{
    if (devId > 0)
        m_devId = devId;
}

} // namespace ostrel
