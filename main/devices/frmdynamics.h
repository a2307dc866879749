#pragma once
// Stand-in for the history editor: its public operation and its event only, until the
// editor itself is built.
#include <QDialog>

namespace ostrel {

class frmDynamics : public QDialog {
    Q_OBJECT
public:
    explicit frmDynamics(QWidget* parent = nullptr);

    // Kind 0 transfer .. 4 documents; a Dev_ID below 1 raises error 1000.
    void ShowInfo(qint32& Kind, qint32& Dev_ID);

Q_SIGNALS:
    // A history record was committed.
    void DynaChg(qint32 Kind, qint32 Dev_ID);
};

} // namespace ostrel
