#include "main/core/schema.h"

namespace ostrel::schema {

const QVector<Table>& tables()
{
    static const QVector<Table> t = {
        {u"SysInfo",
         {{u"ID", Long, 0, true}, {u"Type", Text, 50, true}, {u"No", Long, 0, false},
          {u"Value", Text, 255, false}, {u"Memo", Memo, 0, false}},
         {{u"SysInfo_ID", u"ID", true}, {u"SysInfo_Type", u"Type", false}},
         u"ID"},
        {u"Dev_Info",
         {{u"Dev_ID", Long, 0, true},        {u"设备编号", Text, 50, true},   {u"卡片编号", Text, 50, false},
          {u"Dev_Grp", Long, 0, false},      {u"Mas_ID", Long, 0, false},     {u"设备大类", Text, 100, false},
          {u"设备属类", Text, 100, false},    {u"设备组别", Text, 100, false}, {u"购置年代", Date, 0, false},
          {u"验收状况", Long, 0, false},      {u"设备状况", Long, 0, false},   {u"Dep_ID", Long, 0, false},
          {u"安装地点", Text, 255, false},    {u"责任人", Long, 0, false},     {u"价值", Currency, 0, false},
          {u"附加信息", Memo, 0, false},      {u"Manufacturer", Text, 255, false}, {u"Model", Text, 255, false},
          {u"ManuDate", Text, 50, false},    {u"ManuNo", Text, 100, false},   {u"启用日期", Date, 0, false},
          {u"资金来源", Text, 255, false},    {u"附件", Memo, 0, false},       {u"资料", Memo, 0, false},
          {u"设备名称", Text, 255, false},    {u"图片", LongBinary, 0, false}, {u"O_ID", Long, 0, false}},
         {{u"Dev_Info_Dev_ID", u"Dev_ID", true}, {u"Dev_Info_No", u"设备编号", true},
          {u"Dev_Info_ManuNo", u"ManuNo", false}, {u"Dev_Info_Dep_ID", u"Dep_ID", false}},
         u"Dev_ID"},
        {u"Transfer",
         {{u"ID", Long, 0, true}, {u"Dev_ID", Long, 0, true}, {u"Sur_ID", Long, 0, false},
          {u"Tar_ID", Long, 0, false}, {u"调前地点", Text, 255, false}, {u"调后地点", Text, 255, false},
          {u"经办人", Long, 0, false}, {u"日期", Date, 0, false}, {u"备注", Memo, 0, false},
          {u"O_ID", Long, 0, false}},
         {{u"Transfer_ID", u"ID", true}, {u"Transfer_Dev_ID", u"Dev_ID", false}, {u"Transfer_Date", u"日期", false}},
         u"ID"},
        {u"Maintain",
         {{u"ID", Long, 0, true}, {u"Dev_ID", Long, 0, true}, {u"MType", Long, 0, false},
          {u"Main_ID", Long, 0, false}, {u"费用", Double, 0, false}, {u"经办人", Long, 0, false},
          {u"日期", Date, 0, false}, {u"备注", Memo, 0, false}, {u"O_ID", Long, 0, false}},
         {{u"Maintain_ID", u"ID", true}, {u"Maintain_Dev_ID", u"Dev_ID", false}, {u"Maintain_Date", u"日期", false}},
         u"ID"},
        {u"Checks",
         {{u"ID", Long, 0, true}, {u"Dev_ID", Long, 0, true}, {u"原验收状况", Long, 0, false},
          {u"现验收状况", Long, 0, false}, {u"经办人", Long, 0, false}, {u"日期", Date, 0, false},
          {u"备注", Memo, 0, false}, {u"O_ID", Long, 0, false}},
         {{u"Checks_ID", u"ID", true}, {u"Checks_Dev_ID", u"Dev_ID", false}, {u"Checks_Date", u"日期", false}},
         u"ID"},
        {u"Discard",
         {{u"ID", Long, 0, true}, {u"Dev_ID", Long, 0, true}, {u"残值收入", Double, 0, false},
          {u"经办人", Long, 0, false}, {u"Result", Text, 255, false}, {u"日期", Date, 0, false},
          {u"备注", Memo, 0, false}, {u"O_ID", Long, 0, false}},
         {{u"Discard_ID", u"ID", true}, {u"Discard_Dev_ID", u"Dev_ID", false}, {u"Discard_Date", u"日期", false}},
         u"ID"},
        {u"Dev_Docs",
         {{u"ID", Long, 0, true}, {u"Dev_ID", Long, 0, true}, {u"Type", Long, 0, false},
          {u"Name", Text, 255, false}, {u"Value", LongBinary, 0, false}, {u"Date", Date, 0, false},
          {u"M_ID", Long, 0, false}, {u"Memo", Memo, 0, false}, {u"O_ID", Long, 0, false}},
         {{u"Dev_Docs_ID", u"ID", true}, {u"Dev_Docs_Dev_ID", u"Dev_ID", false}},
         u"ID"},
        keyMarks(),
    };
    return t;
}

const Table& keyMarks()
{
    static const Table t = {
        u"KeyMarks", {{u"TableName", Text, 64, true}, {u"ColumnName", Text, 64, true}, {u"LastKey", Long, 0, true}}, {}};
    return t;
}

const QVector<QString>& baseDataTypes()
{
    static const QVector<QString> t = {
        QStringLiteral("Dev_Grp"), QStringLiteral("Departs"), QStringLiteral("Trans"), QStringLiteral("Check"),
        QStringLiteral("State"),   QStringLiteral("MTypes"),  QStringLiteral("Mains"), QStringLiteral("DType"),
    };
    return t;
}

QString databasePassword() { return QStringLiteral("TORVAMS"); }
QString connectString() { return QStringLiteral(";PWD=") + databasePassword(); }

} // namespace ostrel::schema
