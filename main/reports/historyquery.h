#pragma once
// The history queries of the report window: one statement per kind joining Dev_Info with a
// history table over a date range, and the list rows it gives. QtCore only.
//
//   QVector<CodeTable> codes;                         // the kind's lists, in HistoryCodeTypes order
//   for (const QString& t : HistoryCodeTypes(kind)) codes << CodeList(t, true);
//   QVector<HistoryRow> rows;
//   HistoryRows(gDatabase, kind, start, end, codes, rows);   // rows read before a failure stay
//
// Kinds: 0 transfers, 1 maintenance, 2 acceptance checks, 3 discards.
#include "main/core/mdlmisc.h"
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

namespace ostrel {

constexpr int kHistoryKinds = 4;

// One list row: the cells in column order and the tag, the device key as text.
struct HistoryRow {
    QStringList cells;
    QString tag;
};

// The column specification of a kind for SetupColumns ("费用,1" right-aligned).
QString HistoryColumns(int kind);
// The position (from 0) of a kind's date column; -1 for no kind.
int HistoryDateColumn(int kind);
// The window caption: "设备调拨记录=>[start]至[end]".
QString HistoryCaption(int kind, const QDateTime& start, const QDateTime& end);
// The base-data lists a kind's cells look codes up in, in loading order.
QStringList HistoryCodeTypes(int kind);
// The kind's statement: rows whose [日期] lies from start to end (to the minute, both
// included), in [日期] order.
QString HistoryStatement(int kind, const QDateTime& start, const QDateTime& end);
// A date as the queries write it: "yyyy-MM-dd HH:mm".
QString HistoryDate(const QDateTime& date);

// How the cells of a kind are made from the statement's columns.
class HistoryCells {
public:
    // codes: the indexed tables of HistoryCodeTypes(kind), in that order; a list that is
    // missing or empty gives empty cells.
    HistoryCells(int kind, const QVector<CodeTable>& codes);
    // The columns to read, by name: one per cell, then Dev_ID.
    const QStringList& columns() const { return m_columns; }
    // The row made of the values of columns() in that order (a date as a date or as text).
    HistoryRow row(const QVariant* values) const;

private:
    struct Cell {
        enum How { Text, Date, Code } how;
        int list;
    };
    QStringList m_columns;
    QVector<Cell> m_cells;
    QVector<CodeTable> m_codes;
};

// A code's text in an indexed code table: "" for Null, an empty table, or a code outside
// the table (a code beyond the list's largest is a stale value, not an error).
QString CodeCell(const CodeTable& table, const QVariant& code);

// Runs the kind's statement on db and appends its rows to `rows`; raises the engine's
// error with the rows read until then appended. An unknown kind does nothing.
void HistoryRows(dao::Database& db, int kind, const QDateTime& start, const QDateTime& end,
                 const QVector<CodeTable>& codes, QVector<HistoryRow>& rows);

} // namespace ostrel
