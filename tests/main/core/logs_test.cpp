// The event log: one line per event, a date line first and a "Lines:" line last.
#include "main/core/clslogs.h"
#include "platform/core/vberror.h"
#include "tests/common/testutil.h"
#include <QFile>
#include <QStringDecoder>
#include <gtest/gtest.h>
#include <memory>

using namespace ostrel;

namespace {

QStringList linesOf(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.isEmpty() || bytes.endsWith("\r\n"));
    QStringDecoder decode(QStringConverter::System);
    QStringList lines = QString(decode(bytes)).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

bool isDateLine(const QString& line) { return line.endsWith(QStringLiteral(",4")) && line.contains(QLatin1Char(':')) && !line.startsWith(QStringLiteral("Lines:")); }

TEST(EventLog, AnUnusedLogStillLeavesItsTwoLines)
{
    testutil::ProgramFolder folder;
    {
        clsLogs log;
        EXPECT_EQ(log.LogPath(), folder.file(QStringLiteral("EventLog.Log")));
    }
    const QStringList lines = linesOf(folder.file(QStringLiteral("EventLog.Log")));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(isDateLine(lines[0])) << lines[0].toStdString();
    EXPECT_EQ(lines[1], QStringLiteral("Lines:0,4"));
}

TEST(EventLog, EventsAreCountedAndTheFileReplacedOrAppended)
{
    testutil::ProgramFolder folder;
    const QString path = folder.file(QStringLiteral("导入日志.txt"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old contents\r\n");
    }
    {
        clsLogs log;
        log.StartLogging(QStringLiteral("  ") + path + QStringLiteral("  "), clsLogs::kLogReplace);
        EXPECT_EQ(log.LogPath(), path);
        log.LogEvent(QStringLiteral("设备 A-001 重新编号为 A-002"), 2);
        log.LogEvent(QStringLiteral("second"), 1);
        log.LogEvent(QString(), 0);
    }
    QStringList lines = linesOf(path);
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(isDateLine(lines[0]));
    EXPECT_EQ(lines[1], QStringLiteral("设备 A-001 重新编号为 A-002,2"));
    EXPECT_EQ(lines[2], QStringLiteral("second,1"));
    EXPECT_EQ(lines[3], QStringLiteral(",0"));
    EXPECT_EQ(lines[4], QStringLiteral("Lines:4,4"));

    {
        clsLogs log;
        log.setLogPath(path);
        log.LogEvent(QStringLiteral("appended"), 2);    // opens for appending, date line first
    }
    lines = linesOf(path);
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(lines[4], QStringLiteral("Lines:4,4"));
    EXPECT_TRUE(isDateLine(lines[5]));
    EXPECT_EQ(lines[6], QStringLiteral("appended,2"));
    EXPECT_EQ(lines[7], QStringLiteral("Lines:2,4"));
}

TEST(EventLog, StartingAgainEndsTheOpenLogFirst)
{
    testutil::ProgramFolder folder;
    const QString first = folder.file(QStringLiteral("one.log"));
    const QString second = folder.file(QStringLiteral("two.log"));
    {
        clsLogs log;
        log.StartLogging(first, 0);
        log.LogEvent(QStringLiteral("in one"), 2);
        log.StartLogging(second, clsLogs::kLogReplace);
        EXPECT_EQ(linesOf(first).value(2), QStringLiteral("Lines:2,4"));
        log.LogEvent(QStringLiteral("in two"), 2);
    }
    EXPECT_EQ(linesOf(first).size(), 3);
    const QStringList lines = linesOf(second);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[1], QStringLiteral("in two,2"));
    EXPECT_EQ(lines[2], QStringLiteral("Lines:2,4"));
}

TEST(EventLog, AnUnwritablePathIsAnErrorAndNothingIsLeftBehind)
{
    testutil::ProgramFolder folder;
    const QString bad = folder.file(QStringLiteral("no such folder/x.log"));
    auto log = std::make_unique<clsLogs>();
    EXPECT_THROW(log->StartLogging(bad, 0), vb::Error);
    try {
        log->LogEvent(QStringLiteral("lost"), 2);
        ADD_FAILURE() << "writing to an unwritable path succeeded";
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number(), vb::errPathNotFound);
        EXPECT_TRUE(e.description().contains(bad));
    }
    log.reset();   // releasing ignores the failure
    EXPECT_FALSE(QFile::exists(bad));
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("EventLog.Log"))));
}

} // namespace
