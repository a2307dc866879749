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
#include <sys/stat.h>
#include <unistd.h>

namespace ostrel {

namespace {

// What is wrong with another user's log appended to: one is used only where that user may
// read and write the register (beside which the log lies, where several users share its
// folder); "" when the file there, open as fd or at its name, may be used.
QString strangersLog(const QString& path, int fd)
{
    struct stat st, reg;
    if (fd >= 0 ? ::fstat(fd, &st) != 0 : ::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return QString();
    if (st.st_uid == ::geteuid())
        return QString();
    const QString db = plat::appFile(QStringLiteral("Ostrel.mdb"));
    const bool known = ::stat(QFile::encodeName(db).constData(), &reg) == 0;
    if (known ? plat::besideRegister(st, reg) != plat::Beside::Stranger : st.st_uid == 0)
        return QString();
    return QStringLiteral("“%1”是%2的文件，该用户无权读写数据库“%3”，这个文件可能是其他用户放置的，程序不会使用它。%4。")
        .arg(path, plat::userText(st.st_uid), db, plat::removalAdvice(path));
}

} // namespace

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
    // is never written through (a new file of this user's takes its place), and another
    // user's log is appended to only where that user may write the register.
    auto file = std::make_unique<QFile>(m_logPath);
    const bool append = !(logModes & kLogReplace);
    QString why;
    if (plat::openShared(*file, append ? plat::SharedAccess::Append : plat::SharedAccess::Replace, &why) != 0) {
        const bool folderMissing = !QFileInfo(m_logPath).absoluteDir().exists();
        const int number = folderMissing ? vb::errPathNotFound : vb::errPermissionDenied;
        const QString stranger = append ? strangersLog(m_logPath, -1) : QString();
        throw vb::Error(number, folderMissing     ? vb::Error::runtimeText(number) + QStringLiteral(": ") + m_logPath
                                : stranger.isEmpty() ? why
                                                     : stranger);
    }
    if (append) {
        const QString stranger = strangersLog(m_logPath, file->handle());
        if (!stranger.isEmpty())
            throw vb::Error(vb::errPermissionDenied, stranger);
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
