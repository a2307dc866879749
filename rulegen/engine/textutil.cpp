#include "rulegen/engine/textutil.h"
#include "rulegen/engine/strings.h"
#include "platform/core/format.h"
#include "platform/core/vbrt.h"
#include <cmath>

namespace tessaly::text {

QString trim(const QString& s) { return vb::Trim(s); }

bool sameText(const QString& a, const QString& b) { return vb::sameText(a, b); }

bool isNumeric(const QString& s) { return vb::IsNumeric(QVariant(s)); }

double numberValue(const QString& s)
{
    const double d = vb::Val(s);
    return std::isfinite(d) ? d : 0;
}

QString numberToText(double d) { return vb::CStr(QVariant(d)); }

QString numberText(const QString& s) { return numberToText(numberValue(s)); }

bool fitsText(const QString& s, const char* separators)
{
    for (QChar c : s) {
        if (c == QChar(13))
            return false;
        for (const char* p = separators; *p; ++p)
            if (c == QLatin1Char(*p))
                return false;
    }
    return true;
}

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

int indexOfKey(const QVariant& v, int count, const std::function<bool(int, const QString&)>& named)
{
    if (isPosition(v)) {
        const qint64 p = position(v);
        if (p < 1 || p > count)
            throw runtimeError(vb::errSubscript);
        return int(p - 1);
    }
    if (!given(v))
        throw runtimeError(vb::errInvalidCall);
    const QString key = v.toString();
    for (int i = 0; i < count; ++i)
        if (named(i, key))
            return i;
    throw runtimeError(vb::errInvalidCall);
}

// ---------------------------------------------------------------- dates

QDateTime zeroDate() { return QDateTime(QDate(1899, 12, 30), QTime(0, 0)); }

QString dateText(const QDateTime& d) { return vb::CStr(QVariant(d.isValid() ? d : zeroDate())); }

bool parseDate(const QString& s, QDateTime* out)
{
    bool ok = false;
    const QDateTime d = vb::toDate(QVariant(s), &ok);
    if (ok)
        *out = d;
    return ok;
}

// ---------------------------------------------------------------- display formats

namespace {

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
    // text placeholders; everything else is the platform's Format
    if (fmt.contains(QLatin1Char('@')) || fmt.contains(QLatin1Char('&')))
        return formatText(value, fmt);
    return vb::Format(QVariant(value), fmt);
}

} // namespace tessaly::text
