// The engine's errors, the column types, and values between QVariant and SQLite.
#include "platform/dao/internal.h"
#include "platform/core/format.h"
#include "platform/core/vbrt.h"
#include "platform/dao/sqlfunctions.h"
#include <cmath>
#include <optional>

namespace dao::detail {

namespace {
const QString kSource = QStringLiteral("DAO");
// The error a function of the layer raised inside a statement, until the statement reports it.
thread_local std::optional<vb::Error> t_pending;
} // namespace

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
[[noreturn]] void raiseSqlite(sqlite3* db, int rc, const QString& context)
{
    QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    if (t_pending) {
        vb::Error e = *t_pending;
        t_pending.reset();
        if (e.description() == msg) throw e;
    }
    int ext = db ? sqlite3_extended_errcode(db) : rc;
    const int code = rc & 0xff;
    if (code == SQLITE_CANTOPEN || code == SQLITE_IOERR || code == SQLITE_READONLY) {
        // a name beside the file that the engine was refused: what lies there
        const QString refused = takeEngineRefusal();
        if (!refused.isEmpty()) raise(err::CannotOpen, refused);
    }
    // the statement is the program's text around what the user typed: messages do not quote it
    Q_UNUSED(context);
    msg = vb::Excerpt(msg, 0, 200);
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
        raise(err::CannotOpen, QStringLiteral("无法打开数据库文件或它旁边的日志文件。"));
    case SQLITE_READONLY:
    case SQLITE_PERM:
        raise(err::NotUpdatable, QStringLiteral("不能更新。数据库或对象为只读。"));
    case SQLITE_IOERR:
        raise(err::DiskIO, QStringLiteral("读写磁盘时出错（I/O 错误 %1）。").arg(ext));
    case SQLITE_FULL:
        raise(err::DiskIO, QStringLiteral("读写磁盘时出错: 磁盘已满。"));
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
    // SQLite's parser holds 100 entries, its trees 1000 levels, its joins 64 tables
    if (msg == QLatin1String("parser stack overflow") || msg.startsWith(QLatin1String("Expression tree is too large")) ||
        msg.startsWith(QLatin1String("at most 64 tables in a join")))
        raise(err::QueryTooComplex, QStringLiteral("查询过于复杂: 嵌套或连接太多，数据库引擎无法执行。"));
    if (msg.contains(QLatin1String("syntax error")) || msg.contains(QLatin1String("ambiguous")))
        raise(err::SyntaxInExpression, QStringLiteral("查询表达式语法错误: %1").arg(msg));
    // errors of the Jet functions keep the runtime's numbers
    struct Runtime { const char* prefix; int number; };
    static const Runtime runtime[] = {{"无效的过程调用或参数", 5}, {"除数为零", 11}, {"无效使用 Null", 94},
                                      {"无效的模式字符串", 93}};
    for (const Runtime& r : runtime)
        if (msg.startsWith(QString::fromUtf8(r.prefix))) raise(r.number, msg);
    if (msg.startsWith(QStringLiteral("类型不匹配")))
        raise(3464, QStringLiteral("条件表达式中数据类型不匹配: %1").arg(msg));
    raise(err::Generic, QStringLiteral("数据库引擎错误: %1").arg(msg));
}

bool stepRow(sqlite3_stmt* st)
{
    const int rc = sqlite3_step(st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) raiseSqlite(sqlite3_db_handle(st), rc);
    return rc == SQLITE_ROW;
}

QString stripBrackets(const QString& name)
{
    QString n = name.trimmed();
    if (n.size() >= 2 && n.startsWith(u'[') && n.endsWith(u']'))
        n = n.mid(1, n.size() - 2);
    return n;
}

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

namespace {

double roundHalfEven(double d) { return std::nearbyint(d); }

[[noreturn]] void raiseOverflow(const FieldDef& f)
{
    raise(err::Overflow, QStringLiteral("数值字段溢出: 字段 '%1'。").arg(f.name));
}

[[noreturn]] void raiseMismatch(const FieldDef& f, const QVariant& v)
{
    // a number too large for any column ("1e400" read as a number) overflows
    if (v.typeId() == QMetaType::Double && std::isinf(v.toDouble()))
        raiseOverflow(f);
    raise(err::TypeMismatch, QStringLiteral("类型不匹配: 字段 '%1' 不能接受值 '%2'。").arg(f.name, vb::Excerpt(vb::CStr(v))));
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
        if (vb::PlainNumber(s, out))
            return true;
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

} // namespace

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
        const qsizetype bad = vb::UnstorableChar(s);
        if (bad >= 0)
            raise(err::TypeMismatch, QStringLiteral("类型不匹配: 字段 '%1' 不能接受含有字符 %2 的文本。")
                                         .arg(f.name, vb::CharCode(s, bad)));
        if (f.type != dbMemo && limit > 0 && s.size() > limit)
            raise(err::FieldTooSmall,
                  QStringLiteral("字段 '%1' 太小，不能接受要添加的数据量(最多 %2 个字符)。")
                      .arg(f.name, QString::number(limit)));
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
            raise(err::Overflow,
                  QStringLiteral("数值字段溢出: 字段 '%1' 不能接受 %2。").arg(f.name, vb::Excerpt(vb::CStr(v))));
        return int(d);
    }
    case dbCurrency: case dbSingle: case dbDouble: {
        double d;
        if (!numberOf(v, &d)) raiseMismatch(f, v);
        if (f.type == dbCurrency) {
            if (std::fabs(d) > 922337203685477.0)
                raiseOverflow(f);
            d = std::nearbyint(d * 10000.0) / 10000.0;
        }
        if (f.type == dbSingle) d = double(float(d));
        if (!std::isfinite(d)) raiseOverflow(f);
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

namespace {

// jet_check(value, type, size, allowZeroLength, name): the value as a column of that
// type stores it, or the error Update would raise.
void fnCheck(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    FieldDef f;
    f.type = sqlite3_value_int(argv[1]);
    f.size = sqlite3_value_int(argv[2]);
    f.allowZeroLength = sqlite3_value_int(argv[3]) != 0;
    f.name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(argv[4])));
    try {
        QVariant v = coerce(f, sqlValue(argv[0]));
        if (isTextType(f.type) && !f.allowZeroLength && v.isValid() && v.toString().isEmpty())
            raise(err::ZeroLength, QStringLiteral("字段 '%1' 不能是零长度字符串。").arg(f.name));
        switch (v.typeId()) {
        case QMetaType::UnknownType: sqlite3_result_null(ctx); break;
        case QMetaType::Bool: sqlite3_result_int(ctx, v.toBool() ? -1 : 0); break;
        case QMetaType::Int: sqlite3_result_int64(ctx, v.toLongLong()); break;
        case QMetaType::Double: sqlite3_result_double(ctx, v.toDouble()); break;
        case QMetaType::QByteArray: {
            QByteArray b = v.toByteArray();
            sqlite3_result_blob(ctx, b.constData(), b.size(), SQLITE_TRANSIENT);
            break;
        }
        default: {
            QByteArray u = (v.typeId() == QMetaType::QDateTime ? vb::dateToStored(v.toDateTime()) : v.toString()).toUtf8();
            sqlite3_result_text(ctx, u.constData(), u.size(), SQLITE_TRANSIENT);
            break;
        }
        }
    } catch (const vb::Error& e) {
        t_pending = e;
        QByteArray u = e.description().toUtf8();
        sqlite3_result_error(ctx, u.constData(), u.size());
    }
}

} // namespace

void registerChecks(sqlite3* db)
{
    sqlite3_create_function_v2(db, "jet_check", 5, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, fnCheck, nullptr,
                               nullptr, nullptr);
}

} // namespace dao::detail
