#include "main/reports/ui/devicecard.h"
#include "main/core/mdlmisc.h"
#include "main/core/ui/mdlwidgets.h"
#include "main/core/strings.h"
#include "main/core/devicetable.h"
#include "main/reports/ui/printlist.h"
#include "main/reports/ui/prnstrs.h"
#include "platform/core/app.h"
#include "platform/core/events.h"
#include "platform/core/format.h"
#include "platform/core/sharedfile.h"
#include "platform/core/vbrt.h"
#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <cerrno>
#include <optional>

namespace ostrel {

namespace {

constexpr int kNoDevice = 1071;

// Drops the job unless it was sent.
struct JobGuard {
    PrnSTRs& prn;
    bool sent = false;
    ~JobGuard()
    {
        if (!sent) {
            try {
                prn.KillDoc();
            } catch (...) {
            }
        }
    }
};

// A date column's text in the given form; a text that is no date as stored.
QString dateText(const QVariant& value, const QString& pattern)
{
    const QString text = vb::CStr(value);
    if (text.isEmpty() || !vb::IsDate(value))
        return text;
    return vb::Format(vb::CDate(value), pattern);
}

QStringList lines(const QString& text)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r?\n"));
    return text.isEmpty() ? QStringList() : text.split(lineBreak);
}

// A department's text; a code the list does not hold (a stale one) gives "".
QString departText(const CodeTable& departs, const QVariant& code)
{
    try {
        return LookupCode(departs, code, true);
    } catch (const vb::Error& e) {
        if (e.number() != vb::errSubscript)
            throw;
    }
    return QString();
}

} // namespace

CardOffsets ParseCardOffsets(const QString& iniText)
{
    CardOffsets o{0, 0};
    for (const QString& line : lines(iniText)) {
        if (line.isEmpty())
            continue;
        const QStringList parts = line.split(QLatin1Char('='));
        const QString key = parts[0].trimmed();
        if (key != u"LeftShift" && key != u"TopShift")
            continue;
        if (parts.size() < 2)
            throw vb::Error::runtime(vb::errSubscript);
        const qint32 value = vb::CLng(vb::Val(parts[1].trimmed()));
        (key == u"LeftShift" ? o.left : o.top) = value;
    }
    return o;
}

CardOffsets ReadCardOffsets()
{
    QFile f(plat::appFile(QStringLiteral("Ostrel.ini")));
    QString why;
    if (const int err = plat::openShared(f, plat::SharedAccess::Read, &why)) {
        if (err == ENOENT)
            return CardOffsets();
        throw vb::Error(vb::errPermissionDenied, why);
    }
    return ParseCardOffsets(QString::fromUtf8(f.readAll()));
}

void PrintCard(qint32 devId)
{
    dao::Recordset rs = devices::OpenDevice(devId);
    RecordsetCloser closer(rs);
    if (rs.Eof())
        throw vb::Error(vb::componentError(kNoDevice), Str(kNoDevice));
    const auto field = [&](const char16_t* name) { return rs.Fields(QString::fromUtf16(name)).Value(); };

    PrnSTRs prn;
    JobGuard job{prn};
    const CardOffsets offsets = ReadCardOffsets();
    prn.setLeftShift(offsets.left);
    prn.setTopShift(offsets.top);
    prn.setFontSize(9);
    prn.setFontName(QStringLiteral("宋体"));
    prn.setFontBold(false);

    const QDateTime now = QDateTime::currentDateTime();
    prn.PrnSTR(vb::Format(now, QStringLiteral("yy")), 77, -4);
    prn.PrnSTR(vb::Format(now, QStringLiteral("mm")), 86, -4);
    prn.PrnSTR(vb::Format(now, QStringLiteral("dd")), 92, -4);
    prn.PrnSTR(vb::CStr(field(u"Manufacturer")), 16, 2);
    prn.PrnSTR(vb::CStr(field(u"Model")), 65, 2);
    prn.PrnSTR(dateText(field(u"ManuDate"), QStringLiteral("yyyy-mm-dd")), 16, 8);
    prn.PrnSTR(vb::CStr(field(u"ManuNo")), 51, 10);
    prn.PrnSTR(dateText(field(u"购置年代"), QStringLiteral("yyyy-mm")), 84, 10);
    prn.PrnSTR(dateText(field(u"启用日期"), QStringLiteral("yyyy-mm-dd")), 16, 14);
    prn.PrnSTR(vb::CStr(field(u"资金来源")), 16, 19);
    prn.PrnSTR(vb::Format(field(u"价值"), QStringLiteral("0.00")), 51, 19);
    prn.PrnSTR(vb::CStr(field(u"安装地点")), 84, 19);
    const QStringList accessories = lines(vb::CStr(field(u"附件")));
    for (int i = 0; i < accessories.size(); ++i)
        prn.PrnSTR(accessories[i], 9, 27 + 7 * i);
    const QStringList documents = lines(vb::CStr(field(u"资料")));
    for (int i = 0; i < documents.size(); ++i)
        prn.PrnSTR(documents[i], 59, 27 + 7 * i);
    prn.PrnSTR(vb::CStr(field(u"设备编号")), 15, 64);
    prn.PrnSTR(vb::CStr(field(u"设备名称")), 49, 64);
    const CodeTable departs = CodeList(QStringLiteral("Departs"), true);
    prn.PrnSTR(departText(departs, field(u"Dep_ID")), 78, 64);

    prn.EndDoc();
    job.sent = true;
}

void PrintDeviceCard(qint32& Dev_ID)
{
    try {
        {
            ui::BusyCursor busy;
            PrintCard(Dev_ID);
        }
        ShowPrintedFile();
    } catch (const std::exception& e) {
        ReportError(e);
    }
}

} // namespace ostrel
