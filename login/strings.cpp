#include "login/strings.h"
#include "shared/res/strings.h"

namespace quillon {
namespace {

const res::StringEntry kEntries[] = {
    {2001, u"用户登录", nullptr},
    {2002, u"用户名称(&U):", nullptr},
    {2003, u"登录密码(&P):", nullptr},
    {2004, u"保存密码", nullptr},
    {2005, u"确定(&Y)", nullptr},
    {2006, u"取消(&C)", nullptr},
    {2008, u"登录过程被用户取消。", nullptr},
    {2010, u"用户请求被服务器拒绝。", nullptr},
    {2011, u"错误的用户名或口令！(密码需区分大小写)", nullptr},
    {2012, u"初始口令为“Tavin”", nullptr},
    {2013, u"指定用户不存在！请确认无拼写错误。", nullptr},
    {2014, u"此用户被禁止登录，请与管理员联系。", nullptr},
    {2015, u"无效的口令(密码需区分大小写)", nullptr},
    {2016, u"无效的校验参数。", nullptr},
    {2017, u"旧密码无效，请重试！", nullptr},
    {2018, u"修改密码", nullptr},
    {2019, u"确认密码与新密码不同，请重试！", nullptr},
    {2020, u"对不起，修改密码失败！", nullptr},
    {2021, u"对不起，用户无权修改密码！", nullptr},
    {2022, u"对不起，新密码不合法！", nullptr},
    {2023, u"新密码不合法！为保障安全，密码需要足够的复杂！", nullptr},
    {2024, u"要修改密码，请先登录系统。", nullptr},
    {2025, u"恭喜！密码修改成功！", nullptr},
    {2026, u"用户名称(&U):", nullptr},
    {2027, u"原有密码(&O):", nullptr},
    {2028, u"新的密码(&N):", nullptr},
    {2029, u"验证密码(&C):", nullptr},
    {2051, u"对不起，驱动模块已经加载！", nullptr},
};

const res::StringTable& table()
{
    static const res::StringTable t(kEntries);
    return t;
}

} // namespace

QString msg(int id) { return table().text(id); }

QString libraryName() { return QStringLiteral("Quillon"); }

} // namespace quillon
