// The main window as the code rule's host: the stored rule, user fields, saving. The last
// code issued comes from CodeRuleHost.
#include "main/core/ui/mdlwidgets.h"
#include "main/mainwin/rulesave.h"
#include "main/mainwin/ui/frmmain.h"
#include "main/mainwin/ui/frmmainshared.h"
#include "platform/core/app.h"
#include "platform/core/msgbox.h"
#include "platform/ui/command.h"

namespace ostrel {

namespace {
const QString kCodeRule = QStringLiteral("CodeRule");
const QString kMemo = QStringLiteral("Memo");
} // namespace

void frmMain::releaseCodes()
{
    if (cCodes)
        cCodes->unadvise(this);
    cCodes = nullptr;
}

void frmMain::GetSettings(const QString&, QString& Value)
{
    Value = ReadSysInfo(kCodeRule, QString(), nullptr, kMemo);
}

void frmMain::AddField(const QString&)
{
    // asked over the designer, which stays above this window
    QWidget* front = ui::frontWindow(this);
    const QString name = ui::InputBox(QStringLiteral("Name:"), plat::appTitle(), QString(), front);
    if (name.isEmpty())
        return;
    ui::runCommand([&] { cCodes->UsrFields()->Add(name, QString(), QString(), QString()); }, front);
}

void frmMain::DropField(const QString& Name)
{
    ui::runCommand([&] { cCodes->UsrFields()->Remove(Name); }, this);
}

void frmMain::Save(QString& Value, bool& bChieved)
{
    // Only a stored text counts as saved; the rule reports anything else as its 2005.
    bChieved = false;
    if (gDatabase.isNothing() || Value.isEmpty())
        return;
    QWidget* front = ui::frontWindow(this);
    // A rule another copy saved since this one read it is overwritten only when the user says so.
    const auto overwrite = [front](const FieldConflicts& conflicts) {
        return ui::MsgBox(ConflictQuestion(conflicts), ui::vbYesNo | ui::vbQuestion, QString(), front) == ui::vbYes;
    };
    ui::runCommand([&] { bChieved = StoreCodeRule(Value, m_ruleSeen, overwrite); }, front);
}

} // namespace ostrel
