#pragma once
// What the log-in and change-password dialogs share: key picture, buttons, failure boxes.
#include <QDialog>
#include <QString>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QFrame;
class QGridLayout;

namespace quillon {

class DialogBase : public QDialog {
public:
    explicit DialogBase(QWidget* parent = nullptr);

    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QLabel* imgKey = nullptr;
    QFrame* Line1 = nullptr;

    // Esc and the window's close request are Cancel, except while an attempt runs.
    void reject() override;

protected:
    // Marks an attempt in progress: OK, Cancel and close requests wait for its end.
    class Attempt {
    public:
        explicit Attempt(DialogBase* d) : m_d(d) { m_d->m_attempting = true; }
        ~Attempt() { m_d->m_attempting = false; }
        Attempt(const Attempt&) = delete;
        Attempt& operator=(const Attempt&) = delete;

    private:
        DialogBase* m_d;
    };
    bool attempting() const { return m_attempting; }

    virtual void cmdOK_Click() = 0;
    virtual void cmdCancel_Click() = 0;
    void closeEvent(QCloseEvent* e) override;
    // Shows a failure in an information box titled with its source (else the library's name).
    void showFailure(const QString& description, const QString& source);
    // Puts the focus into a box and selects its whole text.
    static void focusAndSelect(QLineEdit* box);
    // A text box that selects its whole text when it is entered.
    QLineEdit* newBox(bool password);
    // Under the boxes of a three-column grid, from `row` on: the rule, then the buttons with
    // `besideButtons` (if any) on their left; the box column stretches, `firstBox` sets its width.
    void addFooter(QGridLayout* grid, int row, QWidget* firstBox, QWidget* besideButtons = nullptr);
    // Runs one attempt: the dialog hides when it raises nothing, else the failure is shown.
    // False on failure.
    bool runAttempt(const std::function<void()>& body);
    // Called once the controls exist: button texts, icon, no close command.
    void finishLoading();

private:
    bool eventFilter(QObject* o, QEvent* e) override;
    bool m_attempting = false;
};

} // namespace quillon
