#pragma once
// A test-only SQLite file system that fails on demand: a write, a sync or a read fails
// on its Nth call, or once N bytes have gone through, for files whose name contains a
// given text. Once it has failed it keeps failing until disarmed, like a full or
// broken disk. It works as root, where a read-only folder stops nothing.
//
//   faultvfs::Guard fault(faultvfs::Write, 3, -1, "Ostrel.STB");   // the 3rd write fails
#include <QString>

namespace faultvfs {

enum Op { Write, Sync, Read };

// Installs the file system as SQLite's default (once per process; the test mains do it
// first): files opened before go around it.
void install();

// Arms one fault: op fails on its nthCall-th call counted from now (0: not by count), or
// when more than afterBytes bytes (-1: not by size) would have gone through; a write
// across the limit writes what fits first. Only files whose name contains fileText
// (empty: every file) count.
void arm(Op op, int nthCall, qint64 afterBytes = -1, const QString& fileText = QString());
void disarm();
// How many calls have failed since arm.
int failures();

class Guard {
public:
    Guard(Op op, int nthCall, qint64 afterBytes = -1, const QString& fileText = QString())
    {
        install();
        arm(op, nthCall, afterBytes, fileText);
    }
    ~Guard() { disarm(); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;
};

} // namespace faultvfs
