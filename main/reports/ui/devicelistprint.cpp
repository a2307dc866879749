#include "main/reports/ui/devicelistprint.h"
#include "main/core/mdlmisc.h"
#include "main/core/strings.h"
#include "main/core/devicefilter.h"
#include "main/reports/devicefields.h"
#include "main/reports/ui/printlist.h"
#include "platform/core/format.h"
#include "platform/core/vbrt.h"
#include <QDateTime>
#include <QRegularExpression>

namespace ostrel {

namespace {

constexpr int kNothingChosen = 1074;
const QString kGroupCaption = QStringLiteral("设备组别");

// A chosen column: its heading, kind and Dev_Info column.
struct Chosen {
    QString heading;
    qint32 kind = 0;
    QString column;
    QString type;   // coded: the SysInfo Type
};

// The catalogue entry of a caption of the given kind: its column (and Type), or false.
bool catalogueEntry(const QString& caption, qint32 kind, QString* column = nullptr, QString* type = nullptr)
{
    FieldTable normal, coded;
    ParseDeviceFields(normal, coded);
    const FieldTable& t = kind == 0 ? normal : coded;
    if (kind != 0 && kind != 1)
        return false;
    const int i = t[0].indexOf(caption);
    if (i < 0)
        return false;
    if (column)
        *column = kind == 0 ? t[1][i] : t[2][i];
    if (type && kind == 1)
        *type = t[1][i];
    return true;
}

QList<Chosen> chosenColumns(const PrintColumns& columns)
{
    QList<Chosen> chosen;
    const QStringList headings = PrintHeadings(columns);
    for (const PrintColumn& c : columns) {
        if (!c.selected)
            continue;
        Chosen ch;
        ch.heading = headings[chosen.size()];
        ch.kind = c.kind;
        catalogueEntry(c.caption, c.kind, &ch.column, &ch.type);
        chosen.append(ch);
    }
    return chosen;
}

bool isTextType(int type) { return type == dao::dbText || type == dao::dbChar || type == dao::dbMemo; }

} // namespace

PrintColumns DefaultPrintColumns()
{
    FieldTable normal, coded;
    ParseDeviceFields(normal, coded);
    PrintColumns l;
    for (const QString& c : normal[0])
        l.append({c, 0, false});
    for (const QString& c : coded[0])
        l.append({c, 1, false});
    return l;
}

void ParsePrintColumns(const QString& text, PrintColumns& into)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r?\n"));
    for (const QString& line : text.split(lineBreak)) {
        const QStringList f = line.split(QLatin1Char(';'));
        if (f.size() < 3)
            throw vb::Error::runtime(vb::errSubscript);
        const double kind = vb::Val(f[1]);
        if ((kind != 0 && kind != 1) || !catalogueEntry(f[0], qint32(kind)))
            continue;
        into.append({f[0], qint32(kind), vb::Val(f[2]) != 0});
    }
}

QString PrintColumnsText(const PrintColumns& columns)
{
    QStringList lines;
    for (const PrintColumn& c : columns)
        lines << c.caption + QLatin1Char(';') + QString::number(c.kind) + QLatin1Char(';') +
                     QLatin1Char(c.selected ? '1' : '0');
    return lines.join(QStringLiteral("\r\n"));
}

QString PrintCondition(const QString& viewWhere, const QString& filterText, const QString& departIds)
{
    QString condition = viewWhere;
    if (!filterText.trimmed().isEmpty()) {
        CheckUserFilter(filterText);
        const QString filter = QLatin1Char('(') + filterText + QLatin1Char(')');
        condition = condition.isEmpty() ? QStringLiteral(" Where ") + filter : condition + QStringLiteral(" AND ") + filter;
    }
    const QString departs = DepartCondition(departIds);
    if (!departs.isEmpty())
        condition = condition.isEmpty() ? QStringLiteral(" WHERE ") + departs : condition + QStringLiteral(" AND ") + departs;
    return condition;
}

QStringList PrintHeadings(const PrintColumns& columns)
{
    bool plainGroup = false;
    for (const PrintColumn& c : columns)
        plainGroup = plainGroup || (c.selected && c.kind == 0 && c.caption == kGroupCaption);
    QStringList headings;
    for (const PrintColumn& c : columns)
        if (c.selected)
            headings << (plainGroup ? PrintHeading(c) : c.caption);
    return headings;
}

QString PrintHeading(const PrintColumn& column)
{
    return column.kind == 1 && column.caption == kGroupCaption ? QStringLiteral("所属组别") : column.caption;
}

QString PrintQuery(const PrintColumns& columns, const QString& condition)
{
    QStringList names;
    for (const Chosen& c : chosenColumns(columns))
        names << QLatin1Char('[') + c.column + QLatin1Char(']');
    const QString list = names.join(QLatin1Char(','));
    return QStringLiteral("SELECT ") + list + QStringLiteral(" FROM [Dev_Info]") + condition +
           QStringLiteral(" ORDER BY ") + list;
}

void PrintDeviceList(const PrintColumns& columns, const QString& viewWhere, const QString& filterText,
                     const QString& departIds)
{
    const QList<Chosen> chosen = chosenColumns(columns);
    if (chosen.isEmpty())
        throw vb::Error(vb::componentError(kNothingChosen), Str(kNothingChosen));
    QList<CodeTable> codes;
    for (const Chosen& c : chosen) {
        codes.append(c.kind == 1 && !c.type.isEmpty() ? CodeList(c.type, false) : CodeTable());
    }

    dao::Recordset query = RequireDatabase().OpenRecordset(
        PrintQuery(columns, PrintCondition(viewWhere, filterText, departIds)), dao::dbOpenSnapshot);
    RecordsetCloser closeQuery(query);

    TempPrintDatabase tmp;
    for (int i = 0; i < chosen.size(); ++i) {
        const int type = chosen[i].kind == 0 ? query.Fields(i).Type() : dao::dbText;
        AppendField(tmp.table(), chosen[i].heading, qint16(isTextType(type) ? kPrintTextType : type));
    }
    dao::Recordset rows = tmp.Create();
    RecordsetCloser closeRows(rows);
    {
        RowBatches batches;
        for (; !query.Eof(); query.MoveNext()) {
            rows.AddNew();
            for (int i = 0; i < chosen.size(); ++i) {
                const QVariant v = query.Fields(i).Value();
                rows.Fields(i).setValue(chosen[i].kind == 0 ? v : QVariant(LookupCode(codes[i], v, false)));
            }
            rows.Update();
            batches.added();
        }
        batches.finish();
    }
    CloseRecordset(query);
    PrintList(QStringLiteral("设备清单"), QDateTime::currentDateTime(), nullptr, &rows);
}

} // namespace ostrel
