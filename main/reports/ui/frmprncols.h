#pragma once
// The printed-column window: which catalogue columns the device list prints, in which
// order. OK prints the list of the main window's node and user filter; the choice is kept
// in the setting "PrintColumns" when the window goes, also after Cancel.
#include "main/reports/ui/devicelistprint.h"
#include <QDialog>

class QListWidget;
class QPushButton;

namespace ostrel {

class frmPrnCols : public QDialog {
    Q_OBJECT
public:
    explicit frmPrnCols(QWidget* parent = nullptr);
    ~frmPrnCols() override;

    // ViewWhere: " WHERE " and the node's conditions, or ""; FilterText: the user filter
    // without "WHERE", or "". A filter that is not one condition on its own raises the
    // database layer's error, and the window prints nothing with it.
    void Init(QString& ViewWhere, QString& FilterText);
    QString viewWhere() const { return m_viewWhere; }
    QString filterText() const { return m_filterText; }

    // The entries as the list shows them.
    PrintColumns columns() const;

    // Each entry: a caption, its kind as item data (Qt::UserRole), checked when printed.
    QListWidget* lstCols = nullptr;
    QPushButton* cmdUp = nullptr;
    QPushButton* cmdDown = nullptr;
    QPushButton* cmdDefault = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

private:
    void Form_Load();
    void Form_Unload();
    void cmdUp_Click();
    void cmdDown_Click();
    void cmdDefault_Click();
    void OKButton_Click();
    void CancelButton_Click();
    void addEntry(const PrintColumn& c, int row = -1);
    void moveCurrent(int by);
    void showColumns(const PrintColumns& columns);

    QString m_viewWhere;
    QString m_filterText;
};

} // namespace ostrel
