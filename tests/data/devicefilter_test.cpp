// The tree's and list's conditions, without widgets, and what they select in a real file.
#include "main/core/devicefilter.h"
#include "tests/common/raised.h"
#include "tests/data/devicerows.h"
#include "tests/data/servicefixture.h"
#include <algorithm>

using namespace ostrel;
using namespace Qt::Literals::StringLiterals;

namespace {

TEST(DeviceFilter, SchemesExpandIntoLevels)
{
    EXPECT_EQ(SchemeCaptions(), (QStringList{u"按设备类型分类"_s, u"按验收状况分类"_s, u"按设备状况分类"_s,
                                             u"按使用部门分类"_s, u"按设备分组分类1"_s, u"按设备分组分类2"_s}));
    EXPECT_EQ(ExpandScheme(ClassSchemes()[0]), u";设备大类;设备属类;设备组别"_s);
    EXPECT_EQ(ExpandScheme(ClassSchemes()[5]), u";Dev_Grp,1,Dev_Grp;Dep_ID,1,Departs;设备大类;设备属类;设备组别"_s);
    // A date level becomes three; an unknown flag is dropped.
    EXPECT_EQ(ExpandScheme(u"x:购置年代,2;Dep_ID,7,Departs;设备大类,0"_s),
              u";购置年代,2,Y;购置年代,2,M;购置年代,2,D;设备大类,0"_s);
    EXPECT_EQ(NodeLevel(QString()), QString());
    EXPECT_EQ(NodeLevel(u"设备大类"_s), u"设备大类"_s);
    EXPECT_EQ(NodeLevel(u"Dep_ID,1,Departs,3"_s), u"Dep_ID,1,Departs"_s);
}

TEST(DeviceFilter, NodeConditionsAndPaths)
{
    // The example: department 3 "D", below it the class "T".
    const QVector<TreeNode> chain = {{u"D"_s, u"Dep_ID,1,Departs,3"_s}, {u"T"_s, u"设备大类"_s}};
    EXPECT_EQ(NodeConditions(chain), u"([Dep_ID]=3) AND (Trim([设备大类])='T')"_s);
    EXPECT_EQ(NodePath(u"所有设备"_s, chain), u"[所有设备]-[D]-[T]"_s);
    EXPECT_EQ(NodePath(u"所有设备"_s, {}), u"[所有设备]"_s);
    EXPECT_EQ(NodeConditions({}), QString());

    struct Case {
        TreeNode node;
        QString conditions;
    } cases[] = {
        {{u"O'Brien"_s, u"设备大类"_s}, u"(Trim([设备大类])='O''Brien')"_s},
        {{u"  pad  "_s, u"设备属类"_s}, u"(Trim([设备属类])='pad')"_s},
        {{QString(), u"设备组别"_s}, u"([设备组别] IS NULL OR Trim([设备组别])='')"_s},
        {{u"x"_s, u"购置年代,2,M,03"_s}, u"(FORMAT([购置年代],'MM')='03')"_s},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NodeConditions({c.node}), c.conditions) << c.node.text.toStdString();

    // A coded value that is no whole number is refused, never pasted.
    for (const QString& tag : {u"Dep_ID,1,Departs,3 OR 1=1"_s, u"Dep_ID,1,Departs,1.5"_s, u"Dep_ID,1,Departs,"_s}) {
        try {
            NodeConditions({{u"D"_s, tag}});
            ADD_FAILURE() << tag.toStdString();
        } catch (const vb::Error& e) {
            EXPECT_EQ(e.number(), 13);
        }
    }
}

TEST(DeviceFilter, DepartmentsAndFilterJoinOutsideTheUsersText)
{
    struct Case {
        QString departs;
        QString condition;
    } cases[] = {
        {QString(), QString()},
        {u"  "_s, QString()},
        {u"1,3"_s, u"([Dep_ID] IN (1,3))"_s},
        {u" 2 , x, 4);DROP"_s, u"([Dep_ID] IN (2))"_s},
        {u"abc"_s, u"(1=0)"_s},
        {u"1) OR (1=1"_s, u"(1=0)"_s},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DepartCondition(c.departs), c.condition) << c.departs.toStdString();

    EXPECT_EQ(ListWhere(QString(), QString(), QString()), QString());
    EXPECT_EQ(ListWhere(u"([Dep_ID]=3)"_s, u"[价值]>1 OR [价值]<0"_s, u"1,3"_s),
              u" WHERE ([Dep_ID]=3) AND ([价值]>1 OR [价值]<0) AND ([Dep_ID] IN (1,3))"_s);
    EXPECT_EQ(ListWhere(QString(), u"[价值]>1"_s, QString()), u" WHERE ([价值]>1)"_s);

    const ListRestriction r = BuildListRestriction(u"([Dep_ID]=3)"_s, u"[价值]>1 OR 1=1"_s, u"3"_s);
    EXPECT_EQ(r.viewWhere, u" WHERE ([Dep_ID]=3) AND ([Dep_ID] IN (3))"_s);
    EXPECT_EQ(r.filterText, u"([价值]>1 OR 1=1)"_s);
    EXPECT_EQ(BuildListRestriction(QString(), QString(), u"2"_s).viewWhere, u" WHERE ([Dep_ID] IN (2))"_s);

    // A filter that closes the parentheses, or is no condition at all, fails on its own.
    for (const QString& bad : {u"x) OR (1=1"_s, u"[价值]>1) OR ([Dev_ID]>0"_s, u"[价值] >"_s, u"1=1; DELETE FROM [Dev_Info]"_s}) {
        EXPECT_THROW(ListWhere(QString(), bad, u"1"_s), vb::Error) << bad.toStdString();
        EXPECT_THROW(BuildListRestriction(QString(), bad, u"1"_s), vb::Error) << bad.toStdString();
    }
}

class DeviceFilterDbTest : public testutil::ServiceTest {
protected:
    QList<int> ids(const QString& where)
    {
        QList<int> out;
        dao::Recordset rs = gDatabase.OpenRecordset(ListQuery(where), dao::dbOpenSnapshot);
        while (!rs.Eof()) {
            out << rs(u"Dev_ID"_s).Value().toInt();
            rs.MoveNext();
        }
        rs.Close();
        std::sort(out.begin(), out.end());
        return out;
    }
};

TEST_F(DeviceFilterDbTest, ConditionsSelectWhatTheNodesGroup)
{
    testutil::devicerows::addTreeDevices();

    const auto nodeWhere = [](const QVector<TreeNode>& chain, const QString& departs = QString()) {
        return ListWhere(NodeConditions(chain), QString(), departs);
    };
    EXPECT_EQ(ids(nodeWhere({{u"D"_s, u"Dep_ID,1,Departs,3"_s}, {u"T"_s, u"设备大类"_s}})), (QList<int>{2, 6}));
    EXPECT_EQ(ids(nodeWhere({{u"T"_s, u"设备大类"_s}})), (QList<int>{1, 2, 6}));
    EXPECT_EQ(ids(nodeWhere({{QString(), u"设备大类"_s}})), (QList<int>{3, 4}));
    EXPECT_EQ(ids(nodeWhere({{u"O'Brien"_s, u"设备大类"_s}})), (QList<int>{5}));
    EXPECT_EQ(ids(nodeWhere({{u"T"_s, u"设备大类"_s}}, u"1,3"_s)), (QList<int>{1, 2, 6}));
    EXPECT_EQ(ids(nodeWhere({{u"T"_s, u"设备大类"_s}}, u"3"_s)), (QList<int>{2, 6}));
    EXPECT_EQ(ids(nodeWhere({}, u"x"_s)), QList<int>());
    EXPECT_EQ(ids(nodeWhere({})), (QList<int>{1, 2, 3, 4, 5, 6}));

    // A top-level OR in the user's filter stays inside its parentheses.
    EXPECT_EQ(ids(ListWhere(QString(), u"[价值]>3 OR [价值]<2"_s, u"3"_s)), (QList<int>{2, 6}));
    // Whatever a filter's text does wrong, alone or when the query opens or reads, refuses
    // it; the database's own states do not.
    for (const QString& bad : {u"[无此列]=1"_s, u"x) OR (1=1"_s, u"无此函数([价值])=1"_s, u"Left([设备名称])=1"_s,
                               u"[价值]/0>1"_s, u"Mid([设备名称],0,1)='甲'"_s, u"[设备名称]=#2020-13-45#"_s})
        EXPECT_TRUE(RefusesFilterText(testutil::errorOf([&] { ids(ListWhere(QString(), bad, QString())); }).number()))
            << bad.toStdString();
    for (int number : {dao::err::Locked, dao::err::DiskIO, dao::err::NotADatabase, dao::err::CannotOpen})
        EXPECT_FALSE(RefusesFilterText(number)) << number;
}

} // namespace
