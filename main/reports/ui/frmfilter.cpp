#include "main/reports/ui/frmfilter.h"
#include "main/core/ui/controls.h"
#include "main/core/mdlmisc.h"
#include "main/reports/filtertext.h"
#include "platform/core/app.h"
#include "platform/core/events.h"
#include "platform/core/format.h"
#include "platform/core/settings.h"
#include "platform/ui/command.h"
#include "platform/ui/winlock.h"
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QVBoxLayout>

namespace ostrel {

namespace {

const QString kSection = QStringLiteral("Settings");
const QString kNormal = QStringLiteral("Normal");
const QColor kHighlight(0, 0, 192);

QString setting(const char* key) { return plat::GetSetting(plat::appTitle(), kSection, QLatin1String(key)); }
void saveSetting(const char* key, const QString& v) { plat::SaveSetting(plat::appTitle(), kSection, QLatin1String(key), v); }

// Sets a flag for the life of the object.
struct FlagSet {
    bool& flag;
    explicit FlagSet(bool& f) : flag(f) { flag = true; }
    ~FlagSet() { flag = false; }
};

} // namespace

frmFilter::frmFilter(QWidget* owner) : QWidget(owner, kOwnedWindow)
{
    setObjectName(QStringLiteral("frmFilter"));
    setWindowTitle(QStringLiteral("过滤条件"));
    resize(458, 322);

    tbsDynas = new QTabBar(this);
    tbsDynas->setObjectName(QStringLiteral("tbsDynas"));
    for (int i = 0; i < 2; ++i) {
        famFilter[i] = new QFrame(this);
        famFilter[i]->setObjectName(QStringLiteral("famFilter%1").arg(i));
    }
    // The simple-conditions page.
    const char* labels[] = {"字段名:", "运算符:", "值:"};
    auto* grid = new QGridLayout(famFilter[0]);
    for (int i = 0; i < 3; ++i) {
        cboFilt[i] = new QComboBox(famFilter[0]);
        cboFilt[i]->setObjectName(QStringLiteral("cboFilt%1").arg(i));
        grid->addWidget(new QLabel(QString::fromUtf8(labels[i]), famFilter[0]), 0, i);
        grid->addWidget(cboFilt[i], 1, i);
    }
    cboFilt[2]->setEditable(true);
    txtFilt = new QPlainTextEdit(famFilter[0]);
    txtFilt->setObjectName(QStringLiteral("txtFilt"));
    grid->addWidget(txtFilt, 2, 0, 1, 3);
    cmdAdd = MakeButton(famFilter[0], "cmdAdd", QStringLiteral("增加条件(&A)"));
    cmdDel = MakeButton(famFilter[0], "cmdDel", QStringLiteral("清除条件(&D)"));
    grid->addWidget(cmdAdd, 3, 1);
    grid->addWidget(cmdDel, 3, 2);
    // The pick-list page.
    auto* pick = new QVBoxLayout(famFilter[1]);
    pick->addWidget(new QLabel(QStringLiteral("可用选项"), famFilter[1]));
    lstFilt = new QListWidget(famFilter[1]);
    lstFilt->setObjectName(QStringLiteral("lstFilt"));
    pick->addWidget(lstFilt);

    cmdApply = MakeButton(this, "cmdApply", QStringLiteral("应用(&A)"));
    cmdClear = MakeButton(this, "cmdClear", QStringLiteral("撤消(&C)"));
    CancelButton = MakeButton(this, "CancelButton", QStringLiteral("关闭(&X)"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {cmdApply, cmdClear, CancelButton})
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tbsDynas);
    layout->addWidget(famFilter[0], 1);
    layout->addWidget(famFilter[1], 1);
    layout->addLayout(buttons);

    Form_Load();

    connect(cboFilt[0], &QComboBox::activated, this, [this](int i) { cboFilt_Click(i); });
    connect(cmdAdd, &QPushButton::clicked, this, [this] { cmdAdd_Click(); });
    connect(cmdDel, &QPushButton::clicked, this, [this] { cmdDel_Click(); });
    connect(tbsDynas, &QTabBar::currentChanged, this, [this] { tbsDynas_Click(); });
    connect(lstFilt, &QListWidget::itemChanged, this, [this](QListWidgetItem* it) { lstFilt_ItemCheck(it); });
    connect(txtFilt, &QPlainTextEdit::textChanged, this, [this] { txtFilt_Change(); });
    connect(cmdApply, &QPushButton::clicked, this, [this] { cmdApply_Click(); });
    connect(cmdClear, &QPushButton::clicked, this, [this] { cmdClear_Click(); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButton_Click(); });
}

QString frmFilter::conditions() const
{
    return txtFilt->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

bool frmFilter::tabHighlighted(int index) const { return tbsDynas->tabTextColor(index) == kHighlight; }

void frmFilter::highlight(int index, bool on) { tbsDynas->setTabTextColor(index, on ? kHighlight : QColor()); }

void frmFilter::Form_Load()
{
    ui::runCommand(
        [&] {
            ParseDeviceFields(m_normal, m_coded);
            cboFilt[0]->addItems(m_normal[0]);
            if (cboFilt[0]->count() > 0) {
                cboFilt[0]->setCurrentIndex(0);
                cboFilt_Click(0);
            }
            cboFilt[1]->addItems(QStringLiteral("=;>;<;<=;>=;<>;LIKE").split(QLatin1Char(';')));
            cboFilt[1]->setCurrentIndex(0);
            while (tbsDynas->count() > 0)
                tbsDynas->removeTab(0);
            tbsDynas->addTab(QStringLiteral("常规字段"));
            tbsDynas->setTabData(0, kNormal);
            for (int i = 0; i < m_coded[0].size(); ++i)
                tbsDynas->setTabData(tbsDynas->addTab(m_coded[0][i]), m_coded[1][i]);
            txtFilt->setPlainText(setting("SimpleFilters").replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
            LoadComplexFilters(setting("ComplexFilters"), m_coded);
            tbsDynas->setCurrentIndex(0);
            tbsDynas_Click();
            highlight(0, !BoxIsBlank(conditions()));
            for (int i = 0; i < m_coded[0].size(); ++i)
                highlight(i + 1, !m_coded[3][i].isEmpty());
        },
        this);
}

void frmFilter::cboFilt_Click(int index)
{
    if (index < 0)
        return;
    ui::runCommand(
        [&] {
            ui::BusyCursor busy;
            const QString column = m_normal[1].value(index);
            dao::Recordset rs = RequireDatabase().OpenRecordset(QStringLiteral("SELECT DISTINCT ") + SqlName(column) +
                                                                    QStringLiteral(" FROM [Dev_Info] ORDER BY ") +
                                                                    SqlName(column) + QLatin1Char(';'),
                                                                dao::dbOpenSnapshot);
            RecordsetCloser closer(rs);
            cboFilt[2]->clear();
            QStringList values;
            for (; !rs.Eof(); rs.MoveNext())
                values << vb::CStr(rs.Fields(0).Value());
            cboFilt[2]->addItems(values);
            if (cboFilt[2]->count() > 0)
                cboFilt[2]->setCurrentIndex(0);
            m_fieldTag = QString::number(rs.Fields(0).Type());
        },
        this);
}

void frmFilter::cmdAdd_Click()
{
    ui::runCommand(
        [&] {
            if (m_fieldTag.isEmpty())
                return;
            const QString column = m_normal[1].value(cboFilt[0]->currentIndex());
            const QString condition =
                SimpleCondition(column, cboFilt[1]->currentText(), cboFilt[2]->currentText(), m_fieldTag.toInt());
            txtFilt->setPlainText(
                AppendCondition(conditions(), condition).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        },
        this);
}

void frmFilter::cmdDel_Click() { txtFilt->clear(); }

void frmFilter::tbsDynas_Click()
{
    ui::runCommand(
        [&] {
            ui::WindowUpdateLock lock(this);
            const int tab = tbsDynas->currentIndex();
            const QString key = tbsDynas->tabData(tab).toString();
            const bool normal = key == kNormal;
            // The page going is hidden first: both shown at once would grow the window.
            QFrame* shown = famFilter[normal ? 0 : 1];
            QFrame* gone = famFilter[normal ? 1 : 0];
            gone->setVisible(false);
            gone->setEnabled(false);
            shown->setVisible(true);
            shown->setEnabled(true);
            if (normal)
                return;
            FlagSet loading(m_loading);
            dao::Recordset rs = RequireDatabase().OpenRecordset(
                QStringLiteral("SELECT [Value],[No] FROM [SysInfo] WHERE [Type]=") + SqlText(key) +
                    QStringLiteral(" ORDER BY [No];"),
                dao::dbOpenSnapshot);
            lstFilt->clear();
            {
                RecordsetCloser closer(rs);
                for (; !rs.Eof(); rs.MoveNext()) {
                    auto* it = new QListWidgetItem(vb::CStr(rs.Fields(0).Value()), lstFilt);
                    it->setData(Qt::UserRole, rs.Fields(1).Value());
                    it->setFlags(it->flags() | Qt::ItemIsUserCheckable);
                    it->setCheckState(Qt::Unchecked);
                }
            }
            const int entry = m_coded[1].indexOf(key);
            if (entry >= 0 && !m_coded[3][entry].isEmpty()) {
                for (const QString& code : m_coded[3][entry].split(QLatin1Char(';'))) {
                    for (int i = 0; i < lstFilt->count(); ++i) {
                        QListWidgetItem* it = lstFilt->item(i);
                        if (it->data(Qt::UserRole).toLongLong() == code.toLongLong()) {
                            it->setCheckState(Qt::Checked);
                            break;
                        }
                    }
                    ui::DoEvents();
                }
            }
            lstFilt->setCurrentRow(-1);
        },
        this);
}

void frmFilter::lstFilt_ItemCheck(QListWidgetItem*)
{
    if (m_loading)
        return;
    ui::runCommand(
        [&] {
            QStringList codes;
            for (int i = 0; i < lstFilt->count(); ++i)
                if (lstFilt->item(i)->checkState() == Qt::Checked)
                    codes << vb::CStr(lstFilt->item(i)->data(Qt::UserRole));
            const int tab = tbsDynas->currentIndex();
            const int entry = m_coded[1].indexOf(tbsDynas->tabData(tab).toString());
            if (entry < 0)
                return;
            m_coded[3][entry] = codes.join(QLatin1Char(';'));
            highlight(tab, !codes.isEmpty());
        },
        this);
}

void frmFilter::txtFilt_Change() { highlight(0, !BoxIsBlank(conditions())); }

void frmFilter::cmdApply_Click()
{
    const QString filter = ComposeFilter(conditions(), m_coded);
    bool refused = false;
    Q_EMIT Apply(filter, refused);
    ui::runCommand(
        [&] {
            if (!refused)
                saveSetting("Filters", filter);
            saveSetting("SimpleFilters", conditions());
            saveSetting("ComplexFilters", ComplexFiltersText(m_coded));
        },
        this);
}

void frmFilter::cmdClear_Click()
{
    bool refused = false;
    Q_EMIT Apply(QString(), refused);
}

void frmFilter::CancelButton_Click()
{
    hide();
    ui::DoEvents();
}

void frmFilter::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        CancelButton->click();
    else
        QWidget::keyPressEvent(event);
}

} // namespace ostrel
