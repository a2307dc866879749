#include "main/core/basedata.h"
#include "main/core/mdlmisc.h"
#include "main/core/usrinfos.h"
#include "platform/core/format.h"
#include "platform/dao/retry.h"
#include "platform/dao/transaction.h"

namespace ostrel {

namespace {

const QString kDuplicate = QStringLiteral("相同编码或描述已经存在！");
const QString kGone = QStringLiteral("对不起!记录可能已经被其它用户删除!");
const QString kNoDelete0 = QStringLiteral("对不起!代码为0的项目禁止删除.");
const QString kNoUpdate0 = QStringLiteral("对不起!代码为0的项目禁止更新.");
const QString kNotWhole = QStringLiteral("对不起!代码必须是整数.");
const QString kInto0 = QStringLiteral("对不起!不能把项目的代码改为0.");
const QString kInUseDelete = QStringLiteral("对不起!该项目正被*条设备或历史记录使用,禁止删除.");
const QString kInUseRecode = QStringLiteral("对不起!该项目正被*条设备或历史记录使用,禁止修改代码.");
const QString kUsersDelete = QStringLiteral("对不起!该部门正被*个用户设为允许查看的部门,禁止删除.");
const QString kUsersRecode = QStringLiteral("对不起!该部门正被*个用户设为允许查看的部门,禁止修改代码.");
const QString kRecoded = QStringLiteral("对不起!该项目的代码已被其它用户改为*,未作任何修改!");

[[noreturn]] void refuse(const QString& text) { throw vb::Error(basedata::kRefusal, text); }
[[noreturn]] void refuseCount(const QString& text, int n)
{
    refuse(QString(text).replace(QLatin1Char('*'), QString::number(n)));
}

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

QString typeCondition(const QString& type) { return QStringLiteral("[Type]=") + SqlText(type); }

BaseEntry entryOf(const dao::Recordset& rs)
{
    BaseEntry e;
    e.id = rs.Fields(QStringLiteral("ID")).Value();
    e.no = rs.Fields(QStringLiteral("No")).Value().toInt();
    e.value = rs.Fields(QStringLiteral("Value")).Value().toString();
    e.memo = rs.Fields(QStringLiteral("Memo")).Value().toString();
    return e;
}

// The entry a window showed, by its [ID] within its list, as stored now (none when gone).
std::optional<BaseEntry> storedEntry(const QString& type, const QVariant& id, dao::Recordset& rs)
{
    if (id.isNull() || !id.isValid())
        return std::nullopt;
    rs = gDatabase.OpenRecordset(QStringLiteral("SELECT TOP 1 * FROM [SysInfo] WHERE ") + typeCondition(type) +
                                     QStringLiteral(" AND [ID]=") + SqlNumber(id) + QLatin1Char(';'),
                                 dao::dbOpenDynaset);
    return rs.Eof() ? std::nullopt : std::optional<BaseEntry>(entryOf(rs));
}

QString recodedText(qint32 no) { return QString(kRecoded).replace(QLatin1Char('*'), QString::number(no)); }

void requireType(const QString& type)
{
    if (type.isEmpty())
        throw vb::Error::runtime(vb::errInvalidCall);
}

// Another entry of the list (not row `exceptId`) with the code or the text is refused.
void refuseDuplicate(const QString& type, qint32 code, const QString& value, const QVariant& exceptId)
{
    QString sql = QStringLiteral("SELECT [No],[Value] FROM [SysInfo] WHERE ") + typeCondition(type);
    if (exceptId.isValid())
        sql += QStringLiteral(" AND [ID]<>") + SqlNumber(exceptId);
    dao::Recordset rs = gDatabase.OpenRecordset(sql + QLatin1Char(';'), dao::dbOpenSnapshot);
    bool duplicate = false;
    while (!rs.Eof() && !duplicate) {
        const QVariant no = rs.Fields(0).Value();
        duplicate = (!no.isNull() && no.toLongLong() == code) || rs.Fields(1).Value().toString() == value;
        rs.MoveNext();
    }
    rs.Close();
    if (duplicate)
        refuse(kDuplicate);
}

// The in-use refusals of deleting or recoding entry `code`.
void refuseUsed(const QString& type, qint32 code, bool recode)
{
    const int uses = CountBaseDataUses(type, code);
    if (uses > 0)
        refuseCount(recode ? kInUseRecode : kInUseDelete, uses);
    if (type == QLatin1String("Departs")) {
        const int users = basedata::countDepartmentUsers(code);
        if (users > 0)
            refuseCount(recode ? kUsersRecode : kUsersDelete, users);
    }
}

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

namespace basedata {

QVector<BaseEntry> list(const QString& type)
{
    return dao::retryLocked([&] {
        QVector<BaseEntry> out;
        dao::Recordset rs = RequireDatabase().OpenRecordset(
            QStringLiteral("SELECT ALL * FROM [SysInfo] WHERE ") + typeCondition(type) + QStringLiteral(" ORDER BY [No];"),
            dao::dbOpenSnapshot);
        while (!rs.Eof()) {
            out.append(entryOf(rs));
            rs.MoveNext();
        }
        rs.Close();
        return out;
    });
}

qint32 wholeCode(const QString& text)
{
    bool ok = false;
    const qint32 n = text.trimmed().toInt(&ok);
    if (!ok)
        refuse(kNotWhole);
    return n;
}

namespace {

// An entry as typed: the code must be a whole number.
BaseEntry typedEntry(const QString& no, const QString& value, const QString& memo)
{
    CheckTypedText(value, QStringLiteral("描述"));
    CheckTypedText(memo, QStringLiteral("备注"));
    BaseEntry e;
    e.no = wholeCode(no);
    e.value = value;
    e.memo = memo;
    return e;
}

} // namespace

bool isFixedCode(const QString& codeText) { return codeText.trimmed() == QLatin1String("0"); }
QString fixedUpdateText() { return kNoUpdate0; }
QString fixedDeleteText() { return kNoDelete0; }

BaseEntry add(const QString& type, const QString& no, const QString& value, const QString& memo)
{
    requireType(type);
    BaseEntry e = typedEntry(no, value, memo);
    RequireDatabase();
    dao::Transaction tx;
    refuseDuplicate(type, e.no, value, QVariant());
    e.id = GetNewID(QStringLiteral("SysInfo"), QStringLiteral("ID"));
    dao::Recordset rs = gDatabase.OpenRecordset(QStringLiteral("SELECT TOP 1 * FROM [SysInfo] WHERE ") +
                                                    typeCondition(type) + QLatin1Char(';'),
                                                dao::dbOpenDynaset);
    rs.AddNew();
    rs.Fields(QStringLiteral("ID")).setValue(e.id);
    rs.Fields(QStringLiteral("Type")).setValue(type);
    rs.Fields(QStringLiteral("No")).setValue(e.no);
    SetFieldAs(rs.Fields(QStringLiteral("Value")), value, QStringLiteral("描述"));
    if (!memo.isEmpty())
        SetFieldAs(rs.Fields(QStringLiteral("Memo")), memo, QStringLiteral("备注"));
    rs.Update();
    rs.Close();
    tx.commit();
    return e;
}

Outcome modify(const QString& type, ShownRow& row, const QString& no, const QString& value, const QString& memo,
               const ConfirmConflicts& confirm)
{
    requireType(type);
    if (row.shown.id.isNull() || !row.shown.id.isValid())
        refuse(kGone);
    const BaseEntry e = typedEntry(no, value, memo);
    if (e.no == 0 && row.shown.no != 0)
        refuse(kInto0);
    RequireDatabase();
    // The dialog trims the description it saves: blanks at either end are no change.
    const bool recode = e.no != row.shown.no;
    const QString typedValue = e.value.trimmed();
    const bool valueTouched = row.shown.value.trimmed() != typedValue;
    const bool memoTouched = row.shown.memo != e.memo;
    BaseEntry seen = row.seen;
    std::optional<BaseEntry> stored;
    bool away = false;   // gone, or given another code by another copy
    const bool written = WriteBack(
        [&]() -> FieldConflicts {
            dao::Recordset rs;
            RecordsetCloser closer(rs);
            stored = storedEntry(type, row.shown.id, rs);
            away = !stored || stored->no != row.shown.no;
            if (away)
                return {};
            const ShownField fields[] = {
                {row.shown.value.trimmed(), typedValue, seen.value.trimmed(), stored->value.trimmed()},
                {row.shown.memo, e.memo, seen.memo, stored->memo}};
            const QString labels[] = {QStringLiteral("描述"), QStringLiteral("备注")};
            FieldConflicts conflicts;
            for (int i = 0; i < 2; ++i)
                if (fields[i].conflict())
                    conflicts << FieldConflict{labels[i], fields[i].edited.toString(),
                                               i == 0 ? stored->value : stored->memo};
            if (!conflicts.isEmpty()) {
                seen = *stored;
                return conflicts;
            }
            if (!recode && !valueTouched && !memoTouched)
                return {};
            // Only what the user changed is written; the rest keeps what is stored.
            BaseEntry now = *stored;
            if (recode || valueTouched) {
                now.no = e.no;
                if (valueTouched)
                    now.value = e.value;
                refuseDuplicate(type, now.no, now.value, now.id);
            }
            if (recode)
                refuseUsed(type, stored->no, true);
            if (memoTouched)
                now.memo = e.memo;
            rs.Edit();
            if (recode)
                rs.Fields(QStringLiteral("No")).setValue(now.no);
            if (valueTouched)
                SetFieldAs(rs.Fields(QStringLiteral("Value")), now.value, QStringLiteral("描述"));
            if (memoTouched)
                SetFieldAs(rs.Fields(QStringLiteral("Memo")), now.memo, QStringLiteral("备注"));
            rs.Update();
            stored = now;
            return {};
        },
        confirm);
    Outcome out;
    out.stored = stored;
    out.show = e;
    if (away) {
        out.refusal = stored ? recodedText(stored->no) : kGone;
    } else if (written) {
        out.written = true;
        out.show = *stored;
        row = ShownRow{*stored, *stored};
    } else {
        // Not overwritten: a text the user left shows what is stored now and is compared with
        // that; a changed one keeps what was typed, and the question comes again.
        if (!valueTouched)
            out.show.value = row.shown.value = row.seen.value = stored->value;
        if (!memoTouched)
            out.show.memo = row.shown.memo = row.seen.memo = stored->memo;
    }
    return out;
}

void checkDeletable(const QString& type, const QString& no)
{
    const qint32 code = wholeCode(no);
    if (code == 0)
        refuse(kNoDelete0);
    refuseUsed(type, code, false);
}

Outcome remove(const QString& type, const BaseEntry& shown)
{
    requireType(type);
    RequireDatabase();
    // Counted again with the delete in one transaction: no row can take the code in between.
    dao::Transaction tx;
    Outcome out;
    {
        dao::Recordset rs;
        RecordsetCloser closer(rs);
        out.stored = storedEntry(type, shown.id, rs);
    }
    if (!out.stored) {
        out.refusal = kGone;
        return out;
    }
    if (out.stored->no != shown.no) {
        out.refusal = recodedText(out.stored->no);
        out.show = *out.stored;
        return out;
    }
    checkDeletable(type, QString::number(shown.no));
    out.written = gDatabase.Execute(QStringLiteral("DELETE ALL * FROM [SysInfo] WHERE [ID]=") + SqlNumber(shown.id) +
                                    QLatin1Char(';')) > 0;
    tx.commit();
    out.stored.reset();
    return out;
}

int countDepartmentUsers(qint32 no)
{
    dao::Recordset rs = RequireDatabase().OpenRecordset(
        QStringLiteral("SELECT [Memo] FROM [SysInfo] WHERE [Type]='Users';"), dao::dbOpenSnapshot);
    int users = 0;
    while (!rs.Eof()) {
        const QStringList codes = SplitUserMemo(rs.Fields(0).Value())[1].split(QLatin1Char(';'));
        for (const QString& c : codes) {
            bool ok = false;
            if (c.trimmed().toDouble(&ok) == no && ok) {
                ++users;
                break;
            }
        }
        rs.MoveNext();
    }
    rs.Close();
    return users;
}

} // namespace basedata
} // namespace ostrel
