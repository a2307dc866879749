// The main window's detail pane: the selected device's summary, picture and histories in
// one area under the tab strip, and the device list's clicks that reach it.
#include "main/core/ui/cpicinfo.h"
#include "main/core/ui/fileshell.h"
#include "main/core/ui/mdlwidgets.h"
#include "main/core/strings.h"
#include "main/core/devicetable.h"
#include "main/mainwin/devicelist.h"
#include "main/mainwin/ui/frmmain.h"
#include "main/mainwin/ui/frmmainshared.h"
#include "main/reports/ui/summarytext.h"
#include "platform/core/events.h"
#include "platform/core/vberror.h"
#include "platform/ui/command.h"
#include "platform/ui/winlock.h"
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTreeView>
#include <QTreeWidget>

namespace ostrel {

using namespace mainwin;

namespace {

struct TabCaption {
    const char16_t* key;
    const char16_t* caption;
};
constexpr TabCaption kTabs[] = {
    {u"Summary", u"概述"}, {u"Picture", u"图片"},  {u"Trans", u"调拨"}, {u"Maintain", u"维修"},
    {u"Checks", u"验收"},  {u"Discard", u"报废"}, {u"Docs", u"资料"},
};

} // namespace

void frmMain::buildDetail()
{
    for (const TabCaption& t : kTabs) {
        const int i = tbsDevice->addTab(QString::fromUtf16(t.caption));
        tbsDevice->setTabData(i, QString::fromUtf16(t.key));
    }
    txtDevice = new QPlainTextEdit(picDevice);
    txtDevice->setObjectName(QStringLiteral("txtDevice"));
    txtDevice->setReadOnly(true);
    lstDetail = new QTreeWidget(picDevice);
    lstDetail->setObjectName(QStringLiteral("lstDetail"));
    lstDetail->setRootIsDecorated(false);
    lstDetail->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstDetail->setVisible(false);
    imgDevice->setScaledContents(true);
    picDevice->installEventFilter(this);
    lstDetail->installEventFilter(this);   // Enter opens a document as a double-click does

    // Tab runs from the list to the tab strip, into the view the tab shows, then the buttons.
    const QList<QWidget*> order = {lvwDevices, tbsDevice, txtDevice, lstDetail, chkTrack, cmdAdd, cmdDelete, cmdModify};
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);

    connect(tbsDevice, &QTabBar::currentChanged, this, [this] { tbsDevice_Click(); });
    connect(lstDetail, &QTreeWidget::itemDoubleClicked, this, [this] { lstDetail_DblClick(); });
    connect(cmdAdd, &QPushButton::clicked, this, &frmMain::cmdAdd_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmMain::cmdDelete_Click);
    connect(lvwDevices, &QTreeView::doubleClicked, this, [this] { lvwDevices_DblClick(); });
    // A click, and a move of the selection by the keyboard, count as an item click.
    connect(lvwDevices, &QTreeView::clicked, this, [this] { lvwDevices_ItemClick(); });
    connect(lvwDevices->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { lvwDevices_ItemClick(); });
}

QString frmMain::currentTabKey() const
{
    return tbsDevice->tabData(tbsDevice->currentIndex()).toString();
}

void frmMain::tbsDevice_Click()
{
    const int row = selectedRow();
    const qint32 devId = row < 0 ? 0 : selectedDevId();
    const QString key = QString::number(devId) + QLatin1Char('\r') + QString::number(tbsDevice->currentIndex() + 1);
    if (key == m_tbsTag)
        return;
    m_tbsTag = key;
    const QString devNo =
        row < 0 ? QString() : deviceList->data(deviceList->index(row, DeviceListModel::ColNo)).toString();

    ui::runCommand([&] {
        ui::BusyCursor busy;
        ui::WindowUpdateLock lock(this);
        const QString tabKey = currentTabKey();
        const auto show = [&](QWidget* shown) {
            for (QWidget* w : {static_cast<QWidget*>(txtDevice), static_cast<QWidget*>(imgDevice),
                               static_cast<QWidget*>(lstDetail)})
                w->setVisible(w == shown);
            if (shown != imgDevice)
                imgDevice->clear();
        };
        const auto enable = [&](bool on) {
            cmdAdd->setEnabled(on);
            cmdDelete->setEnabled(on);
        };
        if (tabKey == QLatin1String("Summary")) {
            show(txtDevice);
            txtDevice->setPlainText(GetDeviceSummary(devId).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
            m_txtTag = QString::number(devId) + QLatin1Char('\t') + devNo;
            // Adding follows the adding flag, deleting the deleting flag.
            cmdAdd->setEnabled(gUsrInfos && gUsrInfos->PrvAddDev());
            cmdDelete->setEnabled(gUsrInfos && gUsrInfos->PrvDelDev());
        } else if (tabKey == QLatin1String("Picture")) {
            show(imgDevice);
            qint32 id = devId;
            ShowDevicePicture(id, imgDevice);
            enable(false);
        } else if (const HistoryTab* tab = FindHistoryTab(tabKey)) {
            show(lstDetail);
            QStringList samples;
            for (const HistoryColumn& c : tab->shown)
                samples.append(c.date ? kDateSample : QString());
            SetupColumns(lstDetail, tab->columns, samples);
            m_lstTag = QString::number(devId);
            LoadHistory(*tab, devId, lstDetail, imlIco);
            enable(gUsrInfos && (gUsrInfos.get()->*(tab->allowed))());
        }
    }, this);
}

void frmMain::ShowDevicePicture(qint32& Dev_ID, QLabel* target)
{
    ui::runCommand([&] {
        target->clear();
        if (Dev_ID <= 0)
            return;
        cPicInfo& cache = gPicInfo();
        const QDateTime now = QDateTime::currentDateTime();
        // Second boundaries passed since the cache was filled.
        if (cache.ID() == Dev_ID && cache.UpdateTime().isValid() &&
            now.toSecsSinceEpoch() - cache.UpdateTime().toSecsSinceEpoch() <= 3) {
            target->setPixmap(cache.Picture());
            return;
        }
        QByteArray bytes;
        {
            dao::Recordset rs = devices::OpenDevice(Dev_ID);
            RecordsetCloser closer(rs);
            if (rs.Eof())
                return;
            bytes = devices::ReadPicture(rs);
        }
        QPixmap picture;
        if (!bytes.isNull())
            picture.loadFromData(bytes);
        target->setPixmap(picture);
        cache.setPicture(picture);
        cache.setUpdateTime(now);
        cache.setID(Dev_ID);
    }, this);
}

void frmMain::picDevice_Resize()
{
    ignoringErrors([&] {
        const QRect inner = picDevice->contentsRect();
        txtDevice->setGeometry(inner);
        lstDetail->setGeometry(inner);
        imgDevice->setGeometry(inner.left(), inner.top(), inner.height() * 3 / 2, inner.height());
    });
}

void frmMain::lstDetail_DblClick()
{
    dao::Recordset rs;
    RecordsetCloser closer(rs);
    ui::runCommand([&] {
        const int cr = m_tbsTag.indexOf(QLatin1Char('\r'));
        const QList<QTreeWidgetItem*> selected = lstDetail->selectedItems();
        if (cr < 0 || selected.isEmpty() || currentTabKey() != QLatin1String("Docs"))
            return;
        const qint32 devId = m_tbsTag.left(cr).toInt();
        rs = RequireDatabase().OpenRecordset(QStringLiteral("SELECT TOP 1 * FROM [Dev_Docs] WHERE [Dev_ID]=") +
                                                 QString::number(devId) + QStringLiteral(" AND [ID]=") +
                                                 SqlNumber(selected.first()->data(0, Qt::UserRole)) +
                                                 QLatin1Char(';'),
                                             dao::dbOpenSnapshot);
        if (rs.Eof()) {
            delete selected.first();   // another copy deleted it
            throw vb::Error(vb::componentError(1080), Str(1080));
        }
        const QVariant bytes = rs.Fields(QStringLiteral("Value")).Value();
        if (bytes.isNull() || !bytes.isValid())
            return;
        const QString name = rs.Fields(QStringLiteral("Name")).Value().toString();
        StartDoc(WriteTempDocument(name, bytes.toByteArray()));
    }, this);
}

void frmMain::lvwDevices_DblClick()
{
    ignoringErrors([&] {
        if (selectedRow() < 0)
            return;
        qint32 mode = 1;
        const qint32 devId = selectedDevId();
        ignoringErrors([&] { ShowAddWin(mode, devId); });
        dropDeviceIfGone(devId);
    });
}

void frmMain::lvwDevices_ItemClick()
{
    ignoringErrors([&] {
        if (chkTrack->isChecked())
            tbsDevice_Click();
    });
}

} // namespace ostrel
