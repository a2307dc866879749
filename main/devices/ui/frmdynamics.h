#pragma once
// The history editor: registers a transfer, a maintenance job, an acceptance check, a
// discard or documents of one device, with files from the disk.
//
//   frmDynamics dlg;
//   connect(&dlg, &frmDynamics::DynaChg, ...);
//   dlg.ShowInfo(kind, devId);   // raises 1000 "错误的设备ID号。" for a key below 1
//   dlg.exec();
#include "main/devices/registration.h"
#include <QDialog>
#include <QIcon>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QTabBar;

namespace ostrel {

class frmDynamics : public QDialog {
    Q_OBJECT
public:
    static constexpr int kPages = 5; // 0 transfer, 1 maintenance, 2 check, 3 discard, 4 documents

    explicit frmDynamics(QWidget* parent = nullptr);
    ~frmDynamics() override;

    // Shows the device's summary and selects the page of Kind (0 to 4; another Kind keeps
    // the selection), with the focus in the page's first field the user fills. A Dev_ID
    // below 1 raises error 1000 "错误的设备ID号。".
    void ShowInfo(qint32& Kind, qint32& Dev_ID);

    // The keys of the file icons in imlIco, in the order they were added.
    QStringList iconKeys() const { return m_iconKeys; }

    QPlainTextEdit* txtSummary = nullptr;
    QTabBar* tbsDynas = nullptr;          // tab data "1": the page has been filled
    QStackedWidget* stkPages = nullptr;
    QWidget* picHolder[kPages] = {};
    QListWidget* lvwDocs[kPages] = {};    // entry text: file name; Qt::UserRole: full path
    QPushButton* cmdAdd[kPages] = {};
    QPushButton* cmdDelete[kPages] = {};
    QComboBox* cboTrans[kPages] = {};
    QLineEdit* txtDate[kPages] = {};
    QLineEdit* txtMemo[kPages] = {};
    QComboBox* cboDepart[2] = {};
    QLineEdit* txtPosition[2] = {};
    QComboBox* cboMainType = nullptr;
    QComboBox* cboMaintainer = nullptr;
    QLineEdit* txtValue[2] = {};          // 0 cost (maintenance), 1 residual value (discard)
    QComboBox* cboCheck[2] = {};
    QLineEdit* txtDeels = nullptr;
    QComboBox* cboDTypes = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

Q_SIGNALS:
    // A history record with its files was committed. Kind: the page 0 to 3, or the
    // document type.
    void DynaChg(qint32 Kind, qint32 Dev_ID);

private:
    void buildPages();
    void tbsDynas_Click();
    bool fillPage(int page);
    void cmdAdd_Click(int page);
    void cmdDelete_Click(int page);
    void lvwDocs_DblClick(int page);
    void cmdOK_Click();
    void cmdCancel_Click();

    devices::HistoryRecord readPage(int page) const;
    QList<devices::DocumentFile> filesOf(int page) const;
    int iconFor(const QString& path);

    qint32 m_devId = 0;
    bool m_registered = false; // a record was committed: never again from this window
    QStringList m_iconKeys;
    QList<QIcon> m_icons;
};

} // namespace ostrel
