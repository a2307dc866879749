#pragma once
// A workbook built to break a reader, from a real one (512-byte sectors, smaller than 1 MB):
// padded to 1 MB, its allocation table claiming 264,523 sectors and listing one sector in
// every place, a DIF sector that points at itself, and a mini-FAT chain that points back.
#include <QByteArray>
#include <QtEndian>

namespace testutil {

inline QByteArray loopedWorkbook(QByteArray b)
{
    const auto get = [&](qsizetype at) { return qFromLittleEndian<quint32>(b.constData() + at); };
    const auto put = [&](qsizetype at, quint32 v) { qToLittleEndian(v, b.data() + at); };
    const quint32 fat = get(0x4C), miniFat = get(0x3C);
    b.append(QByteArray((1 << 20) - b.size(), '\0'));
    const quint32 dif = (1 << 20) / 512 - 2;   // the last sector
    put(0x2C, 264523);
    for (int i = 0; i < 109; ++i)
        put(0x4C + 4 * i, fat);
    put(0x44, dif);
    put(0x48, 2430);
    for (int i = 0; i < 127; ++i)
        put((dif + 1) * 512 + 4 * i, fat);
    put((dif + 1) * 512 + 508, dif);
    put((fat + 1) * 512 + 4 * miniFat, miniFat);
    return b;
}

} // namespace testutil
