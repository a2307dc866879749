// The main window's device tree and device list, and the events of the windows beside it.
#include "main/core/mdlmisc.h"
#include "main/core/ui/mdlwidgets.h"
#include "main/core/ui/status.h"
#include "main/devices/ui/frmdevices.h"
#include "main/devices/ui/frmpictures.h"
#include "main/core/devicefilter.h"
#include "main/mainwin/devicelist.h"
#include "main/mainwin/ui/frmmain.h"
#include "main/mainwin/ui/frmmainshared.h"
#include "platform/cindral/cindral.h"
#include "platform/core/app.h"
#include "platform/core/events.h"
#include "platform/core/settings.h"
#include "platform/core/like.h"
#include "platform/core/vberror.h"
#include "platform/ui/command.h"
#include "platform/ui/winlock.h"
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSet>
#include <QStyle>
#include <QTreeView>
#include <QTreeWidget>
#include <cmath>
#include <optional>
#include <utility>

namespace ostrel {

using namespace mainwin;

// ---- The tree ----

void frmMain::LoadClassRules()
{
    ui::runCommand([&] {
        PostStatus(QStringLiteral("下载分类规则.."));
        cboTView->clear();
        cboTView->addItems(SchemeCaptions());
        PostStatus(QString());
    }, this);
}

void frmMain::cboTView_Click()
{
    PostStatus(QStringLiteral("应用新的分类规则.."));
    const int index = cboTView->currentIndex();
    if (index < 0 || index >= ClassSchemes().size())
        return;
    mClassRule = ExpandScheme(ClassSchemes()[index]);
    tvwDevices->clear();
    m_nextNodeIndex = 1;
    QTreeWidgetItem* root = addNode(nullptr, rootText(), QString());
    tvwDevices->setCurrentItem(root);
    LoadChildNodes(root, false, false);
    PostStatus(QString());
}

QTreeWidgetItem* frmMain::addNode(QTreeWidgetItem* parent, const QString& text, const QString& tag)
{
    auto node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tvwDevices);
    node->setText(0, text);
    node->setData(0, kTagRole, tag);
    node->setData(0, kIndexRole, m_nextNodeIndex++);
    node->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
    return node;
}

int frmMain::LoadChildNodes(QTreeWidgetItem* node, bool noLock, bool expand)
{
    PostStatus(QStringLiteral("下载子节点.."));
    QString index;
    const bool ok = ui::runCommand([&] {
        std::optional<ui::WindowUpdateLock> lock;
        if (!noLock)
            lock.emplace(this);
        const QStringList levels = mClassRule.split(QLatin1Char(';'));
        const int depth = int(levels.indexOf(NodeLevel(node->data(0, kTagRole).toString())));
        const QString filter = BuildNodeFilter(node, false);
        if (depth < 0 || depth >= levels.size() - 1 || node->childCount() > 0) {
            node->setExpanded(!node->isExpanded());
        } else {
            addChildNodes(node, levels[depth + 1], filter);
            node->setExpanded(expand);
        }
        index = node->data(0, kIndexRole).toString();
    }, this);
    if (!ok)
        return 0;
    if (m_treeTag != index)
        LoadDeviceList();
    m_treeTag = index;
    PostStatus(QString());
    return 1;
}

void frmMain::addChildNodes(QTreeWidgetItem* node, const QString& level, const QString& filter)
{
    const QStringList f = TagFields(level, 4);
    if (f[1].isEmpty() || f[1] == u"0") {
        // One node per value as the node's condition compares it: trimmed by the database,
        // letter case ignored; Null and blank values share the empty one.
        const QString column = SqlName(f[0]);
        dao::Recordset rs = RequireDatabase().OpenRecordset(
            QStringLiteral("SELECT DISTINCT Trim(") + column + QStringLiteral(") AS [v] FROM [Dev_Info]") + filter +
                QStringLiteral(" ORDER BY Trim(") + column + QStringLiteral(");"),
            dao::dbOpenSnapshot);
        QSet<QString> seen;
        for (; !rs.Eof(); rs.MoveNext()) {
            const QString text = rs.Fields(0).Value().toString();
            const QString key = vb::caseFold(text);
            if (!seen.contains(key)) {
                seen.insert(key);
                addNode(node, text, f[0]);
            }
        }
        rs.Close();
    } else if (f[1] == u"1") {
        dao::Recordset rs = RequireDatabase().OpenRecordset(QStringLiteral("SELECT ALL * FROM [SysInfo] WHERE [Type]=") +
                                                                SqlText(f[2]) + QStringLiteral(" ORDER BY [No];"),
                                                            dao::dbOpenSnapshot);
        for (; !rs.Eof(); rs.MoveNext())
            addNode(node, rs(QStringLiteral("Value")).Value().toString(),
                    level + QLatin1Char(',') + rs(QStringLiteral("No")).Value().toString());
        rs.Close();
    }
}

QVector<TreeNode> frmMain::nodeChain(QTreeWidgetItem* node) const
{
    QVector<TreeNode> chain;
    if (m_nextNodeIndex <= 2)
        return chain;   // a tree of the root alone adds nothing
    for (QTreeWidgetItem* n = node; n && n->parent(); n = n->parent())
        chain.prepend({n->text(0), n->data(0, kTagRole).toString()});
    return chain;
}

QString frmMain::BuildNodeFilter(QTreeWidgetItem* node, bool asPath) const
{
    const QVector<TreeNode> chain = nodeChain(node);
    if (asPath)
        return NodePath(rootText(), chain);
    const QString conditions = NodeConditions(chain);
    return conditions.isEmpty() ? QString() : QStringLiteral(" WHERE ") + conditions;
}

QString frmMain::selectedNodeConditions() const
{
    return NodeConditions(nodeChain(tvwDevices->currentItem()));
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == imgDevice && event->type() == QEvent::MouseButtonRelease)
        imgDevice_Click();
    else if (watched == picDevice && event->type() == QEvent::Resize)
        picDevice_Resize();
    else if (watched == lstDetail && event->type() == QEvent::KeyPress &&
             (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return ||
              static_cast<QKeyEvent*>(event)->key() == Qt::Key_Enter)) {
        // The record Tab lands on is current without being selected: Return opens it all the same.
        if (QTreeWidgetItem* current = lstDetail->currentItem(); current && !current->isSelected())
            lstDetail->setCurrentItem(current, 0, QItemSelectionModel::ClearAndSelect);
        lstDetail_DblClick();
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::tvwDevices_NodeClick(QTreeWidgetItem* node)
{
    if (node)
        ignoringErrors([&] { LoadChildNodes(node, false, true); });
}

void frmMain::mnuViewRefresh_Click()
{
    // Re-applying the scheme reloads the list, also when it shows the root.
    m_treeTag.clear();
    cboTView_Click();
}

// ---- The list ----

int frmMain::LoadDeviceList()
{
    // A load asked for while another runs replaces it.
    deviceList->cancel();
    PostStatus(QStringLiteral("下载设备列表.."));
    m_listNote.clear();
    const auto load = [&] {
        ui::BusyCursor busy;
        ui::WindowUpdateLock lock(this);
        const QString where = ListWhere(selectedNodeConditions(), mFilterText, departIds());
        m_tbsTag.clear();
        // A user filter names any column: counting its rows first would read them twice.
        deviceList->start(RequireDatabase(), where, mFilterText.trimmed().isEmpty());
    };
    // A remembered filter whose text the list refuses is dropped and the full list shows
    // instead; any other failure (a busy or unreadable database) keeps it and is shown.
    const bool stored = std::exchange(m_storedFilter, false);
    bool refused = false;
    bool ok = ui::runCommand([&] {
        try {
            load();
        } catch (const vb::Error& e) {
            if (!stored || !RefusesFilterText(e.number()))
                throw;
            refused = true;
        }
    }, this);
    if (refused) {
        mFilterText.clear();
        plat::SaveSetting(plat::appTitle(), QStringLiteral("Settings"), QStringLiteral("Filters"), QString());
        m_listNote = QStringLiteral("保存的过滤条件无效，已取消过滤。");
        ok = ui::runCommand(load, this);
    }
    if (!ok) {
        ShowProgress(false);
        PostStatus(QString());
        return 0;
    }
    if (deviceList->loading())
        ShowProgress(true);
    return 1;
}

void frmMain::finishDeviceList()
{
    deviceList->finish();
}

bool frmMain::listLoading() const
{
    return deviceList->loading();
}

void frmMain::deviceListProgress(int read, int expected)
{
    if (expected <= 0)
        return;
    PostStatus(QStringLiteral("下载设备记录:%1/%2").arg(read).arg(expected));
    if (gMsgHub)   // rounded, as the list has always shown it
        gMsgHub->SetProgress(int(std::lround(read * 100.0 / expected)));
}

void frmMain::showListTotals()
{
    lblTitle[0]->setText(QStringLiteral("设备共计:") + QString::number(deviceList->rowCount()) +
                         QStringLiteral(" 价值:") + FormatCurrency(deviceList->totalTenThousandths()));
    double x = m_splitterX;
    SizeControls(x);   // room for the totals
}

void frmMain::deviceListFinished()
{
    ShowProgress(false);
    showListTotals();
    QString caption = plat::appTitle() + QStringLiteral(" -> ") + BuildNodeFilter(tvwDevices->currentItem(), true);
    if (!mFilterText.isEmpty())
        caption += QStringLiteral("--[过滤状态]");
    setWindowTitle(caption);
    m_tbsTag.clear();
    // with no row selected the pane shows no device, tracked or not
    const bool paneShown = !txtDevice->toPlainText().isEmpty() || lstDetail->topLevelItemCount() > 0 ||
                           !imgDevice->pixmap().isNull();
    if (chkTrack->isChecked() || (selectedRow() < 0 && paneShown))
        tbsDevice_Click();
    PostStatus(m_listNote);
}

void frmMain::deviceListFailed(const vb::Error& error)
{
    ShowProgress(false);
    PostStatus(QString());
    ReportError(error);
}

int frmMain::selectedRow() const
{
    const QModelIndexList rows = lvwDevices->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

qint32 frmMain::selectedDevId() const
{
    return deviceList->devId(selectedRow());
}

void frmMain::selectRow(int row)
{
    const QModelIndex index = deviceList->index(row, 0);
    lvwDevices->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                             QItemSelectionModel::Rows);
    lvwDevices->scrollTo(index);
}

void frmMain::frmDevice_GetItem(qint32 Direction, qint32& Dev_ID)
{
    try {
        const int row = selectedRow();
        if (row < 0)
            return;
        const int target = row + Direction;
        if (target >= deviceList->rowCount())
            finishDeviceList();
        if (target < 0 || target >= deviceList->rowCount())
            return;
        Dev_ID = deviceList->devId(target);
        selectRow(target);
        if (chkTrack->isChecked())
            tbsDevice_Click();
    } catch (...) {
        ui::DoEvents();
    }
}

void frmMain::frmDevice_InfoChg(qint32, qint32 Dev_ID)
{
    ignoringErrors([&] {
        if (!LoadDeviceList())
            return;
        finishDeviceList();
        const int row = deviceList->findDevice(Dev_ID);
        if (row < 0)
            return;
        selectRow(row);
        if (chkTrack->isChecked())
            tbsDevice_Click();
    });
}

void frmMain::frmDynamic_DynaChg(qint32, qint32)
{
    ignoringErrors([&] {
        m_tbsTag.clear();
        tbsDevice_Click();
    });
}

int frmMain::frmFilt_Apply(QString FilterText)
{
    const QString previous = mFilterText;
    mFilterText = FilterText;
    if (LoadDeviceList())
        return 1;
    // The list keeps its rows, and the filter they were read with.
    mFilterText = previous;
    return 0;
}

void frmMain::imgDevice_Click()
{
    ignoringErrors([&] { ShowPictureWindow(imgDevice); });
}

} // namespace ostrel
