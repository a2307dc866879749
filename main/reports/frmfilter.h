#pragma once
// Stand-in for the device filter window: its event only, until the window is built.
#include <QWidget>

namespace ostrel {

class frmFilter : public QWidget {
    Q_OBJECT
public:
    explicit frmFilter(QWidget* owner = nullptr);

Q_SIGNALS:
    // The condition without "WHERE", or "" to clear the filter.
    void Apply(QString FilterText);
};

} // namespace ostrel
