#pragma once
// Adding and rewriting a whole Dev_Info row, as the device editor does.
//
// QtCore only. The caller has checked the input (required texts, selections, dates);
// these raise the refusals and the engine's errors as vb::Error and write nothing then.
//
//   DeviceRecord r; r.number = ...; ...
//   qint32 key = AddDevice(r, gUsrInfos->UsrID());
//   SaveDevice(key, r, gUsrInfos->UsrID(), gUsrInfos->PrvStyle());
#include "main/core/devicetable.h"
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVariant>

namespace ostrel::devices {

// The values of one device as the editor hands them over. Codes are the item data of
// the pick lists; optional texts are written as Null when empty.
struct DeviceRecord {
    QString number;      // [设备编号]
    QString card;        // [卡片编号]
    QVariant group;      // [Dev_Grp]
    QVariant host;       // [Mas_ID], 0 = none
    QString classes[3];  // [设备大类], [设备属类], [设备组别]
    QDateTime purchased; // [购置年代]
    QVariant check;      // [验收状况]
    QVariant state;      // [设备状况]
    QVariant depart;     // [Dep_ID]
    QString place;       // [安装地点]
    QVariant person;     // [责任人]
    QString value;       // [价值]: the number the text is (blanks around aside); empty: Null
    QString memo;        // [附加信息]
    QString maker;       // [Manufacturer]
    QString model;       // [Model]
    QString madeOn;      // [ManuDate], the text as typed
    QString serial;      // [ManuNo], as typed
    QDateTime inUseSince; // [启用日期]; invalid: Null
    QString funds;       // [资金来源]
    QString accessories; // [附件]
    QString documents;   // [资料]
    QString name;        // [设备名称]
    PictureChange picture = PictureChange::Keep;
    QByteArray pictureBytes; // with PictureChange::Replace
};

// Both refuse first, writing nothing, a text holding NUL or half a surrogate pair and a value
// text that is not wholly a number: 1000 "数据不合法！" and the field's label.
//
// Adds the row in one transaction: refuses a taken number (1001) or serial (0x80040000 +
// 1075), takes the next key and stores the row with [O_ID] = userId. Returns the key.
qint32 AddDevice(const DeviceRecord& record, qint32 userId);

// Rewrites the row devId in one transaction: refuses a missing row (1001 "指定设备不存在！"),
// another user's row unless level is 3 (0x80040000 + 1077; a Null owner is nobody's), and a
// number or serial that another row holds. The saving user becomes the owner.
void SaveDevice(qint32 devId, const DeviceRecord& record, qint32 userId, qint32 level);

} // namespace ostrel::devices
