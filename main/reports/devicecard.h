#pragma once
// Stand-in for device-card printing, until it is built: it only remembers the device
// it was asked for.
#include <QtGlobal>

namespace ostrel {

// Prints the card of the device Dev_ID; reports its own failures.
void PrintDeviceCard(qint32& Dev_ID);
// The device of the last call (0 before any), for the stand-in's callers to check.
qint32 LastDeviceCardRequest();

} // namespace ostrel
