#pragma once
// A plain text log kept open while the object lives: one line per event, the text, ","
// and the event's type. The first line after opening is the date and time, the last
// before closing "Lines:" and the number of lines written.
#include <QString>
#include <memory>

class QFile;

namespace ostrel {

class clsLogs {
public:
    // Mode bit of StartLogging: start the file afresh instead of appending.
    static constexpr qint32 kLogReplace = 16;
    static constexpr qint32 kLogInfo = 4;

    // LogPath starts as "EventLog.Log" in the program's folder.
    clsLogs();
    // Ends the log with its "Lines:" line; errors are ignored.
    ~clsLogs();
    clsLogs(const clsLogs&) = delete;
    clsLogs& operator=(const clsLogs&) = delete;

    // Opens the log (a non-blank target becomes LogPath), ending one already open.
    // Raises vb::Error when the file cannot be opened.
    void StartLogging(const QString& logTarget, qint32 logModes);
    // Writes one line, opening LogPath for appending first when no log is open.
    void LogEvent(const QString& logBuffer, qint32 logType);

    QString LogPath() const { return m_logPath; }
    void setLogPath(const QString& path);

private:
    void closeLog();
    void writeLine(const QString& line);

    QString m_logPath;
    std::unique_ptr<QFile> m_file;
    qint32 m_lines = 0;
};

} // namespace ostrel
