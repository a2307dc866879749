// Expressions as Jet evaluates them, on a real file: text ignoring case, True as -1,
// date arithmetic, dates joined to text, and statements that write checked values.
#include "daotest.h"

using namespace daotest;

namespace {

struct DaoExpressions : ::testing::Test {
    testutil::ProgramFolder folder;
    dao::Database db;

    void SetUp() override
    {
        db = dao::DBEngine::CreateDatabase(folder.file(QStringLiteral("expr.mdb")),
                                           chineseLocale() + QStringLiteral(";pwd=") + kPassword);
        dao::TableDef t = db.CreateTableDef(QStringLiteral("Dev_Info"));
        addField(t, QStringLiteral("Dev_ID"), dao::dbLong, -1, true);
        addField(t, QStringLiteral("设备编号"), dao::dbText, 30);
        addField(t, QStringLiteral("Model"), dao::dbText, 100);
        addField(t, QStringLiteral("购置年代"), dao::dbDate);
        db.TableDefs().Append(t);
        const QDateTime today(QDate::currentDate(), QTime(0, 0));
        add(1, QStringLiteral("A-001"), QStringLiteral(" HP-1020 "), today.addDays(-10));
        add(2, QStringLiteral("a-002"), QStringLiteral("hp-1020"), QDateTime(QDate(1999, 12, 31), QTime(12, 0)));
        add(3, QStringLiteral("B-003"), QStringLiteral("Canon"), QDateTime(QDate(2000, 1, 1), QTime(0, 0)));
        add(4, QStringLiteral("b-004"), QVariant(), QVariant());
        add(5, QStringLiteral("C-005"), QStringLiteral("HP-2000"), today.addDays(-60));
        add(6, QStringLiteral("设备6"), QStringLiteral("联想"), QDateTime(QDate(2010, 6, 1), QTime(8, 30)));
    }

    void add(int id, const QString& code, const QVariant& model, const QVariant& bought)
    {
        dao::Recordset rs = db.OpenRecordset(QStringLiteral("Dev_Info"));
        rs.AddNew();
        rs("Dev_ID").setValue(id);
        rs("设备编号").setValue(code);
        rs("Model").setValue(model);
        rs("购置年代").setValue(bought);
        rs.Update();
    }

    QList<int> ids(const QString& where)
    {
        dao::Recordset rs = db.OpenRecordset(
            QStringLiteral("SELECT [Dev_ID] FROM [Dev_Info] WHERE %1 ORDER BY [Dev_ID]").arg(where), dao::dbOpenSnapshot);
        QList<int> out;
        for (; !rs.Eof(); rs.MoveNext()) out << rs(0).Value().toInt();
        return out;
    }

    QVariant eval(const QString& expr, int id = 1)
    {
        dao::Recordset rs = db.OpenRecordset(
            QStringLiteral("SELECT %1 AS X FROM [Dev_Info] WHERE [Dev_ID]=%2").arg(expr).arg(id), dao::dbOpenSnapshot);
        return rs(0).Value();
    }
};

struct Case {
    const char* where;
    QList<int> rows;
};

} // namespace

TEST_F(DaoExpressions, FiltersGiveJetsRows)
{
    const Case cases[] = {
        // text compares ignoring letter case, not only on columns
        {"Left([设备编号],1)='a'", {1, 2}},
        {"Left([设备编号],1)='A'", {1, 2}},
        {"Trim([Model]) IN ('hp-1020')", {1, 2}},
        {"UCase([Model]) = 'hp-1020'", {2}},
        {"'ABC'='abc'", {1, 2, 3, 4, 5, 6}},
        {"Mid([设备编号],1,1)<'b'", {1, 2}},
        {"Left([设备编号],1) BETWEEN 'a' AND 'b'", {1, 2, 3, 4}},
        {"Trim([Model]) & '' <> 'HP-1020'", {3, 4, 5, 6}},   // Null & '' is ''
        // a comparison's value is -1
        {"([Dev_ID]>5)=True", {6}},
        {"([Dev_ID]>4)=-1", {5, 6}},
        {"([Dev_ID]>4)=False", {1, 2, 3, 4}},
        {"(([Dev_ID]>4) AND ([Dev_ID]<6)) = True", {5}},
        {"(Not ([Dev_ID]>1)) = True", {1}},
        // dates plus and minus days, dates minus dates, dates against serial numbers
        {"[购置年代] >= Date() - 30", {1}},
        {"[购置年代] - 1 < #1999-12-31#", {2}},
        {"[购置年代] + 0.5 = #2000-01-01#", {2}},
        {"1 + [购置年代] = #2000-01-02#", {3}},
        {"#2000-01-02# - [购置年代] = 1", {3}},
        {"#2000-01-01# - [购置年代] = 0.5", {2}},
        {"[购置年代] > 36526", {1, 5, 6}},
        {"[购置年代] >= 36526", {1, 3, 5, 6}},
        {"[购置年代] < 36526.5 AND [购置年代] > 36525", {2, 3}},
        {"36526 = [购置年代]", {3}},
        {"[购置年代] BETWEEN 36525 AND 36527", {2, 3}},
        // a date joined to text is CStr's form of it
        {"[购置年代] & '' = '2000-01-01'", {3}},
        {"'(' & [购置年代] & ')' = '(1999-12-31 12:00:00)'", {2}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ids(QString::fromUtf8(c.where)), c.rows) << c.where;
}

TEST_F(DaoExpressions, ValuesOfExpressions)
{
    EXPECT_EQ(eval(QStringLiteral("[Dev_ID] > 0")).toInt(), -1);
    EXPECT_EQ(eval(QStringLiteral("[Dev_ID] > 1")).toInt(), 0);
    EXPECT_EQ(eval(QStringLiteral("IIf([Dev_ID] = 1, 'one', 'other')")).toString(), QStringLiteral("one"));
    EXPECT_EQ(eval(QStringLiteral("#2000-01-31# + 1")).toString(), QStringLiteral("2000-02-01 00:00:00"));
    EXPECT_EQ(eval(QStringLiteral("#2000-03-01# - 1")).toString(), QStringLiteral("2000-02-29 00:00:00"));
    EXPECT_EQ(eval(QStringLiteral("#2000-03-01 06:00# - #2000-02-28#")).toDouble(), 2.25);
    EXPECT_EQ(eval(QStringLiteral("[购置年代] & ''"), 3).toString(), QStringLiteral("2000-01-01"));
    EXPECT_EQ(eval(QStringLiteral("[购置年代] & ''"), 4).toString(), QString());
    EXPECT_EQ(eval(QStringLiteral("[购置年代] - 1"), 4), QVariant());
    EXPECT_EQ(eval(QStringLiteral("7 - 2")).toInt(), 5);
    EXPECT_EQ(errorOf([&] { eval(QStringLiteral("'x' - 2")); }), 3464);
}

TEST_F(DaoExpressions, StatementsWriteCheckedValues)
{
    // refused: nothing written
    EXPECT_EQ(errorOf([&] { db.Execute(QStringLiteral("UPDATE Dev_Info SET [Dev_ID] = 'abc' WHERE [Dev_ID]=1")); }),
              dao::err::TypeMismatch);
    EXPECT_EQ(ids(QStringLiteral("[Dev_ID] = 1")), QList<int>{1});
    EXPECT_EQ(errorOf([&] { db.Execute(QStringLiteral("UPDATE Dev_Info SET [购置年代] = 'soon'")); }),
              dao::err::TypeMismatch);
    EXPECT_EQ(errorOf([&] { db.Execute(QStringLiteral("UPDATE Dev_Info SET [Dev_ID] = 3000000000 WHERE [Dev_ID]=2")); }),
              dao::err::Overflow);
    EXPECT_EQ(errorOf([&] {
                  db.Execute(QStringLiteral("UPDATE Dev_Info SET [设备编号] = '0123456789012345678901234567890'"));
              }),
              dao::err::FieldTooSmall);
    EXPECT_EQ(errorOf([&] {
                  db.Execute(QStringLiteral("INSERT INTO Dev_Info ([Dev_ID], [设备编号]) VALUES ('x', 'Z-7')"));
              }),
              dao::err::TypeMismatch);
    EXPECT_EQ(errorOf([&] { db.Execute(QStringLiteral("INSERT INTO Dev_Info VALUES (7, 'Z-7', 'M', 'never')")); }),
              dao::err::TypeMismatch);
    EXPECT_EQ(ids(QStringLiteral("[设备编号] = 'Z-7'")), QList<int>{});
    // accepted: stored as Update stores them
    EXPECT_EQ(db.Execute(QStringLiteral("UPDATE Dev_Info SET [购置年代] = '2001/2/3' WHERE [Dev_ID]=1")), 1);
    EXPECT_EQ(ids(QStringLiteral("[购置年代] = #2001-02-03#")), QList<int>{1});
    EXPECT_EQ(db.Execute(QStringLiteral("INSERT INTO Dev_Info VALUES ('7', 8, 'M', '2002-3-4 5:06')")), 1);
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("SELECT * FROM Dev_Info WHERE [Dev_ID] = 7"), dao::dbOpenSnapshot);
    ASSERT_FALSE(rs.Eof());
    EXPECT_EQ(rs("设备编号").Value(), QVariant(QStringLiteral("8")));
    EXPECT_EQ(rs("购置年代").Value().toDateTime(), QDateTime(QDate(2002, 3, 4), QTime(5, 6)));
    EXPECT_EQ(db.Execute(QStringLiteral("UPDATE Dev_Info SET [Dev_ID] = [Dev_ID] + 100, [购置年代] = [购置年代] + 1")), 7);
    EXPECT_EQ(ids(QStringLiteral("[购置年代] = #2000-01-02#")), QList<int>{103});
}
