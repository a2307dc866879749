#include <gtest/gtest.h>
#include "platform/core/settings.h"
#include "platform/core/vberror.h"
#include "tests/common/testutil.h"
#include <QDir>
#include <QFile>

namespace {

const QString kApp = QStringLiteral("Ostrel1.0");
const QString kSec = QStringLiteral("Settings");

TEST(Settings, DefaultWhenMissingAndRoundTripOfAwkwardTexts)
{
    testutil::ProgramFolder folder;
    EXPECT_EQ(plat::GetSetting(kApp, kSec, QStringLiteral("FormMain"), QStringLiteral("1000;1000;8000;5000;Max")),
              QStringLiteral("1000;1000;8000;5000;Max"));
    EXPECT_TRUE(plat::GetSetting(kApp, kSec, QStringLiteral("Nothing")).isNull());

    // Texts that an ini file could take for something else must come back as they went in.
    const QStringList values{QStringLiteral("1000;1000;8000;5000;Max"),
                             QStringLiteral("[设备编号] LIKE 'A-*', [名称]=\"x\""),
                             QStringLiteral("@Variant(0)"),
                             QStringLiteral("  leading and trailing  "),
                             QStringLiteral("C:\\数据\\导出\\"),
                             QStringLiteral("line1\r\nline2"),
                             QStringLiteral("a=b;c#d"),
                             QString()};
    int n = 0;
    for (const QString& v : values) {
        const QString key = QStringLiteral("K%1").arg(n++);
        plat::SaveSetting(kApp, kSec, key, v);
        EXPECT_EQ(plat::GetSetting(kApp, kSec, key, QStringLiteral("default")), v) << qPrintable(key);
    }
}

TEST(Settings, ApplicationsAndSectionsAreApart)
{
    testutil::ProgramFolder folder;
    plat::SaveSetting(kApp, kSec, QStringLiteral("Track"), QStringLiteral("1"));
    plat::SaveSetting(QStringLiteral("Ostrel"), kSec, QStringLiteral("Track"), QStringLiteral("0"));
    plat::SaveSetting(kApp, QStringLiteral("Other"), QStringLiteral("Track"), QStringLiteral("2"));
    EXPECT_EQ(plat::GetSetting(kApp, kSec, QStringLiteral("Track")), QStringLiteral("1"));
    EXPECT_EQ(plat::GetSetting(QStringLiteral("Ostrel"), kSec, QStringLiteral("Track")), QStringLiteral("0"));
    EXPECT_EQ(plat::GetSetting(kApp, QStringLiteral("Other"), QStringLiteral("Track")), QStringLiteral("2"));
    // The store lives in the test's own folder.
    EXPECT_TRUE(plat::settingsFolder().startsWith(folder.path()));
}

TEST(Settings, DeleteKeyAndSection)
{
    testutil::ProgramFolder folder;
    plat::SaveSetting(kApp, kSec, QStringLiteral("A"), QStringLiteral("1"));
    plat::SaveSetting(kApp, kSec, QStringLiteral("B"), QStringLiteral("2"));
    plat::SaveSetting(kApp, QStringLiteral("Keep"), QStringLiteral("A"), QStringLiteral("3"));
    plat::DeleteSetting(kApp, kSec, QStringLiteral("A"));
    EXPECT_EQ(plat::GetSetting(kApp, kSec, QStringLiteral("A"), QStringLiteral("gone")), QStringLiteral("gone"));
    EXPECT_EQ(plat::GetSetting(kApp, kSec, QStringLiteral("B")), QStringLiteral("2"));
    plat::DeleteSetting(kApp, kSec);
    EXPECT_EQ(plat::GetSetting(kApp, kSec, QStringLiteral("B"), QStringLiteral("gone")), QStringLiteral("gone"));
    EXPECT_EQ(plat::GetSetting(kApp, QStringLiteral("Keep"), QStringLiteral("A")), QStringLiteral("3"));
    // Deleting what is not there is harmless.
    EXPECT_NO_THROW(plat::DeleteSetting(kApp, kSec, QStringLiteral("Never")));
    EXPECT_NO_THROW(plat::DeleteSetting(QStringLiteral("NoSuchApp"), kSec));
}

TEST(Settings, BadNamesAndUnwritableStoreAreErrors)
{
    testutil::ProgramFolder folder;
    try {
        plat::SaveSetting(kApp, kSec, QString(), QStringLiteral("x"));
        FAIL() << "no error";
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number(), vb::errInvalidCall);
    }

    plat::SaveSetting(kApp, kSec, QStringLiteral("Kept"), QStringLiteral("old"));
    // A plain file where the settings folder should be: nothing can be written.
    const QString blocked = folder.file(QStringLiteral("blocked"));
    QFile f(blocked);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    const QString before = plat::settingsFolder();
    plat::setSettingsFolder(blocked);
    EXPECT_THROW(plat::SaveSetting(kApp, kSec, QStringLiteral("Kept"), QStringLiteral("new")), vb::Error);
    plat::setSettingsFolder(before);
    EXPECT_EQ(plat::GetSetting(kApp, kSec, QStringLiteral("Kept")), QStringLiteral("old"));
}

TEST(Settings, AppNameFollowsTitleUntilSet)
{
    EXPECT_EQ(plat::appName(), QStringLiteral("Ostrel"));
    plat::setAppName(QStringLiteral("Ostrel1.0"));
    EXPECT_EQ(plat::appName(), QStringLiteral("Ostrel1.0"));
    plat::setAppName(QString());
}

} // namespace
