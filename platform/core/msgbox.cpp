#include "platform/core/msgbox.h"
#include "platform/core/app.h"
#include <QApplication>
#include <QGridLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QQueue>

namespace ui {
namespace {
struct ScriptState {
    bool enabled = false;
    QQueue<int> answers;
    QQueue<QPair<QString, bool>> inputs;
    QList<ShownBox> shown;
    std::function<void(const ShownBox&)> whileShown;
};
ScriptState& state() { static ScriptState s; return s; }

QList<int> buttonsOf(int style)
{
    switch (buttonSet(style)) {
    case vbOKCancel: return {vbOK, vbCancel};
    case vbAbortRetryIgnore: return {vbAbort, vbRetry, vbIgnore};
    case vbYesNoCancel: return {vbYes, vbNo, vbCancel};
    case vbYesNo: return {vbYes, vbNo};
    case vbRetryCancel: return {vbRetry, vbCancel};
    default: return {vbOK};
    }
}

int defaultResult(int style)
{
    const QList<int> b = buttonsOf(style);
    int idx = (style & vbDefaultButton3) ? 2 : (style & vbDefaultButton2) ? 1 : 0;
    return b.value(idx, b.first());
}

QMessageBox::StandardButton toQt(int r)
{
    switch (r) {
    case vbOK: return QMessageBox::Ok;
    case vbCancel: return QMessageBox::Cancel;
    case vbAbort: return QMessageBox::Abort;
    case vbRetry: return QMessageBox::Retry;
    case vbIgnore: return QMessageBox::Ignore;
    case vbYes: return QMessageBox::Yes;
    default: return QMessageBox::No;
    }
}

QString titleOr(const QString& t) { return t.isEmpty() ? plat::appTitle() : t; }
} // namespace

void KeepTitleVisible(QMessageBox& box)
{
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid)
        return;
    QFont bold = box.font();
    bold.setBold(true);
    // Room for the frame's icon, its three buttons and some margin.
    const QFontMetrics fm(bold);
    const int width = fm.horizontalAdvance(box.windowTitle()) + 16 * fm.averageCharWidth();
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

QWidget* frontWindow(QWidget* preferred)
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return preferred ? preferred : QApplication::activeWindow();
}

int MsgBox(const QString& prompt, int style, const QString& title, QWidget* parent)
{
    ScriptState& s = state();
    ShownBox box;
    box.parent = parent = parent ? parent : frontWindow();
    box.prompt = prompt;
    box.title = titleOr(title);
    box.style = style;
    if (s.enabled) {
        box.result = s.answers.isEmpty() ? defaultResult(style) : s.answers.dequeue();
        s.shown.append(box);
        if (const auto hook = s.whileShown)   // a copy: the hook may replace itself
            hook(box);
        return box.result;
    }
    QMessageBox mb(parent);
    mb.setWindowTitle(box.title);
    mb.setText(prompt);
    switch (iconOf(style)) {
    case vbCritical: mb.setIcon(QMessageBox::Critical); break;
    case vbQuestion: mb.setIcon(QMessageBox::Question); break;
    case vbExclamation: mb.setIcon(QMessageBox::Warning); break;
    case vbInformation: mb.setIcon(QMessageBox::Information); break;
    default: break;
    }
    const QList<int> buttons = buttonsOf(style);
    QMessageBox::StandardButtons set;
    for (int b : buttons)
        set |= toQt(b);
    mb.setStandardButtons(set);
    mb.setDefaultButton(toQt(defaultResult(style)));
    KeepTitleVisible(mb);
    mb.exec();
    const auto clicked = mb.standardButton(mb.clickedButton());
    box.result = buttons.contains(vbCancel) ? vbCancel : defaultResult(style);
    for (int b : buttons)
        if (toQt(b) == clicked)
            box.result = b;
    s.shown.append(box);
    if (s.shown.size() > 200)
        s.shown.removeFirst();
    return box.result;
}

namespace {
QString askText(const QString& prompt, const QString& title, const QString& defaultText, QWidget* parent,
                bool masked, int maxLength = 0)
{
    ScriptState& s = state();
    ShownBox box;
    box.prompt = prompt;
    box.title = titleOr(title);
    box.isInput = true;
    box.masked = masked;
    box.maxLength = maxLength;
    box.parent = parent = parent ? parent : frontWindow();
    if (s.enabled) {
        if (s.inputs.isEmpty()) {
            box.inputResult = defaultText;
            box.result = vbOK;
        } else {
            auto a = s.inputs.dequeue();
            box.inputResult = a.second ? QString() : a.first;
            box.result = a.second ? vbCancel : vbOK;
        }
        if (maxLength > 0)
            box.inputResult.truncate(maxLength);   // as the box takes what is typed
        s.shown.append(box);
        return box.inputResult;
    }
    QInputDialog dialog(parent);
    dialog.setWindowTitle(box.title);
    dialog.setLabelText(prompt);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextEchoMode(masked ? QLineEdit::Password : QLineEdit::Normal);
    if (maxLength > 0)
        if (auto* edit = dialog.findChild<QLineEdit*>())
            edit->setMaxLength(maxLength);
    dialog.setTextValue(defaultText);
    const bool ok = dialog.exec() == QDialog::Accepted;
    const QString text = dialog.textValue();
    box.result = ok ? vbOK : vbCancel;
    box.inputResult = ok ? text : QString();
    s.shown.append(box);
    return box.inputResult;
}
} // namespace

QString InputBox(const QString& prompt, const QString& title, const QString& defaultText, QWidget* parent,
                 int maxLength)
{
    return askText(prompt, title, defaultText, parent, false, maxLength);
}

QString PasswordBox(const QString& prompt, const QString& title, QWidget* parent)
{
    return askText(prompt, title, QString(), parent, true);
}

namespace script {
void enable(bool on) { state().enabled = on; }
bool enabled() { return state().enabled; }
void answer(int result) { state().answers.enqueue(result); }
void answerInput(const QString& text, bool cancelled) { state().inputs.enqueue({text, cancelled}); }
void whileShown(std::function<void(const ShownBox&)> hook) { state().whileShown = std::move(hook); }
QList<ShownBox> shown() { return state().shown; }
ShownBox last() { return state().shown.isEmpty() ? ShownBox() : state().shown.last(); }
namespace {
QList<void (*)()>& clearHooks()
{
    static QList<void (*)()> h;
    return h;
}
} // namespace
void addClearHook(void (*hook)())
{
    if (!clearHooks().contains(hook))
        clearHooks().append(hook);
}
void clear()
{
    state().shown.clear();
    state().answers.clear();
    state().inputs.clear();
    state().whileShown = nullptr;
    for (auto hook : clearHooks())
        hook();
}
} // namespace script

} // namespace ui
