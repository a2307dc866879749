// The event log: one line per event, a date line first and a "Lines:" line last.
#include "main/core/clslogs.h"
#include "platform/core/vberror.h"
#include "tests/common/testutil.h"
#include <QFile>
#include <QStringDecoder>
#include <gtest/gtest.h>
#include <memory>

using namespace ostrel;
using namespace Qt::StringLiterals;

namespace {

// The lines of a log, every one ended by CR LF; a date line reads "<date>".
QStringList linesOf(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    QStringDecoder decode(QStringConverter::System);
    QStringList lines = QString(decode(bytes)).split(u"\r\n"_s);
    lines.removeLast();
    for (QString& line : lines)
        if (line.endsWith(u",4"_s) && line.contains(u':') && !line.startsWith(u"Lines:"_s))
            line = u"<date>"_s;
    return lines;
}

TEST(EventLog, AnUnusedLogLeavesTwoLinesAndStartingAgainEndsTheOpenLog)
{
    testutil::ProgramFolder folder;
    {
        clsLogs log;
        EXPECT_EQ(log.LogPath(), folder.file(u"EventLog.Log"_s));
    }
    EXPECT_EQ(linesOf(folder.file(u"EventLog.Log"_s)), (QStringList{u"<date>"_s, u"Lines:0,4"_s}));

    const QString first = folder.file(u"one.log"_s), second = folder.file(u"two.log"_s);
    {
        clsLogs log;
        log.StartLogging(first, 0);
        log.LogEvent(u"in one"_s, 2);
        log.StartLogging(second, clsLogs::kLogReplace);
        EXPECT_EQ(linesOf(first), (QStringList{u"<date>"_s, u"in one,2"_s, u"Lines:2,4"_s}));
        log.LogEvent(u"in two"_s, 2);
    }
    EXPECT_EQ(linesOf(first).size(), 3);
    EXPECT_EQ(linesOf(second), (QStringList{u"<date>"_s, u"in two,2"_s, u"Lines:2,4"_s}));
}

TEST(EventLog, EventsAreCountedAndTheFileReplacedOrAppended)
{
    testutil::ProgramFolder folder;
    const QString path = folder.file(u"导入日志.txt"_s);
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old contents\r\n");
    }
    {
        clsLogs log;
        log.StartLogging(u"  "_s + path + u"  "_s, clsLogs::kLogReplace);
        EXPECT_EQ(log.LogPath(), path);
        log.LogEvent(u"设备 A-001 重新编号为 A-002"_s, 2);
        log.LogEvent(u"second"_s, 1);
        log.LogEvent(QString(), 0);
    }
    QStringList expected{u"<date>"_s, u"设备 A-001 重新编号为 A-002,2"_s, u"second,1"_s, u",0"_s, u"Lines:4,4"_s};
    EXPECT_EQ(linesOf(path), expected);
    {
        clsLogs log;
        log.setLogPath(path);
        log.LogEvent(u"appended"_s, 2);   // opens for appending, date line first
    }
    expected << u"<date>"_s << u"appended,2"_s << u"Lines:2,4"_s;
    EXPECT_EQ(linesOf(path), expected);
}

TEST(EventLog, AnUnwritablePathIsAnErrorAndNothingIsLeftBehind)
{
    testutil::ProgramFolder folder;
    const QString bad = folder.file(u"no such folder/x.log"_s);
    auto log = std::make_unique<clsLogs>();
    EXPECT_THROW(log->StartLogging(bad, 0), vb::Error);
    try {
        log->LogEvent(u"lost"_s, 2);
        ADD_FAILURE() << "writing to an unwritable path succeeded";
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number(), vb::errPathNotFound);
        EXPECT_TRUE(e.description().contains(bad));
    }
    log.reset();   // releasing ignores the failure
    EXPECT_FALSE(QFile::exists(bad));
    EXPECT_FALSE(QFile::exists(folder.file(u"EventLog.Log"_s)));
}

} // namespace
