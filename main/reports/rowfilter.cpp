#include "main/reports/rowfilter.h"
#include "platform/core/format.h"
#include "platform/core/like.h"
#include "platform/core/vberror.h"
#include <QCollator>
#include <QLocale>
#include <cmath>

namespace ostrel {

namespace {

const QCollator& collator()
{
    static const QCollator c = [] {
        QCollator k{QLocale::system()};
        k.setCaseSensitivity(Qt::CaseInsensitive);
        return k;
    }();
    return c;
}

} // namespace

int CompareReportText(const QString& a, const QString& b)
{
    const int c = collator().compare(a, b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

double ReportNumber(const QString& text)
{
    const QString t = text.trimmed();
    bool ok = false;
    double d = t.isEmpty() ? 0 : QLocale::system().toDouble(t, &ok);
    if (!ok && !t.isEmpty())
        d = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(d))
        throw vb::Error::runtime(vb::errTypeMismatch);
    return d;
}

QString SignedNumberText(double value)
{
    const QString s = vb::CStr(value);
    return value < 0 ? s : QLatin1Char(' ') + s;
}

void DistinctTexts::add(const QString& text)
{
    if (m_seen.contains(text))
        return;
    m_seen.insert(text);
    m_sorted.emplace(text, text); // an equal text already there keeps its form
}

QStringList DistinctTexts::values() const
{
    QStringList out;
    out.reserve(int(m_sorted.size()));
    for (const auto& e : m_sorted)
        out << e.second;
    return out;
}

RowCondition::RowCondition(const QString& opera, const QString& value, bool asNumbers)
    : m_value(value), m_numbers(asNumbers)
{
    static const struct {
        const char* text;
        Op op;
    } ops[] = {{"=", Eq}, {">", Gt}, {"<", Lt}, {">=", Ge}, {"<=", Le}, {"<>", Ne}, {"like", Like}};
    const QString o = opera.trimmed().toLower();
    bool known = false;
    for (const auto& e : ops)
        if (o == QLatin1String(e.text)) {
            m_op = e.op;
            known = true;
        }
    if (!known)
        throw vb::Error::runtime(vb::errInvalidCall);
    if (m_op == Like)
        m_pattern.emplace(value);
    else if (asNumbers)
        m_number = ReportNumber(value);
}

bool RowCondition::passes(const QString& cell) const
{
    if (m_op == Like)
        return m_pattern->matches(m_numbers ? SignedNumberText(ReportNumber(cell)) : cell);
    int c;
    if (m_numbers) {
        const double d = ReportNumber(cell);
        c = d < m_number ? -1 : (d > m_number ? 1 : 0);
    } else {
        c = CompareReportText(cell, m_value);
    }
    switch (m_op) {
    case Eq: return c == 0;
    case Gt: return c > 0;
    case Lt: return c < 0;
    case Ge: return c >= 0;
    case Le: return c <= 0;
    case Ne: return c != 0;
    default: return false;
    }
}

} // namespace ostrel
