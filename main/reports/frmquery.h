#pragma once
// Stand-in for the history query window, until the window is built.
#include <QDialog>

namespace ostrel {

class frmQuery : public QDialog {
    Q_OBJECT
public:
    explicit frmQuery(QWidget* parent = nullptr);
};

} // namespace ostrel
