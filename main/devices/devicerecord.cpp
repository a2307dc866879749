#include "main/devices/devicerecord.h"
#include "main/core/mdlmisc.h"
#include "main/core/strings.h"
#include "platform/core/format.h"
#include "platform/dao/transaction.h"

namespace ostrel::devices {
namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-dd HH:mm");

QVariant textOrNull(const QString& text) { return text.isEmpty() ? QVariant() : QVariant(text); }

QVariant dateOrNull(const QDateTime& date) { return date.isValid() ? QVariant(date) : QVariant(); }

enum class Kind { Text, Code, Host, Date, Amount };

template <auto Member>
void copyMember(DeviceRecord& to, const DeviceRecord& from) { to.*Member = from.*Member; }
template <int Level>
void copyClass(DeviceRecord& to, const DeviceRecord& from) { to.classes[Level] = from.classes[Level]; }

// A column the editor writes: its label as the editor shows it, and its value in a record.
struct Column {
    const char* name;
    const char* label;
    Kind kind;
    QVariant (*of)(const DeviceRecord&);
    void (*copy)(DeviceRecord& to, const DeviceRecord& from);
    const char* list = nullptr;   // the SysInfo list of a code
};

using R = DeviceRecord;

// Every column but the key, the picture and the owner, in the order adding writes them.
const Column kColumns[] = {
    {"设备编号", "设备编号", Kind::Text, [](const R& r) { return QVariant(r.number); }, copyMember<&R::number>},
    {"卡片编号", "卡片编号", Kind::Text, [](const R& r) { return QVariant(r.card); }, copyMember<&R::card>},
    {"Dev_Grp", "所属组别", Kind::Code, [](const R& r) { return r.group; }, copyMember<&R::group>, "Dev_Grp"},
    {"Mas_ID", "主机编号", Kind::Host, [](const R& r) { return r.host; }, copyMember<&R::host>},
    {"设备大类", "设备大类", Kind::Text, [](const R& r) { return QVariant(r.classes[0]); }, copyClass<0>},
    {"设备属类", "设备属类", Kind::Text, [](const R& r) { return QVariant(r.classes[1]); }, copyClass<1>},
    {"设备组别", "设备组别", Kind::Text, [](const R& r) { return QVariant(r.classes[2]); }, copyClass<2>},
    {"购置年代", "购置日期", Kind::Date, [](const R& r) { return dateOrNull(r.purchased); }, copyMember<&R::purchased>},
    {"验收状况", "验收状况", Kind::Code, [](const R& r) { return r.check; }, copyMember<&R::check>, "Check"},
    {"设备状况", "设备状况", Kind::Code, [](const R& r) { return r.state; }, copyMember<&R::state>, "State"},
    {"Dep_ID", "使用部门", Kind::Code, [](const R& r) { return r.depart; }, copyMember<&R::depart>, "Departs"},
    {"安装地点", "安装地点", Kind::Text, [](const R& r) { return QVariant(r.place); }, copyMember<&R::place>},
    {"责任人", "责任人", Kind::Code, [](const R& r) { return r.person; }, copyMember<&R::person>, "Trans"},
    {"价值", "设备原值", Kind::Amount, [](const R& r) { return AmountOf(r.value, QStringLiteral("设备原值")); },
     copyMember<&R::value>},
    {"附加信息", "备注", Kind::Text, [](const R& r) { return textOrNull(r.memo); }, copyMember<&R::memo>},
    {"Manufacturer", "制造厂家", Kind::Text, [](const R& r) { return textOrNull(r.maker); }, copyMember<&R::maker>},
    {"Model", "型号规格", Kind::Text, [](const R& r) { return textOrNull(r.model); }, copyMember<&R::model>},
    {"ManuDate", "出厂日期", Kind::Text, [](const R& r) { return textOrNull(r.madeOn); }, copyMember<&R::madeOn>},
    {"ManuNo", "出厂编号", Kind::Text, [](const R& r) { return textOrNull(r.serial); }, copyMember<&R::serial>},
    {"启用日期", "启用日期", Kind::Date, [](const R& r) { return dateOrNull(r.inUseSince); },
     copyMember<&R::inUseSince>},
    {"资金来源", "资金来源", Kind::Text, [](const R& r) { return textOrNull(r.funds); }, copyMember<&R::funds>},
    {"附件", "附件", Kind::Text, [](const R& r) { return textOrNull(r.accessories); }, copyMember<&R::accessories>},
    {"资料", "资料", Kind::Text, [](const R& r) { return textOrNull(r.documents); }, copyMember<&R::documents>},
    {"设备名称", "设备名称", Kind::Text, [](const R& r) { return QVariant(r.name); }, copyMember<&R::name>},
};

QString nameOf(const Column& c) { return QString::fromUtf8(c.name); }
QString labelOf(const Column& c) { return QString::fromUtf8(c.label); }

// Refuses, before anything is read or written, a typed text that cannot be stored and a
// value box that is not wholly a number; each by its field's label.
void checkRecord(const DeviceRecord& r)
{
    for (const Column& c : kColumns)
        if (c.kind == Kind::Text)
            CheckTypedText(c.of(r).toString(), labelOf(c));
        else if (c.kind == Kind::Amount)
            c.of(r);
}

// The picture a save leaves in the row: what the record chose, or `kept` when it keeps it.
QVariant pictureOf(const DeviceRecord& r, const QByteArray& kept)
{
    if (r.picture == PictureChange::Clear)
        return QVariant();
    const QByteArray& bytes = r.picture == PictureChange::Replace && !r.pictureBytes.isEmpty() ? r.pictureBytes : kept;
    return bytes.isNull() ? QVariant() : QVariant(bytes);
}

// A value as the question shows it: codes by their text, the host by its number.
QString shownText(const Column& c, const QVariant& v)
{
    if (v.isNull() || vb::CStr(v).isEmpty())
        return QStringLiteral("（空）");
    switch (c.kind) {
    case Kind::Code: {
        const QString text = CodeValue(QString::fromUtf8(c.list), v);
        return text.isEmpty() ? vb::CStr(v) : text;
    }
    case Kind::Host: {
        if (v.toInt() == 0)
            return QStringLiteral("(无)");
        dao::Recordset rs = OpenDevice(v.toInt());
        const QString number = rs.Eof() ? vb::CStr(v) : vb::CStr(rs.Fields(QStringLiteral("设备编号")).Value());
        rs.Close();
        return number;
    }
    case Kind::Date: return vb::toDate(v).toString(kDateFormat);
    default: return vb::CStr(v);
    }
}

// The user typed it: what the editor holds differs from what it showed.
bool typed(const Column& c, const ShownDevice& shown, const DeviceRecord& edited)
{
    return ShownField{c.of(shown.boxes), c.of(edited), {}, {}}.changedHere();
}

// The picture as shown and as the editor would leave it, the stored one standing for a kept one.
ShownField pictureField(const ShownDevice& shown, const DeviceRecord& edited, const DeviceRecord& seen,
                        const DeviceRecord& stored)
{
    return {pictureOf(shown.boxes, shown.stored.pictureBytes), pictureOf(edited, shown.stored.pictureBytes),
            pictureOf(seen, seen.pictureBytes), pictureOf(stored, stored.pictureBytes)};
}

QString pictureText(const QVariant& v, const char* some)
{
    return v.isNull() ? QStringLiteral("（无图片）") : QString::fromUtf8(some);
}

// The row as it is now, read inside the transaction that wrote it.
DeviceRecord storedRecord(qint32 devId)
{
    dao::Recordset rs = OpenDevice(devId);
    RecordsetCloser closer(rs);
    return RecordOf(rs);
}

} // namespace

DeviceRecord RecordOf(const dao::Recordset& rs)
{
    const auto v = [&](const char* column) { return rs.Fields(QString::fromUtf8(column)).Value(); };
    const auto text = [&](const char* column) { return vb::CStr(v(column)); };
    // As the editor's boxes give a date back: to the minute.
    const auto date = [&](const char* column) {
        bool ok = false;
        const QDateTime d = vb::toDate(v(column), &ok);
        return ok ? vb::toDate(d.toString(kDateFormat)) : QDateTime();
    };
    DeviceRecord r;
    r.number = text("设备编号");
    r.card = text("卡片编号");
    r.group = v("Dev_Grp");
    r.host = v("Mas_ID").isNull() ? QVariant(0) : v("Mas_ID");
    r.classes[0] = text("设备大类").trimmed();
    r.classes[1] = text("设备属类").trimmed();
    r.classes[2] = text("设备组别").trimmed();
    r.purchased = date("购置年代");
    r.check = v("验收状况");
    r.state = v("设备状况");
    r.depart = v("Dep_ID");
    r.place = text("安装地点");
    r.person = v("责任人");
    r.value = text("价值");
    r.memo = text("附加信息");
    r.maker = text("Manufacturer");
    r.model = text("Model");
    r.madeOn = text("ManuDate");
    r.serial = text("ManuNo");
    r.inUseSince = date("启用日期");
    r.funds = text("资金来源");
    r.accessories = text("附件");
    r.documents = text("资料");
    r.name = text("设备名称");
    r.pictureBytes = ReadPicture(rs);
    r.owner = v("O_ID");
    return r;
}

DeviceRecord TrimmedAsSaved(DeviceRecord r)
{
    for (QString* text : {&r.number, &r.card, &r.place, &r.memo, &r.name})
        *text = text->trimmed();
    return r;
}

DeviceRecord KeepTyped(DeviceRecord into, const DeviceRecord& from, const ShownDevice& shown,
                       const DeviceRecord& edited)
{
    for (const Column& c : kColumns)
        if (typed(c, shown, edited))
            c.copy(into, from);
    if (pictureField(shown, edited, {}, {}).changedHere()) {
        into.picture = from.picture;
        into.pictureBytes = from.pictureBytes;
    }
    return into;
}

QString DeviceFieldLabel(const QString& column)
{
    for (const Column& c : kColumns)
        if (column.compare(nameOf(c), Qt::CaseInsensitive) == 0)
            return labelOf(c);
    return column;
}

qint32 AddDevice(const DeviceRecord& record, qint32 userId, ShownDevice* shown)
{
    checkRecord(record);
    dao::Transaction tx;
    CheckNewDevice(record.number, record.serial.trimmed());
    const qint32 key = GetNewID(QStringLiteral("Dev_Info"), QStringLiteral("Dev_ID")).toInt();
    {
        dao::Recordset rs = OpenDevice(key, true);
        RecordsetCloser closer(rs);
        rs.AddNew();
        rs.Fields(QStringLiteral("Dev_ID")).setValue(key);
        for (const Column& c : kColumns)
            SetFieldAs(rs.Fields(nameOf(c)), c.of(record), labelOf(c));
        WritePicture(rs, record.picture, record.pictureBytes);
        rs.Fields(QStringLiteral("O_ID")).setValue(userId);
        rs.Update();
    }
    if (shown)
        *shown = ShownDevice{record, storedRecord(key)};
    tx.commit();
    return key;
}

bool SaveDevice(qint32 devId, const DeviceRecord& edited, ShownDevice& shown, qint32 userId, qint32 level,
                const ConfirmConflicts& confirm, DeviceRecord* lastRead)
{
    checkRecord(edited);
    DeviceRecord seen = shown.stored;
    DeviceRecord now;
    const bool saved = WriteBack(
        [&]() -> FieldConflicts {
            dao::Recordset rs = OpenDevice(devId, true);
            RecordsetCloser closer(rs);
            if (rs.Eof())
                throw vb::Error(1001, QStringLiteral("指定设备不存在！"));
            const QVariant owner = rs.Fields(QStringLiteral("O_ID")).Value();
            if (!owner.isNull() && owner.toInt() != userId && level != 3)
                throw vb::Error(vb::componentError(1077), Str(1077));
            const DeviceRecord stored = RecordOf(rs);
            if (lastRead)
                *lastRead = stored;
            FieldConflicts conflicts;
            QVector<const Column*> written;
            for (const Column& c : kColumns) {
                const ShownField f{c.of(shown.boxes), c.of(edited), c.of(seen), c.of(stored)};
                if (f.conflict())
                    conflicts << FieldConflict{labelOf(c), shownText(c, f.edited), shownText(c, f.stored)};
                if (f.changedHere())
                    written << &c;
            }
            const ShownField picture = pictureField(shown, edited, seen, stored);
            if (picture.conflict())
                conflicts << FieldConflict{QStringLiteral("图片"), pictureText(picture.edited, "（新图片）"),
                                           pictureText(picture.stored, "（另一张图片）")};
            if (!conflicts.isEmpty()) {
                seen = stored;
                return conflicts;
            }
            const auto writes = [&](const char* column) {
                for (const Column* c : std::as_const(written))
                    if (qstrcmp(c->name, column) == 0)
                        return true;
                return false;
            };
            CheckNewDevice(writes("设备编号") ? edited.number : QString(),
                           writes("ManuNo") ? edited.serial.trimmed() : QString(), devId);
            rs.Edit();
            for (const Column* c : std::as_const(written))
                SetFieldAs(rs.Fields(nameOf(*c)), c->of(edited), labelOf(*c));
            if (picture.changedHere())
                WritePicture(rs, edited.picture, edited.pictureBytes);
            rs.Fields(QStringLiteral("O_ID")).setValue(userId);
            rs.Update();
            now = storedRecord(devId);
            if (lastRead)
                *lastRead = now;
            return {};
        },
        confirm);
    if (saved)
        shown = ShownDevice{edited, now};
    return saved;
}

} // namespace ostrel::devices
