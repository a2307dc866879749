#include "main/reports/devicesummary.h"
#include "main/core/devicetable.h"
#include "main/core/mdlmisc.h"
#include "main/reports/devicefields.h"
#include "platform/core/events.h"
#include "platform/core/format.h"

namespace ostrel {
namespace {

// Clears the status text when the summary ends, however it ends.
struct StatusClear {
    const std::function<void(const QString&)>& status;
    ~StatusClear()
    {
        if (status)
            status(QString());
    }
};

QString line(const QString& label, const QString& value)
{
    return QStringLiteral("\r\n") + SummaryLabel(label) + QStringLiteral(":\t") + value;
}

} // namespace

QString SummaryLabel(const QString& label)
{
    return label.size() < 4 ? label + QString(2 * (4 - label.size()), QLatin1Char(' ')) : label;
}

QString DeviceSummary(qint32 devId, const std::function<void(const QString&)>& status,
                      const std::function<QString(const QString&, const QVariant&)>& codeText)
{
    StatusClear clear{status};
    if (status)
        status(QStringLiteral("正在下载设备概要信息.."));
    if (devId < 1)
        return QString();
    ui::BusyCursor busy;
    FieldTable normal, coded;
    ParseDeviceFields(normal, coded);
    dao::Recordset rs = devices::OpenDevice(devId);
    QString text;
    RecordsetCloser closer(rs);
    if (!rs.Eof()) {
        const QVariant host = rs.Fields(QStringLiteral("Mas_ID")).Value();
        text = line(QStringLiteral("主机编号"), host.toDouble() < 1 ? QStringLiteral("无") : QStringLiteral("有"));
        for (int i = 0; i < normal[0].size(); ++i)
            text += line(normal[0][i], vb::CStr(rs.Fields(normal[1][i]).Value()));
        for (int i = 0; i < coded[0].size(); ++i)
            text += line(coded[0][i], codeText ? codeText(coded[1][i], rs.Fields(coded[2][i]).Value())
                                               : CodeValue(coded[1][i], rs.Fields(coded[2][i]).Value()));
    }
    return text;
}

} // namespace ostrel
