#include "main/core/devicefilter.h"
#include "main/core/mdlmisc.h"
#include "platform/core/vberror.h"
#include "platform/dao/jetsql.h"
#include <QRegularExpression>

namespace ostrel {

namespace {

bool isWholeNumber(const QString& text)
{
    static const QRegularExpression whole(QStringLiteral("^-?[0-9]{1,9}$"));
    return whole.match(text).hasMatch();
}

} // namespace

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

} // namespace ostrel
