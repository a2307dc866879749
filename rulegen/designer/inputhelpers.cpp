#include "rulegen/designer/inputhelpers.h"
#include "rulegen/engine/strings.h"
#include "rulegen/engine/textutil.h"
#include "platform/core/events.h"
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>

namespace tessaly {

QWidget* TxtEXPs::Control() const
{
    if (m_textBox)
        return m_textBox;
    return m_comboBox;
}

void TxtEXPs::setControl(QWidget* box)
{
    if (QWidget* old = Control())
        old->removeEventFilter(this);
    if (QLineEdit* e = edit())
        e->removeEventFilter(this);
    m_textBox = nullptr;
    m_comboBox = nullptr;
    if (!box)
        return;
    if (auto* c = qobject_cast<QComboBox*>(box)) {
        m_comboBox = c;
    } else if (auto* e = qobject_cast<QLineEdit*>(box)) {
        m_textBox = e;
    } else {
        throw runtimeError(vb::errTypeMismatch);
    }
    box->installEventFilter(this);
    if (m_comboBox && m_comboBox->lineEdit())
        m_comboBox->lineEdit()->installEventFilter(this);
}

QLineEdit* TxtEXPs::edit() const
{
    if (m_textBox)
        return m_textBox;
    return m_comboBox ? m_comboBox->lineEdit() : nullptr;
}

QString TxtEXPs::text() const
{
    if (QLineEdit* e = edit())
        return e->text();
    return m_comboBox ? m_comboBox->currentText() : QString();
}

void TxtEXPs::setText(const QString& t)
{
    if (QLineEdit* e = edit())
        e->setText(t);
}

void TxtEXPs::moveFocus(bool next)
{
    QWidget* box = Control();
    if (!box)
        return;
    QWidget* w = next ? box->nextInFocusChain() : box->previousInFocusChain();
    while (w && w != box && !(w->isEnabled() && w->isVisibleTo(box->window()) && (w->focusPolicy() & Qt::TabFocus)))
        w = next ? w->nextInFocusChain() : w->previousInFocusChain();
    if (w && w != box)
        w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

bool TxtEXPs::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::FocusIn:
        if (QLineEdit* e = edit(); e && !e->text().isEmpty())
            e->selectAll();
        break;
    case QEvent::KeyPress: {
        auto* k = static_cast<QKeyEvent*>(event);
        const bool plain = !(k->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier));
        QLineEdit* e = edit();
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            if (m_navigateKeys && plain) {
                const QString t = text();
                if (t != text::trim(t))
                    setText(text::trim(t));
                if (!text().isEmpty())
                    moveFocus(true);
            }
            return true; // Enter never reaches the box (nor a default button)
        }
        if (m_navigateKeys && plain && e && !e->hasSelectedText()) {
            if (k->key() == Qt::Key_Left && e->cursorPosition() == 0) {
                moveFocus(false);
                return true;
            }
            if (k->key() == Qt::Key_Right && e->cursorPosition() == e->text().size()) {
                moveFocus(true);
                return true;
            }
        }
        const QString typed = k->text();
        if (typed.size() != 1 || !e)
            break;
        QChar c = typed.at(0);
        if (m_upperCase && c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = c.toUpper();
        if (m_numericOnly && !(c.isDigit() && c.unicode() < 128) && c != QLatin1Char(',') && c != QLatin1Char('.')
            && c != QChar(8))
            return true;
        if (c != typed.at(0)) {
            e->insert(QString(c));
            return true;
        }
        break;
    }
    case QEvent::FocusOut:
        if (watched == Control() || watched == edit()) {
            const QString t = text();
            if (m_trimOnExit && t != text::trim(t))
                setText(text::trim(t));
            if (!m_exitFormat.isEmpty())
                setText(text::format(text(), m_exitFormat));
        }
        break;
    default:
        break;
    }
    return false;
}

qint32 FitDropWidth(QComboBox* combo)
{
    if (!combo || combo->count() == 0)
        return 0;
    const QFontMetrics fm(combo->font());
    int widest = 0;
    for (int i = 0; i < combo->count(); ++i)
        widest = qMax(widest, fm.horizontalAdvance(combo->itemText(i)));
    int needed = widest + 10;
    QAbstractItemView* view = combo->view();
    const int current = qMax(combo->width(), view->minimumWidth());
    if (needed < current)
        return 1;
    if (QScreen* s = QGuiApplication::primaryScreen())
        needed = qMin(needed, s->geometry().width() - 20);
    view->setMinimumWidth(needed);
    return needed;
}

} // namespace tessaly
