// Feeds arbitrary bytes to the .xlsx reader as a workbook.
#include "fuzz/readtables.h"
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    return readTables([&] { return extdb::openXlsxData(bytes, QStringLiteral("fuzz.xlsx")); });
}
