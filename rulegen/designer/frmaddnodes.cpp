#include "rulegen/designer/frmaddnodes.h"
#include "rulegen/designer/inputhelpers.h"
#include "rulegen/designer/windows.h"
#include "rulegen/engine/strings.h"
#include "rulegen/engine/textutil.h"
#include "platform/core/events.h"
#include "platform/core/msgbox.h"
#include "platform/ui/command.h"
#include "shared/forms/forms.h"
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

// The options in order, as the table places a new relation relative to the reference.
constexpr tvwRelationships kRelationships[4] = {tvwPrevious, tvwNext, tvwLast, tvwChild};

template <class W>
W* named(QWidget* parent, const QString& name, int tag = 0)
{
    auto* w = new W(parent);
    w->setObjectName(name);
    if (tag)
        w->setProperty(forms::kTag, tag);
    return w;
}

// A code or value the table can take: not empty, and none of the separators of its text.
void checkInput(const QString& v, int captionId)
{
    if (v.isEmpty() || !text::fitsText(v, ",;"))
        throw error(2003, msg(captionId));
}

const bool registered = [] {
    DesignerWindows& w = designerWindows();
    w.createAddNode = [] { return new frmAddNodes; };
    w.showAddNode = [](QDialog* d, BandImpl& band, const QVariant& node, bool modify, qint32& position) {
        static_cast<frmAddNodes*>(d)->ShowAddNode(&band, node, modify, position);
    };
    return true;
}();

} // namespace

frmAddNodes::frmAddNodes(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAddNodes"));
    setProperty(forms::kTag, 1851);

    auto* boxes = new QGridLayout;
    boxes->addWidget(named<QLabel>(this, QStringLiteral("lblInfo0"), 1852), 0, 0);
    txtCode = named<QLineEdit>(this, QStringLiteral("txtCode"));
    boxes->addWidget(txtCode, 0, 1);
    boxes->addWidget(named<QLabel>(this, QStringLiteral("lblInfo1"), 1853), 1, 0);
    txtValue = named<QLineEdit>(this, QStringLiteral("txtValue"));
    boxes->addWidget(txtValue, 1, 1);

    famPosition = named<QGroupBox>(this, QStringLiteral("famPosition"), 1854);
    auto* options = new QHBoxLayout(famPosition);
    for (int i = 0; i < 4; ++i) {
        optStyle[i] = named<QRadioButton>(famPosition, QStringLiteral("optStyle%1").arg(i), 1855 + i);
        options->addWidget(optStyle[i]);
        connect(optStyle[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                optStyle_Click(i);
        });
    }

    auto* layer = new QHBoxLayout;
    layer->addWidget(named<QLabel>(this, QStringLiteral("lblInfo3"), 1859));
    lblLayer = named<QLabel>(this, QStringLiteral("lblInfo4"));
    layer->addWidget(lblLayer, 1);

    cmdOK = named<QPushButton>(this, QStringLiteral("cmdOK"), 1860);
    cmdCancel = named<QPushButton>(this, QStringLiteral("cmdCancel"), 1861);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {cmdOK, cmdCancel}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }

    auto* top = new QVBoxLayout(this);
    top->addLayout(boxes);
    top->addWidget(famPosition);
    top->addLayout(layer);
    top->addLayout(buttons);
    resize(sizeHint());

    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] {
        hide();
        ui::DoEvents();
    });
}

frmAddNodes::~frmAddNodes()
{
    qDeleteAll(m_inputs);
    m_inputs.clear();
}

void frmAddNodes::ShowAddNode(BandImpl* band, const QVariant& RelativeKey, bool Modify, qint32& Position)
{
    m_modify = Modify;
    m_band = com::ComPtr<BandImpl>(band);
    com::ComPtr<ICNodes> table = band ? band->Relations() : com::ComPtr<ICNodes>();
    if (!table)
        throw error(2003);
    if (text::given(RelativeKey))
        m_node = table->Node(RelativeKey);
    if (!m_node && Modify)
        throw error(2003, msg(1002));

    CodeClassImpl* rule = band->parent();
    if (!m_node) {
        for (int i : {0, 1, 3})
            optStyle[i]->setEnabled(false);
        optStyle[2]->setEnabled(true);
    } else if (m_node->Layer() + 1 >= (rule ? rule->layeredBands()->Count() : 0)) {
        // the reference is on the last layer: nothing goes below it
        optStyle[3]->setEnabled(false);
    }
    if (band->SwapMode() == smSimpleSwap)
        optStyle[3]->setEnabled(false); // a simple table is flat
    if (rule)
        m_upperCase = rule->CodeUCased();

    if (Modify) {
        setWindowTitle(msg(1865));
        txtCode->setText(m_node->Text());
        txtValue->setText(m_node->Tag());
        for (QRadioButton* o : optStyle)
            o->setEnabled(false);
        optStyle_Click(-1);
    } else if (Position >= 1 && Position <= 4) {
        // a position whose option is disabled leaves none chosen
        if (optStyle[Position - 1]->isEnabled())
            optStyle[Position - 1]->setChecked(true);
    } else if (Position != 0) {
        throw error(2003);
    }

    for (QLineEdit* box : {txtCode, txtValue}) {
        auto* helper = new TxtEXPs(this);
        helper->setControl(box);
        helper->setUpperCase(m_upperCase);
        m_inputs.append(helper);
    }
}

int frmAddNodes::chosenOption() const
{
    for (int i = 0; i < 4; ++i)
        if (optStyle[i]->isChecked())
            return i;
    return -1;
}

// The layer label: the layered band of the new relation's layer. A simple table has one
// layer, its band's own.
void frmAddNodes::optStyle_Click(int index)
{
    try {
        if (!m_band)
            return;
        if (m_band->SwapMode() == smSimpleSwap) {
            lblLayer->setText(m_band->Name());
            return;
        }
        qint32 layer = m_node ? m_node->Layer() + 1 : 1;
        if (index == 3)
            ++layer;
        CodeClassImpl* rule = m_band->parent();
        ListsImpl* layers = rule ? rule->layeredBands() : nullptr;
        if (layers && layer <= layers->Count())
            lblLayer->setText(layers->Item(layer)->Name());
    } catch (const std::exception&) {
    }
}

void frmAddNodes::cmdOK_Click()
{
    ui::runCommand([&] {
        try {
            const QString code = text::trim(txtCode->text());
            const QString value = text::trim(txtValue->text());
            checkInput(code, 1852);
            checkInput(value, 1853);
            if (m_modify) {
                // both are checked before either changes: a refused value keeps the old code
                static_cast<NodeImpl*>(m_node.get())->setTextAndTag(code, value);
                ui::DoEvents();
                hide();
                return;
            }
            com::ComPtr<ICNodes> table = m_band ? m_band->Relations() : com::ComPtr<ICNodes>();
            if (!table)
                throw error(2003);
            if (!m_node)
                table->Add(QVariant(), tvwNext, code, value);
            else if (const int i = chosenOption(); i >= 0)
                table->Add(m_node->Index(), kRelationships[i], code, value);
            ui::DoEvents();
            txtCode->setFocus(Qt::OtherFocusReason);
            ui::DoEvents();
        } catch (const vb::Error& e) {
            ui::MsgBox(e.description(), ui::vbInformation, appTitle(), this);
            (e.number() == vb::componentError(2030) ? txtValue : txtCode)->setFocus(Qt::OtherFocusReason);
        }
    }, this, appTitle());
}

} // namespace tessaly
