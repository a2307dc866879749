// Feeds arbitrary bytes to the .xls reader as a workbook: it must never crash, hang or
// read without bound; a damaged workbook is refused with the reader's error.
#include "platform/core/vberror.h"
#include "platform/extdb/extdb.h"
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        std::unique_ptr<extdb::Source> book =
            extdb::openXlsData(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), QStringLiteral("fuzz.xls"));
        for (const QString& name : book->tableNames()) {
            std::unique_ptr<extdb::Table> table = book->openTable(name);
            extdb::Row row;
            qint64 number = 0;
            while (table->next(row, number)) {
                if (row.size() > table->columns().size())
                    __builtin_trap();   // never a cell past the last column
            }
        }
    } catch (const vb::Error&) {
        // refused as damaged
    }
    return 0;
}
