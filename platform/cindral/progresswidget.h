#pragma once
// Shows the process's progress display: the progress text and a bar, hidden while
// no hub shows progress. A main window puts one into its status bar:
//   statusBar()->addPermanentWidget(new cindral::ProgressWidget);
#include <QWidget>

class QLabel;
class QProgressBar;

namespace cindral {

class ProgressWidget : public QWidget {
    Q_OBJECT
public:
    explicit ProgressWidget(QWidget* parent = nullptr);

    QLabel* label() const { return m_label; }
    QProgressBar* bar() const { return m_bar; }

protected:
    bool event(QEvent* e) override;

private:
    void refresh();
    QLabel* m_label;
    QProgressBar* m_bar;
};

} // namespace cindral
