#include "main/core/mdlmisc.h"
#include "main/core/devicetable.h"
#include "main/core/newdatabase.h"
#include "main/core/schema.h"
#include "main/core/strings.h"
#include "platform/core/app.h"
#include "platform/core/format.h"
#include "platform/core/vbrt.h"
#include "platform/dao/retry.h"
#include "platform/dao/transaction.h"
#include <algorithm>
#include <cmath>
#include <limits>

namespace ostrel {

QString gAppName;
dao::Database gDatabase;
cindral::Hub* gMsgHub = nullptr;
cindral::Messenger* gMessenger = nullptr;

namespace {

QString columnOrValue(const QString& column) { return column.isEmpty() ? QStringLiteral("Value") : column; }

} // namespace

bool NumberOf(const QVariant& v, double* out)
{
    if (v.isNull())
        return false;
    bool ok = false;
    double d = 0;
    switch (v.typeId()) {
    case QMetaType::Int: case QMetaType::LongLong: case QMetaType::UInt: case QMetaType::ULongLong:
    case QMetaType::Double: case QMetaType::Float: case QMetaType::Bool: case QMetaType::Short:
        d = v.toDouble(&ok);
        break;
    default:
        d = v.toString().trimmed().toDouble(&ok);
        break;
    }
    if (ok && out)
        *out = d;
    return ok;
}

bool SameValue(const QVariant& a, const QVariant& b)
{
    double x = 0, y = 0;
    if (NumberOf(a, &x) && NumberOf(b, &y))
        return x == y;
    return a.toString() == b.toString();
}

dao::Database& RequireDatabase()
{
    if (gDatabase.isNothing())
        throw vb::Error::runtime(vb::errObjectNotSet);
    return gDatabase;
}

void CloseRecordset(dao::Recordset& rs)
{
    try {
        if (!rs.isNothing()) {
            if (rs.EditMode() != dao::dbEditNone)
                rs.CancelUpdate();
            rs.Close();
        }
    } catch (...) {
    }
}

void InvalidInput(const QString& label)
{
    throw vb::Error(1000, QStringLiteral("数据不合法！") + label);
}

void CheckTypedText(const QString& text, const QString& label)
{
    if (vb::UnstorableChar(text) >= 0)
        InvalidInput(label);
}

QVariant AmountOf(const QString& text, const QString& label)
{
    if (text.trimmed().isEmpty())
        return QVariant();
    double d = 0;
    if (!vb::WholeNumber(text, &d))
        InvalidInput(label);
    return d;
}

void SetFieldAs(const dao::Field& field, const QVariant& value, const QString& label)
{
    try {
        field.setValue(value);
    } catch (const vb::Error& e) {
        const QString column = QStringLiteral("字段 '%1'").arg(field.Name());
        QString text = e.description();
        const qsizetype at = text.indexOf(column);
        if (at < 0)
            throw;
        throw vb::Error(e.number(), text.replace(at, column.size(), QStringLiteral("字段 '%1'").arg(label)), e.source());
    }
}

int TextColumnSize(const QString& table, const QString& column)
{
    const dao::Field f = RequireDatabase().TableDefs().Item(table).Fields().Item(column);
    return f.Type() == dao::dbText && f.Size() > 0 ? f.Size() : 0;
}

QString SqlText(const QString& value)
{
    QString s = value;
    s.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + s + QLatin1Char('\'');
}

QString SqlNumber(const QVariant& value)
{
    double d = 0;
    if (!NumberOf(value, &d) || !std::isfinite(d))
        throw vb::Error::runtime(vb::errTypeMismatch);
    if (d == std::floor(d) && std::fabs(d) < 9.007199254740992e15)
        return QString::number(qint64(d));
    return QString::number(d, 'g', 17);
}

QString LiteralLikePattern(const QString& filter)
{
    QString pattern;
    pattern.reserve(filter.size());
    for (const QChar c : filter) {
        if (c == QLatin1Char('*') || c == QLatin1Char('#') || c == QLatin1Char('['))
            pattern += QLatin1Char('[') + c + QLatin1Char(']');
        else
            pattern += c;
    }
    return pattern;
}

QString SqlName(const QString& name)
{
    if (name.isEmpty() || name.contains(QLatin1Char(']')) || name.contains(QLatin1Char('[')))
        throw vb::Error::runtime(vb::errInvalidCall);
    return QLatin1Char('[') + name + QLatin1Char(']');
}

void OpenMainDatabase()
{
    const QString path = plat::appFile(QStringLiteral("Ostrel.mdb"));
    dao::Database db = dao::DBEngine::OpenDatabase(path, false, false, schema::connectString());
    try {
        EnsureKeyMarks(db);
    } catch (...) {
        try {
            db.Close();
        } catch (...) {
        }
        throw;
    }
    gDatabase = db;
}

namespace {

// The highest key of table.column; 0 for an empty table.
qint64 highestKey(dao::Database& db, const QString& table, const QString& column)
{
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("SELECT TOP 1 ") + SqlName(column) + QStringLiteral(" FROM ") +
                                             SqlName(table) + QStringLiteral(" ORDER BY ") + SqlName(column) +
                                             QStringLiteral(" DESC;"),
                                         dao::dbOpenSnapshot);
    RecordsetCloser closer(rs);
    if (rs.Eof() || rs.Fields(0).Value().isNull())
        return 0;
    double d = 0;
    if (!NumberOf(rs.Fields(0).Value(), &d))
        throw vb::Error::runtime(vb::errTypeMismatch);
    return qint64(std::floor(d));
}

QString markRow(const QString& table, const QString& column)
{
    return QStringLiteral(" WHERE [TableName]=") + SqlText(table) + QStringLiteral(" AND [ColumnName]=") + SqlText(column) +
           QLatin1Char(';');
}

// The mark of table.column: the highest of its rows (a copy without indexes may hold two);
// -1 without one.
qint64 markOf(dao::Database& db, const QString& table, const QString& column)
{
    dao::Recordset rs =
        db.OpenRecordset(QStringLiteral("SELECT [LastKey] FROM [KeyMarks]") + markRow(table, column), dao::dbOpenSnapshot);
    RecordsetCloser closer(rs);
    qint64 mark = -1;
    for (; !rs.Eof(); rs.MoveNext())
        mark = std::max(mark, qint64(rs.Fields(0).Value().toLongLong()));
    return mark;
}

// Sets the mark of table.column, which is `old` now (markOf).
void storeMark(dao::Database& db, const QString& table, const QString& column, qint64 old, qint64 mark)
{
    if (mark > std::numeric_limits<qint32>::max())
        throw vb::Error::runtime(vb::errOverflow);
    if (old >= 0)
        db.Execute(QStringLiteral("UPDATE [KeyMarks] SET [LastKey]=") + QString::number(mark) + markRow(table, column));
    else
        db.Execute(QStringLiteral("INSERT INTO [KeyMarks] ([TableName],[ColumnName],[LastKey]) VALUES (") +
                   SqlText(table) + QLatin1Char(',') + SqlText(column) + QLatin1Char(',') + QString::number(mark) +
                   QStringLiteral(");"));
}

} // namespace

QVariant GetNewID(const QString& table, const QString& column)
{
    dao::Database& db = RequireDatabase();
    dao::Transaction tx;   // no other copy takes a key between the reads and the raised mark
    const qint64 highest = highestKey(db, table, column);
    const qint64 mark = markOf(db, table, column);
    const qint64 next = std::max(mark, highest) + 1;
    storeMark(db, table, column, mark, next);
    tx.commit();
    return QVariant(qint32(next));
}

void RaiseKeyMark(const QString& table, const QString& column, qint64 key)
{
    dao::Database& db = RequireDatabase();
    dao::Transaction tx;
    const qint64 mark = markOf(db, table, column);
    if (key > mark)
        storeMark(db, table, column, mark, key);
    tx.commit();
}

void EnsureKeyMarks(dao::Database& db)
{
    dao::retryLocked([&] {
        try {
            db.TableDefs().Item(QStringLiteral("KeyMarks"));
        } catch (const vb::Error& e) {
            if (e.number() != dao::err::ItemNotFound)
                throw;
            try {
                CreateTable(db, schema::keyMarks());
            } catch (const vb::Error& made) {
                if (made.number() != dao::err::TableExists)   // another copy was first
                    throw;
            }
        }
    });
    // Read first, locking no one out; written only when a mark is below its highest key. A
    // file another copy holds leaves that to a later opening: GetNewID goes above the highest
    // key all the same.
    try {
        QVector<QPair<QString, QString>> behind;
        for (const schema::Table& t : schema::tables()) {
            if (!t.key)
                continue;
            const QString table = QString::fromUtf16(t.name), column = QString::fromUtf16(t.key);
            if (markOf(db, table, column) < highestKey(db, table, column))
                behind.append({table, column});
        }
        if (behind.isEmpty())
            return;
        dao::Transaction tx;
        for (const auto& [table, column] : std::as_const(behind)) {
            const qint64 mark = markOf(db, table, column), highest = highestKey(db, table, column);
            if (mark < highest)
                storeMark(db, table, column, mark, highest);
        }
        tx.commit();
    } catch (const vb::Error& e) {
        if (e.number() != dao::err::Locked)
            throw;
    }
}

QString LookupCode(const CodeTable& table, const QVariant& no, bool indexed)
{
    if (no.isNull() || !no.isValid())
        return QString();
    if (!indexed) {
        if (table.size() < 2)
            return QString();
        for (int i = 0; i < table[0].size(); ++i)
            if (SameValue(table[0][i], no))
                return table[1].value(i);
        return QString();
    }
    double d = 0;
    if (!NumberOf(no, &d))
        throw vb::Error::runtime(vb::errTypeMismatch);
    const qint64 code = qRound64(d);
    if (table.isEmpty() || code < 0 || code >= table[0].size())
        throw vb::Error::runtime(vb::errSubscript);
    return table[0][int(code)];
}

QString SysInfoText(const QString& type, const QString& defaultText, dao::Database* database, const QString& column)
{
    const QString col = columnOrValue(column);
    return dao::retryLocked([&] {
        dao::Database& db = database && !database->isNothing() ? *database : RequireDatabase();
        dao::Recordset rs = db.OpenRecordset(QStringLiteral("SELECT TOP 1 * FROM [SysInfo] WHERE Type=") +
                                                 SqlText(type) + QStringLiteral(" ORDER BY [ID];"),
                                             dao::dbOpenSnapshot);
        QString result = defaultText;
        if (!rs.Eof())
            result = rs.Fields(col).Value().toString();
        rs.Close();
        return result;
    });
}

void StoreSysInfo(const QString& type, const QString& value, const QString& column)
{
    dao::Transaction tx;   // no other copy adds the row or takes its key meanwhile
    dao::Recordset rs = RequireDatabase().OpenRecordset(QStringLiteral("SELECT TOP 1 * FROM [SysInfo] WHERE Type=") +
                                                            SqlText(type) + QStringLiteral(" ORDER BY [ID];"),
                                                        dao::dbOpenDynaset);
    if (rs.Eof()) {
        const QVariant id = GetNewID(QStringLiteral("SysInfo"), QStringLiteral("ID"));
        rs.AddNew();
        rs.Fields(QStringLiteral("ID")).setValue(id);
        rs.Fields(QStringLiteral("Type")).setValue(type);
    } else {
        rs.Edit();
    }
    rs.Fields(columnOrValue(column)).setValue(value);
    rs.Update();
    rs.Close();
    tx.commit();
}

CodeTable CodeList(const QString& type, bool indexed)
{
    constexpr qint64 kMaxIndexedCode = 1000000;
    dao::Recordset rs = RequireDatabase().OpenRecordset(
        QStringLiteral("SELECT [No], [Value] FROM [SysInfo] WHERE [Type]=") + SqlText(type) +
            QStringLiteral(" ORDER BY [No];"),
        dao::dbOpenSnapshot);
    QList<QPair<QVariant, QString>> rows;
    while (!rs.Eof()) {
        rows.append({rs.Fields(0).Value(), rs.Fields(1).Value().toString()});
        rs.MoveNext();
    }
    rs.Close();
    if (rows.isEmpty())
        return CodeTable();
    if (!indexed) {
        CodeTable t(2);
        for (const auto& r : rows) {
            t[0].append(r.first.toString());
            t[1].append(r.second);
        }
        return t;
    }
    double highest = 0;
    if (!NumberOf(rows.last().first, &highest) || highest < 0 || highest > kMaxIndexedCode)
        throw vb::Error::runtime(vb::errSubscript);
    CodeTable t(1);
    t[0] = QStringList(int(highest) + 1, QString());
    for (const auto& r : rows) {
        double c = 0;
        if (NumberOf(r.first, &c) && c >= 0 && c <= highest)
            t[0][int(c)] = r.second;
    }
    return t;
}

QString CodeValue(const QString& type, const QVariant& no)
{
    if (no.isNull() || !no.isValid() || no.toString().isEmpty())
        return QString();
    dao::Recordset rs = RequireDatabase().OpenRecordset(
        QStringLiteral("SELECT TOP 1 [Value] FROM [SysInfo] WHERE [Type]=") + SqlText(type) +
            QStringLiteral(" AND [No]=") + SqlNumber(no) + QStringLiteral(";"),
        dao::dbOpenSnapshot);
    const QString result = rs.Eof() ? QString() : rs.Fields(0).Value().toString();
    rs.Close();
    return result;
}

void DeleteDeviceRows(qint32 devId, const std::function<void(const QString&)>& status)
{
    dao::Database& db = RequireDatabase();
    dao::Transaction tx;
    devices::RequireDevice(devId);
    dao::TableDefs defs = db.TableDefs();
    for (int i = 0; i < defs.Count(); ++i) {
        const dao::TableDef td = defs.Item(i);
        const QString name = td.Name();
        if (status)
            status(QStringLiteral("搜索数据表:") + name + QStringLiteral(".."));
        bool hasDevId = false;
        const dao::Fields fields = td.Fields();
        for (int f = 0; f < fields.Count() && !hasDevId; ++f)
            hasDevId = fields.Item(f).Name().compare(QLatin1String("Dev_ID"), Qt::CaseInsensitive) == 0;
        if (hasDevId)
            db.Execute(QStringLiteral("DELETE * FROM ") + SqlName(name) + QStringLiteral(" WHERE [Dev_ID]=") +
                       QString::number(devId) + QStringLiteral(";"));
    }
    tx.commit();
}

void ClearDeviceTables(const std::function<void(const QString&)>& status)
{
    dao::Database& db = RequireDatabase();
    dao::Transaction tx;
    for (const QString& table : QStringLiteral("Checks;Dev_Docs;Dev_Info;Discard;Maintain;Transfer").split(QLatin1Char(';'))) {
        if (status)
            status(table);
        db.Execute(QStringLiteral("DELETE * FROM ") + SqlName(table) + QLatin1Char(';'));
    }
    tx.commit();
}

namespace {

// Where a history row is: "table where Dev_ID=devId AND ID=id", the table a plain name.
QString historyRow(qint32 devId, qint32 id, const QString& table)
{
    if (table.isEmpty())
        throw vb::Error::runtime(vb::errInvalidCall);
    for (QChar c : table)
        if (!(c.isLetterOrNumber() || c == QLatin1Char('_')))
            throw vb::Error::runtime(vb::errInvalidCall);
    return table + QStringLiteral(" where Dev_ID=") + QString::number(devId) + QStringLiteral(" AND ") +
           QStringLiteral("ID=") + QString::number(id);
}

} // namespace

void DeleteHistoryRecord(qint32 devId, qint32 id, const QString& table)
{
    if (RequireDatabase().Execute(QStringLiteral("Delete from ") + historyRow(devId, id, table)) == 0) {
        const int gone = table.compare(QLatin1String("Dev_Docs"), Qt::CaseInsensitive) == 0 ? 1080 : 1095;
        throw vb::Error(vb::componentError(gone), Str(gone));
    }
}

bool HistoryRecordStored(qint32 devId, qint32 id, const QString& table)
{
    dao::Recordset rs =
        RequireDatabase().OpenRecordset(QStringLiteral("SELECT ID FROM ") + historyRow(devId, id, table), dao::dbOpenSnapshot);
    const bool found = !rs.Eof();
    rs.Close();
    return found;
}

} // namespace ostrel
