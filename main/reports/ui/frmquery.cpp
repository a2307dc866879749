#include "main/reports/ui/frmquery.h"
#include "main/core/ui/controls.h"
#include "main/core/ui/frmsplash.h"
#include "main/reports/ui/frmreport.h"
#include "main/reports/historyquery.h"
#include "platform/core/events.h"
#include "platform/core/format.h"
#include "platform/ui/command.h"
#include "platform/ui/modal.h"
#include "shared/forms/forms.h"
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <memory>

namespace ostrel {

frmQuery::frmQuery(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmQuery"));
    setWindowTitle(QStringLiteral("查询.."));
    setWindowIcon(QIcon(ProgramLogo(32)));

    const char* options[] = {"按照设备调拨日期", "按照设备维修日期", "按照货品验收日期", "按照设备报废日期"};
    const char* labels[] = {"起始日期（年/月/日）：", "结束日期（年/月/日）："};
    auto* grid = new QGridLayout;
    for (int i = 0; i < 4; ++i) {
        optQuery[i] = new QRadioButton(QString::fromUtf8(options[i]), this);
        optQuery[i]->setObjectName(QStringLiteral("optQuery%1").arg(i));
        grid->addWidget(optQuery[i], i, 0, 1, 2);
    }
    const QString now = HistoryDate(QDateTime::currentDateTime());
    for (int i = 0; i < 2; ++i) {
        lblInfo[i] = new QLabel(QString::fromUtf8(labels[i]), this);
        lblInfo[i]->setObjectName(QStringLiteral("lblInfo%1").arg(i));
        txtRange[i] = new QLineEdit(now, this);
        txtRange[i]->setObjectName(QStringLiteral("txtRange%1").arg(i));
        grid->addWidget(lblInfo[i], 4 + i, 0);
        grid->addWidget(txtRange[i], 4 + i, 1);
    }
    optQuery[0]->setChecked(true);
    cmdQuery = MakeButton(this, "cmdQuery", QStringLiteral("查询(&Q)"));
    CancelButton = MakeButton(this, "CancelButton", QStringLiteral("关闭(&C)"));
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdQuery);
    buttons->addWidget(CancelButton);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons);

    connect(cmdQuery, &QPushButton::clicked, this, [this] { cmdQuery_Click(); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { hide(); });
}

void frmQuery::cmdQuery_Click()
{
    ui::runCommand(
        [&] {
            qint32 kind = 0;
            while (kind < 3 && !optQuery[kind]->isChecked())
                ++kind;
            const QDateTime start = vb::CDate(txtRange[0]->text());
            const QDateTime end = vb::CDate(txtRange[1]->text());
            auto report = std::make_unique<frmReport>();
            ui::DoEvents();
            forms::FormLayout(report.get(), QStringLiteral("FormRpt"), true, QStringLiteral("1000;1000;8000;5000;Max"));
            report->Report(kind, start, end);
            ui::DoEvents();
            ui::showModal(report.get());
        },
        this);
}

} // namespace ostrel
