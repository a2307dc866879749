#include "main/devices/devicerecord.h"
#include "main/core/mdlmisc.h"
#include "main/core/strings.h"
#include "platform/dao/transaction.h"

namespace ostrel::devices {
namespace {

QVariant textOrNull(const QString& text) { return text.isEmpty() ? QVariant() : QVariant(text); }

QVariant dateOrNull(const QDateTime& date) { return date.isValid() ? QVariant(date) : QVariant(); }

// Refuses, before anything is read or written, a typed text that cannot be stored and a
// value box that is not wholly a number; each by its field's label.
void checkRecord(const DeviceRecord& r)
{
    const std::pair<const QString*, const char*> texts[] = {
        {&r.number, "设备编号"}, {&r.card, "卡片编号"},  {&r.place, "安装地点"},     {&r.memo, "备注"},
        {&r.maker, "制造厂家"},  {&r.model, "型号规格"}, {&r.madeOn, "出厂日期"},    {&r.serial, "出厂编号"},
        {&r.funds, "资金来源"},  {&r.accessories, "附件"}, {&r.documents, "资料"}, {&r.name, "设备名称"}};
    for (const auto& [text, label] : texts)
        CheckTypedText(*text, QString::fromUtf8(label));
    AmountOf(r.value, QStringLiteral("设备原值"));
}

// Every column but the key and the owner, in the order adding writes them.
void fillRow(dao::Recordset& rs, const DeviceRecord& r)
{
    auto set = [&](const char* column, const QVariant& v) { rs.Fields(QString::fromUtf8(column)).setValue(v); };
    set("设备编号", r.number);
    set("卡片编号", r.card);
    set("Dev_Grp", r.group);
    set("Mas_ID", r.host);
    set("设备大类", r.classes[0]);
    set("设备属类", r.classes[1]);
    set("设备组别", r.classes[2]);
    set("购置年代", dateOrNull(r.purchased));
    set("验收状况", r.check);
    set("设备状况", r.state);
    set("Dep_ID", r.depart);
    set("安装地点", r.place);
    set("责任人", r.person);
    set("价值", AmountOf(r.value, QStringLiteral("设备原值")));
    set("附加信息", textOrNull(r.memo));
    set("Manufacturer", textOrNull(r.maker));
    set("Model", textOrNull(r.model));
    set("ManuDate", textOrNull(r.madeOn));
    set("ManuNo", textOrNull(r.serial));
    set("启用日期", dateOrNull(r.inUseSince));
    set("资金来源", textOrNull(r.funds));
    set("附件", textOrNull(r.accessories));
    set("资料", textOrNull(r.documents));
    set("设备名称", r.name);
    WritePicture(rs, r.picture, r.pictureBytes);
}

// Fills the row that `open` adds or edits in rs and stores it; rs is closed either way.
template <typename Open>
void storeRow(dao::Recordset& rs, const DeviceRecord& record, qint32 userId, Open&& open)
{
    RecordsetCloser closer(rs);
    open();
    fillRow(rs, record);
    rs.Fields(QStringLiteral("O_ID")).setValue(userId);
    rs.Update();
}

} // namespace

qint32 AddDevice(const DeviceRecord& record, qint32 userId)
{
    checkRecord(record);
    dao::Transaction tx;
    CheckNewDevice(record.number, record.serial.trimmed());
    const qint32 key = GetNewID(QStringLiteral("Dev_Info"), QStringLiteral("Dev_ID")).toInt();
    dao::Recordset rs = OpenDevice(key, true);
    storeRow(rs, record, userId, [&] {
        rs.AddNew();
        rs.Fields(QStringLiteral("Dev_ID")).setValue(key);
    });
    tx.commit();
    return key;
}

void SaveDevice(qint32 devId, const DeviceRecord& record, qint32 userId, qint32 level)
{
    checkRecord(record);
    dao::Transaction tx;
    dao::Recordset rs = OpenDevice(devId, true);
    storeRow(rs, record, userId, [&] {
        if (rs.Eof())
            throw vb::Error(1001, QStringLiteral("指定设备不存在！"));
        const QVariant owner = rs.Fields(QStringLiteral("O_ID")).Value();
        if (!owner.isNull() && owner.toInt() != userId && level != 3)
            throw vb::Error(vb::componentError(1077), Str(1077));
        CheckNewDevice(record.number, record.serial.trimmed(), devId);
        rs.Edit();
    });
    tx.commit();
}

} // namespace ostrel::devices
