#include "main/reports/ui/frmdatafilt.h"
#include "main/core/ui/controls.h"
#include "main/core/ui/frmsplash.h"
#include "platform/core/events.h"
#include "platform/core/vbrt.h"
#include "platform/ui/command.h"
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ostrel {

frmDataFilt::frmDataFilt(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmDataFilt"));
    setWindowTitle(QStringLiteral("筛选方式"));
    setWindowIcon(QIcon(ProgramLogo(32)));

    const char* options[] = {"滤除选定项目", "滤除非选定项目", "保留满足下列条件的项目"};
    auto* optionBox = new QVBoxLayout;
    for (int i = 0; i < 3; ++i) {
        optFilt[i] = new QRadioButton(QString::fromUtf8(options[i]), this);
        optFilt[i]->setObjectName(QStringLiteral("optFilt%1").arg(i));
        optionBox->addWidget(optFilt[i]);
    }
    famFilt = new QGroupBox(this);
    famFilt->setObjectName(QStringLiteral("famFilt"));
    auto* grid = new QGridLayout(famFilt);
    const char* labels[] = {"列名:", "运算符:", "值:"};
    for (int i = 0; i < 3; ++i) {
        lblInfo[i] = new QLabel(QString::fromUtf8(labels[i]), famFilt);
        lblInfo[i]->setObjectName(QStringLiteral("lblInfo%1").arg(i));
        cboFilt[i] = new QComboBox(famFilt);
        cboFilt[i]->setObjectName(QStringLiteral("cboFilt%1").arg(i));
        grid->addWidget(lblInfo[i], 0, i);
        grid->addWidget(cboFilt[i], 1, i);
    }
    cboFilt[2]->setEditable(true);
    chkOption = new QCheckBox(QStringLiteral("作为数字处理"), this);
    chkOption->setObjectName(QStringLiteral("chkOption"));
    OKButton = MakeButton(this, "OKButton", QStringLiteral("确定(&Y)"));
    CancelButton = MakeButton(this, "CancelButton", QStringLiteral("取消(&C)"));
    OKButton->setDefault(true); // Enter confirms; Escape cancels as the dialog's reject

    auto* left = new QVBoxLayout;
    left->addLayout(optionBox);
    left->addWidget(famFilt);
    left->addWidget(chkOption);
    auto* right = new QVBoxLayout;
    right->addWidget(OKButton);
    right->addWidget(CancelButton);
    right->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right);

    FillCombo(QStringLiteral("=;>;<;<=;>=;<>;LIKE"), cboFilt[1]);
    cboFilt[1]->setCurrentIndex(0);
    optFilt[2]->setChecked(true);

    connect(cboFilt[0], &QComboBox::activated, this, [this](int i) { cboFilt_Click(i); });
    connect(OKButton, &QPushButton::clicked, this, [this] { OKButton_Click(); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { hide(); });
}

void frmDataFilt::FillCombo(const QString& list, QComboBox* combo)
{
    combo->clear();
    combo->addItems(vb::Split(list, QStringLiteral(";")));
}

void frmDataFilt::ShowInfo(const QString& Cols, qint32 Selected, qint32 Total)
{
    FillCombo(Cols, cboFilt[0]);
    if (cboFilt[0]->count() > 0) {
        cboFilt[0]->setCurrentIndex(0);
        cboFilt_Click(0);
    }
    const qint32 others = Total - Selected;
    optFilt[0]->setEnabled(Selected >= 1);
    optFilt[0]->setText(optFilt[0]->text() + QStringLiteral("(%1项)").arg(Selected));
    optFilt[1]->setEnabled(others >= 1);
    optFilt[1]->setText(optFilt[1]->text() + QStringLiteral("(%1项)").arg(others));
}

void frmDataFilt::cboFilt_Click(int index)
{
    if (index < 0)
        return;
    ui::runCommand(
        [&] {
            QStringList values;
            Q_EMIT GetValue(cboFilt[0]->currentText(), values);
            cboFilt[2]->clear();
            cboFilt[2]->addItems(values);
            if (!values.isEmpty())
                cboFilt[2]->setCurrentIndex(0);
        },
        this);
}

void frmDataFilt::OKButton_Click()
{
    if (optFilt[0]->isChecked())
        Q_EMIT DropItems(true);
    else if (optFilt[1]->isChecked())
        Q_EMIT DropItems(false);
    else if (cboFilt[0]->currentIndex() >= 0)
        Q_EMIT Apply(cboFilt[0]->currentIndex() + 1, cboFilt[1]->currentText(), cboFilt[2]->currentText(),
                     chkOption->isChecked());
    ui::DoEvents();
    hide();
}

} // namespace ostrel
