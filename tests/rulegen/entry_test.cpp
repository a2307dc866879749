#include "tests/rulegen/rulegen_testutil.h"
#include "rulegen/designer/windows.h"
#include "shared/com/create.h"
#include "tests/common/testutil.h"

namespace {

using namespace rt;

using Entry = rt::RuleTest;

TEST_F(Entry, EveryCreatableClassIsReachedByClassIdentifier)
{
    testutil::ProgramFolder folder;
    folder.registerComponents();
    {
        com::ComPtr<ICodeClass> rule = com::createObject<ICodeClass>(CLSID_CodeClass);
        com::ComPtr<IList> f = rule->UsrFields()->Add(QStringLiteral("Grp"), QString(), QStringLiteral("7"));
        rule->Add(QStringLiteral("Head"), bsFixed, smNoneSwap, QStringLiteral("SB"));
        rule->Add(QStringLiteral("G"), bsUsrField, smNoneSwap, QString(), f.get(), 3, QStringLiteral("000"));
        EXPECT_EQ(rule->GetCode(gsNewCode), QStringLiteral("SB007"));
        // errors cross the library's boundary with their numbers
        EXPECT_VBERROR(rule->setSeparaOfMonth(40), E(2003));
        EXPECT_EQ(com::createObject<IBand>(CLSID_Band)->Index(), -1);
        EXPECT_TRUE(com::createObject<ICNodes>(CLSID_cNodes));
        EXPECT_TRUE(com::createObject<ICNode>(CLSID_cNode));
        EXPECT_TRUE(com::createObject<IList>(CLSID_List));
        EXPECT_TRUE(com::createObject<INames>(CLSID_Names));
    }
}

struct Shown {
    QStringList titles;
    Shown() { setModalHook([this](QDialog* d) { titles << d->windowTitle(); }); }
    ~Shown() { setModalHook(nullptr); }
};

TEST_F(Entry, WindowsOpenWithTheirTitlesAndNeverBlockOrRaise)
{
    Shown shown;
    r->ShowDesigner(QString(), false);
    r->ShowDesigner(QStringLiteral("设备编码设计"));
    EXPECT_EQ(shown.titles, (QStringList{QStringLiteral("Designer"), QStringLiteral("设备编码设计")}));
    EXPECT_TRUE(impl(r)->allowSetup());
    r->ShowDesigner(QString(), false);
    EXPECT_TRUE(r->Definition().contains(QStringLiteral("\r5\r0\r")));
    r->ShowFieldManage(QStringLiteral("  Fields "));
    r->ShowOptions(QString());
    EXPECT_EQ(shown.titles.mid(3), (QStringList{QStringLiteral("Fields"), QStringLiteral("Advanced")}));
}

TEST_F(Entry, DialogsCheckTheirReferencesAndShowTheirErrors)
{
    Shown shown;
    qint32 rel = 3;
    impl(r)->ShowRelationDialog(1, QVariant(), false, rel);
    EXPECT_TRUE(shown.titles.isEmpty());
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("Invalid parametre(s) or value.\r\n\r\nBand"));
    EXPECT_EQ(ui::script::last().style, ui::vbExclamation);

    r->Add(QStringLiteral("Head"), bsFixed, smNoneSwap, QStringLiteral("X"));
    com::ComPtr<IList> f = r->UsrFields()->Add(QStringLiteral("F"));
    r->Add(QStringLiteral("Field"), bsUsrField, smSimpleSwap, QString(), f.get());
    impl(r)->ShowRelationDialog(QStringLiteral("Head"), QVariant(), false, rel);
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("Invalid parametre(s) or value."));
    // modifying needs a reference relation; a position outside the codes is refused too
    impl(r)->ShowRelationDialog(2, QVariant(), true, rel);
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("Invalid parametre(s) or value.\r\n\r\nRelation"));
    EXPECT_EQ(ui::script::last().style, ui::vbExclamation);
    qint32 bad = 5;
    impl(r)->ShowRelationDialog(2, QVariant(), false, bad);
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("Invalid parametre(s) or value."));
    EXPECT_TRUE(shown.titles.isEmpty());
    const QString key = r->Band(2)->Relations()->Add(QVariant(), tvwNext, QStringLiteral("A"), QStringLiteral("a"))->Key();
    impl(r)->ShowRelationDialog(2, key, true, rel);
    EXPECT_EQ(shown.titles, QStringList{QStringLiteral("Modify Relations")});

    QString ref = QStringLiteral("nobody");
    qint32 pos = 3;
    impl(r)->ShowAddBandDialog(ref, pos);
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("Incorrect refer band:nobody"));
    ref = QStringLiteral("HEAD");
    impl(r)->ShowAddBandDialog(ref, pos);
    EXPECT_EQ(ref, QStringLiteral("Head"));
    EXPECT_EQ(shown.titles.last(), QStringLiteral("New Band"));
}

TEST_F(Entry, RegisteredWindowsAreUsedAndTheirSetUpErrorsShown)
{
    Shown shown;
    DesignerWindows& w = designerWindows();
    const DesignerWindows registered = w;
    QDialog* created = nullptr;
    w.createOptions = [&] { return created = new QDialog; };
    w.showOptions = [](QDialog*, CodeClassImpl&, const QString&) {
        throw vb::Error(vb::errObjectNotSet, QStringLiteral("no rule"));
    };
    r->ShowOptions(QString());
    EXPECT_TRUE(created);
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("no rule"));
    EXPECT_EQ(ui::script::last().style, ui::vbExclamation);
    EXPECT_TRUE(shown.titles.isEmpty());
    w.showOptions = [](QDialog* d, CodeClassImpl& rule, const QString&) {
        d->setWindowTitle(QString::number(rule.Count()));
    };
    r->Add(QStringLiteral("A"), bsIncreaseAlpha);
    r->ShowOptions(QString());
    EXPECT_EQ(shown.titles, QStringList{QStringLiteral("1")});
    w = registered;
}

TEST(EntryPlacement, DialogsGoOverTheActiveWindowButStayOnTheScreen)
{
    using tessaly::dialogPlace;
    const QRect screen(0, 0, 1000, 800);
    EXPECT_EQ(dialogPlace(QSize(200, 100), QRect(), screen), QPoint(400, 350));
    EXPECT_EQ(dialogPlace(QSize(200, 100), QRect(100, 100, 500, 400), screen), QPoint(250, 220));
    // near the right edge: centred horizontally; the vertical place stays
    EXPECT_EQ(dialogPlace(QSize(200, 100), QRect(700, 100, 500, 400), screen), QPoint(400, 220));
    EXPECT_EQ(dialogPlace(QSize(200, 100), QRect(100, 600, 500, 400), screen), QPoint(250, 350));
    // the add-relation dialog goes further in: 0.4 of the width, 0.5 of the height
    EXPECT_EQ(dialogPlace(QSize(200, 100), QRect(100, 100, 500, 400), screen, QPointF(0.4, 0.5)), QPoint(300, 300));
    EXPECT_EQ(dialogPlace(QSize(200, 100), QRect(100, 520, 500, 400), screen, QPointF(0.4, 0.5)), QPoint(300, 350));
}

} // namespace
