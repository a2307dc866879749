#pragma once
// The history report: the rows of one history query (kind and date range) in a list, the
// summary of the clicked row's device, the row filter, printing, and a reset that runs the
// same query again. Given its data by Report, then shown modally by the query dialog.
#include <QDateTime>
#include <QDialog>
#include <QStringList>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace ostrel {

class frmReport : public QDialog {
    Q_OBJECT
public:
    explicit frmReport(QWidget* parent = nullptr);
    // Saves the placement ("FormRpt").
    ~frmReport() override;

    // Keeps the kind (0 transfers, 1 maintenance, 2 checks, 3 discards) and the range, and
    // runs the query with new column headers.
    void Report(qint32 Index, const QDateTime& dStart, const QDateTime& dEnd);

    // The row shown as selected (the current row when it is selected), or none.
    QTreeWidgetItem* selectedRow() const;

    QTreeWidget* lvwReport = nullptr;
    QCheckBox* chkDetail = nullptr;
    QPlainTextEdit* txtDetail = nullptr;
    QPushButton* cmdFilt = nullptr;
    QPushButton* cmdReset = nullptr;
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdClose = nullptr;
    QLabel* lblStadus = nullptr;

public Q_SLOTS:
    // The row filter's events (connected directly while it is open).
    void frmDataFilt_GetValue(const QString& Column, QStringList& Values);
    void frmDataFilt_Apply(qint32 Column, const QString& Opera, const QString& Value, bool AsData);
    void frmDataFilt_DropItems(bool DropSelected);

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void RunQuery(qint32 kind, bool rebuild);
    void QueryTransfers(QTreeWidget* list);
    void QueryMaintenance(QTreeWidget* list);
    void QueryChecks(QTreeWidget* list);
    void QueryDiscards(QTreeWidget* list);
    void query(QTreeWidget* list, int kind);
    void ShowStatus();
    void Form_Resize();
    void lvwReport_ItemClick(QTreeWidgetItem* item);
    void chkDetail_Click();
    void cmdFilt_Click();
    void cmdReset_Click();
    void cmdPrint_Click();
    void cmdClose_Click();
    void clearDetail();
    // Removes the rows marked true in one batch; the others keep their selection.
    void removeRows(const QVector<bool>& remove);
    // The position (from 0) of the first column captioned `caption`, case ignored; -1 for none.
    int columnOf(const QString& caption) const;

    qint32 m_kind = -1;
    QDateTime m_start, m_end;
    QString m_shownKey; // the device whose summary the detail box shows ("" when cleared)
};

} // namespace ostrel
