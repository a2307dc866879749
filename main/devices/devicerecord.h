#pragma once
// Adding a Dev_Info row and writing back one the device editor showed.
//
// QtCore only. The caller has checked the input (required texts, selections, dates);
// these raise the refusals and the engine's errors as vb::Error and write nothing then.
//
//   DeviceRecord r; r.number = ...; ...
//   ShownDevice shown{boxes, RecordOf(rs)};   // when the row is shown
//   SaveDevice(key, edited, shown, gUsrInfos->UsrID(), gUsrInfos->PrvStyle(), askTheUser);
#include "main/core/devicetable.h"
#include "main/core/writeback.h"
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
    QVariant owner;      // [O_ID] as read; never written from here
};

// The texts the editor trims before saving (number, card, place, memo, name), trimmed: what
// its boxes are compared as.
DeviceRecord TrimmedAsSaved(DeviceRecord r);

// What the editor showed of a row, kept until it saves: its boxes as they were filled, and
// the row as it was stored then (RecordOf).
struct ShownDevice {
    DeviceRecord boxes;
    DeviceRecord stored;
};

// The row rs is on as the editor's boxes give it back: texts as shown, class texts trimmed,
// dates to the minute, a Null host as 0, the stored picture in pictureBytes (picture Keep).
DeviceRecord RecordOf(const dao::Recordset& rs);

// `into` with the fields the user typed (where edited differs from shown.boxes; the picture
// when chosen or cleared) taken from `from`.
DeviceRecord KeepTyped(DeviceRecord into, const DeviceRecord& from, const ShownDevice& shown,
                       const DeviceRecord& edited);

// The label under which the editor shows a Dev_Info column; the column itself for others.
QString DeviceFieldLabel(const QString& column);

// Both refuse first, writing nothing, a text holding NUL or half a surrogate pair and a value
// text that is not wholly a number: 1000 "数据不合法！" and the field's label. A value a column
// refuses (a text too long) names the field by that label too.
//
// Adds the row in one transaction: refuses a taken number (1001) or serial (0x80040000 +
// 1075), takes the next key and stores the row with [O_ID] = userId. Returns the key;
// shown, when given, becomes what the editor now shows.
qint32 AddDevice(const DeviceRecord& record, qint32 userId, ShownDevice* shown = nullptr);

// Writes back the row devId that the editor showed. Only the fields in which `edited`
// differs from shown.boxes are written (the picture when chosen or cleared); the others keep
// what is stored, whichever copy saved it. A field that another copy changed too since
// shown.stored is written only when confirm, asked with no transaction open, says yes; No
// writes nothing and returns false. Refuses a missing row (1001 "指定设备不存在！"), another
// user's row unless level is 3 (0x80040000 + 1077; a Null owner is nobody's), and a number or
// serial being written that another row holds. The saving user becomes the owner; on success
// shown becomes the boxes saved and the row as stored now. lastRead, when given, gets the row
// as this save last read it: as stored after writing, or as the question showed it.
bool SaveDevice(qint32 devId, const DeviceRecord& edited, ShownDevice& shown, qint32 userId, qint32 level,
                const ConfirmConflicts& confirm, DeviceRecord* lastRead = nullptr);

} // namespace ostrel::devices
