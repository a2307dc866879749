#pragma once
// The program-wide objects and the database helpers every service uses. They show
// nothing: their errors are raised (the procedures that show them: mdlwidgets.h).
#include "platform/dao/dao.h"
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>

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

// gDatabase, or error 91 when it is not open.
dao::Database& RequireDatabase();

// Cancels a pending edit and closes a record set, ignoring errors (for clean-up paths).
void CloseRecordset(dao::Recordset& rs);

// Closes the record set it watches (CloseRecordset) when the scope ends, however it ends.
// The variable may be opened or reopened after the guard is made.
class RecordsetCloser {
public:
    explicit RecordsetCloser(dao::Recordset& rs) : m_rs(rs) {}
    ~RecordsetCloser() { CloseRecordset(m_rs); }
    RecordsetCloser(const RecordsetCloser&) = delete;
    RecordsetCloser& operator=(const RecordsetCloser&) = delete;

private:
    dao::Recordset& m_rs;
};

// A number held by a variant or written in a text, when it is one.
bool NumberOf(const QVariant& v, double* out);
// Variant equality as the program compares item data and codes: numbers by value, else text.
bool SameValue(const QVariant& a, const QVariant& b);

// Input checks: error 1000 "数据不合法！" followed by the field's label.
[[noreturn]] void InvalidInput(const QString& label);
// Refuses a typed text that cannot be stored: one holding NUL or half a surrogate pair.
void CheckTypedText(const QString& text, const QString& label);
// The amount typed into a money box: Null for a box of blanks, else the number its text
// wholly is (blanks around it aside); any other text is refused. A number too large for
// its column ("1e400") is refused by the column's overflow when it is stored.
QVariant AmountOf(const QString& text, const QString& label);

// Sets a field of the row being added or edited; a value it refuses is reported naming the
// field by its label, as the user sees it, not by its column.
void SetFieldAs(const dao::Field& field, const QVariant& value, const QString& label);
// How many characters a text column of gDatabase holds; 0 when it sets no limit.
int TextColumnSize(const QString& table, const QString& column);

// SQL pieces built from values: a text between single quotes with its quotes doubled;
// a whole number checked to be one (error 13 otherwise).
QString SqlText(const QString& value);
QString SqlNumber(const QVariant& value);
// A LIKE pattern in which only "?" stays a wildcard: "*", "#" and "[" stand for themselves.
// Put it between quotes with SqlText.
QString LiteralLikePattern(const QString& filter);
// A table or column name between square brackets (a "]" in it is refused with error 5).
QString SqlName(const QString& name);

// A code table made by LoadCodeList: the pair form has two rows (codes, texts),
// the indexed form one row indexed by code.
using CodeTable = QVector<QStringList>;

// Opens gDatabase on Ostrel.mdb in the program's folder, with its key marks
// (EnsureKeyMarks); raises the engine's error.
void OpenMainDatabase();

// The next key of Table.Column: one above both its highest key and its mark, the highest
// key ever given there (table KeyMarks), which is raised to it in the same transaction. So
// a key once given is never given again, not after its row was deleted either; where
// nothing at the top was deleted it is highest + 1, 1 for an empty table. Raises on
// failure; a key past 32 bits is error 6. Taken inside the transaction that writes it, the
// key stays free until the commit: the read waits for, then holds, the write lock (3228
// when another copy holds it too long).
QVariant GetNewID(const QString& table, const QString& column);
// Raises the mark of Table.Column to `key`: for keys written one after another from one
// GetNewID, in the transaction that writes them.
void RaiseKeyMark(const QString& table, const QString& column, qint64 key);
// Gives a register made before marks were kept its table KeyMarks, and raises each mark of
// the schema's key columns that is below its highest key to it (a register made before, or
// put back from an old backup); writes nothing when none is, and leaves the raising to a
// later opening when another copy holds the file.
void EnsureKeyMarks(dao::Database& db);

// The column (default [Value]) of the first SysInfo row of Type `type` in database (default
// gDatabase), or defaultText without one; a locked database is retried a few times.
QString SysInfoText(const QString& type, const QString& defaultText = QString(), dao::Database* database = nullptr,
                    const QString& column = QString());
// Writes value into that column, adding the row when there is none.
void StoreSysInfo(const QString& type, const QString& value, const QString& column = QString());
// The code table of list `type` (empty when the list is).
CodeTable CodeList(const QString& type, bool indexed);
// The text of code `no` of list `type` ("" for an empty code or none).
QString CodeValue(const QString& type, const QVariant& no);
QString LookupCode(const CodeTable& table, const QVariant& no, bool indexed);

// Deletes the rows of device devId from every table with a [Dev_ID] column, in one
// transaction; status, when given, hears which table is searched. A device that is gone is
// refused (1001 "指定设备不存在！").
void DeleteDeviceRows(qint32 devId, const std::function<void(const QString&)>& status = {});
// Empties the six data tables (Checks, Dev_Docs, Dev_Info, Discard, Maintain, Transfer) in
// one transaction: all or none. SysInfo stays. status hears each table before it is emptied.
void ClearDeviceTables(const std::function<void(const QString&)>& status = {});
// Deletes history row `id` of device devId from `table` (a plain name); a row that is gone
// is refused: 0x80040000 + 1080 "指定资料已不存在！" in Dev_Docs, + 1095 in the others.
void DeleteHistoryRecord(qint32 devId, qint32 id, const QString& table);
// Whether history row `id` of device devId is in `table` (a plain name).
bool HistoryRecordStored(qint32 devId, qint32 id, const QString& table);

} // namespace ostrel
