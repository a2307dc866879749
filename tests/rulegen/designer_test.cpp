// The designer window, offscreen, on a real rule: strip, property frame, commands, closing.
#include "tests/rulegen/rulegen_testutil.h"
#include "rulegen/designer/frmdesigners.h"
#include "rulegen/designer/windows.h"
#include "rulegen/engine/strings.h"
#include "platform/ui/beep.h"
#include "platform/ui/cursor.h"
#include "platform/ui/popupmenu.h"
#include "shared/com/create.h"
#include "shared/forms/forms.h"
#include "tests/common/testutil.h"
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>
#include <memory>
#include <optional>

namespace {

using namespace rt;

void mouse(QWidget* w, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPoint pos)
{
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

QStringList bandNames(ICodeClass* r)
{
    QStringList names;
    for (const auto& b : r->NewEnum())
        names << b->Name();
    return names;
}

class Designer : public RuleTest {
protected:
    RuleRecorder host{r};
    std::unique_ptr<frmDesigners> w;
    com::ComPtr<IList> field, macro;

    void SetUp() override
    {
        RuleTest::SetUp();
        field = r->UsrFields()->Add(QStringLiteral("F"), QStringLiteral("类别"));
        r->UsrFields()->Add(QStringLiteral("G"), QStringLiteral("组别"));
        macro = r->UsrMacros()->Add(QStringLiteral("M"));
    }
    void TearDown() override
    {
        ui::script::answer(ui::vbNo); // whatever the test left is not saved on unload
        w.reset();
    }
    // Bands of every style; the field band converts through its own table of two relations.
    void fiveStyles()
    {
        r->Add(QStringLiteral("Fix"), bsFixed, smNoneSwap, QStringLiteral("AB"));
        r->Add(QStringLiteral("Mac"), bsUsrMacro, smNoneSwap, QString(), macro.get(), 2);
        com::ComPtr<IBand> f = r->Add(QStringLiteral("Fld"), bsUsrField, smSimpleSwap, QString(), field.get(), 1);
        f->Relations()->Add(QVariant(), tvwNext, QStringLiteral("A"), QStringLiteral("仪器"));
        f->Relations()->Add(QVariant(), tvwNext, QStringLiteral("B"), QStringLiteral("工具"));
        r->Add(QStringLiteral("Num"), bsIncreaseNumber, smNoneSwap, QString(), nullptr, 3);
        r->Add(QStringLiteral("Let"), bsIncreaseAlpha);
    }
    void open(bool active = false)
    {
        w = std::make_unique<frmDesigners>();
        forms::LoadResStrings(w.get(), strings(), true);
        w->LoadBands(impl(r), QVariant(), QString());
        if (active) {
            w->show();
            w->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
        }
    }
    void select(int i)
    {
        w->picBand_GotFocus(i);
        ASSERT_EQ(w->currentBand(), i);
    }
    // Drags box i so that the drag image's left edge ends at moveLeft (strip coordinates).
    void drag(int i, int moveLeft, Qt::MouseButton button = Qt::LeftButton)
    {
        BandBox* b = w->picBand[i];
        const QPoint grab(5, 5);
        mouse(b, QEvent::MouseButtonPress, button, button, grab);
        mouse(b, QEvent::MouseMove, Qt::NoButton, button, QPoint(moveLeft + grab.x() - b->x(), 5));
        mouse(b, QEvent::MouseButtonRelease, button, Qt::NoButton, QPoint(moveLeft + grab.x() - b->x(), 5));
    }
    // The user leaving a text box for the current band's box.
    void leave(QLineEdit* box, const QString& text)
    {
        box->setFocus(Qt::MouseFocusReason);
        box->setText(text);
        w->picBand[w->currentBand()]->setFocus(Qt::MouseFocusReason);
    }
};

// ---------------------------------------------------------------- entry and closing

struct Captured {
    std::function<void(QDialog*)> onShow;
    Captured() { setModalHook([this](QDialog* d) { if (onShow) onShow(d); }); }
    ~Captured() { setModalHook(nullptr); }
};

TEST_F(Designer, ShowDesignerOnARuleMadeByClassIdentifierEditsTheLiveRuleAndSavesThroughTheHost)
{
    testutil::ProgramFolder folder;
    folder.registerComponents();
    com::ComPtr<ICodeClass> rule = com::createObject<ICodeClass>(CLSID_CodeClass);
    RuleRecorder h(rule);
    rule->Add(QStringLiteral("Head"), bsFixed, smNoneSwap, QStringLiteral("SB"));
    h.stored = rule->Definition();
    Captured shown;
    QString name, title;
    bool advanced = true;
    shown.onShow = [&](QDialog* d) {
        name = d->objectName();
        title = d->windowTitle();
        advanced = d->findChild<QPushButton*>(QStringLiteral("cmdAdvanced"))->isEnabled();
        d->findChild<QPushButton*>(QStringLiteral("cmdClose"))->click();
    };
    rule->ShowDesigner(QStringLiteral("设备编码设计"), false);
    EXPECT_EQ(name, QStringLiteral("frmDesigners"));
    EXPECT_EQ(title, QStringLiteral("设备编码设计"));
    EXPECT_FALSE(advanced);
    EXPECT_TRUE(ui::script::shown().isEmpty()); // unchanged: nothing asked
    // the closing offers a changed rule once; Yes hands the text to the host
    h.stored = QStringLiteral("#####2\r0");
    ui::script::answer(ui::vbYes);
    shown.onShow = [&](QDialog* d) {
        rule->UsrFields()->Add(QStringLiteral("New"));
        QTest::keyClick(d, Qt::Key_Escape);
    };
    rule->ShowDesigner(QString(), true);
    ASSERT_EQ(ui::script::shown().size(), 1);
    // the library loaded by class identifier speaks its system-default language
    EXPECT_EQ(ui::script::shown()[0].prompt, QStringLiteral("确实要保存所做修改吗?"));
    EXPECT_EQ(h.stored, rule->Definition());
    EXPECT_TRUE(h.stored.contains(QStringLiteral("New")));
}

TEST_F(Designer, ClosingAsksOnlyForChangesAndNoPutsTheStoredRuleBack)
{
    fiveStyles();
    host.stored = r->Definition();
    open();
    w->findChild<QPushButton*>(QStringLiteral("cmdClose"))->click();
    EXPECT_TRUE(ui::script::shown().isEmpty());

    // No: fields, bands, relations and options come back as stored
    open(true);
    const QString stored = host.stored;
    select(2);
    r->UsrFields()->Add(QStringLiteral("Extra"));
    r->setCodeUCased(false);
    r->Band(3)->Relations()->Cls();
    r->Remove(QStringLiteral("Let"));
    ui::script::answer(ui::vbNo);
    w->close(); // the close box
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(r->Definition(), stored);
    EXPECT_EQ(r->UsrFields()->Count(), 2);
    EXPECT_EQ(r->Band(3)->Relations()->Count(), 2);
    // the window let go of the rule: the rule's events reach nobody dead
    w.reset();
    r->Add(QStringLiteral("After"), bsFixed, smNoneSwap, QStringLiteral("X"));
}

TEST_F(Designer, WithoutAStoredRuleNoGoesBackToTheRuleAsOpenedAndSaveMovesThatPoint)
{
    r->Add(QStringLiteral("Fix"), bsFixed, smNoneSwap, QStringLiteral("AB"));
    host.achieve = false;
    open();
    const QString opened = r->Definition();
    r->Add(QStringLiteral("Two"), bsFixed, smNoneSwap, QStringLiteral("C"));
    // cmdSave, No: the edits stay
    ui::script::answer(ui::vbNo);
    w->cmdSave->click();
    EXPECT_EQ(r->Count(), 2);
    // cmdSave, Yes, the host fails: 2005 with the exclamation icon
    ui::script::clear();
    ui::script::answer(ui::vbYes);
    w->cmdSave->click();
    ASSERT_EQ(ui::script::shown().size(), 2);
    EXPECT_EQ(ui::script::shown()[1].prompt, QStringLiteral("Save failure."));
    EXPECT_EQ(ui::iconOf(ui::script::shown()[1].style), ui::vbExclamation);
    // closing, No: the rule as opened
    ui::script::answer(ui::vbNo);
    w->reject();
    EXPECT_EQ(r->Definition(), opened);

    // a save made here becomes the point to go back to
    host.achieve = true;
    open();
    r->Add(QStringLiteral("Two"), bsFixed, smNoneSwap, QStringLiteral("C"));
    ui::script::answer(ui::vbYes);
    w->cmdSave->click();
    const QString saved = r->Definition();
    host.stored.clear(); // the host forgets it
    r->Add(QStringLiteral("Three"), bsFixed, smNoneSwap, QStringLiteral("D"));
    ui::script::answer(ui::vbNo);
    w->reject();
    EXPECT_EQ(r->Definition(), saved);
}

TEST_F(Designer, AFailedSaveOnCloseIsShownAndTheWindowStillCloses)
{
    r->Add(QStringLiteral("Fix"), bsFixed, smNoneSwap, QStringLiteral("AB"));
    host.achieve = false;
    open(true);
    ui::script::answer(ui::vbYes);
    w->cmdClose->click();
    EXPECT_FALSE(w->isVisible());
    ASSERT_EQ(ui::script::shown().size(), 2);
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("Save failure."));
    EXPECT_EQ(ui::iconOf(ui::script::last().style), ui::vbExclamation);
    // the steps ran once: destroying the window asks nothing more
    w.reset();
    EXPECT_EQ(ui::script::shown().size(), 2);
}

// ---------------------------------------------------------------- property frame

TEST_F(Designer, EachStyleEnablesTheEditorsItsBandTakesAndFillingChangesNothing)
{
    fiveStyles();
    open();
    const QString before = r->Definition();
    struct Row {
        int band;
        bool swap, def, format, length, bound, incr, begin, end, trigger, tracks, tree;
    };
    const Row rows[] = {
        {0, false, true, false, false, false, false, false, false, false, false, false},
        {1, true, false, true, true, true, false, false, false, false, false, false},
        {2, true, false, true, true, true, false, false, false, false, false, true},
        {3, false, true, true, true, false, true, true, true, false, true, false},
        {4, false, true, false, false, false, true, true, true, false, true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.band);
        select(row.band);
        EXPECT_FALSE(w->txtName->isEnabled());
        EXPECT_FALSE(w->cboStyle->isEnabled());
        EXPECT_EQ(w->cboStyle->currentIndex(), r->Band(row.band + 1)->Style());
        EXPECT_EQ(w->txtName->text(), r->Band(row.band + 1)->Name());
        EXPECT_EQ(w->cboSwapMode->isEnabled(), row.swap);
        EXPECT_EQ(w->txtDefault->isEnabled(), row.def);
        EXPECT_EQ(w->txtFormat->isEnabled(), row.format);
        EXPECT_EQ(w->txtLength->isEnabled(), row.length);
        EXPECT_EQ(w->cboBound->isEnabled(), row.bound);
        EXPECT_EQ(w->cmdAppend->isEnabled(), true);
        EXPECT_EQ(w->cboIncrMode->isEnabled(), row.incr);
        EXPECT_EQ(w->txtRange[0]->isEnabled(), row.begin);
        EXPECT_EQ(w->vscRange[1]->isEnabled(), row.end);
        EXPECT_EQ(w->cboTrigerBand->isEnabled(), row.trigger);
        EXPECT_EQ(w->lstTracks->isEnabled(), row.tracks);
        EXPECT_EQ(w->tvwAvailable->isEnabled(), row.tree);
        EXPECT_EQ(bool(w->fraRelations->cRelations()), row.tree);
        w->ShowBandInfo();
    }
    EXPECT_EQ(r->Definition(), before);
    EXPECT_EQ(r->Band(3)->Relations()->Count(), 2);

    // the bound list shows display names; the trigger list opens with triggered increase
    select(2);
    EXPECT_EQ(w->cboBound->count(), 2);
    EXPECT_EQ(w->cboBound->currentText(), QStringLiteral("类别"));
    select(3);
    w->cboIncrMode->activated(0);
    EXPECT_EQ(r->Band(4)->IncrMode(), imNever);
    EXPECT_TRUE(w->txtRange[0]->isEnabled());
    EXPECT_FALSE(w->txtRange[1]->isEnabled()); // no range end while the mode is "(无)"
    w->cboIncrMode->activated(2);
    EXPECT_TRUE(w->cboTrigerBand->isEnabled());
    EXPECT_EQ(w->cboTrigerBand->currentText(), QStringLiteral("(None)"));
    EXPECT_EQ(r->Definition().contains(QStringLiteral("10=")), false);

    // a band that may not be modified: everything off
    r->Band(3)->setAllowModified(false);
    r->setAllowFieldManage(true);
    select(2);
    for (QWidget* c : std::initializer_list<QWidget*>{w->cboSwapMode, w->txtFormat, w->txtLength, w->cboBound,
                                                       w->cmdAppend, w->cmdDrop, w->tvwAvailable, w->cmdAdd})
        EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
}

TEST_F(Designer, ReadingABandsPropertiesOrNumberingCreatesNothing)
{
    r->Add(QStringLiteral("Fix"), bsFixed, smNoneSwap, QStringLiteral("AB"));
    com::ComPtr<IBand> f = r->Add(QStringLiteral("Fld"), bsUsrField, smSimpleSwap, QString(), field.get(), 1);
    f->Relations()->Add(QVariant(), tvwNext, QStringLiteral("A"), QStringLiteral("仪器"));
    com::ComPtr<IBand> n = r->Add(QStringLiteral("Num"), bsIncreaseNumber, smNoneSwap, QString(), nullptr, 3);
    n->setIncrMode(imTrigered);
    n->TrackBands()->Add(QStringLiteral("Fix"));
    n->setFormate(QStringLiteral("000"));
    com::ComPtr<IList> g = r->UsrFields()->Item(QStringLiteral("G"));
    r->Add(QStringLiteral("Loose"), bsUsrField, smNoneSwap, QString(), g.get(), 2);
    // the list text carries the fields' values: the host's are those of the stored text
    field->setValue(QStringLiteral("仪器"));
    g->setValue(QStringLiteral("07"));
    host.stored = r->Definition();
    ASSERT_TRUE(n->TrigerBand());
    EXPECT_EQ(n->TrigerBand()->Name(), QString());
    com::ComPtr<IBand> unbound = com::createObject<IBand>(CLSID_Band);
    unbound->setStyle(bsUsrMacro);
    EXPECT_EQ(unbound->DataField()->Name(), QString());
    EXPECT_FALSE(static_cast<BandImpl*>(unbound.get())->heldDataField());
    EXPECT_FALSE(r->Band(1)->Relations());
    EXPECT_EQ(r->GetCode(gsNewCode), QStringLiteral("ABA00107"));
    EXPECT_EQ(r->Definition(), host.stored);
    // so closing the designer afterwards asks nothing
    open();
    w->reject();
    EXPECT_TRUE(ui::script::shown().isEmpty());
}

TEST_F(Designer, BadInputIsRefusedAndTheStoredValueShownAgain)
{
    fiveStyles();
    open(true);
    select(3); // Num, length 3
    const struct {
        const char* typed;
        int length;
    } lengths[] = {{"abc", 3}, {"0", 3}, {"3.5", 4}, {"2.5", 2}};
    for (const auto& c : lengths) {
        SCOPED_TRACE(c.typed);
        leave(w->txtLength, QString::fromUtf8(c.typed));
        EXPECT_EQ(r->Band(4)->Length(), c.length);
        EXPECT_EQ(w->txtLength->text(), QString::number(c.length));
    }
    // a message box or menu taking the focus is no leaving: nothing is written
    w->txtLength->setText(QStringLiteral("7"));
    for (Qt::FocusReason reason : {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason}) {
        QFocusEvent out(QEvent::FocusOut, reason);
        QApplication::sendEvent(w->txtLength, &out);
    }
    EXPECT_EQ(r->Band(4)->Length(), 2);
    w->txtLength->setText(QStringLiteral("2"));
    leave(w->txtDefault, QStringLiteral("x"));
    EXPECT_EQ(r->Band(4)->Default(), QString());
    EXPECT_EQ(w->txtDefault->text(), QString());
    leave(w->txtDefault, QStringLiteral("12"));
    EXPECT_EQ(r->Band(4)->Default(), QStringLiteral("12"));
    leave(w->txtRange[1], QStringLiteral("zz"));
    EXPECT_EQ(w->txtRange[1]->text(), r->Band(4)->InitEnd());
    EXPECT_TRUE(ui::script::shown().isEmpty());

    // spin buttons: empty begin and up gives "1"; a refused value beeps
    w->cboIncrMode->activated(imNever);
    ASSERT_EQ(w->txtRange[0]->text(), QString());
    w->vscRange[0]->setValue(49);
    EXPECT_EQ(r->Band(4)->InitStart(), QStringLiteral("1"));
    EXPECT_EQ(w->vscRange[0]->value(), 50);
    w->vscRange[0]->setValue(49);
    EXPECT_EQ(r->Band(4)->InitStart(), QStringLiteral("2"));
    EXPECT_EQ(ui::script::beeps(), 0);
    select(4); // Let, length 1
    w->txtRange[0]->setText(QStringLiteral("Z"));
    w->vscRange[0]->setValue(49); // past "Z"
    EXPECT_EQ(ui::script::beeps(), 1);
    EXPECT_EQ(r->Band(5)->InitStart(), QStringLiteral("Z"));
    EXPECT_EQ(w->txtRange[0]->text(), QStringLiteral("Z"));
    w->vscRange[0]->setValue(51);
    EXPECT_EQ(r->Band(5)->InitStart(), QStringLiteral("Y"));

    // tracking itself is unchecked again without a word; another band stays tracked
    QListWidgetItem* self = w->lstTracks->findItems(QStringLiteral("Let"), Qt::MatchExactly).value(0);
    ASSERT_TRUE(self);
    self->setCheckState(Qt::Checked);
    EXPECT_EQ(self->checkState(), Qt::Unchecked);
    QListWidgetItem* other = w->lstTracks->findItems(QStringLiteral("Fix"), Qt::MatchExactly).value(0);
    other->setCheckState(Qt::Checked);
    EXPECT_EQ(r->Band(5)->TrackBands()->Count(), 1);
    EXPECT_TRUE(ui::script::shown().isEmpty());
}

TEST_F(Designer, ASwapModeChangeThatClearsRelationsAsksFirstAndNoChangesNothing)
{
    fiveStyles();
    open();
    select(2);
    const QString before = r->Definition();
    ui::script::answer(ui::vbNo);
    w->cboSwapMode->activated(smNoneSwap);
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("Sure to clean all relations?(2 relation(s) included.)"));
    EXPECT_EQ(ui::script::last().style, ui::vbYesNo | ui::vbQuestion | ui::vbDefaultButton2);
    EXPECT_EQ(r->Definition(), before);
    EXPECT_EQ(w->cboSwapMode->currentIndex(), smSimpleSwap);
    ui::script::answer(ui::vbYes);
    w->cboSwapMode->activated(smLayersSwap);
    EXPECT_EQ(r->Band(3)->SwapMode(), smLayersSwap);
    EXPECT_EQ(r->LayeredBands()->Count(), 1);
    // nothing to clear: nothing asked
    ui::script::clear();
    select(1);
    w->cboSwapMode->activated(smSimpleSwap);
    EXPECT_EQ(r->Band(2)->SwapMode(), smSimpleSwap);
    EXPECT_TRUE(ui::script::shown().isEmpty());
}

// ---------------------------------------------------------------- strip

TEST_F(Designer, DraggingMovesABandToTheSlotTheMarkerShows)
{
    for (const char* n : {"A", "B", "C"})
        r->Add(QString::fromLatin1(n), bsFixed, smNoneSwap, QStringLiteral("X"));
    open(true);
    EXPECT_EQ(w->visibleBoxes(), 3);
    BandBox* a = w->picBand[0];
    const int before2 = w->picBand[2]->x();
    // while dragging, the marker stands where the band would go
    mouse(a, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, QPoint(5, 5));
    EXPECT_TRUE(w->dragging());
    EXPECT_TRUE(w->picMove->isVisibleTo(w->picBkg));
    EXPECT_FALSE(w->imgPos->isVisibleTo(w->picBkg)); // over its own place
    EXPECT_EQ(ui::cursorClip().size(), w->picBkg->size());
    mouse(a, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, QPoint(before2 + 5 - a->x(), 5));
    EXPECT_TRUE(w->imgPos->isVisibleTo(w->picBkg));
    EXPECT_EQ(w->dropSlot(w->picMove->x()), 2);
    mouse(a, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, QPoint(before2 + 5 - a->x(), 5));
    EXPECT_EQ(bandNames(r.get()), (QStringList{"B", "A", "C"}));
    EXPECT_FALSE(w->dragging());
    EXPECT_TRUE(ui::cursorClip().isEmpty());
    EXPECT_EQ(w->picBand[1]->y(), w->picBand[0]->y());
    // past the last box
    select(0);
    drag(0, w->picBkg->width());
    EXPECT_EQ(bandNames(r.get()), (QStringList{"A", "C", "B"}));
    // onto its own place, and just after it: silent
    select(1);
    drag(1, w->picBand[1]->x());
    drag(1, w->picBand[2]->x());
    EXPECT_EQ(bandNames(r.get()), (QStringList{"A", "C", "B"}));
    EXPECT_TRUE(ui::script::shown().isEmpty());
    // the right button moves nothing (its pop-up is dismissed)
    drag(0, w->picBkg->width(), Qt::RightButton);
    EXPECT_EQ(bandNames(r.get()), (QStringList{"A", "C", "B"}));
    EXPECT_EQ(w->currentBand(), 0);
    EXPECT_FALSE(w->dragging());
    EXPECT_EQ(w->boxPoolSize(), 3);
}

TEST_F(Designer, ThePopUpRemovesAndClearsFromInsideABoxsOwnHandler)
{
    for (const char* n : {"A", "B", "C"})
        r->Add(QString::fromLatin1(n), bsFixed, smNoneSwap, QStringLiteral("X"));
    open();
    BandBox* b = w->picBand[1];
    ui::script::answer(ui::vbYes);
    ui::script::answerMenu(QStringLiteral("mnuBandRemove"));
    mouse(b, QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, QPoint(5, 5));
    mouse(b, QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton, QPoint(5, 5));
    EXPECT_EQ(bandNames(r.get()), (QStringList{"A", "C"}));
    EXPECT_EQ(ui::script::shown()[0].prompt, QStringLiteral("Are you sure to delete the following Band?\r\n\r\n[B]"));
    EXPECT_EQ(w->boxPoolSize(), 3); // hidden and kept, never deleted
    EXPECT_EQ(w->visibleBoxes(), 2);
    EXPECT_EQ(w->currentBand(), 1);
    EXPECT_EQ(w->txtName->text(), QStringLiteral("C"));

    ui::script::answer(ui::vbYes);
    ui::script::answerMenu(QStringLiteral("mnuBandRemoveAll"));
    mouse(w->picBand[0], QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, QPoint(5, 5));
    EXPECT_EQ(r->Count(), 0);
    EXPECT_EQ(w->visibleBoxes(), 0);
    EXPECT_FALSE(w->txtDefault->isEnabled());
    EXPECT_EQ(w->txtName->text(), QString());
}

TEST_F(Designer, RemovingFollowsAllowDropBandAndAllowDropedEverywhere)
{
    for (const char* n : {"A", "B"})
        r->Add(QString::fromLatin1(n), bsFixed, smNoneSwap, QStringLiteral("X"));
    open();
    auto menuState = [&] {
        ui::script::answerMenu(QString());
        mouse(w->picBand[w->currentBand()], QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, QPoint(5, 5));
        return ui::script::menusShown().last().enabled;
    };
    auto releaseImage = [&](int i) {
        mouse(w->imgButton[i], QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, QPoint(2, 2));
    };
    r->setAllowDropBand(false);
    w->ShowBandInfo();
    EXPECT_EQ(w->imgButton[1]->cursor().shape(), Qt::ForbiddenCursor);
    auto state = menuState();
    EXPECT_FALSE(state.value(QStringLiteral("mnuBandRemove")));
    EXPECT_FALSE(state.value(QStringLiteral("mnuBandRemoveAll")));
    EXPECT_TRUE(state.value(QStringLiteral("mnuSubBandAdd2")));
    releaseImage(1);
    ui::script::answerMenu(QStringLiteral("mnuBandRemoveAll"));
    mouse(w->picBand[0], QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, QPoint(5, 5));
    EXPECT_EQ(r->Count(), 2);
    EXPECT_TRUE(ui::script::shown().isEmpty());

    r->setAllowDropBand(true);
    r->Band(1)->setAllowDroped(false);
    select(0);
    w->ShowBandInfo();
    state = menuState();
    EXPECT_FALSE(state.value(QStringLiteral("mnuBandRemove")));
    EXPECT_FALSE(state.value(QStringLiteral("mnuBandRemoveAll")));
    releaseImage(1);
    EXPECT_EQ(r->Count(), 2);
    select(1);
    EXPECT_TRUE(menuState().value(QStringLiteral("mnuBandRemove")));
    ui::script::answer(ui::vbYes);
    releaseImage(1); // the delete image
    EXPECT_EQ(bandNames(r.get()), QStringList{"A"});
    // adding while not allowed does nothing; allowed opens the dialog with the append code
    r->setAllowAddBand(false);
    std::optional<int> opened;
    setModalHook([&](QDialog*) { opened = 1; });
    releaseImage(0);
    EXPECT_FALSE(opened);
    r->setAllowAddBand(true);
    releaseImage(0);
    EXPECT_TRUE(opened);
    setModalHook(nullptr);
}

TEST_F(Designer, RemovingABandWithRelationsAsksFirstAndNoKeepsAll)
{
    fiveStyles();
    open();
    select(2);
    const QString before = r->Definition();
    ui::script::answer(ui::vbYes);
    ui::script::answer(ui::vbNo);
    ui::script::answerMenu(QStringLiteral("mnuBandRemove"));
    mouse(w->picBand[2], QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, QPoint(5, 5));
    ASSERT_EQ(ui::script::shown().size(), 2);
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("Sure to clean all relations?(2 relation(s) included.)"));
    EXPECT_EQ(r->Definition(), before);
    // remove-all asks the same before it clears them
    ui::script::clear();
    ui::script::answer(ui::vbYes);
    ui::script::answer(ui::vbNo);
    ui::script::answerMenu(QStringLiteral("mnuBandRemoveAll"));
    mouse(w->picBand[0], QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, QPoint(5, 5));
    EXPECT_EQ(ui::script::shown().size(), 2);
    EXPECT_EQ(r->Definition(), before);
}

TEST_F(Designer, ARuleWithoutBandsShowsAnEmptyDisabledFrame)
{
    open();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Designer"));
    EXPECT_EQ(w->visibleBoxes(), 0);
    EXPECT_FALSE(w->txtDefault->isEnabled());
    EXPECT_FALSE(w->tvwAvailable->isEnabled());
    EXPECT_EQ(w->imgButton[0]->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(w->imgButton[1]->cursor().shape(), Qt::ForbiddenCursor);
    EXPECT_EQ(w->lblInfo[0]->text(), QStringLiteral("Name:"));
    EXPECT_EQ(w->cboStyle->itemText(4), QStringLiteral("4-Autoincreased Alphabet"));
    EXPECT_TRUE(ui::script::shown().isEmpty());
    // a window without a rule says so and stays empty
    frmDesigners empty;
    empty.LoadBands(nullptr);
    EXPECT_EQ(ui::script::last().prompt, vb::Error::runtimeText(vb::errObjectNotSet));
    // many bands: the strip scrolls
    for (int i = 0; i < 40; ++i)
        r->Add(QStringLiteral("B%1").arg(i), bsFixed, smNoneSwap, QStringLiteral("X"));
    EXPECT_GT(w->picBkg->width(), w->sclStrip->viewport()->width());
}

} // namespace
