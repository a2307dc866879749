#pragma once
// Tabular printing through the report library Parvel (created by class identifier for
// every print): a record set the caller prepared, or the rows of a list view, which are
// first copied into a temporary database of their own.
//
//   // a list view (its model: header texts, then each top-level row's texts)
//   PrintListView(QStringLiteral("查询结果"), QDateTime::currentDateTime(), tree->model(), nullptr);
//   // a record set: a clone of it is printed, the caller's keeps its row
//   PrintListView(QStringLiteral("设备清单"), QDateTime::currentDateTime(), nullptr, &rs);
//
// The report is titled, dated "yyyy年mm月dd日" and closed by the line "记录共计:N".
#include "platform/dao/dao.h"
#include "platform/dao/transaction.h"
#include "report/include/parvel.h"
#include <QDateTime>
#include <QString>
#include <optional>

class QAbstractItemModel;

namespace ostrel {

// The report object of the last print; each print replaces it with a new one.
extern com::ComPtr<parvel::IParvel> gReport;

// The organisation text handed to the report object (kept there, not printed).
QString OrganisationName();

// Prints and returns 1; a failure shows its description with the exclamation icon (not
// for error 1005) and returns 0: no rows (1110), or a print the report library gave up
// (1111 with the reason it logged). SourceRecords wins over SourceList.
qint32 PrintListView(const QString& Title, const QDateTime& PrintDate, const QAbstractItemModel* SourceList,
                     dao::Recordset* SourceRecords);

// After a print: when the job went to a PDF file because the system has no printer,
// tells the user where the file is (information icon); otherwise shows nothing.
void ShowPrintedFile();

// PrintListView raising its failure instead of showing it.
void PrintList(const QString& Title, const QDateTime& PrintDate, const QAbstractItemModel* SourceList,
               dao::Recordset* SourceRecords);

// The column descriptions of a record set: one per field, its name, width 0 (the library
// sizes the columns), alignment 1 for text fields (text, fixed text and the long text the
// temporary tables use), 0 for the rest.
QList<parvel::PrnInfos> ColumnInfos(const dao::Recordset& rs);

// Appends a field to a table definition: Ordinal and Size applied when 0 or more, text
// fields allow zero-length values. Returns 1, or 0 when it failed: silently for a name
// already defined (3191), otherwise after showing the description, CR LF and
// " Err:[No n]" unless Silent.
qint32 AppendField(dao::TableDef& Table, const QString& FieldName, qint16 FieldType, qint32 Ordinal = -1,
                   qint32 Attributes = 0, qint32 Size = -1, bool Silent = false);

// The field type of a temporary table's text columns: long text, so any length fits.
constexpr qint16 kPrintTextType = dao::dbMemo;

// Groups the rows added to a temporary table into transactions of `size` rows, so a long
// copy neither syncs every row nor holds the engine's write lock for long.
class RowBatches {
public:
    // An unfinished batch is rolled back when the object goes.
    explicit RowBatches(int size = 2000);
    // Call after each row's Update.
    void added();
    // Commits the last batch.
    void finish();

private:
    int m_size;
    int m_rows = 0;
    std::optional<dao::Transaction> m_batch;
};

// A temporary database for one print: a file of its own in the program's folder
// ("Tmp_DB" and a unique part, ".tmp"), keyed with the database password, holding the
// empty table "tmp_Tbl" once Create() is called. Closed and deleted when the object goes,
// however the print ended.
class TempPrintDatabase {
public:
    TempPrintDatabase();
    ~TempPrintDatabase();
    TempPrintDatabase(const TempPrintDatabase&) = delete;
    TempPrintDatabase& operator=(const TempPrintDatabase&) = delete;

    dao::Database& database() { return m_db; }
    QString path() const { return m_path; }
    // A new table definition named "tmp_Tbl"; append fields with AppendField, then Create.
    dao::TableDef& table() { return m_table; }
    // Appends the table and opens a record set on it.
    dao::Recordset Create();

private:
    QString m_path;
    dao::Database m_db;
    dao::TableDef m_table;
};

} // namespace ostrel
