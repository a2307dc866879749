#include "platform/core/vbrt.h"
#include "platform/core/vberror.h"
#include <cmath>
#include <limits>

namespace vb {

QString LTrim(const QString& s)
{
    int i = 0;
    while (i < s.size() && s.at(i) == QLatin1Char(' '))
        ++i;
    return s.mid(i);
}

QString RTrim(const QString& s)
{
    int n = s.size();
    while (n > 0 && s.at(n - 1) == QLatin1Char(' '))
        --n;
    return s.left(n);
}

QString Trim(const QString& s) { return LTrim(RTrim(s)); }

QStringList Split(const QString& s, const QString& delimiter, int limit, bool ignoreCase)
{
    if (s.isEmpty() || limit == 0)
        return {};
    if (delimiter.isEmpty() || limit == 1)
        return {s};
    const Qt::CaseSensitivity cs = ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive;
    QStringList parts;
    int from = 0;
    for (;;) {
        if (limit > 0 && parts.size() == limit - 1)
            break;
        const int at = s.indexOf(delimiter, from, cs);
        if (at < 0)
            break;
        parts.append(s.mid(from, at - from));
        from = at + delimiter.size();
    }
    parts.append(s.mid(from));
    return parts;
}

QString Join(const QStringList& parts, const QString& delimiter) { return parts.join(delimiter); }

namespace {
double halfEven(double x)
{
    // nearbyint rounds halves to even under the default rounding mode.
    return std::nearbyint(x);
}
} // namespace

double Round(double value, int decimals)
{
    if (decimals < 0)
        throw Error::runtime(errInvalidCall, QStringLiteral("Round"));
    if (!std::isfinite(value) || decimals == 0)
        return std::isfinite(value) ? halfEven(value) : value;
    if (decimals > 15)
        return value;
    const double scale = std::pow(10.0, decimals);
    const double scaled = value * scale;
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9007199254740992.0)
        return value;
    // Decide the half on the decimal text of the scaled value, so that 2.675 (held as
    // 2.67499999...) and 0.125 round the way the digits read.
    const double r = halfEven(scaled);
    const double diff = std::fabs(scaled - std::trunc(scaled));
    if (std::fabs(diff - 0.5) < 1e-9 * std::max(1.0, std::fabs(scaled))) {
        const double down = std::trunc(scaled);
        const double up = down + (scaled < 0 ? -1.0 : 1.0);
        return (std::fmod(down, 2.0) == 0.0 ? down : up) / scale;
    }
    return r / scale;
}

namespace {
template <class T>
T wholeNumber(double value, const char* who)
{
    if (std::isnan(value))
        throw Error::runtime(errTypeMismatch, QString::fromLatin1(who));
    const double r = halfEven(value);
    if (r < double(std::numeric_limits<T>::min()) || r > double(std::numeric_limits<T>::max()))
        throw Error::runtime(errOverflow, QString::fromLatin1(who));
    return T(r);
}
} // namespace

qint16 CInt(double value) { return wholeNumber<qint16>(value, "CInt"); }
qint32 CLng(double value) { return wholeNumber<qint32>(value, "CLng"); }

int StrComp(const QString& a, const QString& b, bool ignoreCase)
{
    const int c = QString::compare(a, b, ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int InStr(int start, const QString& s, const QString& what, bool ignoreCase)
{
    if (start < 1)
        throw Error::runtime(errInvalidCall, QStringLiteral("InStr"));
    if (start > s.size() + 1)
        return 0;
    if (what.isEmpty())
        return start;
    const int at = s.indexOf(what, start - 1, ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive);
    return at < 0 ? 0 : at + 1;
}

qsizetype UnstorableChar(const QString& s)
{
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = s.at(i);
        if (c.isNull())
            return i;
        if (c.isHighSurrogate() && i + 1 < n && s.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return i;
    }
    return -1;
}

QString CharCode(const QString& s, qsizetype at)
{
    return QStringLiteral("U+%1").arg(s.at(at).unicode(), 4, 16, QLatin1Char('0')).toUpper();
}

QString Excerpt(const QString& s, qsizetype from, qsizetype length)
{
    while (from < s.size() && s.at(from).isSpace())
        ++from;
    QString out = s.mid(from, length);
    if (!out.isEmpty() && out.back().isHighSurrogate())
        out.chop(1);
    for (qsizetype i = UnstorableChar(out); i >= 0; i = UnstorableChar(out))
        out[i] = QChar::ReplacementCharacter;
    for (QChar& c : out)
        if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
    if (from + length < s.size())
        out += QChar(0x2026);
    return out;
}

} // namespace vb
