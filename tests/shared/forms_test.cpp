#include <gtest/gtest.h>
#include "platform/core/msgbox.h"
#include "platform/core/settings.h"
#include "platform/ui/twips.h"
#include "shared/forms/forms.h"
#include "shared/res/strings.h"
#include "tests/common/testutil.h"
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMainWindow>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTabBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const res::StringEntry kMain[] = {
    {100, u"设备管理", nullptr}, {101, u"设备编号", nullptr}, {102, u"确定", nullptr},
    {103, u"文件(&F)", nullptr}, {104, u"退出(&X)", nullptr}, {105, u"概要", nullptr},
    {106, u"显示概要", nullptr}, {107, u"刷新", nullptr},   {108, u"名称", nullptr},
    {109, u"基本信息", nullptr}, {110, u"提示文字", nullptr},
};
const res::StringEntry kLibrary[] = {
    {20, u"宋体", u"Arial"}, {21, u"9", u"9"}, {1500, u"编码设计器", u"Designer"}, {1501, u"名称", u"Name"},
};

// A window built the way the program's windows are: numbers in tags, captions and tool tips.
struct Window {
    QMainWindow w;
    QLabel* label;
    QLabel* plainLabel;
    QPushButton* button;
    QPushButton* textButton;
    QGroupBox* frame;
    QLineEdit* edit;
    QMenu* menu;
    QAction* exitAction;
    QAction* wordAction;
    QTabWidget* tabs;
    QToolBar* tools;
    QAction* refresh;
    QTreeWidget* list;

    Window()
    {
        w.setProperty(forms::kTag, QStringLiteral("100"));
        w.setWindowTitle(QStringLiteral("frmMain"));
        auto* central = new QWidget;
        auto* lay = new QVBoxLayout(central);
        label = new QLabel(QStringLiteral("lblCode"));
        label->setProperty(forms::kTag, QStringLiteral("101"));
        plainLabel = new QLabel(QStringLiteral("设计时文字"));
        button = new QPushButton(QStringLiteral("cmdOK"));
        button->setProperty(forms::kTag, QStringLiteral("102"));
        button->setToolTip(QStringLiteral("110"));
        textButton = new QPushButton(QStringLiteral("取消"));
        frame = new QGroupBox(QStringLiteral("fraInfo"));
        frame->setProperty(forms::kTag, QStringLiteral("109abc"));
        edit = new QLineEdit(QStringLiteral("102"));
        edit->setProperty(forms::kTag, QStringLiteral("102"));
        tabs = new QTabWidget;
        tabs->addTab(new QWidget, QStringLiteral("tab1"));
        tabs->tabBar()->setTabData(0, 105);
        tabs->setTabToolTip(0, QStringLiteral("106"));
        tabs->addTab(new QWidget, QStringLiteral("tab2"));
        tabs->tabBar()->setTabData(1, QStringLiteral("x"));
        list = new QTreeWidget;
        list->setColumnCount(2);
        list->setHeaderLabels({QStringLiteral("col1"), QStringLiteral("col2")});
        list->headerItem()->setData(0, Qt::UserRole, 101);
        list->headerItem()->setData(1, Qt::UserRole, 108);
        for (QWidget* c : std::initializer_list<QWidget*>{label, plainLabel, button, textButton, frame, edit, tabs, list})
            lay->addWidget(c);
        w.setCentralWidget(central);
        menu = w.menuBar()->addMenu(QStringLiteral("103"));
        exitAction = menu->addAction(QStringLiteral("104"));
        wordAction = menu->addAction(QStringLiteral("保存"));
        tools = w.addToolBar(QStringLiteral("tb"));
        refresh = tools->addAction(QStringLiteral("r"));
        refresh->setToolTip(QStringLiteral("107"));
    }
};

TEST(LoadResStrings, WindowIsLocalisedFromItsStringTable)
{
    Window f;
    const QFont designed = f.w.font();
    forms::LoadResStrings(&f.w, res::StringTable(kMain));
    EXPECT_EQ(f.w.windowTitle(), QStringLiteral("设备管理"));
    EXPECT_EQ(f.label->text(), QStringLiteral("设备编号"));
    EXPECT_EQ(f.plainLabel->text(), QStringLiteral("设计时文字"));
    EXPECT_EQ(f.button->text(), QStringLiteral("确定"));
    EXPECT_EQ(f.button->toolTip(), QStringLiteral("提示文字"));
    EXPECT_EQ(f.textButton->text(), QStringLiteral("取消"));
    EXPECT_EQ(f.frame->title(), QStringLiteral("基本信息")); // leading digits of the tag
    EXPECT_EQ(f.edit->text(), QStringLiteral("102"));        // a text box has no caption
    EXPECT_EQ(f.menu->title(), QStringLiteral("文件(&F)"));
    EXPECT_EQ(f.exitAction->text(), QStringLiteral("退出(&X)"));
    EXPECT_EQ(f.wordAction->text(), QStringLiteral("保存"));
    EXPECT_EQ(f.tabs->tabText(0), QStringLiteral("概要"));
    EXPECT_EQ(f.tabs->tabToolTip(0), QStringLiteral("显示概要"));
    EXPECT_EQ(f.tabs->tabText(1), QStringLiteral("tab2"));
    EXPECT_EQ(f.refresh->toolTip(), QStringLiteral("刷新"));
    EXPECT_EQ(f.list->headerItem()->text(0), QStringLiteral("设备编号"));
    EXPECT_EQ(f.list->headerItem()->text(1), QStringLiteral("名称"));
    // The main program's table has no font strings: the designed font stays.
    EXPECT_EQ(f.w.font().family(), designed.family());
    EXPECT_EQ(f.label->font(), f.w.font());
}

TEST(LoadResStrings, LibraryCopyAddsColonAndTakesFontFromTable)
{
    res::setUserLanguage(1033);
    QWidget w;
    w.setProperty(forms::kTag, 1500);
    auto* named = new QLabel(QStringLiteral("lbl"), &w);
    named->setProperty(forms::kTag, QStringLiteral("1501"));
    auto* untagged = new QLabel(QStringLiteral("keep"), &w);
    auto* missing = new QLabel(QStringLiteral("missing"), &w);
    missing->setProperty(forms::kTag, QStringLiteral("999"));
    forms::LoadResStrings(&w, res::StringTable(kLibrary), true);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Designer"));
    EXPECT_EQ(named->text(), QStringLiteral("Name:"));
    EXPECT_EQ(untagged->text(), QStringLiteral("keep"));
    EXPECT_EQ(missing->text(), QStringLiteral("missing"));
    EXPECT_EQ(w.font().family(), QStringLiteral("Arial"));
    EXPECT_EQ(w.font().pointSize(), 9);
    EXPECT_EQ(named->font().family(), QStringLiteral("Arial"));

    res::setUserLanguage(2052);
    QWidget zh;
    zh.setProperty(forms::kTag, 1500);
    forms::LoadResStrings(&zh, res::StringTable(kLibrary), true);
    EXPECT_EQ(zh.windowTitle(), QStringLiteral("编码设计器"));
    res::setUserLanguage(0);
}

// Placement ------------------------------------------------------------------

const QString kKey = QStringLiteral("FormTest");
const QString kDefault = QStringLiteral("1000;1000;8000;5000;Max");

QString stored() { return plat::GetSetting(plat::appName(), QStringLiteral("Settings"), kKey); }
void store(const QString& t) { plat::SaveSetting(plat::appName(), QStringLiteral("Settings"), kKey, t); }

TEST(FormLayout, DefaultPlacementIsAppliedAndMaximised)
{
    testutil::ProgramFolder folder;
    QWidget w;
    w.resize(300, 200);
    forms::FormLayout(&w, kKey, true, kDefault, QString(), true);
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.isMaximized());
    w.showNormal();
    EXPECT_EQ(w.normalGeometry().topLeft(), QPoint(ui::twipsToPixelsX(1000), ui::twipsToPixelsY(1000)));
    EXPECT_EQ(w.normalGeometry().size(), QSize(ui::twipsToPixelsX(8000), ui::twipsToPixelsY(5000)));
}

TEST(FormLayout, NothingStoredAndNoDefaultCentres)
{
    testutil::ProgramFolder folder;
    QWidget w;
    w.resize(300, 200);
    forms::FormLayout(&w, kKey, true);
    const QRect screen = w.screen()->geometry();
    EXPECT_NEAR(w.geometry().x(), (screen.width() - 300) / 2, 1);
    EXPECT_NEAR(w.geometry().y(), (screen.height() - 200) / 2, 1);
    EXPECT_EQ(w.size(), QSize(300, 200));
    EXPECT_FALSE(w.isMaximized());
    EXPECT_FALSE(w.isVisible());
}

TEST(FormLayout, FieldsOfZeroOrLessOrMissingKeepThePresentValue)
{
    testutil::ProgramFolder folder;
    {
        QWidget w;
        w.setGeometry(40, 50, 300, 200);
        store(QStringLiteral(";;;;Max"));
        forms::FormLayout(&w, kKey, true, kDefault);
        EXPECT_EQ(w.geometry().topLeft(), QPoint(40, 50));
        EXPECT_EQ(w.size(), QSize(300, 200));
        EXPECT_TRUE(w.windowState() & Qt::WindowMaximized);
    }
    {
        QWidget w;
        w.setGeometry(40, 50, 300, 200);
        w.setWindowState(Qt::WindowMaximized);
        store(QStringLiteral("-500;200;6000;4000;Normal"));
        forms::FormLayout(&w, kKey, true, kDefault);
        EXPECT_FALSE(w.windowState() & Qt::WindowMaximized);
        EXPECT_EQ(w.geometry().topLeft(), QPoint(40, ui::twipsToPixelsY(200)));
        EXPECT_EQ(w.size(), QSize(ui::twipsToPixelsX(6000), ui::twipsToPixelsY(4000)));
    }
    {
        // Fewer than five fields: the default state fills in; rubbish changes nothing.
        QWidget w;
        w.setGeometry(40, 50, 300, 200);
        store(QStringLiteral("abc;1500"));
        forms::FormLayout(&w, kKey, true, kDefault, QStringLiteral("Max"));
        EXPECT_EQ(w.geometry().topLeft(), QPoint(40, ui::twipsToPixelsY(1500)));
        EXPECT_TRUE(w.windowState() & Qt::WindowMaximized);
    }
}

TEST(FormLayout, StoringNormalMaximisedAndMinimised)
{
    testutil::ProgramFolder folder;
    QWidget w;
    w.setGeometry(ui::twipsToPixelsX(2000), ui::twipsToPixelsY(1500), ui::twipsToPixelsX(7000),
                  ui::twipsToPixelsY(5000));
    w.show();
    forms::FormLayout(&w, kKey, false);
    EXPECT_EQ(stored(), QStringLiteral("%1;%2;%3;%4;Normal")
                            .arg(ui::pixelsToTwipsX(w.geometry().x()))
                            .arg(ui::pixelsToTwipsY(w.geometry().y()))
                            .arg(ui::pixelsToTwipsX(w.width()))
                            .arg(ui::pixelsToTwipsY(w.height())));

    store(QStringLiteral("2000;1500;7000;5000;Normal"));
    w.showMaximized();
    forms::FormLayout(&w, kKey, false);
    EXPECT_EQ(stored(), QStringLiteral("2000;1500;7000;5000;Max"));

    store(QStringLiteral("2000;1500;7000;5000;Normal"));
    w.showMinimized();
    forms::FormLayout(&w, kKey, false);
    EXPECT_EQ(stored(), QStringLiteral("2000;1500;7000;5000;Normal"));
}

TEST(FormLayout, StoredPlacementComesBack)
{
    testutil::ProgramFolder folder;
    QRect placed;
    {
        QWidget w;
        w.setGeometry(120, 90, 420, 310);
        w.show();
        forms::FormLayout(&w, kKey, false);
        placed = w.geometry();
    }
    QWidget again;
    again.resize(100, 100);
    forms::FormLayout(&again, kKey, true, kDefault, QString(), true);
    EXPECT_FALSE(again.isMaximized());
    EXPECT_EQ(again.geometry().topLeft(), placed.topLeft());
    EXPECT_EQ(again.size(), placed.size());

    // Closed maximised, it opens maximised over the same normal rectangle.
    again.showMaximized();
    forms::FormLayout(&again, kKey, false);
    QWidget third;
    forms::FormLayout(&third, kKey, true, kDefault, QString(), true);
    EXPECT_TRUE(third.isMaximized());
    third.showNormal();
    EXPECT_EQ(third.normalGeometry().size(), placed.size());
}

TEST(FormLayout, MaximisedWithNothingStoredKeepsItsNormalRectangle)
{
    testutil::ProgramFolder folder;
    QRect normal;
    {
        QWidget w;
        w.setGeometry(150, 100, 400, 300);
        w.show();
        normal = w.geometry();
        w.showMaximized();
        forms::FormLayout(&w, kKey, false);
    }
    const QStringList f = stored().split(QLatin1Char(';'));
    ASSERT_EQ(f.size(), 5);
    EXPECT_EQ(f[4], QStringLiteral("Max"));
    EXPECT_GT(f[2].toInt(), 0);
    EXPECT_GT(f[3].toInt(), 0);
    QWidget again;
    forms::FormLayout(&again, kKey, true, kDefault, QString(), true);
    EXPECT_TRUE(again.isMaximized());
    again.showNormal();
    EXPECT_EQ(again.normalGeometry().size(), normal.size());
}

TEST(FormLayout, MinimisedWithNothingStoredStoresNothing)
{
    testutil::ProgramFolder folder;
    QWidget w;
    w.show();
    w.showMinimized();
    forms::FormLayout(&w, kKey, false);
    EXPECT_TRUE(stored().isEmpty());
}

TEST(FormLayout, AStoreThatCannotBeWrittenIsReported)
{
    testutil::ProgramFolder folder;
    store(QStringLiteral("2000;1500;7000;5000;Normal"));
    const QString before = plat::settingsFolder();
    QFile block(folder.file(QStringLiteral("blocked")));
    ASSERT_TRUE(block.open(QIODevice::WriteOnly));
    block.close();
    plat::setSettingsFolder(block.fileName());
    QWidget w;
    w.show();
    ui::script::clear();
    forms::FormLayout(&w, kKey, false);
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::iconOf(ui::script::last().style), ui::vbExclamation);
    plat::setSettingsFolder(before);
    EXPECT_EQ(stored(), QStringLiteral("2000;1500;7000;5000;Normal"));
}

} // namespace
