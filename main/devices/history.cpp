#include "main/devices/history.h"
#include "main/core/mdlmisc.h"
#include "main/core/devicetable.h"
#include "platform/core/format.h"
#include "platform/core/vbrt.h"
#include <QFileInfo>
#include <functional>
#include <limits>

namespace ostrel::devices {
namespace {

using Setter = std::function<void(dao::Recordset&)>;

void requireTransaction()
{
    if (dao::DBEngine::TransactionLevel() < 1)
        throw vb::Error(dao::err::NotInTransaction, QStringLiteral("登记历史记录须在事务中进行。"));
}

// A key of `table`: GetNewID on [ID], as a long.
qint32 newKey(const QString& table)
{
    const QVariant id = GetNewID(table, QStringLiteral("ID"));
    if (id.typeId() != QMetaType::Int)
        throw vb::Error::runtime(vb::errOverflow);
    return id.toInt();
}

// Adds one row to a history table: key, device, the kind's own columns, the common ones.
qint32 addRow(const QString& table, const HistoryCommon& c, const Setter& setOwn)
{
    requireTransaction();
    dao::Recordset rs = RequireDatabase().OpenRecordset(
        QStringLiteral("SELECT TOP 1 * FROM ") + SqlName(table) + QStringLiteral(" WHERE [Dev_ID]=") +
            QString::number(c.devId) + QLatin1Char(';'),
        dao::dbOpenDynaset);
    RecordsetCloser closer(rs);
    rs.AddNew();
    const qint32 key = newKey(table);
    rs.Fields(QStringLiteral("ID")).setValue(key);
    rs.Fields(QStringLiteral("Dev_ID")).setValue(c.devId);
    setOwn(rs);
    rs.Fields(QStringLiteral("经办人")).setValue(c.handler);
    rs.Fields(QStringLiteral("日期")).setValue(c.date.isValid() ? QVariant(c.date) : QVariant());
    rs.Fields(QStringLiteral("备注")).setValue(c.memo);
    rs.Fields(QStringLiteral("O_ID")).setValue(c.userId);
    rs.Update();
    return key;
}

// Edits the device's row: "SELECT TOP 1 columns FROM [Dev_Info] WHERE [Dev_ID]=device;".
void editDevice(qint32 devId, const QString& columns, const Setter& set)
{
    dao::Recordset rs = RequireDatabase().OpenRecordset(QStringLiteral("SELECT TOP 1 ") + columns +
                                                            QStringLiteral(" FROM [Dev_Info] WHERE [Dev_ID]=") +
                                                            QString::number(devId) + QLatin1Char(';'),
                                                        dao::dbOpenDynaset);
    RecordsetCloser closer(rs);
    rs.Edit(); // no row: the engine's 3021
    set(rs);
    rs.Update();
}

} // namespace

qint32 AddTransfer(const TransferEntry& e)
{
    const qint32 key = addRow(QStringLiteral("Transfer"), e, [&](dao::Recordset& rs) {
        rs.Fields(QStringLiteral("Sur_ID")).setValue(e.fromDepart);
        rs.Fields(QStringLiteral("Tar_ID")).setValue(e.toDepart);
        SetFieldAs(rs.Fields(QStringLiteral("调前地点")), e.fromPlace, QStringLiteral("原安装地点"));
        SetFieldAs(rs.Fields(QStringLiteral("调后地点")), e.toPlace, QStringLiteral("现安装地点"));
    });
    editDevice(e.devId, QStringLiteral("[Dep_ID],[安装地点]"), [&](dao::Recordset& rs) {
        rs.Fields(QStringLiteral("Dep_ID")).setValue(e.toDepart);
        SetFieldAs(rs.Fields(QStringLiteral("安装地点")), vb::Trim(e.toPlace), QStringLiteral("现安装地点"));
    });
    return key;
}

qint32 AddMaintain(const MaintainEntry& e)
{
    return addRow(QStringLiteral("Maintain"), e, [&](dao::Recordset& rs) {
        rs.Fields(QStringLiteral("MType")).setValue(e.kind);
        rs.Fields(QStringLiteral("Main_ID")).setValue(e.vendor);
        rs.Fields(QStringLiteral("费用")).setValue(AmountOf(e.cost, QStringLiteral("费用")).toDouble());
    });
}

qint32 AddCheck(const CheckEntry& e)
{
    const qint32 key = addRow(QStringLiteral("Checks"), e, [&](dao::Recordset& rs) {
        rs.Fields(QStringLiteral("原验收状况")).setValue(e.before);
        rs.Fields(QStringLiteral("现验收状况")).setValue(e.after);
    });
    editDevice(e.devId, QStringLiteral("[验收状况]"),
               [&](dao::Recordset& rs) { rs.Fields(QStringLiteral("验收状况")).setValue(e.after); });
    return key;
}

qint32 AddDiscard(const DiscardEntry& e)
{
    const qint32 key = addRow(QStringLiteral("Discard"), e, [&](dao::Recordset& rs) {
        rs.Fields(QStringLiteral("残值收入")).setValue(AmountOf(e.residual, QStringLiteral("残值收入")).toDouble());
        SetFieldAs(rs.Fields(QStringLiteral("Result")), e.result, QStringLiteral("处理结果"));
    });
    editDevice(e.devId, QStringLiteral("[设备状况]"),
               [](dao::Recordset& rs) { rs.Fields(QStringLiteral("设备状况")).setValue(4); });
    return key;
}

qint32 AddDocuments(const DocumentInfo& info, const QList<DocumentFile>& files)
{
    requireTransaction();
    if (files.isEmpty())
        return 0;
    dao::Recordset rs =
        RequireDatabase().OpenRecordset(QStringLiteral("SELECT TOP 1 * FROM [Dev_Docs];"), dao::dbOpenDynaset);
    RecordsetCloser closer(rs);
    const qint32 first = newKey(QStringLiteral("Dev_Docs"));
    qint64 key = first;
    for (const DocumentFile& f : files) {
        if (key > std::numeric_limits<qint32>::max())
            throw vb::Error::runtime(vb::errOverflow);
        const QByteArray bytes = ReadFileBytes(f.path);
        const QString name = f.name.isEmpty() ? QFileInfo(f.path).fileName() : f.name;
        rs.AddNew();
        rs.Fields(QStringLiteral("ID")).setValue(qint32(key));
        rs.Fields(QStringLiteral("Dev_ID")).setValue(info.devId);
        rs.Fields(QStringLiteral("Type")).setValue(info.type);
        rs.Fields(QStringLiteral("Name")).setValue(name);
        rs.Fields(QStringLiteral("Value")).setValue(QVariant(bytes));
        rs.Fields(QStringLiteral("Date")).setValue(info.date.isValid() ? QVariant(info.date) : QVariant());
        if (info.handler.isValid())
            rs.Fields(QStringLiteral("M_ID")).setValue(info.handler);
        if (info.memo.isValid())
            rs.Fields(QStringLiteral("Memo")).setValue(info.memo);
        rs.Fields(QStringLiteral("O_ID")).setValue(info.userId);
        rs.Update();
        ++key;
    }
    RaiseKeyMark(QStringLiteral("Dev_Docs"), QStringLiteral("ID"), key - 1);
    return first;
}

} // namespace ostrel::devices
