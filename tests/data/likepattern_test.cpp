// Patterns of the code rule reaching LIKE safely, and the clearing of the data tables,
// on a real database without a window.
#include "tests/data/devicerows.h"
#include "tests/data/servicefixture.h"

using namespace ostrel;
using namespace Qt::StringLiterals;
using testutil::ServiceTest;

namespace {

TEST(LikePattern, OnlyTheQuestionMarkStaysAWildcard)
{
    struct Case {
        QString filter, pattern;
    } cases[] = {
        {u"A-????"_s, u"A-????"_s}, {u"C*??"_s, u"C[*]??"_s},  {u"D#?"_s, u"D[#]?"_s},
        {u"[E]?"_s, u"[[]E]?"_s},   {u"F'?"_s, u"F'?"_s},      {QString(), QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LiteralLikePattern(c.filter), c.pattern) << c.filter.toStdString();
}

class LikePatternTest : public ServiceTest {};

TEST_F(LikePatternTest, APatternMatchesItsOwnTextOnly)
{
    const QStringList numbers = {u"C*01"_s, u"CX01"_s, u"D#01"_s, u"D501"_s, u"[E]1"_s, u"E1"_s, u"F'01"_s};
    for (int i = 0; i < numbers.size(); ++i)
        testutil::devicerows::addDevice(i + 1, numbers[i], QVariant(), QVariant(), QVariant(), QVariant(), QVariant());
    struct Case {
        QString filter;
        QStringList found;
    } cases[] = {   // in the engine's text order
        {u"C*??"_s, {u"C*01"_s}}, {u"D#??"_s, {u"D#01"_s}}, {u"[E]?"_s, {u"[E]1"_s}},
        {u"F'??"_s, {u"F'01"_s}}, {u"????"_s, {u"[E]1"_s, u"C*01"_s, u"CX01"_s, u"D#01"_s, u"D501"_s, u"F'01"_s}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rows(u"SELECT [设备编号] FROM [Dev_Info] WHERE [设备编号] LIKE "_s +
                       SqlText(LiteralLikePattern(c.filter)) + u" ORDER BY [设备编号];"_s),
                  c.found)
            << c.filter.toStdString();
}

TEST_F(LikePatternTest, ClearingEmptiesTheSixTablesInOrderAndKeepsSysInfo)
{
    testutil::devicerows::addDevices(3);
    gDatabase.Execute(u"INSERT INTO [Transfer] ([ID],[Dev_ID]) VALUES (1,1);"_s);
    const QStringList sysInfo = rows(u"SELECT [ID] FROM [SysInfo] ORDER BY [ID];"_s);
    QStringList heard;
    ClearDeviceTables([&](const QString& t) { heard << t; });
    EXPECT_EQ(heard, (QStringList{u"Checks"_s, u"Dev_Docs"_s, u"Dev_Info"_s, u"Discard"_s, u"Maintain"_s,
                                  u"Transfer"_s}));
    EXPECT_TRUE(rows(u"SELECT * FROM [Dev_Info];"_s).isEmpty());
    EXPECT_TRUE(rows(u"SELECT * FROM [Transfer];"_s).isEmpty());
    EXPECT_EQ(rows(u"SELECT [ID] FROM [SysInfo] ORDER BY [ID];"_s), sysInfo);
}

} // namespace
