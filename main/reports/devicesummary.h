#pragma once
// The device summary: one labelled, tab-separated line per catalogue field of a Dev_Info row,
// coded fields by their base-data texts. QtCore only.
//
// Each line is preceded by CR LF: "\r\n主机编号:\t有\r\n设备编号:\tSB-01 ..." (21 lines).
#include <QString>
#include <QVariant>
#include <functional>

namespace ostrel {

// The summary of device devId; "" for a key below 1 or no such row. Gives status
// "正在下载设备概要信息.." while it reads and "" afterwards, also on failure. codeText turns
// a coded field (base-data type, code) into its text; none: CodeValue. Raises the engine's
// errors (a catalogue column missing from Dev_Info among them).
QString DeviceSummary(qint32 devId, const std::function<void(const QString&)>& status = {},
                      const std::function<QString(const QString&, const QVariant&)>& codeText = {});

// A label padded as the summary writes it: two blanks for each character it has fewer than 4.
QString SummaryLabel(const QString& label);

} // namespace ostrel
