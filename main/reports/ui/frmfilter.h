#pragma once
// The device filter window: simple conditions on the plain device columns and, for each
// coded column, a page of its base-data values to check. "应用(&A)" raises Apply with the
// composed condition (no "WHERE") and keeps the contents in the settings under the
// program's title; "撤消(&C)" raises Apply with "". The owner shows it without waiting
// and keeps it: "关闭(&X)" only hides it.
#include "main/reports/devicefields.h"
#include <QWidget>

class QComboBox;
class QFrame;
class QKeyEvent;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class QTabBar;

namespace ostrel {

class frmFilter : public QWidget {
    Q_OBJECT
public:
    explicit frmFilter(QWidget* owner = nullptr);

    // The coded columns with their checked codes (row 3).
    const FieldTable& codedFields() const { return m_coded; }
    // The DAO type of the column whose values were listed last, "" before any.
    QString fieldTag() const { return m_fieldTag; }
    // The conditions box, line breaks as CR LF.
    QString conditions() const;
    bool tabHighlighted(int index) const;
    bool loading() const { return m_loading; }

    QTabBar* tbsDynas = nullptr;
    QFrame* famFilter[2] = {};
    QComboBox* cboFilt[3] = {};
    QPlainTextEdit* txtFilt = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdDel = nullptr;
    QListWidget* lstFilt = nullptr;
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdClear = nullptr;
    QPushButton* CancelButton = nullptr;

Q_SIGNALS:
    // The condition without "WHERE", or "" to clear the filter. A receiver that cannot use
    // the condition sets Refused; it is then not remembered as "Filters".
    void Apply(QString FilterText, bool& Refused);

protected:
    // Escape closes the window as "关闭(&X)" does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Form_Load();
    void cboFilt_Click(int index);
    void cmdAdd_Click();
    void cmdDel_Click();
    void tbsDynas_Click();
    void lstFilt_ItemCheck(QListWidgetItem* item);
    void txtFilt_Change();
    void cmdApply_Click();
    void cmdClear_Click();
    void CancelButton_Click();
    void highlight(int index, bool on);

    FieldTable m_normal, m_coded;
    bool m_loading = false;
    QString m_fieldTag;
};

} // namespace ostrel
