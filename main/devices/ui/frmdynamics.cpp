#include "main/devices/ui/frmdynamics.h"
#include "main/core/ui/controls.h"
#include "main/core/ui/fileshell.h"
#include "main/core/mdlmisc.h"
#include "main/core/ui/mdlwidgets.h"
#include "main/core/globals.h"
#include "main/core/strings.h"
#include "main/core/usrinfos.h"
#include "main/core/devicetable.h"
#include "main/reports/ui/summarytext.h"
#include "platform/core/events.h"
#include "platform/core/format.h"
#include "platform/core/msgbox.h"
#include "platform/ui/command.h"
#include "platform/ui/winlock.h"
#include "shared/forms/forms.h"
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTabBar>
#include <QVBoxLayout>

namespace ostrel {

namespace {

enum Page { PageTrans = 0, PageMaintain, PageCheck, PageDiscard, PageDocs };

const QString kFileFilter = QStringLiteral(
    "Jpg图片文件(*.jpg);*.jpg;Word文档(*.doc);*.doc;Excel文档(*.xls);*.xls;PowerPoint文档(*.ppt);*.ppt;"
    "文本文件(*.txt);*.txt;Windows位图文件(*.bmp);*.bmp;所有文件(*.*);*.*");

constexpr int kIconRole = Qt::UserRole + 1;

// A list with no entry selected, then the entry of code (none when it is missing from the list).
void loadAndSelect(QComboBox* combo, const QString& type, const QVariant& code)
{
    LoadComboList(combo, type);
    SelectComboItem(combo, code);
}

// Keeps the box at least wide enough to show `sample` whole.
void fitWidthTo(QLineEdit* box, const QString& sample)
{
    QStyleOptionFrame option;
    option.initFrom(box);
    option.lineWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box);
    const QMargins m = box->textMargins();
    const QFontMetrics fm = box->fontMetrics();
    // The box keeps 2 px a side inside its frame, and room for the cursor.
    const QSize text(fm.horizontalAdvance(sample) + m.left() + m.right() + 4 + 2, fm.height());
    box->setMinimumWidth(box->style()->sizeFromContents(QStyle::CT_LineEdit, &option, text, box).width());
}

QString presentTime() { return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")); }

// The item data of the selected entry; invalid when none is selected.
QVariant codeOf(const QComboBox* combo)
{
    return combo->currentIndex() < 0 ? QVariant() : combo->currentData();
}

// The box's text as a date; invalid when it is no date.
QDateTime dateOf(const QLineEdit* box)
{
    bool ok = false;
    const QDateTime d = vb::toDate(box->text(), &ok);
    return ok ? d : QDateTime();
}

template <typename W>
W* named(W* w, const QString& name, int index = -1)
{
    w->setObjectName(name);
    if (index >= 0)
        w->setProperty("index", index);
    return w;
}

bool holdsRight(int page)
{
    if (!gUsrInfos)
        return false;
    switch (page) {
    case PageTrans: return gUsrInfos->PrvTrans();
    case PageMaintain: return gUsrInfos->PrvMaintain();
    case PageCheck: return gUsrInfos->PrvCheck();
    case PageDiscard: return gUsrInfos->PrvDiscard();
    default: return gUsrInfos->PrvDocs();
    }
}

} // namespace

frmDynamics::frmDynamics(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmDynamics"));
    setWindowTitle(QStringLiteral("设备动态信息"));

    txtSummary = named(new QPlainTextEdit(this), QStringLiteral("txtSummary"));
    txtSummary->setReadOnly(true);
    txtSummary->setTabStopDistance(6 * txtSummary->fontMetrics().horizontalAdvance(QLatin1Char('M')));

    tbsDynas = named(new QTabBar(this), QStringLiteral("tbsDynas"));
    const QString captions[kPages] = {QStringLiteral("调拨"), QStringLiteral("维修"), QStringLiteral("验收"),
                                      QStringLiteral("报废"), QStringLiteral("资料")};
    for (int i = 0; i < kPages; ++i) {
        tbsDynas->addTab(captions[i]);
        tbsDynas->setTabData(i, QString());
    }
    stkPages = named(new QStackedWidget(this), QStringLiteral("stkPages"));
    buildPages();

    cmdOK = MakeButton(this, "cmdOK", QStringLiteral("确定(&Y)"));
    cmdCancel = MakeButton(this, "cmdCancel", QStringLiteral("取消(&C)"));
    cmdOK->setEnabled(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* top = new QVBoxLayout(this);
    top->addWidget(txtSummary, 2);
    top->addWidget(tbsDynas);
    top->addWidget(stkPages, 3);
    top->addLayout(buttons);
    resize(640, 560);

    connect(tbsDynas, &QTabBar::currentChanged, this, [this] { tbsDynas_Click(); });
    for (int i = 0; i < kPages; ++i) {
        connect(cmdAdd[i], &QPushButton::clicked, this, [this, i] { cmdAdd_Click(i); });
        connect(cmdDelete[i], &QPushButton::clicked, this, [this, i] { cmdDelete_Click(i); });
        connect(lvwDocs[i], &QListWidget::itemDoubleClicked, this, [this, i] { lvwDocs_DblClick(i); });
    }
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });

    forms::LoadResStrings(this, strings());
}

frmDynamics::~frmDynamics() = default;

void frmDynamics::buildPages()
{
    const QString dateLabels[kPages] = {QStringLiteral("调拨日期:"), QStringLiteral("维修日期:"),
                                        QStringLiteral("验收日期:"), QStringLiteral("报废日期:"),
                                        QStringLiteral("资料日期:")};
    for (int i = 0; i < kPages; ++i) {
        QWidget* page = named(new QWidget, QStringLiteral("picHolder"), i);
        picHolder[i] = page;
        page->setEnabled(false);
        auto* form = new QFormLayout;
        const auto row = [&](const QString& label, QWidget* field) {
            form->addRow(named(new QLabel(label, page), QStringLiteral("lblInfo")), field);
        };
        switch (i) {
        case PageTrans:
            for (int k = 0; k < 2; ++k) {
                cboDepart[k] = named(new QComboBox(page), QStringLiteral("cboDepart"), k);
                txtPosition[k] = named(new QLineEdit(page), QStringLiteral("txtPosition"), k);
            }
            row(QStringLiteral("原使用部门:"), cboDepart[0]);
            row(QStringLiteral("原安装地点:"), txtPosition[0]);
            row(QStringLiteral("现使用部门:"), cboDepart[1]);
            row(QStringLiteral("现安装地点:"), txtPosition[1]);
            break;
        case PageMaintain:
            cboMainType = named(new QComboBox(page), QStringLiteral("cboMainType"));
            cboMaintainer = named(new QComboBox(page), QStringLiteral("cboMaintainer"));
            txtValue[0] = named(new QLineEdit(page), QStringLiteral("txtValue"), 0);
            row(QStringLiteral("维修类型:"), cboMainType);
            row(QStringLiteral("维修厂商:"), cboMaintainer);
            row(QStringLiteral("费用:"), txtValue[0]);
            break;
        case PageCheck:
            for (int k = 0; k < 2; ++k)
                cboCheck[k] = named(new QComboBox(page), QStringLiteral("cboCheck"), k);
            row(QStringLiteral("原验收状态:"), cboCheck[0]);
            row(QStringLiteral("现验收状态:"), cboCheck[1]);
            break;
        case PageDiscard:
            txtValue[1] = named(new QLineEdit(page), QStringLiteral("txtValue"), 1);
            txtDeels = named(new QLineEdit(page), QStringLiteral("txtDeels"));
            row(QStringLiteral("残值收入:"), txtValue[1]);
            row(QStringLiteral("处理结果:"), txtDeels);
            break;
        default:
            cboDTypes = named(new QComboBox(page), QStringLiteral("cboDTypes"));
            row(QStringLiteral("资料类型:"), cboDTypes);
            break;
        }
        cboTrans[i] = named(new QComboBox(page), QStringLiteral("cboTrans"), i);
        txtDate[i] = named(new QLineEdit(page), QStringLiteral("txtDate"), i);
        fitWidthTo(txtDate[i], kDateSample);
        txtMemo[i] = named(new QLineEdit(page), QStringLiteral("txtMemo"), i);
        row(QStringLiteral("经办人:"), cboTrans[i]);
        row(dateLabels[i], txtDate[i]);
        row(QStringLiteral("备注:"), txtMemo[i]);

        lvwDocs[i] = named(new QListWidget(page), QStringLiteral("lvwDocs"), i);
        lvwDocs[i]->setViewMode(QListView::IconMode);
        lvwDocs[i]->setIconSize(QSize(32, 32));
        lvwDocs[i]->setMovement(QListView::Static);
        lvwDocs[i]->setSelectionMode(QAbstractItemView::SingleSelection);
        cmdAdd[i] = named(MakeButton(page, "cmdAdd", QStringLiteral("增加")), QStringLiteral("cmdAdd"), i);
        cmdDelete[i] = named(MakeButton(page, "cmdDelete", QStringLiteral("删除")), QStringLiteral("cmdDelete"), i);
        auto* fileButtons = new QHBoxLayout;
        fileButtons->addWidget(named(new QLabel(QStringLiteral("资料:"), page), QStringLiteral("lblDocs"), i));
        fileButtons->addStretch();
        fileButtons->addWidget(cmdAdd[i]);
        fileButtons->addWidget(cmdDelete[i]);
        auto* files = new QVBoxLayout;
        files->addLayout(fileButtons);
        files->addWidget(lvwDocs[i], 1);
        auto* columns = new QHBoxLayout(page);
        columns->addLayout(form, 3);
        columns->addLayout(files, 2);
        stkPages->addWidget(page);
    }
}

void frmDynamics::ShowInfo(qint32& Kind, qint32& Dev_ID)
{
    txtSummary->setPlainText(GetDeviceSummary(Dev_ID).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    if (Dev_ID < 1)
        throw vb::Error(1000, QStringLiteral("错误的设备ID号。"));
    devices::RequireDevice(Dev_ID);
    m_devId = Dev_ID;
    if (Kind >= 0 && Kind < kPages) {
        const QSignalBlocker quiet(tbsDynas);
        tbsDynas->setCurrentIndex(Kind);
    }
    tbsDynas_Click();
    // The window opens in the first field the user fills (what the device gives comes
    // filled in), not in the summary; on a page the user may not fill, in the tab strip.
    QWidget* const first[kPages] = {cboDepart[1], cboMainType, cboCheck[1], txtValue[1], cboDTypes};
    const int page = tbsDynas->currentIndex();
    if (picHolder[page]->isEnabled())
        first[page]->setFocus();
    else
        tbsDynas->setFocus();
}

void frmDynamics::tbsDynas_Click()
{
    ui::runCommand(
        [&] {
            ui::WindowUpdateLock lock(this);
            const int selected = tbsDynas->currentIndex();
            stkPages->setCurrentIndex(selected);
            const bool allowed = holdsRight(selected);
            for (int i = 0; i < kPages; ++i)
                picHolder[i]->setEnabled(i == selected && allowed);
            cmdOK->setEnabled(allowed && !m_registered);
            if (tbsDynas->tabData(selected).toString() == QLatin1String("1"))
                return;
            if (fillPage(selected))
                tbsDynas->setTabData(selected, QStringLiteral("1"));
        },
        this);
}

// Fills a page for its first showing; false when the device row is gone.
bool frmDynamics::fillPage(int page)
{
    const auto device = [this](const QString& columns) {
        dao::Recordset rs = RequireDatabase().OpenRecordset(QStringLiteral("SELECT TOP 1 ") + columns +
                                                                QStringLiteral(" FROM [Dev_Info] WHERE [Dev_ID]=") +
                                                                QString::number(m_devId) + QLatin1Char(';'),
                                                            dao::dbOpenSnapshot);
        QVariantList row;
        if (!rs.Eof())
            for (int i = 0; i < rs.Fields().Count(); ++i)
                row.append(rs.Fields(i).Value());
        rs.Close();
        return row;
    };
    switch (page) {
    case PageTrans: {
        const QVariantList row = device(QStringLiteral("[Dep_ID],[安装地点]"));
        if (row.isEmpty())
            return false;
        loadAndSelect(cboDepart[0], QStringLiteral("Departs"), row[0]);
        LoadComboList(cboDepart[1], QStringLiteral("Departs"), QString(), false, true);
        txtPosition[0]->setText(row[1].toString());
        // A box takes no more than its column holds.
        for (int k = 0; k < 2; ++k)
            if (const int size = TextColumnSize(QStringLiteral("Transfer"), k ? QStringLiteral("调后地点") : QStringLiteral("调前地点")))
                txtPosition[k]->setMaxLength(size);
        break;
    }
    case PageMaintain:
        LoadComboList(cboMainType, QStringLiteral("MTypes"), QString(), false, true);
        LoadComboList(cboMaintainer, QStringLiteral("Mains"), QString(), false, true);
        break;
    case PageCheck: {
        const QVariantList row = device(QStringLiteral("[验收状况],[安装地点]"));
        if (row.isEmpty())
            return false;
        loadAndSelect(cboCheck[0], QStringLiteral("Check"), row[0]);
        LoadComboList(cboCheck[1], QStringLiteral("Check"), QString(), false, true);
        break;
    }
    case PageDiscard:
        txtValue[1]->setText(QStringLiteral("0"));
        if (const int size = TextColumnSize(QStringLiteral("Discard"), QStringLiteral("Result")))
            txtDeels->setMaxLength(size);
        break;
    default:
        LoadComboList(cboDTypes, QStringLiteral("DType"), QString(), false, true);
        break;
    }
    LoadComboList(cboTrans[page], QStringLiteral("Trans"), QString(), false, true);
    txtDate[page]->setText(presentTime());
    return true;
}

int frmDynamics::iconFor(const QString& path)
{
    const QString key = QFileInfo(path).suffix().toLower();
    int image = m_iconKeys.indexOf(key);
    if (image < 0) {
        m_icons.append(QIcon(GetFileIcon(path, 2)));
        m_iconKeys.append(key);
        image = int(m_iconKeys.size()) - 1;
        ui::DoEvents();
    }
    return image;
}

void frmDynamics::cmdAdd_Click(int page)
{
    ui::runCommand(
        [&] {
            QString defExt;
            const QString path = GetOpenFile(ui::windowHandle(this), QStringLiteral("指定资料文件"), false, QString(),
                                             defExt, kFileFilter, QString(), true);
            if (path.isEmpty())
                return;
            devices::CheckFileToStore(path);
            const int image = iconFor(path);
            auto* entry = new QListWidgetItem(m_icons.at(image), QFileInfo(path).fileName(), lvwDocs[page]);
            entry->setData(Qt::UserRole, path);
            entry->setData(kIconRole, image);
        },
        this);
}

void frmDynamics::cmdDelete_Click(int page)
{
    if (QListWidgetItem* entry = lvwDocs[page]->currentItem(); entry && entry->isSelected())
        delete entry;
}

void frmDynamics::lvwDocs_DblClick(int page)
{
    QListWidgetItem* entry = lvwDocs[page]->currentItem();
    if (!entry)
        return;
    try {
        StartDoc(entry->data(Qt::UserRole).toString());
    } catch (...) {
        // opening is a convenience; nothing to report
    }
}

devices::HistoryRecord frmDynamics::readPage(int page) const
{
    const auto common = [&](devices::HistoryCommon& c) {
        c.devId = m_devId;
        c.handler = codeOf(cboTrans[page]);
        c.date = dateOf(txtDate[page]);
        c.memo = txtMemo[page]->text();
        c.userId = gUsrInfos ? QVariant(gUsrInfos->UsrID()) : QVariant();
    };
    switch (page) {
    case PageTrans: {
        devices::TransferEntry e;
        common(e);
        e.fromDepart = codeOf(cboDepart[0]);
        e.toDepart = codeOf(cboDepart[1]);
        e.fromPlace = txtPosition[0]->text();
        e.toPlace = txtPosition[1]->text();
        return e;
    }
    case PageMaintain: {
        devices::MaintainEntry e;
        common(e);
        e.kind = codeOf(cboMainType);
        e.vendor = codeOf(cboMaintainer);
        e.cost = txtValue[0]->text();
        return e;
    }
    case PageCheck: {
        devices::CheckEntry e;
        common(e);
        e.before = codeOf(cboCheck[0]);
        e.after = codeOf(cboCheck[1]);
        return e;
    }
    case PageDiscard: {
        devices::DiscardEntry e;
        common(e);
        e.residual = txtValue[1]->text();
        e.result = txtDeels->text();
        return e;
    }
    default: {
        devices::DocumentsEntry e;
        common(e);
        e.type = codeOf(cboDTypes);
        return e;
    }
    }
}

QList<devices::DocumentFile> frmDynamics::filesOf(int page) const
{
    QList<devices::DocumentFile> files;
    for (int i = 0; i < lvwDocs[page]->count(); ++i) {
        const QListWidgetItem* entry = lvwDocs[page]->item(i);
        files.append({entry->data(Qt::UserRole).toString(), entry->text()});
    }
    return files;
}

void frmDynamics::cmdOK_Click()
{
    ui::runCommand(
        [&] {
            if (m_registered)
                return;
            const QDateTime began = QDateTime::currentDateTime();
            const int page = tbsDynas->currentIndex();
            const qint32 kind = devices::RegisterHistory(readPage(page), filesOf(page), began);
            // committed: this window never stores it again
            m_registered = true;
            cmdOK->setEnabled(false);
            emit DynaChg(kind, m_devId);
            ui::MsgBox(QStringLiteral("登记成功！"), ui::vbInformation);
            hide();
            ui::DoEvents();
        },
        this);
}

void frmDynamics::cmdCancel_Click()
{
    hide();
    ui::DoEvents();
}

} // namespace ostrel
