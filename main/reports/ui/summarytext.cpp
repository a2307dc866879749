#include "main/reports/ui/summarytext.h"
#include "main/core/ui/mdlwidgets.h"
#include "main/reports/devicesummary.h"
#include "platform/core/vberror.h"

namespace ostrel {

QString GetDeviceSummary(qint32 devId)
{
    try {
        return DeviceSummary(devId, [](const QString& t) { PostStatus(t); }, GetCodeValue);
    } catch (const vb::Error& e) {
        ReportError(e);
    } catch (const std::exception& e) {
        ReportError(e);
    }
    return QString();
}

} // namespace ostrel
