// The Jet functions and the case-insensitive collation, registered on every connection.
#include "platform/dao/sqlfunctions.h"
#include "platform/core/format.h"
#include "platform/core/like.h"
#include "platform/core/vberror.h"
#include <QDateTime>
#include <cmath>
#include <memory>
#include <sqlite3.h>
#include <unicode/ucol.h>

namespace dao::detail {

QVariant sqlValue(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: {
        qint64 n = sqlite3_value_int64(v);
        if (n >= INT_MIN && n <= INT_MAX) return QVariant(int(n));
        return QVariant(qlonglong(n));
    }
    case SQLITE_FLOAT:
        return QVariant(sqlite3_value_double(v));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                                          sqlite3_value_bytes(v)));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char*>(sqlite3_value_blob(v)), sqlite3_value_bytes(v)));
    default:
        return QVariant();
    }
}

namespace {

QString argText(sqlite3_value* v)
{
    if (sqlite3_value_type(v) == SQLITE_TEXT)
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(v)), sqlite3_value_bytes(v));
    return vb::CStr(sqlValue(v));
}

bool isNull(sqlite3_value* v) { return sqlite3_value_type(v) == SQLITE_NULL; }

void resultText(sqlite3_context* ctx, const QString& s)
{
    QByteArray u = s.toUtf8();
    sqlite3_result_text(ctx, u.constData(), u.size(), SQLITE_TRANSIENT);
}

void resultValue(sqlite3_context* ctx, sqlite3_value* v) { sqlite3_result_value(ctx, v); }

void resultError(sqlite3_context* ctx, const QString& s)
{
    QByteArray u = s.toUtf8();
    sqlite3_result_error(ctx, u.constData(), u.size());
}

// A number argument: null -> nullopt-like (returns false), text must read as a number.
bool argNumber(sqlite3_context* ctx, sqlite3_value* v, double* out)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: *out = double(sqlite3_value_int64(v)); return true;
    case SQLITE_FLOAT: *out = sqlite3_value_double(v); return true;
    case SQLITE_NULL: return false;
    default: {
        QString s = argText(v).trimmed();
        bool ok = false;
        double d = s.toDouble(&ok);
        if (!ok) {
            resultError(ctx, QStringLiteral("类型不匹配: '%1' 不是数字。").arg(s));
            return false;
        }
        *out = d;
        return true;
    }
    }
}

bool isNumeric(sqlite3_value* v)
{
    int t = sqlite3_value_type(v);
    return t == SQLITE_INTEGER || t == SQLITE_FLOAT;
}

void fnLike(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    // SQLite calls like(pattern, text)
    if (isNull(argv[0]) || isNull(argv[1])) { sqlite3_result_null(ctx); return; }
    if (argc > 2) { resultError(ctx, QStringLiteral("LIKE 不支持 ESCAPE。")); return; }
    try {
        // a pattern written in the statement is read once for all rows
        if (const auto* cached = static_cast<const vb::LikePattern*>(sqlite3_get_auxdata(ctx, 0))) {
            sqlite3_result_int(ctx, cached->matches(argText(argv[1])) ? 1 : 0);
            return;
        }
        auto* pattern = new vb::LikePattern(argText(argv[0]));
        const bool matches = pattern->matches(argText(argv[1]));
        sqlite3_set_auxdata(ctx, 0, pattern, [](void* p) { delete static_cast<vb::LikePattern*>(p); });
        sqlite3_result_int(ctx, matches ? 1 : 0);
    } catch (const vb::Error& e) {
        resultError(ctx, e.description());
    }
}

void fnCat(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]) && isNull(argv[1])) { sqlite3_result_null(ctx); return; }
    QString a = isNull(argv[0]) ? QString() : argText(argv[0]);
    QString b = isNull(argv[1]) ? QString() : argText(argv[1]);
    resultText(ctx, a + b);
}

// Dates as Jet counts them: days from 1899-12-30, the time a fraction of a day.
const qint64 kDayZero = QDate(1899, 12, 30).toJulianDay();

// The serial of a stored date text ("yyyy-MM-dd HH:mm:ss"); false for any other value.
bool storedDate(sqlite3_value* v, double* serial)
{
    if (sqlite3_value_type(v) != SQLITE_TEXT || sqlite3_value_bytes(v) != 19) return false;
    const char* s = reinterpret_cast<const char*>(sqlite3_value_text(v));
    if (s[4] != '-' || s[7] != '-' || s[10] != ' ' || s[13] != ':' || s[16] != ':') return false;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18})
        if (s[i] < '0' || s[i] > '9') return false;
    auto num = [&](int i, int len) { int r = 0; for (int k = 0; k < len; ++k) r = r * 10 + (s[i + k] - '0'); return r; };
    QDate d(num(0, 4), num(5, 2), num(8, 2));
    QTime t(num(11, 2), num(14, 2), num(17, 2));
    if (!d.isValid() || !t.isValid()) return false;
    *serial = double(d.toJulianDay() - kDayZero) + t.msecsSinceStartOfDay() / 86400000.0;
    return true;
}

void resultSerial(sqlite3_context* ctx, double serial)
{
    double days = std::floor(serial);
    qint64 secs = qint64(std::llround((serial - days) * 86400.0));
    if (secs >= 86400) { days += 1; secs -= 86400; }
    QDate d = QDate::fromJulianDay(kDayZero + qint64(days));
    if (!std::isfinite(serial) || !d.isValid() || d.year() < 100 || d.year() > 9999) {
        resultError(ctx, QStringLiteral("无效的过程调用或参数: 日期超出范围。"));
        return;
    }
    resultText(ctx, d.toString(QStringLiteral("yyyy-MM-dd ")) +
                        QTime(0, 0).addSecs(int(secs)).toString(QStringLiteral("HH:mm:ss")));
}

void resultNumber(sqlite3_context* ctx, double d)
{
    if (d == std::floor(d) && std::fabs(d) < 9e15) sqlite3_result_int64(ctx, sqlite3_int64(d));
    else sqlite3_result_double(ctx, d);
}

void fnAdd(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]) || isNull(argv[1])) { sqlite3_result_null(ctx); return; }
    double da, db;
    bool isDateA = storedDate(argv[0], &da), isDateB = storedDate(argv[1], &db);
    if (isDateA || isDateB) {
        // a date plus a number of days
        if (!isDateA && !argNumber(ctx, argv[0], &da)) return;
        if (!isDateB && !argNumber(ctx, argv[1], &db)) return;
        resultSerial(ctx, da + db);
        return;
    }
    int ta = sqlite3_value_type(argv[0]), tb = sqlite3_value_type(argv[1]);
    if (ta == SQLITE_TEXT && tb == SQLITE_TEXT) {
        resultText(ctx, argText(argv[0]) + argText(argv[1]));
        return;
    }
    if (ta == SQLITE_INTEGER && tb == SQLITE_INTEGER) {
        sqlite3_int64 r;
        if (!__builtin_add_overflow(sqlite3_value_int64(argv[0]), sqlite3_value_int64(argv[1]), &r)) {
            sqlite3_result_int64(ctx, r);
            return;
        }
    }
    double a, b;
    if (!argNumber(ctx, argv[0], &a) || !argNumber(ctx, argv[1], &b)) return;
    sqlite3_result_double(ctx, a + b);
}

void fnSub(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]) || isNull(argv[1])) { sqlite3_result_null(ctx); return; }
    double a, b;
    bool isDateA = storedDate(argv[0], &a), isDateB = storedDate(argv[1], &b);
    if (isDateA && isDateB) { resultNumber(ctx, a - b); return; }   // the days between
    if (!isDateA && !argNumber(ctx, argv[0], &a)) return;
    if (!isDateB && !argNumber(ctx, argv[1], &b)) return;
    if (isDateA) { resultSerial(ctx, a - b); return; }
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER && sqlite3_value_type(argv[1]) == SQLITE_INTEGER) {
        sqlite3_int64 r;
        if (!__builtin_sub_overflow(sqlite3_value_int64(argv[0]), sqlite3_value_int64(argv[1]), &r)) {
            sqlite3_result_int64(ctx, r);
            return;
        }
    }
    sqlite3_result_double(ctx, a - b);
}

// A date as CStr gives it; any other value unchanged.
void fnCStr(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    double serial;
    if (!storedDate(argv[0], &serial)) { resultValue(ctx, argv[0]); return; }
    resultText(ctx, vb::CStr(vb::dateFromStored(argText(argv[0]))));
}

// A number compared with a date stands for the date of that serial.
void fnCDate(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (!isNumeric(argv[0])) { resultValue(ctx, argv[0]); return; }
    resultSerial(ctx, sqlite3_value_double(argv[0]));
}

void fnDiv(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]) || isNull(argv[1])) { sqlite3_result_null(ctx); return; }
    double a, b;
    if (!argNumber(ctx, argv[0], &a) || !argNumber(ctx, argv[1], &b)) return;
    if (b == 0) { resultError(ctx, QStringLiteral("除数为零。")); return; }
    sqlite3_result_double(ctx, a / b);
}

// Mod and \ round their operands to whole numbers first (halves to even).
bool wholeArgs(sqlite3_context* ctx, sqlite3_value** argv, qint64* a, qint64* b)
{
    double x, y;
    if (!argNumber(ctx, argv[0], &x) || !argNumber(ctx, argv[1], &y)) return false;
    *a = qint64(std::nearbyint(x));
    *b = qint64(std::nearbyint(y));
    if (*b == 0) { resultError(ctx, QStringLiteral("除数为零。")); return false; }
    return true;
}

void fnMod(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]) || isNull(argv[1])) { sqlite3_result_null(ctx); return; }
    qint64 a, b;
    if (wholeArgs(ctx, argv, &a, &b)) sqlite3_result_int64(ctx, a % b);
}

void fnIntDiv(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0]) || isNull(argv[1])) { sqlite3_result_null(ctx); return; }
    qint64 a, b;
    if (wholeArgs(ctx, argv, &a, &b)) sqlite3_result_int64(ctx, a / b);
}

bool argDate(sqlite3_context* ctx, sqlite3_value* v, QDateTime* out)
{
    if (isNull(v)) { sqlite3_result_null(ctx); return false; }
    bool ok = false;
    *out = vb::toDate(sqlValue(v), &ok);
    if (!ok) { resultError(ctx, QStringLiteral("类型不匹配: '%1' 不是日期。").arg(argText(v))); return false; }
    return true;
}

template <int Part>
void fnDatePart(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    QDateTime d;
    if (!argDate(ctx, argv[0], &d)) return;
    int r = 0;
    switch (Part) {
    case 0: r = d.date().year(); break;
    case 1: r = d.date().month(); break;
    case 2: r = d.date().day(); break;
    case 3: r = d.time().hour(); break;
    case 4: r = d.time().minute(); break;
    default: r = d.time().second(); break;
    }
    sqlite3_result_int(ctx, r);
}

void fnNow(sqlite3_context* ctx, int, sqlite3_value**)
{
    resultText(ctx, vb::dateToStored(QDateTime::currentDateTime()));
}

void fnDate(sqlite3_context* ctx, int, sqlite3_value**)
{
    resultText(ctx, vb::dateToStored(QDateTime(QDate::currentDate(), QTime(0, 0))));
}

void fnFormat(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (isNull(argv[0])) { sqlite3_result_null(ctx); return; }
    QString pattern = argc > 1 && !isNull(argv[1]) ? argText(argv[1]) : QString();
    try {
        resultText(ctx, vb::Format(sqlValue(argv[0]), pattern));
    } catch (const vb::Error& e) {
        resultError(ctx, e.description());
    }
}

bool argCount(sqlite3_context* ctx, sqlite3_value* v, int* out)
{
    double d;
    if (isNull(v)) { resultError(ctx, QStringLiteral("无效使用 Null。")); return false; }
    if (!argNumber(ctx, v, &d)) return false;
    if (d < 0 || d > INT_MAX) { resultError(ctx, QStringLiteral("无效的过程调用或参数。")); return false; }
    *out = int(std::nearbyint(d));
    return true;
}

void fnLeft(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    int n;
    if (!argCount(ctx, argv[1], &n)) return;
    if (isNull(argv[0])) { sqlite3_result_null(ctx); return; }
    resultText(ctx, argText(argv[0]).left(n));
}

void fnRight(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    int n;
    if (!argCount(ctx, argv[1], &n)) return;
    if (isNull(argv[0])) { sqlite3_result_null(ctx); return; }
    resultText(ctx, argText(argv[0]).right(n));
}

void fnMid(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    int start, len = -1;
    if (!argCount(ctx, argv[1], &start)) return;
    if (start < 1) { resultError(ctx, QStringLiteral("无效的过程调用或参数。")); return; }
    if (argc > 2 && !argCount(ctx, argv[2], &len)) return;
    if (isNull(argv[0])) { sqlite3_result_null(ctx); return; }
    resultText(ctx, argText(argv[0]).mid(start - 1, len));
}

void fnLen(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0])) { sqlite3_result_null(ctx); return; }
    sqlite3_result_int(ctx, int(argText(argv[0]).size()));
}

template <int Side>
void fnTrim(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0])) { sqlite3_result_null(ctx); return; }
    QString s = argText(argv[0]);
    int b = 0, e = s.size();
    if (Side != 2) while (b < e && s[b] == u' ') ++b;
    if (Side != 1) while (e > b && s[e - 1] == u' ') --e;
    resultText(ctx, s.mid(b, e - b));
}

void fnUCase(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0])) { sqlite3_result_null(ctx); return; }
    resultText(ctx, argText(argv[0]).toUpper());
}

void fnLCase(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNull(argv[0])) { sqlite3_result_null(ctx); return; }
    resultText(ctx, argText(argv[0]).toLower());
}

bool truthy(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL: return false;
    case SQLITE_INTEGER: return sqlite3_value_int64(v) != 0;
    case SQLITE_FLOAT: return sqlite3_value_double(v) != 0;
    default: {
        QString s = argText(v).trimmed();
        if (s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) return true;
        bool ok = false;
        double d = s.toDouble(&ok);
        return ok && d != 0;
    }
    }
}

void fnIIf(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    resultValue(ctx, truthy(argv[0]) ? argv[1] : argv[2]);
}

void fnNz(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (!isNull(argv[0])) { resultValue(ctx, argv[0]); return; }
    if (argc > 1) { resultValue(ctx, argv[1]); return; }
    resultText(ctx, QString());
}

void fnVal(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    if (isNumeric(argv[0])) { resultValue(ctx, argv[0]); return; }
    if (isNull(argv[0])) { resultError(ctx, QStringLiteral("无效使用 Null。")); return; }
    double d = vb::Val(argText(argv[0]));
    if (d == std::floor(d) && std::fabs(d) < 9e15)
        sqlite3_result_int64(ctx, sqlite3_int64(d));
    else
        sqlite3_result_double(ctx, d);
}

// Case-insensitive comparison with Unicode case folding; a quick path for ASCII.
int collateNoCase(void*, int n1, const void* p1, int n2, const void* p2)
{
    const unsigned char* a = static_cast<const unsigned char*>(p1);
    const unsigned char* b = static_cast<const unsigned char*>(p2);
    int n = n1 < n2 ? n1 : n2;
    int i = 0;
    for (; i < n; ++i) {
        unsigned char x = a[i], y = b[i];
        if ((x | y) & 0x80)
            break;
        if (x >= 'A' && x <= 'Z') x += 32;
        if (y >= 'A' && y <= 'Z') y += 32;
        if (x != y) return x < y ? -1 : 1;
    }
    if (i == n) {
        if (n1 == n2) return 0;
        return n1 < n2 ? -1 : 1;
    }
    // back to the start of the UTF-8 sequence
    while (i > 0 && (a[i] & 0xc0) == 0x80) --i;
    QString sa = QString::fromUtf8(reinterpret_cast<const char*>(a + i), n1 - i);
    QString sb = QString::fromUtf8(reinterpret_cast<const char*>(b + i), n2 - i);
    sa = vb::caseFold(sa);
    sb = vb::caseFold(sb);
    int c = sa.compare(sb);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// Text in a database made with the Chinese locale: ICU's Chinese collation (pinyin)
// without its script reordering, so digits come first, then Latin letters, then
// Chinese by its reading; accents count, letter case does not. Texts it finds equal
// are told apart as NOCASE tells them apart, so equality stays NOCASE's.
class ChineseOrder {
public:
    ChineseOrder()
    {
        UErrorCode status = U_ZERO_ERROR;
        coll.reset(ucol_open("zh", &status));
        if (U_FAILURE(status) || !coll) {
            coll.reset();
            return;
        }
        ucol_setStrength(coll.get(), UCOL_SECONDARY);
        const int32_t none = UCOL_REORDER_CODE_NONE;
        ucol_setReorderCodes(coll.get(), &none, 1, &status);
        // printable ASCII: one weight a character (letter case shares it), so such texts
        // compare character by character without ICU
        char chars[95];
        for (int i = 0; i < 95; ++i) chars[i] = char(0x20 + i);
        std::stable_sort(chars, chars + 95, [&](char a, char b) { return icu(&a, 1, &b, 1) < 0; });
        int r = 0;
        for (int i = 0; i < 95; ++i) {
            if (i > 0 && icu(&chars[i - 1], 1, &chars[i], 1) != 0) ++r;
            rank[uchar(chars[i])] = uchar(r);
        }
    }

    int compare(const char* a, int n1, const char* b, int n2) const
    {
        if (!coll) return 0;
        auto plain = [](char c) { return uchar(c) >= 0x20 && uchar(c) <= 0x7e; };
        const int n = n1 < n2 ? n1 : n2;
        int i = 0;
        for (; i < n && plain(a[i]) && plain(b[i]); ++i)
            if (rank[uchar(a[i])] != rank[uchar(b[i])]) return rank[uchar(a[i])] < rank[uchar(b[i])] ? -1 : 1;
        if (i == n) {
            if (n1 == n2) return 0;
            // the shorter first, unless what follows might weigh nothing
            if (n1 < n2 && plain(b[n])) return -1;
            if (n2 < n1 && plain(a[n])) return 1;
        }
        return icu(a + i, n1 - i, b + i, n2 - i);
    }

private:
    using uchar = unsigned char;
    struct Close { void operator()(UCollator* c) const { ucol_close(c); } };
    std::unique_ptr<UCollator, Close> coll;
    uchar rank[128] = {};

    int icu(const char* a, int n1, const char* b, int n2) const
    {
        UErrorCode status = U_ZERO_ERROR;
        UCollationResult r = ucol_strcollUTF8(coll.get(), a, n1, b, n2, &status);
        return r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
    }
};

int collateChinese(void*, int n1, const void* p1, int n2, const void* p2)
{
    thread_local const ChineseOrder order;
    int c = order.compare(static_cast<const char*>(p1), n1, static_cast<const char*>(p2), n2);
    return c != 0 ? c : collateNoCase(nullptr, n1, p1, n2, p2);
}

struct Fn {
    const char* name;
    int args;
    void (*fn)(sqlite3_context*, int, sqlite3_value**);
    bool deterministic;
};

} // namespace

void registerFunctions(sqlite3* db)
{
    static const Fn fns[] = {
        {"like", 2, fnLike, true},
        {"like", 3, fnLike, true},
        {"jet_cat", 2, fnCat, true},
        {"jet_add", 2, fnAdd, true},
        {"jet_sub", 2, fnSub, true},
        {"jet_cstr", 1, fnCStr, true},
        {"jet_cdate", 1, fnCDate, true},
        {"jet_div", 2, fnDiv, true},
        {"jet_mod", 2, fnMod, true},
        {"jet_intdiv", 2, fnIntDiv, true},
        {"jet_year", 1, fnDatePart<0>, true},
        {"jet_month", 1, fnDatePart<1>, true},
        {"jet_day", 1, fnDatePart<2>, true},
        {"jet_hour", 1, fnDatePart<3>, true},
        {"jet_minute", 1, fnDatePart<4>, true},
        {"jet_second", 1, fnDatePart<5>, true},
        {"jet_now", 0, fnNow, false},
        {"jet_date", 0, fnDate, false},
        {"jet_format", 1, fnFormat, true},
        {"jet_format", 2, fnFormat, true},
        {"jet_left", 2, fnLeft, true},
        {"jet_right", 2, fnRight, true},
        {"jet_mid", 2, fnMid, true},
        {"jet_mid", 3, fnMid, true},
        {"jet_len", 1, fnLen, true},
        {"jet_trim", 1, fnTrim<0>, true},
        {"jet_ltrim", 1, fnTrim<1>, true},
        {"jet_rtrim", 1, fnTrim<2>, true},
        {"jet_ucase", 1, fnUCase, true},
        {"jet_lcase", 1, fnLCase, true},
        {"jet_iif", 3, fnIIf, true},
        {"jet_nz", 1, fnNz, true},
        {"jet_nz", 2, fnNz, true},
        {"jet_val", 1, fnVal, true},
    };
    for (const Fn& f : fns) {
        int flags = SQLITE_UTF8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
        sqlite3_create_function_v2(db, f.name, f.args, flags, nullptr, f.fn, nullptr, nullptr, nullptr);
    }
    sqlite3_create_collation_v2(db, "NOCASE", SQLITE_UTF8, nullptr, collateNoCase, nullptr);
}

void useChineseOrder(sqlite3* db)
{
    sqlite3_create_collation_v2(db, "NOCASE", SQLITE_UTF8, nullptr, collateChinese, nullptr);
}

void useCaseFoldOrder(sqlite3* db)
{
    sqlite3_create_collation_v2(db, "NOCASE", SQLITE_UTF8, nullptr, collateNoCase, nullptr);
}

int compareChinese(const QString& a, const QString& b)
{
    QByteArray x = a.toUtf8(), y = b.toUtf8();
    return collateChinese(nullptr, x.size(), x.constData(), y.size(), y.constData());
}

int compareNoCase(const QString& a, const QString& b)
{
    QByteArray x = a.toUtf8(), y = b.toUtf8();
    return collateNoCase(nullptr, x.size(), x.constData(), y.size(), y.constData());
}

} // namespace dao::detail
