#pragma once
// The device summary for the windows.
#include <QString>

namespace ostrel {

// DeviceSummary with its status in the status bar and each code's failure shown; a failure
// of the whole shows its description with the exclamation icon and gives "".
QString GetDeviceSummary(qint32 devId);

} // namespace ostrel
