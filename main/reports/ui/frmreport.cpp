#include "main/reports/ui/frmreport.h"
#include "main/core/ui/controls.h"
#include "main/core/ui/frmsplash.h"
#include "main/core/ui/mdlwidgets.h"
#include "main/core/ui/status.h"
#include "main/reports/ui/summarytext.h"
#include "main/reports/ui/frmdatafilt.h"
#include "main/reports/historyquery.h"
#include "main/reports/ui/printlist.h"
#include "main/reports/rowfilter.h"
#include "platform/core/events.h"
#include "platform/ui/command.h"
#include "platform/ui/modal.h"
#include "platform/ui/twips.h"
#include "platform/ui/winlock.h"
#include "shared/forms/forms.h"
#include <QCheckBox>
#include <QHeaderView>
#include <QIcon>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QTreeWidget>

namespace ostrel {

namespace {

// Design sizes in twips.
constexpr int kMinWidth = 5000, kMinHeight = 4000;
constexpr int kButtonWidth = 2295, kButtonHeight = 375, kStatusHeight = 255;

int tx(double twips) { return ui::twipsToPixelsX(twips); }
int ty(double twips) { return ui::twipsToPixelsY(twips); }

// First widths: a whole device number, a name and a date to the minute.
QStringList columnSamples(int kind)
{
    QStringList samples = {kDeviceNoSample, kNameSample};
    const int date = HistoryDateColumn(kind);
    while (samples.size() <= date)
        samples.append(QString());
    if (date >= 0)
        samples[date] = kDateSample;
    return samples;
}

} // namespace

frmReport::frmReport(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmReport"));
    setWindowTitle(QStringLiteral("查询结果"));
    setWindowIcon(QIcon(ProgramLogo(32)));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
    setMinimumSize(tx(kMinWidth), ty(kMinHeight));

    lvwReport = new QTreeWidget(this);
    lvwReport->setObjectName(QStringLiteral("lvwReport"));
    lvwReport->setRootIsDecorated(false);
    lvwReport->setUniformRowHeights(true);
    lvwReport->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvwReport->setAllColumnsShowFocus(true);
    chkDetail = new QCheckBox(QStringLiteral("显示设备详细资料:"), this);
    chkDetail->setObjectName(QStringLiteral("chkDetail"));
    txtDetail = new QPlainTextEdit(this);
    txtDetail->setObjectName(QStringLiteral("txtDetail"));
    txtDetail->setReadOnly(true);
    txtDetail->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    cmdFilt = MakeButton(this, "cmdFilt", QStringLiteral("筛选(&F)"));
    cmdReset = MakeButton(this, "cmdReset", QStringLiteral("复位(&R)"));
    cmdPrint = MakeButton(this, "cmdPrint", QStringLiteral("打印(&P)"));
    cmdClose = MakeButton(this, "cmdClose", QStringLiteral("关闭(&C)"));
    for (QPushButton* b : {cmdFilt, cmdReset, cmdPrint, cmdClose})
        b->resize(tx(kButtonWidth), ty(kButtonHeight));
    lblStadus = new QLabel(this);
    lblStadus->setObjectName(QStringLiteral("lblStadus"));
    lblStadus->resize(tx(kMinWidth), ty(kStatusHeight));
    lvwReport->move(tx(120), ty(120));
    // The detail box starts below the whole check box.
    chkDetail->setGeometry(0, ty(130), chkDetail->sizeHint().width(), chkDetail->sizeHint().height());
    txtDetail->setGeometry(0, chkDetail->y() + chkDetail->height() + ty(30), tx(kButtonWidth), ty(1000));
    resize(tx(8000), ty(5000));

    connect(lvwReport, &QTreeWidget::itemSelectionChanged, this, [this] { lvwReport_ItemClick(selectedRow()); });
    connect(lvwReport, &QTreeWidget::itemDoubleClicked, this, [this] { cmdFilt_Click(); });
    connect(chkDetail, &QCheckBox::clicked, this, [this] { chkDetail_Click(); });
    connect(cmdFilt, &QPushButton::clicked, this, [this] { cmdFilt_Click(); });
    connect(cmdReset, &QPushButton::clicked, this, [this] { cmdReset_Click(); });
    connect(cmdPrint, &QPushButton::clicked, this, [this] { cmdPrint_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { cmdClose_Click(); });
}

frmReport::~frmReport() { forms::FormLayout(this, QStringLiteral("FormRpt"), false); }

void frmReport::resizeEvent(QResizeEvent* e)
{
    QDialog::resizeEvent(e);
    Form_Resize();
}

void frmReport::Form_Resize()
{
    const int w = width(), h = height();
    const int x = w - cmdClose->width() - tx(200);
    lblStadus->setGeometry(0, h - lblStadus->height() - ty(5), w, lblStadus->height());
    cmdClose->move(x, h - cmdClose->height() - ty(100) - lblStadus->height());
    QPushButton* above = cmdClose;
    for (QPushButton* b : {cmdPrint, cmdReset, cmdFilt}) {
        b->move(x, above->y() - cmdClose->height() - ty(50));
        above = b;
    }
    txtDetail->setGeometry(x, txtDetail->y(), txtDetail->width(), std::max(0, cmdFilt->y() - ty(50) - txtDetail->y()));
    chkDetail->move(txtDetail->x(), chkDetail->y());
    lvwReport->resize(std::max(0, x - tx(250)), std::max(0, h - ty(200) - lblStadus->height()));
}

void frmReport::Report(qint32 Index, const QDateTime& dStart, const QDateTime& dEnd)
{
    m_kind = Index;
    m_start = dStart;
    m_end = dEnd;
    RunQuery(Index, true);
}

void frmReport::RunQuery(qint32 kind, bool rebuild)
{
    ui::runCommand(
        [&] {
            PostStatus(QStringLiteral("正在执行查询.."));
            auto cleared = qScopeGuard([] { PostStatus(QString()); });
            ui::BusyCursor busy;
            {
                ui::WindowUpdateLock frozen(this);
                if (kind >= 0 && kind < kHistoryKinds && rebuild)
                    SetupColumns(lvwReport, HistoryColumns(kind), columnSamples(kind));
                switch (kind) {
                case 0: QueryTransfers(lvwReport); break;
                case 1: QueryMaintenance(lvwReport); break;
                case 2: QueryChecks(lvwReport); break;
                case 3: QueryDiscards(lvwReport); break;
                default: break;
                }
            }
            cleared.dismiss();
            PostStatus(QString());
            lvwReport_ItemClick(selectedRow());
        },
        this);
}

void frmReport::QueryTransfers(QTreeWidget* list) { query(list, 0); }
void frmReport::QueryMaintenance(QTreeWidget* list) { query(list, 1); }
void frmReport::QueryChecks(QTreeWidget* list) { query(list, 2); }
void frmReport::QueryDiscards(QTreeWidget* list) { query(list, 3); }

void frmReport::query(QTreeWidget* list, int kind)
{
    setWindowTitle(HistoryCaption(kind, m_start, m_end));
    QVector<CodeTable> codes;
    for (const QString& type : HistoryCodeTypes(kind)) {
        CodeTable t;
        LoadCodeList(type, t, true);
        codes << t;
    }
    QVector<HistoryRow> rows;
    // A failure shows its message; the rows read before it are listed.
    ui::runCommand([&] { HistoryRows(RequireDatabase(), kind, m_start, m_end, codes, rows); }, this);

    const QSignalBlocker quiet(list);
    list->clear();
    QVector<Qt::Alignment> align(list->columnCount());
    for (int c = 0; c < align.size(); ++c)
        align[c] = Qt::Alignment(list->headerItem()->textAlignment(c));
    QList<QTreeWidgetItem*> items;
    items.reserve(rows.size());
    for (const HistoryRow& r : rows) {
        auto* item = new QTreeWidgetItem(r.cells);
        item->setData(0, Qt::UserRole, r.tag);
        for (int c = 0; c < align.size(); ++c)
            if (align[c] & Qt::AlignRight)
                item->setTextAlignment(c, align[c]);
        items.append(item);
    }
    list->addTopLevelItems(items);
}

QTreeWidgetItem* frmReport::selectedRow() const
{
    QTreeWidgetItem* item = lvwReport->currentItem();
    return item && item->isSelected() ? item : nullptr;
}

void frmReport::ShowStatus()
{
    const int total = lvwReport->topLevelItemCount();
    if (QTreeWidgetItem* item = selectedRow())
        lblStadus->setText(QStringLiteral("记录:%1/%2").arg(lvwReport->indexOfTopLevelItem(item) + 1).arg(total));
    else
        lblStadus->setText(QStringLiteral("记录:%1  选中项目:%2")
                               .arg(total)
                               .arg(lvwReport->selectionModel()->selectedRows().size()));
}

void frmReport::clearDetail()
{
    txtDetail->clear();
    m_shownKey.clear();
}

void frmReport::lvwReport_ItemClick(QTreeWidgetItem* item)
{
    ShowStatus();
    if (!item) {
        clearDetail();
        return;
    }
    const QString tag = item->data(0, Qt::UserRole).toString();
    if (!chkDetail->isChecked() || (!m_shownKey.isEmpty() && tag.compare(m_shownKey, Qt::CaseInsensitive) == 0))
        return;
    m_shownKey = tag;
    QString text = GetDeviceSummary(tag.toInt());
    text.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    txtDetail->setPlainText(text);
}

void frmReport::chkDetail_Click()
{
    if (chkDetail->isChecked())
        lvwReport_ItemClick(selectedRow());
    else
        clearDetail();
}

int frmReport::columnOf(const QString& caption) const
{
    for (int c = 0; c < lvwReport->columnCount(); ++c)
        if (lvwReport->headerItem()->text(c).compare(caption, Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}

void frmReport::cmdFilt_Click()
{
    ui::runCommand(
        [&] {
            frmDataFilt filter;
            connect(&filter, &frmDataFilt::GetValue, this, &frmReport::frmDataFilt_GetValue, Qt::DirectConnection);
            connect(&filter, &frmDataFilt::Apply, this, &frmReport::frmDataFilt_Apply, Qt::DirectConnection);
            connect(&filter, &frmDataFilt::DropItems, this, &frmReport::frmDataFilt_DropItems, Qt::DirectConnection);
            ui::DoEvents();
            QStringList captions;
            for (int c = 0; c < lvwReport->columnCount(); ++c)
                captions << lvwReport->headerItem()->text(c);
            const qint32 selected = lvwReport->selectionModel()->selectedRows().size();
            filter.ShowInfo(captions.join(QLatin1Char(';')), selected, lvwReport->topLevelItemCount());
            ui::showModal(&filter);
            ui::DoEvents();
        },
        this);
}

void frmReport::cmdReset_Click() { RunQuery(m_kind, false); }

void frmReport::cmdPrint_Click()
{
    try {
        PrintListView(QStringLiteral("查询结果"), QDateTime::currentDateTime(), lvwReport->model(), nullptr);
    } catch (...) {
    }
}

void frmReport::cmdClose_Click()
{
    hide();
    ui::DoEvents();
}

void frmReport::frmDataFilt_GetValue(const QString& Column, QStringList& Values)
{
    Values.clear();
    ui::runCommand(
        [&] {
            const int p = columnOf(Column);
            if (p < 0)
                throw vb::Error::runtime(vb::errSubscript);
            ShowProgress(true);
            auto off = qScopeGuard([] { ShowProgress(false); });
            PostStatus(QStringLiteral("正在获取可能的值.."));
            const int n = lvwReport->topLevelItemCount();
            DistinctTexts texts;
            for (int i = 0; i < n; ++i) {
                texts.add(lvwReport->topLevelItem(i)->text(p));
                if ((i + 1) % 10 == 0)
                    SetProgress(i + 1, n);
            }
            Values = texts.values();
            off.dismiss();
            ShowProgress(false);
            PostStatus(QString());
        },
        this);
}

void frmReport::frmDataFilt_Apply(qint32 Column, const QString& Opera, const QString& Value, bool AsData)
{
    ui::runCommand(
        [&] {
            ui::BusyCursor busy;
            const int c = Column - 1;
            if (c < 0 || c >= lvwReport->columnCount())
                throw vb::Error::runtime(vb::errSubscript);
            const RowCondition condition(Opera, Value, AsData);
            // Every row is judged before any goes: a cell that cannot be compared removes none.
            const int n = lvwReport->topLevelItemCount();
            QVector<bool> remove(n);
            for (int i = 0; i < n; ++i)
                remove[i] = !condition.passes(lvwReport->topLevelItem(i)->text(c));
            removeRows(remove);
            ShowStatus();
        },
        this);
}

void frmReport::frmDataFilt_DropItems(bool DropSelected)
{
    ui::runCommand(
        [&] {
            PostStatus(QStringLiteral("正在滤除数据.."));
            auto cleared = qScopeGuard([] { PostStatus(QString()); });
            ui::DoEvents();
            const int n = lvwReport->topLevelItemCount();
            QVector<bool> remove(n, !DropSelected);
            for (const QModelIndex& i : lvwReport->selectionModel()->selectedRows())
                remove[i.row()] = DropSelected;
            removeRows(remove);
            cleared.dismiss();
            PostStatus(QString());
            ShowStatus();
        },
        this);
}

void frmReport::removeRows(const QVector<bool>& remove)
{
    if (!remove.contains(true))
        return;
    QItemSelectionModel* model = lvwReport->selectionModel();
    QVector<bool> selected(remove.size());
    for (const QModelIndex& i : model->selectedRows())
        selected[i.row()] = true;
    QTreeWidgetItem* current = lvwReport->currentItem();
    const int currentRow = current ? lvwReport->indexOfTopLevelItem(current) : -1;

    QList<QTreeWidgetItem*> kept, dropped;
    QList<int> keptSelected;
    int newCurrent = -1;
    {
        const QSignalBlocker quiet(lvwReport);
        const QSignalBlocker quietSelection(model);
        QList<QTreeWidgetItem*> all = lvwReport->invisibleRootItem()->takeChildren();
        for (int i = 0; i < all.size(); ++i) {
            if (remove.value(i)) {
                dropped.append(all[i]);
                continue;
            }
            if (i == currentRow)
                newCurrent = kept.size();
            if (selected[i])
                keptSelected.append(kept.size());
            kept.append(all[i]);
        }
        lvwReport->addTopLevelItems(kept);
        QItemSelection sel;
        for (int k = 0; k < keptSelected.size();) {
            int last = k;
            while (last + 1 < keptSelected.size() && keptSelected[last + 1] == keptSelected[last] + 1)
                ++last;
            sel.select(lvwReport->model()->index(keptSelected[k], 0),
                       lvwReport->model()->index(keptSelected[last], lvwReport->columnCount() - 1));
            k = last + 1;
        }
        if (newCurrent >= 0)
            model->setCurrentIndex(lvwReport->model()->index(newCurrent, 0), QItemSelectionModel::NoUpdate);
        model->select(sel, QItemSelectionModel::ClearAndSelect);
    }
    qDeleteAll(dropped);
}

} // namespace ostrel
