// The designer's input helpers with typed keys, offscreen.
#include "tests/rulegen/rulegen_testutil.h"
#include "rulegen/designer/confirmclear.h"
#include "rulegen/designer/inputhelpers.h"
#include "platform/ui/beep.h"
#include "platform/ui/cursor.h"
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

namespace {

using namespace rt;

class Helpers : public rt::Test {
protected:
    QDialog dlg;
    QLineEdit* first = new QLineEdit(&dlg);
    QLineEdit* box = new QLineEdit(&dlg);
    QComboBox* list = new QComboBox(&dlg);
    QPushButton* ok = new QPushButton(QStringLiteral("OK"), &dlg);
    TxtEXPs helpers[3];
    int pressed = 0;

    void SetUp() override
    {
        rt::Test::SetUp();
        auto* v = new QVBoxLayout(&dlg);
        for (QWidget* w : std::initializer_list<QWidget*>{first, box, list, ok})
            v->addWidget(w);
        list->addItems({QStringLiteral("甲"), QStringLiteral("乙")});
        ok->setDefault(true);
        QObject::connect(ok, &QPushButton::clicked, [this] { ++pressed; });
        helpers[0].setControl(first);
        helpers[1].setControl(box);
        helpers[2].setControl(list);
        dlg.show();
        dlg.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
        box->setFocus();
    }
    QWidget* focus() const { return QApplication::focusWidget(); }
};

TEST_F(Helpers, EnterMovesOnFromAFilledBoxAndBeepsInAnEmptyOne)
{
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(focus(), box);
    EXPECT_EQ(ui::script::beeps(), 1);
    box->setText(QStringLiteral("   "));
    QTest::keyClick(box, Qt::Key_Enter);
    EXPECT_EQ(box->text(), QString()); // blanks trimmed first
    EXPECT_EQ(ui::script::beeps(), 2);
    box->setText(QStringLiteral(" ab "));
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(box->text(), QStringLiteral("ab"));
    EXPECT_EQ(focus(), list);
    EXPECT_EQ(ui::script::beeps(), 2);
    // a list moves on from its chosen text; Enter never presses the default button
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(focus(), ok);
    EXPECT_EQ(pressed, 0);
    // Shift+Enter acts normally: it stays, but Enter is still swallowed
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(focus(), box);
    EXPECT_EQ(pressed, 0);
}

TEST_F(Helpers, ArrowsLeaveOnlyFromTheEdgesWithNothingSelected)
{
    box->setText(QStringLiteral("ab"));
    box->setCursorPosition(1);
    QTest::keyClick(box, Qt::Key_Left);
    EXPECT_EQ(focus(), box);
    EXPECT_EQ(box->cursorPosition(), 0);
    QTest::keyClick(box, Qt::Key_Left);
    EXPECT_EQ(focus(), first);
    // entering selects everything; with a selection the arrows stay inside
    box->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(box->selectedText(), QStringLiteral("ab"));
    QTest::keyClick(box, Qt::Key_Right);
    EXPECT_EQ(focus(), box);
    QTest::keyClick(box, Qt::Key_Right);
    EXPECT_EQ(focus(), list);
    // a list without a line has no caret: the arrows are its own
    QTest::keyClick(list, Qt::Key_Left);
    QTest::keyClick(list, Qt::Key_Right);
    EXPECT_EQ(focus(), list);
    // Ctrl+Left is the box's own
    box->setFocus();
    box->setCursorPosition(0);
    QTest::keyClick(box, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(focus(), box);
    // without navigation keys nothing moves, but Enter is still swallowed
    helpers[1].setNavigateKeys(false);
    QTest::keyClick(box, Qt::Key_Left);
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(focus(), box);
    EXPECT_EQ(pressed, 0);
}

TEST_F(Helpers, TypedLettersAreCapitalsAndNumericBoxesTakeOnlyNumbers)
{
    QTest::keyClicks(box, QStringLiteral("ab1z"));
    EXPECT_EQ(box->text(), QStringLiteral("AB1Z"));
    box->clear();
    helpers[1].setUpperCase(false);
    QTest::keyClicks(box, QStringLiteral("ab"));
    EXPECT_EQ(box->text(), QStringLiteral("ab"));
    box->clear();
    helpers[1].setNumericOnly(true);
    QTest::keyClicks(box, QStringLiteral("1-a,.2.,x"));
    EXPECT_EQ(box->text(), QStringLiteral("1,.2.,"));
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(box->text(), QStringLiteral("1,.2."));
}

TEST_F(Helpers, LeavingTrimsAndFormatsWhenAsked)
{
    helpers[1].setTrimOnExit(true);
    box->setText(QStringLiteral("  x "));
    first->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(box->text(), QStringLiteral("x"));
    helpers[1].setTrimOnExit(false);
    helpers[1].setExitFormat(QStringLiteral("0.00"));
    box->setFocus();
    box->setText(QStringLiteral("3.5"));
    first->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(box->text(), QStringLiteral("3.50"));
}

TEST_F(Helpers, OnlyTextAndComboBoxesCanBeAttached)
{
    TxtEXPs h;
    QPushButton other;
    EXPECT_VBERROR(h.setControl(&other), vb::errTypeMismatch);
    EXPECT_EQ(h.Control(), nullptr);
    h.setControl(list);
    EXPECT_EQ(h.Control(), list);
    EXPECT_TRUE(h.UpperCase());
    EXPECT_TRUE(h.NavigateKeys());
    EXPECT_FALSE(h.NumericOnly());
}

TEST(FitDropWidth, WidensToTheWidestItemButNeverNarrowsAndStopsAtTheScreen)
{
    QComboBox c;
    c.resize(60, 20);
    EXPECT_EQ(FitDropWidth(&c), 0);
    c.addItems({QStringLiteral("a"), QStringLiteral("一个相当长的下拉项目文本")});
    const int needed = QFontMetrics(c.font()).boundingRect(c.itemText(1)).width() + 10;
    EXPECT_EQ(FitDropWidth(&c), needed);
    EXPECT_EQ(c.view()->minimumWidth(), needed);
    c.view()->setMinimumWidth(needed + 50);
    EXPECT_EQ(FitDropWidth(&c), 1);
    EXPECT_EQ(c.view()->minimumWidth(), needed + 50);
    QComboBox wide;
    wide.addItem(QString(2000, QLatin1Char('W')));
    const int limit = (wide.screen() ? wide.screen() : QGuiApplication::primaryScreen())->geometry().width() - 20;
    EXPECT_EQ(FitDropWidth(&wide), limit);
}

TEST(CursorModule, ConfinesToAControlsScreenRectangleAndReleases)
{
    QWidget w;
    w.resize(120, 40);
    ClipCursorToControl(&w); // not on screen: the pointer stays free
    EXPECT_TRUE(ui::cursorClip().isEmpty());
    w.show();
    ClipCursorToControl(&w);
    EXPECT_EQ(ui::cursorClip(), QRect(w.mapToGlobal(QPoint(0, 0)), QSize(120, 40)));
    ReleaseCursorClip();
    EXPECT_TRUE(ui::cursorClip().isEmpty());
    ClipCursorToRect(QRect(1, 2, 3, 4));
    EXPECT_EQ(ui::cursorClip(), QRect(1, 2, 3, 4));
    ReleaseCursorClip();
}

TEST_F(Helpers, ClearingRelationsAsksWithTheirNumberAndNoAsDefault)
{
    EXPECT_TRUE(confirmClearRelations(0));
    EXPECT_TRUE(ui::script::shown().isEmpty());
    EXPECT_FALSE(confirmClearRelations(12)); // unanswered: the default button, No
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("Sure to clean all relations?(12 relation(s) included.)"));
    ui::script::answer(ui::vbYes);
    EXPECT_TRUE(confirmClearRelations(3));
}

} // namespace
