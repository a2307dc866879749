#include "rulegen/engine/strings.h"

namespace tessaly {
namespace {

const res::StringEntry kStrings[] = {
    {20, u"宋体", u"Arial"},
    {21, u"9", u"9"},
    {1001, u"区段", u"Band"},
    {1002, u"关系", u"Relation"},
    {1201, u"增加区段(&A)", u"Add Band(&A)"},
    {1202, u"前插入(&B)..", u"Add &Before.."},
    {1203, u"后插入(&A)..", u"Add &After.."},
    {1204, u"追加(&P)..", u"A&ppend.."},
    {1205, u"删除区段(&R)", u"Remove Band(&R)"},
    {1206, u"全部删除(&C)", u"Remove All(&C)"},
    {1208, u"增加节点(&A)", u"Add Node(&A)"},
    {1209, u"前插入(&B)..", u"Add &Before.."},
    {1210, u"后插入(&A)..", u"Add &After.."},
    {1211, u"追加(&P)..", u"A&ppend.."},
    {1212, u"子节点(&C)..", u"&Child.."},
    {1213, u"修改节点(&M)..", u"&Modify.."},
    {1214, u"删除节点(&R)", u"Remove Node(&R)"},
    {1215, u"全部删除(&C)", u"Remove All(&C)"},
    {1500, u"编码设计器", u"Designer"},
    {1501, u"名称", u"Name"},
    {1502, u"类型", u"Style"},
    {1503, u"当前值", u"Last Value"},
    {1504, u"格式", u"Format"},
    {1505, u"长度", u"Length"},
    {1506, u"字段/宏", u"Field/Macro"},
    {1507, u"对应关系", u"Relation"},
    {1508, u"递增方式", u"Raise Mode"},
    {1509, u"开始", u"Begin"},
    {1510, u"结束", u"End"},
    {1511, u"属性", u"Properties"},
    {1512, u"跟踪区段", u"Bands Tracked"},
    {1513, u"触发区段", u"Trigger Band"},
    {1514, u"转换方式", u"Swap Mode"},
    {1515, u"增加字段", u"Add field"},
    {1516, u"删除字段", u"Drop field"},
    {1520, u"新建", u"New"},
    {1521, u"删除", u"Delete"},
    {1551, u"保存(&S)", u"&Save"},
    {1552, u"高级(&A)", u"&Advanced"},
    {1553, u"应用(&P)", u"A&pply"},
    {1554, u"关闭(&C)", u"&Close"},
    {1561, u"增加", u"&Add"},
    {1562, u"删除", u"&Delete"},
    {1563, u"修改", u"&Modify"},
    {1564, u"清空", u"&Clear"},
    {1600, u"固定值", u"Fixed"},
    {1601, u"宏", u"Macro"},
    {1602, u"绑定字段", u"Bounded Field"},
    {1603, u"自动递增数字", u"Autoincreased Number"},
    {1604, u"自动递增字母", u"Autoincreased Alphabet"},
    {1611, u"无转换", u"None Conversion"},
    {1612, u"普通对应转换", u"Simple Conversion"},
    {1613, u"分层对应转换", u"Layer-Style Conversion"},
    {1621, u"(无)", u"Never"},
    {1622, u"自动递增", u"Auto Increase"},
    {1623, u"触发递增", u"Triggered Increase"},
    {1701, u"(无)", u"(None)"},
    {1801, u"删除(&D)", u"&Drop"},
    {1802, u"关闭(&C)", u"&Close"},
    {1803, u"用户字段", u"User fields"},
    {1804, u"增加(&A)", u"&Add"},
    {1811, u"新建区段", u"New Band"},
    {1812, u"确定(&Y)", u"&OK"},
    {1813, u"取消(&C)", u"&Cancel"},
    {1814, u"插入前方", u"Before"},
    {1815, u"插入后方", u"After"},
    {1816, u"追加区段", u"Append"},
    {1851, u"新建关系", u"Add Relations"},
    {1852, u"编码", u"Code"},
    {1853, u"对应值", u"Value"},
    {1854, u"位置", u"Position"},
    {1855, u"之前", u"Before"},
    {1856, u"之后", u"After"},
    {1857, u"追加", u"Append"},
    {1858, u"子节点", u"Child"},
    {1859, u"层次", u"Layer"},
    {1860, u"确定(&Y)", u"&OK"},
    {1861, u"取消(&C)", u"&Cancel"},
    {1865, u"修改关系", u"Modify Relations"},
    {1901, u"高级", u"Advanced"},
    {1902, u"分层对应顺序", u"Order of layers"},
    {1903, u"应用模式", u"Apply mode"},
    {1904, u"重新生成", u"Over again"},
    {1905, u"继承原值", u"Successive"},
    {1906, u"上移(&U)", u"&Up"},
    {1907, u"下移(&D)", u"&Down"},
    {1908, u"应用(&A)", u"&Apply"},
    {1909, u"关闭(&C)", u"&Close"},
    {1910, u"简单样式", u"Simple style"},
    {1911, u"内部保存", u"Save In-house"},
    {1912, u"编码大写", u"Uppercase"},
    {2001, u"属性只能赋值一次。", u"Property can't be changed."},
    {2002, u"区段类型未定义。", u"Band style not defined."},
    {2003, u"无效的参数或赋值。", u"Invalid parametre(s) or value."},
    {2004, u"属性只读。", u"Property is read only."},
    {2005, u"数据保存失败。", u"Save failure."},
    {2006, u"不支持的方法。", u"Method not supported."},
    {2007, u"您确实要删除下列区段吗？", u"Are you sure to delete the following Band?"},
    {2008, u"无效拖动。", u"None action of drag is needed."},
    {2009, u"不能删除区段，因为下列区段需该区段触发：",
     u"The band can't be Deleted,cause still used as triger band for the following band(s):"},
    {2010, u"该区段被下列区段跟踪，是否删除？", u"The band is tracked by the following band(s),continue?"},
    {2011, u"不能删除区段，因为该区段被其他区段跟踪。", u"The band can't be deleted,cause tracked by other band(s)."},
    {2012, u"项目已经存在。", u"Item has existed."},
    {2014, u"字段*为下列区段的绑定字段：", u"The field * is bounded to the following Band:"},
    {2015, u"删除项目失败。", u"Failed to drop item."},
    {2016, u"宏*为下列区段的绑定字段：", u"The macro * is bounded to the following Band:"},
    {2017, u"确实要删除选择的字段吗？", u"Do you want to delete the selected field(s)?"},
    {2018, u"无效参考字段名：", u"Incorrect refer band:"},
    {2019, u"同名区段已经存在。", u"Band with the same name exist."},
    {2021, u"分层关系受到影响，请重新设置。", u"Layered relations affected,please setup it again."},
    {2022, u"添加项目失败。", u"Failed to add item."},
    {2023, u"非法层次名称。", u"Incorrect layer name."},
    {2024, u"层次在用，禁止删除。", u"Layer is in use,no remove permmited."},
    {2025, u"确实要清空所有关系吗？(共包含*个关系)", u"Sure to clean all relations?(* relation(s) included.)"},
    {2026, u"确实要删除指定关系吗？", u"Sure to delete the relation?"},
    {2027, u"该关系包含*个子关系。", u"* child relation(s) included."},
    {2028, u"请先选择要删除的项目。", u"Please select item(s) to be droped first."},
    {2029, u"同级关系中相同编码已经存在。", u"Same code existed in the layer."},
    {2030, u"同级关系中相同对应值已经存在。", u"Same value existed in the layer."},
    {2031, u"区段跟踪自身无意义。", u"No sense to track itself."},
    {2033, u"转换关系尚未定义。", u"No relation(s) defined."},
    {2034, u"没有定义相应的转换关系。", u"No related relation defined."},
    {2035, u"非法的原始编码。", u"Incorrect previous code."},
    {2036, u"区段赋值长度不合法。", u"Incorrect length of band value."},
    {2037, u"确实要清除所有区段吗？", u"Are you sure to clear all band(s)?"},
    {2038, u"递增区段不能由自身触发。", u"Band should not trigered by itself."},
    {2039, u"确实要保存所做修改吗?", u"Do you want to save change(s)?"},
    {2040, u"待解释编码长度不合法！", u"Length of code ilegal!"},
    {2041, u"待解释编码中固定类型区段不合法！[*]", u"Fixed band value error. Code can't be disassembled."},
};

} // namespace

const res::StringTable& strings()
{
    static const res::StringTable t(kStrings);
    return t;
}

static const QString kSource = QStringLiteral("Tessaly");

vb::Error error(int id) { return vb::Error(vb::componentError(id), msg(id), kSource); }

vb::Error error(int id, const QString& detail)
{
    return vb::Error(vb::componentError(id), msg(id) + blankLine() + detail, kSource);
}

vb::Error errorJoined(int id, const QString& tail) { return vb::Error(vb::componentError(id), msg(id) + tail, kSource); }

vb::Error runtimeError(int number) { return vb::Error::runtime(number, kSource); }

void unlessReadOnly(const std::function<void()>& f)
{
    try {
        f();
    } catch (const vb::Error& e) {
        if (e.number() != vb::componentError(2004))
            throw;
    }
}

} // namespace tessaly
