#include "main/core/users.h"
#include "main/core/mdlmisc.h"
#include "main/core/strings.h"
#include "main/core/usrinfos.h"
#include "platform/dao/transaction.h"
#include <array>

namespace ostrel {
namespace users {

namespace {

const QChar kCR(13);

constexpr int kBadArguments = 1060;
constexpr int kNoSuchUser = 1061;
constexpr int kNameExists = 1064;
constexpr int kDeleteSelf = 1065;
constexpr int kLastAdministrator = 1070;
constexpr int kBlankName = 1090;
constexpr int kNoPassword = 1091;
constexpr int kPasswordsDiffer = 1093;

[[noreturn]] void refuse(int id) { throw vb::Error(vb::componentError(id), Str(id)); }

// A number held in a text or variant, as the program reads codes and flags (0 when none).
double numberOf(const QVariant& v)
{
    bool ok = false;
    const double d = v.toString().trimmed().toDouble(&ok);
    return ok ? d : 0.0;
}

QVector<Named> named(const QString& sql)
{
    QVector<Named> out;
    dao::Recordset rs = RequireDatabase().OpenRecordset(sql, dao::dbOpenSnapshot);
    while (!rs.Eof()) {
        out.append({rs.Fields(1).Value(), rs.Fields(0).Value().toString()});
        rs.MoveNext();
    }
    rs.Close();
    return out;
}

// The user row's [No] and [Memo]; refused when there is no such user.
QPair<QVariant, QVariant> userRow(qint32 id)
{
    dao::Recordset rs = RequireDatabase().OpenRecordset(
        QStringLiteral("SELECT TOP 1 [No],[Memo] FROM [SysInfo] WHERE [ID]=") + QString::number(id) +
            QStringLiteral(" AND [Type]='Users';"),
        dao::dbOpenSnapshot);
    const bool found = !rs.Eof();
    const QPair<QVariant, QVariant> row = found ? qMakePair(rs.Fields(0).Value(), rs.Fields(1).Value())
                                                : QPair<QVariant, QVariant>();
    rs.Close();
    if (!found)
        refuse(kNoSuchUser);
    return row;
}

// Raises the refusal when the user row `id`, now at level 3, is the last such user.
void refuseLastAdministrator(qint32 id)
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

} // namespace

QVector<Named> list()
{
    return named(QStringLiteral("SELECT [Value],[ID] FROM [SysInfo] WHERE [Type]='Users' ORDER BY [Value];"));
}

QVector<Named> departments()
{
    return named(QStringLiteral("SELECT [Value],[No] FROM [SysInfo] WHERE [Type]='Departs' ORDER BY [Value];"));
}

namespace {

// The rights a user row's [No] and [Memo] hold.
Rights rightsOf(const QPair<QVariant, QVariant>& row)
{
    Rights r;
    const double no = numberOf(row.first);
    r.level = (no >= 0 && no <= 3 && no == int(no)) ? int(no) : 0;
    const QString memo = row.second.toString();
    if (memo.isEmpty())
        return r;
    const QStringList lines = SplitUserMemo(memo);
    r.departs = lines[1].split(QLatin1Char(';'));
    r.flags = lines[2].split(QLatin1Char(';'));
    return r;
}

// Department codes in order of their numbers, so that the same choice compares equal.
QString departsKey(QStringList codes)
{
    for (QString& c : codes)
        c = c.trimmed();
    codes.removeAll(QString());
    std::sort(codes.begin(), codes.end(), [](const QString& a, const QString& b) { return numberOf(a) < numberOf(b); });
    return codes.join(QLatin1Char(';'));
}

// Flags as set or not, however they were written.
QString flagsKey(const QStringList& flags)
{
    QString key;
    for (const QString& f : flags)
        key += numberOf(f) != 0 ? QLatin1Char('1') : QLatin1Char('0');
    return key;
}

// The question's texts: a level by its caption, departments by name, flags by operation.
QString levelText(int level)
{
    static const char* const captions[] = {"禁用", "查看", "操作", "维护"};
    return QString::fromUtf8(captions[qBound(0, level, 3)]);
}

QString departsText(const QString& key)
{
    QStringList names;
    const QVector<Named> all = departments();
    for (const QString& code : key.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        QString name = code;
        for (const Named& d : all)
            if (numberOf(d.key) == numberOf(code))
                name = d.text;
        names << name;
    }
    return names.isEmpty() ? QStringLiteral("（无）") : names.join(QStringLiteral("、"));
}

QString flagsText(const QString& key)
{
    const QStringList operations = Str(1081).split(QLatin1Char(';'));
    QStringList names;
    for (int i = 0; i < key.size(); ++i)
        if (key[i] == u'1')
            names << operations.value(i, QString::number(i + 1));
    return names.isEmpty() ? QStringLiteral("（无）") : names.join(QStringLiteral("、"));
}

} // namespace

Rights rights(qint32 id) { return rightsOf(userRow(id)); }

qint32 add(const QString& typed)
{
    const QString name = typed.trimmed();
    if (name.isEmpty())
        refuse(kBlankName);
    CheckTypedText(name, QStringLiteral("用户名称"));
    dao::Transaction tx;
    dao::Recordset rs = RequireDatabase().OpenRecordset(
        QStringLiteral("SELECT TOP 1 * FROM [SysInfo] WHERE [Type]='Users' AND [Value]=") + SqlText(name) +
            QStringLiteral(" ORDER BY [No];"),
        dao::dbOpenDynaset);
    if (!rs.Eof()) {
        rs.Close();
        refuse(kNameExists);
    }
    const QVariant id = GetNewID(QStringLiteral("SysInfo"), QStringLiteral("ID"));
    rs.AddNew();
    rs.Fields(QStringLiteral("ID")).setValue(id);
    rs.Fields(QStringLiteral("No")).setValue(0);
    rs.Fields(QStringLiteral("Type")).setValue(QStringLiteral("Users"));
    SetFieldAs(rs.Fields(QStringLiteral("Value")), name, QStringLiteral("用户名称"));
    rs.Update();
    rs.Close();
    tx.commit();
    return id.toInt();
}

void checkDeletable(qint32 id, qint32 loggedInId)
{
    // The logged-in user is known by key: a name may differ only in letter case.
    if (loggedInId != 0 && id == loggedInId)
        refuse(kDeleteSelf);
    if (numberOf(userRow(id).first) == 3)
        refuseLastAdministrator(id);
}

void remove(qint32 id, qint32 loggedInId)
{
    dao::Transaction tx;
    checkDeletable(id, loggedInId);
    gDatabase.Execute(QStringLiteral("DELETE ALL * FROM [SysInfo] WHERE [ID]=") + QString::number(id) +
                      QLatin1Char(';'));
    tx.commit();
}

void setPassword(qint32 id, const QString& password, const QString& confirmed)
{
    if (password.isEmpty())
        refuse(kBadArguments);
    if (confirmed != password)
        refuse(kPasswordsDiffer);
    CheckTypedText(password, QStringLiteral("口令"));
    StoreUserPassword(id, password);   // refuses blanks at either end
}

bool saveRights(qint32 id, const Rights& edited, ShownRights& shown, const ConfirmConflicts& confirm, Rights* show)
{
    if (edited.level < 0 || edited.level > 3)
        refuse(kBadArguments);
    // Each right as compared: the level by value, departments in code order, flags as on or off.
    const auto keys = [](const Rights& r) {
        return std::array<QVariant, 3>{r.level, departsKey(r.departs), flagsKey(r.flags)};
    };
    const auto shownKeys = keys(shown.window), editedKeys = keys(edited);
    std::array<bool, 3> touched;
    for (int i = 0; i < 3; ++i)
        touched[i] = ShownField{shownKeys[i], editedKeys[i], {}, {}}.changedHere();
    Rights seen = shown.stored, stored;
    const bool saved = WriteBack(
        [&]() -> FieldConflicts {
            const auto row = userRow(id);
            stored = rightsOf(row);
            const auto seenKeys = keys(seen), storedKeys = keys(stored);
            const QString labels[] = {QStringLiteral("权限级别"), QStringLiteral("允许查看下列部门资料"),
                                      QStringLiteral("允许进行下列操作")};
            QString (*const text[])(const QString&) = {[](const QString& l) { return levelText(l.toInt()); },
                                                       departsText, flagsText};
            FieldConflicts conflicts;
            for (int i = 0; i < 3; ++i)
                if (ShownField{shownKeys[i], editedKeys[i], seenKeys[i], storedKeys[i]}.conflict())
                    conflicts << FieldConflict{labels[i], text[i](editedKeys[i].toString()),
                                               text[i](storedKeys[i].toString())};
            if (!conflicts.isEmpty()) {
                seen = stored;
                return conflicts;
            }
            if (!touched[0] && !touched[1] && !touched[2])
                return {};
            // What the user left as shown keeps what another copy stored.
            Rights now = stored;
            if (touched[0])
                now.level = edited.level;
            if (touched[1])
                now.departs = edited.departs;
            if (touched[2])
                now.flags = edited.flags;
            if (now.level != 3 && numberOf(row.first) == 3)
                refuseLastAdministrator(id);
            const QString memo = row.second.toString();
            const int cr = memo.indexOf(kCR);
            const QString line1 = cr >= 0 ? memo.left(cr) : memo;
            if (now.level > 0 && line1.isEmpty())
                refuse(kNoPassword);
            dao::Recordset rs = gDatabase.OpenRecordset(
                QStringLiteral("SELECT TOP 1 [Memo],[No] FROM [SysInfo] WHERE [ID]=") + QString::number(id) +
                    QLatin1Char(';'),
                dao::dbOpenDynaset);
            RecordsetCloser closer(rs);
            rs.Edit();
            if (touched[1] || touched[2])
                rs.Fields(0).setValue(line1 + kCR + now.departs.join(QLatin1Char(';')) + kCR +
                                      now.flags.join(QLatin1Char(';')));
            if (touched[0])
                rs.Fields(1).setValue(now.level);
            rs.Update();
            stored = now;
            return {};
        },
        confirm);
    // Afterwards the window shows the user as stored now and compares with that; a right the
    // user changed and did not save keeps what the window holds and what it compared with, so
    // it is asked about again.
    Rights next = stored, window = stored, seenNow = stored;
    const auto keep = [&](auto member) {
        next.*member = edited.*member;
        window.*member = shown.window.*member;
        seenNow.*member = shown.stored.*member;
    };
    if (!saved && touched[0])
        keep(&Rights::level);
    if (!saved && touched[1])
        keep(&Rights::departs);
    if (!saved && touched[2])
        keep(&Rights::flags);
    shown = ShownRights{window, seenNow};
    if (show)
        *show = next;
    return saved;
}

} // namespace users
} // namespace ostrel
