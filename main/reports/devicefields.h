#pragma once
// The device field catalogue: which Dev_Info columns the filter, the printed-column choice
// and the device summary offer, under which caption, and which hold SysInfo codes.
// QtCore only.
//
//   FieldTable normal, coded;
//   ParseDeviceFields(normal, coded);
//   normal[0][i] caption, normal[1][i] column;
//   coded[0][i] caption, coded[1][i] SysInfo Type, coded[2][i] column, coded[3][i] chosen codes
#include <QString>
#include <QStringList>
#include <QVector>

namespace ostrel {

// Rows of strings, each row one entry per column of the table.
using FieldTable = QVector<QStringList>;

// "caption[,kind[,third[,fourth]]]" entries separated by ";". Kind "0" (or empty): a plain
// column named by the third field; kind "1": a coded column, SysInfo Type in the third field,
// Dev_Info column in the fourth; empty third and fourth fields take the caption.
inline constexpr char16_t kDeviceFieldCatalogue[] =
    u"设备组别,1,Dev_Grp,Dev_Grp;验收状况,1,Check;设备状况,1,State;责任人,1,Trans;使用部门,1,Departs,Dep_ID;"
    u"设备编号;设备名称;卡片编号;设备大类;设备属类;设备组别;价值;购置年代;安装地点;制造商,,Manufacturer;"
    u"型号规格,,Model;出厂编号,,ManuNo;出厂日期,,ManuDate;启用日期;资金来源";

// Fills `normal` (2 rows) and `coded` (4 rows, the chosen codes empty) from the catalogue,
// in its order, whatever they held before; entries of any other kind are dropped.
void ParseDeviceFields(FieldTable& normal, FieldTable& coded,
                       const QString& catalogue = QString::fromUtf16(kDeviceFieldCatalogue));

} // namespace ostrel
