#pragma once
// frmAdvanceds: the rule-wide options, written through to the live rule at once, and the
// order of the layered bands.
#include "rulegen/designer/rulelistener.h"
#include <QDialog>

class QCheckBox;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace tessaly {

class frmAdvanceds final : public QDialog {
public:
    explicit frmAdvanceds(QWidget* parent = nullptr);

    // rule null keeps the rule held. Error 91 without a rule.
    void ShowInfo(CodeClassImpl* rule, const QString& title);
    void ShowDetail();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void lstLayers_Click();
    void moveLayer(bool up);

    RuleListener m_listener;
    QString m_layerName;
    bool m_filling = false;
    QListWidget* lstLayers;
    QPushButton *cmdUp, *cmdDown, *cmdApply, *cmdClose;
    QRadioButton* optApply[2];
    QCheckBox *chkStyle, *chkSaveMode, *chkUpcase;
};

} // namespace tessaly
