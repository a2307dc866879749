// Feeds arbitrary bytes to the Access reader. libmdb reads a file by name, so the input is
// written to memory-backed storage first, padded to whole pages: a file of part pages is
// refused before anything else is read.
#include "fuzz/readtables.h"
#include <QFile>
#include <cstdint>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString path = QStringLiteral("/dev/shm/fuzz-mdb-%1.mdb").arg(getpid());
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    bytes.append(QByteArray((4096 - bytes.size() % 4096) % 4096, '\0'));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return 0;
    file.close();
    readTables([&] { return extdb::openMdb(path); });
    return 0;
}
