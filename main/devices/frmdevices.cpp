#include "main/devices/frmdevices.h"
#include "main/core/mdlmisc.h"
#include "main/devices/devicetable.h"
#include "platform/core/vberror.h"

namespace ostrel {

frmDevices::frmDevices(QWidget* owner) : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("frmDevices"));
}

void frmDevices::ShowInfo(qint32&, qint32& devId)
{
    if (devId <= 0)
        return;
    m_devId = devId;
    dao::Recordset rs = devices::OpenDevice(devId);
    const bool missing = rs.Eof();
    CloseRecordset(rs);
    if (missing) {
        m_devId = 0;
        throw vb::Error(1000, QStringLiteral("指定设备不存在！"));
    }
}

} // namespace ostrel
