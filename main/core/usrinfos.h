#pragma once
// The logged-in user, read from its SysInfo row of Type "Users".
//
// A user row keeps in [Memo] up to three lines separated by a carriage return: the
// stored password (see password.h), the allowed department codes joined by ";", and
// nine operation flags "-1" or "0" joined by ";".
#include <QString>
#include <QStringList>
#include <QVariant>

namespace ostrel {

// Error numbers of Load (0x80040000 plus the string-table entry).
constexpr int kErrBadArguments = int(0x80040000u) + 1060;
constexpr int kErrNoSuchUser = int(0x80040000u) + 1061;
constexpr int kErrPasswordOrLevel = int(0x80040000u) + 1062;
constexpr int kErrPasswordBlanks = int(0x80040000u) + 1094;

class UsrInfos {
public:
    // Fills the object with the user named usrName, or, without a name, with the user
    // whose key is usrId (at least 1). Returns 0 or the number of the error that stopped
    // it; raises nothing. A failed Load leaves the previous user as it was. The password
    // is checked without blanks at either end, as the log-in passes it. A password
    // stored in an older plain form is stored as a hash once it has been checked.
    qint32 Load(const QString& usrName, qint32& usrId, const QString& password);

    // Mode 0: the [ID] of the SysInfo row whose [Value] is key; mode 1: the [Value] of
    // the row whose [ID] is key. "" for a Null key or no row; errors are raised.
    QString GetUsrInfo(const QVariant& key, qint32 mode) const;

    QString UsrName() const { return m_usrName; }
    qint32 UsrID() const { return m_usrId; }
    qint32 PrvStyle() const { return m_prvStyle; }
    // Allowed department codes joined by ",".
    QString DepartIDs() const { return m_departIds; }

    bool PrvAddDev() const { return m_flags[0]; }
    bool PrvTrans() const { return m_flags[1]; }
    bool PrvMaintain() const { return m_flags[2]; }
    bool PrvCheck() const { return m_flags[3]; }
    bool PrvDiscard() const { return m_flags[4]; }
    bool PrvDocs() const { return m_flags[5]; }
    bool PrvDelDev() const { return m_flags[6]; }
    bool PrvBackup() const { return m_flags[7]; }
    void setPrvBackup(bool value) { m_flags[7] = value; }
    bool PrvClear() const { return m_flags[8]; }
    void setPrvClear(bool value) { m_flags[8] = value; }

    static constexpr int kFlagCount = 9;

private:
    QString m_usrName;
    qint32 m_prvStyle = 0;
    qint32 m_usrId = 0;
    QString m_departIds;
    bool m_flags[kFlagCount] = {};
};

// The lines of a user's [Memo]: at least three, missing ones empty.
QStringList SplitUserMemo(const QVariant& memo);

// Stores the stored form of password as line 1 of the [Memo] of the user row whose
// [ID] is userId, keeping the other lines. Raises the engine's errors, 0x80040000
// + 1061 when there is no such user row and 0x80040000 + 1094 for a password with a
// blank at either end (nothing is stored then).
void StoreUserPassword(qint32 userId, const QString& password);

} // namespace ostrel
