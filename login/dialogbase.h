#pragma once
// What the log-in and change-password dialogs share: key picture, buttons, failure boxes.
#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QFrame;

namespace quillon {

class DialogBase : public QDialog {
public:
    explicit DialogBase(QWidget* parent = nullptr);

    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QLabel* imgKey = nullptr;
    QFrame* Line1 = nullptr;

    // Esc and the window's close request are Cancel.
    void reject() override { cmdCancel_Click(); }

protected:
    virtual void cmdOK_Click() = 0;
    virtual void cmdCancel_Click() = 0;
    void closeEvent(QCloseEvent* e) override;
    // Shows a failure in an information box titled with its source (else the library's name).
    void showFailure(const QString& description, const QString& source);
    // Puts the focus into a box and selects its whole text.
    static void focusAndSelect(QLineEdit* box);
    // A text box that selects its whole text when it is entered.
    QLineEdit* newBox(bool password);
    // Called once the controls exist: button texts, icon, no close command.
    void finishLoading();

private:
    bool eventFilter(QObject* o, QEvent* e) override;
};

} // namespace quillon
