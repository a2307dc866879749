#include "rulegen/designer/frmadvanceds.h"
#include "rulegen/designer/confirmclear.h"
#include "rulegen/designer/windows.h"
#include "rulegen/engine/strings.h"
#include "rulegen/engine/textutil.h"
#include "platform/core/events.h"
#include "platform/core/msgbox.h"
#include "platform/ui/command.h"
#include "shared/forms/forms.h"
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tessaly {

namespace {

const bool registered = [] {
    DesignerWindows& w = designerWindows();
    w.createOptions = [] { return new frmAdvanceds; };
    w.showOptions = [](QDialog* d, CodeClassImpl& rule, const QString& title) {
        static_cast<frmAdvanceds*>(d)->ShowInfo(&rule, title);
    };
    return true;
}();

using vb::ignoring;

template <class W>
W* tagged(QWidget* parent, const char* name, int tag)
{
    auto* w = new W(parent);
    w->setObjectName(QLatin1String(name));
    w->setProperty(forms::kTag, tag);
    return w;
}

} // namespace

frmAdvanceds::frmAdvanceds(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAdvanceds"));
    setProperty(forms::kTag, 1901);
    auto* lblInfo = tagged<QLabel>(this, "lblInfo", 1902);
    lstLayers = new QListWidget(this);
    lstLayers->setObjectName(QStringLiteral("lstLayers"));
    cmdUp = tagged<QPushButton>(this, "cmdUp", 1906);
    cmdDown = tagged<QPushButton>(this, "cmdDown", 1907);
    auto* famApply = tagged<QGroupBox>(this, "famApply", 1903);
    optApply[0] = tagged<QRadioButton>(famApply, "optApply0", 1904);
    optApply[1] = tagged<QRadioButton>(famApply, "optApply1", 1905);
    chkStyle = tagged<QCheckBox>(this, "chkStyle", 1910);
    chkSaveMode = tagged<QCheckBox>(this, "chkSaveMode", 1911);
    chkSaveMode->setTristate(true);
    chkSaveMode->setCheckState(Qt::PartiallyChecked);
    chkUpcase = tagged<QCheckBox>(this, "chkUpcase", 1912);
    cmdApply = tagged<QPushButton>(this, "cmdApply", 1908);
    cmdClose = tagged<QPushButton>(this, "cmdClose", 1909);
    for (QPushButton* b : {cmdUp, cmdDown, cmdApply, cmdClose})
        b->setAutoDefault(false);

    auto* apply = new QVBoxLayout(famApply);
    apply->addWidget(optApply[0]);
    apply->addWidget(optApply[1]);
    auto* moves = new QVBoxLayout;
    moves->addWidget(cmdUp);
    moves->addWidget(cmdDown);
    moves->addStretch();
    auto* layers = new QHBoxLayout;
    layers->addWidget(lstLayers, 1);
    layers->addLayout(moves);
    auto* options = new QVBoxLayout;
    options->addWidget(famApply);
    options->addWidget(chkStyle);
    options->addWidget(chkSaveMode);
    options->addWidget(chkUpcase);
    options->addStretch();
    auto* body = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(lblInfo);
    left->addLayout(layers);
    body->addLayout(left, 1);
    body->addLayout(options);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdApply);
    buttons->addWidget(cmdClose);
    auto* top = new QVBoxLayout(this);
    top->addLayout(body);
    top->addLayout(buttons);

    m_listener.onLayeredBandsChanged = [this] { ShowDetail(); };
    connect(lstLayers, &QListWidget::currentRowChanged, this, [this] {
        if (!m_filling)
            lstLayers_Click();
    });
    // the list never shows a checked item
    connect(lstLayers, &QListWidget::itemChanged, this, [](QListWidgetItem* item) {
        if (item->checkState() != Qt::Unchecked)
            item->setCheckState(Qt::Unchecked);
    });
    connect(cmdUp, &QPushButton::clicked, this, [this] { moveLayer(true); });
    connect(cmdDown, &QPushButton::clicked, this, [this] { moveLayer(false); });
    for (int i = 0; i < 2; ++i)
        connect(optApply[i], &QRadioButton::clicked, this, [this, i] {
            if (CodeClassImpl* rule = m_listener.rule())
                ignoring([&] { rule->setApplyMode(ApplyModes(i)); });
        });
    connect(chkStyle, &QCheckBox::clicked, this, [this] {
        if (CodeClassImpl* rule = m_listener.rule())
            ignoring([&] { rule->setStyle(chkStyle->isChecked() ? csSimple : csNormal); });
    });
    connect(chkUpcase, &QCheckBox::clicked, this, [this] {
        if (CodeClassImpl* rule = m_listener.rule())
            ignoring([&] { rule->setCodeUCased(chkUpcase->isChecked()); });
    });
    connect(chkSaveMode, &QCheckBox::clicked, this, [this] { chkSaveMode->setCheckState(Qt::PartiallyChecked); });
    connect(cmdClose, &QPushButton::clicked, this, [this] {
        hide();
        ui::DoEvents();
    });
}

void frmAdvanceds::hideEvent(QHideEvent* event)
{
    m_listener.detach();
    QDialog::hideEvent(event);
}

void frmAdvanceds::ShowInfo(CodeClassImpl* rule, const QString& title)
{
    const QString t = text::trim(title);
    if (!t.isEmpty())
        setWindowTitle(t);
    if (rule)
        m_listener.attach(rule);
    if (!m_listener.rule())
        throw runtimeError(vb::errObjectNotSet);
    ShowDetail();
}

void frmAdvanceds::ShowDetail()
{
    CodeClassImpl* rule = m_listener.rule();
    if (!rule)
        return;
    {
        m_filling = true;
        struct Done {
            bool& flag;
            ~Done() { flag = false; }
        } done{m_filling};
        lstLayers->clear();
        ListsImpl* layers = rule->layeredBands();
        for (qint32 i = 1; i <= layers->Count(); ++i) {
            auto* item = new QListWidgetItem(layers->Item(i)->Name(), lstLayers);
            item->setData(Qt::UserRole, i);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
        }
        int current = -1;
        if (!m_layerName.isEmpty())
            for (int i = 0; i < lstLayers->count() && current < 0; ++i)
                if (lstLayers->item(i)->text() == m_layerName)
                    current = i;
        if (current < 0 && lstLayers->count() > 0)
            current = 0;
        lstLayers->setCurrentRow(current);
    }
    lstLayers_Click();

    // the controls' own writes, run as setting them would run them
    const bool simple = rule->Style() == csSimple;
    chkStyle->setChecked(simple);
    ignoring([&] { rule->setStyle(simple ? csSimple : csNormal); });
    const ApplyModes mode = rule->ApplyMode();
    if (mode == amOverAgain || mode == amSuccessive) {
        optApply[mode]->setChecked(true);
        ignoring([&] { rule->setApplyMode(mode); });
    }
    const bool upper = rule->CodeUCased();
    chkUpcase->setChecked(upper);
    ignoring([&] { rule->setCodeUCased(upper); });
    chkStyle->setEnabled(rule->AllowSimpleStyle());
}

void frmAdvanceds::lstLayers_Click()
{
    const int current = lstLayers->currentRow();
    const int count = lstLayers->count();
    if (current >= 0)
        m_layerName = lstLayers->item(current)->text();
    const bool some = count > 0 && current >= 0;
    cmdUp->setEnabled(some && current > 0);
    cmdDown->setEnabled(some && current < count - 1);
}

void frmAdvanceds::moveLayer(bool up)
{
    ui::runCommand([&] {
        CodeClassImpl* rule = m_listener.rule();
        const int count = lstLayers->count();
        const int current = lstLayers->currentRow();
        if (!rule || count == 0 || current < 0)
            return;
        if (up ? current < 1 : current > count - 2)
            return;
        // a new layer order clears the relation tree: ask first
        NodesImpl* tree = rule->heldRelations();
        if (!confirmClearRelations(tree ? tree->Count() : 0, this))
            return;
        const QString name = lstLayers->item(current)->text();
        try {
            if (up)
                rule->layeredBands()->MoveItem(name, current, QVariant());
            else
                rule->layeredBands()->MoveItem(name, QVariant(), current + 2);
        } catch (const vb::Error& e) {
            ui::MsgBox(e.description(), ui::vbInformation, appTitle(), this);
        }
    }, this);
}

} // namespace tessaly
