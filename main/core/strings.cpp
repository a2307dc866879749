#include "main/core/strings.h"

namespace ostrel {
namespace {
const res::StringEntry kEntries[] = {
    {1000, u"文件(&F)", nullptr},
    {1001, u"关闭(&C)", nullptr},
    {1002, u"视图(&V)", nullptr},
    {1003, u"工具栏(&T)", nullptr},
    {1004, u"状态栏(&B)", nullptr},
    {1005, u"大图标(&G)", nullptr},
    {1006, u"小图标(&M)", nullptr},
    {1007, u"列表(&L)", nullptr},
    {1008, u"详细资料(&D)", nullptr},
    {1009, u"排列图标(&I)", nullptr},
    {1010, u"刷新(&R)", nullptr},
    {1012, u"工具(&T)", nullptr},
    {1013, u"选项(&O)...", nullptr},
    {1014, u"帮助(&H)", nullptr},
    {1015, u"目录(&C)", nullptr},
    {1016, u"搜索帮助主题(&S)...", nullptr},
    {1017, u"关于(&A) ", nullptr},
    {1018, u"返回", nullptr},
    {1019, u"向前", nullptr},
    {1020, u"剪切", nullptr},
    {1021, u"复制", nullptr},
    {1022, u"粘贴", nullptr},
    {1023, u"删除", nullptr},
    {1024, u"属性", nullptr},
    {1025, u"大图标", nullptr},
    {1026, u"小图标", nullptr},
    {1027, u"列表", nullptr},
    {1028, u"详细资料", nullptr},
    {1060, u"无效参数。", nullptr},
    {1061, u"无此用户。", nullptr},
    {1062, u"口令错误或用户被禁用。", nullptr},
    {1063, u"请输入新用户名：", nullptr},
    {1064, u"同名用户已经存在！", nullptr},
    {1065, u"不能删除当前登录用户！", nullptr},
    {1066, u"确实要删除指定的用户[*]吗？", nullptr},
    {1067, u"权限保存成功！", nullptr},
    {1068, u"口令修改成功！", nullptr},
    {1069, u"请输入用户[*]的新登录口令：", nullptr},
    {1070, u"至少要保留一个“维护”级别的用户！", nullptr},
    {1071, u"设备不存在！可能已被其他用户删除。", nullptr},
    {1073, u"过滤的值不合法！", nullptr},
    {1074, u"请选择要打印的列！", nullptr},
    {1075, u"相同的设备出厂编号已经存在！", nullptr},
    {1076, u"找不到文件！*", nullptr},
    {1077, u"权限不足，不能修改他人记录！", nullptr},
    {1079, u"操作：", nullptr},
    {1080, u"指定资料已不存在！", nullptr},
    {1081, u"设备登记权限;设备调拨权限;设备维修权限;设备验收权限;设备报废权限;资料管理权限;设备删除权限;系统备份权限;清空数据权限", nullptr},
    {1082, u"确实要删除设备编码为[*]的设备信息吗？", nullptr},
    {1078, u"操作员：", nullptr},
    {1083, u"单机版", nullptr},
    {1085, u"确实要保存对设备信息的修改吗？", nullptr},
    {1090, u"用户名不能为空或只有空格！", nullptr},
    {1091, u"请先为该用户设置口令，再保存“禁用”以上的权限级别！", nullptr},
    {1092, u"请再次输入用户[*]的新登录口令：", nullptr},
    {1093, u"两次输入的口令不一致，口令未修改！", nullptr},
    {1094, u"口令的首尾不能是空格！", nullptr},
    {1095, u"指定记录已不存在！可能已被其他用户删除。", nullptr},
    {1110, u"没有可打印的记录！", nullptr},
    {1111, u"报表没有打印：*", nullptr},
};
} // namespace

const res::StringTable& strings()
{
    static const res::StringTable t(kEntries);
    return t;
}

QString Str(int id) { return strings().text(id); }

QString Str(int id, const QString& name)
{
    QString s = strings().text(id);
    s.replace(QLatin1Char('*'), name);
    return s;
}

} // namespace ostrel
