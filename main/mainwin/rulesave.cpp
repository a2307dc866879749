#include "main/mainwin/rulesave.h"
#include "main/core/mdlmisc.h"
#include <QMap>
#include <QStringList>

namespace ostrel {
namespace {

const QString kCodeRule = QStringLiteral("CodeRule");
const QString kMemo = QStringLiteral("Memo");

using Keys = QMap<int, QString>;

// A definition text read as its key lines and its bands (each by name, in order).
struct RuleText {
    Keys keys;
    QStringList order;
    QMap<QString, Keys> bands;
};

RuleText parse(const QString& text)
{
    RuleText r;
    const QStringList lines = text.mid(5).split(QLatin1Char('\r'));
    for (int i = 0; i < lines.size();) {
        if (lines[i] == QLatin1String("16")) {
            Keys band;
            for (++i; i < lines.size() && lines[i] != QLatin1String("17"); ++i)
                band.insert(lines[i].section(QLatin1Char('='), 0, 0).toInt(), lines[i].section(QLatin1Char('='), 1));
            ++i;
            r.order << band.value(0);
            r.bands.insert(band.value(0), band);
        } else {
            r.keys.insert(lines[i].toInt(), lines.value(i + 1));
            i += 2;
        }
    }
    return r;
}

const QMap<int, const char*> kRuleLabels = {
    {0, "规则名称"},   {1, "编码样式"},   {2, "应用方式"}, {3, "允许增加区段"}, {4, "允许删除区段"},
    {5, "允许高级设置"}, {6, "允许简单样式"}, {7, "允许管理字段"}, {8, "编码大写"}, {9, "对应关系"},
    {10, "日分隔"},     {11, "周分隔"},    {12, "月分隔"},  {13, "年分隔"},    {14, "用户字段"},
    {15, "宏"},         {17, "分层区段"},
};
const QMap<int, const char*> kBandLabels = {
    {1, "类型"},     {2, "转换方式"}, {3, "当前值"},   {4, "格式"},     {5, "长度"},     {6, "字段/宏"},
    {7, "递增方式"}, {8, "开始"},     {9, "结束"},     {10, "触发区段"}, {11, "更新日期"}, {13, "跟踪区段"},
    {14, "对应关系"}, {15, "允许删除"}, {16, "允许修改"},
};

// A value as the question shows it: styles and modes by name, flags as 是/否, long texts cut.
QString valueText(const QMap<int, const char*>& labels, int key, const QString& v)
{
    static const QStringList styles = {QStringLiteral("固定值"), QStringLiteral("宏"), QStringLiteral("绑定字段"),
                                       QStringLiteral("自动递增数字"), QStringLiteral("自动递增字母")};
    static const QStringList swaps = {QStringLiteral("无转换"), QStringLiteral("普通对应转换"),
                                      QStringLiteral("分层对应转换")};
    static const QStringList incr = {QStringLiteral("(无)"), QStringLiteral("自动递增"), QStringLiteral("触发递增")};
    const QString label = QString::fromUtf8(labels.value(key));
    if (v.isEmpty())
        return QStringLiteral("（空）");
    if (&labels == &kBandLabels && (key == 1 || key == 2 || key == 7)) {
        const QStringList& names = key == 1 ? styles : key == 2 ? swaps : incr;
        return names.value(v.toInt(), v);
    }
    if (label.startsWith(QStringLiteral("允许")) || label == QStringLiteral("编码大写"))
        return v == QLatin1String("0") ? QStringLiteral("否") : QStringLiteral("是");
    constexpr int kLongest = 60;
    return v.size() > kLongest ? v.left(kLongest) + QStringLiteral("…") : v;
}

// A band as the question shows it when the other rule lacks it.
QString bandText(const Keys& band)
{
    if (band.isEmpty())
        return QStringLiteral("（无此区段）");
    return QStringLiteral("%1，长度 %2").arg(valueText(kBandLabels, 1, band.value(1)), band.value(5));
}

} // namespace

FieldConflicts RuleDifferences(const QString& yours, const QString& stored)
{
    const RuleText a = parse(yours);
    const RuleText b = parse(stored);
    FieldConflicts d;
    QList<int> keys = a.keys.keys() + b.keys.keys();
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    for (int k : keys)
        if (a.keys.value(k) != b.keys.value(k))
            d << FieldConflict{QString::fromUtf8(kRuleLabels.value(k, "其他设置")),
                               valueText(kRuleLabels, k, a.keys.value(k)), valueText(kRuleLabels, k, b.keys.value(k))};
    QStringList names = a.order;
    for (const QString& n : b.order)
        if (!names.contains(n))
            names << n;
    for (const QString& n : std::as_const(names)) {
        const Keys x = a.bands.value(n);
        const Keys y = b.bands.value(n);
        const QString band = QStringLiteral("区段“%1”").arg(n);
        if (x.isEmpty() || y.isEmpty()) {
            d << FieldConflict{band, bandText(x), bandText(y)};
            continue;
        }
        for (auto it = kBandLabels.cbegin(); it != kBandLabels.cend(); ++it)
            if (x.value(it.key()) != y.value(it.key()))
                d << FieldConflict{band + QStringLiteral("的") + QString::fromUtf8(it.value()),
                                   valueText(kBandLabels, it.key(), x.value(it.key())),
                                   valueText(kBandLabels, it.key(), y.value(it.key()))};
    }
    if (d.isEmpty() && a.order != b.order)
        d << FieldConflict{QStringLiteral("区段顺序"), a.order.join(QStringLiteral("、")),
                           b.order.join(QStringLiteral("、"))};
    if (d.isEmpty())
        d << FieldConflict{QStringLiteral("编码规则"), QStringLiteral("（本机的规则）"), QStringLiteral("（其他用户的规则）")};
    return d;
}

bool StoreCodeRule(const QString& value, QString& seen, const ConfirmConflicts& confirm)
{
    QString read = seen;
    const bool stored = WriteBack(
        [&]() -> FieldConflicts {
            const QString now = SysInfoText(kCodeRule, QString(), nullptr, kMemo);
            if (now != read && now != value) {
                read = now;
                return RuleDifferences(value, now);
            }
            StoreSysInfo(kCodeRule, value, kMemo);
            return {};
        },
        confirm);
    if (stored)
        seen = value;
    return stored;
}

} // namespace ostrel
