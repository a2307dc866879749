#pragma once
// Device cards: one device's values printed on one page at fixed positions in
// millimetres, shifted by the offsets "LeftShift" and "TopShift" of Ostrel.ini in the
// program's folder (5 and 15 without the file).
#include <QString>

namespace ostrel {

struct CardOffsets {
    qint32 left = 5;
    qint32 top = 15;
};

// The offsets from an Ostrel.ini text: "key = value" lines, keys case-sensitive, values
// rounded to whole millimetres halves to even, a later line winning; an offset without
// a line is 0. A key line without "=" raises the subscript error.
CardOffsets ParseCardOffsets(const QString& iniText);
// The offsets from Ostrel.ini, or the defaults when there is no such file.
CardOffsets ReadCardOffsets();

// Prints the card of device devId; raises 0x80040000 + 1071 (before any job starts) when
// there is no such row, and the engine's and printer's errors (the job is then dropped).
void PrintCard(qint32 devId);

// PrintCard for the windows: a failure shows its description with the exclamation icon.
void PrintDeviceCard(qint32& Dev_ID);

} // namespace ostrel
