#include "main/devices/frmdynamics.h"
#include "platform/core/vberror.h"

namespace ostrel {

frmDynamics::frmDynamics(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmDynamics"));
}

void frmDynamics::ShowInfo(qint32&, qint32& Dev_ID)
{
    if (Dev_ID < 1)
        throw vb::Error(1000, QStringLiteral("错误的设备ID号。"));
}

} // namespace ostrel
