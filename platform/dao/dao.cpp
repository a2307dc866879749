#include "platform/dao/dao.h"
#include "platform/dao/jetsql.h"
#include "platform/dao/sqlfunctions.h"
#include "platform/core/format.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QVector>
#include <algorithm>
#include <cmath>
#include <optional>
#include <sqlite3.h>

namespace dao {

namespace err {
constexpr int UpdatableField = 3164;     // field cannot be updated
constexpr int InvalidOperation = 3219;
constexpr int NoFields = 3264;
constexpr int SelectInExecute = 3065;
constexpr int IndexExists = 3375;
constexpr int Generic = 3000;
}

namespace {

const QString kSource = QStringLiteral("DAO");

[[noreturn]] void raise(int number, const QString& text)
{
    throw vb::Error(number, text, kSource);
}

[[noreturn]] void raiseNothing()
{
    raise(err::ObjectNotSet, vb::Error::runtimeText(vb::errObjectNotSet));
}

[[noreturn]] void raiseClosed()
{
    raise(err::ObjectInvalid, QStringLiteral("对象无效或已不再设置(已关闭)。"));
}

[[noreturn]] void raiseNoCurrent()
{
    raise(err::NoCurrentRecord, QStringLiteral("无当前记录。"));
}

// The engine error for an SQLite result code.
[[noreturn]] void raiseSqlite(sqlite3* db, int rc, const QString& context = QString())
{
    QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    int ext = db ? sqlite3_extended_errcode(db) : rc;
    QString where = context.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(context.left(200));
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        raise(err::Locked, QStringLiteral("数据库已被其他用户锁定，暂时不能读写，请稍后再试。"));
    case SQLITE_CONSTRAINT:
        if (ext == SQLITE_CONSTRAINT_NOTNULL)
            raise(err::RequiredNull, QStringLiteral("字段不能包含 Null 值: %1").arg(msg));
        if (ext == SQLITE_CONSTRAINT_UNIQUE || ext == SQLITE_CONSTRAINT_PRIMARYKEY)
            raise(err::DuplicateKey,
                  QStringLiteral("更改未能保存: 会在索引、主关键字或关系中造成重复的值(%1)。").arg(msg));
        raise(3317, QStringLiteral("一个或多个值违反了表的规则，更改未能保存: %1").arg(msg));
    case SQLITE_NOTADB:
        raise(err::NotADatabase, QStringLiteral("无法识别的数据库格式。"));
    case SQLITE_CORRUPT:
        raise(err::NotADatabase, QStringLiteral("数据库文件已损坏或不是数据库。"));
    case SQLITE_CANTOPEN:
        raise(err::CannotOpen, QStringLiteral("无法打开数据库文件%1。").arg(where));
    case SQLITE_READONLY:
    case SQLITE_PERM:
        raise(err::NotUpdatable, QStringLiteral("不能更新。数据库或对象为只读。"));
    case SQLITE_IOERR:
    case SQLITE_FULL:
        raise(err::DiskIO, QStringLiteral("读写磁盘时出错: %1").arg(msg));
    default:
        break;
    }
    if (msg.startsWith(QLatin1String("no such table:")))
        raise(err::NoSuchTable, QStringLiteral("找不到输入表或查询 '%1'。").arg(msg.mid(14).trimmed()));
    if (msg.startsWith(QLatin1String("no such column:")))
        raise(err::TooFewParameters,
              QStringLiteral("参数不足。表达式中的名称 '%1' 不是字段名。").arg(msg.mid(15).trimmed()));
    if (msg.startsWith(QLatin1String("no such function:")))
        raise(err::UndefinedFunction, QStringLiteral("表达式中有未定义的函数: %1").arg(msg.mid(17).trimmed()));
    if (msg.contains(QLatin1String("already exists"))) {
        if (msg.startsWith(QLatin1String("index")))
            raise(err::IndexExists, QStringLiteral("索引已经存在: %1").arg(msg));
        raise(err::TableExists, QStringLiteral("对象已经存在: %1").arg(msg));
    }
    if (msg.contains(QLatin1String("syntax error")) || msg.contains(QLatin1String("ambiguous")))
        raise(err::SyntaxInExpression, QStringLiteral("查询表达式语法错误: %1%2").arg(msg, where));
    // errors of the Jet functions keep the runtime's numbers
    struct Runtime { const char* prefix; int number; };
    static const Runtime runtime[] = {{"无效的过程调用或参数", 5}, {"除数为零", 11}, {"无效使用 Null", 94},
                                      {"无效的模式字符串", 93}};
    for (const Runtime& r : runtime)
        if (msg.startsWith(QString::fromUtf8(r.prefix))) raise(r.number, msg);
    if (msg.startsWith(QStringLiteral("类型不匹配")))
        raise(3464, QStringLiteral("条件表达式中数据类型不匹配: %1").arg(msg));
    raise(err::Generic, QStringLiteral("数据库引擎错误: %1%2").arg(msg, where));
}

int g_busyMs = 5000;

QString stripBrackets(const QString& name)
{
    QString n = name.trimmed();
    if (n.size() >= 2 && n.startsWith(u'[') && n.endsWith(u']'))
        n = n.mid(1, n.size() - 2);
    return n;
}

QString foldKey(const QString& name) { return name.toCaseFolded(); }

bool isTextType(int t) { return t == dbText || t == dbMemo || t == dbChar || t == dbGUID; }

int defaultSize(int type)
{
    switch (type) {
    case dbBoolean: case dbByte: return 1;
    case dbInteger: return 2;
    case dbLong: case dbSingle: return 4;
    case dbCurrency: case dbDouble: case dbDate: return 8;
    case dbText: case dbChar: return 255;
    case dbGUID: return 16;
    case dbBinary: return 255;
    default: return 0;
    }
}

QString declaredType(int type)
{
    switch (type) {
    case dbText: case dbMemo: case dbChar: case dbGUID: return QStringLiteral("TEXT COLLATE NOCASE");
    case dbDate: return QStringLiteral("TEXT");
    case dbBoolean: case dbByte: case dbInteger: case dbLong: return QStringLiteral("INTEGER");
    case dbCurrency: case dbSingle: case dbDouble: return QStringLiteral("REAL");
    case dbBinary: case dbLongBinary: return QStringLiteral("BLOB");
    default: return QString();
    }
}

int typeFromDeclared(const QString& decl)
{
    QString d = decl.toUpper();
    if (d.contains(QLatin1String("INT"))) return dbLong;
    if (d.contains(QLatin1String("CHAR")) || d.contains(QLatin1String("TEXT")) || d.contains(QLatin1String("CLOB")))
        return dbText;
    if (d.contains(QLatin1String("BLOB"))) return dbLongBinary;
    if (d.contains(QLatin1String("REAL")) || d.contains(QLatin1String("FLOA")) || d.contains(QLatin1String("DOUB")))
        return dbDouble;
    if (d.contains(QLatin1String("DATE")) || d.contains(QLatin1String("TIME"))) return dbDate;
    return 0;
}

// A local date and time. Qt works out the zone's offset for every local QDateTime,
// which costs microseconds; the offset of a day is kept instead, unless it changes
// within that day.
QDateTime localDateTime(const QDate& date, const QTime& time)
{
    constexpr int kVaries = INT_MIN;
    thread_local QHash<qint64, int> offsets;
    const qint64 day = date.toJulianDay();
    auto it = offsets.constFind(day);
    if (it == offsets.constEnd()) {
        if (offsets.size() > 50000) offsets.clear();
        QDateTime first(date, QTime(0, 0)), last(date, QTime(23, 59, 59));
        int offset = first.isValid() && last.isValid() && first.offsetFromUtc() == last.offsetFromUtc()
                         ? first.offsetFromUtc()
                         : kVaries;
        it = offsets.insert(day, offset);
    }
    if (*it == kVaries) return QDateTime(date, time);
    return QDateTime(date, time, Qt::OffsetFromUTC, *it);
}

// Fast reading of the stored date text "yyyy-MM-dd HH:mm:ss".
QDateTime parseStoredDate(const char* s, int n)
{
    auto dig = [&](int i) { return s[i] >= '0' && s[i] <= '9'; };
    if (n == 19 && s[4] == '-' && s[7] == '-' && s[10] == ' ' && s[13] == ':' && s[16] == ':') {
        for (int i : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18})
            if (!dig(i)) return QDateTime();
        auto num = [&](int i, int len) { int v = 0; for (int k = 0; k < len; ++k) v = v * 10 + (s[i + k] - '0'); return v; };
        QDate date(num(0, 4), num(5, 2), num(8, 2));
        QTime time(num(11, 2), num(14, 2), num(17, 2));
        if (date.isValid() && time.isValid())
            return localDateTime(date, time);
    }
    return QDateTime();
}

} // namespace

namespace detail {

struct FieldDef {
    QString name;
    int type = 0;
    int size = -1;
    int attributes = 0;
    bool required = false;
    bool allowZeroLength = false;
    QString validationRule;
    QString validationText;
    QVariant defaultValue;
    int ordinal = -1;
    QString table;   // source table of a record-set column
};

struct TableInfo {
    QString name;
    int attributes = 0;
    QString validationRule;
    QString validationText;
    QVector<FieldDef> fields;
    bool inCatalogue = false;

    int find(const QString& field) const
    {
        for (int i = 0; i < fields.size(); ++i)
            if (fields[i].name.compare(field, Qt::CaseInsensitive) == 0) return i;
        QString f = foldKey(field);
        for (int i = 0; i < fields.size(); ++i)
            if (foldKey(fields[i].name) == f) return i;
        return -1;
    }
};

struct Stmt {
    sqlite3_stmt* s = nullptr;
    explicit Stmt(sqlite3_stmt* st = nullptr) : s(st) {}
    ~Stmt() { if (s) sqlite3_finalize(s); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
};

struct DatabaseData : std::enable_shared_from_this<DatabaseData> {
    sqlite3* db = nullptr;
    QString path;
    QString connect;
    bool readOnly = false;
    int recordsAffected = 0;
    int txDepth = 0;
    QHash<QString, sqlite3_stmt*> cache;
    QHash<QString, std::shared_ptr<TableInfo>> tables;
    QList<RecordsetData*> openSets;

    ~DatabaseData() { close(); }

    void check() const { if (!db) raiseClosed(); }
    void close();
    void detachAll();

    sqlite3_stmt* prepare(const QString& sql)
    {
        check();
        QByteArray u = sql.toUtf8();
        sqlite3_stmt* st = nullptr;
        int rc = sqlite3_prepare_v2(db, u.constData(), u.size(), &st, nullptr);
        if (rc != SQLITE_OK) {
            if (st) sqlite3_finalize(st);
            raiseSqlite(db, rc, sql);
        }
        return st;
    }

    sqlite3_stmt* cached(const QString& sql)
    {
        auto it = cache.constFind(sql);
        if (it != cache.constEnd()) return *it;
        sqlite3_stmt* st = prepare(sql);
        cache.insert(sql, st);
        return st;
    }

    // Runs one statement that returns no rows.
    void exec(const QString& sql)
    {
        Stmt st(prepare(sql));
        int rc;
        while ((rc = sqlite3_step(st.s)) == SQLITE_ROW) {}
        if (rc != SQLITE_DONE) raiseSqlite(db, rc, sql);
    }

    bool hasTable(const QString& name)
    {
        Stmt st(prepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND name=?1 COLLATE NOCASE")));
        QByteArray u = name.toUtf8();
        sqlite3_bind_text(st.s, 1, u.constData(), u.size(), SQLITE_TRANSIENT);
        return sqlite3_step(st.s) == SQLITE_ROW;
    }

    void ensureCatalogue()
    {
        if (hasTable(QStringLiteral("_dao_fields"))) return;
        exec(QStringLiteral("CREATE TABLE IF NOT EXISTS _dao_tables (name TEXT PRIMARY KEY COLLATE NOCASE, "
                            "attributes INTEGER, vrule TEXT, vtext TEXT)"));
        exec(QStringLiteral("CREATE TABLE IF NOT EXISTS _dao_fields (tbl TEXT COLLATE NOCASE, pos INTEGER, "
                            "name TEXT COLLATE NOCASE, type INTEGER, size INTEGER, attributes INTEGER, "
                            "required INTEGER, allowzero INTEGER, vrule TEXT, vtext TEXT, defval TEXT, "
                            "PRIMARY KEY (tbl, name))"));
    }

    QStringList tableNames()
    {
        check();
        QStringList names;
        Stmt st(prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'")));
        while (sqlite3_step(st.s) == SQLITE_ROW) {
            QString n = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st.s, 0)));
            if (n.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive) ||
                n.startsWith(QLatin1String("_dao_"), Qt::CaseInsensitive))
                continue;
            names << n;
        }
        std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
            int c = compareNoCase(a, b);
            return c != 0 ? c < 0 : a < b;
        });
        return names;
    }

    std::shared_ptr<TableInfo> table(const QString& name);
    void invalidate() { tables.clear(); }
};

namespace {

QString colText(sqlite3_stmt* st, int c)
{
    const char* p = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
    return p ? QString::fromUtf8(p, sqlite3_column_bytes(st, c)) : QString();
}

QVariant defaultFromText(const QString& text)
{
    QString t = text.trimmed();
    if (t.isEmpty()) return QVariant();
    if (t.size() >= 2 && (t.startsWith(u'"') || t.startsWith(u'\'')) && t.endsWith(t[0]))
        return t.mid(1, t.size() - 2);
    bool ok = false;
    double d = t.toDouble(&ok);
    if (ok) return d;
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) return -1;
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) return 0;
    return QVariant();
}

} // namespace

std::shared_ptr<TableInfo> DatabaseData::table(const QString& name)
{
    check();
    QString key = foldKey(name);
    auto it = tables.constFind(key);
    if (it != tables.constEnd()) return *it;

    // The columns as SQLite has them.
    QString real;
    {
        Stmt st(prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' AND name=?1 COLLATE NOCASE")));
        QByteArray u = name.toUtf8();
        sqlite3_bind_text(st.s, 1, u.constData(), u.size(), SQLITE_TRANSIENT);
        if (sqlite3_step(st.s) != SQLITE_ROW) return nullptr;
        real = colText(st.s, 0);
    }
    auto info = std::make_shared<TableInfo>();
    info->name = real;
    {
        Stmt st(prepare(QStringLiteral("PRAGMA table_info(%1)").arg(jetsql::quoteName(real))));
        while (sqlite3_step(st.s) == SQLITE_ROW) {
            FieldDef f;
            f.name = colText(st.s, 1);
            QString decl = colText(st.s, 2);
            f.type = typeFromDeclared(decl);
            if (f.type == 0) f.type = dbText;
            f.size = defaultSize(f.type);
            f.required = sqlite3_column_int(st.s, 3) != 0;
            f.allowZeroLength = true;
            f.ordinal = info->fields.size();
            f.table = real;
            info->fields << f;
        }
    }
    // What the layer keeps of the DAO definitions.
    if (hasTable(QStringLiteral("_dao_fields"))) {
        Stmt t(prepare(QStringLiteral("SELECT attributes, vrule, vtext FROM _dao_tables WHERE name=?1")));
        QByteArray u = real.toUtf8();
        sqlite3_bind_text(t.s, 1, u.constData(), u.size(), SQLITE_TRANSIENT);
        if (sqlite3_step(t.s) == SQLITE_ROW) {
            info->inCatalogue = true;
            info->attributes = sqlite3_column_int(t.s, 0);
            info->validationRule = colText(t.s, 1);
            info->validationText = colText(t.s, 2);
        }
        Stmt f(prepare(QStringLiteral("SELECT name, type, size, attributes, required, allowzero, vrule, vtext, "
                                      "defval FROM _dao_fields WHERE tbl=?1")));
        sqlite3_bind_text(f.s, 1, u.constData(), u.size(), SQLITE_TRANSIENT);
        while (sqlite3_step(f.s) == SQLITE_ROW) {
            int i = info->find(colText(f.s, 0));
            if (i < 0) continue;
            FieldDef& d = info->fields[i];
            d.type = sqlite3_column_int(f.s, 1);
            d.size = sqlite3_column_int(f.s, 2);
            d.attributes = sqlite3_column_int(f.s, 3);
            d.required = sqlite3_column_int(f.s, 4) != 0;
            d.allowZeroLength = sqlite3_column_int(f.s, 5) != 0;
            d.validationRule = colText(f.s, 6);
            d.validationText = colText(f.s, 7);
            if (sqlite3_column_type(f.s, 8) != SQLITE_NULL)
                d.defaultValue = colText(f.s, 8);
        }
    }
    tables.insert(key, info);
    return info;
}

// ---- values ----

namespace {

double roundHalfEven(double d) { return std::nearbyint(d); }

[[noreturn]] void raiseMismatch(const FieldDef& f, const QVariant& v)
{
    raise(err::TypeMismatch, QStringLiteral("类型不匹配: 字段 '%1' 不能接受值 '%2'。").arg(f.name, vb::CStr(v)));
}

bool numberOf(const QVariant& v, double* out)
{
    switch (v.typeId()) {
    case QMetaType::Bool: *out = v.toBool() ? -1 : 0; return true;
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Double: case QMetaType::Float: case QMetaType::Short: case QMetaType::UShort:
    case QMetaType::Long: case QMetaType::ULong: case QMetaType::Char: case QMetaType::UChar:
    case QMetaType::SChar:
        *out = v.toDouble();
        return std::isfinite(*out);
    case QMetaType::QString: case QMetaType::QByteArray: {
        QString s = v.toString().trimmed();
        bool ok = false;
        double d = s.toDouble(&ok);
        if (!ok || !std::isfinite(d)) return false;
        *out = d;
        return true;
    }
    default:
        return false;
    }
}

// A value as the field keeps it (the type Value() returns); refuses what the type cannot take.
QVariant coerce(const FieldDef& f, const QVariant& v)
{
    if (!v.isValid() || v.isNull()) {
        if (v.typeId() != QMetaType::QString && v.typeId() != QMetaType::QByteArray) return QVariant();
    }
    switch (f.type) {
    case dbText: case dbMemo: case dbChar: case dbGUID: {
        QString s = v.typeId() == QMetaType::QByteArray ? QString::fromUtf8(v.toByteArray()) : vb::CStr(v);
        int limit = f.size > 0 ? f.size : defaultSize(f.type);
        if (f.type != dbMemo && limit > 0 && s.size() > limit)
            raise(err::FieldTooSmall,
                  QStringLiteral("字段 '%1' 太小，不能接受要添加的数据量(最多 %2 个字符)。").arg(f.name).arg(limit));
        return s;
    }
    case dbBoolean: {
        if (v.typeId() == QMetaType::QString) {
            QString s = v.toString().trimmed().toLower();
            if (s == u"true" || s == u"yes" || s == u"on") return true;
            if (s == u"false" || s == u"no" || s == u"off") return false;
        }
        double d;
        if (!numberOf(v, &d)) raiseMismatch(f, v);
        return d != 0;
    }
    case dbByte: case dbInteger: case dbLong: {
        double d;
        if (!numberOf(v, &d)) raiseMismatch(f, v);
        d = roundHalfEven(d);
        double lo = f.type == dbByte ? 0 : f.type == dbInteger ? -32768 : -2147483648.0;
        double hi = f.type == dbByte ? 255 : f.type == dbInteger ? 32767 : 2147483647.0;
        if (d < lo || d > hi)
            raise(err::Overflow, QStringLiteral("数值字段溢出: 字段 '%1' 不能接受 %2。").arg(f.name, vb::CStr(v)));
        return int(d);
    }
    case dbCurrency: case dbSingle: case dbDouble: {
        double d;
        if (!numberOf(v, &d)) raiseMismatch(f, v);
        if (f.type == dbCurrency) {
            if (std::fabs(d) > 922337203685477.0)
                raise(err::Overflow, QStringLiteral("数值字段溢出: 字段 '%1'。").arg(f.name));
            d = std::nearbyint(d * 10000.0) / 10000.0;
        }
        if (f.type == dbSingle) d = double(float(d));
        return d;
    }
    case dbDate: {
        if (v.typeId() == QMetaType::QString && v.toString().trimmed().isEmpty()) raiseMismatch(f, v);
        bool ok = false;
        QDateTime d = vb::toDate(v, &ok);
        if (!ok || d.date().year() < 100 || d.date().year() > 9999) raiseMismatch(f, v);
        QTime t = d.time();
        if (t.msec() == 0 && d.timeSpec() != Qt::UTC) return d;
        return localDateTime(d.date(), QTime(t.hour(), t.minute(), t.second()));
    }
    case dbBinary: case dbLongBinary:
        if (v.typeId() == QMetaType::QByteArray) return v.toByteArray();
        if (v.typeId() == QMetaType::QString) return v.toString().toUtf8();
        raiseMismatch(f, v);
    default:
        return v;
    }
}

void bindValue(sqlite3_stmt* st, int i, int type, const QVariant& v)
{
    if (!v.isValid() || (v.isNull() && v.typeId() != QMetaType::QString && v.typeId() != QMetaType::QByteArray)) {
        sqlite3_bind_null(st, i);
        return;
    }
    switch (v.typeId()) {
    case QMetaType::Bool:
        sqlite3_bind_int(st, i, v.toBool() ? -1 : 0);
        return;
    case QMetaType::Int: case QMetaType::LongLong: case QMetaType::UInt: case QMetaType::Short:
        sqlite3_bind_int64(st, i, v.toLongLong());
        return;
    case QMetaType::Double: case QMetaType::Float:
        sqlite3_bind_double(st, i, v.toDouble());
        return;
    case QMetaType::QDateTime: case QMetaType::QDate: {
        QByteArray u = vb::dateToStored(v.toDateTime()).toUtf8();
        sqlite3_bind_text(st, i, u.constData(), u.size(), SQLITE_TRANSIENT);
        return;
    }
    case QMetaType::QByteArray: {
        QByteArray b = v.toByteArray();
        if (type == dbLongBinary || type == dbBinary || type == 0)
            sqlite3_bind_blob(st, i, b.constData(), b.size(), SQLITE_TRANSIENT);
        else
            sqlite3_bind_text(st, i, b.constData(), b.size(), SQLITE_TRANSIENT);
        return;
    }
    default: {
        QByteArray u = v.toString().toUtf8();
        sqlite3_bind_text(st, i, u.constData(), u.size(), SQLITE_TRANSIENT);
        return;
    }
    }
}

QVariant readColumn(sqlite3_stmt* st, int c, int type)
{
    int t = sqlite3_column_type(st, c);
    if (t == SQLITE_NULL) return QVariant();
    switch (type) {
    case dbText: case dbMemo: case dbChar: case dbGUID:
        return colText(st, c);
    case dbBoolean:
        return sqlite3_column_int64(st, c) != 0;
    case dbByte: case dbInteger: case dbLong:
        if (t == SQLITE_INTEGER) return int(sqlite3_column_int64(st, c));
        break;
    case dbCurrency: case dbSingle: case dbDouble:
        if (t == SQLITE_INTEGER || t == SQLITE_FLOAT) return sqlite3_column_double(st, c);
        break;
    case dbDate:
        if (t == SQLITE_TEXT) {
            QDateTime d = parseStoredDate(reinterpret_cast<const char*>(sqlite3_column_text(st, c)),
                                          sqlite3_column_bytes(st, c));
            if (d.isValid()) return d;
            bool ok = false;
            QString s = colText(st, c);
            d = vb::toDate(s, &ok);
            return ok ? QVariant(d) : QVariant(s);
        }
        break;
    case dbBinary: case dbLongBinary:
        if (t == SQLITE_BLOB || t == SQLITE_TEXT)
            return QByteArray(static_cast<const char*>(sqlite3_column_blob(st, c)), sqlite3_column_bytes(st, c));
        break;
    default:
        break;
    }
    switch (t) {
    case SQLITE_INTEGER: {
        qint64 n = sqlite3_column_int64(st, c);
        if (n >= INT_MIN && n <= INT_MAX) return int(n);
        return qlonglong(n);
    }
    case SQLITE_FLOAT: return sqlite3_column_double(st, c);
    case SQLITE_TEXT: return colText(st, c);
    default: return QByteArray(static_cast<const char*>(sqlite3_column_blob(st, c)), sqlite3_column_bytes(st, c));
    }
}

int typeOfValue(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Bool: return dbBoolean;
    case QMetaType::Int: return dbLong;
    case QMetaType::LongLong: case QMetaType::Double: return dbDouble;
    case QMetaType::QDateTime: return dbDate;
    case QMetaType::QByteArray: return dbLongBinary;
    default: return dbText;
    }
}

} // namespace

// ---- record sets ----

struct FieldData {
    RecordsetData* rs = nullptr;   // a record-set column, cleared when the record set goes
    int col = -1;
    FieldDef def;
    std::weak_ptr<TableDefData> owner;   // a field definition of a table
    bool appended = false;
};

struct RecordsetData {
    std::shared_ptr<DatabaseData> db;
    QString source;
    jetsql::Translation tr;
    int type = dbOpenDynaset;
    int options = 0;
    bool updatable = false;
    std::shared_ptr<TableInfo> base;
    sqlite3_stmt* stmt = nullptr;
    int offset = 0;                      // 1 when column 0 is the rowid
    QVector<Field> fields;
    QVector<int> baseIndex;              // field -> index in base->fields, -1 if not a base column
    QVector<int> fieldOfBase;            // index in base->fields -> field, -1 if not in the record set
    QByteArray lastMask;                 // the columns of the last statement written
    sqlite3_stmt* lastWrite = nullptr;
    int lastMode = dbEditNone;
    mutable QHash<QString, int> byName;  // exact and folded names, and names asked for before
    bool closed = false;

    int pos = -1;          // current row; -1 before the first; == known after the last
    int stmtRow = -1;      // the row the statement stands on; -1 when reset
    int known = -1;        // number of rows once the end was seen
    int seen = 0;          // rows visited
    bool deleted = false;

    QVector<QVariant> cur;
    QVector<char> loaded;
    bool live = false;     // the statement stands on the current row
    qint64 rowid = 0;
    bool rowidLoaded = false;

    int editMode = dbEditNone;
    QVector<QVariant> buf;
    QVector<char> changed;
    QVector<char> chunked;

    ~RecordsetData() { close(); for (Field& f : fields) f.d->rs = nullptr; }

    void check() const
    {
        if (closed || !db || !db->db) raiseClosed();
    }

    void close()
    {
        if (closed) return;
        closed = true;
        if (stmt) sqlite3_finalize(stmt);
        stmt = nullptr;
        if (db) db->openSets.removeAll(this);
    }

    void open()
    {
        stmt = db->prepare(tr.sql);
        int n = sqlite3_column_count(stmt);
        offset = tr.hasRowid ? 1 : 0;
        if (!tr.baseTable.isEmpty()) base = db->table(tr.baseTable);
        for (int c = offset; c < n; ++c) {
            auto fd = std::make_shared<FieldData>();
            fd->rs = this;
            fd->col = c - offset;
            FieldDef& def = fd->def;
            def.name = QString::fromUtf8(sqlite3_column_name(stmt, c));
            const char* tname = sqlite3_column_table_name(stmt, c);
            const char* oname = sqlite3_column_origin_name(stmt, c);
            int bi = -1;
            if (tname && oname) {
                auto info = db->table(QString::fromUtf8(tname));
                if (info) {
                    int i = info->find(QString::fromUtf8(oname));
                    if (i >= 0) {
                        QString alias = def.name;
                        def = info->fields[i];
                        def.name = alias;
                        def.table = info->name;
                        if (base && info == base) bi = i;
                    }
                }
            } else if (const char* decl = sqlite3_column_decltype(stmt, c)) {
                def.type = typeFromDeclared(QString::fromUtf8(decl));
            }
            def.ordinal = c - offset;
            fields << Field(fd);
            baseIndex << bi;
            if (!byName.contains(def.name)) byName.insert(def.name, c - offset);
            QString k = foldKey(def.name);
            if (!byName.contains(k)) byName.insert(k, c - offset);
            if (tname) {
                // "Table.Column" names one of two columns of the same name in a join
                QString q = foldKey(QString::fromUtf8(tname) + u'.' + def.name);
                if (!byName.contains(q)) byName.insert(q, c - offset);
            }
        }
        cur.resize(fields.size());
        loaded.resize(fields.size());
        if (base) {
            fieldOfBase = QVector<int>(base->fields.size(), -1);
            for (int i = 0; i < baseIndex.size(); ++i)
                if (baseIndex[i] >= 0) fieldOfBase[baseIndex[i]] = i;
        }
        db->openSets << this;
        goTo(0);
    }

    int count() const { return fields.size(); }

    void resetStmt()
    {
        if (stmt) sqlite3_reset(stmt);
        stmtRow = -1;
        live = false;
    }

    // Keeps the current row's values without the statement (before a rollback, on close).
    void detach()
    {
        if (live) {
            for (int i = 0; i < count(); ++i) ensureLoaded(i);
            loadRowid();
        }
        resetStmt();
    }

    bool step()
    {
        int rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
            ++stmtRow;
            return true;
        }
        if (rc == SQLITE_DONE) {
            known = stmtRow + 1;
            resetStmt();
            return false;
        }
        resetStmt();
        raiseSqlite(db->db, rc, tr.sql);
    }

    bool anyLoaded = false;

    void clearCur()
    {
        if (anyLoaded) {
            for (int i = 0; i < cur.size(); ++i) { cur[i] = QVariant(); loaded[i] = 0; }
            anyLoaded = false;
        }
        live = false;
        rowidLoaded = false;
        deleted = false;
    }

    void goTo(int target)
    {
        check();
        if (target < 0) { pos = -1; clearCur(); return; }
        if (known >= 0 && target >= known) { pos = known; clearCur(); return; }
        if (stmtRow == target) {
            if (pos != target) { clearCur(); pos = target; }
            live = true;
            seen = std::max(seen, pos + 1);
            return;
        }
        if (stmtRow > target) resetStmt();
        clearCur();
        while (stmtRow < target) {
            if (!step()) { pos = known; seen = std::max(seen, known); return; }
        }
        pos = target;
        live = true;
        seen = std::max(seen, pos + 1);
    }

    bool hasCurrent() const { return pos >= 0 && !(known >= 0 && pos >= known) && !deleted; }

    void ensureLoaded(int i)
    {
        if (loaded[i]) return;
        if (!live) {
            // the statement moved on (another record set's rollback): read the row again
            int p = pos;
            pos = -2;
            goTo(p);
            if (!live) raiseNoCurrent();
        }
        cur[i] = readColumn(stmt, i + offset, fields[i].d->def.type);
        loaded[i] = 1;
        anyLoaded = true;
    }

    void loadRowid()
    {
        if (rowidLoaded || !offset) return;
        if (!live) raiseNoCurrent();
        rowid = sqlite3_column_int64(stmt, 0);
        rowidLoaded = true;
    }

    // The value, kept in the row's cache: for reading a long value in pieces.
    QVariant keptValue(int i)
    {
        check();
        if (editMode != dbEditNone && (changed[i] || editMode == dbEditAdd)) return buf[i];
        if (!hasCurrent()) raiseNoCurrent();
        ensureLoaded(i);
        return cur[i];
    }

    QVariant value(int i)
    {
        check();
        if (editMode != dbEditNone) {
            if (changed[i]) return buf[i];
            if (editMode == dbEditAdd) return buf[i];
        }
        if (!hasCurrent()) raiseNoCurrent();
        if (loaded[i]) return cur[i];
        // read straight from the statement: nothing kept, nothing copied
        if (live) return readColumn(stmt, i + offset, fields[i].d->def.type);
        ensureLoaded(i);
        return cur[i];
    }

    int index(const QString& name) const
    {
        auto it = byName.constFind(name);
        if (it != byName.constEnd()) return *it;
        // "Name", "[Name]", "Table.Name", "[Table].[Name]"
        QStringList parts;
        QString part;
        bool inside = false;
        for (QChar c : name.trimmed()) {
            if (c == u'[') inside = true;
            else if (c == u']') inside = false;
            else if (c == u'.' && !inside) { parts << part; part.clear(); continue; }
            else { part += c; continue; }
        }
        parts << part;
        if (parts.size() == 2) {
            it = byName.constFind(foldKey(parts[0] + u'.' + parts[1]));
            if (it != byName.constEnd()) {
                int i = *it;
                if (byName.size() < 1000) byName.insert(name, i);
                return i;
            }
        }
        it = byName.constFind(foldKey(parts.back()));
        if (it != byName.constEnd()) {
            int i = *it;
            if (byName.size() < 1000) byName.insert(name, i);   // the next ask of this spelling is one look-up
            return i;
        }
        return -1;
    }

    const Field& field(int i) const
    {
        if (i < 0 || i >= fields.size())
            raise(err::ItemNotFound, QStringLiteral("在集合中找不到第 %1 项。").arg(i));
        return fields[i];
    }

    const Field& field(const QString& name) const
    {
        int i = index(name);
        if (i < 0) raise(err::ItemNotFound, QStringLiteral("在集合中找不到项目 '%1'。").arg(name));
        return fields[i];
    }

    void startEdit(int mode)
    {
        check();
        if (!updatable) raise(err::NotUpdatable, QStringLiteral("不能更新。数据库或对象为只读。"));
        if (mode == dbEditInProgress) {
            if (!hasCurrent()) raiseNoCurrent();
            for (int i = 0; i < count(); ++i) ensureLoaded(i);
            loadRowid();
        }
        editMode = mode;
        if (buf.size() != count()) buf = QVector<QVariant>(count());
        else buf.fill(QVariant());
        changed.fill(0, count());
        chunked.fill(0, count());
        if (mode == dbEditAdd) {
            for (int i = 0; i < count(); ++i) {
                const FieldDef& d = fields[i].d->def;
                if (d.defaultValue.isValid() && !d.defaultValue.toString().isEmpty()) {
                    try {
                        buf[i] = coerce(d, defaultFromText(d.defaultValue.toString()));
                        changed[i] = buf[i].isValid();
                    } catch (const vb::Error&) {
                    }
                }
            }
        } else {
            buf = cur;
        }
    }

    const FieldDef& writable(int i)
    {
        check();
        if (editMode == dbEditNone)
            raise(err::UpdateWithoutEdit, QStringLiteral("没有 AddNew 或 Edit 就进行更新或取消更新。"));
        if (baseIndex[i] < 0)
            raise(err::UpdatableField, QStringLiteral("字段 '%1' 不能更新。").arg(fields[i].d->def.name));
        return fields[i].d->def;
    }

    void set(int i, const QVariant& v)
    {
        const FieldDef& d = writable(i);
        if (d.attributes & dbAutoIncrField)
            raise(err::UpdatableField, QStringLiteral("字段 '%1' 不能更新(自动编号)。").arg(d.name));
        buf[i] = coerce(d, v);
        changed[i] = 1;
    }

    void appendChunk(int i, const QByteArray& bytes)
    {
        const FieldDef& d = writable(i);
        if (d.type != dbLongBinary && d.type != dbMemo && d.type != dbBinary)
            raise(err::TypeMismatch, QStringLiteral("字段 '%1' 不是长二进制或备注字段。").arg(d.name));
        // the value is taken out of the buffer first, so that appending does not copy it
        if (d.type == dbMemo) {
            QString s = chunked[i] ? buf[i].toString() : QString();
            buf[i] = QVariant();
            s += QString::fromUtf8(bytes);
            buf[i] = QVariant(std::move(s));
        } else {
            QByteArray b = chunked[i] ? buf[i].toByteArray() : QByteArray();
            buf[i] = QVariant();
            b += bytes;
            buf[i] = QVariant(std::move(b));
        }
        chunked[i] = 1;
        changed[i] = 1;
    }

    void checkRow()
    {
        // Required and zero-length rules of the base table.
        for (int bi = 0; bi < base->fields.size(); ++bi) {
            const FieldDef& d = base->fields[bi];
            int i = fieldOfBase.value(bi, -1);
            QVariant v;
            bool given = false;
            if (i >= 0 && changed[i]) {
                v = buf[i];
                given = true;
            }
            if (!given && editMode == dbEditInProgress) continue;
            if ((d.attributes & dbAutoIncrField)) continue;
            bool isNull = !v.isValid() || (v.isNull() && v.typeId() != QMetaType::QString);
            if (d.required && isNull)
                raise(err::RequiredNull,
                      QStringLiteral("字段 '%1.%2' 不能包含 Null 值，因为该字段的 Required 属性为 True。请在此字段中输入一个值。")
                          .arg(base->name, d.name));
            if (!isNull && isTextType(d.type) && !d.allowZeroLength && v.toString().isEmpty() && given)
                raise(err::ZeroLength, QStringLiteral("字段 '%1.%2' 不能是零长度字符串。").arg(base->name, d.name));
        }
    }

    void update()
    {
        check();
        if (editMode == dbEditNone)
            raise(err::UpdateWithoutEdit, QStringLiteral("没有 AddNew 或 Edit 就进行更新或取消更新。"));
        checkRow();
        QByteArray mask(count(), '\0');
        QVector<int> which;
        which.reserve(count());
        for (int i = 0; i < count(); ++i) {
            if (!changed[i]) continue;
            if (editMode == dbEditInProgress && loaded[i] && buf[i] == cur[i] &&
                buf[i].typeId() == cur[i].typeId() && buf[i].isNull() == cur[i].isNull())
                continue;
            mask[i] = 1;
            which << i;
        }
        if (editMode == dbEditInProgress && which.isEmpty()) { editMode = dbEditNone; return; }
        sqlite3_stmt* st = lastWrite;
        if (!st || mask != lastMask || lastMode != editMode) {
            QStringList cols;
            for (int i : which) cols << jetsql::quoteName(base->fields[baseIndex[i]].name);
            QString sql;
            if (editMode == dbEditAdd) {
                if (cols.isEmpty()) {
                    sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(jetsql::quoteName(base->name));
                } else {
                    QStringList marks;
                    for (int k = 0; k < cols.size(); ++k) marks << QStringLiteral("?%1").arg(k + 1);
                    sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                              .arg(jetsql::quoteName(base->name), cols.join(u','), marks.join(u','));
                }
            } else {
                QStringList sets;
                for (int k = 0; k < cols.size(); ++k) sets << QStringLiteral("%1=?%2").arg(cols[k]).arg(k + 1);
                sql = QStringLiteral("UPDATE %1 SET %2 WHERE rowid=?%3")
                          .arg(jetsql::quoteName(base->name), sets.join(u','))
                          .arg(cols.size() + 1);
            }
            st = db->cached(sql);
            lastWrite = st;
            lastMask = mask;
            lastMode = editMode;
        }
        for (int k = 0; k < which.size(); ++k)
            bindValue(st, k + 1, fields[which[k]].d->def.type, buf[which[k]]);
        if (editMode == dbEditInProgress) sqlite3_bind_int64(st, which.size() + 1, rowid);
        int rc = sqlite3_step(st);
        sqlite3_reset(st);
        sqlite3_clear_bindings(st);
        if (rc != SQLITE_DONE) raiseSqlite(db->db, rc);
        if (editMode == dbEditInProgress) {
            if (sqlite3_changes(db->db) == 0) {
                editMode = dbEditNone;
                raise(3167, QStringLiteral("记录已被删除。"));
            }
            for (int i : which) { cur[i] = buf[i]; loaded[i] = 1; }
            anyLoaded = true;
        } else {
            if (known >= 0) ++known;
            ++seen;
        }
        editMode = dbEditNone;
        changed.fill(0);
    }
};

void DatabaseData::detachAll()
{
    for (RecordsetData* rs : openSets) rs->detach();
}

void DatabaseData::close()
{
    if (!db) return;
    for (RecordsetData* rs : QList<RecordsetData*>(openSets)) rs->close();
    for (sqlite3_stmt* st : std::as_const(cache)) sqlite3_finalize(st);
    cache.clear();
    sqlite3_close_v2(db);
    db = nullptr;
}

struct TableDefData {
    std::shared_ptr<DatabaseData> db;
    TableInfo info;
    QVector<Field> fields;
    bool appended = false;

    void check() const { if (appended && (!db || !db->db)) raiseClosed(); }
    static void addLoaded(const std::shared_ptr<TableDefData>& self, const FieldDef& def)
    {
        Field fld;
        fld.d->def = def;
        fld.d->owner = self;
        fld.d->appended = true;
        self->fields << fld;
    }
    QStringList fieldNames() const
    {
        QStringList out;
        for (const Field& f : fields) out << f.d->def.name;
        return out;
    }
};

} // namespace detail

using namespace detail;

// ---- engine-wide state ----

namespace {

std::vector<std::weak_ptr<DatabaseData>>& openDatabases()
{
    static std::vector<std::weak_ptr<DatabaseData>> list;
    return list;
}

int g_level = 0;

std::vector<std::shared_ptr<DatabaseData>> liveDatabases()
{
    std::vector<std::shared_ptr<DatabaseData>> out;
    auto& list = openDatabases();
    list.erase(std::remove_if(list.begin(), list.end(),
                              [](const std::weak_ptr<DatabaseData>& w) {
                                  auto p = w.lock();
                                  return !p || !p->db;
                              }),
               list.end());
    for (auto& w : list)
        if (auto p = w.lock()) out.push_back(p);
    return out;
}

QString connectValue(const QString& connect, const QString& key, bool* found = nullptr)
{
    if (found) *found = false;
    const QStringList parts = connect.split(u';');
    for (const QString& p : parts) {
        int eq = p.indexOf(u'=');
        if (eq < 0) continue;
        if (p.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0) {
            if (found) *found = true;
            return p.mid(eq + 1);
        }
    }
    return QString();
}

QString withoutPassword(const QString& connect)
{
    QStringList keep;
    for (const QString& p : connect.split(u';')) {
        int eq = p.indexOf(u'=');
        if (eq >= 0 && p.left(eq).trimmed().compare(QLatin1String("pwd"), Qt::CaseInsensitive) == 0) continue;
        keep << p;
    }
    return keep.join(u';');
}

std::shared_ptr<DatabaseData> openConnection(const QString& path, int flags, const QString& password, bool encrypted)
{
    auto d = std::make_shared<DatabaseData>();
    d->path = path;
    d->readOnly = flags & SQLITE_OPEN_READONLY;
    QByteArray u = QDir::toNativeSeparators(path).toUtf8();
    int rc = sqlite3_open_v2(u.constData(), &d->db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        QString msg = d->db ? QString::fromUtf8(sqlite3_errmsg(d->db)) : QString();
        sqlite3_close_v2(d->db);
        d->db = nullptr;
        raise(err::CannotOpen, QStringLiteral("无法打开数据库 '%1': %2").arg(path, msg));
    }
    sqlite3_extended_result_codes(d->db, 1);
    if (encrypted && !password.isEmpty()) {
        QByteArray k = password.toUtf8();
        sqlite3_key(d->db, k.constData(), k.size());
    }
    sqlite3_busy_timeout(d->db, g_busyMs);
    registerFunctions(d->db);
    // The key is only checked by the first read.
    sqlite3_stmt* st = nullptr;
    rc = sqlite3_prepare_v2(d->db, "SELECT count(*) FROM sqlite_master", -1, &st, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_step(st);
    if (st) sqlite3_finalize(st);
    if (rc != SQLITE_ROW) {
        int code = rc & 0xff;
        if (code == SQLITE_NOTADB && encrypted) {
            d->close();
            raise(err::NotValidPassword, QStringLiteral("不是有效的密码: 不能打开数据库 '%1'。").arg(path));
        }
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED) {
            d->close();
            raise(err::Locked, QStringLiteral("数据库 '%1' 已被其他用户锁定，暂时不能打开。").arg(path));
        }
        d->close();
        raise(err::NotADatabase, QStringLiteral("无法识别的数据库格式 '%1'。").arg(path));
    }
    openDatabases().push_back(d);
    return d;
}

} // namespace

// ---- Field ----

Field::Field() : d(std::make_shared<FieldData>()) {}

namespace {

void checkDefinition(const std::shared_ptr<FieldData>& d)
{
    if (!d) raiseNothing();
    if (d->rs)
        raise(err::InvalidOperation, QStringLiteral("无效的操作: 记录集的字段属性只读。"));
}

// Writes a changed property of a field of a table that already exists.
void storeFieldProperty(const std::shared_ptr<FieldData>& d, const char* column, const QVariant& value)
{
    if (!d->appended) return;
    auto td = d->owner.lock();
    if (!td || !td->appended) return;
    td->check();
    td->db->ensureCatalogue();
    // make sure the field has its row
    sqlite3_stmt* ins = td->db->cached(QStringLiteral(
        "INSERT OR IGNORE INTO _dao_fields (tbl,pos,name,type,size,attributes,required,allowzero) "
        "VALUES (?1,?2,?3,?4,?5,?6,?7,?8)"));
    QByteArray t = td->info.name.toUtf8(), n = d->def.name.toUtf8();
    sqlite3_bind_text(ins, 1, t.constData(), t.size(), SQLITE_TRANSIENT);
    sqlite3_bind_int(ins, 2, d->def.ordinal);
    sqlite3_bind_text(ins, 3, n.constData(), n.size(), SQLITE_TRANSIENT);
    sqlite3_bind_int(ins, 4, d->def.type);
    sqlite3_bind_int(ins, 5, d->def.size);
    sqlite3_bind_int(ins, 6, d->def.attributes);
    sqlite3_bind_int(ins, 7, d->def.required);
    sqlite3_bind_int(ins, 8, d->def.allowZeroLength);
    int rc = sqlite3_step(ins);
    sqlite3_reset(ins);
    if (rc != SQLITE_DONE) raiseSqlite(td->db->db, rc);
    sqlite3_stmt* st = td->db->prepare(
        QStringLiteral("UPDATE _dao_fields SET %1=?1 WHERE tbl=?2 AND name=?3").arg(QLatin1String(column)));
    detail::Stmt guard(st);
    bindValue(st, 1, 0, value);
    sqlite3_bind_text(st, 2, t.constData(), t.size(), SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 3, n.constData(), n.size(), SQLITE_TRANSIENT);
    rc = sqlite3_step(st);
    if (rc != SQLITE_DONE) raiseSqlite(td->db->db, rc);
    td->db->invalidate();
}

void refuseOnExisting(const std::shared_ptr<FieldData>& d, const char* what)
{
    if (d->appended)
        raise(err::InvalidOperation,
              QStringLiteral("无效的操作: 已存在的字段 '%1' 不能更改 %2。").arg(d->def.name, QLatin1String(what)));
}

} // namespace

QString Field::Name() const { if (!d) raiseNothing(); return d->def.name; }
void Field::setName(const QString& name) const { checkDefinition(d); refuseOnExisting(d, "Name"); d->def.name = name; }
int Field::Type() const
{
    if (!d) raiseNothing();
    if (d->def.type == 0 && d->rs) {
        try {
            QVariant v = d->rs->hasCurrent() ? d->rs->value(d->col) : QVariant();
            if (v.isValid()) return typeOfValue(v);
        } catch (const vb::Error&) {
        }
        return dbText;
    }
    return d->def.type;
}
void Field::setType(int type) const
{
    checkDefinition(d);
    refuseOnExisting(d, "Type");
    if (declaredType(type).isEmpty())
        raise(err::NotSupported, QStringLiteral("无效的字段数据类型 %1。").arg(type));
    d->def.type = type;
}
int Field::Size() const
{
    if (!d) raiseNothing();
    if (d->def.size >= 0) return d->def.size;
    return defaultSize(d->def.type);
}
void Field::setSize(int size) const
{
    checkDefinition(d);
    refuseOnExisting(d, "Size");
    if (size < 0 || ((d->def.type == dbText || d->def.type == dbChar) && size > 255))
        raise(err::NotSupported, QStringLiteral("字段 '%1' 的大小 %2 无效。").arg(d->def.name).arg(size));
    d->def.size = size;
}
int Field::Attributes() const
{
    if (!d) raiseNothing();
    int a = d->def.attributes;
    if (!(a & (dbFixedField | dbVariableField)))
        a |= (d->def.type == dbText || d->def.type == dbBinary) ? dbVariableField : dbFixedField;
    if (!d->rs || (d->rs->updatable && d->rs->baseIndex.value(d->col, -1) >= 0)) a |= dbUpdatableField;
    return a;
}
void Field::setAttributes(int attributes) const
{
    checkDefinition(d);
    refuseOnExisting(d, "Attributes");
    d->def.attributes = attributes & ~dbUpdatableField;
}
bool Field::Required() const { if (!d) raiseNothing(); return d->def.required; }
void Field::setRequired(bool required) const
{
    checkDefinition(d);
    d->def.required = required;
    storeFieldProperty(d, "required", int(required));
}
bool Field::AllowZeroLength() const { if (!d) raiseNothing(); return d->def.allowZeroLength; }
void Field::setAllowZeroLength(bool allow) const
{
    checkDefinition(d);
    d->def.allowZeroLength = allow;
    storeFieldProperty(d, "allowzero", int(allow));
}
QString Field::ValidationRule() const { if (!d) raiseNothing(); return d->def.validationRule; }
void Field::setValidationRule(const QString& rule) const
{
    checkDefinition(d);
    d->def.validationRule = rule;
    storeFieldProperty(d, "vrule", rule);
}
QString Field::ValidationText() const { if (!d) raiseNothing(); return d->def.validationText; }
void Field::setValidationText(const QString& text) const
{
    checkDefinition(d);
    d->def.validationText = text;
    storeFieldProperty(d, "vtext", text);
}
QVariant Field::DefaultValue() const { if (!d) raiseNothing(); return d->def.defaultValue; }
void Field::setDefaultValue(const QVariant& value) const
{
    checkDefinition(d);
    d->def.defaultValue = value.isValid() ? QVariant(vb::CStr(value)) : QVariant();
    storeFieldProperty(d, "defval", d->def.defaultValue);
}
int Field::OrdinalPosition() const { if (!d) raiseNothing(); return d->def.ordinal < 0 ? 0 : d->def.ordinal; }
void Field::setOrdinalPosition(int position) const
{
    checkDefinition(d);
    refuseOnExisting(d, "OrdinalPosition");
    d->def.ordinal = position;
}
QString Field::SourceTable() const { if (!d) raiseNothing(); return d->def.table; }

namespace {
RecordsetData* recordsetOf(const std::shared_ptr<FieldData>& d)
{
    if (!d) raiseNothing();
    if (!d->rs) {
        if (d->appended || !d->owner.expired() || d->col < 0)
            raise(err::InvalidOperation, QStringLiteral("无效的操作: 表定义的字段没有值。"));
        raiseClosed();
    }
    return d->rs;
}
} // namespace

QVariant Field::Value() const { return recordsetOf(d)->value(d->col); }
void Field::setValue(const QVariant& value) const { recordsetOf(d)->set(d->col, value); }
void Field::AppendChunk(const QByteArray& bytes) const { recordsetOf(d)->appendChunk(d->col, bytes); }
QByteArray Field::GetChunk(qint64 offset, qint64 bytes) const
{
    QVariant v = recordsetOf(d)->keptValue(d->col);
    if (!v.isValid()) return QByteArray();
    QByteArray b = v.typeId() == QMetaType::QByteArray ? v.toByteArray() : v.toString().toUtf8();
    if (offset < 0 || bytes < 0) raise(err::NotSupported, QStringLiteral("GetChunk 的参数无效。"));
    return b.mid(offset, bytes);
}
qint64 Field::FieldSize() const
{
    QVariant v = recordsetOf(d)->keptValue(d->col);
    if (!v.isValid()) return -1;
    if (v.typeId() == QMetaType::QByteArray) return v.toByteArray().size();
    return v.toString().size();
}

// ---- Fields ----

Fields::Fields() = default;

int Fields::Count() const
{
    if (rs) { rs->check(); return rs->count(); }
    if (td) return td->fields.size();
    raiseNothing();
}

Field Fields::Item(int index) const
{
    if (rs) { rs->check(); return rs->field(index); }
    if (!td) raiseNothing();
    if (index < 0 || index >= td->fields.size())
        raise(err::ItemNotFound, QStringLiteral("在集合中找不到第 %1 项。").arg(index));
    return td->fields[index];
}

Field Fields::Item(const QString& name) const
{
    if (rs) { rs->check(); return rs->field(name); }
    if (!td) raiseNothing();
    QString n = stripBrackets(name);
    for (const Field& f : td->fields)
        if (f.d->def.name.compare(n, Qt::CaseInsensitive) == 0 || foldKey(f.d->def.name) == foldKey(n)) return f;
    raise(err::ItemNotFound, QStringLiteral("在集合中找不到项目 '%1'。").arg(name));
}

namespace {

QString columnSql(const FieldDef& f, bool* autoKeyUsed)
{
    QString decl = declaredType(f.type);
    if (decl.isEmpty()) raise(err::NotSupported, QStringLiteral("字段 '%1' 的数据类型 %2 无效。").arg(f.name).arg(f.type));
    QString sql = jetsql::quoteName(f.name) + u' ';
    if ((f.attributes & dbAutoIncrField) && f.type == dbLong && !*autoKeyUsed) {
        *autoKeyUsed = true;
        return sql + QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    }
    sql += decl;
    if (f.required) sql += QStringLiteral(" NOT NULL");
    return sql;
}

void insertFieldRow(DatabaseData* db, const QString& table, const FieldDef& f)
{
    sqlite3_stmt* st = db->cached(QStringLiteral(
        "INSERT OR REPLACE INTO _dao_fields (tbl,pos,name,type,size,attributes,required,allowzero,vrule,vtext,defval) "
        "VALUES (?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11)"));
    QByteArray t = table.toUtf8(), n = f.name.toUtf8(), r = f.validationRule.toUtf8(), x = f.validationText.toUtf8();
    sqlite3_bind_text(st, 1, t.constData(), t.size(), SQLITE_TRANSIENT);
    sqlite3_bind_int(st, 2, f.ordinal);
    sqlite3_bind_text(st, 3, n.constData(), n.size(), SQLITE_TRANSIENT);
    sqlite3_bind_int(st, 4, f.type);
    sqlite3_bind_int(st, 5, f.size >= 0 ? f.size : defaultSize(f.type));
    sqlite3_bind_int(st, 6, f.attributes);
    sqlite3_bind_int(st, 7, f.required);
    sqlite3_bind_int(st, 8, f.allowZeroLength);
    sqlite3_bind_text(st, 9, r.constData(), r.size(), SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 10, x.constData(), x.size(), SQLITE_TRANSIENT);
    bindValue(st, 11, 0, f.defaultValue);
    int rc = sqlite3_step(st);
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    if (rc != SQLITE_DONE) raiseSqlite(db->db, rc);
}

// Runs `work` atomically: inside a save point, undone when it throws.
template <typename F>
void atomically(DatabaseData* db, F work)
{
    db->exec(QStringLiteral("SAVEPOINT dao_ddl"));
    try {
        work();
        db->exec(QStringLiteral("RELEASE dao_ddl"));
    } catch (...) {
        try {
            db->exec(QStringLiteral("ROLLBACK TO dao_ddl"));
            db->exec(QStringLiteral("RELEASE dao_ddl"));
        } catch (...) {
        }
        throw;
    }
}

void checkNewField(const TableDefData* td, const std::shared_ptr<FieldData>& fd)
{
    if (!fd) raiseNothing();
    const FieldDef& f = fd->def;
    if (fd->rs) raise(err::InvalidOperation, QStringLiteral("无效的操作: 不能追加记录集的字段。"));
    if (f.name.trimmed().isEmpty()) raise(err::NotSupported, QStringLiteral("字段名称不能为空。"));
    if (f.name.contains(u']') || f.name.contains(u'['))
        raise(err::NotSupported, QStringLiteral("'%1' 不是有效的字段名称。").arg(f.name));
    if (f.type == 0 || declaredType(f.type).isEmpty())
        raise(err::NotSupported, QStringLiteral("字段 '%1' 的数据类型无效。").arg(f.name));
    for (const QString& g : td->fieldNames())
        if (g.compare(f.name, Qt::CaseInsensitive) == 0 || foldKey(g) == foldKey(f.name))
            raise(err::FieldExists, QStringLiteral("字段 '%1' 已经定义过了。").arg(f.name));
}

} // namespace

void Fields::Append(const Field& field)
{
    if (rs) raise(err::InvalidOperation, QStringLiteral("无效的操作: 记录集的字段集合不能追加。"));
    if (!td) raiseNothing();
    td->check();
    checkNewField(td.get(), field.d);
    if (field.d->appended || !field.d->owner.expired())
        raise(err::InvalidOperation, QStringLiteral("不能追加: 字段 '%1' 已属于一个表。").arg(field.d->def.name));
    if (field.d->def.ordinal < 0) field.d->def.ordinal = td->fields.size();
    if (td->appended) {
        FieldDef f = field.d->def;
        if (f.attributes & dbAutoIncrField)
            raise(err::NotSupported, QStringLiteral("不能给已存在的表追加自动编号字段。"));
        DatabaseData* db = td->db.get();
        db->ensureCatalogue();
        atomically(db, [&] {
            bool dummy = true;
            QString col = columnSql(f, &dummy);
            if (f.required) col.chop(9);   // SQLite cannot add a NOT NULL column without a default
            db->exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2").arg(jetsql::quoteName(td->info.name), col));
            insertFieldRow(db, td->info.name, f);
        });
        db->invalidate();
        field.d->appended = true;
    }
    field.d->owner = td;
    td->fields << field;
}

void Fields::Delete(const QString& name)
{
    if (rs) raise(err::InvalidOperation, QStringLiteral("无效的操作: 记录集的字段集合不能删除。"));
    if (!td) raiseNothing();
    Field f = Item(name);
    if (td->appended) raise(err::NotSupported, QStringLiteral("数据库引擎不支持删除已存在表的字段。"));
    f.d->owner.reset();
    for (int i = 0; i < td->fields.size(); ++i)
        if (td->fields[i].d == f.d) { td->fields.remove(i); break; }
}

void Fields::Refresh() {}

// ---- TableDef ----

TableDef::TableDef() : d(std::make_shared<TableDefData>()) {}

QString TableDef::Name() const { if (!d) raiseNothing(); return d->info.name; }
void TableDef::setName(const QString& name)
{
    if (!d) raiseNothing();
    if (d->appended) raise(err::NotSupported, QStringLiteral("数据库引擎不支持给已存在的表改名。"));
    d->info.name = name;
}
int TableDef::Attributes() const { if (!d) raiseNothing(); return d->info.attributes; }
void TableDef::setAttributes(int attributes)
{
    if (!d) raiseNothing();
    if (d->appended) raise(err::InvalidOperation, QStringLiteral("无效的操作: 已存在的表不能更改 Attributes。"));
    d->info.attributes = attributes;
}
QString TableDef::ValidationRule() const { if (!d) raiseNothing(); return d->info.validationRule; }
QString TableDef::ValidationText() const { if (!d) raiseNothing(); return d->info.validationText; }

namespace {
void storeTableProperty(TableDefData* td, const char* column, const QString& value)
{
    if (!td->appended) return;
    td->check();
    DatabaseData* db = td->db.get();
    db->ensureCatalogue();
    atomically(db, [&] {
        Stmt ins(db->prepare(QStringLiteral("INSERT OR IGNORE INTO _dao_tables (name, attributes) VALUES (?1, 0)")));
        QByteArray n = td->info.name.toUtf8(), v = value.toUtf8();
        sqlite3_bind_text(ins.s, 1, n.constData(), n.size(), SQLITE_TRANSIENT);
        int rc = sqlite3_step(ins.s);
        if (rc != SQLITE_DONE) raiseSqlite(db->db, rc);
        Stmt up(db->prepare(QStringLiteral("UPDATE _dao_tables SET %1=?1 WHERE name=?2").arg(QLatin1String(column))));
        sqlite3_bind_text(up.s, 1, v.constData(), v.size(), SQLITE_TRANSIENT);
        sqlite3_bind_text(up.s, 2, n.constData(), n.size(), SQLITE_TRANSIENT);
        rc = sqlite3_step(up.s);
        if (rc != SQLITE_DONE) raiseSqlite(db->db, rc);
    });
    db->invalidate();
}
} // namespace

void TableDef::setValidationRule(const QString& rule)
{
    if (!d) raiseNothing();
    d->info.validationRule = rule;
    storeTableProperty(d.get(), "vrule", rule);
}
void TableDef::setValidationText(const QString& text)
{
    if (!d) raiseNothing();
    d->info.validationText = text;
    storeTableProperty(d.get(), "vtext", text);
}

int TableDef::RecordCount() const
{
    if (!d) raiseNothing();
    if (!d->appended) return 0;
    d->check();
    Stmt st(d->db->prepare(QStringLiteral("SELECT count(*) FROM %1").arg(jetsql::quoteName(d->info.name))));
    int rc = sqlite3_step(st.s);
    if (rc != SQLITE_ROW) raiseSqlite(d->db->db, rc);
    return sqlite3_column_int(st.s, 0);
}

dao::Fields TableDef::Fields() const
{
    if (!d) raiseNothing();
    dao::Fields f;
    f.td = d;
    return f;
}
Field TableDef::Fields(int index) const { return Fields().Item(index); }
Field TableDef::Fields(const QString& name) const { return Fields().Item(name); }

Field TableDef::CreateField(const QString& name, int type, int size) const
{
    if (!d) raiseNothing();
    Field f;
    f.d->def.name = name;
    if (type != 0) {
        if (declaredType(type).isEmpty()) raise(err::NotSupported, QStringLiteral("无效的字段数据类型 %1。").arg(type));
        f.d->def.type = type;
    }
    if (size >= 0) f.setSize(size);
    return f;
}

Recordset TableDef::OpenRecordset(int type, int options) const
{
    if (!d) raiseNothing();
    if (!d->appended) raise(err::InvalidOperation, QStringLiteral("无效的操作: 表尚未追加到数据库中。"));
    Database db(d->db);
    return db.OpenRecordset(d->info.name, type, options);
}

// ---- TableDefs ----

TableDefs::TableDefs() = default;

int TableDefs::Count() const
{
    if (!db) raiseNothing();
    return db->tableNames().size();
}

namespace {
std::shared_ptr<TableDefData> loadTableDef(const std::shared_ptr<DatabaseData>& db, const QString& name)
{
    auto info = db->table(name);
    if (!info) return nullptr;
    auto td = std::make_shared<TableDefData>();
    td->db = db;
    td->info = *info;
    td->appended = true;
    td->info.fields.clear();
    for (const FieldDef& f : info->fields) td->addLoaded(td, f);
    return td;
}
} // namespace

TableDef TableDefs::Item(int index) const
{
    if (!db) raiseNothing();
    QStringList names = db->tableNames();
    if (index < 0 || index >= names.size())
        raise(err::ItemNotFound, QStringLiteral("在集合中找不到第 %1 项。").arg(index));
    TableDef t;
    t.d = loadTableDef(db, names[index]);
    if (!t.d) raise(err::ItemNotFound, QStringLiteral("在集合中找不到第 %1 项。").arg(index));
    return t;
}

TableDef TableDefs::Item(const QString& name) const
{
    if (!db) raiseNothing();
    QString n = stripBrackets(name);
    if (n.startsWith(QLatin1String("_dao_"), Qt::CaseInsensitive) || n.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive))
        raise(err::ItemNotFound, QStringLiteral("在集合中找不到项目 '%1'。").arg(name));
    TableDef t;
    t.d = loadTableDef(db, n);
    if (!t.d)
        raise(err::ItemNotFound, QStringLiteral("在集合中找不到项目 '%1'。").arg(name));
    return t;
}

void TableDefs::Append(const TableDef& table)
{
    if (!db) raiseNothing();
    db->check();
    if (table.isNothing()) raiseNothing();
    TableDefData* td = table.d.get();
    if (td->appended) raise(err::TableExists, QStringLiteral("表 '%1' 已经存在。").arg(td->info.name));
    QString name = td->info.name.trimmed();
    if (name.isEmpty()) raise(err::NotSupported, QStringLiteral("表名称不能为空。"));
    if (name.contains(u']') || name.startsWith(QLatin1String("_dao_"), Qt::CaseInsensitive) ||
        name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive))
        raise(err::NotSupported, QStringLiteral("'%1' 不是有效的表名称。").arg(name));
    if (td->fields.isEmpty()) raise(err::NoFields, QStringLiteral("没有定义字段，不能追加表 '%1'。").arg(name));
    if (db->hasTable(name)) raise(err::TableExists, QStringLiteral("表 '%1' 已经存在。").arg(name));
    if (db->readOnly) raise(err::NotUpdatable, QStringLiteral("不能更新。数据库或对象为只读。"));
    // fields in ordinal order (stable)
    QVector<Field> ordered = td->fields;
    std::stable_sort(ordered.begin(), ordered.end(), [](const Field& a, const Field& b) {
        return a.d->def.ordinal < b.d->def.ordinal;
    });
    QStringList cols;
    bool autoKey = false;
    for (const Field& f : ordered) cols << columnSql(f.d->def, &autoKey);
    DatabaseData* d = db.get();
    d->ensureCatalogue();
    atomically(d, [&] {
        d->exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(jetsql::quoteName(name), cols.join(QStringLiteral(", "))));
        Stmt st(d->prepare(QStringLiteral("INSERT OR REPLACE INTO _dao_tables (name, attributes, vrule, vtext) VALUES (?1,?2,?3,?4)")));
        QByteArray n = name.toUtf8(), r = td->info.validationRule.toUtf8(), x = td->info.validationText.toUtf8();
        sqlite3_bind_text(st.s, 1, n.constData(), n.size(), SQLITE_TRANSIENT);
        sqlite3_bind_int(st.s, 2, td->info.attributes);
        sqlite3_bind_text(st.s, 3, r.constData(), r.size(), SQLITE_TRANSIENT);
        sqlite3_bind_text(st.s, 4, x.constData(), x.size(), SQLITE_TRANSIENT);
        int rc = sqlite3_step(st.s);
        if (rc != SQLITE_DONE) raiseSqlite(d->db, rc);
        int pos = 0;
        for (const Field& f : ordered) {
            FieldDef def = f.d->def;
            def.ordinal = pos++;
            insertFieldRow(d, name, def);
        }
    });
    d->invalidate();
    td->info.name = name;
    td->db = db;
    td->appended = true;
    int pos = 0;
    for (const Field& f : ordered) {
        f.d->appended = true;
        f.d->def.ordinal = pos++;
    }
    td->fields = ordered;
}

void TableDefs::Delete(const QString& name)
{
    if (!db) raiseNothing();
    db->check();
    QString n = stripBrackets(name);
    auto info = db->table(n);
    if (!info || n.startsWith(QLatin1String("_dao_"), Qt::CaseInsensitive))
        raise(err::ItemNotFound, QStringLiteral("在集合中找不到项目 '%1'。").arg(name));
    DatabaseData* d = db.get();
    for (RecordsetData* rs : d->openSets) rs->detach();
    atomically(d, [&] {
        d->exec(QStringLiteral("DROP TABLE %1").arg(jetsql::quoteName(info->name)));
        if (d->hasTable(QStringLiteral("_dao_fields"))) {
            for (const char* t : {"_dao_fields WHERE tbl", "_dao_tables WHERE name"}) {
                Stmt st(d->prepare(QStringLiteral("DELETE FROM %1=?1").arg(QLatin1String(t))));
                QByteArray u = info->name.toUtf8();
                sqlite3_bind_text(st.s, 1, u.constData(), u.size(), SQLITE_TRANSIENT);
                int rc = sqlite3_step(st.s);
                if (rc != SQLITE_DONE) raiseSqlite(d->db, rc);
            }
        }
    });
    d->invalidate();
}

void TableDefs::Refresh()
{
    if (!db) raiseNothing();
    db->invalidate();
}

// ---- Recordset ----

Recordset::Recordset() = default;

#define RS_CHECK() if (!d) raiseNothing(); d->check()

bool Recordset::Eof() const { RS_CHECK(); return d->known >= 0 && d->pos >= d->known; }
bool Recordset::Bof() const { RS_CHECK(); return d->pos < 0 || d->known == 0; }

void Recordset::MoveFirst()
{
    RS_CHECK();
    if (d->editMode != dbEditNone) d->editMode = dbEditNone;
    d->goTo(0);
    if (!d->hasCurrent()) raiseNoCurrent();
}

void Recordset::MoveLast()
{
    RS_CHECK();
    d->editMode = dbEditNone;
    if (d->type == dbOpenForwardOnly) raise(err::OperationNotSupported, QStringLiteral("此记录集类型不支持该操作。"));
    if (d->known < 0) {
        // run to the end to learn the count
        while (d->step()) {}
    }
    if (d->known == 0) { d->goTo(0); raiseNoCurrent(); }
    d->goTo(d->known - 1);
}

void Recordset::MoveNext()
{
    RS_CHECK();
    d->editMode = dbEditNone;
    if (d->known >= 0 && d->pos >= d->known) raiseNoCurrent();
    d->goTo(d->pos + 1);
}

void Recordset::MovePrevious()
{
    RS_CHECK();
    d->editMode = dbEditNone;
    if (d->type == dbOpenForwardOnly) raise(err::OperationNotSupported, QStringLiteral("此记录集类型不支持该操作。"));
    if (d->pos < 0) raiseNoCurrent();
    d->goTo(d->pos - 1);
}

void Recordset::Move(int rows)
{
    RS_CHECK();
    d->editMode = dbEditNone;
    if (rows == 0) {
        if (!d->hasCurrent()) raiseNoCurrent();
        return;
    }
    if (!d->hasCurrent()) raiseNoCurrent();
    int target = d->pos + rows;
    if (target < 0) target = -1;
    d->goTo(target);
}

int Recordset::RecordCount() const
{
    RS_CHECK();
    if (d->known >= 0) return d->known;
    if (d->type == dbOpenTable && d->base) {
        Stmt st(d->db->prepare(QStringLiteral("SELECT count(*) FROM %1").arg(jetsql::quoteName(d->base->name))));
        if (sqlite3_step(st.s) == SQLITE_ROW) return sqlite3_column_int(st.s, 0);
    }
    return d->seen;
}

int Recordset::AbsolutePosition() const
{
    RS_CHECK();
    return d->hasCurrent() ? d->pos : -1;
}

void Recordset::setAbsolutePosition(int position)
{
    RS_CHECK();
    if (position < 0) raise(err::NotSupported, QStringLiteral("无效的参数: 位置 %1。").arg(position));
    d->editMode = dbEditNone;
    d->goTo(position);
    if (!d->hasCurrent()) raise(err::NotSupported, QStringLiteral("无效的参数: 位置 %1 超出记录集范围。").arg(position));
}

dao::Fields Recordset::Fields() const
{
    RS_CHECK();
    dao::Fields f;
    f.rs = d;
    return f;
}
const Field& Recordset::Fields(int index) const { RS_CHECK(); return d->field(index); }
const Field& Recordset::Fields(const QString& name) const { RS_CHECK(); return d->field(name); }

void Recordset::AddNew() { RS_CHECK(); d->startEdit(dbEditAdd); }
void Recordset::Edit() { RS_CHECK(); d->startEdit(dbEditInProgress); }
void Recordset::Update() { RS_CHECK(); d->update(); }
void Recordset::CancelUpdate()
{
    RS_CHECK();
    if (d->editMode == dbEditNone)
        raise(err::UpdateWithoutEdit, QStringLiteral("没有 AddNew 或 Edit 就进行更新或取消更新。"));
    d->editMode = dbEditNone;
    d->buf.clear();
}
int Recordset::EditMode() const { RS_CHECK(); return d->editMode; }
bool Recordset::Updatable() const { RS_CHECK(); return d->updatable; }
int Recordset::Type() const { RS_CHECK(); return d->type; }
QString Recordset::Name() const { RS_CHECK(); return d->source.left(256); }

Recordset Recordset::Clone() const
{
    RS_CHECK();
    auto c = std::make_shared<RecordsetData>();
    c->db = d->db;
    c->source = d->source;
    c->tr = d->tr;
    c->type = d->type;
    c->options = d->options;
    c->updatable = d->updatable;
    c->open();
    return Recordset(c);
}

void Recordset::Requery()
{
    RS_CHECK();
    d->editMode = dbEditNone;
    d->resetStmt();
    d->known = -1;
    d->seen = 0;
    d->pos = -2;
    d->goTo(0);
}

void Recordset::Close()
{
    if (!d) raiseNothing();
    if (d->closed) raiseClosed();
    d->close();
}

// ---- Database ----

Database::Database() = default;

#define DB_CHECK() if (!d) raiseNothing(); d->check()

QString Database::Name() const { if (!d) raiseNothing(); return d->path; }
QString Database::Connect() const { if (!d) raiseNothing(); return d->connect; }
bool Database::Updatable() const { DB_CHECK(); return !d->readOnly; }

Recordset Database::OpenRecordset(const QString& source, int type, int options, int)
{
    DB_CHECK();
    QString src = source.trimmed();
    bool isQuery = false;
    {
        int i = 0;
        while (i < src.size() && src[i].isLetter()) ++i;
        QString first = src.left(i).toLower();
        isQuery = first == u"select" || first == u"delete" || first == u"update" || first == u"insert" ||
                  first == u"create" || first == u"drop";
    }
    auto rs = std::make_shared<RecordsetData>();
    rs->db = d;
    rs->source = source;
    rs->options = options;
    if (!isQuery) {
        QString name = stripBrackets(src);
        auto info = d->table(name);
        if (!info || name.startsWith(QLatin1String("_dao_"), Qt::CaseInsensitive))
            raise(err::NoSuchTable, QStringLiteral("找不到输入表或查询 '%1'。").arg(name));
        if (type == 0) type = dbOpenTable;
        src = QStringLiteral("SELECT * FROM ") + jetsql::quoteName(info->name);
    } else if (type == 0) {
        type = dbOpenDynaset;
    }
    if (type != dbOpenTable && type != dbOpenDynaset && type != dbOpenSnapshot && type != dbOpenForwardOnly)
        raise(err::NotSupported, QStringLiteral("无效的参数: 记录集类型 %1。").arg(type));
    rs->type = type;
    bool wantUpdate = (type == dbOpenTable || type == dbOpenDynaset) && !(options & dbReadOnly) && !d->readOnly;
    rs->tr = jetsql::translate(src, wantUpdate);
    if (rs->tr.kind != jetsql::Kind::Select)
        raise(err::InvalidOperation, QStringLiteral("无效的操作: 不能用操作查询打开记录集。"));
    rs->updatable = wantUpdate && rs->tr.hasRowid;
    rs->open();
    return Recordset(rs);
}

int Database::Execute(const QString& sql, int)
{
    DB_CHECK();
    jetsql::Translation t = jetsql::translate(sql);
    if (t.kind == jetsql::Kind::Select)
        raise(err::SelectInExecute, QStringLiteral("不能执行选择查询。"));
    if (d->readOnly) raise(err::NotUpdatable, QStringLiteral("不能更新。数据库或对象为只读。"));
    if (t.kind == jetsql::Kind::DropTable) {
        TableDefs().Delete(t.table);
        d->recordsAffected = 0;
        return 0;
    }
    if (!t.table.isEmpty() && t.kind != jetsql::Kind::DropIndex &&
        (t.table.startsWith(QLatin1String("_dao_"), Qt::CaseInsensitive) ||
         t.table.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive)))
        raise(err::NoSuchTable, QStringLiteral("找不到输入表或查询 '%1'。").arg(t.table));
    sqlite3_stmt* st = d->cached(t.sql);
    int rc = sqlite3_step(st);
    sqlite3_reset(st);
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
        if (t.kind == jetsql::Kind::CreateIndex || t.kind == jetsql::Kind::DropIndex) {
            d->cache.remove(t.sql);
            sqlite3_finalize(st);
        }
        raiseSqlite(d->db, rc, sql);
    }
    int n = 0;
    if (t.kind == jetsql::Kind::Delete || t.kind == jetsql::Kind::Update || t.kind == jetsql::Kind::Insert)
        n = sqlite3_changes(d->db);
    else {
        d->cache.remove(t.sql);
        sqlite3_finalize(st);
        d->invalidate();
    }
    d->recordsAffected = n;
    return n;
}

int Database::RecordsAffected() const { DB_CHECK(); return d->recordsAffected; }

dao::TableDefs Database::TableDefs() const
{
    DB_CHECK();
    dao::TableDefs t;
    t.db = d;
    return t;
}

TableDef Database::CreateTableDef(const QString& name, int attributes, const QString&, const QString& connect)
{
    DB_CHECK();
    if (!connect.isEmpty()) raise(err::NotSupported, QStringLiteral("数据库引擎不支持链接表。"));
    TableDef t;
    t.d->info.name = name;
    t.d->info.attributes = attributes;
    t.d->db = d;
    return t;
}

void Database::Close()
{
    if (!d) raiseNothing();
    if (!d->db) raiseClosed();
    d->close();
}

// ---- DBEngine ----

Database DBEngine::OpenDatabase(const QString& name, bool exclusive, bool readOnly, const QString& connect)
{
    QFileInfo fi(name);
    if (!fi.exists()) raise(err::FileNotFound, QStringLiteral("找不到文件 '%1'。").arg(name));
    if (fi.isDir()) raise(err::CannotOpen, QStringLiteral("'%1' 不是一个有效的数据库文件。").arg(name));
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly)) raise(err::CannotOpen, QStringLiteral("不能打开文件 '%1'。").arg(name));
    QByteArray head = f.read(16);
    qint64 size = f.size();
    f.close();
    bool plain = head == QByteArray("SQLite format 3\0", 16);
    if (size == 0 || (!plain && size % 512 != 0))
        raise(err::NotADatabase, QStringLiteral("无法识别的数据库格式 '%1'。").arg(name));
    QString password = connectValue(connect, QStringLiteral("pwd"));
    int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    auto d = openConnection(name, flags, password, !plain);
    d->connect = withoutPassword(connect);
    if (exclusive) {
        try {
            d->exec(QStringLiteral("PRAGMA locking_mode=EXCLUSIVE"));
            d->exec(QString::fromLatin1(readOnly ? "BEGIN" : "BEGIN EXCLUSIVE"));
            if (readOnly) d->exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
            d->exec(QStringLiteral("COMMIT"));
        } catch (...) {
            d->close();
            throw;
        }
    }
    return Database(d);
}

Database DBEngine::CreateDatabase(const QString& name, const QString& locale, int)
{
    QFileInfo fi(name);
    if (fi.exists()) raise(err::DatabaseExists, QStringLiteral("数据库 '%1' 已经存在。").arg(name));
    if (!fi.absoluteDir().exists()) raise(err::CannotOpen, QStringLiteral("'%1' 不是一个有效的路径。").arg(name));
    bool found = false;
    QString langid = connectValue(locale, QStringLiteral("langid"), &found);
    if (!locale.trimmed().isEmpty() && !found && !locale.contains(QLatin1String("pwd"), Qt::CaseInsensitive))
        raise(err::NotSupported, QStringLiteral("无效的区域设置参数 '%1'。").arg(locale));
    QString password = connectValue(locale, QStringLiteral("pwd"));
    std::shared_ptr<DatabaseData> d;
    try {
        d = openConnection(name, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, password, true);
        d->connect = withoutPassword(locale);
        atomically(d.get(), [&] {
            d->ensureCatalogue();
            d->exec(QStringLiteral("CREATE TABLE IF NOT EXISTS _dao_info (key TEXT PRIMARY KEY, value TEXT)"));
            Stmt st(d->prepare(QStringLiteral("INSERT OR REPLACE INTO _dao_info VALUES ('locale', ?1)")));
            QByteArray u = d->connect.toUtf8();
            sqlite3_bind_text(st.s, 1, u.constData(), u.size(), SQLITE_TRANSIENT);
            int rc = sqlite3_step(st.s);
            if (rc != SQLITE_DONE) raiseSqlite(d->db, rc);
        });
    } catch (...) {
        if (d) d->close();
        QFile::remove(name);
        QFile::remove(name + QStringLiteral("-journal"));
        throw;
    }
    return Database(d);
}

void DBEngine::BeginTrans()
{
    auto dbs = liveDatabases();
    std::vector<std::shared_ptr<DatabaseData>> done;
    try {
        for (auto& d : dbs) {
            if (d->txDepth != g_level) continue;   // opened during the transaction
            if (g_level == 0)
                d->exec(QString::fromLatin1(d->readOnly ? "BEGIN" : "BEGIN IMMEDIATE"));
            else
                d->exec(QStringLiteral("SAVEPOINT dao_tx%1").arg(g_level));
            ++d->txDepth;
            done.push_back(d);
        }
    } catch (...) {
        for (auto& d : done) {
            try {
                if (g_level == 0) d->exec(QStringLiteral("ROLLBACK"));
                else {
                    d->exec(QStringLiteral("ROLLBACK TO dao_tx%1").arg(g_level));
                    d->exec(QStringLiteral("RELEASE dao_tx%1").arg(g_level));
                }
            } catch (...) {
            }
            --d->txDepth;
        }
        throw;
    }
    ++g_level;
}

void DBEngine::CommitTrans()
{
    if (g_level == 0)
        raise(err::NotInTransaction, QStringLiteral("没有开始事务就提交或回滚事务。"));
    int level = g_level - 1;
    for (auto& d : liveDatabases()) {
        if (d->txDepth != g_level) continue;
        if (level == 0)
            d->exec(QStringLiteral("COMMIT"));
        else
            d->exec(QStringLiteral("RELEASE dao_tx%1").arg(level));
        --d->txDepth;
    }
    g_level = level;
}

void DBEngine::Rollback()
{
    if (g_level == 0)
        raise(err::NotInTransaction, QStringLiteral("没有开始事务就提交或回滚事务。"));
    int level = g_level - 1;
    std::optional<vb::Error> first;
    for (auto& d : liveDatabases()) {
        if (d->txDepth != g_level) continue;
        d->detachAll();
        try {
            if (level == 0) {
                d->exec(QStringLiteral("ROLLBACK"));
            } else {
                d->exec(QStringLiteral("ROLLBACK TO dao_tx%1").arg(level));
                d->exec(QStringLiteral("RELEASE dao_tx%1").arg(level));
            }
        } catch (const vb::Error& e) {
            if (!first) first = e;
        }
        --d->txDepth;
        d->invalidate();
    }
    g_level = level;
    if (first) throw *first;
}

int DBEngine::TransactionLevel() { return g_level; }

void DBEngine::setBusyTimeout(int milliseconds)
{
    g_busyMs = std::max(0, milliseconds);
    for (auto& d : liveDatabases()) sqlite3_busy_timeout(d->db, g_busyMs);
}

int DBEngine::busyTimeout() { return g_busyMs; }

} // namespace dao
