#include "main/core/clslogs.h"
#include "platform/core/app.h"
#include "platform/core/format.h"
#include "platform/core/sharedfile.h"
#include "platform/core/vberror.h"
#include "platform/core/vbrt.h"
#include <QDateTime>
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QStringEncoder>

namespace ostrel {

clsLogs::clsLogs() : m_logPath(plat::appFile(QStringLiteral("EventLog.Log"))) {}

clsLogs::~clsLogs()
{
    try {
        closeLog();
    } catch (...) {
    }
    m_file.reset();
    m_lines = 0;
}

void clsLogs::setLogPath(const QString& path) { m_logPath = vb::Trim(path); }

void clsLogs::StartLogging(const QString& logTarget, qint32 logModes)
{
    const QString target = vb::Trim(logTarget);
    if (!target.isEmpty())
        m_logPath = target;
    if (m_file)
        closeLog();

    // The program's folder may be written by other users: a link left at the log's name
    // is never written through (a new file of this user's takes its place).
    auto file = std::make_unique<QFile>(m_logPath);
    QString why;
    if (plat::openShared(*file, (logModes & kLogReplace) ? plat::SharedAccess::Replace : plat::SharedAccess::Append,
                         &why) != 0) {
        const bool folderMissing = !QFileInfo(m_logPath).absoluteDir().exists();
        const int number = folderMissing ? vb::errPathNotFound : vb::errPermissionDenied;
        throw vb::Error(number, folderMissing ? vb::Error::runtimeText(number) + QStringLiteral(": ") + m_logPath : why);
    }
    m_file = std::move(file);
    m_lines = 0;
    LogEvent(vb::Format(QDateTime::currentDateTime(), QStringLiteral("General Date")), kLogInfo);
}

void clsLogs::LogEvent(const QString& logBuffer, qint32 logType)
{
    if (!m_file)
        StartLogging(QString(), 0);
    ++m_lines;
    writeLine(logBuffer + QLatin1Char(',') + QString::number(logType));
}

void clsLogs::writeLine(const QString& line)
{
    QStringEncoder encode(QStringConverter::System);
    const QByteArray bytes = encode(line + QStringLiteral("\r\n"));
    if (m_file->write(bytes) != bytes.size() || !m_file->flush())
        throw vb::Error(vb::errPermissionDenied, vb::Error::runtimeText(vb::errPermissionDenied) +
                                                     QStringLiteral(": ") + m_logPath);
}

void clsLogs::closeLog()
{
    const QString last = QStringLiteral("Lines:") + QString::number(m_file ? m_lines : 0);
    LogEvent(last, kLogInfo);
    m_file->close();
    m_file.reset();
    m_lines = 0;
}

} // namespace ostrel
