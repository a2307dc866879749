#pragma once
// A worksheet as a table: its first row that holds anything names the columns.
#include "platform/extdb/extdb.h"

namespace extdb {

class SheetTable : public Table {
protected:
    // The next row of the sheet as stored: its row number (any increasing count) and its
    // cells that hold a value, in column order. False at the end.
    virtual bool fetchRaw(qint64& sheetRow, Row& cells) = 0;
    // Starts the sheet again from its first row.
    virtual void rewind() = 0;
    // Finds the columns; call once, from the reader, before the first next(). As Jet's
    // Excel driver: the first row that holds anything names the columns, which run from
    // the first to the last column holding a value in any row; an empty name is "F" and
    // the column's position, a repeated one gets a number appended.
    void readHeading();
    bool fetch(Row& cells, qint64& number) override;

private:
    bool nextRaw(qint64& sheetRow, Row& cells);

    qint64 m_headingRow = 0;
    int m_first = 0;     // the sheet column of the first table column
    // The rows read while finding the columns, end to end, kept unless they hold too much.
    QByteArray m_buffered;
    std::shared_ptr<const SharedTexts> m_bufferedTexts;   // the shared texts they name
    Row m_raw;   // the row as stored, its memory kept from row to row
    qsizetype m_nextBuffered = 0;
    bool m_fromBuffer = false;
};

} // namespace extdb
