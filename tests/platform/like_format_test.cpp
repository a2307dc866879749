// The runtime's Like, Format, Val and date conversions.
#include "platform/core/format.h"
#include "platform/core/like.h"
#include "platform/core/vberror.h"
#include <cmath>
#include <gtest/gtest.h>

using vb::Format;
using vb::Like;

TEST(LikeFormat, LikeWildcards)
{
    EXPECT_TRUE(Like(QStringLiteral("A-1234"), QStringLiteral("A-????")));
    EXPECT_FALSE(Like(QStringLiteral("A-12345"), QStringLiteral("A-????")));
    EXPECT_TRUE(Like(QStringLiteral("abc"), QStringLiteral("*")));
    EXPECT_TRUE(Like(QString(), QStringLiteral("*")));
    EXPECT_FALSE(Like(QString(), QStringLiteral("?")));
    EXPECT_TRUE(Like(QStringLiteral("x7y"), QStringLiteral("x#y")));
    EXPECT_FALSE(Like(QStringLiteral("xay"), QStringLiteral("x#y")));
    EXPECT_TRUE(Like(QStringLiteral("b"), QStringLiteral("[a-c]")));
    EXPECT_FALSE(Like(QStringLiteral("d"), QStringLiteral("[a-c]")));
    EXPECT_TRUE(Like(QStringLiteral("d"), QStringLiteral("[!a-c]")));
    EXPECT_TRUE(Like(QStringLiteral("a*b"), QStringLiteral("a[*]b")));
    EXPECT_FALSE(Like(QStringLiteral("axb"), QStringLiteral("a[*]b")));
    EXPECT_TRUE(Like(QStringLiteral("a-b"), QStringLiteral("a[-x]b")));
    EXPECT_TRUE(Like(QStringLiteral("abcabcx"), QStringLiteral("*abc*x")));
    EXPECT_TRUE(Like(QStringLiteral("aXbXc"), QStringLiteral("a*b*c")));
    EXPECT_FALSE(Like(QStringLiteral("abcd"), QStringLiteral("a*c")));
    EXPECT_TRUE(Like(QStringLiteral("设备-01"), QStringLiteral("设?-##")));
    EXPECT_TRUE(Like(QStringLiteral("a[b"), QStringLiteral("a[[]b")));
    EXPECT_TRUE(Like(QStringLiteral("😀x"), QStringLiteral("?x")));   // one character, two UTF-16 units
}

TEST(LikeFormat, LikeIgnoresCaseInUnicode)
{
    EXPECT_TRUE(Like(QStringLiteral("ABC"), QStringLiteral("abc")));
    EXPECT_TRUE(Like(QStringLiteral("Ärger"), QStringLiteral("ä*")));
    EXPECT_TRUE(Like(QStringLiteral("ΣΟΦΙΑ"), QStringLiteral("σοφια")));
    EXPECT_TRUE(Like(QStringLiteral("STRASSE"), QStringLiteral("straße")));
    EXPECT_TRUE(Like(QStringLiteral("É"), QStringLiteral("[é]")));
    EXPECT_EQ(vb::caseFold(QStringLiteral("Straße")), vb::caseFold(QStringLiteral("STRASSE")));
}

TEST(LikeFormat, MalformedPatternsRaise93)
{
    for (const QString& p : {QStringLiteral("[abc"), QStringLiteral("a[!"), QStringLiteral("[z-a]")}) {
        try {
            Like(QStringLiteral("a"), p);
            ADD_FAILURE() << p.toStdString();
        } catch (const vb::Error& e) {
            EXPECT_EQ(e.number(), 93);
        }
    }
}

TEST(LikeFormat, WeeksStartOnSundayAndWeekOneHoldsTheFirstOfJanuary)
{
    const struct {
        const char* date;
        const char* week;
    } cases[] = {
        {"2005-01-01", "1"},  // a Saturday: the first week is one day long
        {"2005-01-02", "2"},  // the next Sunday starts week 2
        {"2005-03-12", "11"},
        {"2005-03-13", "12"},
        {"2005-12-31", "53"},
        {"2006-01-01", "1"},  // a Sunday
        {"2006-01-07", "1"},
        {"2006-01-08", "2"},
        {"2024-12-29", "53"}, // ISO would say 52
        {"2024-12-31", "53"}, // ISO would say 1
    };
    for (const auto& c : cases)
        EXPECT_EQ(Format(QString::fromLatin1(c.date), QStringLiteral("ww")), QString::fromLatin1(c.week)) << c.date;
    EXPECT_EQ(Format(QString::fromLatin1("2005-03-13"), QStringLiteral("yyyyww")), QStringLiteral("200512"));
}

TEST(LikeFormat, DatePatterns)
{
    const QDateTime d(QDate(2024, 3, 7), QTime(9, 5, 4));
    EXPECT_EQ(Format(d, QStringLiteral("YYYY-MM-DD HH:MM")), QStringLiteral("2024-03-07 09:05"));
    EXPECT_EQ(Format(d, QStringLiteral("yyyy-mm-dd hh:mm:ss")), QStringLiteral("2024-03-07 09:05:04"));
    EXPECT_EQ(Format(d, QStringLiteral("YYYY")), QStringLiteral("2024"));
    EXPECT_EQ(Format(d, QStringLiteral("MM")), QStringLiteral("03"));
    EXPECT_EQ(Format(d, QStringLiteral("DD")), QStringLiteral("07"));
    EXPECT_EQ(Format(d, QStringLiteral("yyyy年mm月dd日")), QStringLiteral("2024年03月07日"));
    EXPECT_EQ(Format(d, QStringLiteral("m/d/yy")), QStringLiteral("3/7/24"));
    EXPECT_EQ(Format(d, QStringLiteral("hh:nn")), QStringLiteral("09:05"));
    EXPECT_EQ(Format(d, QStringLiteral("h:mm AM/PM")), QStringLiteral("9:05 AM"));
    EXPECT_EQ(Format(d, QStringLiteral("mmm dddd")), QStringLiteral("Mar Thursday"));
    EXPECT_EQ(Format(d, QStringLiteral("\"Y\"yyyy")), QStringLiteral("Y2024"));
    // the stored text of a date formats as the date
    EXPECT_EQ(Format(QStringLiteral("2024-03-07 09:05:04"), QStringLiteral("YYYY")), QStringLiteral("2024"));
    EXPECT_EQ(Format(QStringLiteral("not a date"), QStringLiteral("YYYY")), QStringLiteral("not a date"));
    EXPECT_EQ(Format(QVariant(), QStringLiteral("YYYY")), QString());
    EXPECT_EQ(Format(d, QStringLiteral("Short Time")), QStringLiteral("09:05"));
    EXPECT_EQ(Format(d, QString()), QStringLiteral("2024-03-07 09:05:04"));
}

TEST(LikeFormat, NumberPatterns)
{
    EXPECT_EQ(Format(1234.5, QStringLiteral("#,##0.00")), QStringLiteral("1,234.50"));
    EXPECT_EQ(Format(-1234.5, QStringLiteral("#,##0.00")), QStringLiteral("-1,234.50"));
    EXPECT_EQ(Format(0.5, QStringLiteral("0%")), QStringLiteral("50%"));
    EXPECT_EQ(Format(7, QStringLiteral("000")), QStringLiteral("007"));
    EXPECT_EQ(Format(3.14159, QStringLiteral("0.##")), QStringLiteral("3.14"));
    EXPECT_EQ(Format(3.0, QStringLiteral("0.##")), QStringLiteral("3."));
    EXPECT_EQ(Format(2.5, QStringLiteral("0")), QStringLiteral("3"));   // halves away from zero
    EXPECT_EQ(Format(-5, QStringLiteral("0;(0)")), QStringLiteral("(5)"));
    EXPECT_EQ(Format(0, QStringLiteral("0;(0);\"zero\"")), QStringLiteral("zero"));
    EXPECT_EQ(Format(1234.5, QStringLiteral("Currency")), QStringLiteral("¥1,234.50"));
    EXPECT_EQ(Format(0, QStringLiteral("Currency")), QStringLiteral("¥0.00"));
    EXPECT_EQ(Format(QStringLiteral("12.5"), QStringLiteral("0.00")), QStringLiteral("12.50"));
    EXPECT_EQ(Format(0.25, QStringLiteral("Percent")), QStringLiteral("25.00%"));
    EXPECT_EQ(Format(12345.678, QStringLiteral("0.00E+00")), QStringLiteral("1.23E+04"));
    EXPECT_EQ(Format(true, QStringLiteral("Yes/No")), QStringLiteral("Yes"));
    EXPECT_EQ(Format(0.1 + 0.2, QString()), QStringLiteral("0.3"));
}

TEST(LikeFormat, ValReadsTheLeadingNumber)
{
    EXPECT_EQ(vb::Val(QStringLiteral("12.5kg")), 12.5);
    EXPECT_EQ(vb::Val(QStringLiteral("  1 2 3")), 123);
    EXPECT_EQ(vb::Val(QStringLiteral("-3.5e2x")), -350);
    EXPECT_EQ(vb::Val(QStringLiteral("abc")), 0);
    EXPECT_EQ(vb::Val(QString()), 0);
    EXPECT_EQ(vb::Val(QStringLiteral(".5")), 0.5);
    EXPECT_EQ(vb::Val(QStringLiteral("1.2.3")), 1.2);
    EXPECT_EQ(vb::Val(QStringLiteral("&HFF")), 255);
    EXPECT_EQ(vb::Val(QStringLiteral("1e")), 1);
    EXPECT_EQ(vb::Val(QStringLiteral("１２")), 0);   // full-width digits are no number
}

TEST(LikeFormat, DateTextsAndConversions)
{
    bool ok = false;
    EXPECT_EQ(vb::toDate(QStringLiteral("2024-03-07 09:05"), &ok), QDateTime(QDate(2024, 3, 7), QTime(9, 5)));
    EXPECT_TRUE(ok);
    EXPECT_EQ(vb::toDate(QStringLiteral("2024/3/7"), &ok), QDateTime(QDate(2024, 3, 7), QTime(0, 0)));
    EXPECT_EQ(vb::toDate(QStringLiteral("98/1"), &ok).date(), QDate(1998, 1, 1));
    EXPECT_EQ(vb::toDate(QStringLiteral("3/7/2024"), &ok).date(), QDate(2024, 3, 7));
    EXPECT_EQ(vb::toDate(QStringLiteral("2024年3月7日"), &ok).date(), QDate(2024, 3, 7));
    EXPECT_EQ(vb::toDate(45358.5, &ok), QDateTime(QDate(2024, 3, 7), QTime(12, 0)));
    for (const QString& bad : {QStringLiteral("2023-02-29"), QStringLiteral("2024-01-01 25:00"), QStringLiteral("x"),
                               QString()}) {
        vb::toDate(bad, &ok);
        EXPECT_FALSE(ok) << bad.toStdString();
    }
    EXPECT_THROW(vb::CDate(QStringLiteral("never")), vb::Error);
    EXPECT_TRUE(vb::IsDate(QStringLiteral("2024-01-01")));
    EXPECT_FALSE(vb::IsDate(QStringLiteral("2024-13-01")));
    EXPECT_TRUE(vb::IsNumeric(QStringLiteral(" 1.5 ")));
    EXPECT_FALSE(vb::IsNumeric(QStringLiteral("1.5kg")));
    // plain numbers read by hand come out as toDouble reads them; other forms are left to it
    for (const char* text : {"0.1", "-1000.5", "0012", "123456789012.345", "0.00000000000001", "-0", "9007199254740"}) {
        double d = 0;
        EXPECT_TRUE(vb::PlainNumber(QString::fromLatin1(text), &d)) << text;
        EXPECT_EQ(d, QString::fromLatin1(text).toDouble()) << text;
    }
    for (const char* text : {"1.", ".5", "+1", "1e5", "1234567890123456", "1 2", "-", ""}) {
        double d = 0;
        EXPECT_FALSE(vb::PlainNumber(QString::fromLatin1(text), &d)) << text;
    }
    // whatever the exponent's letter, too small to be told from 0 reads as 0, too large as
    // infinite (a field's overflow); the first digit's power of ten decides which it is
    const QString zeros(400, u'0');
    const std::pair<QString, double> numbers[] = {
        {"1E-400", 0}, {"-1E-400", 0}, {"1e-400", 0}, {"1D-400", 0}, {"1E400", HUGE_VAL}, {"-1d+0400", -HUGE_VAL},
        {"1" + zeros + "E-10", HUGE_VAL}, {"0." + zeros + "1E5", 0}};
    for (const auto& [text, expected] : numbers) {
        double d = -1;
        EXPECT_TRUE(vb::WholeNumber(text, &d) && d == expected) << text.left(12).toStdString() << " " << d;
    }
    EXPECT_EQ(vb::dateToStored(QDateTime(QDate(2024, 3, 7), QTime(9, 5))), QStringLiteral("2024-03-07 09:05:00"));
    EXPECT_EQ(vb::dateToStored(QDateTime(QDate(101, 12, 31), QTime(23, 59, 59))), QStringLiteral("0101-12-31 23:59:59"));
    EXPECT_EQ(vb::dateToStored(QDateTime()), QString());
    // the plain forms, read without the patterns, and their near misses that the patterns read
    const struct {
        const char* text;
        QDateTime expected;   // invalid: no date
    } forms[] = {
        {"2001.2.3", QDateTime(QDate(2001, 2, 3), QTime(0, 0))},
        {"01-02-03", QDateTime(QDate(2001, 2, 3), QTime(0, 0))},
        {"45-6", QDateTime(QDate(1945, 6, 1), QTime(0, 0))},
        {" 2024-03-07 9:5:7 ", QDateTime(QDate(2024, 3, 7), QTime(9, 5, 7))},
        {"2024-03-07T09:05", QDateTime(QDate(2024, 3, 7), QTime(9, 5))},
        {"2024-03-07 1:05 PM", QDateTime(QDate(2024, 3, 7), QTime(13, 5))},
        {"12/25/2001", QDateTime(QDate(2001, 12, 25), QTime(0, 0))},
        {"202-03-07", QDateTime()},
        {"2024-03-", QDateTime()},
        {"2024-03-07 10", QDateTime()},
        {"2024-03-071", QDateTime()},
    };
    for (const auto& f : forms) {
        const QDateTime d = vb::toDate(QString::fromLatin1(f.text), &ok);
        EXPECT_EQ(ok, f.expected.isValid()) << f.text;
        if (ok)
            EXPECT_EQ(d, f.expected) << f.text;
    }
    EXPECT_EQ(vb::CStr(QDateTime(QDate(2024, 3, 7), QTime(0, 0))), QStringLiteral("2024-03-07"));
    EXPECT_EQ(vb::CStr(true), QStringLiteral("True"));
    EXPECT_EQ(vb::CStr(1e20), QStringLiteral("1E+20"));
    EXPECT_EQ(vb::CStr(QVariant()), QString());
}
