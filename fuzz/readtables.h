#pragma once
// What every reader's fuzz target does with a source: reads each table to its end. It must
// never crash, hang or read without bound; a damaged file is refused with the reader's error.
#include "platform/core/vberror.h"
#include "platform/extdb/extdb.h"
#include <functional>

inline int readTables(const std::function<std::unique_ptr<extdb::Source>()>& open)
{
    try {
        std::unique_ptr<extdb::Source> source = open();
        for (const QString& name : source ? source->tableNames() : QStringList()) {
            std::unique_ptr<extdb::Table> table = source->openTable(name);
            extdb::Row row;
            qint64 number = 0;
            while (table->next(row, number)) {
                if (row.width() > table->columns().size())
                    __builtin_trap();   // never a cell past the last column
            }
        }
    } catch (const vb::Error&) {
        // refused as damaged
    }
    return 0;
}
