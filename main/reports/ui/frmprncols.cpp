#include "main/reports/ui/frmprncols.h"
#include "main/reports/ui/printlist.h"
#include "main/core/ui/controls.h"
#include "main/core/devicefilter.h"
#include "main/core/globals.h"
#include "main/core/usrinfos.h"
#include "platform/core/app.h"
#include "platform/core/events.h"
#include "platform/core/settings.h"
#include "platform/ui/beep.h"
#include "platform/ui/command.h"
#include <QHBoxLayout>
#include <QListWidget>
#include <QVBoxLayout>

namespace ostrel {

namespace {

const QString kSection = QStringLiteral("Settings");
const QString kKey = QStringLiteral("PrintColumns");
constexpr int kCaptionRole = Qt::UserRole + 1;

} // namespace

frmPrnCols::frmPrnCols(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPrnCols"));
    setWindowTitle(QStringLiteral("选择打印的列"));
    lstCols = new QListWidget(this);
    lstCols->setObjectName(QStringLiteral("lstCols"));
    cmdUp = MakeButton(this, "cmdUp", QStringLiteral("上移(&U)"));
    cmdDown = MakeButton(this, "cmdDown", QStringLiteral("下移(&D)"));
    cmdDefault = MakeButton(this, "cmdDefault", QStringLiteral("复位(&R)"));
    OKButton = MakeButton(this, "OKButton", QStringLiteral("确定(&Y)"));
    CancelButton = MakeButton(this, "CancelButton", QStringLiteral("取消(&C)"));
    OKButton->setDefault(true); // Enter confirms; Escape cancels as the dialog's reject

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {OKButton, CancelButton, cmdUp, cmdDown, cmdDefault})
        buttons->addWidget(b);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(lstCols, 1);
    layout->addLayout(buttons);

    connect(cmdUp, &QPushButton::clicked, this, [this] { cmdUp_Click(); });
    connect(cmdDown, &QPushButton::clicked, this, [this] { cmdDown_Click(); });
    connect(cmdDefault, &QPushButton::clicked, this, [this] { cmdDefault_Click(); });
    connect(OKButton, &QPushButton::clicked, this, [this] { OKButton_Click(); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButton_Click(); });
    Form_Load();
}

frmPrnCols::~frmPrnCols() { Form_Unload(); }

void frmPrnCols::Init(QString& ViewWhere, QString& FilterText)
{
    m_viewWhere = ViewWhere;
    m_filterText = FilterText;
    // Checked as the device list checks it: one condition on its own, nothing more.
    if (!FilterText.trimmed().isEmpty())
        CheckUserFilter(FilterText);
}

PrintColumns frmPrnCols::columns() const
{
    PrintColumns l;
    for (int i = 0; i < lstCols->count(); ++i) {
        const QListWidgetItem* it = lstCols->item(i);
        l.append({it->data(kCaptionRole).toString(), it->data(Qt::UserRole).toInt(), it->checkState() == Qt::Checked});
    }
    return l;
}

void frmPrnCols::addEntry(const PrintColumn& c, int row)
{
    auto* it = new QListWidgetItem(PrintHeading(c));
    it->setData(kCaptionRole, c.caption);
    it->setData(Qt::UserRole, c.kind);
    it->setFlags(it->flags() | Qt::ItemIsUserCheckable);
    it->setCheckState(c.selected ? Qt::Checked : Qt::Unchecked);
    lstCols->insertItem(row < 0 ? lstCols->count() : row, it);
}

void frmPrnCols::showColumns(const PrintColumns& columns)
{
    for (const PrintColumn& c : columns)
        addEntry(c);
    // tall enough for every entry
    if (lstCols->count() > 0)
        lstCols->setMinimumHeight(lstCols->sizeHintForRow(0) * lstCols->count() + 2 * lstCols->frameWidth());
}

void frmPrnCols::Form_Load()
{
    ui::runCommand(
        [&] {
            const QString stored = plat::GetSetting(plat::appTitle(), kSection, kKey);
            lstCols->clear();
            if (stored.isEmpty()) {
                showColumns(DefaultPrintColumns());
                return;
            }
            PrintColumns read;
            try {
                ParsePrintColumns(stored, read);
            } catch (...) {
                showColumns(read);
                throw;
            }
            showColumns(read);
        },
        this);
}

void frmPrnCols::Form_Unload()
{
    ui::runCommand([&] { plat::SaveSetting(plat::appTitle(), kSection, kKey, PrintColumnsText(columns())); }, this);
}

void frmPrnCols::moveCurrent(int by)
{
    const int row = lstCols->currentRow();
    const int target = row + by;
    if (row < 0 || target < 0 || target >= lstCols->count()) {
        ui::Beep();
        return;
    }
    QListWidgetItem* it = lstCols->takeItem(row);
    lstCols->insertItem(target, it);
    lstCols->setCurrentRow(target);
}

void frmPrnCols::cmdUp_Click()
{
    ui::runCommand([&] { moveCurrent(-1); }, this);
}

void frmPrnCols::cmdDown_Click()
{
    ui::runCommand([&] { moveCurrent(1); }, this);
}

void frmPrnCols::cmdDefault_Click()
{
    ui::runCommand(
        [&] {
            lstCols->clear();
            showColumns(DefaultPrintColumns());
        },
        this);
}

void frmPrnCols::OKButton_Click()
{
    const bool printed = ui::runCommand(
        [&] {
            PrintDeviceList(columns(), m_viewWhere, m_filterText, gUsrInfos ? gUsrInfos->DepartIDs() : QString());
        },
        this);
    if (printed) {
        accept();
        ui::DoEvents();
        ShowPrintedFile();
    }
}

void frmPrnCols::CancelButton_Click()
{
    reject();
    ui::DoEvents();
}

} // namespace ostrel
