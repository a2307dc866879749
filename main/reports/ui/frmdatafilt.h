#pragma once
// The report row filter: drop the selected rows, drop the others, or keep the rows whose
// cell in one column satisfies a comparison, as text or as numbers. It never touches the
// list: it asks its owner for a column's values (GetValue, answered through the reference
// argument, so connect it directly) and hands the decision back as events.
#include <QDialog>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace ostrel {

class frmDataFilt : public QDialog {
    Q_OBJECT
public:
    explicit frmDataFilt(QWidget* parent = nullptr);

    // The column captions joined by ";", the selected and all rows of the owner's list.
    // Chooses the first column, which asks for its values.
    void ShowInfo(const QString& Cols, qint32 Selected, qint32 Total);

    QRadioButton* optFilt[3] = {};
    QGroupBox* famFilt = nullptr;
    QComboBox* cboFilt[3] = {};
    QLabel* lblInfo[3] = {};
    QCheckBox* chkOption = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

Q_SIGNALS:
    // The owner fills Values with the column's distinct texts, ascending.
    void GetValue(const QString& Column, QStringList& Values);
    // Column from 1; the owner removes every row whose cell fails "cell Opera Value".
    void Apply(qint32 Column, const QString& Opera, const QString& Value, bool AsData);
    // The owner removes every row whose selected state equals DropSelected.
    void DropItems(bool DropSelected);

private:
    void cboFilt_Click(int index);
    void OKButton_Click();
    static void FillCombo(const QString& list, QComboBox* combo);
};

} // namespace ostrel
