#include "main/core/ui/frmusers.h"
#include "main/core/ui/controls.h"
#include "main/core/mdlmisc.h"
#include "main/core/globals.h"
#include "main/core/strings.h"
#include "main/core/users.h"
#include "main/core/usrinfos.h"
#include "platform/core/events.h"
#include "platform/core/msgbox.h"
#include "platform/ui/command.h"
#include "shared/forms/forms.h"
#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

namespace ostrel {

namespace {

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
    ui::runCommand([&] {
        for (const users::Named& d : users::departments())
            addTickEntry(lstDepart, d.text, d.key);
        if (lstDepart->count() > 0)
            lstDepart->setCurrentRow(0);

        const QStringList flags = Str(1081).split(QLatin1Char(';'));
        for (int i = 0; i < flags.size(); ++i)
            addTickEntry(lstOperate, flags[i], i);
        if (lstOperate->count() > 0)
            lstOperate->setCurrentRow(0);

        for (const users::Named& u : users::list()) {
            auto* item = new QListWidgetItem(u.text, lstUsers);
            item->setData(Qt::UserRole, u.key);
        }
        if (lstUsers->count() > 0)
            lstUsers->setCurrentRow(0);
    }, this);
}

qint32 frmUsers::selectedId() const
{
    QListWidgetItem* user = lstUsers->currentItem();
    return user ? SqlNumber(user->data(Qt::UserRole)).toInt() : 0;
}

void frmUsers::lstUsers_Click()
{
    if (!lstUsers->currentItem())
        return;
    m_shownId = 0;
    ui::runCommand([&] {
        const qint32 id = selectedId();
        const users::Rights r = users::rights(id);
        showRights(r);
        m_shown = users::ShownRights{shownRights(), r};
        m_shownId = id;
    }, this);
}

void frmUsers::showRights(const users::Rights& r)
{
    const auto entryOf = [this](const QString& code) -> QListWidgetItem* {
        for (int i = 0; i < lstDepart->count(); ++i)
            if (SameValue(lstDepart->item(i)->data(Qt::UserRole), code.trimmed()))
                return lstDepart->item(i);
        return nullptr;
    };
    QStringList codes = r.departs;
    codes.removeIf([](const QString& c) { return c.trimmed().isEmpty(); });
    // A department added since the window was opened gets its entry.
    if (!std::all_of(codes.begin(), codes.end(), entryOf)) {
        lstDepart->clear();
        for (const users::Named& d : users::departments())
            addTickEntry(lstDepart, d.text, d.key);
    }
    optPrivate[r.level]->setChecked(true);
    optPrivate_Click(r.level);
    tickAll(lstDepart, false);
    tickAll(lstOperate, false);
    // A code without a department entry stays as stored: the window cannot show it.
    m_unlisted.clear();
    for (const QString& code : codes) {
        if (QListWidgetItem* entry = entryOf(code))
            entry->setCheckState(Qt::Checked);
        else
            m_unlisted << code;
    }
    for (int i = 0; i < lstOperate->count() && i < r.flags.size(); ++i)
        if (r.flags[i].trimmed().toDouble() != 0)
            lstOperate->item(i)->setCheckState(Qt::Checked);
}

void frmUsers::onUser(QListWidgetItem* entry, const std::function<void()>& command)
{
    try {
        command();
    } catch (const vb::Error& e) {
        if (e.number() == vb::componentError(1061))
            delete lstUsers->takeItem(lstUsers->row(entry));
        throw;
    }
}

void frmUsers::optPrivate_Click(int index)
{
    lstDepart->setEnabled(index != 0);
    lstOperate->setEnabled(index == 2 || index == 3);
}

void frmUsers::cmdAdd_Click()
{
    ui::runCommand([&] {
        const QString name =
            ui::InputBox(Str(1063), QString(), QString(), this, TextColumnSize(QStringLiteral("SysInfo"), QStringLiteral("Value")));
        if (name.isEmpty())
            return;
        const qint32 id = users::add(name);
        auto* item = new QListWidgetItem(name.trimmed(), lstUsers);
        item->setData(Qt::UserRole, id);
        lstUsers->setCurrentItem(item);
    }, this);
}

void frmUsers::cmdDel_Click()
{
    QListWidgetItem* user = lstUsers->currentItem();
    if (!user)
        return;
    ui::runCommand([&] {
        onUser(user, [&] {
            const qint32 id = selectedId();
            const qint32 me = gUsrInfos ? gUsrInfos->UsrID() : 0;
            users::checkDeletable(id, me);
            if (ui::MsgBox(Str(1066, user->text()), ui::vbYesNo | ui::vbQuestion, QString(), this) == ui::vbNo)
                return;
            users::remove(id, me);
            delete lstUsers->takeItem(lstUsers->row(user));
        });
    }, this);
}

void frmUsers::cmdPWD_Click()
{
    QListWidgetItem* user = lstUsers->currentItem();
    if (!user)
        return;
    ui::runCommand([&] {
        const QString password = ui::PasswordBox(Str(1069, user->text()), QString(), this);
        if (password.isEmpty())
            return;
        const QString confirmed = ui::PasswordBox(Str(1092, user->text()), QString(), this);
        onUser(user, [&] { users::setPassword(selectedId(), password, confirmed); });
        ui::MsgBox(Str(1068), ui::vbInformation, QString(), this);
    }, this);
}

void frmUsers::cmdSave_Click()
{
    if (!lstUsers->currentItem())
        return;
    ui::runCommand([&] {
        // Rights another copy saved meanwhile are overwritten only when the user says so.
        const auto overwrite = [this](const FieldConflicts& conflicts) {
            return ui::MsgBox(ConflictQuestion(conflicts), ui::vbYesNo | ui::vbQuestion, QString(), this) == ui::vbYes;
        };
        // The user the window shows, by its key.
        if (m_shownId != selectedId())
            throw vb::Error(vb::componentError(1061), Str(1061));
        users::Rights show;
        bool saved = false;
        onUser(lstUsers->currentItem(),
               [&] { saved = users::saveRights(m_shownId, shownRights(), m_shown, overwrite, &show); });
        showRights(show);
        if (saved)
            ui::MsgBox(Str(1067), ui::vbInformation, QString(), this);
    }, this);
}

users::Rights frmUsers::shownRights() const
{
    users::Rights r;
    r.level = std::max(0, m_levels->checkedId());
    for (int i = 0; i < lstDepart->count(); ++i)
        if (lstDepart->item(i)->checkState() == Qt::Checked)
            r.departs.append(lstDepart->item(i)->data(Qt::UserRole).toString());
    r.departs << m_unlisted;
    for (int i = 0; i < lstOperate->count(); ++i)
        r.flags.append(lstOperate->item(i)->checkState() == Qt::Checked ? QStringLiteral("-1") : QStringLiteral("0"));
    return r;
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
