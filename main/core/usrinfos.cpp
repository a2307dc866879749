#include "main/core/usrinfos.h"
#include "main/core/mdlmisc.h"
#include "main/core/password.h"
#include "main/core/strings.h"
#include "platform/core/format.h"
#include "platform/core/vbrt.h"
#include "platform/dao/retry.h"

namespace ostrel {
namespace {

const QChar kCR(u'\r');

struct UserRow {
    qint32 id = 0;
    qint32 level = 0;
    QString name; // as stored
    QString password;
    QString departs;
    QString flags;
};

// A whole number 1 to 3, as [No] must hold for a user who may log in.
bool levelOf(const QVariant& no, qint32* level)
{
    if (no.isNull() || !no.isValid())
        return false;
    bool ok = false;
    const double d = no.typeId() == QMetaType::QString ? no.toString().trimmed().toDouble(&ok) : no.toDouble(&ok);
    if (!ok || (d != 1 && d != 2 && d != 3))
        return false;
    *level = qint32(d);
    return true;
}

// Reads the user row; throws vb::Error for every refusal.
UserRow readUser(const QString& usrName, qint32 usrId, const QString& password)
{
    QString sql;
    // a name that cannot be stored names no user
    if (vb::UnstorableChar(usrName) >= 0)
        throw vb::Error(kErrNoSuchUser, Str(1061));
    if (!usrName.isEmpty())
        sql = QStringLiteral("SELECT TOP 1 * FROM [SysInfo] WHERE (([Type]='Users') AND ([Value]=") +
              SqlText(usrName) + QStringLiteral(")) ORDER BY [ID];");
    else if (usrId >= 1)
        sql = QStringLiteral("SELECT TOP 1 * FROM [SysInfo] WHERE [ID]=") + QString::number(usrId) +
              QStringLiteral(" AND [Type]='Users' ORDER BY [ID];");
    else
        throw vb::Error(kErrBadArguments, Str(1060));
    RequireDatabase();

    dao::Recordset rs = gDatabase.OpenRecordset(sql, dao::dbOpenSnapshot, dao::dbReadOnly);
    RecordsetCloser closer(rs);
    if (rs.Eof())
        throw vb::Error(kErrNoSuchUser, Str(1061));
    const QStringList lines = SplitUserMemo(rs.Fields(QStringLiteral("Memo")).Value());
    UserRow row;
    row.password = lines[0];
    if (!VerifyPassword(row.password, password))
        throw vb::Error(kErrPasswordOrLevel, Str(1062));
    if (!levelOf(rs.Fields(QStringLiteral("No")).Value(), &row.level))
        throw vb::Error(kErrPasswordOrLevel, Str(1062));
    row.id = rs.Fields(QStringLiteral("ID")).Value().toInt();
    row.name = vb::CStr(rs.Fields(QStringLiteral("Value")).Value());
    row.departs = lines[1];
    row.flags = lines[2];
    return row;
}

} // namespace

QStringList SplitUserMemo(const QVariant& memo)
{
    QStringList lines = memo.isNull() ? QStringList() : memo.toString().split(kCR);
    while (lines.size() < 3)
        lines.append(QString());
    return lines;
}

void StoreUserPassword(qint32 userId, const QString& password)
{
    if (HasOuterBlanks(password))
        throw vb::Error(kErrPasswordBlanks, Str(1094));
    RequireDatabase();
    dao::Recordset rs = gDatabase.OpenRecordset(QStringLiteral("SELECT TOP 1 * FROM [SysInfo] WHERE [ID]=") +
                                                    QString::number(userId) +
                                                    QStringLiteral(" AND [Type]='Users' ORDER BY [ID];"),
                                                dao::dbOpenDynaset);
    RecordsetCloser closer(rs);
    if (rs.Eof())
        throw vb::Error(kErrNoSuchUser, Str(1061));
    const QVariant old = rs.Fields(QStringLiteral("Memo")).Value();
    const QString memo = old.isNull() ? QString() : old.toString();
    const int cr = memo.indexOf(kCR);
    const QString rest = cr >= 0 ? memo.mid(cr) : QString();
    rs.Edit();
    rs.Fields(QStringLiteral("Memo")).setValue(HashPassword(password) + rest);
    rs.Update();
}

qint32 UsrInfos::Load(const QString& usrName, qint32& usrId, const QString& password)
{
    UserRow row;
    try {
        row = dao::retryLocked([&] { return readUser(usrName, usrId, password.trimmed()); });
    } catch (const vb::Error& e) {
        return e.number();
    } catch (const std::exception&) {
        return vb::errInvalidCall;
    }

    // Everything is read: only now does the object change.
    const int captions = Str(1081).split(QLatin1Char(';')).size();
    const QStringList fields = row.flags.split(QLatin1Char(';'));
    const bool useFields = !row.flags.isEmpty() && fields.size() >= captions;
    for (int i = 0; i < kFlagCount; ++i)
        m_flags[i] = row.level >= 2 && useFields && i < captions && vb::Val(fields[i]) != 0;
    m_prvStyle = row.level;
    m_usrName = usrName.isEmpty() ? QString() : row.name; // the name as stored, not as typed
    m_usrId = row.id;
    m_departIds = row.departs;
    m_departIds.replace(QLatin1Char(';'), QLatin1Char(','));

    if (NeedsRehash(row.password)) {
        try {
            StoreUserPassword(row.id, password.trimmed());
        } catch (...) {
            // The log-in stands; the plain form is replaced at a later log-in.
        }
    }
    return 0;
}

QString UsrInfos::GetUsrInfo(const QVariant& key, qint32 mode) const
{
    if (key.isNull() || !key.isValid())
        return QString();
    QString sql;
    if (mode == 0)
        sql = QStringLiteral("SELECT TOP 1 [ID] FROM [SysInfo] WHERE [Type]='Users' AND [Value]=") +
              SqlText(key.toString()) + QStringLiteral(" ORDER BY [ID];");
    else if (mode == 1)
        sql = QStringLiteral("SELECT TOP 1 [Value] FROM [SysInfo] WHERE [ID]=") + SqlNumber(key) + QStringLiteral(";");
    else
        throw vb::Error::runtime(vb::errInvalidCall);
    RequireDatabase();
    dao::Recordset rs = gDatabase.OpenRecordset(sql, dao::dbOpenSnapshot);
    RecordsetCloser closer(rs);
    if (!rs.Eof()) {
        const QVariant v = rs.Fields(0).Value();
        if (!v.isNull())
            return vb::CStr(v);
    }
    return QString();
}

} // namespace ostrel
