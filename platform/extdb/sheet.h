#pragma once
// A worksheet as a table: its first row that holds anything names the columns.
#include "platform/extdb/extdb.h"

namespace extdb {

class SheetTable : public Table {
protected:
    // The next row of the sheet as stored: its row number (any increasing count) and its
    // cells by column from 0. False at the end.
    virtual bool fetchRaw(qint64& sheetRow, Row& cells) = 0;
    // Reads up to the heading row; call once, from the reader, before the first next().
    void readHeading();
    bool fetch(Row& cells, qint64& number) override;

private:
    qint64 m_headingRow = 0;
    int m_first = 0;     // the sheet column of the first table column
};

} // namespace extdb
