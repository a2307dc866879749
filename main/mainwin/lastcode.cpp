#include "main/mainwin/lastcode.h"
#include "main/core/mdlmisc.h"

namespace ostrel {

QString LastDeviceCode(const QString& filter)
{
    dao::Recordset rs;
    RecordsetCloser closer(rs);
    QString last;
    try {
        rs = RequireDatabase().OpenRecordset(QStringLiteral("SELECT TOP 1 [设备编号] FROM [Dev_Info] WHERE [设备编号] LIKE ") +
                                                 SqlText(LiteralLikePattern(filter)) +
                                                 QStringLiteral(" ORDER BY [设备编号] DESC;"),
                                             dao::dbOpenSnapshot);
        if (!rs.Eof())
            last = rs.Fields(0).Value().toString();
    } catch (const std::exception&) {
        // no answer: the rule counts from its start
        last.clear();
    }
    return last;
}

void CodeRuleHost::GetLastCode(QString& Filter, QString& Value)
{
    const QString last = LastDeviceCode(Filter);
    if (!last.isEmpty())
        Value = last;
}

} // namespace ostrel
