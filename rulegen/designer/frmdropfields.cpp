#include "rulegen/designer/frmdropfields.h"
#include "rulegen/designer/controls.h"
#include "rulegen/designer/windows.h"
#include "rulegen/engine/strings.h"
#include "rulegen/engine/textutil.h"
#include "platform/core/events.h"
#include "platform/core/msgbox.h"
#include "platform/ui/command.h"
#include "shared/forms/forms.h"
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace tessaly {

namespace {

const bool registered = [] {
    DesignerWindows& w = designerWindows();
    w.createFieldManager = [] { return new frmDropFields; };
    w.showFields = [](QDialog* d, CodeClassImpl& rule, qint32 position, const QString& title) {
        static_cast<frmDropFields*>(d)->ShowInfo(&rule, position, title);
    };
    return true;
}();

} // namespace

frmDropFields::frmDropFields(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmDropFields"));
    setProperty(forms::kTag, 1803);
    lstFields = new QListWidget(this);
    lstFields->setObjectName(QStringLiteral("lstFields"));
    cmdAdd = commandButton(this, "cmdAdd", 1804);
    cmdDrop = commandButton(this, "cmdDrop", 1801);
    cmdClose = commandButton(this, "cmdClose", 1802);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdAdd);
    buttons->addWidget(cmdDrop);
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    auto* top = new QHBoxLayout(this);
    top->addWidget(lstFields, 1);
    top->addLayout(buttons);

    m_listener.onFieldsChanged = [this] { ShowInfo(nullptr, -1, QString()); };
    connect(cmdAdd, &QPushButton::clicked, this, [this] {
        // what the host makes of it is the host's business
        try {
            if (CodeClassImpl* rule = m_listener.rule())
                rule->RaiseAddField(QString());
        } catch (const std::exception&) {
        }
    });
    connect(cmdDrop, &QPushButton::clicked, this, [this] { ui::runCommand([this] { cmdDrop_Click(); }, this); });
    connect(cmdClose, &QPushButton::clicked, this, [this] {
        hide();
        ui::DoEvents();
    });
}

void frmDropFields::hideEvent(QHideEvent* event)
{
    m_listener.detach();
    QDialog::hideEvent(event);
}

void frmDropFields::ShowInfo(CodeClassImpl* rule, qint32 position, const QString& title)
{
    if (rule)
        m_listener.attach(rule);
    CodeClassImpl* r = m_listener.rule();
    if (!r)
        throw runtimeError(vb::errObjectNotSet);
    const QString t = text::trim(title);
    if (!t.isEmpty())
        setWindowTitle(t);

    lstFields->clear();
    ListsImpl* fields = r->usrFieldsImpl();
    for (qint32 i = 1; i <= fields->Count(); ++i) {
        auto* item = new QListWidgetItem(fields->Item(i)->ForeignName(), lstFields);
        item->setData(Qt::UserRole, i);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    const qint32 count = lstFields->count();
    if (position >= 0 && position <= count - 1)
        m_position = position;
    if (m_position < -1)
        m_position = -1;
    else if (m_position > count - 1)
        m_position = count - 1;
    if (count > 0 && m_position < 0)
        m_position = 0;
    lstFields->setCurrentRow(m_position);
}

void frmDropFields::cmdDrop_Click()
{
    CodeClassImpl* rule = m_listener.rule();
    if (!rule || lstFields->count() == 0)
        return;
    ListsImpl* fields = rule->usrFieldsImpl();
    // names first: every removal refills the list
    QStringList names;
    for (int i = 0; i < lstFields->count(); ++i)
        if (lstFields->item(i)->checkState() == Qt::Checked)
            names << fields->Item(i + 1)->Name();
    if (names.isEmpty()) {
        const int current = lstFields->currentRow();
        if (current < 0) {
            ui::MsgBox(msg(2028), ui::vbInformation, appTitle(), this);
            return;
        }
        names << fields->Item(current + 1)->Name();
    }
    if (ui::MsgBox(msg(2017) + blankLine() + names.join(QLatin1Char(';')), ui::vbYesNo | ui::vbQuestion, appTitle(),
                   this) != ui::vbYes)
        return;
    for (const QString& name : names) {
        try {
            fields->Remove(name);
        } catch (const vb::Error& e) {
            ui::MsgBox(e.description(), ui::vbInformation, appTitle(), this);
        }
    }
}

} // namespace tessaly
