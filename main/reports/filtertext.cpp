#include "main/reports/filtertext.h"
#include "main/core/mdlmisc.h"
#include "main/core/strings.h"
#include "platform/core/format.h"
#include "platform/core/vberror.h"
#include "platform/core/vbrt.h"
#include "platform/dao/dao.h"
#include <QRegularExpression>

namespace ostrel {

namespace {

constexpr int kBadValue = 1073;

[[noreturn]] void refuse() { throw vb::Error(vb::componentError(kBadValue), Str(kBadValue)); }

bool isText(int type) { return type == dao::dbText || type == dao::dbChar || type == dao::dbMemo; }
bool isDate(int type) { return type == dao::dbDate || type == 22; }

QString bracket(const QString& column) { return QLatin1Char('[') + column + QLatin1Char(']'); }

} // namespace

QString FilterQuote(int fieldType)
{
    if (isDate(fieldType))
        return QStringLiteral("#");
    if (isText(fieldType))
        return QStringLiteral("'");
    return QString();
}

QString SimpleCondition(const QString& column, const QString& op, const QString& value, int fieldType)
{
    CheckTypedText(value, QStringLiteral("值"));
    const QString c = bracket(column);
    if (value.isEmpty()) {
        if (op == u"=")
            return isText(fieldType) ? QStringLiteral("((") + c + QStringLiteral("='') OR (") + c +
                                           QStringLiteral(" IS NULL))")
                                     : QLatin1Char('(') + c + QStringLiteral(" IS NULL)");
        if (!isText(fieldType))
            refuse();
        return QLatin1Char('(') + c + op + QStringLiteral("'')");
    }
    QString v = value;
    if (isText(fieldType))
        v.replace(QLatin1Char('\''), QStringLiteral("''"));
    else if (isDate(fieldType)) {
        if (v.contains(QLatin1Char('#')) || !vb::IsDate(v))
            refuse();
    } else if (!vb::IsNumeric(v)) {
        refuse();
    }
    const QString q = FilterQuote(fieldType);
    return QLatin1Char('(') + c + op + q + v + q + QLatin1Char(')');
}

bool BoxIsBlank(const QString& box) { return vb::Trim(box).isEmpty(); }

QString AppendCondition(const QString& box, const QString& condition)
{
    return BoxIsBlank(box) ? condition : box + QStringLiteral("\r\n AND ") + condition;
}

QString ComposeFilter(const QString& box, const FieldTable& coded)
{
    QString simple = box;
    simple.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(QLatin1Char('\n'), QLatin1Char(' '));
    simple.replace(QStringLiteral("  "), QStringLiteral(" "));
    simple = vb::Trim(simple);
    QString filter = simple.isEmpty() ? QString() : QLatin1Char('(') + simple + QLatin1Char(')');
    for (int i = 0; i < coded.value(0).size(); ++i) {
        const QString codes = coded[3][i];
        if (codes.isEmpty())
            continue;
        const QString part = QStringLiteral("([") + coded[2][i] + QStringLiteral("] IN (") +
                             QString(codes).replace(QLatin1Char(';'), QLatin1Char(',')) + QStringLiteral("))");
        filter = filter.isEmpty() ? part : filter + QStringLiteral(" AND ") + part;
    }
    return filter;
}

QString ComplexFiltersText(const FieldTable& coded)
{
    QStringList rows;
    for (int i = 0; i < coded.value(0).size(); ++i)
        rows << QStringList{coded[0][i], coded[1][i], coded[2][i], coded[3][i]}.join(QLatin1Char('\t'));
    return rows.join(QLatin1Char('\r'));
}

void LoadComplexFilters(const QString& text, FieldTable& coded)
{
    static const QRegularExpression rowBreak(QStringLiteral("\r\n|\r|\n"));
    if (text.isEmpty())
        return;
    for (const QString& row : text.split(rowBreak)) {
        const QStringList f = row.split(QLatin1Char('\t'));
        if (f.size() < 4)
            continue;
        const int i = coded.value(0).indexOf(f[0]);
        if (i >= 0)
            coded[3][i] = WholeCodes(f[3]);
    }
}

QString WholeCodes(const QString& codes)
{
    static const QRegularExpression whole(QStringLiteral("^-?[0-9]{1,9}$"));
    QStringList kept;
    for (const QString& c : codes.split(QLatin1Char(';')))
        if (whole.match(c.trimmed()).hasMatch())
            kept << QString::number(c.trimmed().toLongLong());
    return kept.join(QLatin1Char(';'));
}

} // namespace ostrel
