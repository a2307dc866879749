#include "main/core/frmusers.h"
#include "main/core/controls.h"
#include "main/core/mdlmisc.h"
#include "main/core/password.h"
#include "main/core/startup.h"
#include "main/core/strings.h"
#include "main/core/usrinfos.h"
#include "platform/core/events.h"
#include "platform/core/msgbox.h"
#include "shared/forms/forms.h"
#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ostrel {

namespace {

const QChar kCR(13);

// Refusal numbers: the string-table entry plus the component base.
constexpr int kNoSuchUser = 1061;
constexpr int kNameExists = 1064;
constexpr int kDeleteSelf = 1065;
constexpr int kLastAdministrator = 1070;

[[noreturn]] void refuse(int id) { throw vb::Error(vb::componentError(id), Str(id)); }

// A number held in a text or variant, as the program reads codes and flags (0 when none).
double numberOf(const QVariant& v)
{
    bool ok = false;
    const double d = v.toString().trimmed().toDouble(&ok);
    return ok ? d : 0.0;
}

// Runs a handler's body; an error closes its record set and is shown, the window stays.
template <typename F>
void trapped(dao::Recordset& rs, F&& body)
{
    try {
        body();
    } catch (const std::exception& e) {
        CloseRecordset(rs);
        ReportError(e);
    }
}

QListWidgetItem* addTickEntry(QListWidget* list, const QString& text, const QVariant& data)
{
    auto* item = new QListWidgetItem(text, list);
    item->setData(Qt::UserRole, data);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    return item;
}

void tickAll(QListWidget* list, bool on)
{
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

} // namespace

frmUsers::frmUsers(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmUsers"));
    setWindowTitle(QStringLiteral("用户管理"));

    lstUsers = new QListWidget(this);
    lstUsers->setObjectName(QStringLiteral("lstUsers"));
    lstUsers->setSelectionMode(QAbstractItemView::SingleSelection);

    famUsers = new QGroupBox(QStringLiteral("权限级别"), this);
    famUsers->setObjectName(QStringLiteral("famUsers"));
    m_levels = new QButtonGroup(this);
    auto* levelBox = new QVBoxLayout(famUsers);
    const QString captions[4] = {QStringLiteral("禁用"), QStringLiteral("查看"), QStringLiteral("操作"),
                                 QStringLiteral("维护")};
    for (int i = 0; i < 4; ++i) {
        optPrivate[i] = new QRadioButton(captions[i], famUsers);
        optPrivate[i]->setObjectName(QStringLiteral("optPrivate"));
        optPrivate[i]->setProperty("index", i);
        m_levels->addButton(optPrivate[i], i);
        levelBox->addWidget(optPrivate[i]);
    }
    levelBox->addStretch();

    lstDepart = new QListWidget(this);
    lstDepart->setObjectName(QStringLiteral("lstDepart"));
    lstOperate = new QListWidget(this);
    lstOperate->setObjectName(QStringLiteral("lstOperate"));

    const QString labels[3] = {QStringLiteral("用户:"), QStringLiteral("允许查看下列部门资料:"),
                               QStringLiteral("允许进行下列操作:")};
    for (int i = 0; i < 3; ++i) {
        lblInfo[i] = new QLabel(labels[i], this);
        lblInfo[i]->setObjectName(QStringLiteral("lblInfo"));
        lblInfo[i]->setProperty("index", i);
    }

    cmdAdd = MakeButton(this, "cmdAdd", QStringLiteral("增加"));
    cmdDel = MakeButton(this, "cmdDel", QStringLiteral("删除"));
    cmdPWD = MakeButton(this, "cmdPWD", QStringLiteral("口令"));
    cmdSave = MakeButton(this, "cmdSave", QStringLiteral("保存"));
    Command2 = MakeButton(this, "Command2", QStringLiteral("关闭"));

    auto* users = new QVBoxLayout;
    users->addWidget(lblInfo[0]);
    users->addWidget(lstUsers, 1);
    users->addWidget(famUsers);
    auto* departs = new QVBoxLayout;
    departs->addWidget(lblInfo[1]);
    departs->addWidget(lstDepart, 1);
    auto* operate = new QVBoxLayout;
    operate->addWidget(lblInfo[2]);
    operate->addWidget(lstOperate, 1);
    auto* lists = new QHBoxLayout;
    lists->addLayout(users, 1);
    lists->addLayout(departs, 1);
    lists->addLayout(operate, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {cmdAdd, cmdDel, cmdPWD, cmdSave, Command2})
        buttons->addWidget(b);
    auto* top = new QVBoxLayout(this);
    top->addLayout(lists, 1);
    top->addLayout(buttons);
    resize(620, 400);

    connect(lstUsers, &QListWidget::currentItemChanged, this, [this] { lstUsers_Click(); });
    connect(m_levels, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on)
            optPrivate_Click(id);
    });
    connect(cmdAdd, &QPushButton::clicked, this, [this] { cmdAdd_Click(); });
    connect(cmdDel, &QPushButton::clicked, this, [this] { cmdDel_Click(); });
    connect(cmdPWD, &QPushButton::clicked, this, [this] { cmdPWD_Click(); });
    connect(cmdSave, &QPushButton::clicked, this, [this] { cmdSave_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });

    Form_Load();
}

frmUsers::~frmUsers() = default;

void frmUsers::Form_Load()
{
    forms::LoadResStrings(this, strings());
    dao::Recordset rs;
    trapped(rs, [&] {
        rs = gDatabase.OpenRecordset(
            QStringLiteral("SELECT [Value],[No] FROM [SysInfo] WHERE [Type]='Departs' ORDER BY [Value];"),
            dao::dbOpenSnapshot);
        while (!rs.Eof()) {
            addTickEntry(lstDepart, rs.Fields(0).Value().toString(), rs.Fields(1).Value());
            rs.MoveNext();
        }
        rs.Close();
        if (lstDepart->count() > 0)
            lstDepart->setCurrentRow(0);

        const QStringList flags = Str(1081).split(QLatin1Char(';'));
        for (int i = 0; i < flags.size(); ++i)
            addTickEntry(lstOperate, flags[i], i);
        if (lstOperate->count() > 0)
            lstOperate->setCurrentRow(0);

        rs = gDatabase.OpenRecordset(
            QStringLiteral("SELECT [Value],[ID] FROM [SysInfo] WHERE [Type]='Users' ORDER BY [Value];"),
            dao::dbOpenSnapshot);
        while (!rs.Eof()) {
            auto* item = new QListWidgetItem(rs.Fields(0).Value().toString(), lstUsers);
            item->setData(Qt::UserRole, rs.Fields(1).Value());
            rs.MoveNext();
        }
        rs.Close();
        if (lstUsers->count() > 0)
            lstUsers->setCurrentRow(0);
    });
}

void frmUsers::lstUsers_Click()
{
    QListWidgetItem* user = lstUsers->currentItem();
    if (!user)
        return;
    dao::Recordset rs;
    trapped(rs, [&] {
        rs = gDatabase.OpenRecordset(QStringLiteral("SELECT TOP 1 [No],[Memo] FROM [SysInfo] WHERE [ID]=") +
                                         SqlNumber(user->data(Qt::UserRole)) + QStringLiteral(" ORDER BY [No];"),
                                     dao::dbOpenSnapshot);
        if (rs.Eof())
            refuse(kNoSuchUser);
        const double no = numberOf(rs.Fields(0).Value());
        const QString memo = rs.Fields(1).Value().toString();
        rs.Close();

        // A level outside 0 to 3 cannot log in: it shows as disabled.
        const int level = (no >= 0 && no <= 3 && no == int(no)) ? int(no) : 0;
        optPrivate[level]->setChecked(true);
        optPrivate_Click(level);

        tickAll(lstDepart, false);
        tickAll(lstOperate, false);
        if (memo.isEmpty())
            return;
        QStringList lines = memo.split(kCR);
        while (lines.size() < 3)
            lines.append(QString());
        const QStringList codes = lines[1].split(QLatin1Char(';'));
        for (int i = 0; i < lstDepart->count(); ++i) {
            QListWidgetItem* entry = lstDepart->item(i);
            const double code = numberOf(entry->data(Qt::UserRole));
            for (const QString& c : codes) {
                bool ok = false;
                const double n = c.trimmed().toDouble(&ok);
                if (ok && n == code) {
                    entry->setCheckState(Qt::Checked);
                    break;
                }
            }
        }
        const QStringList fields = lines[2].split(QLatin1Char(';'));
        for (int i = 0; i < lstOperate->count() && i < fields.size(); ++i)
            if (numberOf(fields[i]) != 0)
                lstOperate->item(i)->setCheckState(Qt::Checked);
    });
}

void frmUsers::optPrivate_Click(int index)
{
    lstDepart->setEnabled(index != 0);
    lstOperate->setEnabled(index == 2 || index == 3);
}

void frmUsers::refuseLastAdministrator(qint32 id)
{
    dao::Recordset rs = gDatabase.OpenRecordset(
        QStringLiteral("SELECT TOP 1 [ID] FROM [SysInfo] WHERE [Type]='Users' AND [No]=3 AND [ID]<>") +
            QString::number(id) + QLatin1Char(';'),
        dao::dbOpenSnapshot);
    const bool others = !rs.Eof();
    rs.Close();
    if (!others)
        refuse(kLastAdministrator);
}

void frmUsers::cmdAdd_Click()
{
    dao::Recordset rs;
    trapped(rs, [&] {
        const QString name = ui::InputBox(Str(1063), QString(), QString(), this);
        if (name.isEmpty())
            return;
        rs = gDatabase.OpenRecordset(QStringLiteral("SELECT TOP 1 * FROM [SysInfo] WHERE [Type]='Users' AND [Value]=") +
                                         SqlText(name) + QStringLiteral(" ORDER BY [No];"),
                                     dao::dbOpenDynaset);
        if (!rs.Eof())
            refuse(kNameExists);
        const QVariant id = GetNewID(QStringLiteral("SysInfo"), QStringLiteral("ID"));
        rs.AddNew();
        rs.Fields(QStringLiteral("ID")).setValue(id);
        rs.Fields(QStringLiteral("No")).setValue(0);
        rs.Fields(QStringLiteral("Type")).setValue(QStringLiteral("Users"));
        rs.Fields(QStringLiteral("Value")).setValue(name);
        rs.Update();
        rs.Close();

        auto* item = new QListWidgetItem(name, lstUsers);
        item->setData(Qt::UserRole, id);
        lstUsers->setCurrentItem(item);
    });
}

void frmUsers::cmdDel_Click()
{
    QListWidgetItem* user = lstUsers->currentItem();
    if (!user)
        return;
    dao::Recordset rs;
    trapped(rs, [&] {
        const QString key = SqlNumber(user->data(Qt::UserRole));
        const qint32 id = key.toInt();
        // The logged-in user is known by key: a name may differ only in letter case.
        if (gUsrInfos && gUsrInfos->UsrID() != 0 && id == gUsrInfos->UsrID())
            refuse(kDeleteSelf);
        rs = gDatabase.OpenRecordset(QStringLiteral("SELECT TOP 1 [No] FROM [SysInfo] WHERE [ID]=") + key +
                                         QLatin1Char(';'),
                                     dao::dbOpenSnapshot);
        const bool administrator = !rs.Eof() && numberOf(rs.Fields(0).Value()) == 3;
        rs.Close();
        if (administrator)
            refuseLastAdministrator(id);
        if (ui::MsgBox(Str(1066, user->text()), ui::vbYesNo | ui::vbQuestion, QString(), this) == ui::vbNo)
            return;
        gDatabase.Execute(QStringLiteral("DELETE ALL * FROM [SysInfo] WHERE [ID]=") + key + QLatin1Char(';'));
        delete lstUsers->takeItem(lstUsers->row(user));
    });
}

void frmUsers::cmdPWD_Click()
{
    QListWidgetItem* user = lstUsers->currentItem();
    if (!user)
        return;
    dao::Recordset rs;
    trapped(rs, [&] {
        const QString password = ui::InputBox(Str(1069, user->text()), QString(), QString(), this);
        if (password.isEmpty())
            return;
        rs = gDatabase.OpenRecordset(QStringLiteral("SELECT TOP 1 [Memo] FROM [SysInfo] WHERE [ID]=") +
                                         SqlNumber(user->data(Qt::UserRole)) + QLatin1Char(';'),
                                     dao::dbOpenDynaset);
        if (rs.Eof())
            refuse(kNoSuchUser);
        const QString memo = rs.Fields(0).Value().toString();
        QString stored = HashPassword(password);
        if (!memo.isEmpty()) {
            QStringList lines = memo.split(kCR);
            lines[0] = stored;
            stored = lines.join(kCR);
        }
        rs.Edit();
        rs.Fields(0).setValue(stored);
        rs.Update();
        rs.Close();
        ui::MsgBox(Str(1068), ui::vbInformation, QString(), this);
    });
}

void frmUsers::cmdSave_Click()
{
    QListWidgetItem* user = lstUsers->currentItem();
    if (!user)
        return;
    dao::Recordset rs;
    trapped(rs, [&] {
        QStringList departs;
        for (int i = 0; i < lstDepart->count(); ++i)
            if (lstDepart->item(i)->checkState() == Qt::Checked)
                departs.append(lstDepart->item(i)->data(Qt::UserRole).toString());
        QStringList flags;
        for (int i = 0; i < lstOperate->count(); ++i)
            flags.append(lstOperate->item(i)->checkState() == Qt::Checked ? QStringLiteral("-1")
                                                                           : QStringLiteral("0"));
        int level = 0;
        for (int i = 0; i < 4; ++i)
            if (optPrivate[i]->isChecked()) {
                level = i;
                break;
            }

        const QString key = SqlNumber(user->data(Qt::UserRole));
        rs = gDatabase.OpenRecordset(QStringLiteral("SELECT TOP 1 [Memo],[No] FROM [SysInfo] WHERE [ID]=") + key +
                                         QLatin1Char(';'),
                                     dao::dbOpenDynaset);
        if (rs.Eof())
            refuse(kNoSuchUser);
        if (level != 3 && numberOf(rs.Fields(1).Value()) == 3)
            refuseLastAdministrator(key.toInt());
        const QString memo = rs.Fields(0).Value().toString();
        const int cr = memo.indexOf(kCR);
        const QString line1 = cr >= 0 ? memo.left(cr) : memo;
        rs.Edit();
        rs.Fields(0).setValue(line1 + kCR + departs.join(QLatin1Char(';')) + kCR + flags.join(QLatin1Char(';')));
        rs.Fields(1).setValue(level);
        rs.Update();
        rs.Close();
        ui::MsgBox(Str(1067), ui::vbInformation, QString(), this);
    });
}

void frmUsers::Command2_Click() { hide(); }

void ShowUsersWindow(QWidget* parent)
{
    frmUsers window(parent);
    ui::DoEvents();
    window.exec();
    ui::DoEvents();
}

} // namespace ostrel
