// The scripted pop-up menu, beep and modal services.
#include <gtest/gtest.h>
#include "platform/core/msgbox.h"
#include "platform/ui/beep.h"
#include "platform/ui/modal.h"
#include "platform/ui/popupmenu.h"
#include <QAction>
#include <QDialog>
#include <QMenu>

namespace {

struct Menu {
    QMenu menu;
    QMenu* sub = menu.addMenu(QStringLiteral("Add"));
    QAction* before = sub->addAction(QStringLiteral("Before"));
    QAction* remove = menu.addAction(QStringLiteral("Remove"));
    QStringList triggered;
    Menu()
    {
        menu.setObjectName(QStringLiteral("mnuBand"));
        sub->menuAction()->setObjectName(QStringLiteral("mnuAdd"));
        before->setObjectName(QStringLiteral("mnuBefore"));
        remove->setObjectName(QStringLiteral("mnuRemove"));
        for (QAction* a : {before, remove})
            QObject::connect(a, &QAction::triggered, [this, a] { triggered << a->objectName(); });
    }
};

TEST(PopupMenu, AScriptedChoiceTriggersReachableEntriesOnlyAndIsRecorded)
{
    ui::script::clear();
    Menu m;
    m.remove->setEnabled(false);
    ui::script::answerMenu(QStringLiteral("mnuBefore")); // in a submenu
    ui::script::answerMenu(QStringLiteral("mnuRemove")); // disabled: a dismissal
    ui::script::answerMenu(QString());
    EXPECT_EQ(ui::PopupMenu(&m.menu, QPoint()), m.before);
    EXPECT_EQ(ui::PopupMenu(&m.menu, QPoint()), nullptr);
    EXPECT_EQ(ui::PopupMenu(&m.menu, QPoint()), nullptr);
    m.sub->menuAction()->setVisible(false);
    ui::script::answerMenu(QStringLiteral("mnuBefore")); // behind a hidden submenu
    EXPECT_EQ(ui::PopupMenu(&m.menu, QPoint()), nullptr);
    EXPECT_EQ(m.triggered, QStringList{"mnuBefore"});
    ASSERT_EQ(ui::script::menusShown().size(), 4);
    const ui::ShownMenu first = ui::script::menusShown().first();
    EXPECT_EQ(first.name, QStringLiteral("mnuBand"));
    EXPECT_TRUE(first.enabled.value(QStringLiteral("mnuBefore")));
    EXPECT_FALSE(first.enabled.value(QStringLiteral("mnuRemove")));
    ui::script::clear();
    EXPECT_TRUE(ui::script::menusShown().isEmpty());
}

TEST(Beep, CountsWhileScriptedAndForgetsOnClear)
{
    ui::script::clear();
    ui::Beep();
    ui::Beep();
    EXPECT_EQ(ui::script::beeps(), 2);
    ui::script::clear();
    EXPECT_EQ(ui::script::beeps(), 0);
}

TEST(Modal, AScriptedDialogGoesToTheHookAndCountsAsClosed)
{
    QDialog d;
    QDialog* seen = nullptr;
    ui::setModalHook([&](QDialog* x) { seen = x; });
    ui::showModal(&d);
    ui::setModalHook(nullptr);
    ui::showModal(&d); // no hook: nothing shown, no wait
    EXPECT_EQ(seen, &d);
    EXPECT_FALSE(d.isVisible());
}

} // namespace
