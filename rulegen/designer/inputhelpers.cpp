#include "rulegen/designer/inputhelpers.h"
#include "platform/core/events.h"
#include "platform/core/format.h"
#include "platform/core/vberror.h"
#include "platform/ui/beep.h"
#include "platform/ui/cursor.h"
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>

namespace tessaly {

namespace {

bool padded(const QString& t)
{
    return !t.isEmpty() && (t.front() == QLatin1Char(' ') || t.back() == QLatin1Char(' '));
}

QString trimBlanks(const QString& t)
{
    int b = 0, e = int(t.size());
    while (b < e && t[b] == QLatin1Char(' '))
        ++b;
    while (e > b && t[e - 1] == QLatin1Char(' '))
        --e;
    return t.mid(b, e - b);
}

// The next (or previous) control in tab order, as Tab and Shift+Tab would reach it.
void moveFocus(QWidget* from, bool next)
{
    if (QWidget* w = from->window())
        if (QWidget* f = QApplication::focusWidget(); f && w->isAncestorOf(f)) {
            QKeyEvent tab(QEvent::KeyPress, next ? Qt::Key_Tab : Qt::Key_Backtab,
                          next ? Qt::NoModifier : Qt::ShiftModifier);
            QApplication::sendEvent(f, &tab);
            return;
        }
    // without the focus: walk the chain from the box itself
    QWidget* w = next ? from->nextInFocusChain() : from->previousInFocusChain();
    while (w && w != from && !(w->isEnabled() && w->isVisible() && (w->focusPolicy() & Qt::TabFocus)))
        w = next ? w->nextInFocusChain() : w->previousInFocusChain();
    if (w && w != from)
        w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

} // namespace

TxtEXPs::TxtEXPs(QObject* parent) : QObject(parent) {}

TxtEXPs::~TxtEXPs() { detach(); }

void TxtEXPs::detach()
{
    if (m_textBox)
        m_textBox->removeEventFilter(this);
    if (m_comboBox)
        m_comboBox->removeEventFilter(this);
    m_textBox = nullptr;
    m_comboBox = nullptr;
}

void TxtEXPs::setControl(QWidget* box)
{
    if (box && !qobject_cast<QComboBox*>(box) && !qobject_cast<QLineEdit*>(box))
        throw vb::Error::runtime(vb::errTypeMismatch, QStringLiteral("Tessaly"));
    detach();
    if (auto* c = qobject_cast<QComboBox*>(box))
        m_comboBox = c;
    else
        m_textBox = qobject_cast<QLineEdit*>(box);
    if (box)
        box->installEventFilter(this);
}

QWidget* TxtEXPs::Control() const
{
    if (m_textBox)
        return m_textBox;
    return m_comboBox;
}

QLineEdit* TxtEXPs::editor() const
{
    if (m_textBox)
        return m_textBox;
    return m_comboBox ? m_comboBox->lineEdit() : nullptr;
}

QString TxtEXPs::text() const
{
    if (m_textBox)
        return m_textBox->text();
    return m_comboBox ? m_comboBox->currentText() : QString();
}

void TxtEXPs::setText(const QString& t)
{
    if (m_textBox)
        m_textBox->setText(t);
    else if (m_comboBox && m_comboBox->isEditable())
        m_comboBox->setEditText(t);
}

void TxtEXPs::trimIfPadded()
{
    const QString t = text();
    if (padded(t))
        setText(trimBlanks(t));
}

// The key-down step; true when the key was used up.
bool TxtEXPs::keyDown(int key, Qt::KeyboardModifiers mods)
{
    if (!m_navigateKeys || (mods & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)))
        return false;
    QWidget* box = Control();
    QLineEdit* line = editor();
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        trimIfPadded();
        if (text().isEmpty()) {
            ui::Beep();
            ui::DoEvents();
        } else {
            moveFocus(box, true);
        }
        return true;
    case Qt::Key_Left:
        // a list without a line to type in has no caret
        if (line && line->cursorPosition() == 0 && !line->hasSelectedText()) {
            moveFocus(box, false);
            return true;
        }
        return false;
    case Qt::Key_Right:
        if (line && line->cursorPosition() == line->text().size() && !line->hasSelectedText()) {
            moveFocus(box, true);
            return true;
        }
        return false;
    default:
        return false;
    }
}

bool TxtEXPs::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != Control() || m_resending)
        return false;
    switch (event->type()) {
    case QEvent::FocusIn:
        if (QLineEdit* line = editor(); line && !line->text().isEmpty())
            line->selectAll();
        return false;
    case QEvent::KeyPress: {
        auto* k = static_cast<QKeyEvent*>(event);
        const bool enter = k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter;
        if (keyDown(k->key(), k->modifiers()))
            return true;
        // Enter never reaches the box, whatever keys are held with it
        if (enter)
            return true;
        const QString typed = k->text();
        if (typed.size() != 1)
            return false;
        QChar c = typed[0];
        if (m_upperCase && c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = c.toUpper();
        if (m_numericOnly && c.unicode() >= 0x20 && c.unicode() != 0x7f &&
            !(c.isDigit() && c.unicode() < 0x80) && c != QLatin1Char(',') && c != QLatin1Char('.'))
            return true;
        if (c != typed[0]) {
            QKeyEvent upper(QEvent::KeyPress, k->key(), k->modifiers(), QString(c), k->isAutoRepeat());
            m_resending = true;
            QApplication::sendEvent(watched, &upper);
            m_resending = false;
            return true;
        }
        return false;
    }
    case QEvent::FocusOut:
        if (m_trimOnExit)
            trimIfPadded();
        if (!m_exitFormat.isEmpty())
            setText(vb::Format(text(), m_exitFormat));
        return false;
    default:
        return false;
    }
}

qint32 FitDropWidth(QComboBox* combo)
{
    if (!combo || combo->count() == 0 || !combo->view())
        return 0;
    const QFontMetrics fm(combo->font());
    int widest = 0;
    for (int i = 0; i < combo->count(); ++i)
        widest = qMax(widest, fm.boundingRect(combo->itemText(i)).width());
    int needed = widest + 10;
    const int current = qMax(combo->width(), combo->view()->minimumWidth());
    if (needed < current)
        return 1;
    if (QScreen* s = combo->screen() ? combo->screen() : QGuiApplication::primaryScreen())
        needed = qMin(needed, s->geometry().width() - 20);
    combo->view()->setMinimumWidth(needed);
    return needed;
}

void ClipCursorToControl(QWidget* control)
{
    if (!control || !control->isVisible())
        return;
    ui::ClipCursor(QRect(control->mapToGlobal(QPoint(0, 0)), control->size()));
}

void ClipCursorToRect(const QRect& r) { ui::ClipCursor(r); }

void ReleaseCursorClip() { ui::ReleaseClipCursor(); }

} // namespace tessaly
