#include "main/reports/filtertext.h"
#include "platform/dao/dao.h"
#include "tests/common/raised.h"
#include <gtest/gtest.h>

using namespace ostrel;
using namespace Qt::StringLiterals;

namespace {

constexpr int kBadValue = int(0x80040000u) + 1073;

TEST(FilterText, SimpleConditions)
{
    struct Case {
        QString column, op, value;
        int type;
        QString expected;
    };
    for (const Case& c : {
             Case{u"设备名称"_s, u"LIKE"_s, u"*机*"_s, dao::dbText, u"([设备名称]LIKE'*机*')"_s},
             Case{u"价值"_s, u">="_s, u"1000"_s, dao::dbCurrency, u"([价值]>=1000)"_s},
             Case{u"购置年代"_s, u"<"_s, u"2003-01-01"_s, dao::dbDate, u"([购置年代]<#2003-01-01#)"_s},
             Case{u"Model"_s, u"<>"_s, QString(), dao::dbText, u"([Model]<>'')"_s},
             Case{u"购置年代"_s, u"="_s, QString(), dao::dbDate, u"([购置年代] IS NULL)"_s},
             Case{u"价值"_s, u"="_s, QString(), dao::dbCurrency, u"([价值] IS NULL)"_s},
             Case{u"设备名称"_s, u"="_s, QString(), dao::dbText, u"(([设备名称]='') OR ([设备名称] IS NULL))"_s},
             Case{u"设备名称"_s, u"="_s, u"O'Brien"_s, dao::dbText, u"([设备名称]='O''Brien')"_s},
             Case{u"设备名称"_s, u"="_s, u" 带空格 "_s, dao::dbText, u"([设备名称]=' 带空格 ')"_s},
         })
        EXPECT_EQ(SimpleCondition(c.column, c.op, c.value, c.type), c.expected) << c.expected.toStdString();

    for (const Case& c : {Case{u"价值"_s, u">"_s, QString(), dao::dbCurrency, {}},
                          Case{u"购置年代"_s, u"<>"_s, QString(), dao::dbDate, {}},
                          Case{u"价值"_s, u">"_s, u"1) OR (1=1"_s, dao::dbCurrency, {}},
                          Case{u"购置年代"_s, u"="_s, u"2003-01-01#) OR (#1"_s, dao::dbDate, {}},
                          Case{u"购置年代"_s, u"="_s, u"去年"_s, dao::dbDate, {}}}) {
        const vb::Error e = testutil::errorOf([&] { SimpleCondition(c.column, c.op, c.value, c.type); });
        EXPECT_EQ(e.number(), kBadValue) << c.value.toStdString();
        EXPECT_EQ(e.description(), u"过滤的值不合法！"_s);
    }
}

TEST(FilterText, ComposingTheFilter)
{
    FieldTable normal, coded;
    ParseDeviceFields(normal, coded);
    EXPECT_EQ(ComposeFilter(QString(), coded), QString());
    EXPECT_EQ(ComposeFilter(u"  \r\n \n  "_s, coded), QString());

    coded[3][4] = u"2;5"_s;
    const QString expected = u"(([设备名称]LIKE'*机*') AND ([价值]>1000)) AND ([Dep_ID] IN (2,5))"_s;
    EXPECT_EQ(ComposeFilter(u"([设备名称]LIKE'*机*')\r\n AND ([价值]>1000)"_s, coded), expected);
    EXPECT_EQ(ComposeFilter(u"([设备名称]LIKE'*机*')\n AND ([价值]>1000)"_s, coded), expected);
    // One pass over pairs of blanks: three become two.
    EXPECT_EQ(ComposeFilter(u" a   b "_s, FieldTable(4)), u"(a  b)"_s);
    // Only coded selections: no leading " AND ".
    coded[3][0] = u"1"_s;
    EXPECT_EQ(ComposeFilter(QString(), coded), u"([Dev_Grp] IN (1)) AND ([Dep_ID] IN (2,5))"_s);

    EXPECT_EQ(AppendCondition(u"  "_s, u"(x)"_s), u"(x)"_s);
    EXPECT_EQ(AppendCondition(u"(a)"_s, u"(x)"_s), u"(a)\r\n AND (x)"_s);
    EXPECT_EQ(AppendCondition(u"\r\n"_s, u"(x)"_s), u"\r\n\r\n AND (x)"_s);
}

TEST(FilterText, StoredSelectionsLoadWhatTheyCan)
{
    FieldTable normal, coded;
    ParseDeviceFields(normal, coded);
    coded[3][2] = u"7"_s;
    EXPECT_EQ(ComplexFiltersText(coded),
              u"设备组别\tDev_Grp\tDev_Grp\t\r验收状况\tCheck\t验收状况\t\r设备状况\tState\t设备状况\t7\r"
              u"责任人\tTrans\t责任人\t\r使用部门\tDeparts\tDep_ID\t"_s);
    ParseDeviceFields(normal, coded);
    LoadComplexFilters(u"使用部门\tDeparts\tDep_ID\t2;x;5;1.5\r设备状况\tState\t设备状况\r不存在\tA\tB\t1\n"
                       u"责任人\tTrans\t责任人\t3\r\n验收状况\tCheck\t验收状况\t4) OR (1=1"_s,
                       coded);
    EXPECT_EQ(coded[3], QStringList({QString(), QString(), QString(), u"3"_s, u"2;5"_s}));
}

} // namespace
