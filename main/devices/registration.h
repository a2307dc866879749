#pragma once
// One confirmation of the history editor: the record of the selected page with its change
// to the device and its files, stored whole or not at all. QtCore only.
//
//   TransferEntry t; ...                                   // or any other kind of record
//   const qint32 kind = devices::RegisterHistory(t, files, QDateTime::currentDateTime());
#include "main/devices/history.h"
#include <variant>

namespace ostrel::devices {

// Documents registered on their own: no history row and no device change; the files take
// the chosen type, the common date as [Date], the handler as [M_ID] and the memo as [Memo].
struct DocumentsEntry : HistoryCommon {
    QVariant type; // list "DType"
};

// One record per page of the editor, in the order of its tabs: the variant's index is the page.
using HistoryRecord = std::variant<TransferEntry, MaintainEntry, CheckEntry, DiscardEntry, DocumentsEntry>;

// Refuses what cannot be stored, writing nothing: a code without a value, a date that is
// no date, an amount that is not wholly a number or a text holding NUL or half a surrogate
// pair gives 1000 "数据不合法！" and the field's label; a transfer to an empty location
// "数据不合法！现安装地点"; a listed file missing (0x80040000 + 1076) or too large (3163).
void CheckRegistration(const HistoryRecord& record, const QList<DocumentFile>& files);

// CheckRegistration, then one transaction: the device row must still be there (1001
// "指定设备不存在！"), the record with its change to the device, the files on consecutive
// keys (attached ones typed 11 to 14 and dated `began`), the commit. Returns the kind that
// DynaChg carries: the page 0 to 3, or the document type. A failure rolls everything back.
qint32 RegisterHistory(const HistoryRecord& record, const QList<DocumentFile>& files, const QDateTime& began);

} // namespace ostrel::devices
