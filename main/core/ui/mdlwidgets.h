#pragma once
// The base-data procedures that fill controls, ask the user or show their errors.
#include "main/core/mdlmisc.h"

class QComboBox;
class QTreeView;
class QTreeWidget;
class QWidget;

namespace ostrel {

// Posts a status text through gMessenger (nothing when there is none); "" clears it.
void PostStatus(const QString& text);

// Shows an error's description with the exclamation icon and lets the user interface
// process its messages once.
void ReportError(const std::exception& e);

void LoadComboList(QComboBox* combo, const QString& type, const QString& sql = QString(), bool addNone = false,
                   bool selectFirst = false, const QString& allowedCodes = QString());
void SelectComboItem(QComboBox* combo, const QVariant& value, const QString& text = QString(),
                     bool afterBlank = false);
// Columns from a spec ("费用,1" right-aligned); the rows are cleared. When the list already has
// these columns it keeps them with the widths the user gave them; otherwise the new columns
// take their first widths from `samples` (SizeColumns).
void SetupColumns(QTreeWidget* list, const QString& spec, const QStringList& samples = {});

// Centres a window that is not yet shown over its owner's window, within the owner's screen.
void PlaceOverOwner(QWidget* window);

// Sample cells for SizeColumns: a date to the minute, a 16-digit device number, eight
// characters of a name.
extern const QString kDateSample, kDeviceNoSample, kNameSample;

// First widths of a list's columns in the view's font: each wide enough for its sample text
// (none or "": Qt's default width) and its caption, with a little room either side.
void SizeColumns(QTreeView* view, const QStringList& samples);

// SysInfoText, CodeValue, StoreSysInfo and CodeList with their errors shown.
QString GetCodeValue(const QString& type, const QVariant& no);
QString ReadSysInfo(const QString& type, const QString& defaultText = QString(),
                    dao::Database* database = nullptr, const QString& column = QString());
// WriteSysInfo: true when the value was stored (an empty value or no database stores nothing;
// a failure has been shown).
bool WriteSysInfo(const QString& type, const QString& value, const QString& column = QString());
void LoadCodeList(const QString& type, CodeTable& table, bool indexed);

// Ask, then delete (DeleteDeviceRows, DeleteHistoryRecord); 1 when deleted, else empty.
QVariant DeleteDevice(qint32 devId, const QString& devNo);
QVariant DeleteDynaRecord(qint32 devId, qint32 id, const QString& table);

} // namespace ostrel
