// The add-band dialog, opened through the rule's ShowAddBandDialog as the designer opens it.
#include "tests/rulegen/rulegen_testutil.h"
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

using namespace rt;

class AddBand : public rt::RuleTest {
protected:
    com::ComPtr<IList> grp = r->UsrFields()->Add(QStringLiteral("Grp"), QStringLiteral("Group"));
    com::ComPtr<IList> yr = r->UsrFields()->Add(QStringLiteral("Yr"), QStringLiteral("Year"));

    // Opens the dialog on ref and position and drives it.
    void open(QString ref, qint32 position, const std::function<void(QDialog*)>& drive)
    {
        ModalDriver driver(drive);
        impl(r)->ShowAddBandDialog(ref, position);
        EXPECT_EQ(driver.shown, 1);
    }
    QStringList names()
    {
        QStringList n;
        for (const auto& b : r->NewEnum())
            n << b->Name();
        return n;
    }
};

void leave(QLineEdit* e)
{
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(e, &out);
}

void type(QDialog* d, const char* box, const QString& text)
{
    auto* e = child<QLineEdit>(d, box);
    e->setText(text);
    leave(e);
}

void choose(QDialog* d, const char* combo, int index) { child<QComboBox>(d, combo)->setCurrentIndex(index); }

void ok(QDialog* d) { child<QPushButton>(d, "cmdOK")->click(); }

TEST_F(AddBand, WithoutAReferenceOnlyAppendAndANewDialogShowsAFixedBand)
{
    r->Add(QStringLiteral("Head"), bsFixed, smNoneSwap, QStringLiteral("H"));
    open(QString(), 3, [&](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("New Band"));
        EXPECT_FALSE(child<QRadioButton>(d, "optPosition0")->isEnabled());
        EXPECT_FALSE(child<QRadioButton>(d, "optPosition1")->isEnabled());
        EXPECT_TRUE(child<QRadioButton>(d, "optPosition2")->isChecked());
        EXPECT_EQ(child<QGroupBox>(d, "famRefer")->title(), QStringLiteral("..<"));
        auto* style = child<QComboBox>(d, "cboStyle");
        EXPECT_EQ(style->currentIndex(), 0);
        EXPECT_EQ(style->itemText(4), QStringLiteral("4-Autoincreased Alphabet"));
        EXPECT_FALSE(child<QComboBox>(d, "cboBound")->isEnabled());
        auto* trigger = child<QComboBox>(d, "cboTrigerBand");
        EXPECT_FALSE(trigger->isEnabled());
        EXPECT_EQ(trigger->currentText(), QStringLiteral("(None)"));
        EXPECT_TRUE(child<QLineEdit>(d, "txtDefault")->isEnabled());
        EXPECT_FALSE(child<QLineEdit>(d, "txtLength")->isEnabled());
        // typed letters become capitals: the rule's codes are upper-cased
        QTest::keyClicks(child<QLineEdit>(d, "txtName"), QStringLiteral("tail"));
        EXPECT_EQ(child<QLineEdit>(d, "txtName")->text(), QStringLiteral("TAIL"));
        type(d, "txtDefault", QStringLiteral("T"));
        ok(d);
        // the dialog stays open for the next band
        type(d, "txtDefault", QStringLiteral("U"));
        child<QLineEdit>(d, "txtName")->setText(QStringLiteral("Tail2"));
        ok(d);
    });
    EXPECT_EQ(names(), (QStringList{"Head", "TAIL", "Tail2"}));
    EXPECT_EQ(r->Band(QStringLiteral("Tail2"))->Default(), QStringLiteral("U"));
    EXPECT_TRUE(ui::script::shown().isEmpty());
}

TEST_F(AddBand, AReferenceInOtherLetterCaseIsWrittenAsTheRuleWritesItAndAfterTwiceStacks)
{
    r->Add(QStringLiteral("Head"), bsFixed, smNoneSwap, QStringLiteral("H"));
    r->Add(QStringLiteral("Tail"), bsFixed, smNoneSwap, QStringLiteral("T"));
    open(QStringLiteral("HEAD"), 2, [&](QDialog* d) {
        EXPECT_EQ(child<QGroupBox>(d, "famRefer")->title(), QStringLiteral("Head<"));
        child<QRadioButton>(d, "optPosition0")->click();
        EXPECT_EQ(child<QGroupBox>(d, "famRefer")->title(), QStringLiteral(">Head"));
        child<QRadioButton>(d, "optPosition1")->click();
        for (const char* n : {"A", "B"}) {
            child<QLineEdit>(d, "txtName")->setText(QLatin1String(n));
            type(d, "txtDefault", QLatin1String(n));
            ok(d);
        }
    });
    EXPECT_EQ(names(), (QStringList{"Head", "B", "A", "Tail"}));
}

TEST_F(AddBand, TheSameNameTwiceIsRefusedWithTheDuplicateMessage)
{
    open(QString(), 3, [&](QDialog* d) {
        child<QLineEdit>(d, "txtName")->setText(QStringLiteral("Same"));
        type(d, "txtDefault", QStringLiteral("S"));
        ok(d);
        child<QLineEdit>(d, "txtName")->setText(QStringLiteral("SAME"));
        ok(d);
    });
    EXPECT_EQ(names(), QStringList{"Same"});
    EXPECT_EQ(prompts(), QStringList{msg(2019)});
    EXPECT_EQ(ui::iconOf(ui::script::last().style), ui::vbInformation);
}

TEST_F(AddBand, BadInputGetsTheRuleMessageAndAddsNothing)
{
    const struct {
        QString name;
        int style;
        QString detail; // after the blank line of 2003, empty for the plain message
    } cases[] = {
        {QStringLiteral("   "), 0, QStringLiteral("Name")},
        {QStringLiteral("a,b"), 0, QString()},
        {QStringLiteral("a;b"), 0, QString()},
        {QStringLiteral("a:b"), 0, QString()},
        {QStringLiteral("a=b"), 0, QString()},
        {QStringLiteral("NoDefault"), 0, QStringLiteral("Last Value")},
        {QStringLiteral("NoField"), 2, QStringLiteral("Field/Macro")},
    };
    for (const auto& c : cases) {
        ui::script::clear();
        open(QString(), 3, [&](QDialog* d) {
            choose(d, "cboStyle", c.style);
            if (c.detail != QStringLiteral("Last Value") && c.style == 0)
                type(d, "txtDefault", QStringLiteral("X"));
            child<QLineEdit>(d, "txtName")->setText(c.name);
            ok(d);
        });
        const QString expected = c.detail.isEmpty() ? msg(2003) : msg(2003) + QStringLiteral("\r\n\r\n") + c.detail;
        EXPECT_EQ(prompts(), QStringList{expected}) << c.name.toStdString();
        EXPECT_EQ(ui::iconOf(ui::script::last().style), ui::vbInformation);
        EXPECT_EQ(r->Count(), 0) << c.name.toStdString();
    }
}

TEST_F(AddBand, TheScratchBandNeverTouchesTheRule)
{
    r->Add(QStringLiteral("Head"), bsFixed, smNoneSwap, QStringLiteral("H"));
    r->Add(QStringLiteral("Lay"), bsUsrField, smLayersSwap, QString(), grp.get(), 1);
    r->Relations()->Add(QVariant(), tvwNext, QStringLiteral("1"), QStringLiteral("one"));
    auto listed = [](const com::ComPtr<ILists>& l) {
        QStringList n;
        for (const auto& i : l->NewEnum())
            n << i->Name();
        return n;
    };
    const QString definition = r->Definition();
    const QStringList layers = listed(r->LayeredBands()), used = listed(r->UsedFields());
    open(QStringLiteral("Head"), 1, [&](QDialog* d) {
        child<QLineEdit>(d, "txtName")->setText(QStringLiteral("Scratch"));
        for (int style = 0; style < 5; ++style) {
            choose(d, "cboStyle", style);
            choose(d, "cboBound", 1);
            for (int swap = 0; swap < 3; ++swap)
                choose(d, "cboSwapMode", swap);
            for (int incr = 0; incr < 3; ++incr)
                choose(d, "cboIncrMode", incr);
            choose(d, "cboTrigerBand", 1);
            type(d, "txtLength", QStringLiteral("3"));
            type(d, "txtDefault", QStringLiteral("7"));
        }
        child<QPushButton>(d, "cmdCancel")->click();
    });
    EXPECT_EQ(r->Definition(), definition);
    EXPECT_EQ(listed(r->LayeredBands()), layers);
    EXPECT_EQ(listed(r->UsedFields()), used);
    EXPECT_EQ(r->Relations()->Count(), 1);
    EXPECT_TRUE(ui::script::shown().isEmpty());
}

TEST_F(AddBand, ControlsFollowTheStyleAndShowWhatTheBandAccepted)
{
    r->Add(QStringLiteral("Head"), bsFixed, smNoneSwap, QStringLiteral("H"));
    open(QStringLiteral("Head"), 2, [&](QDialog* d) {
        auto* bound = child<QComboBox>(d, "cboBound");
        choose(d, "cboStyle", 2);
        EXPECT_TRUE(bound->isEnabled());
        EXPECT_EQ(bound->count(), 2);
        EXPECT_EQ(bound->itemText(0), QStringLiteral("Group"));
        EXPECT_EQ(bound->itemText(1), QStringLiteral("Year"));
        EXPECT_EQ(bound->currentIndex(), -1);
        choose(d, "cboStyle", 0);
        EXPECT_FALSE(bound->isEnabled());

        choose(d, "cboStyle", 3);
        EXPECT_EQ(child<QComboBox>(d, "cboIncrMode")->currentIndex(), int(imIncrAuto)); // numbers at once
        auto* length = child<QLineEdit>(d, "txtLength");
        EXPECT_TRUE(length->isEnabled());
        type(d, "txtLength", QStringLiteral("0"));
        EXPECT_EQ(length->text(), QStringLiteral("1"));
        type(d, "txtLength", QStringLiteral("4"));
        EXPECT_EQ(length->text(), QStringLiteral("4"));
        // a triggered counter: its trigger band and increment mode go onto the new band
        choose(d, "cboIncrMode", 2);
        auto* trigger = child<QComboBox>(d, "cboTrigerBand");
        EXPECT_TRUE(trigger->isEnabled());
        EXPECT_EQ(trigger->currentIndex(), 0);
        choose(d, "cboTrigerBand", 1);
        EXPECT_EQ(trigger->currentText(), QStringLiteral("Head"));
        child<QLineEdit>(d, "txtName")->setText(QStringLiteral("No"));
        ok(d);
        // the next band, a field, takes no trigger along
        choose(d, "cboStyle", 2);
        EXPECT_FALSE(trigger->isEnabled());
        choose(d, "cboBound", 0);
        child<QLineEdit>(d, "txtName")->setText(QStringLiteral("G"));
        ok(d);
    });
    EXPECT_TRUE(ui::script::shown().isEmpty()) << ui::script::last().prompt.toStdString();
    ASSERT_EQ(names(), (QStringList{"Head", "G", "No"}));
    EXPECT_FALSE(r->Band(QStringLiteral("G"))->TrigerBand());
    com::ComPtr<IBand> b = r->Band(QStringLiteral("No"));
    EXPECT_EQ(b->Style(), bsIncreaseNumber);
    EXPECT_EQ(b->Length(), 4);
    EXPECT_EQ(b->IncrMode(), imTrigered);
    ASSERT_TRUE(b->TrigerBand());
    EXPECT_EQ(b->TrigerBand()->Name(), QStringLiteral("Head"));
}

TEST_F(AddBand, ANewLayerAsksBeforeTheRelationsAreCleared)
{
    r->Add(QStringLiteral("L1"), bsUsrField, smLayersSwap, QString(), grp.get(), 1);
    com::ComPtr<ICNodes> tree = r->Relations();
    tree->Add(QVariant(), tvwNext, QStringLiteral("1"), QStringLiteral("one"));
    tree->Add(QVariant(), tvwNext, QStringLiteral("2"), QStringLiteral("two"));
    QString question = msg(2025);
    question.replace(QLatin1Char('*'), QStringLiteral("2"));
    auto layered = [&](QDialog* d, const char* name) {
        child<QLineEdit>(d, "txtName")->setText(QLatin1String(name));
        choose(d, "cboStyle", 2);
        choose(d, "cboBound", 1);
        choose(d, "cboSwapMode", 2);
        ok(d);
    };
    open(QStringLiteral("L1"), 2, [&](QDialog* d) {
        ui::script::answer(ui::vbNo);
        layered(d, "L2");
        EXPECT_EQ(names(), QStringList{"L1"});
        EXPECT_EQ(tree->Count(), 2);
        ui::script::answer(ui::vbYes);
        layered(d, "L2");
        EXPECT_EQ(names(), (QStringList{"L1", "L2"}));
        EXPECT_EQ(tree->Count(), 0);
        // an empty tree: nothing to ask
        layered(d, "L3");
    });
    EXPECT_EQ(names(), (QStringList{"L1", "L3", "L2"}));
    EXPECT_EQ(r->LayeredBands()->Count(), 3);
    const auto boxes = ui::script::shown();
    ASSERT_EQ(boxes.size(), 3);
    EXPECT_EQ(boxes[0].prompt, question);
    EXPECT_EQ(boxes[0].style, ui::vbYesNo | ui::vbQuestion | ui::vbDefaultButton2);
    EXPECT_EQ(boxes[1].prompt, question);
    EXPECT_EQ(boxes[2].prompt, msg(2021));
}

TEST_F(AddBand, APositionOutsideTheCodesIsShownAndTheDialogOpensAllTheSame)
{
    open(QString(), 7, [&](QDialog* d) {
        for (const char* o : {"optPosition0", "optPosition1", "optPosition2"})
            EXPECT_FALSE(child<QRadioButton>(d, o)->isChecked());
    });
    EXPECT_EQ(prompts(), QStringList{msg(2003)});
    EXPECT_EQ(ui::iconOf(ui::script::last().style), ui::vbExclamation);
}

} // namespace
