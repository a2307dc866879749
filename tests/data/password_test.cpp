#include "main/core/password.h"
#include <gtest/gtest.h>

using namespace ostrel;

TEST(Password, HashIsSaltedAndVerifies)
{
    const QString a = HashPassword(QStringLiteral("口令Abc123"));
    const QString b = HashPassword(QStringLiteral("口令Abc123"));
    EXPECT_NE(a, b);
    EXPECT_FALSE(a.contains(QStringLiteral("Abc123")));
    EXPECT_FALSE(a.contains(QLatin1Char('\r')));
    EXPECT_FALSE(a.contains(QLatin1Char(';')));
    EXPECT_TRUE(VerifyPassword(a, QStringLiteral("口令Abc123")));
    EXPECT_FALSE(VerifyPassword(a, QStringLiteral("口令abc123")));
    EXPECT_FALSE(VerifyPassword(a, QString()));
    EXPECT_FALSE(NeedsRehash(a));
}

TEST(Password, EmptyPasswordIsEmptyText)
{
    EXPECT_TRUE(HashPassword(QString()).isEmpty());
    EXPECT_TRUE(VerifyPassword(QString(), QString()));
    EXPECT_FALSE(VerifyPassword(QString(), QStringLiteral("x")));
}

TEST(Password, OldPlainTextAndDamagedHashes)
{
    EXPECT_TRUE(NeedsRehash(QStringLiteral("plain")));
    EXPECT_TRUE(VerifyPassword(QStringLiteral("plain"), QStringLiteral("plain")));
    EXPECT_FALSE(VerifyPassword(QStringLiteral("plain"), QStringLiteral("Plain")));
    QString h = HashPassword(QStringLiteral("x"));
    h.chop(4);
    EXPECT_FALSE(VerifyPassword(h, QStringLiteral("x")));
    EXPECT_FALSE(VerifyPassword(QStringLiteral("pbkdf2-sha256$0$AAAA$BBBB"), QStringLiteral("x")));
    EXPECT_FALSE(VerifyPassword(QStringLiteral("pbkdf2-sha256$999999999$AAAA$BBBB"), QStringLiteral("x")));
}
