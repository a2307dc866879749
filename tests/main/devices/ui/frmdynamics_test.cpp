#include "main/devices/ui/frmdynamics.h"
#include "main/core/password.h"
#include "main/core/globals.h"
#include "platform/core/format.h"
#include "platform/core/msgbox.h"
#include "platform/ui/filedialog.h"
#include "platform/ui/shell.h"
#include "tests/main/devices/historyfixture.h"
#include <QApplication>
#include <QStyleOptionFrame>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>

using namespace ostrel;
using testutil::errorOf;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {

class FrmDynamicsTest : public testutil::HistoryDatabaseTest {
protected:
    void SetUp() override
    {
        HistoryDatabaseTest::SetUp();
        ui::script::clear();
        gAppName = ComposeAppName(); // the file dialog remembers its folder under it
        logIn(QStringLiteral("admin"), QStringLiteral("secret-1"));
    }
    void TearDown() override
    {
        dlg.reset();
        ui::script::clear();
        HistoryDatabaseTest::TearDown();
    }

    // A new editor opened on the device at page kind, shown (not modally) so that hiding shows.
    frmDynamics& open(qint32 kind, qint32 devId = kDevice)
    {
        dlg = std::make_unique<frmDynamics>();
        QObject::connect(dlg.get(), &frmDynamics::DynaChg, [this](qint32 k, qint32 d) { changes.append({k, d}); });
        dlg->ShowInfo(kind, devId);
        dlg->show();
        return *dlg;
    }
    bool filled(int page) const { return dlg->tbsDynas->tabData(page).toString() == QLatin1String("1"); }

    // Adds a file to a page's list through the scripted dialog.
    void addFile(int page, const QString& path)
    {
        ui::script::answerFile(path);
        dlg->cmdAdd[page]->click();
    }
    QStringList messages() const
    {
        QStringList all;
        for (const ui::ShownBox& b : ui::script::shown())
            all.append(b.prompt);
        return all;
    }

    std::unique_ptr<frmDynamics> dlg;
    QList<QPair<qint32, qint32>> changes;
};

} // namespace

TEST_F(FrmDynamicsTest, ShowInfoOpensItsPageFilledAndTheOthersAtTheirFirstSelection)
{
    frmDynamics& w = open(3);
    EXPECT_EQ(w.tbsDynas->currentIndex(), 3);
    EXPECT_TRUE(filled(3));
    for (int i : {0, 1, 2, 4})
        EXPECT_FALSE(filled(i)) << i;
    EXPECT_EQ(w.txtValue[1]->text(), QStringLiteral("0"));
    EXPECT_EQ(w.txtDeels->maxLength(), 255);   // [Result]
    EXPECT_EQ(w.cboTrans[3]->currentIndex(), 0);
    EXPECT_EQ(vb::toDate(w.txtDate[3]->text()).date(), QDate::currentDate());
    EXPECT_TRUE(w.txtSummary->toPlainText().contains(QStringLiteral("D5")));
    EXPECT_FALSE(w.txtSummary->toPlainText().contains(QLatin1Char('\r')));
    EXPECT_TRUE(w.picHolder[3]->isEnabled());
    EXPECT_FALSE(w.picHolder[0]->isEnabled());
    QApplication::setActiveWindow(&w);   // it opens in the first field to fill, not the summary
    EXPECT_EQ(QApplication::focusWidget(), w.txtValue[1]);

    // Typed values stay when the page is selected again.
    w.txtDeels->setText(QStringLiteral("变卖"));
    w.tbsDynas->setCurrentIndex(0);
    EXPECT_TRUE(filled(0));
    EXPECT_FALSE(w.picHolder[3]->isEnabled());
    w.tbsDynas->setCurrentIndex(3);
    EXPECT_EQ(w.txtDeels->text(), QStringLiteral("变卖"));
    EXPECT_EQ(w.txtValue[1]->text(), QStringLiteral("0"));

    // The check page offers the device's acceptance state.
    w.tbsDynas->setCurrentIndex(2);
    EXPECT_EQ(w.cboCheck[0]->currentData().toInt(), 1);
    EXPECT_EQ(w.cboCheck[1]->currentIndex(), 0);
    EXPECT_TRUE(ui::script::shown().isEmpty());
}

TEST_F(FrmDynamicsTest, EachDateBoxShowsAWholeDateAtTheSmallestSize)
{
    frmDynamics& w = open(0);
    w.resize(w.minimumSizeHint());
    for (int page = 0; page < frmDynamics::kPages; ++page) {
        SCOPED_TRACE(page);
        w.tbsDynas->setCurrentIndex(page);
        QCoreApplication::processEvents();
        QLineEdit* box = w.txtDate[page];
        box->setText(QStringLiteral("2026-12-09 08:30"));
        const int textWidth = box->fontMetrics().horizontalAdvance(box->text());
        QStyleOptionFrame option;
        option.initFrom(box);
        EXPECT_GT(box->style()->subElementRect(QStyle::SE_LineEditContents, &option, box).width() -
                      box->textMargins().left() - box->textMargins().right() - 4, // the box's own 2 px a side
                  textWidth);
    }
}

TEST_F(FrmDynamicsTest, ADeviceBelowOneIsRefusedAndNoTabIsSelected)
{
    frmDynamics w;
    qint32 kind = 3, devId = 0;
    const vb::Error e = errorOf([&] { w.ShowInfo(kind, devId); });
    EXPECT_EQ(e.number(), 1000);
    EXPECT_EQ(e.description(), QStringLiteral("错误的设备ID号。"));
    EXPECT_EQ(w.tbsDynas->currentIndex(), 0);
    for (int i = 0; i < frmDynamics::kPages; ++i) {
        EXPECT_FALSE(w.tbsDynas->tabData(i).toString() == QLatin1String("1")) << i;
        EXPECT_FALSE(w.picHolder[i]->isEnabled()) << i;
    }
    EXPECT_FALSE(w.cmdOK->isEnabled());
}

TEST_F(FrmDynamicsTest, APageWithoutItsRightIsGreyedWithItsButtons)
{
    addSysInfo(90, QStringLiteral("Users"), 2, QStringLiteral("clerk"),
               HashPassword(QStringLiteral("pw")) + QStringLiteral("\r2\r-1;0;-1;-1;-1;-1;0;0;0"));
    logIn(QStringLiteral("clerk"), QStringLiteral("pw"));
    frmDynamics& w = open(0);
    EXPECT_FALSE(w.picHolder[0]->isEnabled());
    EXPECT_FALSE(w.cmdAdd[0]->isEnabled());
    EXPECT_FALSE(w.cmdDelete[0]->isEnabled());
    EXPECT_FALSE(w.cmdOK->isEnabled());
    w.tbsDynas->setCurrentIndex(1);
    EXPECT_TRUE(w.picHolder[1]->isEnabled());
    EXPECT_TRUE(w.cmdAdd[1]->isEnabled());
    EXPECT_TRUE(w.cmdOK->isEnabled());
}

TEST_F(FrmDynamicsTest, TheTransferPageOffersTheDevicesDepartmentAndLocation)
{
    frmDynamics& w = open(0);
    EXPECT_EQ(w.cboDepart[0]->currentData().toInt(), 2);
    EXPECT_EQ(w.cboDepart[1]->currentIndex(), 0);
    EXPECT_EQ(w.cboDepart[1]->count(), 4); // 未指定 and three departments
    EXPECT_EQ(w.txtPosition[0]->text(), QStringLiteral("一楼"));
    EXPECT_TRUE(w.txtPosition[1]->text().isEmpty());
    for (QLineEdit* box : {w.txtPosition[0], w.txtPosition[1]})
        EXPECT_EQ(box->maxLength(), 255);   // the places' columns

    // A department code missing from the list.
    gDatabase.Execute(QStringLiteral("UPDATE [Dev_Info] SET [Dep_ID]=9;"));
    frmDynamics& again = open(0);
    EXPECT_EQ(messages(), QStringList{QStringLiteral("列表中无指定跟踪值。")});
    EXPECT_EQ(again.cboDepart[0]->currentIndex(), -1);
    EXPECT_EQ(again.cboCheck[0]->count(), 0); // the check page is not filled yet
}

TEST_F(FrmDynamicsTest, FilesAreListedWithOneIconPerSuffixRemovedAndOpened)
{
    frmDynamics& w = open(4);
    const QString a = writeFile(QStringLiteral("a.doc"), "a"), b = writeFile(QStringLiteral("b.doc"), "b"),
                  c = writeFile(QStringLiteral("c.tar.gz"), "c");
    addFile(4, a);
    addFile(4, b);
    addFile(4, c);
    EXPECT_EQ(w.iconKeys(), (QStringList{QStringLiteral("doc"), QStringLiteral("gz")}));
    ASSERT_EQ(w.lvwDocs[4]->count(), 3);
    EXPECT_EQ(w.lvwDocs[4]->item(1)->text(), QStringLiteral("b.doc"));
    EXPECT_EQ(w.lvwDocs[4]->item(1)->data(Qt::UserRole).toString(), b);
    const QList<ui::FileDialogRequest> asked = ui::script::fileDialogs();
    ASSERT_EQ(asked.size(), 3);
    EXPECT_EQ(asked[0].title, QStringLiteral("指定资料文件"));
    EXPECT_FALSE(asked[0].save);
    EXPECT_TRUE(asked[0].filter.startsWith(QStringLiteral("Jpg图片文件(*.jpg)|*.jpg|Word文档(*.doc)|*.doc")));

    // A path gone before it is added.
    const QString gone = writeFile(QStringLiteral("gone.txt"), "g");
    QFile::remove(gone);
    addFile(4, gone);
    EXPECT_EQ(messages(), QStringList{QStringLiteral("找不到文件！") + gone});
    EXPECT_EQ(w.lvwDocs[4]->count(), 3);
    ui::script::answerFileCancel();
    w.cmdAdd[4]->click();
    EXPECT_EQ(w.lvwDocs[4]->count(), 3);

    w.lvwDocs[4]->setCurrentRow(1);
    emit w.lvwDocs[4]->itemDoubleClicked(w.lvwDocs[4]->currentItem());
    EXPECT_EQ(ui::script::openedDocuments(), QStringList{b});
    w.cmdDelete[4]->click();
    ASSERT_EQ(w.lvwDocs[4]->count(), 2);
    EXPECT_EQ(w.lvwDocs[4]->item(1)->text(), QStringLiteral("c.tar.gz"));
    EXPECT_EQ(w.lvwDocs[0]->count(), 0);
}

TEST_F(FrmDynamicsTest, ATransferWithTwoFilesIsStoredOnceAndTheEditorHides)
{
    frmDynamics& w = open(0);
    w.cboDepart[1]->setCurrentIndex(3);
    w.txtPosition[1]->setText(QStringLiteral(" 三楼 "));
    addFile(0, writeFile(QStringLiteral("a.jpg"), "a"));
    addFile(0, writeFile(QStringLiteral("b.jpg"), "b"));
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    w.cmdOK->click();
    const QDateTime after = QDateTime::currentDateTime();

    EXPECT_EQ(changes, (QList<QPair<qint32, qint32>>{{0, kDevice}}));
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("登记成功！"));
    EXPECT_EQ(ui::iconOf(ui::script::last().style), ui::vbInformation);
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.cmdOK->isEnabled());
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM [Transfer] WHERE [Sur_ID]=2 AND [Tar_ID]=3 AND [经办人]=0;")), 1);
    EXPECT_EQ(value(QStringLiteral("SELECT [安装地点] FROM [Dev_Info];")).toString(), QStringLiteral("三楼"));
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM [Dev_Docs] WHERE [Type]=11;")), 2);
    const QDateTime stamp = value(QStringLiteral("SELECT [Date] FROM [Dev_Docs] WHERE [ID]=2;")).toDateTime();
    EXPECT_EQ(value(QStringLiteral("SELECT [Date] FROM [Dev_Docs] WHERE [ID]=1;")).toDateTime(), stamp);
    EXPECT_TRUE(stamp >= before && stamp <= after);

    // Selecting a page again does not enable a second registration.
    w.tbsDynas->setCurrentIndex(1);
    EXPECT_FALSE(w.cmdOK->isEnabled());
}

TEST_F(FrmDynamicsTest, DocumentsOnADayOfLastWeekAndWithoutFiles)
{
    frmDynamics& w = open(4);
    w.cmdOK->click();
    EXPECT_EQ(changes.size(), 1);
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("登记成功！"));
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM [Dev_Docs];")), 0);

    frmDynamics& again = open(4);
    again.cboDTypes->setCurrentIndex(2);
    const QDate day = QDate::currentDate().addDays(-7);
    again.txtDate[4]->setText(day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 10:00"));
    for (const char* name : {"1.txt", "2.txt", "3.txt"})
        addFile(4, writeFile(QString::fromLatin1(name), name));
    again.cmdOK->click();
    EXPECT_EQ(changes.last(), qMakePair(qint32(2), kDevice));
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM [Dev_Docs] WHERE [Type]=2 AND [Date]=#%1 10:00#;")
                        .arg(day.toString(QStringLiteral("yyyy-MM-dd")))),
              3);
}

TEST_F(FrmDynamicsTest, AFailedConfirmationStoresNothingKeepsTheInputAndAFixedOneStoresOnce)
{
    frmDynamics& w = open(0);
    w.txtPosition[1]->setText(QStringLiteral("二楼"));
    QStringList paths;
    for (const char* name : {"1.txt", "2.txt", "3.txt"}) {
        paths.append(writeFile(QString::fromLatin1(name), name));
        addFile(0, paths.last());
    }
    const QString before = everything();
    const QString typedDate = w.txtDate[0]->text();

    struct Case {
        const char* what;
        std::function<void()> breakIt, mend;
        QString message;
    };
    const std::vector<Case> cases = {
        {"second file", [&] { QFile::remove(paths[1]); }, [&] { writeFile(QStringLiteral("2.txt"), "2"); },
         QStringLiteral("找不到文件！") + paths[1]},
        {"date", [&] { w.txtDate[0]->setText(QStringLiteral("昨天")); }, [&] { w.txtDate[0]->setText(typedDate); },
         QStringLiteral("数据不合法！调拨日期")},
        {"location", [&] { w.txtPosition[1]->clear(); }, [&] { w.txtPosition[1]->setText(QStringLiteral("二楼")); },
         QStringLiteral("数据不合法！现安装地点")},
        {"device", [&] { deleteDevice(); }, [&] { restoreDevice(); }, QStringLiteral("指定设备不存在！")},
    };
    for (const Case& c : cases) {
        ui::script::clear();
        c.breakIt();
        const QString broken = everything();
        w.cmdOK->click();
        EXPECT_EQ(messages(), QStringList{c.message}) << c.what;
        EXPECT_EQ(ui::iconOf(ui::script::last().style), ui::vbExclamation) << c.what;
        EXPECT_EQ(everything(), broken) << c.what;
        EXPECT_TRUE(w.isVisible()) << c.what;
        EXPECT_TRUE(w.cmdOK->isEnabled()) << c.what;
        EXPECT_EQ(w.lvwDocs[0]->count(), 3) << c.what;
        EXPECT_TRUE(changes.isEmpty()) << c.what;
        c.mend();
    }
    EXPECT_EQ(everything(), before);
    EXPECT_EQ(dao::DBEngine::TransactionLevel(), 0);
    w.cmdOK->click();
    EXPECT_EQ(changes.size(), 1);
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM [Transfer];")), 1);
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM [Dev_Docs];")), 3);
}

TEST_F(FrmDynamicsTest, DocumentsOfADeletedDeviceAreRefused)
{
    frmDynamics& w = open(4);
    addFile(4, writeFile(QStringLiteral("1.txt"), "1"));
    deleteDevice();
    w.cmdOK->click();
    EXPECT_EQ(messages(), QStringList{QStringLiteral("指定设备不存在！")});
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM [Dev_Docs];")), 0);
    EXPECT_TRUE(w.isVisible());
    restoreDevice();
    w.cmdOK->click();
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM [Dev_Docs];")), 1);
}

TEST_F(FrmDynamicsTest, AFailureAfterTheCommitKeepsTheRecordAndCannotStoreItTwice)
{
    frmDynamics& w = open(1);
    QObject::connect(&w, &frmDynamics::DynaChg, [] { throw vb::Error(5, QStringLiteral("刷新失败")); });
    w.cmdOK->click();
    EXPECT_EQ(messages(), QStringList{QStringLiteral("刷新失败")});
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.cmdOK->isEnabled());
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM [Maintain];")), 1);
    w.cmdOK->click(); // a disabled button: nothing
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM [Maintain];")), 1);
}

TEST_F(FrmDynamicsTest, CancelHidesAndStoresNothing)
{
    frmDynamics& w = open(2);
    const QString before = everything();
    w.cmdCancel->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(changes.isEmpty());
    EXPECT_EQ(everything(), before);
}
