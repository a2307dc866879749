#include <gtest/gtest.h>
#include "platform/core/vberror.h"
#include "platform/core/vbrt.h"

namespace {

TEST(Runtime, TrimRemovesBlanksOnly)
{
    EXPECT_EQ(vb::Trim(QStringLiteral("  设备 编号  ")), QStringLiteral("设备 编号"));
    EXPECT_EQ(vb::LTrim(QStringLiteral("  a  ")), QStringLiteral("a  "));
    EXPECT_EQ(vb::RTrim(QStringLiteral("  a  ")), QStringLiteral("  a"));
    EXPECT_EQ(vb::Trim(QStringLiteral("\ta\r\n")), QStringLiteral("\ta\r\n"));
    EXPECT_EQ(vb::Trim(QStringLiteral("   ")), QString());
}

TEST(Runtime, SplitAndJoin)
{
    EXPECT_TRUE(vb::Split(QString(), QStringLiteral(";")).isEmpty());
    EXPECT_EQ(vb::Split(QStringLiteral(";;"), QStringLiteral(";")), (QStringList{"", "", ""}));
    EXPECT_EQ(vb::Split(QStringLiteral("1000;1000;8000"), QStringLiteral(";")), (QStringList{"1000", "1000", "8000"}));
    EXPECT_EQ(vb::Split(QStringLiteral("a;b;c;d"), QStringLiteral(";"), 2), (QStringList{"a", "b;c;d"}));
    EXPECT_EQ(vb::Split(QStringLiteral("aXbxc"), QStringLiteral("x"), -1, true), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(vb::Split(QStringLiteral("aXbxc"), QStringLiteral("x")), (QStringList{"aXb", "c"}));
    EXPECT_EQ(vb::Split(QStringLiteral("a b"), QString()), (QStringList{"a b"}));
    EXPECT_EQ(vb::Split(QStringLiteral("a\r\nb"), QStringLiteral("\r\n")), (QStringList{"a", "b"}));
    const QString memo = QStringLiteral("pwd\r1;2\r-1;0;0");
    EXPECT_EQ(vb::Join(vb::Split(memo, QStringLiteral("\r")), QStringLiteral("\r")), memo);
}

TEST(Runtime, RoundingHalvesToEven)
{
    EXPECT_EQ(vb::Round(2.5), 2.0);
    EXPECT_EQ(vb::Round(3.5), 4.0);
    EXPECT_EQ(vb::Round(-2.5), -2.0);
    EXPECT_EQ(vb::Round(-3.5), -4.0);
    EXPECT_EQ(vb::Round(2.4999), 2.0);
    EXPECT_DOUBLE_EQ(vb::Round(0.125, 2), 0.12);
    EXPECT_DOUBLE_EQ(vb::Round(0.135, 2), 0.14);
    EXPECT_DOUBLE_EQ(vb::Round(1.005, 2), 1.0);
    EXPECT_DOUBLE_EQ(vb::Round(1.2345678, 4), 1.2346);
    EXPECT_THROW(vb::Round(1.0, -1), vb::Error);

    EXPECT_EQ(vb::CInt(2.5), 2);
    EXPECT_EQ(vb::CInt(3.5), 4);
    EXPECT_EQ(vb::CLng(-0.5), 0);
    EXPECT_EQ(vb::CLng(2147483647.0), 2147483647);
    try {
        vb::CInt(32767.5);
        FAIL() << "no overflow";
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number(), vb::errOverflow);
    }
    EXPECT_THROW(vb::CLng(3e9), vb::Error);
    EXPECT_THROW(vb::CLng(std::nan("")), vb::Error);
}

TEST(Runtime, ComparisonAndSearch)
{
    EXPECT_EQ(vb::StrComp(QStringLiteral("Admin"), QStringLiteral("ADMIN")), 0);
    EXPECT_NE(vb::StrComp(QStringLiteral("Admin"), QStringLiteral("ADMIN"), false), 0);
    EXPECT_EQ(vb::StrComp(QStringLiteral("a"), QStringLiteral("b")), -1);
    EXPECT_EQ(vb::StrComp(QStringLiteral("b"), QStringLiteral("A")), 1);
    EXPECT_TRUE(vb::sameText(QStringLiteral("codeRule"), QStringLiteral("CODERULE")));
    EXPECT_EQ(vb::InStr(QStringLiteral("Name:value"), QStringLiteral(":")), 5);
    EXPECT_EQ(vb::InStr(6, QStringLiteral("a:b:c"), QStringLiteral(":")), 0);
    EXPECT_EQ(vb::InStr(3, QStringLiteral("a:b:c"), QStringLiteral(":")), 4);
    EXPECT_EQ(vb::InStr(QStringLiteral("ABC"), QStringLiteral("b"), true), 2);
    EXPECT_EQ(vb::InStr(QStringLiteral("ABC"), QStringLiteral("b")), 0);
    EXPECT_THROW(vb::InStr(0, QStringLiteral("a"), QStringLiteral("a")), vb::Error);
}

} // namespace
