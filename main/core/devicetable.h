#pragma once
// The device table Dev_Info as the device editor reads and writes it.
//
// QtCore only. Every failure is raised as vb::Error (the engine's, or the numbered error
// named below); nothing here shows a message.
//
//   dao::Recordset rs = devices::OpenDevice(id, true);       // rs.Eof(): no such device
//   if (devices::DeviceNumberTaken(number, id)) ...          // own row left out
//   rs.Edit(); ...; devices::WritePicture(rs, change, bytes); rs.Update();
#include "platform/dao/dao.h"
#include <QByteArray>
#include <QString>
#include <QVector>

namespace ostrel::devices {

// "SELECT TOP 1 * FROM [Dev_Info] WHERE [Dev_ID]=key;": read-only, or editable with forEdit.
// No row: a record set at its end.
dao::Recordset OpenDevice(qint32 devId, bool forEdit = false);

// Whether device devId has its row; RequireDevice refuses one that is gone with 1001
// "指定设备不存在！".
bool DeviceStored(qint32 devId);
void RequireDevice(qint32 devId);

// One entry of the host pick list.
struct HostEntry {
    QString number;   // [设备编号]
    qint32 devId = 0; // [Dev_ID]
};
// Every device by number: "SELECT 设备编号,Dev_ID FROM [Dev_Info] ORDER BY [设备编号];".
QVector<HostEntry> HostList();

// Whether another row has this device number / maker's serial number. exceptId > 0 leaves
// that device's own row out (for saving). An empty number or serial is never taken.
bool DeviceNumberTaken(const QString& number, qint32 exceptId = 0);
bool SerialTaken(const QString& serial, qint32 exceptId = 0);

// Raises the adding errors when the number (1001) or the serial (0x80040000 + 1075) is taken.
void CheckNewDevice(const QString& number, const QString& serial, qint32 exceptId = 0);

// What a save does with the picture column [图片].
enum class PictureChange {
    Keep,    // not chosen: the column is not written
    Clear,   // cleared: Null
    Replace, // chosen: the bytes, whole (no bytes: as Keep)
};
// Writes [图片] of the row being added or edited in rs.
void WritePicture(dao::Recordset& rs, PictureChange change, const QByteArray& bytes = QByteArray());
// The picture bytes of the current row; a null QByteArray when the column is Null.
QByteArray ReadPicture(const dao::Recordset& rs);
// The picture of a device; a null QByteArray for none or no such device.
QByteArray ReadDevicePicture(qint32 devId);

// The most bytes one picture or file may have: what a value of the engine can hold, with
// room for the rest of the row.
constexpr qint64 kMaxStoredBytes = 1000000000 - 1024 * 1024;

// Whether path names a regular file that can be read (a dot-file is an ordinary file).
bool IsNormalFile(const QString& path);
// Raises what ReadFileBytes raises before reading: missing (or not a normal file):
// 0x80040000 + 1076 "找不到文件！path"; larger than maxBytes: error 3163 with the sizes.
void CheckFileToStore(const QString& path, qint64 maxBytes = kMaxStoredBytes);
// The whole file, exactly as stored on disk, after CheckFileToStore; a read error:
// error 75 with the path.
QByteArray ReadFileBytes(const QString& path, qint64 maxBytes = kMaxStoredBytes);

} // namespace ostrel::devices
