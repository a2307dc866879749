#pragma once
// The base-data editor: one tab per list of SysInfo, its entries, and the add/modify dialog.
#include "main/core/basedata.h"
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QTabBar;
class QTreeWidget;

namespace ostrel {

// The add/modify dialog: code, description and remark.
class frmAddBases : public QDialog {
    Q_OBJECT
public:
    explicit frmAddBases(QWidget* parent = nullptr);

    // Mode 0 adds, any other modifies.
    void ShowInfo(int& Mode, QString& No, QString& Value, QString& Memo);
    int mode() const { return m_mode; }
    // Called by the receiver of InfoChg when it refused the change: the dialog stays open.
    void markRefused() { m_refused = true; }

    QLabel* lblValue[3] = {};
    QLineEdit* txtValue[3] = {};
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

Q_SIGNALS:
    // Raised by OK with the dialog's mode and the three texts; the receiver may change them.
    void InfoChg(int& Mode, QString& No, QString& Value, QString& Memo);

private:
    void cmdOK_Click();
    void cmdCancel_Click();

    int m_mode = 0;
    bool m_refused = false;
};

class frmBasements : public QDialog {
    Q_OBJECT
public:
    // Only a logged-in user of level 3 may change the lists.
    explicit frmBasements(QWidget* parent = nullptr);
    ~frmBasements() override;

    // Rebuilds the tabs from Tabs ("caption,Type;..." ; kept when empty), selects tab
    // Index (1-based; out of range becomes 1, also in the caller's variable) and lists it.
    void ShowInfo(QString& Tabs, int& Index);
    // Opens the add/modify dialog modally with the given texts.
    void ShowAddWin(int& Mode, QString& No, QString& Value, QString& Memo);

    QTabBar* tbsOptions = nullptr;
    QTreeWidget* lvwDetail = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdUpdate = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* cmdClose = nullptr;
    // The open add/modify dialog, while it is shown.
    frmAddBases* frmAddBase = nullptr;

Q_SIGNALS:
    // The add/modify dialog has been created and filled, just before it is shown.
    void addWinOpened(ostrel::frmAddBases* dialog);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Form_Load();
    bool Form_KeyDown(QKeyEvent* event);
    void tbsOptions_Click();
    void lvwDetail_DblClick();
    void cmdAdd_Click();
    void cmdUpdate_Click();
    void cmdDelete_Click();
    void cmdClose_Click();
    void frmAddBase_InfoChg(int& Mode, QString& No, QString& Value, QString& Memo);
    void AddBaseValue(QString& No, QString& Value, QString& Memo);
    // False when the user chose not to overwrite what another copy saved.
    bool UpdateBaseValue(QString& No, QString& Value, QString& Memo);

    void fillList();
    QString selectedType() const;

    bool m_inShowInfo = false;
    // The entry the modify dialog edits, as shown and as stored then.
    basedata::ShownRow m_row;
};

// The tab specification of the eight base-data lists.
QString BaseDataTabs();

// Shows the base-data editor modally on its first list and unloads it afterwards.
void ShowBaseDataWindow(QWidget* parent = nullptr);

} // namespace ostrel
