#pragma once
// frmDropFields: lists the rule's user fields, asks the host to add one, drops the marked ones.
#include "rulegen/designer/rulelistener.h"
#include <QDialog>

class QListWidget;
class QPushButton;

namespace tessaly {

class frmDropFields final : public QDialog {
public:
    explicit frmDropFields(QWidget* parent = nullptr);

    // rule null keeps the rule held; position -1 keeps the remembered one. Error 91 without a rule.
    void ShowInfo(CodeClassImpl* rule, qint32 position, const QString& title);

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void cmdDrop_Click();

    RuleListener m_listener;
    qint32 m_position = 0;
    QListWidget* lstFields;
    QPushButton *cmdAdd, *cmdDrop, *cmdClose;
};

} // namespace tessaly
