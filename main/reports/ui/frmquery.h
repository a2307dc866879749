#pragma once
// The history query dialog: the kind of history and a date range; "查询(&Q)" opens the
// report window on them, modally, and stays open for another query.
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace ostrel {

class frmQuery : public QDialog {
    Q_OBJECT
public:
    explicit frmQuery(QWidget* parent = nullptr);

    QRadioButton* optQuery[4] = {};
    QLabel* lblInfo[2] = {};
    QLineEdit* txtRange[2] = {};
    QPushButton* cmdQuery = nullptr;
    QPushButton* CancelButton = nullptr;

private:
    void cmdQuery_Click();
};

} // namespace ostrel
