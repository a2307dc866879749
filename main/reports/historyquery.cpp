#include "main/reports/historyquery.h"
#include "platform/core/format.h"
#include "platform/core/vberror.h"
#include <cmath>

namespace ostrel {

namespace {

struct KindInfo {
    const char* table;
    const char* caption;
    const char* columns;
    const char* codeTypes;
    // The cells: column name, then "t" text, "d" date or a digit, the code list's index.
    const char* cells;
};

const KindInfo kKinds[kHistoryKinds] = {
    {"Transfer", "设备调拨记录=>[", "设备编码;设备名称;原使用单位;现使用单位;原安装地点;现安装地点;时间;经办人;备注",
     "Trans;Departs", "设备编号:t;设备名称:t;Sur_ID:1;Tar_ID:1;调前地点:t;调后地点:t;日期:d;经办人:0;备注:t"},
    {"Maintain", "设备维修记录=>[", "设备编码;设备名称;分类;费用,1;维修商;日期;经办人;备注", "MTypes;Trans;Mains",
     "设备编号:t;设备名称:t;Mtype:0;费用:t;Main_ID:2;日期:d;经办人:1;备注:t"},
    {"Checks", "设备验收记录=>[", "设备编码;设备名称;原验收状况;现验收状况;日期;经办人;备注", "Check;Trans",
     "设备编号:t;设备名称:t;原验收状况:0;现验收状况:0;日期:d;经办人:1;备注:t"},
    {"Discard", "设备报废记录=>[", "设备编码;设备名称;处理结果;残值收入;日期;经办人;备注", "Trans",
     "设备编号:t;设备名称:t;Result:t;残值收入:t;日期:d;经办人:0;备注:t"},
};

const KindInfo* kindInfo(int kind) { return kind >= 0 && kind < kHistoryKinds ? &kKinds[kind] : nullptr; }

// A date's cell: a date, its stored text "yyyy-MM-dd HH:mm:ss" (cut to the minute), or
// another value that reads as a date.
QString dateCell(const QVariant& v)
{
    if (v.typeId() == QMetaType::QDateTime)
        return HistoryDate(v.toDateTime());
    if (v.typeId() == QMetaType::QString) {
        const QString t = v.toString();
        if (t.size() == 19 && t[4] == u'-' && t[7] == u'-' && t[10] == u' ' && t[13] == u':' && t[16] == u':')
            return t.left(16);
    }
    return HistoryDate(vb::CDate(v));
}

QString dateLiteral(const QDateTime& d) { return QLatin1Char('#') + HistoryDate(d) + QLatin1Char('#'); }

} // namespace

QString HistoryDate(const QDateTime& date) { return date.toString(QStringLiteral("yyyy-MM-dd HH:mm")); }

QString HistoryColumns(int kind)
{
    const KindInfo* k = kindInfo(kind);
    return k ? QString::fromUtf8(k->columns) : QString();
}

int HistoryDateColumn(int kind)
{
    const KindInfo* k = kindInfo(kind);
    if (!k)
        return -1;
    const QStringList cells = QString::fromUtf8(k->cells).split(QLatin1Char(';'));
    for (int i = 0; i < cells.size(); ++i)
        if (cells[i].endsWith(QLatin1String(":d")))
            return i;
    return -1;
}

QString HistoryCaption(int kind, const QDateTime& start, const QDateTime& end)
{
    const KindInfo* k = kindInfo(kind);
    if (!k)
        return QString();
    return QString::fromUtf8(k->caption) + HistoryDate(start) + QStringLiteral("]至[") + HistoryDate(end) +
           QLatin1Char(']');
}

QStringList HistoryCodeTypes(int kind)
{
    const KindInfo* k = kindInfo(kind);
    return k ? QString::fromUtf8(k->codeTypes).split(QLatin1Char(';')) : QStringList();
}

QString HistoryStatement(int kind, const QDateTime& start, const QDateTime& end)
{
    const QString upper = QStringLiteral("[日期]<=") + dateLiteral(end);
    const QString from = QStringLiteral(" Where [日期]>=") + dateLiteral(start) + QStringLiteral(" AND ") + upper;
    const QString order = QStringLiteral(" ORDER BY [日期];");
    switch (kind) {
    case 0:
        return QStringLiteral("SELECT Dev_Info.设备编号,设备名称, Transfer.* FROM Dev_Info INNER JOIN Transfer ON"
                              " Dev_Info.Dev_ID = Transfer.Dev_ID") +
               from + order;
    case 1:
        return QStringLiteral("SELECT Dev_Info.设备编号, Dev_Info.设备名称, Maintain.*"
                              " FROM Dev_Info INNER JOIN Maintain ON Dev_Info.Dev_ID = Maintain.Dev_ID") +
               from + order;
    case 2:
    case 3: {
        const QString table = QString::fromUtf8(kKinds[kind].table);
        return QStringLiteral("SELECT Dev_Info.设备编号, Dev_Info.设备名称, %1.* FROM Dev_Info INNER JOIN %1 ON "
                              "Dev_Info.Dev_ID = %1.Dev_ID Where ([日期]>=")
                   .arg(table) +
               dateLiteral(start) + QStringLiteral(" AND ") + upper + QLatin1Char(')') + order;
    }
    default:
        return QString();
    }
}

QString CodeCell(const CodeTable& table, const QVariant& code)
{
    if (code.isNull() || !code.isValid() || table.isEmpty())
        return QString();
    double d = 0;
    if (!NumberOf(code, &d))
        throw vb::Error::runtime(vb::errTypeMismatch);
    const double no = std::nearbyint(d);
    if (no < 0 || no >= table[0].size())
        return QString();
    return LookupCode(table, code, true);
}

HistoryCells::HistoryCells(int kind, const QVector<CodeTable>& codes) : m_codes(codes)
{
    const KindInfo* k = kindInfo(kind);
    if (!k)
        return;
    for (const QString& entry : QString::fromUtf8(k->cells).split(QLatin1Char(';'))) {
        const QString name = entry.section(QLatin1Char(':'), 0, 0);
        const QString how = entry.section(QLatin1Char(':'), 1);
        m_columns << name;
        if (how == QLatin1String("t"))
            m_cells.append({Cell::Text, -1});
        else if (how == QLatin1String("d"))
            m_cells.append({Cell::Date, -1});
        else
            m_cells.append({Cell::Code, how.toInt()});
    }
    m_columns << QStringLiteral("Dev_ID");
}

HistoryRow HistoryCells::row(const QVariant* values) const
{
    HistoryRow r;
    r.cells.reserve(m_cells.size());
    for (int i = 0; i < m_cells.size(); ++i) {
        const QVariant& v = values[i];
        switch (m_cells[i].how) {
        case Cell::Text:
            r.cells << vb::CStr(v);
            break;
        case Cell::Date:
            r.cells << (v.isNull() || !v.isValid() ? QString() : dateCell(v));
            break;
        case Cell::Code:
            r.cells << CodeCell(m_codes.value(m_cells[i].list), v);
            break;
        }
    }
    r.tag = vb::CStr(values[m_cells.size()]);
    return r;
}

void HistoryRows(dao::Database& db, int kind, const QDateTime& start, const QDateTime& end,
                 const QVector<CodeTable>& codes, QVector<HistoryRow>& rows)
{
    if (!kindInfo(kind))
        return;
    const HistoryCells cells(kind, codes);
    dao::Recordset rs = db.OpenRecordset(HistoryStatement(kind, start, end), dao::dbOpenSnapshot);
    RecordsetCloser closer(rs);
    // Column positions looked up once; names as the engine compares them.
    const dao::Fields fields = rs.Fields();
    QVector<int> at;
    for (const QString& name : cells.columns()) {
        int found = -1;
        for (int i = 0; i < fields.Count() && found < 0; ++i)
            if (fields.Item(i).Name().compare(name, Qt::CaseInsensitive) == 0)
                found = i;
        if (found < 0)
            rs.Fields(name); // raises the engine's "item not found"
        at << found;
    }
    QVector<QVariant> values(at.size());
    for (; !rs.Eof(); rs.MoveNext()) {
        for (int i = 0; i < at.size(); ++i)
            values[i] = rs.Fields(at[i]).Value();
        rows.append(cells.row(values.constData()));
    }
}

} // namespace ostrel
