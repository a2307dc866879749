// The main window as the code rule's host: the stored rule, user fields, saving. The last
// code issued comes from CodeRuleHost.
#include "main/core/ui/mdlwidgets.h"
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
    const QString name = ui::InputBox(QStringLiteral("Name:"), plat::appTitle(), QString(), this);
    if (name.isEmpty())
        return;
    ui::runCommand([&] { cCodes->UsrFields()->Add(name, QString(), QString(), QString()); }, this);
}

void frmMain::DropField(const QString& Name)
{
    ui::runCommand([&] { cCodes->UsrFields()->Remove(Name); }, this);
}

void frmMain::Save(QString& Value, bool& bChieved)
{
    // Only a stored text counts as saved; the rule reports anything else as its 2005.
    bChieved = WriteSysInfo(kCodeRule, Value, kMemo);
}

} // namespace ostrel
