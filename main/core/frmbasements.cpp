#include "main/core/frmbasements.h"
#include "main/core/controls.h"
#include "main/core/mdlmisc.h"
#include "main/core/startup.h"
#include "main/core/strings.h"
#include "main/core/usrinfos.h"
#include "platform/core/events.h"
#include "platform/core/msgbox.h"
#include "platform/ui/winlock.h"
#include "shared/forms/forms.h"
#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTabBar>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace ostrel {

namespace {

constexpr int kRefusal = 1000;
constexpr int kLockedRetries = 5;

const QString kDuplicate = QStringLiteral("相同编码或描述已经存在！");
const QString kGone = QStringLiteral("对不起!记录可能已经被其它用户删除!");
const QString kAskDelete = QStringLiteral("您确实要删除指定的项目吗?");
const QString kNoDelete0 = QStringLiteral("对不起!代码为0的项目禁止删除.");
const QString kNoUpdate0 = QStringLiteral("对不起!代码为0的项目禁止更新.");
const QString kEmpty = QStringLiteral("代码和描述不能为空。");
const QString kNotWhole = QStringLiteral("对不起!代码必须是整数.");
const QString kInto0 = QStringLiteral("对不起!不能把项目的代码改为0.");
const QString kInUseDelete = QStringLiteral("对不起!该项目正被*条设备或历史记录使用,禁止删除.");
const QString kInUseRecode = QStringLiteral("对不起!该项目正被*条设备或历史记录使用,禁止修改代码.");

[[noreturn]] void refuse(const QString& text) { throw vb::Error(kRefusal, text); }

// Where device and history rows store the codes of each list.
struct CodeUse {
    const char16_t* type;
    const char16_t* table;
    QVector<const char16_t*> columns;
};

const QVector<CodeUse>& codeUses()
{
    static const QVector<CodeUse> uses = {
        {u"Dev_Grp", u"Dev_Info", {u"Dev_Grp"}},
        {u"Departs", u"Dev_Info", {u"Dep_ID"}},
        {u"Departs", u"Transfer", {u"Sur_ID", u"Tar_ID"}},
        {u"Trans", u"Dev_Info", {u"责任人"}},
        {u"Trans", u"Transfer", {u"经办人"}},
        {u"Trans", u"Maintain", {u"经办人"}},
        {u"Trans", u"Checks", {u"经办人"}},
        {u"Trans", u"Discard", {u"经办人"}},
        {u"Trans", u"Dev_Docs", {u"M_ID"}},
        {u"Check", u"Dev_Info", {u"验收状况"}},
        {u"Check", u"Checks", {u"原验收状况", u"现验收状况"}},
        {u"State", u"Dev_Info", {u"设备状况"}},
        {u"MTypes", u"Maintain", {u"MType"}},
        {u"Mains", u"Maintain", {u"Main_ID"}},
        {u"DType", u"Dev_Docs", {u"Type"}},
    };
    return uses;
}

// A code as typed: a whole number that fits the column.
qint32 wholeCode(const QString& text)
{
    bool ok = false;
    const qint32 n = text.trimmed().toInt(&ok);
    if (!ok)
        refuse(kNotWhole);
    return n;
}

void rollbackQuietly(bool& inTrans)
{
    if (!inTrans)
        return;
    inTrans = false;
    try {
        dao::DBEngine::Rollback();
    } catch (...) {
    }
}

QString typeCondition(const QString& type) { return QStringLiteral("[Type]=") + SqlText(type); }

} // namespace

int CountBaseDataUses(const QString& type, qint32 no)
{
    int total = 0;
    for (const CodeUse& use : codeUses()) {
        if (type != QString::fromUtf16(use.type))
            continue;
        QStringList conditions;
        for (const char16_t* column : use.columns)
            conditions.append(SqlName(QString::fromUtf16(column)) + QLatin1Char('=') + QString::number(no));
        dao::Recordset rs = gDatabase.OpenRecordset(QStringLiteral("SELECT ") +
                                                        SqlName(QString::fromUtf16(use.columns.first())) +
                                                        QStringLiteral(" FROM ") + SqlName(QString::fromUtf16(use.table)) +
                                                        QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" OR ")) +
                                                        QLatin1Char(';'),
                                                    dao::dbOpenSnapshot);
        if (!rs.Eof()) {
            rs.MoveLast();
            total += rs.RecordCount();
        }
        rs.Close();
    }
    return total;
}

// ---- frmAddBases ----

frmAddBases::frmAddBases(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAddBases"));
    setWindowTitle(QStringLiteral("增加信息"));
    auto* grid = new QGridLayout;
    const QString labels[3] = {QStringLiteral("编码:"), QStringLiteral("描述:"), QStringLiteral("备注:")};
    for (int i = 0; i < 3; ++i) {
        lblValue[i] = new QLabel(labels[i], this);
        txtValue[i] = new QLineEdit(this);
        txtValue[i]->setObjectName(QStringLiteral("txtValue"));
        txtValue[i]->setProperty("index", i);
        lblValue[i]->setBuddy(txtValue[i]);
        grid->addWidget(lblValue[i], i, 0);
        grid->addWidget(txtValue[i], i, 1);
    }
    cmdOK = new QPushButton(QStringLiteral("确定(&Y)"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("关闭(&C)"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addLayout(buttons);
    resize(360, 150);

    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    forms::LoadResStrings(this, strings());
}

void frmAddBases::ShowInfo(int& Mode, QString& No, QString& Value, QString& Memo)
{
    setWindowTitle(Mode != 0 ? QStringLiteral("修改信息") : QStringLiteral("增加信息"));
    txtValue[0]->setText(No);
    txtValue[1]->setText(Value);
    txtValue[2]->setText(Memo);
    m_mode = Mode;
}

void frmAddBases::cmdOK_Click()
{
    for (int i = 0; i < 2; ++i) {
        txtValue[i]->setText(txtValue[i]->text().trimmed());
        if (txtValue[i]->text().isEmpty()) {
            ui::MsgBox(kEmpty, ui::vbInformation, QString(), this);
            txtValue[i]->setFocus();
            return;
        }
    }
    int mode = m_mode;
    QString no = txtValue[0]->text();
    QString value = txtValue[1]->text();
    QString memo = txtValue[2]->text();
    Q_EMIT InfoChg(mode, no, value, memo);
    ShowInfo(mode, no, value, memo);
    txtValue[0]->setFocus();
    ui::DoEvents();
    if (m_mode == 1)
        hide();
}

void frmAddBases::cmdCancel_Click() { hide(); }

// ---- frmBasements ----

frmBasements::frmBasements(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmBasements"));
    setWindowTitle(QStringLiteral("基础信息管理"));

    tbsOptions = new QTabBar(this);
    tbsOptions->setObjectName(QStringLiteral("tbsOptions"));
    tbsOptions->setExpanding(false);
    lvwDetail = new QTreeWidget(this);
    lvwDetail->setObjectName(QStringLiteral("lvwDetail"));
    lvwDetail->setRootIsDecorated(false);
    lvwDetail->setSelectionMode(QAbstractItemView::SingleSelection);
    lvwDetail->setHeaderLabels({QStringLiteral("代码"), QStringLiteral("描述"), QStringLiteral("备注")});
    lvwDetail->setAllColumnsShowFocus(true);

    cmdAdd = MakeButton(this, "cmdAdd", QStringLiteral("添加(&A)"));
    cmdUpdate = MakeButton(this, "cmdUpdate", QStringLiteral("更新(&U)"));
    cmdDelete = MakeButton(this, "cmdDelete", QStringLiteral("删除(&D)"));
    cmdClose = MakeButton(this, "cmdClose", QStringLiteral("关闭(&C)"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {cmdAdd, cmdUpdate, cmdDelete, cmdClose})
        buttons->addWidget(b);
    auto* top = new QVBoxLayout(this);
    top->setSpacing(0);
    top->addWidget(tbsOptions);
    top->addWidget(lvwDetail, 1);
    top->addSpacing(8);
    top->addLayout(buttons);
    resize(560, 380);

    connect(tbsOptions, &QTabBar::currentChanged, this, [this] { tbsOptions_Click(); });
    connect(lvwDetail, &QTreeWidget::itemDoubleClicked, this, [this] { lvwDetail_DblClick(); });
    connect(cmdAdd, &QPushButton::clicked, this, [this] { cmdAdd_Click(); });
    connect(cmdUpdate, &QPushButton::clicked, this, [this] { cmdUpdate_Click(); });
    connect(cmdDelete, &QPushButton::clicked, this, [this] { cmdDelete_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { cmdClose_Click(); });

    // Ctrl+Tab reaches the window whichever control has the focus.
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);

    Form_Load();
}

frmBasements::~frmBasements() = default;

void frmBasements::Form_Load()
{
    forms::LoadResStrings(this, strings());
    if (QScreen* screen = this->screen() ? this->screen() : QApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    const bool maintain = gUsrInfos && gUsrInfos->PrvStyle() == 3;
    cmdAdd->setEnabled(maintain);
    cmdUpdate->setEnabled(maintain);
    cmdDelete->setEnabled(maintain);
}

QString frmBasements::selectedType() const
{
    const int i = tbsOptions->currentIndex();
    return i >= 0 ? tbsOptions->tabData(i).toString() : QString();
}

void frmBasements::ShowInfo(QString& Tabs, int& Index)
{
    ui::WindowUpdateLock lock(this);
    if (!Tabs.isEmpty()) {
        const QSignalBlocker block(tbsOptions);
        while (tbsOptions->count() > 0)
            tbsOptions->removeTab(0);
        for (const QString& entry : Tabs.split(QLatin1Char(';'))) {
            const int comma = entry.indexOf(QLatin1Char(','));
            const int tab = tbsOptions->addTab(comma >= 0 ? entry.left(comma) : entry);
            tbsOptions->setTabData(tab, comma >= 0 ? entry.mid(comma + 1) : QString());
        }
    }
    if (Index < 1 || Index > tbsOptions->count())
        Index = 1;
    if (tbsOptions->currentIndex() != Index - 1 && Index <= tbsOptions->count())
        tbsOptions->setCurrentIndex(Index - 1);   // lists the tab through tbsOptions_Click
    else
        fillList();
}

void frmBasements::fillList()
{
    const QString type = selectedType();
    lvwDetail->clear();
    if (tbsOptions->currentIndex() < 0)
        return;
    const QIcon icon = style()->standardIcon(QStyle::SP_FileIcon);
    for (int attempt = 0;; ++attempt) {
        dao::Recordset rs;
        try {
            rs = gDatabase.OpenRecordset(QStringLiteral("SELECT ALL * FROM [SysInfo] WHERE ") + typeCondition(type) +
                                             QStringLiteral(" ORDER BY [No];"),
                                         dao::dbOpenSnapshot);
            lvwDetail->clear();
            while (!rs.Eof()) {
                auto* item = new QTreeWidgetItem(lvwDetail);
                item->setText(0, rs.Fields(QStringLiteral("No")).Value().toString());
                item->setData(0, Qt::UserRole, rs.Fields(QStringLiteral("ID")).Value());
                item->setText(1, rs.Fields(QStringLiteral("Value")).Value().toString());
                item->setText(2, rs.Fields(QStringLiteral("Memo")).Value().toString());
                item->setIcon(0, icon);
                rs.MoveNext();
            }
            rs.Close();
            return;
        } catch (const vb::Error& e) {
            CloseRecordset(rs);
            if (e.number() == dao::err::Locked && attempt + 1 < kLockedRetries) {
                QThread::msleep(50u * unsigned(attempt + 1));
                continue;
            }
            ReportError(e);
            return;
        }
    }
}

void frmBasements::tbsOptions_Click()
{
    QString none;
    int index = tbsOptions->currentIndex() + 1;
    ShowInfo(none, index);
}

bool frmBasements::Form_KeyDown(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Tab || event->modifiers() != Qt::ControlModifier)
        return false;
    const int n = tbsOptions->count();
    if (n > 0)
        tbsOptions->setCurrentIndex((tbsOptions->currentIndex() + 1) % n);
    return true;
}

bool frmBasements::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this && Form_KeyDown(static_cast<QKeyEvent*>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

void frmBasements::keyPressEvent(QKeyEvent* event)
{
    if (!Form_KeyDown(event))
        QDialog::keyPressEvent(event);
}

void frmBasements::lvwDetail_DblClick()
{
    // The buttons say what the user may do; a double-click may not do more.
    if (cmdUpdate->isEnabled())
        cmdUpdate_Click();
}

void frmBasements::cmdAdd_Click()
{
    int mode = 0;
    QString no, value, memo;
    ShowAddWin(mode, no, value, memo);
}

void frmBasements::cmdUpdate_Click()
{
    QTreeWidgetItem* row = lvwDetail->currentItem();
    if (!row)
        return;
    if (row->text(0) == QStringLiteral("0")) {
        ui::MsgBox(kNoUpdate0, ui::vbOKOnly, QString(), this);
        return;
    }
    int mode = 1;
    QString no = row->text(0), value = row->text(1), memo = row->text(2);
    ShowAddWin(mode, no, value, memo);
}

void frmBasements::cmdDelete_Click()
{
    QTreeWidgetItem* row = lvwDetail->currentItem();
    if (!row)
        return;
    bool inTrans = false;
    try {
        const qint32 code = wholeCode(row->text(0));
        if (code == 0) {
            ui::MsgBox(kNoDelete0, ui::vbOKOnly, QString(), this);
            return;
        }
        const QString type = selectedType();
        auto refuseUsed = [&] {
            const int uses = CountBaseDataUses(type, code);
            if (uses > 0)
                refuse(QString(kInUseDelete).replace(QLatin1Char('*'), QString::number(uses)));
        };
        refuseUsed();
        if (ui::MsgBox(kAskDelete, ui::vbYesNo | ui::vbQuestion, QString(), this) == ui::vbNo)
            return;
        // Counted again with the delete in one transaction: no row can take the code in between.
        dao::DBEngine::BeginTrans();
        inTrans = true;
        refuseUsed();
        const int deleted = gDatabase.Execute(QStringLiteral("DELETE ALL * FROM [SysInfo] WHERE ") +
                                              typeCondition(type) + QStringLiteral(" AND [No]=") +
                                              QString::number(code) + QLatin1Char(';'));
        dao::DBEngine::CommitTrans();
        inTrans = false;
        if (deleted > 0)
            delete row;
    } catch (const std::exception& e) {
        rollbackQuietly(inTrans);
        ReportError(e);
    }
}

void frmBasements::cmdClose_Click() { hide(); }

void frmBasements::ShowAddWin(int& Mode, QString& No, QString& Value, QString& Memo)
{
    frmAddBase = new frmAddBases(this);
    connect(frmAddBase, &frmAddBases::InfoChg, this,
            [this](int& mode, QString& no, QString& value, QString& memo) { frmAddBase_InfoChg(mode, no, value, memo); });
    ui::DoEvents();
    frmAddBase->ShowInfo(Mode, No, Value, Memo);
    Q_EMIT addWinOpened(frmAddBase);
    frmAddBase->exec();
    delete frmAddBase;
    frmAddBase = nullptr;
}

void frmBasements::frmAddBase_InfoChg(int& Mode, QString& No, QString& Value, QString& Memo)
{
    if (Mode != 0)
        UpdateBaseValue(No, Value, Memo);
    else
        AddBaseValue(No, Value, Memo);
}

void frmBasements::AddBaseValue(QString& No, QString& Value, QString& Memo)
{
    dao::Recordset rs;
    bool inTrans = false;
    try {
        const QString type = selectedType();
        if (type.isEmpty())
            throw vb::Error::runtime(vb::errInvalidCall);
        const qint32 code = wholeCode(No);
        dao::DBEngine::BeginTrans();
        inTrans = true;
        rs = gDatabase.OpenRecordset(QStringLiteral("SELECT * FROM [SysInfo] WHERE ") + typeCondition(type) +
                                         QStringLiteral(" ORDER BY [No];"),
                                     dao::dbOpenSnapshot);
        while (!rs.Eof()) {
            const QVariant no = rs.Fields(QStringLiteral("No")).Value();
            if ((!no.isNull() && no.toLongLong() == code) || rs.Fields(QStringLiteral("Value")).Value().toString() == Value)
                refuse(kDuplicate);
            rs.MoveNext();
        }
        rs.Close();

        rs = gDatabase.OpenRecordset(QStringLiteral("SELECT TOP 1 * FROM [SysInfo] WHERE ") + typeCondition(type) +
                                         QLatin1Char(';'),
                                     dao::dbOpenDynaset);
        const QVariant id = GetNewID(QStringLiteral("SysInfo"), QStringLiteral("ID"));
        rs.AddNew();
        rs.Fields(QStringLiteral("ID")).setValue(id);
        rs.Fields(QStringLiteral("Type")).setValue(type);
        rs.Fields(QStringLiteral("No")).setValue(code);
        rs.Fields(QStringLiteral("Value")).setValue(Value);
        if (!Memo.isEmpty())
            rs.Fields(QStringLiteral("Memo")).setValue(Memo);
        rs.Update();
        rs.Close();
        dao::DBEngine::CommitTrans();
        inTrans = false;

        No = QString::number(code);
        auto* item = new QTreeWidgetItem(lvwDetail);
        item->setText(0, No);
        item->setData(0, Qt::UserRole, id);
        item->setText(1, Value);
        item->setText(2, Memo);
        item->setIcon(0, style()->standardIcon(QStyle::SP_FileIcon));
    } catch (const std::exception& e) {
        CloseRecordset(rs);
        rollbackQuietly(inTrans);
        ui::DoEvents();
        ReportError(e);
    }
}

void frmBasements::UpdateBaseValue(QString& No, QString& Value, QString& Memo)
{
    dao::Recordset rs;
    bool inTrans = false;
    try {
        QTreeWidgetItem* row = lvwDetail->currentItem();
        if (!row)
            refuse(kGone);
        const QString type = selectedType();
        const qint32 oldCode = wholeCode(row->text(0));
        const qint32 code = wholeCode(No);
        if (code == 0 && oldCode != 0)
            refuse(kInto0);
        dao::DBEngine::BeginTrans();
        inTrans = true;
        rs = gDatabase.OpenRecordset(QStringLiteral("SELECT TOP 1 * FROM [SysInfo] WHERE ((") + typeCondition(type) +
                                         QStringLiteral(") AND ([No]=") + QString::number(oldCode) +
                                         QStringLiteral("));"),
                                     dao::dbOpenDynaset);
        if (rs.Eof())
            refuse(kGone);
        const QVariant id = rs.Fields(QStringLiteral("ID")).Value();

        // Another entry of the list may not have the code or the description already.
        dao::Recordset others = gDatabase.OpenRecordset(
            QStringLiteral("SELECT [No],[Value] FROM [SysInfo] WHERE ") + typeCondition(type) +
                QStringLiteral(" AND [ID]<>") + SqlNumber(id) + QLatin1Char(';'),
            dao::dbOpenSnapshot);
        bool duplicate = false;
        while (!others.Eof() && !duplicate) {
            const QVariant no = others.Fields(0).Value();
            duplicate = (!no.isNull() && no.toLongLong() == code) || others.Fields(1).Value().toString() == Value;
            others.MoveNext();
        }
        others.Close();
        if (duplicate)
            refuse(kDuplicate);
        if (code != oldCode) {
            const int uses = CountBaseDataUses(type, oldCode);
            if (uses > 0)
                refuse(QString(kInUseRecode).replace(QLatin1Char('*'), QString::number(uses)));
        }

        rs.Edit();
        rs.Fields(QStringLiteral("No")).setValue(code);
        rs.Fields(QStringLiteral("Value")).setValue(Value);
        rs.Fields(QStringLiteral("Memo")).setValue(Memo);
        rs.Update();
        rs.Close();
        dao::DBEngine::CommitTrans();
        inTrans = false;

        No = QString::number(code);
        row->setText(0, No);
        row->setText(1, Value);
        row->setText(2, Memo);
    } catch (const std::exception& e) {
        CloseRecordset(rs);
        rollbackQuietly(inTrans);
        ui::DoEvents();
        ReportError(e);
    }
}

QString BaseDataTabs()
{
    return QStringLiteral("设备分组,Dev_Grp;使用部门,Departs;责任人员,Trans;验收状况,Check;") +
           QStringLiteral("设备状况,State;维修分类,MTypes;维修厂商,Mains;资料类型,DType");
}

void ShowBaseDataWindow(QWidget* parent)
{
    frmBasements window(parent);
    ui::DoEvents();
    QString tabs = BaseDataTabs();
    int index = -1;
    window.ShowInfo(tabs, index);
    window.exec();
    ui::DoEvents();
}

} // namespace ostrel
