#include "rulegen/designer/frmaddbands.h"
#include "rulegen/designer/confirmclear.h"
#include "rulegen/designer/inputhelpers.h"
#include "rulegen/designer/windows.h"
#include "rulegen/engine/strings.h"
#include "rulegen/engine/textutil.h"
#include "platform/core/msgbox.h"
#include "platform/core/vbrt.h"
#include "platform/ui/command.h"
#include "platform/ui/winlock.h"
#include "shared/forms/forms.h"
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tessaly {

namespace {

using vb::ignoring;

// The entries of a fixed list: "0-" text of firstId, "1-" text of firstId + 1, ...
void fillFixedList(QComboBox* c, int firstId, int count)
{
    for (int i = 0; i < count; ++i)
        c->addItem(QString::number(i) + QLatin1Char('-') + msg(firstId + i));
}

template <class W>
W* named(QWidget* parent, const char* name)
{
    auto* w = new W(parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

QLabel* label(QWidget* parent, int index, int tag)
{
    auto* l = new QLabel(parent);
    l->setObjectName(QStringLiteral("lblInfo%1").arg(index));
    l->setProperty(forms::kTag, tag);
    return l;
}

const bool registered = [] {
    DesignerWindows& w = designerWindows();
    w.createAddBand = [] { return new frmAddBands; };
    w.showAddBand = [](QDialog* d, CodeClassImpl& rule, QString& refName, qint32& position) {
        static_cast<frmAddBands*>(d)->ShowAddBand(&rule, refName, position);
    };
    return true;
}();

} // namespace

frmAddBands::frmAddBands(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAddBands"));
    setProperty(forms::kTag, 1811);

    famRefer = named<QGroupBox>(this, "famRefer");
    auto* refer = new QHBoxLayout(famRefer);
    for (int i = 0; i < 3; ++i) {
        optPosition[i] = new QRadioButton(famRefer);
        optPosition[i]->setObjectName(QStringLiteral("optPosition%1").arg(i));
        optPosition[i]->setProperty(forms::kTag, 1814 + i);
        refer->addWidget(optPosition[i]);
        connect(optPosition[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                positionChosen(i);
        });
    }

    auto* props = named<QGroupBox>(this, "famPropertiy");
    props->setProperty(forms::kTag, 1511);
    auto* grid = new QGridLayout(props);
    txtName = named<QLineEdit>(props, "txtName");
    cboStyle = named<QComboBox>(props, "cboStyle");
    txtDefault = named<QLineEdit>(props, "txtDefault");
    txtFormat = named<QLineEdit>(props, "txtFormat");
    txtLength = named<QLineEdit>(props, "txtLength");
    cboBound = named<QComboBox>(props, "cboBound");
    cboIncrMode = named<QComboBox>(props, "cboIncrMode");
    cboTrigerBand = named<QComboBox>(props, "cboTrigerBand");
    cboSwapMode = named<QComboBox>(props, "cboSwapMode");
    const struct {
        int index, tag;
        QWidget* control;
    } rows[] = {{0, 1501, txtName},     {1, 1502, cboStyle},       {2, 1503, txtDefault},
                {3, 1504, txtFormat},   {4, 1505, txtLength},      {5, 1506, cboBound},
                {7, 1508, cboIncrMode}, {11, 1513, cboTrigerBand}, {12, 1514, cboSwapMode}};
    int r = 0;
    for (const auto& row : rows) {
        grid->addWidget(label(props, row.index, row.tag), r, 0);
        grid->addWidget(row.control, r++, 1);
    }

    cmdOK = named<QPushButton>(this, "cmdOK");
    cmdOK->setProperty(forms::kTag, 1812);
    cmdCancel = named<QPushButton>(this, "cmdCancel");
    cmdCancel->setProperty(forms::kTag, 1813);
    for (QPushButton* b : {cmdOK, cmdCancel})
        b->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);

    auto* top = new QVBoxLayout(this);
    top->addWidget(famRefer);
    top->addWidget(props);
    top->addLayout(buttons);

    // loading: the fixed lists and an input helper for every box (errors ignored)
    fillFixedList(cboStyle, 1600, 5);
    FitDropWidth(cboStyle);
    fillFixedList(cboSwapMode, 1611, 3);
    fillFixedList(cboIncrMode, 1621, 3);
    for (QWidget* box : std::initializer_list<QWidget*>{txtName, txtDefault, txtFormat, txtLength, cboStyle, cboBound,
                                                         cboIncrMode, cboTrigerBand, cboSwapMode}) {
        auto* h = new TxtEXPs(this);
        ignoring([&] { h->setControl(box); });
        m_inputs.append(h);
    }
    for (QComboBox* c : {cboStyle, cboSwapMode, cboBound, cboIncrMode, cboTrigerBand})
        connect(c, &QComboBox::currentIndexChanged, this, [this] { ReadBandControls(); });
    for (QLineEdit* e : {txtDefault, txtFormat, txtLength})
        e->installEventFilter(this);

    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { hide(); });
}

frmAddBands::~frmAddBands()
{
    qDeleteAll(m_inputs);
    m_inputs.clear();
}

void frmAddBands::ShowAddBand(CodeClassImpl* rule, QString& refName, qint32& position)
{
    try {
        if (rule)
            m_rule = com::ComPtr<CodeClassImpl>(rule);
        m_refName = refName;
        if (position >= 1 && position <= 3)
            optPosition[position - 1]->setChecked(true);
        else if (position != 0)
            throw error(2003);
        if (refName.isEmpty()) {
            optPosition[0]->setEnabled(false);
            optPosition[1]->setEnabled(false);
        }
        FillBandControls();
        const bool upper = m_rule && m_rule->CodeUCased();
        for (TxtEXPs* h : m_inputs)
            h->setUpperCase(upper);
    } catch (const vb::Error& e) {
        ui::MsgBox(e.description(), ui::vbExclamation, appTitle(), this);
    }
}

void frmAddBands::positionChosen(int index)
{
    static const char* const marks[3] = {">%1", "%1<", "%1..<"};
    famRefer->setTitle(QString::fromLatin1(marks[index]).arg(m_refName));
}

QWidget* frmAddBands::rowControl(int row) const
{
    switch (row) {
    case 0: return cboSwapMode;
    case 1: return txtDefault;
    case 2: return txtFormat;
    case 3: return txtLength;
    case 4: return cboBound;
    case 5: return cboIncrMode;
    case 6: return cboTrigerBand;
    default: return nullptr;
    }
}

void frmAddBands::EnableBandControls(int row, bool enabled)
{
    if (QWidget* w = rowControl(row))
        w->setEnabled(enabled);
}

void frmAddBands::FillBandControls()
{
    ui::WindowUpdateLock freeze(this);
    m_loading = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{m_loading};

    if (!m_band) {
        m_band = com::make<BandImpl>();
        m_band->setParent(m_rule.get());
        ignoring([&] { m_band->setStyle(bsFixed); });
    }
    BandImpl* b = m_band.get();
    ignoring([&] { cboStyle->setCurrentIndex(b->Style()); });

    // A property applies to the band's style when writing its own value back raises nothing.
    EnableBandControls(0, ignoring([&] { b->setSwapMode(b->SwapMode()); }));
    cboSwapMode->setCurrentIndex(b->SwapMode());
    EnableBandControls(1, ignoring([&] { b->setDefault(b->Default()); }));
    txtDefault->setText(b->Default());
    EnableBandControls(2, ignoring([&] { b->setFormate(b->Formate()); }));
    txtFormat->setText(b->Formate());
    EnableBandControls(3, ignoring([&] { b->setLength(b->Length()); }));
    txtLength->setText(QString::number(b->Length()));
    EnableBandControls(5, ignoring([&] { b->setIncrMode(b->IncrMode()); }));
    cboIncrMode->setCurrentIndex(b->IncrMode());

    cboBound->clear();
    if (ListsImpl* fields = b->dataFieldsImpl()) {
        const auto items = fields->NewEnum();
        for (int i = 0; i < items.size(); ++i)
            cboBound->addItem(items[i]->ForeignName(), i + 1);
        IList* bound = b->heldDataField();
        const QString name = bound ? bound->ForeignName() : QString();
        cboBound->setCurrentIndex(name.isEmpty() ? -1 : cboBound->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive));
        EnableBandControls(4, true);
    } else {
        EnableBandControls(4, false);
    }

    cboTrigerBand->clear();
    cboTrigerBand->addItem(msg(1701));
    com::ComPtr<IBand> trigger;
    ignoring([&] { trigger = b->TrigerBand(); });
    if (!trigger || !m_rule) {
        EnableBandControls(6, false);
        cboTrigerBand->setCurrentIndex(0);
    } else {
        const auto& bands = m_rule->bands();
        for (int i = 0; i < bands.size(); ++i)
            cboTrigerBand->addItem(bands[i]->Name(), i + 1);
        const QString name = trigger->Name();
        int at = 0;
        if (!name.isEmpty()) {
            at = -1;
            for (int i = 1; i < cboTrigerBand->count() && at < 0; ++i)
                if (cboTrigerBand->itemText(i) == name)
                    at = i;
        }
        cboTrigerBand->setCurrentIndex(at);
        EnableBandControls(6, true);
    }
}

void frmAddBands::ReadBandControls()
{
    if (m_loading)
        return;
    m_band = com::make<BandImpl>();
    m_band->setParent(m_rule.get());
    BandImpl* b = m_band.get();
    ignoring([&] { b->setStyle(BandStyles(cboStyle->currentIndex())); });
    ignoring([&] { b->setSwapMode(SwapModes(cboSwapMode->currentIndex())); });
    ignoring([&] { b->setDefault(txtDefault->text()); });
    ignoring([&] { b->setFormate(txtFormat->text()); });
    ignoring([&] {
        if (!text::isNumeric(txtLength->text()))
            throw runtimeError(vb::errTypeMismatch);
        b->setLength(vb::CLng(text::numberValue(txtLength->text())));
    });
    ignoring([&] {
        ListsImpl* fields = b->dataFieldsImpl();
        if (!fields)
            throw error(2004);
        b->setDataField(fields->Item(cboBound->currentIndex() + 1).get());
    });
    // a band that just became a counter keeps the mode its style gave it
    if (cboIncrMode->isEnabled())
        ignoring([&] { b->setIncrMode(IncrModes(cboIncrMode->currentIndex())); });
    // only a triggered counter has a trigger band
    if (b->isCounter() && b->IncrMode() == imTrigered)
        ignoring([&] {
            const int i = cboTrigerBand->currentIndex();
            b->setTrigerBand(m_rule && i >= 1 && i <= m_rule->Count() ? m_rule->bands()[i - 1].get() : nullptr);
        });
    FillBandControls();
}

bool frmAddBands::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut && m_band) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // a message box or menu taking the focus is no leaving of the box
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            bool changed = false;
            if (watched == txtDefault)
                changed = txtDefault->text() != m_band->Default();
            else if (watched == txtFormat)
                changed = txtFormat->text() != m_band->Formate();
            else if (watched == txtLength)
                changed = text::isNumeric(txtLength->text())
                          && text::numberValue(txtLength->text()) != double(m_band->Length());
            if (changed)
                ReadBandControls();
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmAddBands::cmdOK_Click()
{
    ui::runCommand([&] {
        if (!m_rule || !m_band)
            return;
        try {
            const QString name = txtName->text();
            BandImpl* b = m_band.get();
            IList* field = b->heldDataField();
            if (field && !(b->dataFieldsImpl() && b->dataFieldsImpl()->containsItem(field)))
                field = nullptr;
            // a new layer clears the rule's relation tree: ask first
            const QString trimmed = text::trim(name);
            if (b->SwapMode() == smLayersSwap && !trimmed.isEmpty() && !m_rule->findBand(trimmed)) {
                NodesImpl* tree = m_rule->heldRelations();
                if (!confirmClearRelations(tree ? tree->Count() : 0, this))
                    return;
            }
            QVariant before, after;
            if (optPosition[0]->isChecked())
                before = m_refName;
            else if (optPosition[1]->isChecked())
                after = m_refName;
            com::ComPtr<IBand> added = m_rule->Add(name, b->Style(), b->SwapMode(), b->Default(), field,
                                                   b->Length(), b->Formate(), before, after);
            unlessReadOnly([&] { added->setIncrMode(b->IncrMode()); });
            unlessReadOnly([&] { added->setTrigerBand(b->heldTrigerBand()); });
        } catch (const vb::Error& e) {
            const QString text = e.number() == vb::errKeyExists ? msg(2019) : e.description();
            ui::MsgBox(text, ui::vbInformation, appTitle(), this);
        }
    }, this);
}

} // namespace tessaly
