#include "main/core/devicefilter.h"
#include "main/core/mdlmisc.h"
#include "platform/core/vberror.h"
#include "platform/core/vbrt.h"
#include "platform/dao/dao.h"
#include "platform/dao/jetsql.h"
#include <QRegularExpression>
#include <algorithm>
#include <iterator>

namespace ostrel {

namespace {

bool isWholeNumber(const QString& text)
{
    static const QRegularExpression whole(QStringLiteral("^-?[0-9]{1,9}$"));
    return whole.match(text).hasMatch();
}

QString datePattern(const QString& part)
{
    if (part == u"M")
        return QStringLiteral("MM");
    if (part == u"D")
        return QStringLiteral("DD");
    return QStringLiteral("YYYY");
}

// The condition one node adds.
QString nodeCondition(const TreeNode& node)
{
    const QStringList f = TagFields(node.tag, 4);
    const QString column = SqlName(f[0]);
    if (f[1] == u"1") {
        if (!isWholeNumber(f[3].trimmed()))
            throw vb::Error::runtime(vb::errTypeMismatch);
        return QLatin1Char('(') + column + QLatin1Char('=') + f[3].trimmed() + QLatin1Char(')');
    }
    if (f[1] == u"2")
        return QStringLiteral("(FORMAT(") + column + QStringLiteral(",'") + datePattern(f[2]) +
               QStringLiteral("')=") + SqlText(f[3]) + QLatin1Char(')');
    // trimmed as the database's Trim does, so the node selects the devices it groups
    const QString text = vb::Trim(node.text);
    if (text.isEmpty())
        return QLatin1Char('(') + column + QStringLiteral(" IS NULL OR Trim(") + column + QStringLiteral(")='')");
    return QStringLiteral("(Trim(") + column + QStringLiteral(")=") + SqlText(text) + QLatin1Char(')');
}

QString joinWhere(const QStringList& parts)
{
    QStringList kept;
    for (const QString& p : parts)
        if (!p.isEmpty())
            kept << p;
    return kept.isEmpty() ? QString() : QStringLiteral(" WHERE ") + kept.join(QStringLiteral(" AND "));
}

// The checked user filter in parentheses, or "" for none.
QString userFilterPart(const QString& filter)
{
    if (filter.trimmed().isEmpty())
        return QString();
    CheckUserFilter(filter);
    return QLatin1Char('(') + filter + QLatin1Char(')');
}

} // namespace

const QStringList& ClassSchemes()
{
    static const QStringList schemes = {
        QStringLiteral("按设备类型分类:设备大类;设备属类;设备组别"),
        QStringLiteral("按验收状况分类:验收状况,1,Check;设备大类;设备属类;设备组别"),
        QStringLiteral("按设备状况分类:设备状况,1,State;设备大类;设备属类;设备组别"),
        QStringLiteral("按使用部门分类:Dep_ID,1,Departs;设备大类;设备属类;设备组别"),
        QStringLiteral("按设备分组分类1:Dev_Grp,1,Dev_Grp;设备大类;设备属类;设备组别"),
        QStringLiteral("按设备分组分类2:Dev_Grp,1,Dev_Grp;Dep_ID,1,Departs;设备大类;设备属类;设备组别"),
    };
    return schemes;
}

QStringList SchemeCaptions()
{
    QStringList captions;
    for (const QString& line : ClassSchemes())
        captions << line.section(QLatin1Char(':'), 0, 0);
    return captions;
}

QString ExpandScheme(const QString& schemeLine)
{
    const int colon = schemeLine.indexOf(QLatin1Char(':'));
    QString rule;
    if (colon < 0)
        return rule;
    for (const QString& level : schemeLine.mid(colon + 1).split(QLatin1Char(';'))) {
        const QStringList f = TagFields(level, 3);
        if (f[1].isEmpty() || f[1] == u"0" || f[1] == u"1") {
            rule += QLatin1Char(';') + level;
        } else if (f[1] == u"2") {
            for (const char* part : {"Y", "M", "D"})
                rule += QLatin1Char(';') + f[0] + QStringLiteral(",2,") + QLatin1String(part);
        }
    }
    return rule;
}

QStringList TagFields(const QString& tag, int count)
{
    QStringList f = tag.split(QLatin1Char(','));
    while (f.size() < count)
        f << QString();
    return f;
}

QString NodeLevel(const QString& tag)
{
    if (tag.isEmpty())
        return QString();
    const QStringList f = tag.split(QLatin1Char(','));
    if (f.size() < 4)
        return tag;
    return f.mid(0, 3).join(QLatin1Char(','));
}

QString NodeConditions(const QVector<TreeNode>& chain)
{
    QStringList parts;
    for (const TreeNode& node : chain)
        if (!node.tag.isEmpty())
            parts << nodeCondition(node);
    return parts.join(QStringLiteral(" AND "));
}

QString NodePath(const QString& rootText, const QVector<TreeNode>& chain)
{
    QString path = QLatin1Char('[') + rootText + QLatin1Char(']');
    for (const TreeNode& node : chain)
        if (!node.tag.isEmpty())
            path += QStringLiteral("-[") + node.text + QLatin1Char(']');
    return path;
}

QString DepartCondition(const QString& departIds)
{
    if (departIds.trimmed().isEmpty())
        return QString();
    QStringList codes;
    for (const QString& part : departIds.split(QLatin1Char(','))) {
        const QString code = part.trimmed();
        if (isWholeNumber(code))
            codes << QString::number(code.toLongLong());
    }
    if (codes.isEmpty())
        return QStringLiteral("(1=0)");
    return QStringLiteral("([Dep_ID] IN (") + codes.join(QLatin1Char(',')) + QStringLiteral("))");
}

void CheckUserFilter(const QString& filter)
{
    dao::jetsql::translate(QStringLiteral("SELECT [Dev_ID] FROM [Dev_Info] WHERE ") + filter);
}

bool RefusesFilterText(int errorNumber)
{
    // the statement's own errors, and those of the Jet functions it calls on the rows
    static const int refusals[] = {dao::err::TypeMismatch, 5, 11, 93, 94,
                                   dao::err::NotSupported, dao::err::TooFewParameters,
                                   dao::err::SyntaxInExpression, dao::err::UndefinedFunction,
                                   dao::err::InvalidSql, 3131, dao::err::CharsAfterEnd, 3464,
                                   dao::err::QueryTooComplex};
    return std::find(std::begin(refusals), std::end(refusals), errorNumber) != std::end(refusals);
}

ListRestriction BuildListRestriction(const QString& nodeConditions, const QString& filter,
                                     const QString& departIds)
{
    ListRestriction r;
    r.viewWhere = joinWhere({nodeConditions, DepartCondition(departIds)});
    r.filterText = userFilterPart(filter);
    return r;
}

QString ListWhere(const QString& nodeConditions, const QString& filter, const QString& departIds)
{
    return joinWhere({nodeConditions, userFilterPart(filter), DepartCondition(departIds)});
}

QString ListQuery(const QString& where)
{
    return QStringLiteral("SELECT [设备编号],[Dev_ID],[设备名称],[价值],[验收状况],[设备状况],[Dep_ID] FROM [Dev_Info]") +
           where + QStringLiteral(" ORDER BY [设备编号];");
}

QString ListCountQuery(const QString& where)
{
    return QStringLiteral("SELECT 1 FROM [Dev_Info]") + where + QLatin1Char(';');
}

} // namespace ostrel
