#include "main/mainwin/ui/frmmain.h"
#include "main/core/ui/cbackup.h"
#include "main/core/ui/frmbasements.h"
#include "main/core/ui/frmsplash.h"
#include "main/core/ui/frmusers.h"
#include "main/core/filehelpers.h"
#include "main/core/mdlmisc.h"
#include "main/core/ui/mdlwidgets.h"
#include "main/core/globals.h"
#include "main/core/strings.h"
#include "main/core/usrinfos.h"
#include "main/devices/ui/frmdevices.h"
#include "main/devices/ui/frmdynamics.h"
#include "main/core/devicefilter.h"
#include "main/mainwin/devicelist.h"
#include "main/mainwin/ui/devicecolumns.h"
#include "main/mainwin/ui/frmmainshared.h"
#include "main/mainwin/ui/import.h"
#include "main/reports/ui/devicecard.h"
#include "main/reports/ui/frmfilter.h"
#include "main/reports/ui/frmprncols.h"
#include "platform/cindral/cindral.h"
#include "platform/cindral/progresswidget.h"
#include "platform/core/app.h"
#include "platform/core/events.h"
#include "platform/core/msgbox.h"
#include "platform/core/settings.h"
#include "platform/ui/command.h"
#include "platform/ui/twips.h"
#include "platform/ui/winlock.h"
#include "shared/forms/forms.h"
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace ostrel {

using namespace mainwin;

namespace {

constexpr double kDetailHeight = 2500;   // twips
const QString kSettings = QStringLiteral("Settings");

} // namespace

frmMain::frmMain(QWidget* parent) : QMainWindow(parent)
{
    // Not deleted on close: the close command runs from inside its own menu. Start-up
    // releases the window when the program ends.
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(plat::appTitle());
    setWindowIcon(QIcon(ProgramLogo(32)));
    setMinimumSize(ui::twipsToPixelsX(8000), ui::twipsToPixelsY(4500));
    buildMenus();
    buildPanes();
    buildStatusBar();
}

frmMain::~frmMain()
{
    deviceList->cancel();
    releaseCodes();
}

void frmMain::buildMenus()
{
    const auto entry = [this](QMenu* menu, QAction*& a, const char* name, const QString& text,
                              const QKeySequence& key = QKeySequence()) {
        a = menu->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(key);
    };
    const auto menu = [this](QMenu*& m, const char* name, int text) {
        m = menuBar()->addMenu(Str(text));
        m->setObjectName(QString::fromLatin1(name));
    };

    menu(mnuFile, "mnuFile", 1000);
    entry(mnuFile, mnuFileDevRule, "mnuFileDevRule", QStringLiteral("设备编码规则.."), QKeySequence(QStringLiteral("Ctrl+R")));
    entry(mnuFile, mnuFilePrint, "mnuFilePrint", QStringLiteral("打印设备清单.."), QKeySequence(QStringLiteral("Ctrl+P")));
    entry(mnuFile, mnuFileCard, "mnuFileCard", QStringLiteral("打印设备卡片.."), QKeySequence(Qt::Key_F2));
    entry(mnuFile, mnuFileImport, "mnuFileImport", QStringLiteral("导入外部数据.."));
    entry(mnuFile, mnuFileBackup, "mnuFileBackup", QStringLiteral("备份系统数据.."));
    mnuFile->addSeparator();
    entry(mnuFile, mnuFileClose, "mnuFileClose", Str(1001));

    menu(mnuView, "mnuView", 1002);
    entry(mnuView, mnuViewToolbar, "mnuViewToolbar", Str(1003));
    mnuViewToolbar->setCheckable(true);
    mnuViewToolbar->setEnabled(false);
    entry(mnuView, mnuViewStatusBar, "mnuViewStatusBar", Str(1004));
    mnuViewStatusBar->setCheckable(true);
    mnuViewStatusBar->setChecked(true);
    mnuView->addSeparator();
    const char* const modes[4] = {"mnuListViewMode0", "mnuListViewMode1", "mnuListViewMode2", "mnuListViewMode3"};
    for (int i = 0; i < 4; ++i) {
        entry(mnuView, mnuListViewMode[i], modes[i], Str(1005 + i));
        mnuListViewMode[i]->setVisible(false);
    }
    mnuView->addSeparator()->setVisible(false);
    entry(mnuView, mnuViewArrangeIcons, "mnuViewArrangeIcons", Str(1009));
    mnuViewArrangeIcons->setVisible(false);
    mnuView->addSeparator()->setVisible(false);
    entry(mnuView, mnuViewRefresh, "mnuViewRefresh", Str(1010), QKeySequence(Qt::Key_F5));

    menu(mnuTools, "mnuTools", 1012);
    entry(mnuTools, mnuToolAdd, "mnuToolAdd", QStringLiteral("添加设备(&A).."), QKeySequence(Qt::Key_F7));
    entry(mnuTools, mnuToolDelDev, "mnuToolDelDev", QStringLiteral("删除设备(&D)"), QKeySequence(Qt::Key_F6));
    mnuTools->addSeparator();
    entry(mnuTools, mnuToolClear, "mnuToolClear", QStringLiteral("清空数据库(&C)"));
    mnuTools->addSeparator();
    entry(mnuTools, mnuBasement, "mnuBasement", QStringLiteral("基础信息(&B).."));
    entry(mnuTools, mnuToolUsr, "mnuToolUsr", QStringLiteral("用户管理(&U).."));
    mnuTools->addSeparator();
    entry(mnuTools, mnuToolFilt, "mnuToolFilt", QStringLiteral("过滤条件(&F).."), QKeySequence(Qt::Key_F4));
    entry(mnuTools, mnuQuery, "mnuQuery", QStringLiteral("数据查询(&Q)"), QKeySequence(Qt::Key_F8));
    mnuTools->addSeparator()->setVisible(false);
    entry(mnuTools, mnuGetInfo, "mnuGetInfo", QStringLiteral("Info"));
    mnuGetInfo->setVisible(false);
    entry(mnuTools, mnuToolsOptions, "mnuToolsOptions", Str(1013));
    mnuToolsOptions->setVisible(false);

    menu(mnuHelp, "mnuHelp", 1014);
    entry(mnuHelp, mnuHelpContents, "mnuHelpContents", Str(1015));
    entry(mnuHelp, mnuHelpSearchForHelpOn, "mnuHelpSearchForHelpOn", Str(1016));
    mnuHelp->addSeparator();
    entry(mnuHelp, mnuHelpAbout, "mnuHelpAbout", Str(1017));

    const auto on = [this](QAction* a, void (frmMain::*slot)()) { connect(a, &QAction::triggered, this, slot); };
    on(mnuFileDevRule, &frmMain::mnuFileDevRule_Click);
    on(mnuFilePrint, &frmMain::mnuFilePrint_Click);
    on(mnuFileCard, &frmMain::mnuFileCard_Click);
    on(mnuFileImport, &frmMain::mnuFileImport_Click);
    on(mnuFileBackup, &frmMain::mnuFileBackup_Click);
    on(mnuFileClose, &frmMain::mnuFileClose_Click);
    on(mnuViewToolbar, &frmMain::mnuViewToolbar_Click);
    on(mnuViewStatusBar, &frmMain::mnuViewStatusBar_Click);
    on(mnuViewRefresh, &frmMain::mnuViewRefresh_Click);
    on(mnuBasement, &frmMain::mnuBasement_Click);
    on(mnuToolUsr, &frmMain::mnuToolUsr_Click);
    on(mnuToolFilt, &frmMain::mnuToolFilt_Click);
    on(mnuToolDelDev, &frmMain::mnuToolDelDev_Click);
    on(mnuToolClear, &frmMain::mnuToolClear_Click);
    on(mnuQuery, &frmMain::mnuQuery_Click);
    on(mnuGetInfo, &frmMain::mnuGetInfo_Click);
    on(mnuHelpContents, &frmMain::mnuHelpContents_Click);
    on(mnuHelpSearchForHelpOn, &frmMain::mnuHelpSearchForHelpOn_Click);
    on(mnuHelpAbout, &frmMain::mnuHelpAbout_Click);
    connect(mnuToolAdd, &QAction::triggered, this, [this] {
        qint32 mode = 0;
        ignoringErrors([&] { ShowAddWin(mode, 0); });
    });

    // The toolbar, hidden while its menu entry is unchecked.
    tbToolBar = addToolBar(QStringLiteral("tbToolBar"));
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    for (int i = 0; i < 11; ++i) {
        QAction* b = tbToolBar->addAction(Str(1018 + i));
        b->setObjectName(Str(1018 + i));
        b->setToolTip(Str(1018 + i));
    }
    tbToolBar->setVisible(false);
    connect(tbToolBar, &QToolBar::actionTriggered, this, &frmMain::tbToolBar_ButtonClick);
}

void frmMain::buildPanes()
{
    auto central = new QWidget(this);
    central->setObjectName(QStringLiteral("picTitles"));
    auto outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    imgSplitter = new QSplitter(Qt::Horizontal, central);
    imgSplitter->setObjectName(QStringLiteral("imgSplitter"));
    imgSplitter->setChildrenCollapsible(false);
    imgSplitter->setHandleWidth(std::max(2, ui::twipsToPixelsX(40)));
    outer->addWidget(imgSplitter);

    // Left: the scheme box over the tree.
    auto left = new QWidget(imgSplitter);
    auto leftBox = new QVBoxLayout(left);
    leftBox->setContentsMargins(0, 0, 0, 0);
    auto schemeRow = new QHBoxLayout;
    lblInfo = new QLabel(QStringLiteral("模式:"), left);
    lblInfo->setObjectName(QStringLiteral("lblInfo"));
    cboTView = new QComboBox(left);
    cboTView->setObjectName(QStringLiteral("cboTView"));
    schemeRow->addWidget(lblInfo);
    schemeRow->addWidget(cboTView, 1);
    leftBox->addLayout(schemeRow);
    tvwDevices = new QTreeWidget(left);
    tvwDevices->setObjectName(QStringLiteral("tvwDevices"));
    tvwDevices->setHeaderHidden(true);
    leftBox->addWidget(tvwDevices, 1);

    // Right: the list's titles, the list, the detail pane of fixed height.
    auto right = new QWidget(imgSplitter);
    auto rightBox = new QVBoxLayout(right);
    rightBox->setContentsMargins(0, 0, 0, 0);
    auto titleRow = new QHBoxLayout;
    lblTitle[1] = new QLabel(QStringLiteral(" 列表视图:"), right);
    lblTitle[1]->setObjectName(QStringLiteral("lblTitle1"));
    // In a narrow pane the caption gives way to the totals beside it.
    lblTitle[1]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    lblTitle[0] = new QLabel(QStringLiteral("设备共计:"), right);
    lblTitle[0]->setObjectName(QStringLiteral("lblTitle0"));
    lblTitle[0]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    titleRow->addWidget(lblTitle[1], 1);
    titleRow->addWidget(lblTitle[0]);
    rightBox->addLayout(titleRow);

    deviceList = new DeviceListModel(this);
    lvwDevices = new QTreeView(right);
    lvwDevices->setObjectName(QStringLiteral("lvwDevices"));
    lvwDevices->setRootIsDecorated(false);
    lvwDevices->setUniformRowHeights(true);
    lvwDevices->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwDevices->setSelectionMode(QAbstractItemView::SingleSelection);
    lvwDevices->setModel(deviceList);
    SizeDeviceColumns(lvwDevices);
    rightBox->addWidget(lvwDevices, 1);

    // The detail pane; its tabs and views come with the detail commands.
    auto detail = new QWidget(right);
    detail->setObjectName(QStringLiteral("detailPane"));
    detail->setFixedHeight(ui::twipsToPixelsY(kDetailHeight));
    auto detailBox = new QVBoxLayout(detail);
    detailBox->setContentsMargins(0, 0, 0, 0);
    tbsDevice = new QTabBar(detail);
    tbsDevice->setObjectName(QStringLiteral("tbsDevice"));
    detailBox->addWidget(tbsDevice);
    auto detailRow = new QHBoxLayout;
    auto viewBox = new QVBoxLayout;
    picDevice = new QWidget(detail);
    picDevice->setObjectName(QStringLiteral("picDevice"));
    imgDevice = new QLabel(picDevice);
    imgDevice->setObjectName(QStringLiteral("imgDevice"));
    imgDevice->setVisible(false);
    imgDevice->installEventFilter(this);
    chkTrack = new QCheckBox(QStringLiteral("自动跟踪列表"), detail);
    chkTrack->setObjectName(QStringLiteral("chkTrack"));
    viewBox->addWidget(picDevice, 1);
    viewBox->addWidget(chkTrack);
    auto buttons = new QVBoxLayout;
    cmdAdd = new QPushButton(QStringLiteral("登记(&N)"), detail);
    cmdAdd->setObjectName(QStringLiteral("cmdAdd"));
    cmdDelete = new QPushButton(QStringLiteral("删除(&D)"), detail);
    cmdDelete->setObjectName(QStringLiteral("cmdDelete"));
    cmdModify = new QPushButton(QStringLiteral("退出(&X)"), detail);
    cmdModify->setObjectName(QStringLiteral("cmdModify"));
    for (QPushButton* b : {cmdAdd, cmdDelete, cmdModify}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    detailRow->addLayout(viewBox, 1);
    detailRow->addLayout(buttons);
    detailBox->addLayout(detailRow, 1);
    rightBox->addWidget(detail);
    buildDetail();

    // The panes take the widths SizeControls gives them, whatever their contents ask for;
    // the list's pane no less than its title row needs (SizeControls).
    left->setMinimumWidth(1);
    right->setMinimumWidth(1);
    imgSplitter->addWidget(left);
    imgSplitter->addWidget(right);
    imgSplitter->setStretchFactor(1, 1);
    setCentralWidget(central);

    connect(cboTView, qOverload<int>(&QComboBox::activated), this, [this] { cboTView_Click(); });
    connect(tvwDevices, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* node) { tvwDevices_NodeClick(node); });
    connect(imgSplitter, &QSplitter::splitterMoved, this, [this](int pos) {
        double x = ui::pixelsToTwipsX(pos);
        SizeControls(x);
    });
    connect(cmdModify, &QPushButton::clicked, this, &frmMain::mnuFileClose_Click);
    connect(deviceList, &DeviceListModel::progress, this, &frmMain::deviceListProgress);
    connect(deviceList, &DeviceListModel::finished, this, &frmMain::deviceListFinished);
    connect(deviceList, &DeviceListModel::failed, this, &frmMain::deviceListFailed);
    // A device deleted from the list leaves the totals right.
    connect(deviceList, &QAbstractItemModel::rowsRemoved, this, [this] {
        if (!deviceList->loading())
            showListTotals();
    });
}

void frmMain::buildStatusBar()
{
    QStatusBar* sb = statusBar();
    sb->setObjectName(QStringLiteral("sbStatusBar"));
    for (int i = 0; i < 4; ++i) {
        sbPanels[i] = new QLabel(sb);
        sbPanels[i]->setObjectName(QStringLiteral("sbPanel%1").arg(i + 1));
        sbPanels[i]->setFrameShape(QFrame::StyledPanel);
        sbPanels[i]->setFrameShadow(QFrame::Sunken);
    }
    sb->addWidget(sbPanels[0], 1);
    sb->addPermanentWidget(new cindral::ProgressWidget(sb));
    for (int i = 1; i < 4; ++i)
        sb->addPermanentWidget(sbPanels[i]);

    auto clock = new QTimer(this);
    connect(clock, &QTimer::timeout, this, &frmMain::showClock);
    clock->start(1000);
    showClock();
}

// ---- Loading and unloading ----

void frmMain::Form_Load()
{
    cMes = gMessenger;
    if (cMes)
        connect(cMes.data(), &cindral::Messenger::NewMessage, this, &frmMain::cMes_NewMessage);
    ui::DoEvents();
    cCodes = gCodes;
    if (cCodes) {
        cCodes->advise(this);
        GetSettings(QString(), m_ruleSeen);
    }

    mFilterText = plat::GetSetting(plat::appTitle(), kSettings, QStringLiteral("Filters"));
    m_storedFilter = !mFilterText.isEmpty();
    bool ok = false;
    const double x = plat::GetSetting(plat::appName(), kSettings, QStringLiteral("MainSplitter"), QStringLiteral("5000"))
                         .toDouble(&ok);
    m_splitterX = ok ? x : 5000;
    forms::LoadResStrings(this, strings());
    chkTrack->setChecked(plat::GetSetting(plat::appTitle(), kSettings, QStringLiteral("Track"), QStringLiteral("0"))
                             .toInt() != 0);

    LoadClassRules();
    cboTView->setCurrentIndex(0);
    cboTView_Click();
    if (!m_listNote.isEmpty())
        PostStatus(m_listNote);

    const bool level3 = gUsrInfos && gUsrInfos->PrvStyle() == 3;
    mnuBasement->setEnabled(level3);
    mnuFileDevRule->setEnabled(level3);
    mnuToolUsr->setEnabled(level3);
    mnuToolAdd->setEnabled(gUsrInfos && gUsrInfos->PrvAddDev());
    mnuFileImport->setEnabled(gUsrInfos && gUsrInfos->PrvAddDev());
    mnuToolDelDev->setEnabled(gUsrInfos && gUsrInfos->PrvDelDev());
    mnuFileBackup->setEnabled(gUsrInfos && gUsrInfos->PrvBackup());
    mnuToolClear->setEnabled(gUsrInfos && gUsrInfos->PrvClear());

    sbPanels[1]->setText(Str(1078) + (gUsrInfos ? gUsrInfos->UsrName() : QString()));
}

void frmMain::closeEvent(QCloseEvent* e)
{
    if (!m_unloaded) {
        m_unloaded = true;
        Form_Unload();
    }
    e->accept();
}

void frmMain::Form_Unload()
{
    // A running read ends first; then every other window, the last opened first.
    deviceList->cancel();
    ignoringErrors([&] {
        for (QWidget* w : {static_cast<QWidget*>(frmDevice.data()), static_cast<QWidget*>(frmFilt.data()),
                           static_cast<QWidget*>(frmDynamic.data())})
            delete w;
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (int i = windows.size() - 1; i >= 0; --i) {
            QWidget* w = windows[i];
            if (w != this && w->isWindow() && w->isVisible() && !(w->windowType() == Qt::Popup))
                w->close();
        }
    });
    ignoringErrors([&] { forms::FormLayout(this, QStringLiteral("FormMain"), false); });
    ignoringErrors([&] {
        plat::SaveSetting(plat::appName(), kSettings, QStringLiteral("MainSplitter"), QString::number(m_splitterX));
    });
    ignoringErrors([&] {
        plat::SaveSetting(plat::appName(), kSettings, QStringLiteral("ViewMode"), QString::number(m_viewMode));
    });
    ignoringErrors([&] {
        plat::SaveSetting(plat::appTitle(), kSettings, QStringLiteral("Track"),
                          QString::number(chkTrack->isChecked() ? 1 : 0));
    });
    releaseCodes();
    ignoringErrors([&] {
        if (gCodes)
            gCodes->Cls();
    });
    gCodes = nullptr;
    ignoringErrors([&] { ClearTempDocuments(); });
}

// ---- Layout ----

void frmMain::resizeEvent(QResizeEvent* e)
{
    QMainWindow::resizeEvent(e);
    double x = m_splitterX;
    SizeControls(x);
}

void frmMain::SizeControls(double& X)
{
    if (m_laying)
        return;
    m_laying = true;
    ignoringErrors([&] {
        ui::WindowUpdateLock lock(this);
        const double width = ui::pixelsToTwipsX(this->width());
        if (X > width - 1500)
            X = width - 1500;
        if (X < 1500)
            X = 1500;
        m_splitterX = X;
        // The totals whole, the caption beside them may give way: the splitter keeps the
        // list's pane that wide wherever the window or the splitter goes.
        QWidget* pane = lblTitle[0]->parentWidget();
        QLayoutItem* row = pane->layout()->itemAt(0);
        row->invalidate();   // the row may still measure the former totals
        pane->setMinimumWidth(std::max(1, row->minimumSize().width()));
        const int tree = ui::twipsToPixelsX(X);
        const int rest = std::max(1, imgSplitter->width() - tree - imgSplitter->handleWidth());
        imgSplitter->setSizes({tree, rest});
    });
    m_laying = false;
}

void frmMain::mnuViewToolbar_Click()
{
    mnuViewToolbar->setChecked(!tbToolBar->isVisible());
    tbToolBar->setVisible(mnuViewToolbar->isChecked());
    double x = m_splitterX;
    SizeControls(x);
}

void frmMain::mnuViewStatusBar_Click()
{
    // The entry is checkable: its check has already flipped.
    statusBar()->setVisible(mnuViewStatusBar->isChecked());
    double x = m_splitterX;
    SizeControls(x);
}

void frmMain::tbToolBar_ButtonClick(QAction* button)
{
    const QStringList modes = {Str(1025), Str(1026), Str(1027), Str(1028)};
    const int mode = modes.indexOf(button->objectName());
    if (mode >= 0) {
        m_viewMode = mode;
        return;
    }
    ui::MsgBox(QStringLiteral("添加 '") + button->objectName() + QStringLiteral("' 按钮代码。"), ui::vbOKOnly);
}

// ---- Status text ----

void frmMain::cMes_NewMessage(const QString& text) { sbPanels[0]->setText(text); }

void frmMain::MsgBar(QStatusBar* bar, const QString& msg, bool busy)
{
    if (!bar)
        bar = statusBar();
    QLabel* panel = bar == statusBar() ? sbPanels[0] : bar->findChild<QLabel*>();
    if (!panel)
        return;
    if (msg.isEmpty())
        panel->setText(QStringLiteral("待命.."));
    else
        panel->setText(busy ? msg + QStringLiteral("请稍候...") : msg);
    bar->repaint();
}

void frmMain::showClock()
{
    const QDateTime now = QDateTime::currentDateTime();
    sbPanels[2]->setText(now.date().toString(QStringLiteral("yyyy-MM-dd")));
    sbPanels[3]->setText(now.time().toString(QStringLiteral("HH:mm")));
}


// ---- Windows opened from here ----

void frmMain::mnuFilePrint_Click()
{
    ui::runCommand([&] {
        frmPrnCols prn(this);
        ui::DoEvents();
        // The same restriction as the list's: printing never shows more than the list may.
        ListRestriction r = BuildListRestriction(selectedNodeConditions(), mFilterText, departIds());
        prn.Init(r.viewWhere, r.filterText);
        prn.exec();
        ui::DoEvents();
    }, this);
}

void frmMain::mnuFileCard_Click()
{
    ignoringErrors([&] {
        if (selectedRow() < 0)
            return;
        qint32 devId = selectedDevId();
        PrintDeviceCard(devId);
    });
}

void frmMain::mnuFileDevRule_Click()
{
    ui::runCommand([&] {
        if (gCodes)
            gCodes->ShowDesigner(QStringLiteral("设备编码设计"), true);
    }, this);
}

void frmMain::mnuFileImport_Click()
{
    // After an import the tree and list are read again, also at the root.
    ostrel::mnuFileImport_Click(this, [this] { mnuViewRefresh_Click(); });
}

void frmMain::mnuFileClose_Click()
{
    close();
    ui::DoEvents();
}

void frmMain::mnuFileBackup_Click()
{
    if (gUsrInfos && gUsrInfos->PrvBackup())
        BackupMainDatabase(this);   // its own command boundary
}

void frmMain::showHelp(bool)
{
    // The program has no help file.
    ui::MsgBox(QStringLiteral("无法显示帮助目录，该工程没有相关联的帮助。"), ui::vbInformation, windowTitle(), this);
}

void frmMain::mnuHelpContents_Click() { showHelp(false); }

void frmMain::mnuHelpSearchForHelpOn_Click() { showHelp(true); }

void frmMain::mnuHelpAbout_Click()
{
    ui::runCommand([&] {
        frmAbout about(this);
        about.exec();
    }, this);
}

} // namespace ostrel
