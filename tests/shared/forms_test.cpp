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

template <class W>
W* tagged(W* w, const QVariant& tag)
{
    w->setProperty(forms::kTag, tag);
    return w;
}

// A window built the way the program's windows are: numbers in tags, captions and tool tips.
TEST(LoadResStrings, WindowIsLocalisedFromItsStringTable)
{
    QMainWindow w;
    tagged(&w, QStringLiteral("100"))->setWindowTitle(QStringLiteral("frmMain"));
    auto* central = new QWidget;
    auto* lay = new QVBoxLayout(central);
    auto* label = tagged(new QLabel(QStringLiteral("lblCode")), QStringLiteral("101"));
    auto* plainLabel = new QLabel(QStringLiteral("设计时文字"));
    auto* button = tagged(new QPushButton(QStringLiteral("cmdOK")), QStringLiteral("102"));
    button->setToolTip(QStringLiteral("110"));
    auto* frame = tagged(new QGroupBox(QStringLiteral("fraInfo")), QStringLiteral("109abc"));
    auto* edit = tagged(new QLineEdit(QStringLiteral("102")), QStringLiteral("102"));
    auto* tabs = new QTabWidget;
    tabs->addTab(new QWidget, QStringLiteral("tab1"));
    tabs->tabBar()->setTabData(0, 105);
    tabs->setTabToolTip(0, QStringLiteral("106"));
    tabs->addTab(new QWidget, QStringLiteral("tab2"));
    tabs->tabBar()->setTabData(1, QStringLiteral("x"));
    auto* list = new QTreeWidget;
    list->setHeaderLabels({QStringLiteral("col1"), QStringLiteral("col2")});
    list->headerItem()->setData(0, Qt::UserRole, 101);
    list->headerItem()->setData(1, Qt::UserRole, 108);
    for (QWidget* c : std::initializer_list<QWidget*>{label, plainLabel, button, frame, edit, tabs, list})
        lay->addWidget(c);
    w.setCentralWidget(central);
    QMenu* menu = w.menuBar()->addMenu(QStringLiteral("103"));
    QAction* exitAction = menu->addAction(QStringLiteral("104"));
    QAction* wordAction = menu->addAction(QStringLiteral("保存"));
    QAction* refresh = w.addToolBar(QStringLiteral("tb"))->addAction(QStringLiteral("r"));
    refresh->setToolTip(QStringLiteral("107"));

    const QFont designed = w.font();
    forms::LoadResStrings(&w, res::StringTable(kMain));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("设备管理"));
    EXPECT_EQ(label->text(), QStringLiteral("设备编号"));
    EXPECT_EQ(plainLabel->text(), QStringLiteral("设计时文字"));
    EXPECT_EQ(button->text(), QStringLiteral("确定"));
    EXPECT_EQ(button->toolTip(), QStringLiteral("提示文字"));
    EXPECT_EQ(frame->title(), QStringLiteral("基本信息")); // leading digits of the tag
    EXPECT_EQ(edit->text(), QStringLiteral("102"));        // a text box has no caption
    EXPECT_EQ(menu->title(), QStringLiteral("文件(&F)"));
    EXPECT_EQ(exitAction->text(), QStringLiteral("退出(&X)"));
    EXPECT_EQ(wordAction->text(), QStringLiteral("保存"));
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("概要"));
    EXPECT_EQ(tabs->tabToolTip(0), QStringLiteral("显示概要"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("tab2"));
    EXPECT_EQ(refresh->toolTip(), QStringLiteral("刷新"));
    EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("设备编号"));
    EXPECT_EQ(list->headerItem()->text(1), QStringLiteral("名称"));
    // The main program's table has no font strings: the designed font stays.
    EXPECT_EQ(w.font().family(), designed.family());
    EXPECT_EQ(label->font(), w.font());
}

TEST(LoadResStrings, LibraryCopyAddsColonAndTakesFontFromTable)
{
    res::setUserLanguage(1033);
    QWidget w;
    tagged(&w, 1500);
    auto* named = tagged(new QLabel(QStringLiteral("lbl"), &w), QStringLiteral("1501"));
    auto* untagged = new QLabel(QStringLiteral("keep"), &w);
    auto* missing = tagged(new QLabel(QStringLiteral("missing"), &w), QStringLiteral("999"));
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
    tagged(&zh, 1500);
    forms::LoadResStrings(&zh, res::StringTable(kLibrary), true);
    EXPECT_EQ(zh.windowTitle(), QStringLiteral("编码设计器"));
    res::setUserLanguage(0);
}

// Placement ------------------------------------------------------------------

const QString kKey = QStringLiteral("FormTest");
const QString kDefault = QStringLiteral("1000;1000;8000;5000;Max");

QString stored() { return plat::GetSetting(plat::appName(), QStringLiteral("Settings"), kKey); }
void store(const QString& t) { plat::SaveSetting(plat::appName(), QStringLiteral("Settings"), kKey, t); }

QRect twipsRect(int x, int y, int w, int h)
{
    return QRect(ui::twipsToPixelsX(x), ui::twipsToPixelsY(y), ui::twipsToPixelsX(w), ui::twipsToPixelsY(h));
}

TEST(FormLayout, NothingStoredTakesTheDefaultOrCentres)
{
    testutil::ProgramFolder folder;
    QWidget w;
    w.resize(300, 200);
    forms::FormLayout(&w, kKey, true, kDefault, QString(), true);
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.isMaximized());
    w.showNormal();
    EXPECT_EQ(w.normalGeometry(), twipsRect(1000, 1000, 8000, 5000));

    QWidget c;
    c.resize(300, 200);
    forms::FormLayout(&c, kKey, true);
    const QRect screen = c.screen()->geometry();
    EXPECT_NEAR(c.geometry().x(), (screen.width() - 300) / 2, 1);
    EXPECT_NEAR(c.geometry().y(), (screen.height() - 200) / 2, 1);
    EXPECT_EQ(c.size(), QSize(300, 200));
    EXPECT_FALSE(c.isMaximized());
    EXPECT_FALSE(c.isVisible());
}

TEST(FormLayout, FieldsOfZeroOrLessOrMissingKeepThePresentValue)
{
    testutil::ProgramFolder folder;
    // Expected fields in twips; 0 keeps the present value of (40, 50, 300, 200).
    const struct {
        const char* stored;
        const char* defaultState;
        bool wasMaximised;
        int x, y, w, h;
        bool maximised;
    } rows[] = {
        {";;;;Max", "", false, 0, 0, 0, 0, true},
        {"-500;200;6000;4000;Normal", "", true, 0, 200, 6000, 4000, false},
        // Fewer than five fields: the default state fills in; rubbish changes nothing.
        {"abc;1500", "Max", false, 0, 1500, 0, 0, true},
    };
    for (const auto& r : rows) {
        QWidget w;
        w.setGeometry(40, 50, 300, 200);
        if (r.wasMaximised)
            w.setWindowState(Qt::WindowMaximized);
        store(QString::fromLatin1(r.stored));
        forms::FormLayout(&w, kKey, true, kDefault, QString::fromLatin1(r.defaultState));
        const QRect t = twipsRect(r.x, r.y, r.w, r.h);
        EXPECT_EQ(w.geometry(), QRect(r.x ? t.x() : 40, r.y ? t.y() : 50, r.w ? t.width() : 300, r.h ? t.height() : 200))
            << r.stored;
        EXPECT_EQ(bool(w.windowState() & Qt::WindowMaximized), r.maximised) << r.stored;
    }
}

TEST(FormLayout, StoredNormalMaximisedAndMinimisedComeBack)
{
    testutil::ProgramFolder folder;
    {
        // Minimised with nothing stored: nothing is stored.
        QWidget m;
        m.show();
        m.showMinimized();
        forms::FormLayout(&m, kKey, false);
        EXPECT_TRUE(stored().isEmpty());
    }
    QRect placed;
    {
        QWidget w;
        w.setGeometry(120, 90, 420, 310);
        w.show();
        forms::FormLayout(&w, kKey, false);
        placed = w.geometry();
        EXPECT_EQ(stored(), QStringLiteral("%1;%2;%3;%4;Normal")
                                .arg(ui::pixelsToTwipsX(placed.x()))
                                .arg(ui::pixelsToTwipsY(placed.y()))
                                .arg(ui::pixelsToTwipsX(placed.width()))
                                .arg(ui::pixelsToTwipsY(placed.height())));
    }
    QWidget again;
    again.resize(100, 100);
    forms::FormLayout(&again, kKey, true, kDefault, QString(), true);
    EXPECT_FALSE(again.isMaximized());
    EXPECT_EQ(again.geometry(), placed);

    // Closed maximised: the stored normal rectangle is kept, and it opens maximised over it.
    store(QStringLiteral("2000;1500;7000;5000;Normal"));
    again.showMaximized();
    forms::FormLayout(&again, kKey, false);
    EXPECT_EQ(stored(), QStringLiteral("2000;1500;7000;5000;Max"));
    QWidget third;
    forms::FormLayout(&third, kKey, true, kDefault, QString(), true);
    EXPECT_TRUE(third.isMaximized());
    third.showNormal();
    EXPECT_EQ(third.normalGeometry().size(), twipsRect(0, 0, 7000, 5000).size());

    // Closed minimised: what was stored stays.
    third.showMinimized();
    forms::FormLayout(&third, kKey, false);
    EXPECT_EQ(stored(), QStringLiteral("2000;1500;7000;5000;Max"));
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
    QWidget again;
    forms::FormLayout(&again, kKey, true, kDefault, QString(), true);
    EXPECT_TRUE(again.isMaximized());
    again.showNormal();
    EXPECT_EQ(again.normalGeometry().size(), normal.size());
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
