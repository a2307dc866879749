#include "main/mainwin/lastcode.h"
#include "tests/main/devices/devicefixture.h"

using namespace ostrel;
using namespace Qt::StringLiterals;

using LastCodeTest = testutil::DeviceDatabaseTest;

TEST_F(LastCodeTest, TheGreatestNumberOfThePatternsLengthWithOnlyQuestionMarksWild)
{
    const QStringList numbers = {u"A-0001"_s, u"A-0002"_s, u"B-0003"_s, u"A-10"_s, u"a-0009x"_s,
                                 u"C*01"_s,   u"CX01"_s,   u"D#01"_s,   u"D501"_s, u"[E]1"_s,
                                 u"E1"_s,     u"F'01"_s};
    for (int i = 0; i < numbers.size(); ++i)
        addDevice(i + 1, numbers[i]);

    struct Case {
        QString filter;
        QString last;
    };
    const Case cases[] = {
        {u"A-????"_s, u"A-0002"_s},
        {u"a-????"_s, u"A-0002"_s},  // letter case ignored
        {u"A-?"_s, QString()},       // "?" is exactly one character
        {u"B-????"_s, u"B-0003"_s},
        {u"Z-????"_s, QString()},
        {u"C*??"_s, u"C*01"_s},      // "*" stands for itself
        {u"C???"_s, u"CX01"_s},
        {u"D#??"_s, u"D#01"_s},      // "#" stands for itself
        {u"[E]?"_s, u"[E]1"_s},      // "[" too
        {u"F'??"_s, u"F'01"_s},      // a quote is carried, not a failure
        {u"' OR ''='"_s, QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LastDeviceCode(c.filter), c.last) << c.filter.toStdString();
}

TEST_F(LastCodeTest, TheRulesValueStaysWhenNothingMatches)
{
    addDevice(1, u"A-0001"_s);
    CodeRuleHost host;
    struct Case {
        QString filter;
        QString given;
        QString answer;
    };
    const Case cases[] = {
        {u"A-????"_s, QString(), u"A-0001"_s},
        {u"B-????"_s, QString(), QString()},
        {u"B-????"_s, u"kept"_s, u"kept"_s},
    };
    for (const Case& c : cases) {
        QString filter = c.filter;
        QString value = c.given;
        host.GetLastCode(filter, value);
        EXPECT_EQ(value, c.answer) << c.filter.toStdString();
        EXPECT_EQ(filter, c.filter);
    }
    // without a database there is no answer and no message
    gDatabase.Close();
    gDatabase = dao::Database();
    EXPECT_EQ(LastDeviceCode(u"A-????"_s), QString());
}
