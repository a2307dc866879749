#pragma once
// The import of devices from an outside file (menu "导入外部数据.."): the service, which
// works without any widget (the command: ui/import.h).
//
// The rows of the table "sheet1" of an Excel workbook or an Access file are mapped to
// Dev_Info columns by the column map (setting "ImportDef"), checked, renumbered where
// their device number is taken, and added in one transaction, with the log
// "导入日志.txt" in the program's folder.
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

namespace tessaly {
struct ICodeClass;
}

namespace ostrel {

// The column map used and stored when the setting "ImportDef" is missing or empty.
extern const QString kDefaultImportMap;

// One entry of the column map: a Dev_Info column and the source columns whose texts,
// joined, are its value.
struct ImportMapEntry {
    QString target;
    QStringList sources;
};

// "target[,source...];...": an entry without sources takes the source column of the
// target's name; blank entries are skipped.
QVector<ImportMapEntry> ParseImportMap(const QString& text);

// The setting "ImportDef" (section "Settings" of gAppName), the default written first
// when it is missing or empty.
QString LoadImportMap();

// The number that replaces a taken device number: its tail (everything after its first
// length - width characters) counted up as a decimal number, keeping at least its
// width and growing when it carries, until taken() says no. Raises error 1000 when the
// number is shorter than width, its tail is no number, or a bounded search finds no
// free number.
QString RenumberDevice(const QString& number, int width, const std::function<bool(const QString&)>& taken);

struct ImportOptions {
    tessaly::ICodeClass* rule = nullptr;            // decodes numbers; its last band's width renumbers
    qint32 userId = 0;                              // [O_ID] of the rows added
    std::function<void(const QString&)> status;     // panel 1 of the main window's status bar
};

// Imports the file into Dev_Info of gDatabase and returns the number of rows added. Every
// failure raises vb::Error with the description the user is shown (a row's names the row
// as TAB "Line:" n), after writing it to the import log when the log was opened; nothing
// has been added then. The file is only read.
qint32 ImportDevices(const QString& path, const ImportOptions& options);

} // namespace ostrel
