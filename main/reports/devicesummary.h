#pragma once
// The device summary: one labelled, tab-separated line per catalogue field of a Dev_Info row,
// coded fields by their base-data texts. QtCore only.
//
// Each line is preceded by CR LF: "\r\n主机编号:\t有\r\n设备编号:\tSB-01 ..." (21 lines).
#include <QString>

namespace ostrel {

// The summary of device devId; "" for a key below 1 or no such row. Posts
// "正在下载设备概要信息.." while it reads and clears it afterwards, also on failure.
// Raises the engine's errors (a catalogue column missing from Dev_Info among them).
QString DeviceSummary(qint32 devId);

// DeviceSummary for the windows: a failure shows its description with the exclamation
// icon and gives "".
QString GetDeviceSummary(qint32 devId);

// A label padded as the summary writes it: two blanks for each character it has fewer than 4.
QString SummaryLabel(const QString& label);

} // namespace ostrel
