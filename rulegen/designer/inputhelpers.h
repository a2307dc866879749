#pragma once
// Keyboard behaviour of the designer's text and combo boxes, and a combo's drop-down width.
#include <QObject>
#include <QPointer>
#include <QString>

class QComboBox;
class QLineEdit;
class QWidget;

namespace tessaly {

// Attached to one text box or combo box: the whole text selected on entry, typed letters in
// capitals, an optional numeric-only mode, Enter and the arrow keys moving between boxes,
// optional trimming and formatting when the box is left. The owner window keeps it.
class TxtEXPs : public QObject {
public:
    explicit TxtEXPs(QObject* parent = nullptr) : QObject(parent) {}

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
    // A QLineEdit or a QComboBox; anything else is refused with error 13.
    QWidget* Control() const;
    void setControl(QWidget* box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* edit() const;
    QString text() const;
    void setText(const QString& t);
    void moveFocus(bool next);

    bool m_navigateKeys = true, m_trimOnExit = false, m_numericOnly = false, m_upperCase = true;
    QString m_tag, m_exitFormat;
    QPointer<QLineEdit> m_textBox;
    QPointer<QComboBox> m_comboBox;
};

// Widens a combo box's drop-down list to its widest item (never narrows it): the width set,
// 1 when the list was wide enough already, 0 when there was nothing to measure.
qint32 FitDropWidth(QComboBox* combo);

} // namespace tessaly
