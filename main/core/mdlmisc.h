#pragma once
// The program-wide objects and the base-data procedures every window uses.
#include "platform/dao/dao.h"
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

class QComboBox;
class QTreeWidget;

namespace cindral {
class Hub;
class Messenger;
}

namespace ostrel {

// Program-wide objects, one each for the whole run.
extern QString gAppName;
extern dao::Database gDatabase;
extern cindral::Hub* gMsgHub;
extern cindral::Messenger* gMessenger;

// Posts a status text through gMessenger (nothing when there is none); "" clears it.
void PostStatus(const QString& text);

// gDatabase, or error 91 when it is not open.
dao::Database& RequireDatabase();

// Cancels a pending edit and closes a record set, ignoring errors (for clean-up paths).
void CloseRecordset(dao::Recordset& rs);

// Shows an error's description with the exclamation icon and lets the user interface
// process its messages once.
void ReportError(const vb::Error& e);
void ReportError(const std::exception& e);

// SQL pieces built from values: a text between single quotes with its quotes doubled;
// a whole number checked to be one (error 13 otherwise).
QString SqlText(const QString& value);
QString SqlNumber(const QVariant& value);
// A table or column name between square brackets (a "]" in it is refused with error 5).
QString SqlName(const QString& name);

// A code table made by LoadCodeList: the pair form has two rows (codes, texts),
// the indexed form one row indexed by code.
using CodeTable = QVector<QStringList>;

// Opens gDatabase on Ostrel.mdb in the program's folder; raises the engine's error.
void OpenMainDatabase();

// Highest value of Table.Column + 1, or 1 for an empty table. Raises on failure.
QVariant GetNewID(const QString& table, const QString& column);

void LoadComboList(QComboBox* combo, const QString& type, const QString& sql = QString(), bool addNone = false,
                   bool selectFirst = false, const QString& allowedCodes = QString());
void SelectComboItem(QComboBox* combo, const QVariant& value, const QString& text = QString(),
                     bool afterBlank = false);
QString GetCodeValue(const QString& type, const QVariant& no);
void SetupColumns(QTreeWidget* list, const QString& spec);
QString ReadSysInfo(const QString& type, const QString& defaultText = QString(),
                    dao::Database* database = nullptr, const QString& column = QString());
void WriteSysInfo(const QString& type, const QString& value, const QString& column = QString());
void LoadCodeList(const QString& type, CodeTable& table, bool indexed);
QString LookupCode(const CodeTable& table, const QVariant& no, bool indexed);
QVariant DeleteDevice(qint32 devId, const QString& devNo);
QVariant DeleteDynaRecord(qint32 devId, qint32 id, const QString& table);

} // namespace ostrel
