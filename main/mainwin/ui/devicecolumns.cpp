#include "main/mainwin/ui/devicecolumns.h"
#include "main/core/ui/mdlwidgets.h"
#include <QTreeView>

namespace ostrel {

void SizeDeviceColumns(QTreeView* view)
{
    // Samples of the widest usual content: a 16-digit number, eight characters of a
    // name, a value in the hundred millions, six characters of a base-data text.
    const QString code = QStringLiteral("设备状况设备");
    SizeColumns(view, {kDeviceNoSample, kNameSample, QStringLiteral("000000000.00"), code, code, code});
}

} // namespace ostrel
