#include "main/devices/registration.h"
#include "main/core/mdlmisc.h"
#include "main/core/devicetable.h"
#include "platform/core/vbrt.h"
#include "platform/dao/transaction.h"

namespace ostrel::devices {
namespace {

template <class... Ts>
struct overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
overloaded(Ts...) -> overloaded<Ts...>;

void requireCode(const QVariant& code, const QString& label)
{
    bool ok = false;
    if (!code.isValid() || code.isNull())
        InvalidInput(label);
    code.toInt(&ok);
    if (!ok)
        InvalidInput(label);
}

const HistoryCommon& commonOf(const HistoryRecord& record)
{
    return std::visit([](const auto& e) -> const HistoryCommon& { return e; }, record);
}

} // namespace

void CheckRegistration(const HistoryRecord& record, const QList<DocumentFile>& files)
{
    static const QString kDateLabels[] = {QStringLiteral("调拨日期"), QStringLiteral("维修日期"),
                                          QStringLiteral("验收日期"), QStringLiteral("报废日期"),
                                          QStringLiteral("资料日期")};
    std::visit(overloaded{
                   [](const TransferEntry& e) {
                       CheckTypedText(e.fromPlace, QStringLiteral("原安装地点"));
                       CheckTypedText(e.toPlace, QStringLiteral("现安装地点"));
                       requireCode(e.fromDepart, QStringLiteral("原使用部门"));
                       requireCode(e.toDepart, QStringLiteral("现使用部门"));
                       // the device's location may not become empty
                       if (vb::Trim(e.toPlace).isEmpty())
                           InvalidInput(QStringLiteral("现安装地点"));
                   },
                   [](const MaintainEntry& e) {
                       requireCode(e.kind, QStringLiteral("维修类型"));
                       requireCode(e.vendor, QStringLiteral("维修厂商"));
                       AmountOf(e.cost, QStringLiteral("费用"));
                   },
                   [](const CheckEntry& e) {
                       requireCode(e.before, QStringLiteral("原验收状态"));
                       requireCode(e.after, QStringLiteral("现验收状态"));
                   },
                   [](const DiscardEntry& e) {
                       AmountOf(e.residual, QStringLiteral("残值收入"));
                       CheckTypedText(e.result, QStringLiteral("处理结果"));
                   },
                   [](const DocumentsEntry& e) { requireCode(e.type, QStringLiteral("资料类型")); },
               },
               record);
    const HistoryCommon& c = commonOf(record);
    CheckTypedText(c.memo, QStringLiteral("备注"));
    requireCode(c.handler, QStringLiteral("经办人"));
    if (!c.date.isValid())
        InvalidInput(kDateLabels[record.index()]);
    for (const DocumentFile& f : files)
        CheckFileToStore(f.path);
}

qint32 RegisterHistory(const HistoryRecord& record, const QList<DocumentFile>& files, const QDateTime& began)
{
    CheckRegistration(record, files);
    const HistoryCommon& c = commonOf(record);
    DocumentInfo docs{c.devId, 0, began, QVariant(), QVariant(), c.userId};
    qint32 kind = qint32(record.index());

    dao::Transaction tx;
    RequireDevice(c.devId);   // read inside the registration's transaction
    std::visit(overloaded{
                   [&](const TransferEntry& e) {
                       AddTransfer(e);
                       docs.type = DocTransfer;
                   },
                   [&](const MaintainEntry& e) {
                       AddMaintain(e);
                       docs.type = DocMaintain;
                   },
                   [&](const CheckEntry& e) {
                       AddCheck(e);
                       docs.type = DocCheck;
                   },
                   [&](const DiscardEntry& e) {
                       AddDiscard(e);
                       docs.type = DocDiscard;
                   },
                   [&](const DocumentsEntry& e) {
                       kind = docs.type = e.type.toInt();
                       docs.date = e.date;
                       docs.handler = e.handler;
                       docs.memo = e.memo;
                   },
               },
               record);
    AddDocuments(docs, files);
    tx.commit();
    return kind;
}

} // namespace ostrel::devices
