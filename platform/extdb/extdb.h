#pragma once
// Outside files read as tables: Excel workbooks (.xls, .xlsx) and Access files (.mdb).
// A file is recognised by its content, never by its extension; nothing is written to it.
//
//   std::unique_ptr<extdb::Source> src = extdb::open(path);    // nullptr: no reader knows it
//   std::unique_ptr<extdb::Table> t = src->openTable("sheet1");
//   extdb::Row row; qint64 line = 0;
//   while (t->next(row, line)) ... row.value(t->columnIndex("设备编号")) ...
//
// Every cell is a text or Null (a null QVariant). Numbers come without an exponent, whole
// ones with every digit (no ".0"), others to 15 significant digits, Access Decimal and
// Currency values with every digit stored; dates come as "yyyy-MM-dd HH:mm:ss"; Yes/No
// values as "True"/"False".
// A damaged file raises vb::Error 3343 with a description that names what is wrong.
#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <memory>
#include <optional>

namespace extdb {

class SharedTexts;

// The cells of a row that hold a value, by column: its memory and the work of reading it
// follow the cells it holds, not the table's width. A cell naming one of a workbook's shared
// texts holds its position among them until its value is taken.
class Row {
public:
    struct Cell {
        int column;
        qint32 shared;   // the shared text it names; -1: its value is value
        QVariant value;
    };
    // The value in column; Null where the row holds none.
    QVariant value(int column) const;
    // The value of a cell of this row.
    QVariant value(const Cell& cell) const;
    // Whether a cell of this row holds nothing but blanks.
    bool blank(const Cell& cell) const;
    // One past the last column that holds a value; 0 when none does.
    int width() const { return m_cells.isEmpty() ? 0 : m_cells.constLast().column + 1; }
    // The cells held, in column order.
    const QVector<Cell>& cells() const { return m_cells; }
    void clear() { m_cells.clear(); }
    // Holds value in column, which lies past the last one held; a Null is not held.
    void append(int column, QVariant value);
    // Holds in column the index-th of the texts share() gave.
    void appendShared(int column, qint32 index);
    // Holds in column a cell of another row that shares the same texts.
    void append(int column, const Cell& cell);
    void share(std::shared_ptr<const SharedTexts> texts) { m_shared = std::move(texts); }
    const std::shared_ptr<const SharedTexts>& shared() const { return m_shared; }

private:
    QVector<Cell> m_cells;
    std::shared_ptr<const SharedTexts> m_shared;
};

// The engine's numbers for the refusals a reader raises.
constexpr int kErrNoSuchTable = 3078;
constexpr int kErrDamaged = 3343;

class Table {
public:
    virtual ~Table() = default;
    // The column names. A sheet's first row that holds anything names its columns, which
    // run to the last column holding a value in any row; an empty heading is named "F" and
    // its position, a repeated one gets a number appended.
    const QStringList& columns() const { return m_columns; }
    // The position of a column, its name compared ignoring letter case; -1 when none.
    int columnIndex(const QString& name) const;
    // The next row that holds at least one non-blank cell, each cell at the position of its
    // column (read them with value(): the columns it does not hold are Null). number is the
    // row's position among the table's rows from 1, the rows skipped counted too (in a sheet:
    // its row less the heading row). False at the end.
    // Raises on a damaged file.
    bool next(Row& cells, qint64& number);

protected:
    // The next row as stored, blank or not; false at the end.
    virtual bool fetch(Row& cells, qint64& number) = 0;
    QStringList m_columns;
};

class Source {
public:
    virtual ~Source() = default;
    // The connect type the file stands for: "Microsoft Access", "Excel 8.0", "Excel 5.0",
    // "Excel 12.0 Xml".
    virtual QString kind() const = 0;
    // The tables (sheets) in the file's order.
    virtual QStringList tableNames() const = 0;
    // The table whose name equals name ignoring letter case; error 3078 when none.
    virtual std::unique_ptr<Table> openTable(const QString& name) = 0;
};

enum class Format { Unknown, Xls, Xlsx, Mdb };

// What the first bytes of the file say it is.
Format sniff(const QString& path);

// Opens the file with the reader its content calls for. nullptr when no reader knows the
// content (or the file cannot be read); a known kind that is damaged raises vb::Error.
std::unique_ptr<Source> open(const QString& path);

std::unique_ptr<Source> openXls(const QString& path);
std::unique_ptr<Source> openXlsx(const QString& path);
// A workbook held in memory; name stands for the file in messages.
std::unique_ptr<Source> openXlsData(const QByteArray& bytes, const QString& name);
// A workbook held in memory; name stands for the file in messages.
std::unique_ptr<Source> openXlsxData(const QByteArray& bytes, const QString& name);
std::unique_ptr<Source> openMdb(const QString& path);

// Pieces the readers share.
// A number as a cell's text, never with an exponent: whole numbers with every digit, others
// to 15 significant digits (1E-25 as "0.0000000000000000000000001"); only 0 reads as "0".
QString numberText(double value);
// A spreadsheet day serial as "yyyy-MM-dd HH:mm:ss" (1900 or 1904 system); "" when out of range.
QString serialDateText(double serial, bool date1904);
// A day and the seconds into it as "yyyy-MM-dd HH:mm:ss"; "" for a day outside years 1 to 9999.
QString dayTimeText(const QDate& day, int seconds);
// A cell that holds nothing but blanks (or Null).
bool isBlank(const QVariant& cell);
// A number format code that shows a date or a time.
bool dateFormatCode(const QString& code);
// A built-in number format that shows a date or a time (Chinese ones included).
bool builtInDateFormat(int id);
// Tables found by name ignoring letter case (the first of a name), at a cost that does not
// grow with their number; error 3078 when none.
class TableIndex {
public:
    explicit TableIndex(const QStringList& names);
    int find(const QString& name) const;

private:
    QHash<QString, int> m_positions;   // by name case-folded, the first of that name
};
// Raises the damaged-file error with a description naming the file and what is wrong.
[[noreturn]] void damaged(const QString& path, const QString& what);

} // namespace extdb
