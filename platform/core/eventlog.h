#pragma once
// The application event log: the system log, one entry per event under its source's name.
// The last entry of each source is kept in the process, so the program that called a
// component can learn that it logged a failure.
//
//   plat::TakeLastEvent(u"Parvel"_s);                 // forget an older entry
//   report->ReportPrint(...);
//   const QString failure = plat::TakeLastEvent(u"Parvel"_s);   // null: nothing logged
#include <QString>

namespace plat {

// Writes an error entry under the source name.
void LogEvent(const QString& source, const QString& text);

// The text of the source's last entry since the last call, or a null string; reading clears it.
QString TakeLastEvent(const QString& source);

} // namespace plat
