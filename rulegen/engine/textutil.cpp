#include "rulegen/engine/textutil.h"
#include <QLocale>
#include <cmath>

namespace tessaly::text {

QString trim(const QString& s)
{
    int b = 0, e = s.size();
    while (b < e && s.at(b) == QLatin1Char(' '))
        ++b;
    while (e > b && s.at(e - 1) == QLatin1Char(' '))
        --e;
    return (b == 0 && e == s.size()) ? s : s.mid(b, e - b);
}

bool sameText(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

namespace {

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

// Scans a number at s[i..]; returns the end, or -1 when there are no digits.
int scanNumber(const QString& s, int i, bool allowExponent = true)
{
    const int n = s.size();
    if (i < n && (s.at(i) == QLatin1Char('+') || s.at(i) == QLatin1Char('-')))
        ++i;
    int digits = 0;
    while (i < n && s.at(i).isDigit() && s.at(i).unicode() < 128) {
        ++i;
        ++digits;
    }
    if (i < n && s.at(i) == QLatin1Char('.')) {
        ++i;
        while (i < n && s.at(i).isDigit() && s.at(i).unicode() < 128) {
            ++i;
            ++digits;
        }
    }
    if (!digits)
        return -1;
    if (allowExponent && i < n && (s.at(i) == QLatin1Char('e') || s.at(i) == QLatin1Char('E'))) {
        int j = i + 1;
        if (j < n && (s.at(j) == QLatin1Char('+') || s.at(j) == QLatin1Char('-')))
            ++j;
        int ed = 0;
        while (j < n && s.at(j).isDigit() && s.at(j).unicode() < 128) {
            ++j;
            ++ed;
        }
        if (ed)
            i = j;
    }
    return i;
}

} // namespace

bool isNumeric(const QString& s)
{
    int i = 0;
    const int n = s.size();
    while (i < n && isBlank(s.at(i)))
        ++i;
    const int e = scanNumber(s, i);
    if (e < 0)
        return false;
    int j = e;
    while (j < n && isBlank(s.at(j)))
        ++j;
    return j == n;
}

double numberValue(const QString& s)
{
    int i = 0;
    while (i < s.size() && isBlank(s.at(i)))
        ++i;
    const int e = scanNumber(s, i);
    if (e < 0)
        return 0;
    bool ok = false;
    const double d = s.mid(i, e - i).toDouble(&ok);
    return ok && std::isfinite(d) ? d : 0;
}

QString numberToText(double d)
{
    if (d == std::floor(d) && std::fabs(d) < 1e15)
        return QString::number(qint64(d));
    return QString::number(d, 'g', 15);
}

QString numberText(const QString& s) { return numberToText(numberValue(s)); }

bool toWhole(const QString& s, qint64* out)
{
    if (!isNumeric(s))
        return false;
    const double d = numberValue(s);
    if (std::fabs(d) > 1e15)
        return false;
    *out = qint64(std::nearbyint(d)); // half to even
    return true;
}

bool isPosition(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Double: case QMetaType::Float: case QMetaType::Short: case QMetaType::UShort:
    case QMetaType::Long: case QMetaType::ULong: case QMetaType::Bool: case QMetaType::Char:
    case QMetaType::SChar: case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

qint64 position(const QVariant& v)
{
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float)
        return qint64(std::nearbyint(v.toDouble()));
    return v.toLongLong();
}

// ---------------------------------------------------------------- dates

QDateTime zeroDate() { return QDateTime(QDate(1899, 12, 30), QTime(0, 0)); }

QString dateText(const QDateTime& d)
{
    const QDateTime v = d.isValid() ? d : zeroDate();
    const bool noDate = v.date() == QDate(1899, 12, 30);
    const bool noTime = v.time() == QTime(0, 0);
    const QString date = QStringLiteral("%1-%2-%3").arg(v.date().year()).arg(v.date().month()).arg(v.date().day());
    const QString time = QStringLiteral("%1:%2:%3")
                             .arg(v.time().hour())
                             .arg(v.time().minute(), 2, 10, QLatin1Char('0'))
                             .arg(v.time().second(), 2, 10, QLatin1Char('0'));
    if (noDate)
        return time;
    if (noTime)
        return date;
    return date + QLatin1Char(' ') + time;
}

bool parseDate(const QString& s, QDateTime* out)
{
    const QString t = s.trimmed();
    if (t.isEmpty())
        return false;
    QDate date(1899, 12, 30);
    QTime time(0, 0);
    QString datePart, timePart;
    const int sp = t.indexOf(QLatin1Char(' '));
    if (sp >= 0) {
        datePart = t.left(sp);
        timePart = t.mid(sp + 1).trimmed();
    } else if (t.contains(QLatin1Char(':'))) {
        timePart = t;
    } else {
        datePart = t;
    }
    if (!datePart.isEmpty()) {
        QString unified = datePart;
        unified.replace(QLatin1Char('/'), QLatin1Char('-')).replace(QLatin1Char('.'), QLatin1Char('-'));
        const QStringList p = unified.split(QLatin1Char('-'));
        if (p.size() != 3)
            return false;
        bool a, b, c;
        int x = p[0].toInt(&a), y = p[1].toInt(&b), z = p[2].toInt(&c);
        if (!a || !b || !c)
            return false;
        date = p[0].size() == 4 ? QDate(x, y, z) : QDate(z, x, y);
        if (!date.isValid())
            return false;
    }
    if (!timePart.isEmpty()) {
        QString tp = timePart;
        bool pm = false, am = false;
        if (tp.endsWith(QLatin1String("PM"), Qt::CaseInsensitive)) { pm = true; tp.chop(2); }
        else if (tp.endsWith(QLatin1String("AM"), Qt::CaseInsensitive)) { am = true; tp.chop(2); }
        const QStringList p = tp.trimmed().split(QLatin1Char(':'));
        if (p.size() < 2 || p.size() > 3)
            return false;
        bool a, b, c = true;
        int h = p[0].toInt(&a), m = p[1].toInt(&b), sec = p.size() == 3 ? p[2].toInt(&c) : 0;
        if (!a || !b || !c)
            return false;
        if (pm && h < 12) h += 12;
        if (am && h == 12) h = 0;
        time = QTime(h, m, sec);
        if (!time.isValid())
            return false;
    }
    *out = QDateTime(date, time);
    return true;
}

// ---------------------------------------------------------------- display formats

namespace {

bool hasDateTokens(const QString& f)
{
    bool quoted = false;
    for (int i = 0; i < f.size(); ++i) {
        const QChar c = f.at(i);
        if (c == QLatin1Char('"')) { quoted = !quoted; continue; }
        if (quoted) continue;
        if (c == QLatin1Char('\\')) { ++i; continue; }
        switch (c.toLower().unicode()) {
        case 'y': case 'm': case 'd': case 'h': case 'n': case 's': case 'q': case 'w':
            return true;
        default:
            break;
        }
    }
    return false;
}

int weekOfYear(const QDate& d)
{
    // weeks start on Sunday; week 1 holds 1 January
    const QDate jan1(d.year(), 1, 1);
    const int offset = jan1.dayOfWeek() % 7; // Sunday = 0
    return (d.dayOfYear() - 1 + offset) / 7 + 1;
}

QString formatDate(const QDateTime& dt, const QString& f)
{
    QString out;
    const QDate d = dt.date();
    const QTime t = dt.time();
    bool lastWasHour = false;
    const QLocale en(QLocale::English);
    auto run = [&](int i, QChar c) { int n = 0; while (i + n < f.size() && f.at(i + n).toLower() == c) ++n; return n; };
    for (int i = 0; i < f.size();) {
        const QChar c = f.at(i);
        const QChar lc = c.toLower();
        if (c == QLatin1Char('"')) {
            const int e = f.indexOf(QLatin1Char('"'), i + 1);
            out += f.mid(i + 1, (e < 0 ? f.size() : e) - i - 1);
            i = e < 0 ? f.size() : e + 1;
            continue;
        }
        if (c == QLatin1Char('\\')) {
            if (i + 1 < f.size()) out += f.at(i + 1);
            i += 2;
            continue;
        }
        const int n = run(i, lc);
        switch (lc.unicode()) {
        case 'y':
            if (n >= 3) { out += QString::number(d.year()).rightJustified(4, QLatin1Char('0')); i += 4 <= n ? 4 : n; }
            else if (n == 2) { out += QString::number(d.year() % 100).rightJustified(2, QLatin1Char('0')); i += 2; }
            else { out += QString::number(d.dayOfYear()); i += 1; }
            lastWasHour = false;
            continue;
        case 'm':
            if (lastWasHour && n <= 2) {
                out += n == 2 ? QString::number(t.minute()).rightJustified(2, QLatin1Char('0')) : QString::number(t.minute());
                i += n; lastWasHour = false; continue;
            }
            if (n >= 4) out += en.monthName(d.month());
            else if (n == 3) out += en.monthName(d.month(), QLocale::ShortFormat);
            else if (n == 2) out += QString::number(d.month()).rightJustified(2, QLatin1Char('0'));
            else out += QString::number(d.month());
            i += n > 4 ? 4 : n;
            continue;
        case 'd':
            if (n >= 4) out += en.dayName(d.dayOfWeek());
            else if (n == 3) out += en.dayName(d.dayOfWeek(), QLocale::ShortFormat);
            else if (n == 2) out += QString::number(d.day()).rightJustified(2, QLatin1Char('0'));
            else out += QString::number(d.day());
            i += n > 4 ? 4 : n;
            lastWasHour = false;
            continue;
        case 'h':
            out += n >= 2 ? QString::number(t.hour()).rightJustified(2, QLatin1Char('0')) : QString::number(t.hour());
            i += n >= 2 ? 2 : 1;
            lastWasHour = true;
            continue;
        case 'n':
            out += n >= 2 ? QString::number(t.minute()).rightJustified(2, QLatin1Char('0')) : QString::number(t.minute());
            i += n >= 2 ? 2 : 1;
            lastWasHour = false;
            continue;
        case 's':
            out += n >= 2 ? QString::number(t.second()).rightJustified(2, QLatin1Char('0')) : QString::number(t.second());
            i += n >= 2 ? 2 : 1;
            lastWasHour = false;
            continue;
        case 'q':
            out += QString::number((d.month() - 1) / 3 + 1);
            i += 1;
            continue;
        case 'w':
            out += n >= 2 ? QString::number(weekOfYear(d)) : QString::number(d.dayOfWeek() % 7 + 1);
            i += n >= 2 ? 2 : 1;
            continue;
        default:
            out += c;
            ++i;
            continue;
        }
    }
    return out;
}

bool isNumberFormat(const QString& f, int* b, int* e)
{
    // one run of digit placeholders with literals before and after
    int first = -1, last = -1;
    for (int i = 0; i < f.size(); ++i) {
        const QChar c = f.at(i);
        if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            if (first < 0) first = i;
            last = i;
        }
    }
    if (first < 0)
        return false;
    for (int i = first; i <= last; ++i) {
        const QChar c = f.at(i);
        if (c != QLatin1Char('0') && c != QLatin1Char('#') && c != QLatin1Char('.') && c != QLatin1Char(','))
            return false;
    }
    *b = first;
    *e = last + 1;
    return true;
}

QString formatNumber(double v, const QString& pat)
{
    const int dot = pat.indexOf(QLatin1Char('.'));
    const QString ip = dot < 0 ? pat : pat.left(dot);
    const QString fp = dot < 0 ? QString() : pat.mid(dot + 1);
    const bool group = ip.contains(QLatin1Char(','));
    int minInt = 0;
    for (QChar c : ip) if (c == QLatin1Char('0')) ++minInt;
    int decimals = 0, minDec = 0;
    for (QChar c : fp) {
        if (c == QLatin1Char('0')) { ++decimals; minDec = decimals; }
        else if (c == QLatin1Char('#')) ++decimals;
    }
    const bool neg = v < 0;
    QString s = QString::number(std::fabs(v), 'f', decimals);
    QString whole = s, frac;
    const int p = s.indexOf(QLatin1Char('.'));
    if (p >= 0) { whole = s.left(p); frac = s.mid(p + 1); }
    while (frac.size() > minDec && frac.endsWith(QLatin1Char('0')))
        frac.chop(1);
    if (whole == QLatin1String("0") && minInt == 0)
        whole.clear();
    while (whole.size() < minInt)
        whole.prepend(QLatin1Char('0'));
    if (group) {
        QString g;
        for (int i = 0; i < whole.size(); ++i) {
            if (i && (whole.size() - i) % 3 == 0) g += QLatin1Char(',');
            g += whole.at(i);
        }
        whole = g;
    }
    QString r = whole;
    if (!frac.isEmpty()) r += QLatin1Char('.') + frac;
    else if (dot >= 0 && minDec == 0 && fp.isEmpty()) r += QLatin1Char('.');
    bool nonZero = false;
    for (QChar c : r)
        if (c >= QLatin1Char('1') && c <= QLatin1Char('9'))
            nonZero = true;
    return neg && nonZero ? QLatin1Char('-') + r : r;
}

QString formatText(const QString& v, const QString& f)
{
    QString value = v;
    QString pat;
    bool leftToRight = false;
    for (QChar c : f) {
        if (c == QLatin1Char('>')) value = value.toUpper();
        else if (c == QLatin1Char('<')) value = value.toLower();
        else if (c == QLatin1Char('!')) leftToRight = true;
        else pat += c;
    }
    int nslots = 0;
    for (QChar c : pat) if (c == QLatin1Char('@') || c == QLatin1Char('&')) ++nslots;
    if (!nslots)
        return value + pat;
    // fill placeholders from the right (or from the left with "!"); surplus text goes to the first slot
    QString out;
    if (!leftToRight) {
        int vi = value.size() - 1;
        int freeLeft = nslots;
        for (int i = pat.size() - 1; i >= 0; --i) {
            const QChar c = pat.at(i);
            if (c == QLatin1Char('@') || c == QLatin1Char('&')) {
                --freeLeft;
                if (freeLeft == 0 && vi >= 0) { out.prepend(value.left(vi + 1)); vi = -1; }
                else if (vi >= 0) out.prepend(value.at(vi--));
                else if (c == QLatin1Char('@')) out.prepend(QLatin1Char(' '));
            } else {
                out.prepend(c);
            }
        }
    } else {
        int vi = 0;
        int freeLeft = nslots;
        for (int i = 0; i < pat.size(); ++i) {
            const QChar c = pat.at(i);
            if (c == QLatin1Char('@') || c == QLatin1Char('&')) {
                --freeLeft;
                if (freeLeft == 0 && vi < value.size()) { out += value.mid(vi); vi = value.size(); }
                else if (vi < value.size()) out += value.at(vi++);
                else if (c == QLatin1Char('@')) out += QLatin1Char(' ');
            } else {
                out += c;
            }
        }
    }
    return out;
}

} // namespace

QString format(const QString& value, const QString& fmt)
{
    if (fmt.isEmpty())
        return value;
    if (fmt.contains(QLatin1Char('@')) || fmt.contains(QLatin1Char('&')) ||
        (fmt.contains(QLatin1Char('<')) || fmt.contains(QLatin1Char('>'))))
        return formatText(value, fmt);
    int b = 0, e = 0;
    if (isNumeric(value) && isNumberFormat(fmt, &b, &e))
        return fmt.left(b) + formatNumber(numberValue(value), fmt.mid(b, e - b)) + fmt.mid(e);
    if (hasDateTokens(fmt)) {
        QDateTime dt;
        if (parseDate(value, &dt))
            return formatDate(dt, fmt);
    }
    return value;
}

} // namespace tessaly::text
