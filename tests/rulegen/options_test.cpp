// The advanced options, opened through ShowOptions on a rule made by class identifier.
#include "tests/rulegen/rulegen_testutil.h"
#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace {

using namespace rt;

class Options : public rt::LibraryRuleTest {
protected:
    // Three field bands with layered conversion: L1, L2, L3 in layer order.
    void addLayers()
    {
        for (const char* n : {"L1", "L2", "L3"}) {
            com::ComPtr<IList> f = r->UsrFields()->Add(QStringLiteral("F") + QLatin1String(n));
            r->Add(QLatin1String(n), bsUsrField, smLayersSwap, QString(), f.get(), 1);
        }
    }
    QStringList layers()
    {
        QStringList n;
        for (const auto& l : r->LayeredBands()->NewEnum())
            n << l->Name();
        return n;
    }
};

QStringList items(QListWidget* l)
{
    QStringList t;
    for (int i = 0; i < l->count(); ++i)
        t << l->item(i)->text();
    return t;
}

TEST_F(Options, WithoutLayersNothingMovesAndSaveModeStaysGrayed)
{
    ModalDriver driver([&](QDialog* d) {
        EXPECT_EQ(d->objectName(), QStringLiteral("frmAdvanceds"));
        EXPECT_EQ(d->windowTitle(), msg(1901));
        EXPECT_EQ(child<QListWidget>(d, "lstLayers")->count(), 0);
        EXPECT_FALSE(child<QPushButton>(d, "cmdUp")->isEnabled());
        EXPECT_FALSE(child<QPushButton>(d, "cmdDown")->isEnabled());
        auto* save = child<QCheckBox>(d, "chkSaveMode");
        EXPECT_EQ(save->checkState(), Qt::PartiallyChecked);
        save->click();
        EXPECT_EQ(save->checkState(), Qt::PartiallyChecked);
        save->click();
        EXPECT_EQ(save->checkState(), Qt::PartiallyChecked);
    });
    r->ShowOptions(QStringLiteral("  "));
    EXPECT_EQ(driver.shown, 1);
}

TEST_F(Options, LayersMoveUpAndDownWithTheMovedOneCurrentAndChecksUndone)
{
    addLayers();
    struct Step {
        int current;
        bool up;
        QStringList order;
        int currentAfter;
    };
    const Step steps[] = {
        {2, true, {"L1", "L3", "L2"}, 1},
        {1, true, {"L3", "L1", "L2"}, 0},
        {0, false, {"L1", "L3", "L2"}, 1},
    };
    ModalDriver driver([&](QDialog* d) {
        auto* list = child<QListWidget>(d, "lstLayers");
        auto* up = child<QPushButton>(d, "cmdUp");
        auto* down = child<QPushButton>(d, "cmdDown");
        EXPECT_EQ(items(list), (QStringList{"L1", "L2", "L3"}));
        EXPECT_EQ(list->currentRow(), 0);
        EXPECT_FALSE(up->isEnabled());
        EXPECT_TRUE(down->isEnabled());
        list->setCurrentRow(2);
        EXPECT_TRUE(up->isEnabled());
        EXPECT_FALSE(down->isEnabled());
        list->item(1)->setCheckState(Qt::Checked);
        EXPECT_EQ(list->item(1)->checkState(), Qt::Unchecked);
        for (const Step& s : steps) {
            list->setCurrentRow(s.current);
            (s.up ? up : down)->click();
            EXPECT_EQ(items(list), s.order);
            EXPECT_EQ(layers(), s.order);
            EXPECT_EQ(list->currentRow(), s.currentAfter);
        }
    });
    r->ShowOptions(QString());
    // an empty relation tree: nothing was asked
    EXPECT_TRUE(ui::script::shown().isEmpty());
    // the closed window no longer listens
    com::ComPtr<IList> f = r->UsrFields()->Add(QStringLiteral("F4"));
    r->Add(QStringLiteral("L4"), bsUsrField, smLayersSwap, QString(), f.get(), 1);
    EXPECT_EQ(layers().size(), 4);
}

TEST_F(Options, ANewLayerOrderAsksBeforeTheRelationsAreCleared)
{
    addLayers();
    com::ComPtr<ICNodes> tree = r->Relations();
    com::ComPtr<ICNode> a = tree->Add(QVariant(), tvwNext, QStringLiteral("A"), QStringLiteral("a"));
    tree->Add(QVariant(), tvwNext, QStringLiteral("B"), QStringLiteral("b"));
    tree->Add(a->Key(), tvwChild, QStringLiteral("C"), QStringLiteral("c"));
    QString question = msg(2025);
    question.replace(QLatin1Char('*'), QStringLiteral("3"));
    ModalDriver driver([&](QDialog* d) {
        auto* list = child<QListWidget>(d, "lstLayers");
        list->setCurrentRow(1);
        ui::script::answer(ui::vbNo);
        child<QPushButton>(d, "cmdUp")->click();
        EXPECT_EQ(layers(), (QStringList{"L1", "L2", "L3"}));
        EXPECT_EQ(tree->Count(), 3);
        ui::script::answer(ui::vbYes);
        child<QPushButton>(d, "cmdDown")->click();
        EXPECT_EQ(layers(), (QStringList{"L1", "L3", "L2"}));
        EXPECT_EQ(tree->Count(), 0);
        EXPECT_EQ(list->currentRow(), 2);
    });
    r->ShowOptions(QString());
    const auto boxes = ui::script::shown();
    ASSERT_EQ(boxes.size(), 3);
    for (int i : {0, 1}) {
        EXPECT_EQ(boxes[i].prompt, question);
        EXPECT_EQ(boxes[i].style, ui::vbYesNo | ui::vbQuestion | ui::vbDefaultButton2);
    }
    EXPECT_EQ(boxes[2].prompt, msg(2021));
}

TEST_F(Options, OpeningWritesTheOptionsBackAndEveryControlWritesThrough)
{
    r->Relations()->Add(QVariant(), tvwNext, QStringLiteral("ab"), QStringLiteral("x"));
    r->setStyle(csSimple);
    ASSERT_FALSE(r->AllowSimpleStyle());
    ModalDriver driver([&](QDialog* d) {
        // the write-back upper-cased the codes once more
        EXPECT_EQ(r->Relations()->Node(1)->Text(), QStringLiteral("AB"));
        auto* style = child<QCheckBox>(d, "chkStyle");
        EXPECT_TRUE(style->isChecked());
        EXPECT_FALSE(style->isEnabled());
        auto* upcase = child<QCheckBox>(d, "chkUpcase");
        EXPECT_TRUE(upcase->isChecked());
        EXPECT_TRUE(child<QRadioButton>(d, "optApply0")->isChecked());
        upcase->click();
        EXPECT_FALSE(r->CodeUCased());
        child<QRadioButton>(d, "optApply1")->click();
        EXPECT_EQ(r->ApplyMode(), amSuccessive);
    });
    r->ShowOptions(QString());
    EXPECT_EQ(driver.shown, 1);

    r->setAllowSimpleStyle(true);
    ModalDriver again([&](QDialog* d) {
        EXPECT_FALSE(child<QCheckBox>(d, "chkUpcase")->isChecked());
        EXPECT_TRUE(child<QRadioButton>(d, "optApply1")->isChecked());
        auto* style = child<QCheckBox>(d, "chkStyle");
        EXPECT_TRUE(style->isEnabled());
        style->click();
        EXPECT_EQ(r->Style(), csNormal);
    });
    r->ShowOptions(QString());
}

} // namespace
