#include "main/core/devicetable.h"
#include "main/core/mdlmisc.h"
#include "main/core/strings.h"
#include <QFile>
#include <QFileInfo>

namespace ostrel::devices {
namespace {

const QString kPicture = QStringLiteral("图片");

// Whether a row of Dev_Info has `value` in `column`, another than exceptId's own.
bool valueTaken(const QString& column, const QString& value, qint32 exceptId)
{
    QString sql = QStringLiteral("SELECT TOP 1 * FROM [Dev_Info] WHERE ") + SqlName(column) + QLatin1Char('=') +
                  SqlText(value);
    if (exceptId > 0)
        sql += QStringLiteral(" AND [Dev_ID]<>") + QString::number(exceptId);
    dao::Recordset rs = RequireDatabase().OpenRecordset(sql + QLatin1Char(';'), dao::dbOpenSnapshot);
    const bool taken = !rs.Eof();
    rs.Close();
    return taken;
}

} // namespace

dao::Recordset OpenDevice(qint32 devId, bool forEdit)
{
    return RequireDatabase().OpenRecordset(QStringLiteral("SELECT TOP 1 * FROM [Dev_Info] WHERE [Dev_ID]=") +
                                               QString::number(devId) + QLatin1Char(';'),
                                           forEdit ? dao::dbOpenDynaset : dao::dbOpenSnapshot);
}

bool DeviceStored(qint32 devId)
{
    dao::Recordset rs = RequireDatabase().OpenRecordset(
        QStringLiteral("SELECT TOP 1 [Dev_ID] FROM [Dev_Info] WHERE [Dev_ID]=") + QString::number(devId) +
            QLatin1Char(';'),
        dao::dbOpenSnapshot);
    const bool found = !rs.Eof();
    rs.Close();
    return found;
}

void RequireDevice(qint32 devId)
{
    if (!DeviceStored(devId))
        throw vb::Error(1001, QStringLiteral("指定设备不存在！"));
}

QVector<HostEntry> HostList()
{
    dao::Recordset rs = RequireDatabase().OpenRecordset(
        QStringLiteral("SELECT 设备编号,Dev_ID FROM [Dev_Info] ORDER BY [设备编号];"), dao::dbOpenSnapshot);
    QVector<HostEntry> hosts;
    RecordsetCloser closer(rs);
    while (!rs.Eof()) {
        hosts.append({rs.Fields(0).Value().toString(), rs.Fields(1).Value().toInt()});
        rs.MoveNext();
    }
    return hosts;
}

bool DeviceNumberTaken(const QString& number, qint32 exceptId)
{
    if (number.isEmpty())
        return false;
    return valueTaken(QStringLiteral("设备编号"), number, exceptId);
}

bool SerialTaken(const QString& serial, qint32 exceptId)
{
    if (serial.isEmpty())
        return false;
    return valueTaken(QStringLiteral("ManuNo"), serial, exceptId);
}

void CheckNewDevice(const QString& number, const QString& serial, qint32 exceptId)
{
    if (DeviceNumberTaken(number, exceptId))
        throw vb::Error(1001, QStringLiteral("相同的设备编码已经存在！"));
    if (SerialTaken(serial, exceptId))
        throw vb::Error(vb::componentError(1075), Str(1075));
}

void WritePicture(dao::Recordset& rs, PictureChange change, const QByteArray& bytes)
{
    switch (change) {
    case PictureChange::Keep:
        return;
    case PictureChange::Clear:
        rs.Fields(kPicture).setValue(QVariant());
        return;
    case PictureChange::Replace:
        if (bytes.isEmpty())
            return;
        if (bytes.size() > kMaxStoredBytes)
            throw vb::Error(dao::err::FieldTooSmall, QStringLiteral("图片太大(%1 字节)，最多 %2 字节。")
                                                         .arg(bytes.size())
                                                         .arg(kMaxStoredBytes));
        rs.Fields(kPicture).setValue(QVariant(bytes));
        return;
    }
}

QByteArray ReadPicture(const dao::Recordset& rs)
{
    const QVariant v = rs.Fields(kPicture).Value();
    return v.isNull() ? QByteArray() : v.toByteArray();
}

QByteArray ReadDevicePicture(qint32 devId)
{
    dao::Recordset rs = RequireDatabase().OpenRecordset(
        QStringLiteral("SELECT TOP 1 [图片] FROM [Dev_Info] WHERE [Dev_ID]=") + QString::number(devId) +
            QLatin1Char(';'),
        dao::dbOpenSnapshot);
    QByteArray bytes;
    RecordsetCloser closer(rs);
    if (!rs.Eof())
        bytes = ReadPicture(rs);
    return bytes;
}

bool IsNormalFile(const QString& path)
{
    const QFileInfo info(path);
    return !path.isEmpty() && info.isFile() && info.isReadable();
}

void CheckFileToStore(const QString& path, qint64 maxBytes)
{
    if (!IsNormalFile(path))
        throw vb::Error(vb::componentError(1076), Str(1076, path));
    const qint64 size = QFileInfo(path).size();
    if (size > maxBytes)
        throw vb::Error(dao::err::FieldTooSmall,
                        QStringLiteral("文件[%1]太大(%2 字节)，最多 %3 字节。")
                            .arg(path, QString::number(size), QString::number(maxBytes)));
}

QByteArray ReadFileBytes(const QString& path, qint64 maxBytes)
{
    CheckFileToStore(path, maxBytes);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw vb::Error(75, QStringLiteral("读取文件失败：") + path);
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError || bytes.size() != file.size())
        throw vb::Error(75, QStringLiteral("读取文件失败：") + path);
    return bytes;
}

} // namespace ostrel::devices
