#include "main/reports/filtertext.h"
#include "main/reports/ui/frmfilter.h"
#include "platform/core/app.h"
#include "platform/core/msgbox.h"
#include "platform/core/settings.h"
#include "tests/main/reports/ui/printfixture.h"
#include <QCoreApplication>
#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>

using namespace ostrel;
using namespace Qt::StringLiterals;

namespace {

class FilterWindowTest : public testutil::PrintTest {
protected:
    void SetUp() override
    {
        PrintTest::SetUp();
        for (int no = 1; no <= 5; ++no)
            addSysInfo(9000 + no, u"Departs"_s, no, u"部门%1"_s.arg(no));
        addDevice(1, u"SB-01"_s, QVariant(), 2);
        addDevice(2, u"SB-02"_s, QVariant(), 5);
        addDevice(3, u"SB-03"_s, QVariant(), 1);
        addDevice(4, u"SB-04"_s, QVariant(), 2);
        setField(1, u"设备名称"_s, u"离心机"_s);
        setField(1, u"价值"_s, 1500);
        setField(2, u"设备名称"_s, u"O'Brien 打印机"_s);
        setField(2, u"价值"_s, 800);
        setField(3, u"设备名称"_s, u"显微镜"_s);
        setField(3, u"价值"_s, 3000);
        setField(3, u"购置年代"_s, QDateTime(QDate(2003, 5, 6), QTime()));
        setField(4, u"购置年代"_s, QDateTime(QDate(2004, 1, 2), QTime(10, 30)));
    }
    static QString setting(const QString& key) { return plat::GetSetting(plat::appTitle(), u"Settings"_s, key); }
    static void store(const QString& key, const QString& v) { plat::SaveSetting(plat::appTitle(), u"Settings"_s, key, v); }

    // The device numbers the filter lets through, as the device list runs it.
    QStringList devices(const QString& filter)
    {
        dao::Recordset rs = gDatabase.OpenRecordset(
            u"SELECT [设备编号] FROM [Dev_Info]"_s + (filter.isEmpty() ? QString() : u" WHERE "_s + filter) +
                u" ORDER BY [设备编号];"_s,
            dao::dbOpenSnapshot);
        QStringList l;
        for (; !rs.Eof(); rs.MoveNext())
            l << rs(0).Value().toString();
        rs.Close();
        return l;
    }
    // Chooses a field, an operator and a value, and adds the condition.
    static void add(frmFilter& w, const QString& field, const QString& op, const QString& value)
    {
        const int i = w.cboFilt[0]->findText(field);
        ASSERT_GE(i, 0) << field.toStdString();
        w.cboFilt[0]->setCurrentIndex(i);
        Q_EMIT w.cboFilt[0]->activated(i);
        w.cboFilt[1]->setCurrentText(op);
        w.cboFilt[2]->setCurrentText(value);
        w.cmdAdd->click();
    }
    static void check(frmFilter& w, int tab, const QList<int>& codes)
    {
        w.tbsDynas->setCurrentIndex(tab);
        for (int i = 0; i < w.lstFilt->count(); ++i)
            if (codes.contains(w.lstFilt->item(i)->data(Qt::UserRole).toInt()))
                w.lstFilt->item(i)->setCheckState(Qt::Checked);
    }
    // The pick-list entry of a code.
    static QListWidgetItem* item(frmFilter& w, int code)
    {
        for (int i = 0; i < w.lstFilt->count(); ++i)
            if (w.lstFilt->item(i)->data(Qt::UserRole).toInt() == code)
                return w.lstFilt->item(i);
        ADD_FAILURE() << "no entry " << code;
        return new QListWidgetItem(w.lstFilt);
    }
    static QStringList applied(frmFilter& w, QPushButton* button)
    {
        QStringList got;
        QObject::connect(&w, &frmFilter::Apply, &w, [&](const QString& f) { got << f; });
        button->click();
        QObject::disconnect(&w, &frmFilter::Apply, &w, nullptr);
        return got;
    }
};

TEST_F(FilterWindowTest, LoadingBuildsThePagesAndListsTheFirstField)
{
    frmFilter w;
    EXPECT_TRUE(ui::script::shown().isEmpty());
    ASSERT_EQ(w.tbsDynas->count(), 6);
    EXPECT_EQ(w.tbsDynas->tabText(0), u"常规字段"_s);
    EXPECT_EQ(w.tbsDynas->tabData(0).toString(), u"Normal"_s);
    EXPECT_EQ(w.tbsDynas->tabText(5), u"使用部门"_s);
    EXPECT_EQ(w.tbsDynas->tabData(5).toString(), u"Departs"_s);
    EXPECT_EQ(w.cboFilt[0]->count(), 15);
    EXPECT_EQ(w.cboFilt[1]->currentText(), u"="_s);
    EXPECT_EQ(w.cboFilt[1]->count(), 7);
    EXPECT_EQ(w.fieldTag(), QString::number(dao::dbText));
    EXPECT_EQ(w.cboFilt[2]->count(), 4);
    EXPECT_EQ(w.cboFilt[2]->itemText(0), u"SB-01"_s);
    EXPECT_TRUE(w.famFilter[0]->isEnabled());
    EXPECT_FALSE(w.famFilter[1]->isEnabled());
    for (int i = 0; i < 6; ++i)
        EXPECT_FALSE(w.tabHighlighted(i)) << i;
}

TEST_F(FilterWindowTest, SwitchingPagesKeepsTheWindowsSize)
{
    frmFilter w;
    w.show();
    QCoreApplication::processEvents();
    const QSize first = w.size();
    for (int tab : {5, 0, 1, 0}) {
        w.tbsDynas->setCurrentIndex(tab);
        QCoreApplication::processEvents();
        EXPECT_EQ(w.size(), first) << tab;
        EXPECT_EQ(w.famFilter[0]->isVisible(), tab == 0) << tab;
        EXPECT_EQ(w.famFilter[1]->isVisible(), tab != 0) << tab;
    }
}

TEST_F(FilterWindowTest, ApplyComposesRaisesAndStoresTheExactForms)
{
    frmFilter w;
    add(w, u"设备名称"_s, u"LIKE"_s, u"*机*"_s);
    add(w, u"价值"_s, u">"_s, u"1000"_s);
    EXPECT_EQ(w.conditions(), u"([设备名称]LIKE'*机*')\r\n AND ([价值]>1000)"_s);
    EXPECT_TRUE(w.tabHighlighted(0));
    check(w, 5, {2, 5});
    EXPECT_TRUE(w.famFilter[1]->isEnabled());
    EXPECT_TRUE(w.tabHighlighted(5));
    EXPECT_EQ(w.codedFields()[3][4], u"2;5"_s);

    const QString expected = u"(([设备名称]LIKE'*机*') AND ([价值]>1000)) AND ([Dep_ID] IN (2,5))"_s;
    EXPECT_EQ(applied(w, w.cmdApply), QStringList{expected});
    EXPECT_EQ(setting(u"Filters"_s), expected);
    EXPECT_EQ(setting(u"SimpleFilters"_s), u"([设备名称]LIKE'*机*')\r\n AND ([价值]>1000)"_s);
    EXPECT_EQ(setting(u"ComplexFilters"_s),
              u"设备组别\tDev_Grp\tDev_Grp\t\r验收状况\tCheck\t验收状况\t\r设备状况\tState\t设备状况\t\r"
              u"责任人\tTrans\t责任人\t\r使用部门\tDeparts\tDep_ID\t2;5"_s);
    EXPECT_EQ(devices(expected), QStringList{u"SB-01"_s});
    EXPECT_TRUE(plat::GetSetting(plat::appName() + u"x"_s, u"Settings"_s, u"Filters"_s).isEmpty());

    // 撤消 clears the receiver's filter and keeps everything else; 应用 applies it again.
    EXPECT_EQ(applied(w, w.cmdClear), QStringList{QString()});
    EXPECT_EQ(setting(u"Filters"_s), expected);
    EXPECT_EQ(applied(w, w.cmdApply), QStringList{expected});

    // A new window restores the pages and their highlights.
    frmFilter again;
    EXPECT_EQ(again.conditions(), w.conditions());
    EXPECT_TRUE(again.tabHighlighted(0));
    EXPECT_TRUE(again.tabHighlighted(5));
    EXPECT_FALSE(again.tabHighlighted(1));
    again.tbsDynas->setCurrentIndex(5);
    EXPECT_EQ(item(again, 2)->checkState(), Qt::Checked);
    EXPECT_EQ(item(again, 5)->checkState(), Qt::Checked);
    EXPECT_EQ(item(again, 1)->checkState(), Qt::Unchecked);
    EXPECT_FALSE(again.loading());
    EXPECT_EQ(again.codedFields()[3][4], u"2;5"_s);
}

TEST_F(FilterWindowTest, EdgeCasesOfApplyingAndAdding)
{
    frmFilter w;
    EXPECT_EQ(applied(w, w.cmdApply), QStringList{QString()});
    EXPECT_EQ(setting(u"Filters"_s), QString());
    EXPECT_EQ(setting(u"ComplexFilters"_s).count(u'\r'), 4);

    check(w, 5, {1});
    EXPECT_EQ(applied(w, w.cmdApply), QStringList{u"([Dep_ID] IN (1))"_s});
    EXPECT_EQ(devices(u"([Dep_ID] IN (1))"_s), QStringList{u"SB-03"_s});

    // Blanks only: not highlighted, replaced; a line break: highlighted, appended after.
    w.tbsDynas->setCurrentIndex(0);
    w.txtFilt->setPlainText(u"   "_s);
    EXPECT_FALSE(w.tabHighlighted(0));
    add(w, u"价值"_s, u"="_s, QString());
    EXPECT_EQ(w.conditions(), u"([价值] IS NULL)"_s);
    w.txtFilt->setPlainText(u"\n"_s);
    EXPECT_TRUE(w.tabHighlighted(0));
    add(w, u"设备名称"_s, u"="_s, QString());
    EXPECT_EQ(w.conditions(), u"\r\n\r\n AND (([设备名称]='') OR ([设备名称] IS NULL))"_s);
    EXPECT_EQ(applied(w, w.cmdApply).value(0), u"(AND (([设备名称]='') OR ([设备名称] IS NULL))) AND ([Dep_ID] IN (1))"_s);

    // An empty value with ">" on a number column is refused and changes nothing.
    const QString before = w.conditions();
    add(w, u"价值"_s, u">"_s, QString());
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::script::last().prompt, u"过滤的值不合法！"_s);
    EXPECT_EQ(w.conditions(), before);

    w.cmdDel->click();
    EXPECT_TRUE(w.conditions().isEmpty());
    EXPECT_FALSE(w.tabHighlighted(0));
    EXPECT_EQ(w.codedFields()[3][4], u"1"_s);
    w.show();
    w.CancelButton->click();
    EXPECT_FALSE(w.isVisible());
}

TEST_F(FilterWindowTest, ValuesFromTheListFindTheirDevices)
{
    frmFilter w;
    // A date picked from the value list with "=".
    const int date = w.cboFilt[0]->findText(u"购置年代"_s);
    w.cboFilt[0]->setCurrentIndex(date);
    Q_EMIT w.cboFilt[0]->activated(date);
    EXPECT_EQ(w.fieldTag(), QString::number(dao::dbDate));
    QStringList values;
    for (int i = 0; i < w.cboFilt[2]->count(); ++i)
        values << w.cboFilt[2]->itemText(i);
    ASSERT_EQ(values.size(), 3) << values.join(u'|').toStdString();
    EXPECT_EQ(values[0], QString());  // Null
    for (int i = 1; i < 3; ++i) {
        w.cmdDel->click();
        add(w, u"购置年代"_s, u"="_s, values[i]);
        const QStringList got = applied(w, w.cmdApply);
        EXPECT_EQ(devices(got.value(0)), QStringList{i == 1 ? u"SB-03"_s : u"SB-04"_s}) << got.value(0).toStdString();
    }

    // A value holding a quote.
    w.cmdDel->click();
    add(w, u"设备名称"_s, u"="_s, u"O'Brien 打印机"_s);
    EXPECT_EQ(devices(applied(w, w.cmdApply).value(0)), QStringList{u"SB-02"_s});
    w.cmdDel->click();
    add(w, u"设备名称"_s, u"LIKE"_s, u"O'B*"_s);
    EXPECT_EQ(devices(applied(w, w.cmdApply).value(0)), QStringList{u"SB-02"_s});
    w.cmdDel->click();
    add(w, u"价值"_s, u">="_s, u"1500"_s);
    add(w, u"购置年代"_s, u"<"_s, u"2004-01-01"_s);
    EXPECT_EQ(devices(applied(w, w.cmdApply).value(0)), QStringList{u"SB-03"_s});
    EXPECT_TRUE(ui::script::shown().isEmpty());
}

// Typed texts no one would type: each is read, or refused by the layer in words of its own;
// the text comes back with the window and the register is unchanged. Each runs in a child
// process, so that a crash fails the case.
TEST_F(FilterWindowTest, HostileTypedTextsAreReadOrRefusedAndChangeNothing)
{
    const auto nested = [](int n, const QString& s) { return QString(n, u'(') + s + QString(n, u')'); };
    const QString over = u"[价值]>1000"_s;   // SB-01 and SB-03
    const struct Case {
        QString text, got;   // the rows read, or the refusal's number and first words
    } cases[] = {
        {u"1=1); DELETE FROM [Dev_Info]; SELECT (1"_s, u"3142 在 SQL 语句结束之后找到字符"_s},
        {nested(90, over), u"2"_s},
        {nested(1000, over), u"3360 查询过于复杂: 括号、NOT、正负号、函数或子查询嵌套超过 100 层"_s},
        {nested(1800, over), u"3360 查询过于复杂: 括号"_s},
        {nested(100000, over), u"3360 查询过于复杂: 括号"_s},
        {u"[价值]>"_s + QString(100000, u'-') + u"1"_s, u"3360 查询过于复杂: 括号"_s},
        {u"([价值]>0 AND "_s.repeated(60) + over + QString(60, u')'), u"3360 查询过于复杂: 嵌套或连接太多，数据库引擎无法执行。"_s},
        {u"[价值]>0 AND "_s.repeated(800) + over, u"2"_s},
        {u"[价值]>0 AND "_s.repeated(1000) + over, u"3360 查询过于复杂: 表达式的运算超过 900 层"_s},
    };
    for (const Case& c : cases) {
        const QString got = testutil::inChild([&] {
            frmFilter w;
            w.txtFilt->setPlainText(c.text);
            const QString filter = applied(w, w.cmdApply).value(0);
            if (frmFilter().conditions() != c.text || devices(QString()).size() != 4)
                return u"changed"_s;
            return QString::number(devices(filter).size());
        });
        EXPECT_TRUE(got.startsWith(c.got)) << got.toStdString() << " for " << c.text.left(40).toStdString();
    }
}

TEST_F(FilterWindowTest, TamperedStoredSelectionsLoadTheRest)
{
    store(u"ComplexFilters"_s, u"使用部门\tDeparts\tDep_ID\t2;x;9\r设备状况\tState\t设备状况\r不存在\tA\tB\t1\r"
                               u"责任人\tTrans\t责任人\t3"_s);
    store(u"SimpleFilters"_s, u"([价值]>1000)\r\n AND ([价值]<2000)"_s);
    frmFilter w;
    EXPECT_TRUE(ui::script::shown().isEmpty());
    EXPECT_EQ(w.codedFields()[3], QStringList({QString(), QString(), QString(), u"3"_s, u"2;9"_s}));
    EXPECT_TRUE(w.tabHighlighted(0));
    EXPECT_TRUE(w.tabHighlighted(4));
    EXPECT_TRUE(w.tabHighlighted(5));
    EXPECT_FALSE(w.tabHighlighted(3));

    // Code 9 has no row: not shown, but kept until a check on the page changes.
    w.tbsDynas->setCurrentIndex(5);
    EXPECT_EQ(item(w, 2)->checkState(), Qt::Checked);
    const QString filter = applied(w, w.cmdApply).value(0);
    EXPECT_EQ(filter, u"(([价值]>1000) AND ([价值]<2000)) AND ([责任人] IN (3)) AND ([Dep_ID] IN (2,9))"_s);
    EXPECT_TRUE(devices(filter).isEmpty());
    item(w, 5)->setCheckState(Qt::Checked);
    EXPECT_EQ(w.codedFields()[3][4], u"2;5"_s);
}

} // namespace

namespace {

TEST_F(FilterWindowTest, AFieldNeverListedMakesAddingDoNothing)
{
    gDatabase.Execute(u"DROP TABLE [Dev_Info];"_s);
    frmFilter w;
    ASSERT_EQ(ui::script::shown().size(), 1);  // the first field's values could not be read
    EXPECT_TRUE(w.fieldTag().isEmpty());
    EXPECT_EQ(w.tbsDynas->count(), 6);
    w.cboFilt[2]->setCurrentText(u"x"_s);
    w.cmdAdd->click();
    EXPECT_TRUE(w.conditions().isEmpty());
    EXPECT_EQ(ui::script::shown().size(), 1);
}

} // namespace
