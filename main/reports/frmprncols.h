#pragma once
// Stand-in for the printed-column window: Init keeps the two texts of the printing
// query, until the window is built.
#include <QDialog>

namespace ostrel {

class frmPrnCols : public QDialog {
    Q_OBJECT
public:
    explicit frmPrnCols(QWidget* parent = nullptr);

    // ViewWhere: " WHERE " and the conditions, or ""; FilterText: a condition without
    // "WHERE", or "".
    void Init(QString& ViewWhere, QString& FilterText);
    QString viewWhere() const { return m_viewWhere; }
    QString filterText() const { return m_filterText; }

private:
    QString m_viewWhere;
    QString m_filterText;
};

} // namespace ostrel
