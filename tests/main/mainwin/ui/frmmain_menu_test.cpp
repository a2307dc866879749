#include "tests/main/core/dbfixture.h"
#include "main/core/globals.h"
#include "main/core/usrinfos.h"
#include "main/mainwin/ui/frmmain.h"
#include "platform/core/msgbox.h"
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QTimer>

using namespace ostrel;

namespace {

class MainMenuTest : public testutil::MainDatabaseTest {
protected:
    void SetUp() override
    {
        MainDatabaseTest::SetUp();
        gUsrInfos = std::make_unique<UsrInfos>();
        qint32 id = 0;
        ASSERT_EQ(gUsrInfos->Load(QStringLiteral("admin"), id, QStringLiteral("secret-1")), 0);
    }
    void TearDown() override
    {
        gUsrInfos.reset();
        MainDatabaseTest::TearDown();
    }

    // Triggers a command and closes the modal window it opens; returns that window's name.
    QString openAndClose(QAction* command, QWidget* owner)
    {
        QString name;
        QWidget* parent = nullptr;
        QTimer driver;
        QObject::connect(&driver, &QTimer::timeout, [&] {
            auto dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dlg)
                return;
            name = dlg->objectName();
            parent = dlg->parentWidget();
            dlg->reject();
        });
        driver.start(10);
        command->trigger();
        driver.stop();
        EXPECT_EQ(parent, owner);
        return name;
    }
};

TEST_F(MainMenuTest, LevelThreeOpensUsersAndBaseData)
{
    frmMain w;
    w.Form_Load();
    w.show();
    EXPECT_EQ(openAndClose(w.mnuToolUsr, &w), QStringLiteral("frmUsers"));
    EXPECT_EQ(openAndClose(w.mnuBasement, &w), QStringLiteral("frmBasements"));
}

TEST_F(MainMenuTest, BackupCommandWritesTheBackupFile)
{
    frmMain w;
    w.Form_Load();
    ASSERT_TRUE(w.mnuFileBackup->isEnabled());
    w.mnuFileBackup->trigger();
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("恭喜！数据备份成功！"));
    // every table, the key marks too
    dao::Database copy = dao::DBEngine::OpenDatabase(folder->file(QStringLiteral("Ostrel.STB")), false, true,
                                                     schema::connectString());
    EXPECT_EQ(copy.TableDefs().Count(), schema::tables().size());
    copy.Close();
}

} // namespace
