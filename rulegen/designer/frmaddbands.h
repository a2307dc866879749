#pragma once
// frmAddBands: adds bands to a rule, before or after a reference band or at the end. The
// controls edit a scratch band that knows the rule as its parent but is never added to it.
#include "rulegen/engine/codeclass.h"
#include <QDialog>
#include <QList>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tessaly {

class TxtEXPs;

class frmAddBands final : public QDialog {
public:
    explicit frmAddBands(QWidget* parent = nullptr);
    ~frmAddBands() override;

    void ShowAddBand(CodeClassImpl* rule, QString& refName, qint32& position);
    void FillBandControls();
    // Rows: 0 swap mode, 1 default, 2 format, 3 length, 4 bound field, 5 increment mode, 6 trigger band.
    void EnableBandControls(int row, bool enabled);
    void ReadBandControls();

    BandImpl* scratchBand() const { return m_band.get(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void positionChosen(int index);
    void cmdOK_Click();
    QWidget* rowControl(int row) const;

    com::ComPtr<CodeClassImpl> m_rule;
    QString m_refName;
    com::ComPtr<BandImpl> m_band;
    bool m_loading = false;
    QList<TxtEXPs*> m_inputs;

    QGroupBox* famRefer;
    QRadioButton* optPosition[3];
    QLineEdit *txtName, *txtDefault, *txtFormat, *txtLength;
    QComboBox *cboStyle, *cboBound, *cboIncrMode, *cboTrigerBand, *cboSwapMode;
    QPushButton *cmdOK, *cmdCancel;
};

} // namespace tessaly
