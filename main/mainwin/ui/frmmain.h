#pragma once
// The main window: the one window that lives as long as the program. Closing it ends
// the program. The device tree by classification scheme on the left, the device list
// of the selected node on the right, the detail pane under the list. It answers the
// code rule's questions (last code, stored rule) for the whole program.
#include "main/mainwin/ui/historytabs.h"
#include "main/mainwin/lastcode.h"
#include <QMainWindow>
#include <QPointer>
#include <QVector>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QMenu;
class QPushButton;
class QSplitter;
class QStatusBar;
class QTabBar;
class QToolBar;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;

namespace cindral {
class Messenger;
}
namespace vb {
class Error;
}

namespace ostrel {

class DeviceListModel;
class frmDevices;
class frmDynamics;
class frmFilter;
struct TreeNode;

class frmMain : public QMainWindow, public CodeRuleHost {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // Reads the settings, localises the window, fills the scheme box (building the tree
    // and list of the first scheme), enables the commands by the user's privileges and
    // shows the operator in the status bar.
    void Form_Load();

    // Lays the panes out with the tree X twips wide; X is clamped in place to
    // 1500 .. window width - 1500.
    void SizeControls(double& X);
    // The splitter position in twips (the tree's width).
    double splitterPosition() const { return m_splitterX; }

    // Opens the device editor on Dev_ID (0: a new device), modeless, owned by this window.
    // The editor's refusal reaches the caller.
    void ShowAddWin(qint32& Mode, qint32 Dev_ID);
    // Opens the history editor on one kind (0 transfer .. 4 documents) of a device, modally,
    // owned by this window; its refusal is shown.
    void ShowDynaWin(qint32& Kind, qint32& Dev_ID);

    // Writes a status text into panel 1 ("待命.." for an empty one); nothing calls it.
    void MsgBar(QStatusBar* statusBar, const QString& msg, bool busy);

    // The tree: the scheme box, applying a scheme, a node's children, conditions and path.
    void LoadClassRules();
    void cboTView_Click();
    int LoadChildNodes(QTreeWidgetItem* node, bool noLock, bool expand);
    // The selected node's clause (" WHERE ..." or "") or, asPath, its path. Raises.
    QString BuildNodeFilter(QTreeWidgetItem* node, bool asPath) const;
    void tvwDevices_NodeClick(QTreeWidgetItem* node);
    // The index of the node whose devices the list shows ("" before the first load).
    QString treeTag() const { return m_treeTag; }

    // Reloads the list; 1 when started, 0 after a reported error (the rows kept).
    int LoadDeviceList();
    // Reads the rest of a running load now.
    void finishDeviceList();
    bool listLoading() const;
    // The current filter, without "WHERE".
    QString filterText() const { return mFilterText; }

    // The selected list row (-1 for none) and its [Dev_ID] (0 for none).
    int selectedRow() const;
    qint32 selectedDevId() const;
    void selectRow(int row);

    // The detail pane: (re)loads the selected tab for the selected row, unless it shows them
    // already (its tag: Dev_ID, CR, the tab's 1-based index).
    void tbsDevice_Click();
    QString tbsDeviceTag() const { return m_tbsTag; }
    // The selected tab's key: "Summary", "Picture", "Trans", "Maintain", "Checks", "Discard", "Docs".
    QString currentTabKey() const;
    // What the summary shows (Dev_ID, TAB, device number) and whose records the list shows.
    QString txtDeviceTag() const { return m_txtTag; }
    QString lstDetailTag() const { return m_lstTag; }
    // The device's picture into target, from the one-entry cache when it holds the device
    // since at most 3 seconds.
    void ShowDevicePicture(qint32& Dev_ID, QLabel* target);
    void picDevice_Resize();
    // Writes the selected stored document to "Temp" and opens it.
    void lstDetail_DblClick();
    void lvwDevices_DblClick();
    void lvwDevices_ItemClick();

    // Controls.
    QComboBox* cboTView = nullptr;
    QTreeWidget* tvwDevices = nullptr;
    QTreeView* lvwDevices = nullptr;
    DeviceListModel* deviceList = nullptr;
    QLabel* lblInfo = nullptr;
    QLabel* lblTitle[2] = {};
    QSplitter* imgSplitter = nullptr;
    QTabBar* tbsDevice = nullptr;
    QWidget* picDevice = nullptr;   // holds the detail views
    QLabel* imgDevice = nullptr;
    QPlainTextEdit* txtDevice = nullptr;
    QTreeWidget* lstDetail = nullptr;
    mainwin::DocIcons imlIco;
    QCheckBox* chkTrack = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* cmdModify = nullptr;
    QToolBar* tbToolBar = nullptr;
    // Status-bar panels: the message text, the operator ("Usr"), the date, the time.
    QLabel* sbPanels[4] = {};

    QMenu* mnuFile = nullptr;
    QAction* mnuFileDevRule = nullptr;
    QAction* mnuFilePrint = nullptr;
    QAction* mnuFileCard = nullptr;
    QAction* mnuFileImport = nullptr;
    QAction* mnuFileBackup = nullptr;
    QAction* mnuFileClose = nullptr;
    QMenu* mnuView = nullptr;
    QAction* mnuViewToolbar = nullptr;
    QAction* mnuViewStatusBar = nullptr;
    QAction* mnuListViewMode[4] = {};
    QAction* mnuViewArrangeIcons = nullptr;
    QAction* mnuViewRefresh = nullptr;
    QMenu* mnuTools = nullptr;
    QAction* mnuToolAdd = nullptr;
    QAction* mnuToolDelDev = nullptr;
    QAction* mnuToolClear = nullptr;
    QAction* mnuBasement = nullptr;
    QAction* mnuToolUsr = nullptr;
    QAction* mnuToolFilt = nullptr;
    QAction* mnuQuery = nullptr;
    QAction* mnuGetInfo = nullptr;
    QAction* mnuToolsOptions = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuHelpContents = nullptr;
    QAction* mnuHelpSearchForHelpOn = nullptr;
    QAction* mnuHelpAbout = nullptr;

    // The windows whose events this window handles.
    QPointer<frmDevices> frmDevice;
    QPointer<frmDynamics> frmDynamic;
    QPointer<frmFilter> frmFilt;

    // The list's view mode (0-3) as the toolbar sets it; the list shows details in all.
    int viewMode() const { return m_viewMode; }

public Q_SLOTS:
    void frmDevice_GetItem(qint32 Direction, qint32& Dev_ID);
    void frmDevice_InfoChg(qint32 Kind, qint32 Dev_ID);
    void frmDynamic_DynaChg(qint32 Kind, qint32 Dev_ID);
    // 1 when the list took the filter; 0 when it refused it and kept its rows and filter.
    int frmFilt_Apply(QString FilterText);
    void imgDevice_Click();

    void mnuFileBackup_Click();
    void mnuFileCard_Click();
    void mnuFileDevRule_Click();
    void mnuFilePrint_Click();
    void mnuFileImport_Click();
    void mnuFileClose_Click();
    void mnuViewToolbar_Click();
    void mnuViewStatusBar_Click();
    void mnuViewRefresh_Click();
    void mnuBasement_Click();
    void mnuToolUsr_Click();
    void mnuToolFilt_Click();
    void mnuToolDelDev_Click();
    void mnuToolClear_Click();
    void mnuQuery_Click();
    void mnuGetInfo_Click();
    void cmdAdd_Click();
    void cmdDelete_Click();
    void mnuHelpContents_Click();
    void mnuHelpSearchForHelpOn_Click();
    void mnuHelpAbout_Click();
    void tbToolBar_ButtonClick(QAction* button);

public:
    // The code rule's events (GetLastCode comes with CodeRuleHost).
    void GetSettings(const QString& Name, QString& Value) override;
    void AddField(const QString& Name) override;
    void DropField(const QString& Name) override;
    void Save(QString& Value, bool& bChieved) override;

protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void buildPanes();
    void buildStatusBar();
    // The tabs and the views of the detail area, and the signals of the list and buttons.
    void buildDetail();
    // Deletes a device after asking; removes its list row and rebuilds the detail pane.
    void deleteDevice(qint32 devId, const QString& devNo);
    // A device another copy deleted leaves the list, and the pane when it shows it.
    void dropDeviceIfGone(qint32 devId);
    void removeDevice(qint32 devId);
    // Unadvises the code rule and lets go of it.
    void releaseCodes();
    void Form_Unload();
    void cMes_NewMessage(const QString& text);
    void showClock();
    void showHelp(bool search);
    void deviceListFinished();
    // "设备共计:" with the list's rows and value.
    void showListTotals();
    void deviceListProgress(int read, int expected);
    void deviceListFailed(const vb::Error& error);
    // The nodes from the root's child down to node (none while the root is alone).
    QVector<TreeNode> nodeChain(QTreeWidgetItem* node) const;
    // The selected node's conditions without "WHERE".
    QString selectedNodeConditions() const;
    QTreeWidgetItem* addNode(QTreeWidgetItem* parent, const QString& text, const QString& tag);
    // Adds the nodes of one level under node; filter is node's clause.
    void addChildNodes(QTreeWidgetItem* node, const QString& level, const QString& filter);

    QPointer<cindral::Messenger> cMes;
    // The code rule whose events this window answers while it is advised.
    com::ComPtr<tessaly::ICodeClass> cCodes;
    // The stored rule as this copy last read or saved it.
    QString m_ruleSeen;
    QString m_txtTag;
    QString m_lstTag;
    QString mFilterText;
    // The filter came from the settings and no list has been read with it yet.
    bool m_storedFilter = false;
    // A status text the list shows when it has been read, instead of clearing the status.
    QString m_listNote;
    QString mClassRule;
    QString m_treeTag;
    QString m_tbsTag;
    double m_splitterX = 5000;
    int m_viewMode = 3;
    int m_nextNodeIndex = 1;
    bool m_unloaded = false;
    bool m_laying = false;
};

} // namespace ostrel
