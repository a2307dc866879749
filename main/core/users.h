#pragma once
// The rules of the users list: names, passwords, levels and rights of the SysInfo rows
// of Type "Users" (memo layout in usrinfos.h). Every refusal is a vb::Error numbered
// 0x80040000 plus its string-table entry.
#include "main/core/writeback.h"
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

namespace ostrel {
namespace users {

struct Named {
    QVariant key;   // users: the row's [ID]; departments: the code [No]
    QString text;
};

// The users by name, and the departments by name.
QVector<Named> list();
QVector<Named> departments();

struct Rights {
    int level = 0;           // 0 to 3; anything else reads as 0 (disabled)
    QStringList departs;     // allowed department codes
    QStringList flags;       // the operation flags as stored ("-1", "0", ...)
};
Rights rights(qint32 id);

// Adds a disabled user without password; returns its [ID]. The name is stored without
// blanks at either end (the log-in trims what is typed); a name of blanks only, or one
// that exists, is refused.
qint32 add(const QString& name);

// Refuses deleting the logged-in user (key loggedInId, 0 for none) and the last user
// of level 3.
void checkDeletable(qint32 id, qint32 loggedInId);
void remove(qint32 id, qint32 loggedInId);

// Sets the password, typed twice. The empty password is refused, two differing entries
// and blanks at either end (password.h); nothing is stored then.
void setPassword(qint32 id, const QString& password, const QString& confirmed);

// What the users window showed of a user: its rights as the window held them, and as
// stored then.
struct ShownRights {
    Rights window;
    Rights stored;
};
// Saves the level and rights the window holds for user id (`edited`): only those the user
// changed since `shown`; the others are neither written nor asked about and keep what is
// stored. One that another copy changed too is written only when confirm says yes (No:
// nothing written, false). Lowering the last user of level 3 is refused, and a level above 0
// for a user without password. Afterwards `shown` is what the next save compares with and
// show (when given) what the window shows: the user as stored now, but for a right the user
// changed and did not save, which keeps what the window holds (asked about again).
bool saveRights(qint32 id, const Rights& edited, ShownRights& shown, const ConfirmConflicts& confirm = {},
                Rights* show = nullptr);

} // namespace users
} // namespace ostrel
