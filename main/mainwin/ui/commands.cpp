// The main window's commands that add and delete devices and history records, clear the
// database and open the editors and tool windows.
#include "main/core/ui/cpicinfo.h"
#include "main/core/devicetable.h"
#include "main/core/filehelpers.h"
#include "main/core/ui/frmbasements.h"
#include "main/core/ui/frmusers.h"
#include "main/core/ui/mdlwidgets.h"
#include "main/devices/ui/frmdevices.h"
#include "main/devices/ui/frmdynamics.h"
#include "main/mainwin/devicelist.h"
#include "main/mainwin/ui/frmmain.h"
#include "main/mainwin/ui/frmmainshared.h"
#include "main/reports/ui/frmfilter.h"
#include "main/reports/ui/frmquery.h"
#include "platform/core/app.h"
#include "platform/core/events.h"
#include "platform/core/msgbox.h"
#include "platform/core/sharedfile.h"
#include "platform/core/vberror.h"
#include "platform/ui/beep.h"
#include "platform/ui/command.h"
#include "platform/ui/modal.h"
#include <QFile>
#include <QTextStream>
#include <QTreeView>
#include <QTreeWidget>
#include <cerrno>

namespace ostrel {

using namespace mainwin;

// ---- The editors ----

void frmMain::ShowAddWin(qint32& Mode, qint32 Dev_ID)
{
    if (!frmDevice) {
        frmDevice = new frmDevices(this);
        PlaceOverOwner(frmDevice);
        connect(frmDevice.data(), &frmDevices::InfoChg, this, &frmMain::frmDevice_InfoChg);
        connect(frmDevice.data(), &frmDevices::GetItem, this, &frmMain::frmDevice_GetItem);
    } else if (frmDevice->isVisible()) {
        frmDevice->showNormal();
        frmDevice->raise();
        frmDevice->activateWindow();
    }
    ui::DoEvents();
    frmDevice->ShowInfo(Mode, Dev_ID);
    frmDevice->show();
}

void frmMain::ShowDynaWin(qint32& Kind, qint32& Dev_ID)
{
    frmDynamic = new frmDynamics(this);
    connect(frmDynamic.data(), &frmDynamics::DynaChg, this, &frmMain::frmDynamic_DynaChg);
    ui::DoEvents();
    ui::runCommand([&] {
        frmDynamic->ShowInfo(Kind, Dev_ID);
        ui::DoEvents();
        ui::showModal(frmDynamic);
    }, this);
    ignoringErrors([&] { delete frmDynamic.data(); });
}

// ---- The buttons under the tabs ----

void frmMain::cmdAdd_Click()
{
    ignoringErrors([&] {
        qint32 devId = selectedDevId();
        const QString key = currentTabKey();
        if (key == QLatin1String("Summary")) {
            qint32 mode = 0;
            ShowAddWin(mode, 0);
        } else if (const HistoryTab* tab = FindHistoryTab(key)) {
            qint32 kind = tab->kind;
            ShowDynaWin(kind, devId);
            if (devId > 0)
                dropDeviceIfGone(devId);
        }
    });
}

void frmMain::cmdDelete_Click()
{
    ui::runCommand([&] {
        const QString key = currentTabKey();
        if (key == QLatin1String("Summary")) {
            const int tab = m_txtTag.indexOf(QLatin1Char('\t'));
            if (tab < 0)
                throw vb::Error::runtime(vb::errSubscript);
            const qint32 devId = m_txtTag.left(tab).toInt();
            if (devId < 1) {
                ui::Beep();
                return;
            }
            deleteDevice(devId, m_txtTag.mid(tab + 1));
        } else if (const HistoryTab* tab = FindHistoryTab(key)) {
            const qint32 devId = m_lstTag.toInt();
            const QList<QTreeWidgetItem*> selected = lstDetail->selectedItems();
            if (selected.isEmpty()) {
                ui::Beep();
                return;
            }
            QTreeWidgetItem* item = selected.first();
            const qint32 id = item->data(0, Qt::UserRole).toInt();
            // deleted here, or by another copy before
            if (DeleteDynaRecord(devId, id, tab->table).isValid() || !HistoryRecordStored(devId, id, tab->table))
                delete item;
        }
    }, this);
}

// ---- The tools menu ----

void frmMain::deleteDevice(qint32 devId, const QString& devNo)
{
    if (DeleteDevice(devId, devNo).isValid())
        removeDevice(devId);
    else
        dropDeviceIfGone(devId);
}

void frmMain::dropDeviceIfGone(qint32 devId)
{
    ignoringErrors([&] {
        if (!devices::DeviceStored(devId))
            removeDevice(devId);
    });
}

void frmMain::removeDevice(qint32 devId)
{
    const int row = deviceList->findDevice(devId);
    if (row >= 0)
        deviceList->removeRows(row, 1);
    // The pane never shows a device that is gone.
    m_tbsTag.clear();
    tbsDevice_Click();
}

void frmMain::mnuToolDelDev_Click()
{
    ui::runCommand([&] {
        if (!gUsrInfos || !gUsrInfos->PrvDelDev())
            return;
        const int row = selectedRow();
        if (row < 0)
            return;
        deleteDevice(deviceList->devId(row),
                     deviceList->data(deviceList->index(row, DeviceListModel::ColNo)).toString());
    }, this);
}

void frmMain::mnuToolClear_Click()
{
    if (!gUsrInfos || !gUsrInfos->PrvClear())
        return;
    if (ui::MsgBox(QStringLiteral("确实要清空数据库吗？清空后全部数据将丢失！！"), ui::vbYesNo | ui::vbExclamation,
                   plat::appTitle(), this) != ui::vbYes)
        return;
    const bool cleared = ui::runCommand([&] {
        ui::BusyCursor busy;
        ClearDeviceTables([](const QString& table) { PostStatus(QStringLiteral("清理数据表:") + table); });
    }, this);
    PostStatus(QString());
    if (!cleared)
        return;
    // The cached picture is of a device that is gone.
    gPicInfo() = cPicInfo();
    m_treeTag.clear();
    cboTView_Click();
    m_tbsTag.clear();
    tbsDevice_Click();
}

void frmMain::mnuBasement_Click()
{
    if (gUsrInfos && gUsrInfos->PrvStyle() == 3)
        ui::runCommand([&] { ShowBaseDataWindow(this); }, this);
}

void frmMain::mnuToolUsr_Click()
{
    if (gUsrInfos && gUsrInfos->PrvStyle() == 3)
        ui::runCommand([&] { ShowUsersWindow(this); }, this);
}

void frmMain::mnuToolFilt_Click()
{
    ui::runCommand([&] {
        if (!frmFilt) {
            frmFilt = new frmFilter(this);
            PlaceOverOwner(frmFilt);
            connect(frmFilt.data(), &frmFilter::Apply, this,
                    [this](QString FilterText, bool& Refused) { Refused = !frmFilt_Apply(FilterText); });
            ui::DoEvents();
        }
        frmFilt->show();
        frmFilt->raise();
        frmFilt->activateWindow();
        ui::DoEvents();
    }, this);
}

void frmMain::mnuQuery_Click()
{
    ui::runCommand([&] {
        frmQuery query(this);
        ui::DoEvents();
        ui::showModal(&query);
        ui::DoEvents();
    }, this);
}

void frmMain::mnuGetInfo_Click()
{
    ui::runCommand([&] {
        QFile file(plat::appFile(QStringLiteral("Agency.txt")));
        QString why;
        if (const int err = plat::openShared(file, plat::SharedAccess::Read, &why))
            throw err == ENOENT ? vb::Error::runtime(vb::errFileNotFound) : vb::Error(vb::errPermissionDenied, why);
        QTextStream in(&file);
        QStringList keys;
        QStringList values;
        for (QString line = GetLineValue(&in, QString()); !line.isEmpty(); line = GetLineValue(&in, QString())) {
            const int colon = line.indexOf(QLatin1Char(':'));
            keys << (colon < 0 ? line : line.left(colon)).trimmed();
            values << (colon < 0 ? QString() : line.mid(colon + 1)).trimmed();
        }
        if (keys.isEmpty())
            throw vb::Error(1000, QStringLiteral("对不起,必要的参数丢失!"));
        // What the agency's pairs are to show has not been decided: nothing is shown.
        Q_UNUSED(values);
    }, this);
}

} // namespace ostrel
