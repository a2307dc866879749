// The designer's relation panel, offscreen, on a real rule: the tree, its buttons, its pop-up,
// and the add-relation dialog opened from it.
#include "tests/rulegen/rulegen_testutil.h"
#include "rulegen/designer/frmdesigners.h"
#include "rulegen/designer/relationpanel.h"
#include "rulegen/designer/windows.h"
#include "platform/ui/popupmenu.h"
#include "platform/ui/winlock.h"
#include "shared/forms/forms.h"
#include <QApplication>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTreeWidget>
#include <memory>

namespace {

using namespace rt;

enum { kSimple = 0, kLayer1 = 1, kLayer2 = 2, kLayer3 = 3, kPlain = 4 };

class Panel : public RuleTest {
protected:
    RuleRecorder host{r};
    std::unique_ptr<frmDesigners> w;
    RelationPanel* p = nullptr;
    QTreeWidget* t = nullptr;

    // Bands: a simple table, three layers, a band without conversion.
    void SetUp() override
    {
        RuleTest::SetUp();
        for (const char* f : {"Kind", "Cls", "Grp", "Sub", "Year"}) {
            com::ComPtr<IList> field = r->UsrFields()->Add(QString::fromLatin1(f));
            const QString name = QString::fromLatin1(f);
            if (name == QLatin1String("Kind"))
                r->Add(name, bsUsrField, smSimpleSwap, QString(), field.get());
            else if (name == QLatin1String("Year"))
                r->Add(name, bsUsrField, smNoneSwap, QString(), field.get());
            else
                r->Add(name, bsUsrField, smLayersSwap, QString(), field.get());
        }
        r->setCodeUCased(false);
    }
    void TearDown() override
    {
        ui::script::answer(ui::vbNo);
        w.reset();
    }
    ICNodes* simple() { return r->Band(kSimple + 1)->Relations().get(); }
    ICNodes* tree() { return r->Relations().get(); }
    QString add(ICNodes* table, const QVariant& under, const QString& code, const QString& value)
    {
        return table->Add(under, under.isValid() ? tvwChild : tvwNext, code, value)->Key();
    }
    void open(int band)
    {
        w = std::make_unique<frmDesigners>();
        forms::LoadResStrings(w.get(), strings(), true);
        w->LoadBands(impl(r), QVariant(), QString());
        w->show();
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
        p = w->fraRelations;
        t = p->tvwAvailable;
        w->picBand_GotFocus(band);
        ASSERT_EQ(w->currentBand(), band);
    }
    QTreeWidgetItem* item(const QString& key) { return p->treeNode(key); }
    QStringList topTexts()
    {
        QStringList s;
        for (int i = 0; i < t->topLevelItemCount(); ++i)
            s << t->topLevelItem(i)->text(0);
        return s;
    }
    // A right click as the platform delivers it: the press and release, then the request.
    void rightClick(const QPoint& pos)
    {
        for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent e(type, QPointF(pos), QPointF(t->viewport()->mapToGlobal(pos)), Qt::RightButton,
                          type == QEvent::MouseButtonPress ? Qt::RightButton : Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(t->viewport(), &e);
        }
        QContextMenuEvent menu(QContextMenuEvent::Mouse, pos, t->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(t->viewport(), &menu);
    }
    void rightClick(QTreeWidgetItem* it)
    {
        t->scrollToItem(it);
        rightClick(t->visualItemRect(it).center());
    }
    // The entries' states of the pop-up on an item (dismissed).
    QMap<QString, bool> menuOn(QTreeWidgetItem* it)
    {
        const int before = int(ui::script::menusShown().size());
        ui::script::answerMenu(QString());
        rightClick(it);
        EXPECT_EQ(ui::script::menusShown().size(), before + 1);
        return ui::script::menusShown().value(before).enabled;
    }
    // The buttons' states: add, delete, modify, clear.
    QList<bool> buttons()
    {
        return {p->cmdAdd->isEnabled(), p->cmdDelete->isEnabled(), p->cmdModify->isEnabled(), p->cmdClear->isEnabled()};
    }
};

// Fills the add-relation dialog and presses OK, then Cancel.
struct AddDialog : ModalDriver {
    QString caption;
    explicit AddDialog(const QString& code, const QString& value, bool cancel = true)
        : ModalDriver([this, code, value, cancel](QDialog* d) {
              caption = d->windowTitle();
              child<QLineEdit>(d, "txtCode")->setText(code);
              child<QLineEdit>(d, "txtValue")->setText(value);
              child<QPushButton>(d, "cmdOK")->click();
              if (cancel)
                  child<QPushButton>(d, "cmdCancel")->click();
          })
    {
    }
};

TEST_F(Panel, ASimpleTableIsShownFlatWithChildAlwaysDisabled)
{
    add(simple(), {}, QStringLiteral("A"), QStringLiteral("仪器"));
    const QString b = add(simple(), {}, QStringLiteral("B"), QStringLiteral("工具"));
    open(kSimple);
    EXPECT_EQ(p->cRelations(), simple());
    EXPECT_EQ(topTexts(), (QStringList{QStringLiteral("A 仪器"), QStringLiteral("B 工具")}));
    EXPECT_EQ(t->topLevelItem(0)->childCount(), 0);
    EXPECT_EQ(t->currentItem(), t->topLevelItem(0)); // the first is selected
    // the two pictures: a relation, and the selected relation
    const QIcon icon = t->topLevelItem(0)->icon(0);
    EXPECT_NE(icon.pixmap(16, QIcon::Normal).toImage(), icon.pixmap(16, QIcon::Selected).toImage());
    EXPECT_EQ(buttons(), (QList<bool>{true, true, true, true}));
    EXPECT_EQ(w->lblInfo[6]->text(), QStringLiteral("Relation:"));

    const auto state = menuOn(item(b));
    EXPECT_EQ(t->currentItem(), item(b)); // the item under the pointer is selected first
    for (const char* e : {"mnuSubNodeAdd0", "mnuSubNodeAdd1", "mnuSubNodeAdd2", "mnuNodeEdit", "mnuNodeRemove",
                          "mnuNodeRemoveAll"})
        EXPECT_TRUE(state.value(QLatin1String(e))) << e;
    EXPECT_FALSE(state.value(QStringLiteral("mnuSubNodeAdd4")));
    EXPECT_EQ(p->mnuNodeAdd->title(), QStringLiteral("Add Node(&A)"));
    EXPECT_EQ(p->mnuSubNodeAdd[4]->text(), QStringLiteral("&Child.."));
}

TEST_F(Panel, ChildIsDisabledFromTheLastLayerOnAndLayeredBandsShareOneTree)
{
    const QString a = add(tree(), {}, QStringLiteral("A"), QStringLiteral("甲"));
    const QString a1 = add(tree(), a, QStringLiteral("1"), QStringLiteral("一"));
    const QString a11 = add(tree(), a1, QStringLiteral("x"), QStringLiteral("子"));
    // deeper than the layers (the table itself allows it): nothing goes below it either
    const QString deeper = add(tree(), a11, QStringLiteral("y"), QStringLiteral("孙"));
    open(kLayer2);
    EXPECT_EQ(p->cRelations(), tree());
    ASSERT_TRUE(item(deeper));
    EXPECT_EQ(item(deeper)->parent(), item(a11));
    EXPECT_TRUE(menuOn(item(a)).value(QStringLiteral("mnuSubNodeAdd4")));
    EXPECT_TRUE(menuOn(item(a1)).value(QStringLiteral("mnuSubNodeAdd4")));
    EXPECT_FALSE(menuOn(item(a11)).value(QStringLiteral("mnuSubNodeAdd4")));
    EXPECT_FALSE(menuOn(item(deeper)).value(QStringLiteral("mnuSubNodeAdd4")));
    // the pop-up's add entries are enabled again each time it opens
    EXPECT_TRUE(menuOn(item(a)).value(QStringLiteral("mnuSubNodeAdd4")));
    // another layered band shows the same tree
    w->picBand_GotFocus(kLayer3);
    EXPECT_EQ(p->cRelations(), tree());
    EXPECT_TRUE(item(deeper));
}

TEST_F(Panel, ARightClickOnEmptySpaceShowsNoMenuAndChangesNothing)
{
    add(simple(), {}, QStringLiteral("A"), QStringLiteral("仪器"));
    const QString b = add(simple(), {}, QStringLiteral("B"), QStringLiteral("工具"));
    open(kSimple);
    t->setCurrentItem(item(b));
    const QString before = r->Definition();
    ui::script::answerMenu(QStringLiteral("mnuNodeRemoveAll"));
    ui::script::answer(ui::vbYes);
    rightClick(QPoint(5, t->viewport()->height() - 5));
    EXPECT_TRUE(ui::script::menusShown().isEmpty());
    EXPECT_EQ(t->currentItem(), item(b));
    EXPECT_EQ(r->Definition(), before);
    EXPECT_TRUE(ui::script::shown().isEmpty());
}

TEST_F(Panel, AnAddUnderAParentRebuildsOnlyItsSubtreeAndSelectsTheNewRelation)
{
    const QString a = add(tree(), {}, QStringLiteral("A"), QStringLiteral("甲"));
    const QString a1 = add(tree(), a, QStringLiteral("1"), QStringLiteral("一"));
    const QString b = add(tree(), {}, QStringLiteral("B"), QStringLiteral("乙"));
    const QString b1 = add(tree(), b, QStringLiteral("1"), QStringLiteral("一"));
    open(kLayer1);
    QTreeWidgetItem* itemA = item(a);
    QTreeWidgetItem* itemB = item(b);
    QTreeWidgetItem* itemB1 = item(b1);
    // marked, so that a new item at a reused address is no match
    for (QTreeWidgetItem* it : {itemA, itemB, itemB1})
        it->setData(0, Qt::UserRole + 1, QStringLiteral("kept"));
    {
        // Child on A from the pop-up: the dialog adds under A
        AddDialog dialog(QStringLiteral("2"), QStringLiteral("二"));
        ui::script::answerMenu(QStringLiteral("mnuSubNodeAdd4"));
        rightClick(itemA);
        EXPECT_EQ(dialog.shown, 1);
        EXPECT_EQ(dialog.caption, QStringLiteral("Add Relations"));
    }
    EXPECT_EQ(r->Relations()->Count(), 5);
    EXPECT_EQ(item(a), itemA);
    EXPECT_EQ(item(b), itemB);
    EXPECT_EQ(item(b1), itemB1);
    for (const QString& k : {a, b, b1})
        EXPECT_EQ(item(k)->data(0, Qt::UserRole + 1).toString(), QStringLiteral("kept")) << k.toStdString();
    ASSERT_EQ(itemA->childCount(), 2);
    EXPECT_EQ(itemA->child(1)->text(0), QStringLiteral("2 二"));
    EXPECT_EQ(t->currentItem(), itemA->child(1));
    EXPECT_EQ(RelationPanel::keyOf(itemA->child(1)), QStringLiteral("N5"));
    EXPECT_TRUE(item(a1));
    EXPECT_EQ(buttons(), (QList<bool>{true, true, true, true}));
    // cmdAdd appends among the siblings of the selected relation, at the top: all rebuilt
    t->setCurrentItem(item(b));
    {
        AddDialog dialog(QStringLiteral("C"), QStringLiteral("丙"));
        p->cmdAdd->click();
        EXPECT_EQ(dialog.shown, 1);
    }
    EXPECT_EQ(topTexts(), (QStringList{QStringLiteral("A 甲"), QStringLiteral("B 乙"), QStringLiteral("C 丙")}));
    EXPECT_EQ(t->currentItem(), t->topLevelItem(2));
    EXPECT_EQ(ui::windowUpdateLocks(w.get()), 0);
}

TEST_F(Panel, TheAddDialogOpensOverTheDesignerFurtherInThanTheOthers)
{
    open(kLayer1);
    markLibraryWindow(w.get()); // as ShowDesigner marks it
    QPoint at;
    QSize size;
    {
        ModalDriver driver([&](QDialog* d) {
            at = d->pos();
            size = d->frameGeometry().size();
        });
        p->cmdAdd->click();
    }
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(at, dialogPlace(size, w->frameGeometry(), screen, QPointF(0.4, 0.5)));
}

TEST_F(Panel, RemovingAsksWithTheDescendantsAndSelectsTheParentOrTheFirst)
{
    const QString a = add(tree(), {}, QStringLiteral("A"), QStringLiteral("甲"));
    const QString b = add(tree(), {}, QStringLiteral("B"), QStringLiteral("乙"));
    const QString b1 = add(tree(), b, QStringLiteral("1"), QStringLiteral("一"));
    const QString b2 = add(tree(), b, QStringLiteral("2"), QStringLiteral("二"));
    for (const char* c : {"x", "y", "z"})
        add(tree(), b1, QString::fromLatin1(c), QString::fromLatin1(c).toUpper());
    open(kLayer1);
    EXPECT_EQ(RelationPanel::CountTreeNodes(item(b)), 5);
    // No keeps everything
    t->setCurrentItem(item(b));
    ui::script::answer(ui::vbNo);
    p->cmdDelete->click();
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("Sure to delete the relation?5 child relation(s) included."));
    EXPECT_EQ(ui::script::last().style, ui::vbYesNo | ui::vbQuestion);
    EXPECT_EQ(tree()->Count(), 7);
    // a relation without children: only the question; its parent is selected afterwards
    t->setCurrentItem(item(b2));
    ui::script::answer(ui::vbYes);
    p->cmdDelete->click();
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("Sure to delete the relation?"));
    EXPECT_EQ(tree()->Count(), 6);
    EXPECT_FALSE(item(b2));
    EXPECT_EQ(t->currentItem(), item(b));
    // a top-layer relation from the pop-up: the first node is selected
    ui::script::answer(ui::vbYes);
    ui::script::answerMenu(QStringLiteral("mnuNodeRemove"));
    rightClick(item(b));
    EXPECT_EQ(tree()->Count(), 1);
    EXPECT_EQ(topTexts(), QStringList{QStringLiteral("A 甲")});
    EXPECT_EQ(t->currentItem(), item(a));
    EXPECT_FALSE(item(b1));
}

TEST_F(Panel, ClearingAsksWithTheCountNoPreselectedAndNoKeepsAll)
{
    for (int i = 0; i < 4; ++i) {
        const QString top = add(tree(), {}, QStringLiteral("T%1").arg(i), QStringLiteral("V%1").arg(i));
        add(tree(), top, QStringLiteral("a"), QStringLiteral("A"));
        add(tree(), top, QStringLiteral("b"), QStringLiteral("B"));
    }
    open(kLayer1);
    const QString before = r->Definition();
    p->cmdClear->click(); // unanswered: the default button
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("Sure to clean all relations?(12 relation(s) included.)"));
    EXPECT_EQ(ui::script::last().style, ui::vbYesNo | ui::vbQuestion | ui::vbDefaultButton2);
    EXPECT_EQ(r->Definition(), before);
    EXPECT_EQ(t->topLevelItemCount(), 4);
    ui::script::answer(ui::vbYes);
    ui::script::answerMenu(QStringLiteral("mnuNodeRemoveAll"));
    rightClick(t->topLevelItem(1));
    EXPECT_EQ(tree()->Count(), 0);
    EXPECT_EQ(t->topLevelItemCount(), 0);
    EXPECT_EQ(buttons(), (QList<bool>{true, false, false, false}));
    EXPECT_TRUE(t->isEnabled());
}

TEST_F(Panel, ABandThatMayNotChangeOrHasNoTableDisablesThePanel)
{
    add(simple(), {}, QStringLiteral("A"), QStringLiteral("仪器"));
    r->Band(kSimple + 1)->setAllowModified(false);
    open(kSimple);
    EXPECT_EQ(t->topLevelItemCount(), 1);
    EXPECT_FALSE(t->isEnabled());
    EXPECT_FALSE(w->lblInfo[6]->isEnabled());
    EXPECT_EQ(buttons(), (QList<bool>{false, false, false, false}));
    // a change of the table does not enable it either
    add(simple(), {}, QStringLiteral("B"), QStringLiteral("工具"));
    EXPECT_EQ(t->topLevelItemCount(), 2);
    EXPECT_EQ(buttons(), (QList<bool>{false, false, false, false}));

    w->picBand_GotFocus(kPlain);
    EXPECT_FALSE(p->cRelations());
    EXPECT_EQ(t->topLevelItemCount(), 0);
    EXPECT_FALSE(t->isEnabled());
    EXPECT_EQ(buttons(), (QList<bool>{false, false, false, false}));
}

TEST_F(Panel, TheTreeFollowsChangesMadeElsewhere)
{
    const QString a = add(tree(), {}, QStringLiteral("ab"), QStringLiteral("甲"));
    add(tree(), a, QStringLiteral("cd"), QStringLiteral("乙"));
    add(tree(), {}, QStringLiteral("ef"), QStringLiteral("丙"));
    open(kLayer1);
    // capitals everywhere: one event per relation, each refresh freezing the window anew
    r->setCodeUCased(true);
    EXPECT_EQ(topTexts(), (QStringList{QStringLiteral("AB 甲"), QStringLiteral("EF 丙")}));
    EXPECT_EQ(item(a)->child(0)->text(0), QStringLiteral("CD 乙"));
    EXPECT_EQ(ui::windowUpdateLocks(w.get()), 0);
    EXPECT_TRUE(w->updatesEnabled());
    // inside a freeze of the caller's, a refresh leaves the window frozen
    {
        ui::WindowUpdateLock outer(w.get());
        tree()->Node(a)->setTag(QStringLiteral("甲甲"));
        EXPECT_FALSE(w->updatesEnabled());
    }
    EXPECT_TRUE(w->updatesEnabled());
    EXPECT_EQ(item(a)->text(0), QStringLiteral("AB 甲甲"));
    // a layer change clears the shared tree: the panel is empty and its buttons follow
    r->Band(kLayer3 + 1)->setSwapMode(smNoneSwap);
    EXPECT_EQ(tree()->Count(), 0);
    EXPECT_EQ(t->topLevelItemCount(), 0);
    EXPECT_EQ(buttons(), (QList<bool>{true, false, false, false}));
}

TEST_F(Panel, ThePanelListensOnlyToTheTableShownAndLetsGoWhenClosed)
{
    add(simple(), {}, QStringLiteral("A"), QStringLiteral("仪器"));
    open(kSimple);
    w->picBand_GotFocus(kLayer1);
    EXPECT_EQ(t->topLevelItemCount(), 0);
    add(simple(), {}, QStringLiteral("B"), QStringLiteral("工具")); // the table no longer shown
    EXPECT_EQ(t->topLevelItemCount(), 0);
    w->picBand_GotFocus(kSimple);
    EXPECT_EQ(t->topLevelItemCount(), 2);
    // closed and gone: the tables change without a listener
    w->reject();
    w.reset();
    add(simple(), {}, QStringLiteral("C"), QStringLiteral("刀具"));
    simple()->Cls();
    add(tree(), {}, QStringLiteral("T"), QStringLiteral("顶"));
}

TEST_F(Panel, ModifyingChangesTheRelationAndAFailedModifyLeavesItAsItWas)
{
    const QString a = add(simple(), {}, QStringLiteral("A"), QStringLiteral("仪器"));
    const QString b = add(simple(), {}, QStringLiteral("B"), QStringLiteral("工具"));
    open(kSimple);
    // a value that the sibling has, in other letters: neither code nor value changes
    simple()->Node(a)->setTag(QStringLiteral("Tools"));
    QTreeWidgetItem* itemA = item(a);
    QTreeWidgetItem* itemB = item(b);
    itemB->setData(0, Qt::UserRole + 1, QStringLiteral("kept"));
    t->setCurrentItem(itemB);
    {
        ModalDriver driver([&](QDialog* d) {
            EXPECT_EQ(d->windowTitle(), QStringLiteral("Modify Relations"));
            EXPECT_EQ(child<QLineEdit>(d, "txtCode")->text(), QStringLiteral("B"));
            for (const char* o : {"optStyle0", "optStyle1", "optStyle2", "optStyle3"})
                EXPECT_FALSE(child<QRadioButton>(d, o)->isEnabled()) << o;
            child<QLineEdit>(d, "txtCode")->setText(QStringLiteral("Z"));
            child<QLineEdit>(d, "txtValue")->setText(QStringLiteral("TOOLS"));
            child<QPushButton>(d, "cmdOK")->click();
            EXPECT_EQ(ui::script::last().prompt, QStringLiteral("Same value existed in the layer."));
            EXPECT_EQ(ui::iconOf(ui::script::last().style), ui::vbInformation);
            child<QPushButton>(d, "cmdCancel")->click();
        });
        p->cmdModify->click();
        EXPECT_EQ(driver.shown, 1);
    }
    EXPECT_EQ(simple()->Node(b)->Text(), QStringLiteral("B"));
    EXPECT_EQ(simple()->Node(b)->Tag(), QStringLiteral("工具"));
    EXPECT_EQ(item(a), itemA); // no rebuild
    EXPECT_EQ(item(b), itemB);
    EXPECT_EQ(itemB->data(0, Qt::UserRole + 1).toString(), QStringLiteral("kept"));
    EXPECT_EQ(itemB->text(0), QStringLiteral("B 工具"));
    // from the pop-up: OK changes both and closes; the tree shows the relation selected
    t->setCurrentItem(itemA);
    {
        AddDialog dialog(QStringLiteral("Z"), QStringLiteral("刀具"), false);
        ui::script::answerMenu(QStringLiteral("mnuNodeEdit"));
        rightClick(itemB);
        EXPECT_EQ(dialog.caption, QStringLiteral("Modify Relations"));
    }
    EXPECT_EQ(item(b)->text(0), QStringLiteral("Z 刀具"));
    EXPECT_EQ(t->currentItem(), item(b));
    EXPECT_EQ(topTexts(), (QStringList{QStringLiteral("A Tools"), QStringLiteral("Z 刀具")}));
}

// The designer as the host opens it, from the library made by class identifier.
using LibraryPanel = LibraryRuleTest;

TEST_F(LibraryPanel, RelationsAreAddedModifiedAndRemovedInTheDesignerThatShowDesignerOpens)
{
    com::ComPtr<IList> f = r->UsrFields()->Add(QStringLiteral("Kind"));
    r->Add(QStringLiteral("Kind"), bsUsrField, smSimpleSwap, QString(), f.get());
    r->setCodeUCased(false);
    RuleRecorder host(r);
    std::function<void(QDialog*)> dialog;
    QStringList seen;
    ModalDriver driver([&](QDialog* d) {
        if (d->objectName() != QLatin1String("frmDesigners")) {
            seen << d->windowTitle();
            dialog(d);
            return;
        }
        auto* tree = child<QTreeWidget>(d, "tvwAvailable");
        auto press = [&](const char* name) { child<QPushButton>(d, name)->click(); };
        auto fill = [](QDialog* a, const char* code, const QString& value) {
            child<QLineEdit>(a, "txtCode")->setText(QLatin1String(code));
            child<QLineEdit>(a, "txtValue")->setText(value);
            child<QPushButton>(a, "cmdOK")->click();
        };
        dialog = [&](QDialog* a) {
            fill(a, "A", QStringLiteral("仪器"));
            fill(a, "B", QStringLiteral("工具"));
            child<QPushButton>(a, "cmdCancel")->click();
        };
        press("cmdAdd");
        ASSERT_EQ(tree->topLevelItemCount(), 2);
        EXPECT_EQ(tree->currentItem()->text(0), QStringLiteral("B 工具"));
        dialog = [&](QDialog* a) { fill(a, "C", QStringLiteral("刀具")); };
        press("cmdModify");
        EXPECT_EQ(tree->topLevelItem(1)->text(0), QStringLiteral("C 刀具"));
        tree->setCurrentItem(tree->topLevelItem(0));
        ui::script::answer(ui::vbYes);
        press("cmdDelete");
        EXPECT_EQ(ui::script::last().prompt, QStringLiteral("确实要删除指定关系吗？"));
        ASSERT_EQ(tree->topLevelItemCount(), 1);
        EXPECT_EQ(tree->topLevelItem(0)->text(0), QStringLiteral("C 刀具"));
        ui::script::answer(ui::vbYes); // saved on closing
        press("cmdClose");
    });
    r->ShowDesigner(QString(), true);
    EXPECT_EQ(seen, (QStringList{QStringLiteral("新建关系"), QStringLiteral("修改关系")}));
    ICNodes* table = r->Band(1)->Relations().get();
    ASSERT_EQ(table->Count(), 1);
    EXPECT_EQ(table->Node(1)->Text(), QStringLiteral("C"));
    EXPECT_EQ(host.stored, r->Definition());
    // the closed designer left no listener on the table
    table->Add(QVariant(), tvwNext, QStringLiteral("D"), QStringLiteral("量具"));
}

} // namespace
