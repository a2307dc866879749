// Hostile texts through every kind of field a user types into: each is refused with its
// message before anything is written, or stored exactly.
#include "main/core/basedata.h"
#include "main/core/devicefilter.h"
#include "main/core/users.h"
#include "main/core/usrinfos.h"
#include "main/devices/devicerecord.h"
#include "main/devices/registration.h"
#include "main/reports/filtertext.h"
#include "main/reports/rowfilter.h"
#include "tests/main/devices/devicefixture.h"

using namespace ostrel;
using namespace Qt::StringLiterals;

namespace {

using HostileTextTest = testutil::DeviceDatabaseTest;

// The message a call raises; empty when it raises none.
QString outcome(const std::function<void()>& f)
{
    try {
        f();
    } catch (const vb::Error& e) {
        return e.description();
    }
    return QString();
}

} // namespace

TEST_F(HostileTextTest, EachIsRefusedWithItsMessageOrStoredExactly)
{
    const QString bad = u"数据不合法！"_s, small = u"太小"_s;
    const struct {
        QString text;
        QString number, amount, cost, filter, baseText, user; // a part of the message; empty: stored
    } cases[] = {
        {u"O'Brien"_s, {}, bad + u"设备原值"_s, bad + u"费用"_s, {}, {}, {}},
        {u"x) OR (1=1"_s, {}, bad + u"设备原值"_s, bad + u"费用"_s, {}, {}, {}},
        {u"A"_s + QChar(0) + u"B"_s, bad + u"设备编号"_s, bad + u"设备原值"_s, bad + u"费用"_s, bad + u"值"_s,
         bad + u"描述"_s, bad + u"用户名"_s},
        {u"A"_s + QChar(0xD800) + u"B"_s, bad + u"设备编号"_s, bad + u"设备原值"_s, bad + u"费用"_s, bad + u"值"_s,
         bad + u"描述"_s, bad + u"用户名"_s},
        {u"%1"_s, {}, bad + u"设备原值"_s, bad + u"费用"_s, {}, {}, {}},
        {u"F%0003"_s, {}, bad + u"设备原值"_s, bad + u"费用"_s, {}, {}, {}},
        {QString(1 << 20, u'x'), small, bad + u"设备原值"_s, bad + u"费用"_s, {}, small, small},
        {u"1e400"_s, {}, u"数值字段溢出: 字段 '设备原值'"_s, u"数值字段溢出: 字段 '费用'"_s, {}, {}, {}},
        {u"1,234.5"_s, {}, bad + u"设备原值"_s, bad + u"费用"_s, {}, {}, {}},
        {u"￥300"_s, {}, bad + u"设备原值"_s, bad + u"费用"_s, {}, {}, {}},
    };
    addDevice(5, u"D5"_s);
    devices::DeviceRecord r;
    r.card = r.classes[0] = r.classes[1] = r.classes[2] = r.place = r.name = u"k"_s;
    r.group = r.host = r.check = r.state = r.depart = r.person = 0;
    r.purchased = QDateTime(QDate(2020, 1, 2), QTime(3, 4));
    devices::MaintainEntry m;
    m.devId = 5;
    m.kind = m.vendor = m.handler = 0;
    m.date = r.purchased;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.left(12).toStdString());
        const QString tables = everything(), sys = sysInfo().join(u'\n');
        auto unchangedOr = [&](const QString& expected, const QString& got, const QString& stored, const QString& sql) {
            EXPECT_TRUE(got.contains(expected) && (expected.isEmpty() == got.isEmpty())) << got.toStdString();
            if (got.isEmpty() && !sql.isEmpty())
                EXPECT_EQ(value(sql).toString(), stored);
            else
                EXPECT_TRUE(everything() == tables && sysInfo().join(u'\n') == sys);
        };
        r.number = c.text;
        r.value.clear();
        unchangedOr(c.number, outcome([&] { devices::AddDevice(r, 1); }), c.text,
                    u"SELECT [设备编号] FROM [Dev_Info] WHERE [Dev_ID]<>5;"_s);
        gDatabase.Execute(u"DELETE * FROM [Dev_Info] WHERE [Dev_ID]<>5;"_s);
        r.number = u"N"_s;
        r.value = c.text;
        unchangedOr(c.amount, outcome([&] { devices::AddDevice(r, 1); }), {}, {});
        m.cost = c.text;
        unchangedOr(c.cost, outcome([&] { devices::RegisterHistory(m, {}, r.purchased); }), {}, {});
        unchangedOr(c.filter, outcome([&] {
                        const QString where = ListWhere(QString(), SimpleCondition(u"设备名称"_s, u"="_s, c.text, 10), {});
                        EXPECT_TRUE(rows(ListQuery(where)).isEmpty());
                    }),
                    {}, {});
        EXPECT_TRUE(RowCondition(u"="_s, c.text, false).passes(c.text));
        unchangedOr(c.baseText, outcome([&] { basedata::add(u"Departs"_s, u"77"_s, c.text, QString()); }), c.text,
                    u"SELECT [Value] FROM [SysInfo] WHERE [Type]='Departs' AND [No]=77;"_s);
        gDatabase.Execute(u"DELETE * FROM [SysInfo] WHERE [Type]='Departs' AND [No]=77;"_s);
        unchangedOr(c.user, outcome([&] { users::add(c.text); }), c.text.trimmed(),
                    u"SELECT [Value] FROM [SysInfo] WHERE [Type]='Users' AND [No]=0;"_s);
        gDatabase.Execute(u"DELETE * FROM [SysInfo] WHERE [Type]='Users' AND [No]=0;"_s);
        qint32 id = 0;
        if (!c.user.isEmpty() && c.user != small)
            EXPECT_EQ(UsrInfos().Load(c.text, id, u"x"_s), kErrNoSuchUser);
    }
}
