#include "platform/core/format.h"
#include "platform/core/vberror.h"
#include <QRegularExpression>
#include <QStringList>
#include <charconv>
#include <cmath>

namespace vb {

// The digits as a whole number and the power of ten are exact, so one division rounds once.
bool PlainNumber(QStringView s, double* out)
{
    static const double tens[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const bool negative = s.startsWith(u'-');
    qint64 whole = 0;
    int digits = 0, fraction = -1;
    for (qsizetype i = negative ? 1 : 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c == u'.' && fraction < 0 && digits > 0) {
            fraction = 0;
            continue;
        }
        if (c < u'0' || c > u'9' || ++digits > 15)
            return false;
        whole = whole * 10 + (c - u'0');
        fraction += fraction >= 0;
    }
    if (digits == 0 || fraction == 0)
        return false;
    const double d = double(whole) / tens[fraction < 0 ? 0 : fraction];
    *out = negative ? -d : d;
    return true;
}

namespace {

const QDate kEpoch(1899, 12, 30);

bool isNumberType(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Double: case QMetaType::Float: case QMetaType::Short: case QMetaType::UShort:
    case QMetaType::Long: case QMetaType::ULong: case QMetaType::Char: case QMetaType::UChar:
    case QMetaType::SChar:
        return true;
    default:
        return false;
    }
}

QString numberText(double d)
{
    if (d == 0) return QStringLiteral("0");
    if (std::fabs(d) < 1e15 && d == std::floor(d)) return QString::number(qint64(d));
    QString s = QString::number(d, 'g', 15);
    int e = s.indexOf(u'e');
    if (e >= 0) {
        // 1e+20 -> 1E+20, 1e-05 -> 1E-05
        QString mant = s.left(e), exp = s.mid(e + 1);
        QChar sign = exp[0] == u'-' ? u'-' : u'+';
        if (exp[0] == u'-' || exp[0] == u'+') exp = exp.mid(1);
        while (exp.size() > 2 && exp.startsWith(u'0')) exp = exp.mid(1);
        if (exp.size() < 2) exp.prepend(u'0');
        s = mant + u'E' + sign + exp;
    }
    return s;
}

int num(const QString& s) { return s.toInt(); }

int fullYear(const QString& y)
{
    int v = y.toInt();
    if (y.size() <= 2) v += v < 30 ? 2000 : 1900;
    return v;
}

QDateTime make(int y, int m, int d, int h, int mi, int s, bool* ok)
{
    QDate date(y, m, d);
    QTime time(h, mi, s);
    *ok = date.isValid() && time.isValid();
    return *ok ? QDateTime(date, time) : QDateTime();
}

// The plain form "y-m-d" or "y-m-d h:n[:s]" in ASCII digits ('-', '/' or '.' between the
// date's parts), read without the patterns below: stored dates and imported cells are in it.
// False when the text is in another form.
bool plainDate(const QString& s, QDateTime* out, bool* ok)
{
    int at = 0;
    const auto number = [&](int minDigits, int maxDigits, int* value) {
        int digits = 0;
        *value = 0;
        while (at < s.size() && digits < maxDigits && s.at(at) >= u'0' && s.at(at) <= u'9') {
            *value = *value * 10 + (s.at(at).unicode() - u'0');
            ++at;
            ++digits;
        }
        return digits >= minDigits && !(at < s.size() && s.at(at) >= u'0' && s.at(at) <= u'9');
    };
    const auto separator = [&]() {
        if (at < s.size() && (s.at(at) == u'-' || s.at(at) == u'/' || s.at(at) == u'.')) {
            ++at;
            return true;
        }
        return false;
    };
    int y = 0, m = 0, d = 1, h = 0, mi = 0, sec = 0;
    if (!number(2, 4, &y) || (at != 2 && at != 4))
        return false;
    if (at == 2)
        y += y < 30 ? 2000 : 1900;   // as fullYear
    if (!separator() || !number(1, 2, &m))
        return false;
    if (separator() && !number(1, 2, &d))
        return false;
    if (at < s.size()) {
        if (s.at(at) != u' ')
            return false;
        ++at;
        if (!number(1, 2, &h) || at >= s.size() || s.at(at) != u':')
            return false;
        ++at;
        if (!number(1, 2, &mi))
            return false;
        if (at < s.size()) {
            if (s.at(at) != u':')
                return false;
            ++at;
            if (!number(1, 2, &sec))
                return false;
        }
        if (at != s.size())
            return false;
    }
    *out = make(y, m, d, h, mi, sec, ok);
    return true;
}

QDateTime parseDateText(const QString& text, bool* ok)
{
    *ok = false;
    QString s = text.trimmed();
    if (s.isEmpty()) return QDateTime();
    QDateTime plain;
    if (plainDate(s, &plain, ok)) return plain;
    static const QString time = QStringLiteral("(?:[ T]+(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?\\s*(AM|PM|am|pm)?)?");
    static const QRegularExpression ymd(
        QStringLiteral("^(\\d{4}|\\d{2})[-/.](\\d{1,2})(?:[-/.](\\d{1,2}))?") + time + QStringLiteral("$"));
    static const QRegularExpression mdy(QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d{4})") + time + QStringLiteral("$"));
    static const QRegularExpression cn(
        QString::fromUtf8("^(\\d{4})年(\\d{1,2})月(?:(\\d{1,2})日)?") + time + QStringLiteral("$"));
    static const QRegularExpression onlyTime(
        QStringLiteral("^(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?\\s*(AM|PM|am|pm)?$"));
    auto hour = [](const QRegularExpressionMatch& m, int at) {
        int h = m.captured(at).toInt();
        QString ap = m.captured(at + 3).toUpper();
        if (ap == u"PM" && h < 12) h += 12;
        if (ap == u"AM" && h == 12) h = 0;
        if (!ap.isEmpty() && (m.captured(at).toInt() > 12 || m.captured(at).toInt() == 0)) h = 99;
        return h;
    };
    QRegularExpressionMatch m = ymd.match(s);
    if (m.hasMatch()) {
        int day = m.captured(3).isEmpty() ? 1 : num(m.captured(3));
        return make(fullYear(m.captured(1)), num(m.captured(2)), day, hour(m, 4), num(m.captured(5)),
                    num(m.captured(6)), ok);
    }
    m = mdy.match(s);
    if (m.hasMatch())
        return make(num(m.captured(3)), num(m.captured(1)), num(m.captured(2)), hour(m, 4), num(m.captured(5)),
                    num(m.captured(6)), ok);
    m = cn.match(s);
    if (m.hasMatch()) {
        int day = m.captured(3).isEmpty() ? 1 : num(m.captured(3));
        return make(num(m.captured(1)), num(m.captured(2)), day, hour(m, 4), num(m.captured(5)),
                    num(m.captured(6)), ok);
    }
    m = onlyTime.match(s);
    if (m.hasMatch())
        return make(kEpoch.year(), kEpoch.month(), kEpoch.day(), hour(m, 1), num(m.captured(2)),
                    num(m.captured(3)), ok);
    return QDateTime();
}

QDateTime fromSerial(double serial, bool* ok)
{
    if (!std::isfinite(serial) || serial < -657434 || serial > 2958465) { *ok = false; return QDateTime(); }
    double days = std::floor(serial);
    double frac = serial - days;
    qint64 secs = qint64(std::llround(frac * 86400.0));
    QDate d = kEpoch.addDays(qint64(days));
    if (secs >= 86400) { d = d.addDays(1); secs -= 86400; }
    *ok = true;
    return QDateTime(d, QTime(0, 0).addSecs(int(secs)));
}

// ---- date patterns ----

const char* const kMonthsShort[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kDaysShort[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

QString two(int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); }

// Week of the year: weeks start on Sunday, week 1 holds 1 January.
int sundayWeek(const QDate& d)
{
    const int firstDay = QDate(d.year(), 1, 1).dayOfWeek() % 7; // Sunday 0
    return (d.dayOfYear() - 1 + firstDay) / 7 + 1;
}

struct Tok {
    QChar letter;   // y m d h n s a(m/pm) or 0 for literal
    int count = 0;
    QString literal;
};

QVector<Tok> dateTokens(const QString& pattern)
{
    QVector<Tok> out;
    for (int i = 0; i < pattern.size();) {
        QChar c = pattern[i];
        QChar l = c.toLower();
        if (c == u'"') {
            int e = pattern.indexOf(u'"', i + 1);
            if (e < 0) e = pattern.size();
            Tok t;
            t.literal = pattern.mid(i + 1, e - i - 1);
            out << t;
            i = e + 1;
        } else if (c == u'\\' && i + 1 < pattern.size()) {
            Tok t;
            t.literal = pattern.mid(i + 1, 1);
            out << t;
            i += 2;
        } else if (pattern.mid(i, 5).compare(QLatin1String("AM/PM"), Qt::CaseInsensitive) == 0) {
            Tok t;
            t.letter = u'a';
            t.count = pattern[i].isUpper() ? 5 : 6;
            out << t;
            i += 5;
        } else if (l == u'y' || l == u'm' || l == u'd' || l == u'h' || l == u'n' || l == u's' || l == u'q' ||
                   l == u'w') {
            int j = i;
            while (j < pattern.size() && pattern[j].toLower() == l) ++j;
            Tok t;
            t.letter = l;
            t.count = j - i;
            out << t;
            i = j;
        } else {
            Tok t;
            t.literal = c;
            out << t;
            ++i;
        }
    }
    // "m" right after an hour or right before a second is the minute.
    int lastTime = -1;
    for (int k = 0; k < out.size(); ++k) {
        if (out[k].letter.isNull()) continue;
        if (out[k].letter == u'm' && out[k].count <= 2) {
            bool afterHour = lastTime >= 0 && out[lastTime].letter == u'h';
            bool beforeSecond = false;
            for (int j = k + 1; j < out.size(); ++j) {
                if (out[j].letter.isNull()) continue;
                beforeSecond = out[j].letter == u's';
                break;
            }
            if (afterHour || beforeSecond) out[k].letter = u'n';
        }
        lastTime = k;
    }
    return out;
}

QString formatDate(const QDateTime& dt, const QString& pattern)
{
    QDate d = dt.date();
    QTime t = dt.time();
    bool twelve = false;
    const QVector<Tok> toks = dateTokens(pattern);
    for (const Tok& k : toks) if (k.letter == u'a') twelve = true;
    QString out;
    for (const Tok& k : toks) {
        if (k.letter.isNull()) { out += k.literal; continue; }
        switch (k.letter.unicode()) {
        case 'y':
            if (k.count <= 2) out += k.count == 1 ? QString::number(d.dayOfYear()) : two(d.year() % 100);
            else out += QStringLiteral("%1").arg(d.year(), 4, 10, QLatin1Char('0'));
            break;
        case 'm':
            if (k.count == 1) out += QString::number(d.month());
            else if (k.count == 2) out += two(d.month());
            else if (k.count == 3) out += QLatin1String(kMonthsShort[d.month() - 1]);
            else out += QLocale(QLocale::English).monthName(d.month());
            break;
        case 'd':
            if (k.count == 1) out += QString::number(d.day());
            else if (k.count == 2) out += two(d.day());
            else if (k.count == 3) out += QLatin1String(kDaysShort[d.dayOfWeek() % 7]);
            else if (k.count == 4) out += QLocale(QLocale::English).dayName(d.dayOfWeek());
            else if (k.count == 5) out += formatDate(dt, QStringLiteral("yyyy-m-d"));
            else out += formatDate(dt, QStringLiteral("yyyy\"年\"m\"月\"d\"日\""));
            break;
        case 'h': {
            int h = t.hour();
            if (twelve) { h %= 12; if (h == 0) h = 12; }
            out += k.count == 1 ? QString::number(h) : two(h);
            break;
        }
        case 'n':
            out += k.count == 1 ? QString::number(t.minute()) : two(t.minute());
            break;
        case 's':
            out += k.count == 1 ? QString::number(t.second()) : two(t.second());
            break;
        case 'q':
            out += QString::number((d.month() - 1) / 3 + 1);
            break;
        case 'w':
            out += QString::number(k.count == 1 ? d.dayOfWeek() % 7 + 1 : sundayWeek(d));
            break;
        case 'a':
            out += t.hour() < 12 ? (k.count == 5 ? QStringLiteral("AM") : QStringLiteral("am"))
                                 : (k.count == 5 ? QStringLiteral("PM") : QStringLiteral("pm"));
            break;
        default:
            break;
        }
    }
    return out;
}

// ---- number patterns ----

QString groupThousands(const QString& digits)
{
    QString out;
    int n = digits.size();
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out += u',';
        out += digits[i];
    }
    return out;
}

QString formatNumberSection(double v, const QString& section, bool addMinus)
{
    // Split into literal prefix, the number part and literal suffix.
    QString prefix, suffix;
    int intZeros = 0, decZeros = 0, decHashes = 0;
    bool thousands = false, percent = false, inNumber = false, seenDot = false, numberDone = false;
    bool sci = false;
    QString expSign;
    int expDigits = 0;
    for (int i = 0; i < section.size(); ++i) {
        QChar c = section[i];
        QString lit;
        if (c == u'"') {
            int e = section.indexOf(u'"', i + 1);
            if (e < 0) e = section.size();
            lit = section.mid(i + 1, e - i - 1);
            i = e;
        } else if (c == u'\\' && i + 1 < section.size()) {
            lit = section[++i];
        } else if (!numberDone && (c == u'0' || c == u'#')) {
            inNumber = true;
            if (seenDot) { if (c == u'0') decZeros = decZeros + decHashes + 1, decHashes = 0; else ++decHashes; }
            else if (c == u'0') ++intZeros;
            continue;
        } else if (!numberDone && c == u'.' ) {
            inNumber = true;
            seenDot = true;
            continue;
        } else if (inNumber && !numberDone && c == u',') {
            thousands = true;
            continue;
        } else if (inNumber && (c == u'E' || c == u'e') && i + 1 < section.size() &&
                   (section[i + 1] == u'+' || section[i + 1] == u'-')) {
            sci = true;
            expSign = section[i + 1];
            i += 2;
            while (i < section.size() && section[i] == u'0') { ++expDigits; ++i; }
            --i;
            numberDone = true;
            continue;
        } else {
            if (c == u'%') percent = true;
            lit = c;
        }
        if (inNumber) numberDone = true;
        (inNumber ? suffix : prefix) += lit;
    }
    if (percent) v *= 100;
    int decimals = decZeros + decHashes;
    double a = std::fabs(v);
    QString body;
    if (sci) {
        int exp = a == 0 ? 0 : int(std::floor(std::log10(a)));
        double mant = a == 0 ? 0 : a / std::pow(10.0, exp);
        QString m = QString::number(mant, 'f', decimals);
        if (m.startsWith(QLatin1String("10"))) { ++exp; m = QString::number(mant / 10, 'f', decimals); }
        QString e = QString::number(std::abs(exp));
        while (e.size() < expDigits) e.prepend(u'0');
        body = m + u'E' + (exp < 0 ? QStringLiteral("-") : (expSign == u"+" ? QStringLiteral("+") : QString())) + e;
    } else {
        QString fixed = QString::number(a, 'f', decimals);
        QString ip = fixed, fp;
        int dot = fixed.indexOf(u'.');
        if (dot >= 0) { ip = fixed.left(dot); fp = fixed.mid(dot + 1); }
        // optional decimals (#) drop trailing zeros
        int keep = fp.size();
        while (keep > decZeros && fp[keep - 1] == u'0') --keep;
        fp = fp.left(keep);
        if (ip == u"0" && intZeros == 0) ip.clear();
        while (ip.size() < intZeros) ip.prepend(u'0');
        if (thousands) ip = groupThousands(ip);
        body = ip;
        if (seenDot) body += u'.' + fp;
    }
    bool negative = v < 0 && body.contains(QRegularExpression(QStringLiteral("[1-9]")));
    return (addMinus && negative ? QStringLiteral("-") : QString()) + prefix + body + suffix;
}

QString formatNumber(double v, const QString& pattern)
{
    QStringList sections;
    QString cur;
    bool quoted = false;
    for (int i = 0; i < pattern.size(); ++i) {
        QChar c = pattern[i];
        if (c == u'"') quoted = !quoted;
        if (c == u'\\' && i + 1 < pattern.size()) { cur += c; cur += pattern[++i]; continue; }
        if (c == u';' && !quoted) { sections << cur; cur.clear(); continue; }
        cur += c;
    }
    sections << cur;
    if (v < 0 && sections.size() >= 2 && !sections[1].isEmpty()) return formatNumberSection(-v, sections[1], false);
    if (v == 0 && sections.size() >= 3 && !sections[2].isEmpty()) return formatNumberSection(0, sections[2], false);
    return formatNumberSection(v, sections[0], true);
}

bool isDatePattern(const QString& p)
{
    bool quoted = false;
    bool date = false;
    for (int i = 0; i < p.size(); ++i) {
        QChar c = p[i];
        if (c == u'"') { quoted = !quoted; continue; }
        if (quoted) continue;
        if (c == u'\\') { ++i; continue; }
        QChar l = c.toLower();
        if (c == u'0' || c == u'#') return false;
        if (l == u'y' || l == u'm' || l == u'd' || l == u'h' || l == u'n' || l == u's' || l == u'q' || l == u'w')
            date = true;
    }
    return date;
}

QString namedFormat(const QString& name, bool* isDate)
{
    struct Named { const char* name; const char* pattern; bool date; };
    static const Named named[] = {
        {"general date", "", true},
        {"long date", "yyyy\"年\"m\"月\"d\"日\"", true},
        {"medium date", "yy-mm-dd", true},
        {"short date", "yyyy-m-d", true},
        {"long time", "h:nn:ss", true},
        {"medium time", "hh:nn AM/PM", true},
        {"short time", "hh:nn", true},
        {"currency", "\xC2\xA5#,##0.00;\xC2\xA5-#,##0.00", false},
        {"fixed", "0.00", false},
        {"standard", "#,##0.00", false},
        {"percent", "0.00%", false},
        {"scientific", "0.00E+00", false},
    };
    QString n = name.trimmed().toLower();
    for (const Named& f : named) {
        if (n == QLatin1String(f.name)) {
            *isDate = f.date;
            return QString::fromUtf8(f.pattern);
        }
    }
    return QString();
}

bool numberOfText(const QString& s, double* out)
{
    const QString t = s.trimmed();
    if (PlainNumber(t, out))
        return true;
    bool ok = false;
    double d = t.toDouble(&ok);
    if (ok && std::isfinite(d)) { *out = d; return true; }
    return false;
}

} // namespace

QString dateToStored(const QDateTime& date)
{
    const QDate d = date.date();
    if (!date.isValid() || d.year() < 1 || d.year() > 9999)
        return date.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    // written by hand: a row of an import stores many dates, and the formatter is slow
    const QTime t = date.time();
    char16_t text[19] = {0, 0, 0, 0, u'-', 0, 0, u'-', 0, 0, u' ', 0, 0, u':', 0, 0, u':', 0, 0};
    const auto put = [&](int at, int value, int digits) {
        for (int i = at + digits - 1; i >= at; --i, value /= 10)
            text[i] = char16_t(u'0' + value % 10);
    };
    put(0, d.year(), 4);
    put(5, d.month(), 2);
    put(8, d.day(), 2);
    put(11, t.hour(), 2);
    put(14, t.minute(), 2);
    put(17, t.second(), 2);
    return QString(reinterpret_cast<const QChar*>(text), 19);
}

QDateTime dateFromStored(const QString& text)
{
    bool ok = false;
    QDateTime d = parseDateText(text, &ok);
    return ok ? d : QDateTime();
}

QDateTime toDate(const QVariant& value, bool* ok)
{
    bool dummy;
    if (!ok) ok = &dummy;
    *ok = false;
    switch (value.typeId()) {
    case QMetaType::QDateTime: {
        QDateTime d = value.toDateTime();
        *ok = d.isValid();
        return d;
    }
    case QMetaType::QDate: {
        QDate d = value.toDate();
        *ok = d.isValid();
        return *ok ? QDateTime(d, QTime(0, 0)) : QDateTime();
    }
    case QMetaType::QString:
        return parseDateText(value.toString(), ok);
    default:
        if (isNumberType(value)) return fromSerial(value.toDouble(), ok);
        return QDateTime();
    }
}

QDateTime CDate(const QVariant& value)
{
    bool ok = false;
    QDateTime d = toDate(value, &ok);
    if (!ok) throw Error::runtime(errTypeMismatch);
    return d;
}

bool IsDate(const QVariant& value)
{
    if (isNumberType(value)) return false;
    bool ok = false;
    toDate(value, &ok);
    return ok;
}

bool IsNumeric(const QVariant& value)
{
    if (value.typeId() == QMetaType::Bool || isNumberType(value)) return true;
    if (value.typeId() != QMetaType::QString) return false;
    double d;
    return numberOfText(value.toString(), &d);
}

QString CStr(const QVariant& value)
{
    if (!value.isValid() || (value.isNull() && value.typeId() != QMetaType::QString)) return QString();
    switch (value.typeId()) {
    case QMetaType::Bool: return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Double: case QMetaType::Float: return numberText(value.toDouble());
    case QMetaType::QDateTime: case QMetaType::QDate: {
        QDateTime d = value.toDateTime();
        if (!d.isValid()) return QString();
        if (d.time() == QTime(0, 0)) return d.toString(QStringLiteral("yyyy-MM-dd"));
        return dateToStored(d);
    }
    case QMetaType::QByteArray: return QString::fromUtf8(value.toByteArray());
    default: return value.toString();
    }
}

double Val(const QString& text)
{
    QString s;
    s.reserve(text.size());
    for (QChar c : text)
        if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r') s += c;
    if (s.startsWith(QLatin1String("&H"), Qt::CaseInsensitive) || s.startsWith(QLatin1String("&O"), Qt::CaseInsensitive)) {
        int base = s[1].toUpper() == u'H' ? 16 : 8;
        int i = 2;
        qint64 v = 0;
        while (i < s.size()) {
            int digit = QStringLiteral("0123456789abcdef").indexOf(s[i].toLower());
            if (digit < 0 || digit >= base) break;
            v = v * base + digit;
            ++i;
        }
        return double(v);
    }
    int i = 0;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) ++i;
    int digits = 0;
    while (i < s.size() && s[i].isDigit() && s[i].unicode() < 128) { ++i; ++digits; }
    if (i < s.size() && s[i] == u'.') {
        ++i;
        while (i < s.size() && s[i].isDigit() && s[i].unicode() < 128) { ++i; ++digits; }
    }
    if (digits == 0) return 0;
    int end = i;
    if (i < s.size() && (s[i] == u'e' || s[i] == u'E' || s[i] == u'd' || s[i] == u'D')) {
        int k = i + 1;
        if (k < s.size() && (s[k] == u'+' || s[k] == u'-')) ++k;
        int expDigits = 0;
        while (k < s.size() && s[k].isDigit() && s[k].unicode() < 128) { ++k; ++expDigits; }
        if (expDigits) end = k;
    }
    QString n = s.left(end);
    n.replace(u'd', u'e').replace(u'D', u'e');
    double d = n.toDouble();
    return std::isfinite(d) ? d : 0;
}

bool WholeNumber(const QString& text, double* out)
{
    const QString s = text.trimmed();
    const qsizetype n = s.size();
    auto digitsFrom = [&](qsizetype i) {
        while (i < n && s[i].unicode() < 128 && s[i].isDigit()) ++i;
        return i;
    };
    qsizetype i = 0;
    if (i < n && (s[i] == u'+' || s[i] == u'-')) ++i;
    qsizetype end = digitsFrom(i);
    qsizetype digits = end - i;
    const qsizetype point = end;
    if (end < n && s[end] == u'.') {
        const qsizetype b = end + 1;
        end = digitsFrom(b);
        digits += end - b;
    }
    if (digits == 0) return false;
    // the power of ten of the first digit that is not 0: whether a number the reading
    // cannot hold is too large or too small
    qsizetype first = i;
    while (first < end && (s[first] == u'0' || s[first] == u'.')) ++first;
    qint64 power = first < point ? point - first - 1 : point - first;
    if (end < n && QStringLiteral("eEdD").contains(s[end])) {
        qsizetype k = end + 1;
        const bool negativeExponent = k < n && s[k] == u'-';
        if (k < n && (s[k] == u'+' || s[k] == u'-')) ++k;
        const qsizetype e = digitsFrom(k);
        if (e == k) return false;
        qsizetype z = k;
        while (z + 1 < e && s[z] == u'0') ++z;
        const qint64 exponent = e - z > 9 ? qint64(1) << 40 : s.mid(z, e - z).toLongLong();
        power += negativeExponent ? -exponent : exponent;
        end = e;
    }
    if (end != n) return false;
    QByteArray latin = s.toLatin1();
    latin.replace('d', 'e').replace('D', 'e');
    const bool negative = latin.startsWith('-');
    if (latin.startsWith('+') || negative) latin.remove(0, 1);
    double d = 0;
    const auto [ptr, ec] = std::from_chars(latin.constData(), latin.constData() + latin.size(), d);
    Q_UNUSED(ptr);
    if (ec == std::errc::result_out_of_range) // too large, or too small to be told from 0
        d = power > 0 ? HUGE_VAL : 0.0;
    *out = negative ? -d : d;
    return true;
}

QString Format(const QVariant& value, const QString& pattern)
{
    if (!value.isValid() || (value.isNull() && value.typeId() != QMetaType::QString)) return QString();
    QString p = pattern;
    bool namedDate = false;
    QString named = namedFormat(p, &namedDate);
    bool isNamed = !named.isEmpty() || p.trimmed().compare(QLatin1String("general date"), Qt::CaseInsensitive) == 0;
    QString lower = p.trimmed().toLower();
    if (lower == u"yes/no" || lower == u"true/false" || lower == u"on/off") {
        double d = 0;
        bool truth;
        if (value.typeId() == QMetaType::Bool) truth = value.toBool();
        else if (isNumberType(value)) truth = value.toDouble() != 0;
        else if (numberOfText(value.toString(), &d)) truth = d != 0;
        else return CStr(value);
        if (lower == u"yes/no") return truth ? QStringLiteral("Yes") : QStringLiteral("No");
        if (lower == u"true/false") return truth ? QStringLiteral("True") : QStringLiteral("False");
        return truth ? QStringLiteral("On") : QStringLiteral("Off");
    }
    if (lower == u"general number") {
        double d;
        if (isNumberType(value)) return numberText(value.toDouble());
        if (value.typeId() == QMetaType::QString && numberOfText(value.toString(), &d)) return numberText(d);
        return CStr(value);
    }
    if (p.isEmpty() || (isNamed && namedDate && named.isEmpty())) {
        // general form; dates as the general date
        if (isNamed) {
            bool ok = false;
            QDateTime d = toDate(value, &ok);
            if (ok && value.typeId() != QMetaType::Bool) return CStr(d);
        }
        return CStr(value);
    }
    if (isNamed) p = named;
    bool datePattern = isNamed ? namedDate : isDatePattern(p);
    if (datePattern) {
        if (value.typeId() == QMetaType::Bool) return CStr(value);
        bool ok = false;
        QDateTime d = toDate(value, &ok);
        if (!ok) return CStr(value);
        return formatDate(d, p);
    }
    double d;
    if (value.typeId() == QMetaType::Bool) d = value.toBool() ? -1 : 0;
    else if (isNumberType(value)) d = value.toDouble();
    else if (value.typeId() == QMetaType::QString && numberOfText(value.toString(), &d)) {}
    else if (value.typeId() == QMetaType::QDateTime || value.typeId() == QMetaType::QDate) {
        QDateTime dt = value.toDateTime();
        d = kEpoch.daysTo(dt.date()) + QTime(0, 0).secsTo(dt.time()) / 86400.0;
    } else {
        // a text pattern: ">" upper-cases, "<" lower-cases
        QString s = CStr(value);
        if (p.contains(u'>')) return s.toUpper();
        if (p.contains(u'<')) return s.toLower();
        return s;
    }
    bool numberPattern = p.contains(u'0') || p.contains(u'#');
    if (!numberPattern) {
        if (p.contains(u'>') || p.contains(u'<') || p.contains(u'@')) return CStr(value);
        return formatNumberSection(d, p, true);
    }
    return formatNumber(d, p);
}

} // namespace vb
