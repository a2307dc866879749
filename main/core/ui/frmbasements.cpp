#include "main/core/ui/frmbasements.h"
#include "main/core/basedata.h"
#include "main/core/ui/controls.h"
#include "main/core/mdlmisc.h"
#include "main/core/globals.h"
#include "main/core/strings.h"
#include "main/core/usrinfos.h"
#include "platform/core/events.h"
#include "platform/core/msgbox.h"
#include "platform/ui/command.h"
#include "platform/ui/winlock.h"
#include "shared/forms/forms.h"
#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTabBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

namespace ostrel {

namespace {

const QString kAskDelete = QStringLiteral("您确实要删除指定的项目吗?");
const QString kEmpty = QStringLiteral("代码和描述不能为空。");

void showEntry(QTreeWidgetItem* item, const BaseEntry& e)
{
    item->setText(0, QString::number(e.no));
    item->setData(0, Qt::UserRole, e.id);
    item->setText(1, e.value);
    item->setText(2, e.memo);
}

QTreeWidgetItem* addRow(QTreeWidget* list, const BaseEntry& e)
{
    auto* item = new QTreeWidgetItem(list);
    showEntry(item, e);
    item->setIcon(0, list->style()->standardIcon(QStyle::SP_FileIcon));
    return item;
}

// The entry a list row shows.
BaseEntry listedEntry(const QTreeWidgetItem* item)
{
    return BaseEntry{item->data(0, Qt::UserRole), item->text(0).toInt(), item->text(1), item->text(2)};
}

// The list row of the entry with [ID] id, or null.
QTreeWidgetItem* rowOf(QTreeWidget* list, const QVariant& id)
{
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (SameValue(list->topLevelItem(i)->data(0, Qt::UserRole), id))
            return list->topLevelItem(i);
    return nullptr;
}

// The list shows the entry of [ID] id as a save left it: as stored, or no more when gone;
// a refusal of the save is raised afterwards.
void showOutcome(QTreeWidget* list, const QVariant& id, const basedata::Outcome& out)
{
    if (QTreeWidgetItem* item = rowOf(list, id)) {
        if (out.stored)
            showEntry(item, *out.stored);
        else
            delete item;
    }
    if (!out.refusal.isEmpty())
        throw vb::Error(basedata::kRefusal, out.refusal);
}

// A box takes no more than its column holds; a long text column sets no limit of its own.
void limitToColumn(QLineEdit* box, const QString& column)
{
    const int size = TextColumnSize(QStringLiteral("SysInfo"), column);
    box->setMaxLength(size > 0 ? size : std::numeric_limits<int>::max());
}

// The selected row when it may be changed: null when none is, or (after `refusal` is shown)
// when it holds the fixed code 0.
QTreeWidgetItem* changeableRow(QTreeWidget* list, const QString& refusal, QWidget* parent)
{
    QTreeWidgetItem* row = list->currentItem();
    if (row && basedata::isFixedCode(row->text(0))) {
        ui::MsgBox(refusal, ui::vbOKOnly, QString(), parent);
        return nullptr;
    }
    return row;
}

} // namespace

// ---- frmAddBases ----

frmAddBases::frmAddBases(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAddBases"));
    setWindowTitle(QStringLiteral("增加信息"));
    auto* grid = new QGridLayout;
    const QString labels[3] = {QStringLiteral("编码:"), QStringLiteral("描述:"), QStringLiteral("备注:")};
    for (int i = 0; i < 3; ++i) {
        lblValue[i] = new QLabel(labels[i], this);
        txtValue[i] = new QLineEdit(this);
        txtValue[i]->setObjectName(QStringLiteral("txtValue"));
        txtValue[i]->setProperty("index", i);
        lblValue[i]->setBuddy(txtValue[i]);
        grid->addWidget(lblValue[i], i, 0);
        grid->addWidget(txtValue[i], i, 1);
    }
    cmdOK = new QPushButton(QStringLiteral("确定(&Y)"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("关闭(&C)"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addLayout(buttons);
    resize(360, 150);

    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    forms::LoadResStrings(this, strings());
}

void frmAddBases::ShowInfo(int& Mode, QString& No, QString& Value, QString& Memo)
{
    setWindowTitle(Mode != 0 ? QStringLiteral("修改信息") : QStringLiteral("增加信息"));
    txtValue[0]->setText(No);
    txtValue[1]->setText(Value);
    txtValue[2]->setText(Memo);
    m_mode = Mode;
}

void frmAddBases::cmdOK_Click()
{
    for (int i = 0; i < 2; ++i) {
        txtValue[i]->setText(txtValue[i]->text().trimmed());
        if (txtValue[i]->text().isEmpty()) {
            ui::MsgBox(kEmpty, ui::vbInformation, QString(), this);
            txtValue[i]->setFocus();
            return;
        }
    }
    int mode = m_mode;
    QString no = txtValue[0]->text();
    QString value = txtValue[1]->text();
    QString memo = txtValue[2]->text();
    m_refused = false;
    Q_EMIT InfoChg(mode, no, value, memo);
    ShowInfo(mode, no, value, memo);
    txtValue[0]->setFocus();
    ui::DoEvents();
    // A refused change stays open with what was typed.
    if (m_mode == 1 && !m_refused)
        hide();
}

void frmAddBases::cmdCancel_Click() { hide(); }

// ---- frmBasements ----

frmBasements::frmBasements(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmBasements"));
    setWindowTitle(QStringLiteral("基础信息管理"));

    tbsOptions = new QTabBar(this);
    tbsOptions->setObjectName(QStringLiteral("tbsOptions"));
    tbsOptions->setExpanding(false);
    tbsOptions->setUsesScrollButtons(false);   // every tab in sight, the window as wide as they need
    lvwDetail = new QTreeWidget(this);
    lvwDetail->setObjectName(QStringLiteral("lvwDetail"));
    lvwDetail->setRootIsDecorated(false);
    lvwDetail->setSelectionMode(QAbstractItemView::SingleSelection);
    lvwDetail->setHeaderLabels({QStringLiteral("代码"), QStringLiteral("描述"), QStringLiteral("备注")});
    lvwDetail->setAllColumnsShowFocus(true);

    cmdAdd = MakeButton(this, "cmdAdd", QStringLiteral("添加(&A)"));
    cmdUpdate = MakeButton(this, "cmdUpdate", QStringLiteral("更新(&U)"));
    cmdDelete = MakeButton(this, "cmdDelete", QStringLiteral("删除(&D)"));
    cmdClose = MakeButton(this, "cmdClose", QStringLiteral("关闭(&C)"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {cmdAdd, cmdUpdate, cmdDelete, cmdClose})
        buttons->addWidget(b);
    auto* top = new QVBoxLayout(this);
    top->setSpacing(0);
    top->addWidget(tbsOptions);
    top->addWidget(lvwDetail, 1);
    top->addSpacing(8);
    top->addLayout(buttons);
    resize(560, 380);

    connect(tbsOptions, &QTabBar::currentChanged, this, [this] { tbsOptions_Click(); });
    connect(lvwDetail, &QTreeWidget::itemDoubleClicked, this, [this] { lvwDetail_DblClick(); });
    connect(cmdAdd, &QPushButton::clicked, this, [this] { cmdAdd_Click(); });
    connect(cmdUpdate, &QPushButton::clicked, this, [this] { cmdUpdate_Click(); });
    connect(cmdDelete, &QPushButton::clicked, this, [this] { cmdDelete_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { cmdClose_Click(); });

    // Ctrl+Tab reaches the window whichever control has the focus.
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);

    Form_Load();
}

frmBasements::~frmBasements() = default;

void frmBasements::Form_Load()
{
    forms::LoadResStrings(this, strings());
    if (QScreen* screen = this->screen() ? this->screen() : QApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    const bool maintain = gUsrInfos && gUsrInfos->PrvStyle() == 3;
    cmdAdd->setEnabled(maintain);
    cmdUpdate->setEnabled(maintain);
    cmdDelete->setEnabled(maintain);
}

QString frmBasements::selectedType() const
{
    const int i = tbsOptions->currentIndex();
    return i >= 0 ? tbsOptions->tabData(i).toString() : QString();
}

void frmBasements::ShowInfo(QString& Tabs, int& Index)
{
    ui::WindowUpdateLock lock(this);
    if (!Tabs.isEmpty()) {
        const QSignalBlocker block(tbsOptions);
        while (tbsOptions->count() > 0)
            tbsOptions->removeTab(0);
        for (const QString& entry : Tabs.split(QLatin1Char(';'))) {
            const int comma = entry.indexOf(QLatin1Char(','));
            const int tab = tbsOptions->addTab(comma >= 0 ? entry.left(comma) : entry);
            tbsOptions->setTabData(tab, comma >= 0 ? entry.mid(comma + 1) : QString());
        }
        // Wide enough for every tab, about the same centre.
        const QPoint centre = pos() + QPoint(width() / 2, height() / 2);
        const QMargins margins = layout()->contentsMargins();
        resize(std::max(width(), tbsOptions->sizeHint().width() + margins.left() + margins.right()), height());
        move(centre - QPoint(width() / 2, height() / 2));
    }
    if (Index < 1 || Index > tbsOptions->count())
        Index = 1;
    if (tbsOptions->currentIndex() != Index - 1 && Index <= tbsOptions->count())
        tbsOptions->setCurrentIndex(Index - 1);   // lists the tab through tbsOptions_Click
    else
        fillList();
}

void frmBasements::fillList()
{
    const QString type = selectedType();
    lvwDetail->clear();
    if (tbsOptions->currentIndex() < 0)
        return;
    ui::runCommand([&] {
        for (const BaseEntry& e : basedata::list(type))
            addRow(lvwDetail, e);
    }, this);
}

void frmBasements::tbsOptions_Click()
{
    QString none;
    int index = tbsOptions->currentIndex() + 1;
    ShowInfo(none, index);
}

bool frmBasements::Form_KeyDown(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Tab || event->modifiers() != Qt::ControlModifier)
        return false;
    const int n = tbsOptions->count();
    if (n > 0)
        tbsOptions->setCurrentIndex((tbsOptions->currentIndex() + 1) % n);
    return true;
}

bool frmBasements::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this && Form_KeyDown(static_cast<QKeyEvent*>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

void frmBasements::keyPressEvent(QKeyEvent* event)
{
    if (!Form_KeyDown(event))
        QDialog::keyPressEvent(event);
}

void frmBasements::lvwDetail_DblClick()
{
    // The buttons say what the user may do; a double-click may not do more.
    if (cmdUpdate->isEnabled())
        cmdUpdate_Click();
}

void frmBasements::cmdAdd_Click()
{
    int mode = 0;
    QString no, value, memo;
    ShowAddWin(mode, no, value, memo);
}

void frmBasements::cmdUpdate_Click()
{
    QTreeWidgetItem* row = changeableRow(lvwDetail, basedata::fixedUpdateText(), this);
    if (!row)
        return;
    int mode = 1;
    QString no = row->text(0), value = row->text(1), memo = row->text(2);
    m_row = basedata::ShownRow{listedEntry(row), listedEntry(row)};
    ShowAddWin(mode, no, value, memo);
}

void frmBasements::cmdDelete_Click()
{
    QTreeWidgetItem* row = changeableRow(lvwDetail, basedata::fixedDeleteText(), this);
    if (!row)
        return;
    ui::runCommand([&] {
        const QString type = selectedType();
        const BaseEntry shown = listedEntry(row);
        basedata::checkDeletable(type, row->text(0));
        if (ui::MsgBox(kAskDelete, ui::vbYesNo | ui::vbQuestion, QString(), this) == ui::vbNo)
            return;
        showOutcome(lvwDetail, shown.id, basedata::remove(type, shown));
    }, this);
}

void frmBasements::cmdClose_Click() { hide(); }

void frmBasements::ShowAddWin(int& Mode, QString& No, QString& Value, QString& Memo)
{
    frmAddBase = new frmAddBases(this);
    connect(frmAddBase, &frmAddBases::InfoChg, this,
            [this](int& mode, QString& no, QString& value, QString& memo) { frmAddBase_InfoChg(mode, no, value, memo); });
    ui::runCommand([&] {
        limitToColumn(frmAddBase->txtValue[1], QStringLiteral("Value"));
        limitToColumn(frmAddBase->txtValue[2], QStringLiteral("Memo"));
    }, this);
    ui::DoEvents();
    frmAddBase->ShowInfo(Mode, No, Value, Memo);
    Q_EMIT addWinOpened(frmAddBase);
    frmAddBase->exec();
    delete frmAddBase;
    frmAddBase = nullptr;
}

void frmBasements::frmAddBase_InfoChg(int& Mode, QString& No, QString& Value, QString& Memo)
{
    bool stored = true;
    const bool done = ui::runCommand([&] {
        if (Mode != 0)
            stored = UpdateBaseValue(No, Value, Memo);
        else
            AddBaseValue(No, Value, Memo);
    }, frmAddBase);
    if ((!done || !stored) && frmAddBase)
        frmAddBase->markRefused();
}

void frmBasements::AddBaseValue(QString& No, QString& Value, QString& Memo)
{
    const BaseEntry e = basedata::add(selectedType(), No, Value, Memo);
    No = QString::number(e.no);
    addRow(lvwDetail, e);
}

bool frmBasements::UpdateBaseValue(QString& No, QString& Value, QString& Memo)
{
    // A text another copy saved meanwhile is overwritten only when the user says so.
    const auto overwrite = [this](const FieldConflicts& conflicts) {
        return ui::MsgBox(ConflictQuestion(conflicts), ui::vbYesNo | ui::vbQuestion, QString(), frmAddBase) == ui::vbYes;
    };
    const QVariant id = m_row.shown.id;
    const basedata::Outcome out = basedata::modify(selectedType(), m_row, No, Value, Memo, overwrite);
    No = QString::number(out.show.no);
    Value = out.show.value;
    Memo = out.show.memo;
    showOutcome(lvwDetail, id, out);
    return out.written;
}

QString BaseDataTabs()
{
    return QStringLiteral("设备分组,Dev_Grp;使用部门,Departs;责任人员,Trans;验收状况,Check;") +
           QStringLiteral("设备状况,State;维修分类,MTypes;维修厂商,Mains;资料类型,DType");
}

void ShowBaseDataWindow(QWidget* parent)
{
    frmBasements window(parent);
    ui::DoEvents();
    QString tabs = BaseDataTabs();
    int index = -1;
    window.ShowInfo(tabs, index);
    window.exec();
    ui::DoEvents();
}

} // namespace ostrel
