#pragma once
// Printing the device list with the columns the user chose: the choice as the setting
// "PrintColumns" keeps it, the printing query, and the copy with coded values turned
// into their base-data texts. Nothing here shows a window.
#include <QList>
#include <QString>

namespace ostrel {

// One entry of the column choice: a catalogue caption, its kind (0 plain, 1 coded) and
// whether it is printed.
struct PrintColumn {
    QString caption;
    qint32 kind = 0;
    bool selected = false;
    bool operator==(const PrintColumn& o) const
    {
        return caption == o.caption && kind == o.kind && selected == o.selected;
    }
};
using PrintColumns = QList<PrintColumn>;

// Every plain caption of the catalogue, then every coded one, none selected.
PrintColumns DefaultPrintColumns();

// Appends the entries of a stored "PrintColumns" text ("caption;kind;selected" lines joined
// by CR LF, LF alike). A line naming no catalogue column of its kind is skipped; a line of
// fewer than three fields raises the subscript error, the entries before it kept.
void ParsePrintColumns(const QString& text, PrintColumns& into);
// The stored form of the entries.
QString PrintColumnsText(const PrintColumns& columns);

// The printing query's condition: viewWhere (" WHERE ..." or ""), then the user filter in
// parentheses, then the departments the operator may see (none for an empty list). A user
// filter that is not one condition on its own raises the database layer's error.
QString PrintCondition(const QString& viewWhere, const QString& filterText, const QString& departIds);

// "SELECT [c1],[c2] FROM [Dev_Info]" condition " ORDER BY [c1],[c2]" for the selected entries.
QString PrintQuery(const PrintColumns& columns, const QString& condition);

// The heading a selected entry prints under: its caption, except the coded 设备组别 when
// the plain 设备组别 is printed too ("所属组别", the editor's label for that column).
// The heading that tells a coded column from the plain one of the same caption.
QString PrintHeading(const PrintColumn& column);
QStringList PrintHeadings(const PrintColumns& columns);

// Queries the selected columns, copies the rows into a temporary database with coded
// values as their texts (empty for Null or a code without a row) and prints it as
// "设备清单". Raises 0x80040000 + 1074 when nothing is selected, and every failure.
void PrintDeviceList(const PrintColumns& columns, const QString& viewWhere, const QString& filterText,
                     const QString& departIds);

} // namespace ostrel
