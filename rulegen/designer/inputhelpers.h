#pragma once
// Input helpers that the designer windows share: the keyboard behaviour of their boxes
// (TxtEXPs), the pointer confinement of a drag (Cursor), and the widening of a combo box's
// drop-down list (FitDropWidth).
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

class QComboBox;
class QLineEdit;
class QWidget;

namespace tessaly {

// Attached to one text box or combo box: selects the whole text on entry, types letters in
// upper case, optionally accepts only numbers, moves on with Enter and the arrow keys, and
// trims or formats the text when the box is left. Enter never reaches the box (nor presses
// a dialog's default button).
class TxtEXPs : public QObject {
public:
    explicit TxtEXPs(QObject* parent = nullptr);
    ~TxtEXPs() override;

    bool NavigateKeys() const { return m_navigateKeys; }
    void setNavigateKeys(bool v) { m_navigateKeys = v; }
    bool TrimOnExit() const { return m_trimOnExit; }
    void setTrimOnExit(bool v) { m_trimOnExit = v; }
    QString Tag() const { return m_tag; }
    void setTag(const QString& v) { m_tag = v; }
    QString ExitFormat() const { return m_exitFormat; }
    void setExitFormat(const QString& v) { m_exitFormat = v; }
    bool NumericOnly() const { return m_numericOnly; }
    void setNumericOnly(bool v) { m_numericOnly = v; }
    bool UpperCase() const { return m_upperCase; }
    void setUpperCase(bool v) { m_upperCase = v; }

    // A QLineEdit or a QComboBox; anything else fails with the runtime's type mismatch (13).
    // nullptr detaches.
    void setControl(QWidget* box);
    QWidget* Control() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void detach();
    QString text() const;
    void setText(const QString& t);
    QLineEdit* editor() const; // the text box, or the editable combo's line
    bool keyDown(int key, Qt::KeyboardModifiers mods);
    void trimIfPadded();

    bool m_navigateKeys = true, m_trimOnExit = false, m_numericOnly = false, m_upperCase = true;
    QString m_tag, m_exitFormat;
    QPointer<QLineEdit> m_textBox;
    QPointer<QComboBox> m_comboBox;
    bool m_resending = false;
};

// Widens the drop-down list of a combo box to its widest item (+ 10 pixels, at most the
// screen width less 20). Returns the width set, 1 when the list was wide enough already
// (it is never narrowed), 0 when there was nothing to measure.
qint32 FitDropWidth(QComboBox* combo);

// The Cursor module: confines the pointer to a control's screen rectangle, or frees it.
// A control without a window on screen leaves the pointer free.
void ClipCursorToControl(QWidget* control);
void ClipCursorToRect(const QRect& r);
void ReleaseCursorClip();

} // namespace tessaly
