// The main window as the code rule's host: the stored rule, user fields, saving. The last
// code issued comes from CodeRuleHost.
#include "main/core/ui/mdlwidgets.h"
#include "main/core/writeback.h"
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
    // A rule another copy saved since this one read it is overwritten only when the user says so.
    QString stored;
    GetSettings(QString(), stored);
    if (stored != m_ruleSeen && stored != Value &&
        ui::MsgBox(ConflictQuestion({{QStringLiteral("编码规则"), QStringLiteral("设计器中的规则"),
                                      QStringLiteral("其他用户保存的规则")}}),
                   ui::vbYesNo | ui::vbQuestion, QString(), this) == ui::vbNo) {
        bChieved = false;
        return;
    }
    // Only a stored text counts as saved; the rule reports anything else as its 2005.
    bChieved = WriteSysInfo(kCodeRule, Value, kMemo);
    if (bChieved)
        m_ruleSeen = Value;
}

} // namespace ostrel
