#pragma once
// Message boxes with the classic button sets, icons and results.
// Tests script them: answers are queued and what was shown is recorded, so no test blocks.
#include <QString>
#include <QList>
#include <functional>

class QMessageBox;
class QWidget;

namespace ui {

enum MsgBoxStyle : int {
    vbOKOnly = 0, vbOKCancel = 1, vbAbortRetryIgnore = 2, vbYesNoCancel = 3, vbYesNo = 4, vbRetryCancel = 5,
    vbCritical = 16, vbQuestion = 32, vbExclamation = 48, vbInformation = 64,
    vbDefaultButton1 = 0, vbDefaultButton2 = 256, vbDefaultButton3 = 512,
};
enum MsgBoxResult : int { vbOK = 1, vbCancel = 2, vbAbort = 3, vbRetry = 4, vbIgnore = 5, vbYes = 6, vbNo = 7 };

constexpr int buttonSet(int style) { return style & 7; }
constexpr int iconOf(int style) { return style & 0x70; }

// The window a box stands over: the modal window in front when one is shown (a component's
// dialog over the program's windows), else preferred, else the active window.
QWidget* frontWindow(QWidget* preferred = nullptr);

// Shows a message box and returns the button chosen; without a parent it stands over
// frontWindow(). An empty title means the host program's title (plat::appTitle()); a
// component passes its own title.
int MsgBox(const QString& prompt, int style = vbOKOnly, const QString& title = QString(),
           QWidget* parent = nullptr);

// Widens a message box, once its texts and buttons are set, so that a window manager
// has room for the whole title beside the frame's icon and buttons: a short message
// would otherwise leave "Kestrum" cut to "Ke...".
void KeepTitleVisible(QMessageBox& box);

// Asks for a line of text; Cancel gives the empty text. A maxLength above 0 is the most
// characters the box takes.
QString InputBox(const QString& prompt, const QString& title = QString(), const QString& defaultText = QString(),
                 QWidget* parent = nullptr, int maxLength = 0);

// Asks for a password: what is typed is masked. Scripted like InputBox.
QString PasswordBox(const QString& prompt, const QString& title = QString(), QWidget* parent = nullptr);

struct ShownBox {
    QString prompt;
    QString title;
    int style = 0;    // buttons | icon | default button
    int result = 0;   // what was answered
    bool isInput = false;
    bool masked = false;   // a password box
    int maxLength = 0;     // the most characters an input box takes (0: its default)
    QString inputResult;
    const QWidget* parent = nullptr;   // the window it stood over
};

namespace script {
// Switches scripting on: no modal box is ever shown again in this process.
// An unanswered box then returns its default button (an input box its default text).
void enable(bool on = true);
bool enabled();
// Queues the answer to the next message box / input box.
void answer(int result);
void answerInput(const QString& text, bool cancelled = false);
// Runs hook while each message box is on screen, before its answer returns (another copy
// of the program acting meanwhile); clear() drops it.
void whileShown(std::function<void(const ShownBox&)> hook);
// What was shown since the last clear, oldest first.
QList<ShownBox> shown();
ShownBox last();
// Forgets what was shown and every queued answer (of the other scripted services too).
void clear();
// Lets another scripted service forget its answers on clear().
void addClearHook(void (*hook)());
// The script of another service, one per type: made on first use, made afresh by clear().
template <typename T>
T& serviceState()
{
    static T s;
    static const bool hooked = (addClearHook([] { serviceState<T>() = T{}; }), true);
    (void)hooked;
    return s;
}
} // namespace script

} // namespace ui
