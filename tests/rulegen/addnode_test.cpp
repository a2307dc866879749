// The add-relation dialog, opened through the rule's ShowRelationDialog as the relation panel
// opens it, and driven through the modal hook.
#include "tests/rulegen/rulegen_testutil.h"
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

using namespace rt;

enum { kSimple = 1, kLayer1 = 2, kLayer2 = 3, kLayer3 = 4 };

class AddNode : public rt::RuleTest {
protected:
    void SetUp() override
    {
        RuleTest::SetUp();
        const char* names[] = {"Kind", "Cls", "Grp", "Sub"};
        for (const char* n : names) {
            const QString name = QString::fromLatin1(n);
            com::ComPtr<IList> f = r->UsrFields()->Add(name);
            r->Add(name, bsUsrField, name == QLatin1String("Kind") ? smSimpleSwap : smLayersSwap, QString(), f.get());
        }
        r->setCodeUCased(false);
    }
    ICNodes* tree() { return r->Relations().get(); }
    ICNodes* simple() { return r->Band(kSimple)->Relations().get(); }
    // Opens the dialog and drives it; the dialog is shown and active while driven.
    void open(int band, const QString& ref, bool modify, qint32 position, const std::function<void(QDialog*)>& drive)
    {
        ModalDriver driver([&](QDialog* d) {
            d->show();
            d->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(d));
            drive(d);
        });
        impl(r)->ShowRelationDialog(band, ref.isEmpty() ? QVariant() : QVariant(ref), modify, position);
        EXPECT_EQ(driver.shown, 1);
    }
    QStringList codes(ICNodes* t)
    {
        QStringList c;
        for (const auto& n : t->NewEnum())
            c << n->Text();
        return c;
    }
};

QRadioButton* option(QDialog* d, int i)
{
    return d->findChild<QRadioButton*>(QStringLiteral("optStyle%1").arg(i));
}

QList<bool> optionsEnabled(QDialog* d)
{
    QList<bool> on;
    for (int i = 0; i < 4; ++i)
        on << option(d, i)->isEnabled();
    return on;
}

QString layer(QDialog* d) { return child<QLabel>(d, "lblInfo4")->text(); }

void enter(QDialog* d, const QString& code, const QString& value)
{
    child<QLineEdit>(d, "txtCode")->setText(code);
    child<QLineEdit>(d, "txtValue")->setText(value);
    child<QPushButton>(d, "cmdOK")->click();
}

QWidget* focus() { return QApplication::focusWidget(); }

TEST_F(AddNode, OnAnEmptyTableOnlyAppendGoesAndTheLayerIsTheFirstLayeredBand)
{
    open(kLayer2, QString(), false, 3, [&](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Add Relations"));
        EXPECT_EQ(child<QLabel>(d, "lblInfo0")->text(), QStringLiteral("Code:"));
        EXPECT_EQ(child<QGroupBox>(d, "famPosition")->title(), QStringLiteral("Position"));
        EXPECT_EQ(option(d, 3)->text(), QStringLiteral("Child"));
        EXPECT_EQ(optionsEnabled(d), (QList<bool>{false, false, true, false}));
        EXPECT_TRUE(option(d, 2)->isChecked());
        EXPECT_EQ(layer(d), QStringLiteral("Cls"));
        enter(d, QStringLiteral(" A "), QStringLiteral(" 甲 "));
        EXPECT_TRUE(d->isVisible()); // add mode stays open
    });
    ASSERT_EQ(tree()->Count(), 1);
    EXPECT_EQ(tree()->Node(1)->Text(), QStringLiteral("A"));
    EXPECT_EQ(tree()->Node(1)->Tag(), QStringLiteral("甲"));
    EXPECT_EQ(tree()->Node(1)->Layer(), 0);
}

TEST_F(AddNode, ThreeLayersNameTheLayerAndNothingGoesBelowTheLast)
{
    const QString top = tree()->Add(QVariant(), tvwNext, QStringLiteral("A"), QStringLiteral("甲"))->Key();
    const QString mid = tree()->Add(top, tvwChild, QStringLiteral("1"), QStringLiteral("一"))->Key();
    const QString low = tree()->Add(mid, tvwChild, QStringLiteral("x"), QStringLiteral("子"))->Key();
    open(kLayer1, top, false, 2, [&](QDialog* d) {
        EXPECT_EQ(optionsEnabled(d), (QList<bool>{true, true, true, true}));
        EXPECT_EQ(layer(d), QStringLiteral("Cls"));
        option(d, 3)->click();
        EXPECT_EQ(layer(d), QStringLiteral("Grp"));
        enter(d, QStringLiteral("2"), QStringLiteral("二"));
    });
    EXPECT_EQ(tree()->Node(top)->Children(), 3);
    open(kLayer1, mid, false, 4, [&](QDialog* d) { EXPECT_EQ(layer(d), QStringLiteral("Sub")); });
    // the last layer: Child disabled, and a child position chooses nothing, so OK adds nothing
    open(kLayer3, low, false, 4, [&](QDialog* d) {
        EXPECT_EQ(optionsEnabled(d), (QList<bool>{true, true, true, false}));
        for (int i = 0; i < 4; ++i)
            EXPECT_FALSE(option(d, i)->isChecked()) << i;
        enter(d, QStringLiteral("y"), QStringLiteral("丑"));
        EXPECT_TRUE(ui::script::shown().isEmpty());
        option(d, 0)->click();
        EXPECT_EQ(layer(d), QStringLiteral("Sub"));
        enter(d, QStringLiteral("w"), QStringLiteral("亥"));
    });
    EXPECT_EQ(tree()->Count(), 5);
    EXPECT_EQ(tree()->Node(mid)->Child()->Text(), QStringLiteral("w")); // before x
}

TEST_F(AddNode, ASimpleTableIsFlatAndItsLayerIsTheBandItself)
{
    const QString a = simple()->Add(QVariant(), tvwNext, QStringLiteral("A"), QStringLiteral("仪器"))->Key();
    open(kSimple, a, false, 1, [&](QDialog* d) {
        EXPECT_EQ(optionsEnabled(d), (QList<bool>{true, true, true, false}));
        EXPECT_EQ(layer(d), QStringLiteral("Kind"));
        enter(d, QStringLiteral("B"), QStringLiteral("工具"));
        option(d, 1)->click();
        enter(d, QStringLiteral("C"), QStringLiteral("刀具"));
    });
    // the reference and the option stay: B before A, C after A
    EXPECT_EQ(codes(simple()), (QStringList{"B", "A", "C"}));
}

TEST_F(AddNode, RefusedInputIsShownAndFocusedAndAddsNothing)
{
    tree()->Add(QVariant(), tvwNext, QStringLiteral("A"), QStringLiteral("Fixed"));
    const struct {
        const char* code;
        const char* value;
        const char* message;
        const char* focused;
    } rows[] = {
        {"   ", "x", "Invalid parametre(s) or value.\r\n\r\nCode", "txtCode"},
        {"B", "  ", "Invalid parametre(s) or value.\r\n\r\nValue", "txtCode"},
        {"B,C", "x", "Invalid parametre(s) or value.\r\n\r\nCode", "txtCode"},
        {"B", "x;y", "Invalid parametre(s) or value.\r\n\r\nValue", "txtCode"},
        {"a", "x", "Same code existed in the layer.", "txtCode"},
        {"B", "FIXED", "Same value existed in the layer.", "txtValue"},
    };
    open(kLayer1, QString(), false, 3, [&](QDialog* d) {
        for (const auto& row : rows) {
            enter(d, QString::fromUtf8(row.code), QString::fromUtf8(row.value));
            EXPECT_EQ(ui::script::last().prompt, QString::fromUtf8(row.message)) << row.code << "|" << row.value;
            EXPECT_EQ(ui::iconOf(ui::script::last().style), ui::vbInformation);
            EXPECT_EQ(focus(), d->findChild<QWidget*>(QLatin1String(row.focused))) << row.code;
            EXPECT_TRUE(d->isVisible());
        }
        EXPECT_EQ(tree()->Count(), 1);
        // two OKs with one code: the second is refused
        ui::script::clear();
        enter(d, QStringLiteral("B"), QStringLiteral("b"));
        EXPECT_TRUE(ui::script::shown().isEmpty());
        auto* code = child<QLineEdit>(d, "txtCode");
        EXPECT_EQ(focus(), code);
        EXPECT_EQ(code->selectedText(), QStringLiteral("B"));
        enter(d, QStringLiteral("B"), QStringLiteral("c"));
        EXPECT_EQ(ui::script::last().prompt, QStringLiteral("Same code existed in the layer."));
    });
    EXPECT_EQ(codes(tree()), (QStringList{"A", "B"}));
}

TEST_F(AddNode, ModifyShowsTheRelationAndOkChangesBothAndCloses)
{
    const QString a = tree()->Add(QVariant(), tvwNext, QStringLiteral("A"), QStringLiteral("甲"))->Key();
    const QString a1 = tree()->Add(a, tvwChild, QStringLiteral("1"), QStringLiteral("一"))->Key();
    const QString a2 = tree()->Add(a, tvwChild, QStringLiteral("2"), QStringLiteral("二"))->Key();
    open(kLayer2, a2, true, 3, [&](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Modify Relations"));
        EXPECT_EQ(child<QLineEdit>(d, "txtCode")->text(), QStringLiteral("2"));
        EXPECT_EQ(child<QLineEdit>(d, "txtValue")->text(), QStringLiteral("二"));
        EXPECT_EQ(optionsEnabled(d), (QList<bool>{false, false, false, false}));
        EXPECT_EQ(layer(d), QStringLiteral("Grp")); // its own layer
        // the code of a sibling: refused, nothing changed, the dialog stays
        enter(d, QStringLiteral("1"), QStringLiteral("三"));
        EXPECT_EQ(ui::script::last().prompt, QStringLiteral("Same code existed in the layer."));
        // a new code with the value of a sibling: the code is not kept either
        enter(d, QStringLiteral("3"), QStringLiteral("一"));
        EXPECT_EQ(ui::script::last().prompt, QStringLiteral("Same value existed in the layer."));
        EXPECT_EQ(focus(), child<QLineEdit>(d, "txtValue"));
        EXPECT_EQ(tree()->Node(a2)->Text(), QStringLiteral("2"));
        EXPECT_EQ(tree()->Node(a2)->Tag(), QStringLiteral("二"));
        EXPECT_TRUE(d->isVisible());
        enter(d, QStringLiteral("3"), QStringLiteral("三"));
        EXPECT_FALSE(d->isVisible());
    });
    EXPECT_EQ(tree()->Node(a2)->Text(), QStringLiteral("3"));
    EXPECT_EQ(tree()->Node(a2)->Tag(), QStringLiteral("三"));
    EXPECT_EQ(tree()->Node(a1)->Text(), QStringLiteral("1"));
    EXPECT_EQ(tree()->Count(), 3);
}

TEST_F(AddNode, LettersTypedBecomeCapitalsWhenTheRuleSaysSo)
{
    for (bool upper : {true, false}) {
        r->setCodeUCased(upper);
        open(kLayer1, QString(), false, 3, [&](QDialog* d) {
            for (const char* box : {"txtCode", "txtValue"}) {
                auto* e = child<QLineEdit>(d, box);
                e->setFocus();
                QTest::keyClicks(e, QStringLiteral("ab1"));
                EXPECT_EQ(e->text(), upper ? QStringLiteral("AB1") : QStringLiteral("ab1")) << box;
            }
            child<QPushButton>(d, "cmdCancel")->click();
            EXPECT_FALSE(d->isVisible());
        });
    }
    EXPECT_EQ(tree()->Count(), 0); // Cancel adds nothing
}

} // namespace
