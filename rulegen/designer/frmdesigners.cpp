// The designer window: its controls, the band strip with its drag and pop-up, the command
// buttons and unloading. The property frame is in bandproperties.cpp.
#include "rulegen/designer/frmdesigners.h"
#include "rulegen/designer/confirmclear.h"
#include "rulegen/designer/controls.h"
#include "rulegen/designer/inputhelpers.h"
#include "rulegen/designer/windows.h"
#include "rulegen/engine/strings.h"
#include "platform/core/events.h"
#include "platform/core/msgbox.h"
#include "platform/ui/command.h"
#include "platform/ui/popupmenu.h"
#include "platform/ui/twips.h"
#include "platform/ui/winlock.h"
#include "shared/forms/forms.h"
#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <optional>

namespace tessaly {

namespace {

const QColor kGrey(0xE0, 0xE0, 0xE0);
const QColor kBlue(0xC0, 0xC0, 0xFF); // FFC0C0 as blue, green, red bytes

int tx(int twips) { return qMax(1, ui::twipsToPixelsX(twips)); }
int ty(int twips) { return qMax(1, ui::twipsToPixelsY(twips)); }

// Handlers whose errors are ignored.
void quietly(const std::function<void()>& f)
{
    try {
        f();
    } catch (const std::exception&) {
    }
}

QLabel* tagged(QWidget* parent, int id)
{
    auto* l = new QLabel(parent);
    l->setProperty(forms::kTag, id);
    return l;
}

QComboBox* list(QWidget* parent, const char* name)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    return c;
}

QLineEdit* textBox(QWidget* parent, const char* name)
{
    auto* t = new QLineEdit(parent);
    t->setObjectName(QLatin1String(name));
    return t;
}

QPixmap markerImage(int height)
{
    QPixmap pm(7, height);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x20, 0x40, 0xC0));
    p.drawRect(2, 4, 3, height - 8);
    p.drawPolygon(QPolygon({QPoint(0, 0), QPoint(7, 0), QPoint(3, 5)}));
    p.drawPolygon(QPolygon({QPoint(0, height), QPoint(7, height), QPoint(3, height - 5)}));
    return pm;
}

QPixmap buttonImage(bool add)
{
    QPixmap pm(18, 18);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QPen(add ? QColor(0x20, 0x80, 0x20) : QColor(0xC0, 0x20, 0x20), 3));
    p.drawLine(3, 9, 15, 9);
    if (add)
        p.drawLine(9, 3, 9, 15);
    return pm;
}

[[maybe_unused]] const bool registered = [] {
    DesignerWindows& w = designerWindows();
    w.createDesigner = [] { return new frmDesigners; };
    w.loadBands = [](QDialog* d, CodeClassImpl& rule, const QString& title) {
        static_cast<frmDesigners*>(d)->LoadBands(&rule, QVariant(), title);
    };
    return true;
}();

} // namespace

// ---------------------------------------------------------------- band box

BandBox::BandBox(frmDesigners* owner, int index, QWidget* parent)
    : QWidget(parent), m_owner(owner), m_index(index), m_back(kGrey)
{
    setObjectName(QStringLiteral("picBand%1").arg(index));
    setFocusPolicy(Qt::ClickFocus);
    setFont(QFont(QStringLiteral("宋体"), 9));
}

void BandBox::setBackColor(const QColor& c)
{
    if (c == m_back)
        return;
    m_back = c;
    update();
}

void BandBox::drawCaption(const QString& caption)
{
    m_caption = caption;
    update();
}

void BandBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), m_back);
    p.setPen(QColor(0x80, 0x80, 0x80));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setPen(Qt::black);
    p.drawText(rect(), Qt::AlignCenter, m_caption);
}

void BandBox::mousePressEvent(QMouseEvent* e)
{
    m_owner->picBand_MouseDown(m_index, e->button(), e->position().toPoint());
}

void BandBox::mouseMoveEvent(QMouseEvent* e)
{
    m_owner->picBand_MouseMove(m_index, e->buttons(), e->position().toPoint());
}

void BandBox::mouseReleaseEvent(QMouseEvent* e)
{
    m_owner->picBand_MouseUp(m_index, e->button(), e->position().toPoint());
}

void BandBox::focusInEvent(QFocusEvent* e)
{
    QWidget::focusInEvent(e);
    m_owner->picBand_GotFocus(m_index);
}

// ---------------------------------------------------------------- building the window

frmDesigners::frmDesigners(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmDesigners"));
    setProperty(forms::kTag, 1500);
    setWindowTitle(msg(1500));
    m_listener.onBandsChanged = [this] { LoadBands(nullptr); };
    m_listener.onFieldsChanged = [this] { ShowBandInfo(); };

    auto* layout = new QVBoxLayout(this);
    buildStrip();
    auto* stripRow = new QHBoxLayout;
    stripRow->addWidget(sclStrip, 1);
    auto* images = new QVBoxLayout;
    images->addWidget(imgButton[0]);
    images->addWidget(imgButton[1]);
    stripRow->addLayout(images);
    layout->addLayout(stripRow);
    for (int i = 0; i < 2; ++i) {
        auto* line = new QFrame(this);
        line->setObjectName(QStringLiteral("lLine%1").arg(i));
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);
        lLine.append(line);
    }
    layout->addWidget(lLine[0]);
    fraRelations = new RelationPanel(this);
    tvwAvailable = fraRelations->tvwAvailable;
    cmdAdd = fraRelations->cmdAdd;
    cmdDelete = fraRelations->cmdDelete;
    cmdModify = fraRelations->cmdModify;
    cmdClear = fraRelations->cmdClear;
    buildProperties();
    auto* middle = new QHBoxLayout;
    middle->addWidget(famPropertiy, 3);
    middle->addWidget(fraRelations, 2);
    layout->addLayout(middle, 1);
    layout->addWidget(lLine[1]);
    buildButtons();
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(cmdSave);
    bottom->addWidget(cmdApply);
    bottom->addWidget(cmdAdvanced);
    bottom->addStretch();
    bottom->addWidget(cmdClose);
    layout->addLayout(bottom);
    buildMenu();
    resize(tx(9600), ty(6600));
    Form_Load();
}

frmDesigners::~frmDesigners()
{
    Form_Unload();
    detach();
}

void frmDesigners::buildStrip()
{
    sclStrip = new QScrollArea(this);
    sclStrip->setObjectName(QStringLiteral("sclStrip"));
    sclStrip->setWidgetResizable(false);
    sclStrip->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sclStrip->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    sclStrip->setFrameShape(QFrame::NoFrame);
    picBkg = new QWidget;
    picBkg->setObjectName(QStringLiteral("picBkg"));
    picBkg->setAutoFillBackground(true);
    picBkg->resize(tx(9000), ty(480));
    sclStrip->setWidget(picBkg);
    sclStrip->setFixedHeight(ty(480) + sclStrip->horizontalScrollBar()->sizeHint().height());

    picBand.append(new BandBox(this, 0, picBkg));
    picBand[0]->setGeometry(tx(10), ty(60), tx(680), ty(320));
    picBand[0]->hide();

    picMove = new QLabel(picBkg);
    picMove->setObjectName(QStringLiteral("picMove"));
    picMove->setAutoFillBackground(true);
    QPalette pal = picMove->palette();
    pal.setColor(QPalette::Window, kBlue);
    picMove->setPalette(pal);
    picMove->setAlignment(Qt::AlignCenter);
    picMove->setFont(QFont(QStringLiteral("宋体"), 9));
    picMove->resize(tx(680), ty(320));
    picMove->hide();

    imgPos = new QLabel(picBkg);
    imgPos->setObjectName(QStringLiteral("imgPos"));
    imgPos->setPixmap(markerImage(ty(480) - 2));
    imgPos->adjustSize();
    imgPos->hide();

    for (int i = 0; i < 2; ++i) {
        auto* img = new QLabel(this);
        img->setObjectName(QStringLiteral("imgButton%1").arg(i));
        img->setPixmap(buttonImage(i == 0));
        img->setToolTip(QString::number(i == 0 ? 1520 : 1521));
        img->installEventFilter(this);
        imgButton.append(img);
    }
}

void frmDesigners::buildProperties()
{
    famPropertiy = new QGroupBox(this);
    famPropertiy->setObjectName(QStringLiteral("famPropertiy"));
    famPropertiy->setProperty(forms::kTag, 1511);
    static const int ids[13] = {1501, 1502, 1503, 1504, 1505, 1506, 1507, 1508, 1509, 1510, 1512, 1513, 1514};
    for (int i = 0; i < 13; ++i) {
        if (i == 6) {
            lblInfo.append(fraRelations->lblInfo6); // the relation panel's own
            continue;
        }
        QLabel* l = tagged(famPropertiy, ids[i]);
        l->setObjectName(QStringLiteral("lblInfo%1").arg(i));
        lblInfo.append(l);
    }
    QWidget* f = famPropertiy;
    txtName = textBox(f, "txtName");
    cboStyle = list(f, "cboStyle");
    cboSwapMode = list(f, "cboSwapMode");
    txtDefault = textBox(f, "txtDefault");
    txtFormat = textBox(f, "txtFormat");
    txtLength = textBox(f, "txtLength");
    cboBound = list(f, "cboBound");
    cmdAppend = commandButton(f, "cmdAppend", 0);
    cmdAppend->setText(QStringLiteral("+"));
    cmdAppend->setToolTip(QStringLiteral("1515"));
    cmdDrop = commandButton(f, "cmdDrop", 0);
    cmdDrop->setText(QStringLiteral("-"));
    cmdDrop->setToolTip(QStringLiteral("1516"));
    for (QPushButton* b : {cmdAppend, cmdDrop})
        b->setFixedSize(tx(210) + 8, ty(300) + 4);
    cboIncrMode = list(f, "cboIncrMode");
    for (int i = 0; i < 2; ++i) {
        txtRange.append(textBox(f, i == 0 ? "txtRange0" : "txtRange1"));
        auto* spin = new QScrollBar(Qt::Vertical, f);
        spin->setObjectName(QStringLiteral("vscRange%1").arg(i));
        spin->setRange(0, 100);
        spin->setValue(50);
        spin->setFixedHeight(txtRange[i]->sizeHint().height());
        vscRange.append(spin);
    }
    cboTrigerBand = list(f, "cboTrigerBand");
    lstTracks = new QListWidget(f);
    lstTracks->setObjectName(QStringLiteral("lstTracks"));

    auto* g = new QGridLayout(famPropertiy);
    auto row = [&](int r, int col, int label, QWidget* w, QWidget* extra = nullptr, QWidget* extra2 = nullptr) {
        g->addWidget(lblInfo[label], r, col);
        auto* h = new QHBoxLayout;
        h->setSpacing(2);
        h->addWidget(w, 1);
        if (extra)
            h->addWidget(extra);
        if (extra2)
            h->addWidget(extra2);
        g->addLayout(h, r, col + 1);
    };
    row(0, 0, 0, txtName);
    row(1, 0, 1, cboStyle);
    row(2, 0, 12, cboSwapMode);
    row(3, 0, 2, txtDefault);
    row(4, 0, 3, txtFormat);
    row(5, 0, 4, txtLength);
    row(6, 0, 5, cboBound, cmdAppend, cmdDrop);
    row(0, 2, 7, cboIncrMode);
    row(1, 2, 8, txtRange[0], vscRange[0]);
    row(2, 2, 9, txtRange[1], vscRange[1]);
    row(3, 2, 11, cboTrigerBand);
    g->addWidget(lblInfo[10], 4, 2);
    g->addWidget(lstTracks, 4, 3, 3, 1);
    g->setColumnStretch(1, 1);
    g->setColumnStretch(3, 1);

    connect(cboSwapMode, qOverload<int>(&QComboBox::activated), this, [this](int i) { cboSwapMode_Click(i); });
    connect(cboIncrMode, qOverload<int>(&QComboBox::activated), this, [this](int i) { cboIncrMode_Click(i); });
    connect(cboBound, qOverload<int>(&QComboBox::activated), this, [this](int i) { cboBound_Click(i); });
    connect(cboTrigerBand, qOverload<int>(&QComboBox::activated), this, [this](int i) { cboTrigerBand_Click(i); });
    for (int i = 0; i < 2; ++i)
        connect(vscRange[i], &QScrollBar::valueChanged, this, [this, i] { vscRange_Change(i); });
    connect(lstTracks, &QListWidget::itemChanged, this, [this](QListWidgetItem* it) { lstTracks_ItemCheck(it); });
    connect(cmdAppend, &QPushButton::clicked, this, [this] {
        if (m_code)
            quietly([&] { m_code->RaiseAddField(QString()); });
    });
    connect(cmdDrop, &QPushButton::clicked, this, [this] {
        if (m_code)
            quietly([&] { m_code->ShowFieldManage(QString()); });
    });
    for (QLineEdit* t : {txtDefault, txtFormat, txtLength, txtRange[0], txtRange[1]})
        t->installEventFilter(this);
}

void frmDesigners::buildButtons()
{
    cmdSave = commandButton(this, "cmdSave", 1551);
    cmdApply = commandButton(this, "cmdApply", 1553);
    cmdAdvanced = commandButton(this, "cmdAdvanced", 1552);
    cmdClose = commandButton(this, "cmdClose", 1554);
    connect(cmdSave, &QPushButton::clicked, this, [this] {
        ui::runCommand([&] {
            if (m_code && m_code->saveRule() == CodeClassImpl::SaveResult::Saved)
                m_baseline = m_code->Definition();
        });
    });
    connect(cmdAdvanced, &QPushButton::clicked, this, [this] {
        if (m_code)
            quietly([&] { m_code->ShowOptions(QString()); });
    });
    connect(cmdClose, &QPushButton::clicked, this, [this] {
        reject();
        ui::DoEvents();
    });
}

void frmDesigners::buildMenu()
{
    mnuBand = new QMenu(this);
    mnuBand->setObjectName(QStringLiteral("mnuBand"));
    mnuBandAdd = mnuBand->addMenu(QStringLiteral("1201"));
    mnuBandAdd->setObjectName(QStringLiteral("mnuBandAdd"));
    mnuBandAdd->menuAction()->setObjectName(QStringLiteral("mnuBandAdd"));
    for (int i = 0; i < 3; ++i) {
        QAction* a = mnuBandAdd->addAction(QString::number(1202 + i));
        a->setObjectName(QStringLiteral("mnuSubBandAdd%1").arg(i));
        connect(a, &QAction::triggered, this, [this, i] { addBand(i + 1); });
        mnuSubBandAdd.append(a);
    }
    mnuBandRemove = mnuBand->addAction(QStringLiteral("1205"));
    mnuBandRemove->setObjectName(QStringLiteral("mnuBandRemove"));
    connect(mnuBandRemove, &QAction::triggered, this, [this] { ui::runCommand([&] { RemoveSelectedBand(); }); });
    mnuBand->addSeparator()->setObjectName(QStringLiteral("mnuBandBar0"));
    mnuBandRemoveAll = mnuBand->addAction(QStringLiteral("1206"));
    mnuBandRemoveAll->setObjectName(QStringLiteral("mnuBandRemoveAll"));
    connect(mnuBandRemoveAll, &QAction::triggered, this, [this] { removeAll(); });
}

void frmDesigners::Form_Load()
{
    auto fill = [](QComboBox* c, int first, int count) {
        for (int i = 0; i < count; ++i)
            c->addItem(QString::number(i) + QLatin1Char('-') + msg(first + i));
        c->setCurrentIndex(0);
        FitDropWidth(c);
    };
    fill(cboStyle, 1600, 5);
    fill(cboSwapMode, 1611, 3);
    fill(cboIncrMode, 1621, 3);
    for (QLabel* img : imgButton)
        setPointer(img, true);
    m_stripTop = picBand[0]->y();
    for (QWidget* w : findChildren<QWidget*>()) {
        if (!qobject_cast<QLineEdit*>(w) && !qobject_cast<QComboBox*>(w))
            continue;
        if (qobject_cast<QComboBox*>(w->parentWidget()))
            continue; // the line of an editable combo is served with its combo
        auto* helper = new TxtEXPs(this);
        helper->setControl(w);
        m_inputs.append(helper);
    }
}

// ---------------------------------------------------------------- the rule

void frmDesigners::attach(CodeClassImpl* rule)
{
    detach();
    m_code = com::ComPtr<CodeClassImpl>(rule);
    m_listener.attach(rule);
    if (m_code)
        m_baseline = m_code->Definition();
}

void frmDesigners::detach()
{
    m_listener.detach();
    fraRelations->Detach();
}

void frmDesigners::setCode(CodeClassImpl* rule)
{
    if (rule == m_code.get() && (m_listener.rule() || !rule))
        return;
    attach(rule);
}

BandImpl* frmDesigners::band() const
{
    if (!m_code || m_current < 0 || m_current >= m_code->Count())
        return nullptr;
    return m_code->bands().at(m_current).get();
}

// ---------------------------------------------------------------- the strip

int frmDesigners::boxWidth() const { return picBand[0]->width(); }

int frmDesigners::boxLeft(int i) const { return (boxWidth() + tx(10)) * i + tx(10); }

BandBox* frmDesigners::box(int i)
{
    while (picBand.size() <= i) {
        auto* b = new BandBox(this, int(picBand.size()), picBkg);
        b->resize(picBand[0]->size());
        b->hide();
        picBand.append(b);
    }
    return picBand[i];
}

int frmDesigners::visibleBoxes() const
{
    int n = 0;
    for (BandBox* b : picBand)
        n += b->isVisible() || b->isVisibleTo(picBkg) ? 1 : 0;
    return n;
}

void frmDesigners::resizeStrip()
{
    const int n = m_code ? m_code->Count() : 0;
    const int needed = n > 0 ? boxLeft(n - 1) + boxWidth() + tx(200) : 0;
    picBkg->resize(qMax(sclStrip->viewport()->width(), needed), picBkg->height());
}

void frmDesigners::LoadBands(CodeClassImpl* rule, const QVariant& index, const QString& title)
{
    std::optional<ui::WindowUpdateLock> lock(std::in_place, this);
    try {
        if (!title.isEmpty())
            setWindowTitle(title);
        if (rule)
            setCode(rule);
        if (!m_code)
            throw runtimeError(vb::errObjectNotSet);
        cmdAdvanced->setEnabled(m_code->allowSetup());
        // boxes are hidden, never deleted: this may run inside a box's own handler
        for (BandBox* b : picBand)
            b->hide();
        const auto& bands = m_code->bands();
        for (int i = 0; i < bands.size(); ++i) {
            BandBox* b = box(i);
            b->setBackColor(kGrey);
            b->move(boxLeft(i), m_stripTop);
            b->setTag(bands[i]->Name());
            b->drawCaption(b->tag());
            b->show();
        }
        resizeStrip();
    } catch (const vb::Error& e) {
        lock.reset();
        ui::MsgBox(e.description(), ui::vbExclamation, appTitle(), this);
        return;
    }
    if (index.isValid())
        quietly([&] { m_current = m_code->Band(index)->Index() - 1; });
    ShowBandInfo();
}

void frmDesigners::paintBoxes()
{
    const int n = m_code ? m_code->Count() : 0;
    for (int i = 0; i < n && i < picBand.size(); ++i) {
        picBand[i]->setBackColor(i == m_current ? kBlue : kGrey);
        picBand[i]->drawCaption(picBand[i]->tag());
    }
}

void frmDesigners::setPointer(QLabel* image, bool allowed)
{
    image->setCursor(allowed ? Qt::PointingHandCursor : Qt::ForbiddenCursor);
}

void frmDesigners::picBand_GotFocus(int index)
{
    if (index == m_current || !m_code || index >= m_code->Count())
        return;
    m_current = index;
    ShowBandInfo();
}

void frmDesigners::picBand_MouseDown(int index, Qt::MouseButton button, const QPoint& pos)
{
    if (!m_code || index >= m_code->Count())
        return;
    // either button makes the box current first
    picBand_GotFocus(index);
    BandBox* b = picBand[index];
    if (button == Qt::RightButton) {
        const bool addable = m_code->AllowAddBand();
        for (QAction* a : mnuSubBandAdd)
            if (addable)
                a->setEnabled(true);
        BandImpl* current = band();
        mnuBandRemove->setEnabled(m_code->AllowDropBand() && current && current->AllowDroped());
        bool all = m_code->AllowDropBand();
        for (const auto& bd : m_code->bands())
            all = all && bd->AllowDroped();
        mnuBandRemoveAll->setEnabled(all);
        ui::DoEvents();
        ui::PopupMenu(mnuBand, b->mapToGlobal(pos));
        return;
    }
    if (button != Qt::LeftButton)
        return;
    picMove->raise();
    ClipCursorToControl(picBkg);
    picMove->setText(b->tag());
    const int left = b->x();
    b->move(left, -20000);
    m_grabOffset = pos.x();
    picMove->setGeometry(left, m_stripTop + ty(20), b->width(), b->height() - ty(10));
    picMove->show();
    ArrangeBands(left + pos.x());
    m_dragging = true;
}

void frmDesigners::picBand_MouseMove(int index, Qt::MouseButtons buttons, const QPoint& pos)
{
    if (!m_dragging || !(buttons & Qt::LeftButton) || index >= picBand.size())
        return;
    ClipCursorToControl(picBkg);
    const int p = qBound(0, picBand[index]->x() + pos.x(), picBkg->width());
    picMove->move(p - m_grabOffset, picMove->y());
    sclStrip->ensureVisible(p, picBkg->height() / 2, boxWidth() / 2, 0);
    ArrangeBands(p);
}

int frmDesigners::dropSlot(int moveLeft) const
{
    const int n = m_code ? m_code->Count() : 0;
    for (int i = 0; i < n; ++i)
        if (boxLeft(i) > moveLeft - boxWidth() / 3)
            return i;
    return n;
}

// The insertion marker stands at the slot the drop will use; over the dragged band's own
// place (where a drop moves nothing) it is hidden.
void frmDesigners::ArrangeBands(int x)
{
    const int n = m_code ? m_code->Count() : 0;
    if (n == 0)
        return;
    const int slot = dropSlot(x - m_grabOffset);
    int at;
    if (slot == 0)
        at = tx(10);
    else if (slot < n)
        at = boxLeft(slot);
    else
        at = boxLeft(n - 1) + boxWidth() + tx(15);
    imgPos->move(at - tx(40), 1);
    imgPos->raise();
    imgPos->setVisible(slot != m_current && slot != m_current + 1);
}

void frmDesigners::picBand_MouseUp(int index, Qt::MouseButton button, const QPoint&)
{
    ReleaseCursorClip();
    // only the left button's release ends a drag
    if (button != Qt::LeftButton || !m_dragging)
        return;
    imgPos->hide();
    picMove->hide();
    m_dragging = false;
    ui::DoEvents();
    if (m_code && index < picBand.size()) {
        const int n = m_code->Count();
        const int slot = dropSlot(picMove->x());
        BandImpl* moved = band();
        try {
            if (moved) {
                const QString name = moved->Name();
                if (slot < n)
                    m_code->Drag(name, picBand[slot]->tag());
                else
                    m_code->Drag(name, QVariant(), n);
            }
        } catch (const vb::Error& e) {
            if (e.number() != vb::componentError(2008))
                ui::reportError(e, this);
        }
        BandBox* b = picBand[index];
        b->move(b->x(), m_stripTop);
    }
    ui::DoEvents();
}

// ---------------------------------------------------------------- commands

void frmDesigners::addBand(int position)
{
    ui::runCommand([&] {
        if (!m_code || !m_code->AllowAddBand())
            return;
        BandImpl* b = band();
        QString reference = b ? b->Name() : QString();
        qint32 pos = position;
        m_code->ShowAddBandDialog(reference, pos);
        // the dialog sets a new band's raise mode and trigger after the strip was rebuilt
        ShowBandInfo();
    });
}

void frmDesigners::RemoveSelectedBand()
{
    BandImpl* b = band();
    if (!m_code || !b || !b->AllowDroped() || !m_code->AllowDropBand())
        return;
    const QString name = b->Name();
    if (ui::MsgBox(msg(2007) + blankLine() + QLatin1Char('[') + name + QLatin1Char(']'),
                   ui::vbYesNo | ui::vbQuestion, appTitle(), this) != ui::vbYes)
        return;
    // the band's own table goes with it; a layered band's leaving clears the shared tree
    qint32 relations = 0;
    if (b->SwapMode() == smSimpleSwap && b->heldRelations())
        relations = b->heldRelations()->Count();
    else if (b->SwapMode() == smLayersSwap && m_code->heldRelations())
        relations = m_code->heldRelations()->Count();
    if (!confirmClearRelations(relations, this))
        return;
    m_code->Remove(m_current + 1);
}

void frmDesigners::removeAll()
{
    if (!m_code)
        return;
    try {
        if (!m_code->AllowDropBand())
            return;
        for (const auto& b : m_code->bands())
            if (!b->AllowDroped())
                return;
        if (ui::MsgBox(msg(2037), ui::vbYesNo | ui::vbQuestion, appTitle(), this) == ui::vbNo)
            return;
        qint32 relations = m_code->heldRelations() ? m_code->heldRelations()->Count() : 0;
        for (const auto& b : m_code->bands())
            if (b->SwapMode() == smSimpleSwap && b->heldRelations())
                relations += b->heldRelations()->Count();
        if (!confirmClearRelations(relations, this))
            return;
        m_code->Cls();
    } catch (const vb::Error& e) {
        ui::MsgBox(e.description(), ui::vbInformation, appTitle(), this);
    }
}

bool frmDesigners::eventFilter(QObject* watched, QEvent* event)
{
    for (int i = 0; i < imgButton.size(); ++i) {
        if (watched != imgButton[i] || event->type() != QEvent::MouseButtonRelease)
            continue;
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            return false;
        if (i == 0)
            addBand(3);
        else
            ui::runCommand([&] { RemoveSelectedBand(); });
        return true;
    }
    if (event->type() != QEvent::FocusOut || m_filling || m_unloaded)
        return QDialog::eventFilter(watched, event);
    // the user leaving the box; not a message box or menu taking the focus
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason)
        return QDialog::eventFilter(watched, event);
    if (watched == txtDefault)
        textProperty_LostFocus(txtDefault, &BandImpl::Default, &BandImpl::setDefault);
    else if (watched == txtFormat)
        textProperty_LostFocus(txtFormat, &BandImpl::Formate, &BandImpl::setFormate);
    else if (watched == txtLength)
        txtLength_LostFocus();
    else if (watched == txtRange[0])
        txtRange_LostFocus(0);
    else if (watched == txtRange[1])
        txtRange_LostFocus(1);
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------- closing

void frmDesigners::done(int r)
{
    Form_Unload();
    QDialog::done(r);
}

void frmDesigners::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    ReleaseCursorClip();
    qDeleteAll(m_inputs);
    m_inputs.clear();
    if (m_code) {
        try {
            if (m_code->saveRule() == CodeClassImpl::SaveResult::Declined)
                restoreStored();
        } catch (const std::exception& e) {
            ui::reportError(e, this);
        }
    }
    detach();
}

// No to saving on close: the rule becomes the stored one again (what the host keeps, else
// the rule as it was opened or last saved here).
void frmDesigners::restoreStored()
{
    detach();
    QString text = m_code->storedDefinition();
    if (text.isEmpty())
        text = m_baseline;
    quietly([&] {
        m_code->resetRule();
        m_code->Load(QVariant(text), QString());
    });
}

} // namespace tessaly
