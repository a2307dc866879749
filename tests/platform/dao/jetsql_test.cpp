// Jet SQL: what the translation makes of each construct, and what it gives on a real file.
#include "daotest.h"
#include "platform/dao/jetsql.h"

using namespace daotest;
using dao::jetsql::translate;

namespace {

QString sql(const QString& jet) { return translate(jet).sql; }

struct Fixture : ::testing::Test {
    testutil::ProgramFolder folder;
    dao::Database db = makeItems(folder.file(QStringLiteral("sql.mdb")));

    void SetUp() override
    {
        dao::DBEngine::BeginTrans();
        addItem(db, 1, QStringLiteral("Alpha"), QStringLiteral("2023-05-06 07:08"), 3);
        addItem(db, 2, QStringLiteral("beta"), QStringLiteral("2024-01-02 00:00"), 10);
        addItem(db, 3, QStringLiteral("A-1234"), QStringLiteral("2024-12-31 23:59"));
        addItem(db, 4, QStringLiteral("Ärger #1"));
        addItem(db, 5, QStringLiteral("设备编号"));
        addItem(db, 6, QStringLiteral("It's"));
        dao::DBEngine::CommitTrans();
    }

    // The IDs a WHERE clause selects, in ID order.
    QList<int> ids(const QString& where)
    {
        dao::Recordset rs = db.OpenRecordset(QStringLiteral("SELECT [ID] FROM [Items] WHERE ") + where +
                                                 QStringLiteral(" ORDER BY [ID];"),
                                             dao::dbOpenSnapshot);
        QList<int> out;
        for (; !rs.Eof(); rs.MoveNext()) out << rs(0).Value().toInt();
        return out;
    }
    // The value of one expression on the row of ID 1.
    QVariant eval(const QString& expr, int id = 1)
    {
        dao::Recordset rs = db.OpenRecordset(QStringLiteral("SELECT ") + expr +
                                                 QStringLiteral(" AS X FROM Items WHERE ID=%1").arg(id),
                                             dao::dbOpenSnapshot);
        return rs(QStringLiteral("X")).Value();
    }
};

using DaoSql = Fixture;

} // namespace

TEST(DaoJetSql, StatementShapes)
{
    EXPECT_EQ(sql(QStringLiteral("SELECT TOP 1 * FROM [Dev_Info] ORDER BY [Dev_ID] DESC;")),
              QStringLiteral("SELECT * FROM [Dev_Info] ORDER BY [Dev_ID] DESC LIMIT 1"));
    EXPECT_EQ(sql(QStringLiteral("DELETE * FROM [SysInfo] WHERE [Type]='Users';")),
              QStringLiteral("DELETE FROM [SysInfo] WHERE ([Type] = 'Users')"));
    EXPECT_EQ(sql(QStringLiteral("DELETE ALL * FROM [T]")), QStringLiteral("DELETE FROM [T]"));
    EXPECT_EQ(sql(QStringLiteral("Delete from Transfer where Dev_ID=3 AND ID=4")),
              QStringLiteral("DELETE FROM [Transfer] WHERE (([Dev_ID] = 3) AND ([ID] = 4))"));
    EXPECT_EQ(sql(QStringLiteral("SELECT ALL * FROM [T]")), QStringLiteral("SELECT * FROM [T]"));
    EXPECT_EQ(sql(QStringLiteral("SELECT 设备编号,Dev_ID FROM [Dev_Info] ORDER BY [设备编号];")),
              QStringLiteral("SELECT [设备编号], [Dev_ID] FROM [Dev_Info] ORDER BY [设备编号]"));
    EXPECT_EQ(sql(QStringLiteral("SELECT Transfer.*, Dev_Info.设备编号 FROM Transfer INNER JOIN Dev_Info ON "
                                 "Transfer.Dev_ID = Dev_Info.Dev_ID")),
              QStringLiteral("SELECT [Transfer].*, [Dev_Info].[设备编号] FROM [Transfer] INNER JOIN [Dev_Info] ON "
                             "([Transfer].[Dev_ID] = [Dev_Info].[Dev_ID])"));
    EXPECT_EQ(sql(QStringLiteral("CREATE UNIQUE INDEX ix ON [Dev_Info] ([设备编号] DESC)")),
              QStringLiteral("CREATE UNIQUE INDEX [ix] ON [Dev_Info] ([设备编号] DESC)"));
    // the base table of a one-table SELECT is known, so the record set can write it
    auto t = translate(QStringLiteral("SELECT * FROM [Items] AS i WHERE i.ID=1"), true);
    EXPECT_EQ(t.baseTable, QStringLiteral("Items"));
    EXPECT_TRUE(t.sql.startsWith(QStringLiteral("SELECT [i].rowid, *")));
    EXPECT_TRUE(translate(QStringLiteral("SELECT DISTINCT Name FROM Items"), true).baseTable.isEmpty());
}

TEST(DaoJetSql, TokensInsideStringsAndNamesAreLeftAlone)
{
    EXPECT_EQ(sql(QStringLiteral("SELECT * FROM T WHERE a LIKE '#?*[!x]' AND b = \"say \"\"hi\"\"; #\"")),
              QStringLiteral("SELECT * FROM [T] WHERE (([a] LIKE '#?*[!x]') AND ([b] = 'say \"hi\"; #'))"));
    EXPECT_EQ(sql(QStringLiteral("SELECT * FROM T WHERE a = 'it''s; DELETE * FROM T'")),
              QStringLiteral("SELECT * FROM [T] WHERE ([a] = 'it''s; DELETE * FROM T')"));
    EXPECT_EQ(sql(QStringLiteral("SELECT [a;b], [Top] FROM [Select]")), QStringLiteral("SELECT [a;b], [Top] FROM [Select]"));
    EXPECT_EQ(sql(QStringLiteral("SELECT * FROM T WHERE d >= #2024-01-02 03:04#")),
              QStringLiteral("SELECT * FROM [T] WHERE ([d] >= '2024-01-02 03:04:00')"));
    EXPECT_EQ(sql(QStringLiteral("SELECT * FROM T WHERE d < #1/2/2024#")),
              QStringLiteral("SELECT * FROM [T] WHERE ([d] < '2024-01-02 00:00:00')"));
    EXPECT_EQ(sql(QStringLiteral("SELECT * FROM T WHERE f = True OR g = False")),
              QStringLiteral("SELECT * FROM [T] WHERE (([f] = -1) OR ([g] = 0))"));
}

TEST(DaoJetSql, ALikePatternsLiteralPrefixBoundsATextColumn)
{
    struct Devices : dao::jetsql::Schema {
        bool column(const QString& table, const QString& name, dao::jetsql::ColumnInfo* out) const override
        {
            if (table != u"Dev_Info") return false;
            out->name = name;
            out->type = name == u"设备编号" ? dao::dbText : dao::dbLong;
            return true;
        }
        QStringList columns(const QString&) const override { return {}; }
    } schema;
    auto with = [&](const QString& where) {
        return translate(QStringLiteral("SELECT [设备编号] FROM [Dev_Info] WHERE ") + where, false, &schema).sql;
    };
    const QString end = QString(QChar(0xFFFF));
    EXPECT_EQ(with(QStringLiteral("[设备编号] LIKE 'A-01??'")),
              QStringLiteral("SELECT [设备编号] FROM [Dev_Info] WHERE ([设备编号] >= 'A-01' AND [设备编号] < 'A-01") +
                  end + QStringLiteral("' AND ([设备编号] LIKE 'A-01??'))"));
    // no literal prefix, a number column, a negation, an expression: the pattern alone
    EXPECT_FALSE(with(QStringLiteral("[设备编号] LIKE '*01'")).contains(u">="));
    EXPECT_FALSE(with(QStringLiteral("[设备编号] LIKE '[AB]01'")).contains(u">="));
    EXPECT_FALSE(with(QStringLiteral("[Dev_ID] LIKE '1*'")).contains(u">="));
    EXPECT_FALSE(with(QStringLiteral("[设备编号] NOT LIKE 'A*'")).contains(u">="));
    EXPECT_FALSE(with(QStringLiteral("Trim([设备编号]) LIKE 'A*'")).contains(u">="));
}

TEST(DaoJetSql, OneStatementPerCallAndClearRefusals)
{
    auto number = [](const QString& s) { return errorOf([&] { translate(s); }); };
    EXPECT_EQ(number(QStringLiteral("SELECT * FROM T; DELETE * FROM T")), 3142);
    EXPECT_EQ(number(QStringLiteral("SELECT * FROM T;;")), 3142);
    EXPECT_EQ(number(QStringLiteral("SELECT * FROM T WHERE a=1 garbage")), 3142);
    EXPECT_EQ(number(QStringLiteral("PRAGMA key='x'")), 3129);
    EXPECT_EQ(number(QStringLiteral("ATTACH 'x' AS y")), 3129);
    EXPECT_EQ(number(QStringLiteral("")), 3129);
    EXPECT_EQ(number(QStringLiteral("SELECT * FROM T WHERE a = 'open")), 3075);
    EXPECT_EQ(number(QStringLiteral("SELECT * FROM T WHERE [a = 1")), 3075);
    EXPECT_EQ(number(QStringLiteral("SELECT * FROM T WHERE d = #2024-13-45#")), 3075);
    EXPECT_EQ(number(QStringLiteral("SELECT * FROM T WHERE a = ")), 3075);
    EXPECT_EQ(number(QStringLiteral("SELECT * FROM T WHERE randomblob(4) = 1")), 3085);
    EXPECT_EQ(number(QStringLiteral("SELECT * FROM T WHERE Left(a) = 1")), 3075);
    EXPECT_EQ(number(QStringLiteral("SELECT * FROM T WHERE a Xor b")), 3001);
    EXPECT_EQ(number(QStringLiteral("SELECT a FROM T GROUP BY a")), 3001);
    EXPECT_EQ(number(QStringLiteral("SELECT TOP 10 PERCENT * FROM T")), 3001);
    EXPECT_EQ(number(QStringLiteral("SELECT * FROM T WHERE a = 2 ^ 3")), 3001);
    EXPECT_EQ(number(QStringLiteral("SELECT * FROM T WHERE a || b")), 3075);
    EXPECT_EQ(number(QStringLiteral("SELECT * FROM T IN 'other.mdb'")), 3001);
    // nested past 100 levels, or chained past 900, however deep: refused; chains are written flat
    const QString where = QStringLiteral("SELECT * FROM T WHERE ");
    for (const QString& deep : {where + QStringLiteral("NOT ").repeated(100000) + QStringLiteral("a"),
                                where + QStringLiteral("Len(").repeated(100) + QStringLiteral("a") + QString(100, u')'),
                                where + QStringLiteral("a IN (SELECT a FROM T WHERE ").repeated(100) + QStringLiteral("a=1") + QString(100, u')'),
                                QStringLiteral("SELECT * FROM ") + QString(100000, u'(') + QStringLiteral("T"),
                                where + QStringLiteral("1+").repeated(100000) + QStringLiteral("1")})
        EXPECT_EQ(number(deep), dao::err::QueryTooComplex);
    EXPECT_EQ(sql(where + QString(98, u'(') + QStringLiteral("a=1 AND b=2 OR c=3") + QString(98, u')')),
              QStringLiteral("SELECT * FROM [T] WHERE ((([a] = 1) AND ([b] = 2)) OR ([c] = 3))"));
}

TEST_F(DaoSql, TextComparesIgnoringCaseInUnicode)
{
    EXPECT_EQ(ids(QStringLiteral("[Name]='ALPHA'")), QList<int>{1});
    EXPECT_EQ(ids(QStringLiteral("[Name]='ärger #1'")), QList<int>{4});
    EXPECT_EQ(ids(QStringLiteral("[Name]='IT''S'")), QList<int>{6});
    EXPECT_EQ(ids(QStringLiteral("[Name]>='B' AND [Name]<'C'")), QList<int>{2});
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("SELECT Name FROM Items WHERE ID<=3 ORDER BY Name"),
                                         dao::dbOpenSnapshot);
    QStringList order;
    for (; !rs.Eof(); rs.MoveNext()) order << rs(0).Value().toString();
    EXPECT_EQ(order, (QStringList{QStringLiteral("A-1234"), QStringLiteral("Alpha"), QStringLiteral("beta")}));
}

TEST_F(DaoSql, LikeWithJetWildcards)
{
    EXPECT_EQ(ids(QStringLiteral("[Name] LIKE 'A-????'")), QList<int>{3});
    EXPECT_EQ(ids(QStringLiteral("[Name] LIKE 'a*'")), (QList<int>{1, 3}));
    EXPECT_EQ(ids(QStringLiteral("[Name] LIKE 'A-#*'")), QList<int>{3});
    EXPECT_EQ(ids(QStringLiteral("[Name] LIKE '[!a]*'")), (QList<int>{2, 4, 5, 6}));
    EXPECT_EQ(ids(QStringLiteral("[Name] LIKE '[a-b]???'")), QList<int>{2});
    EXPECT_EQ(ids(QStringLiteral("[Name] LIKE 'ÄRGER [#]1'")), QList<int>{4});
    EXPECT_EQ(ids(QStringLiteral("[Name] LIKE '设备*'")), QList<int>{5});
    EXPECT_EQ(ids(QStringLiteral("[Name] LIKE '%'")), QList<int>{});     // % and _ are no Jet wildcards
    EXPECT_EQ(ids(QStringLiteral("[Name] NOT LIKE '*a*'")), (QList<int>{4, 5, 6}));
}

TEST_F(DaoSql, DatesNullsListsAndRanges)
{
    EXPECT_EQ(ids(QStringLiteral("[Made] >= #2024-01-01 00:00# AND [Made] <= #2024-12-31 23:59#")), (QList<int>{2, 3}));
    EXPECT_EQ(ids(QStringLiteral("[Made] BETWEEN #2023-01-01# AND #2024-01-02#")), (QList<int>{1, 2}));
    EXPECT_EQ(ids(QStringLiteral("[Made] IS NULL")), (QList<int>{4, 5, 6}));
    EXPECT_EQ(ids(QStringLiteral("NOT [Made] IS NULL AND Qty IS NOT NULL")), (QList<int>{1, 2}));
    EXPECT_EQ(ids(QStringLiteral("[ID] IN (2,4,9)")), (QList<int>{2, 4}));
    EXPECT_EQ(ids(QStringLiteral("[ID] NOT IN (SELECT ID FROM Items WHERE ID>2)")), (QList<int>{1, 2}));
    EXPECT_EQ(ids(QStringLiteral("[ID] <> 1 AND [ID] < 3")), QList<int>{2});
    EXPECT_EQ(ids(QStringLiteral("(FORMAT([Made],'YYYY')='2024')")), (QList<int>{2, 3}));
    EXPECT_EQ(ids(QStringLiteral("Year([Made])=2023 OR Month([Made])=12")), (QList<int>{1, 3}));
    EXPECT_EQ(ids(QStringLiteral("Day([Made])=2")), QList<int>{2});
    EXPECT_EQ(ids(QStringLiteral("[Made] < Now() AND [Made] < Date()")), (QList<int>{1, 2, 3}));
    EXPECT_EQ(ids(QStringLiteral("[Flag] = False OR [Flag] IS NULL")).size(), 6);
}

TEST_F(DaoSql, OperatorsAndFunctions)
{
    EXPECT_EQ(eval(QStringLiteral("[Name] & '-' & [Qty]")).toString(), QStringLiteral("Alpha-3"));
    EXPECT_EQ(eval(QStringLiteral("[Name] & [Made]"), 5).toString(), QStringLiteral("设备编号"));   // & skips Null
    EXPECT_EQ(eval(QStringLiteral("'a' & 1 + 2")).toString(), QStringLiteral("a3"));  // + binds tighter than &
    EXPECT_EQ(eval(QStringLiteral("'a' + 'b'")).toString(), QStringLiteral("ab"));
    EXPECT_EQ(eval(QStringLiteral("7 / 2")).toDouble(), 3.5);
    EXPECT_EQ(eval(QStringLiteral("7 Mod 3 + 1")).toInt(), 2);
    EXPECT_EQ(eval(QStringLiteral("2 + 7 Mod 3")).toInt(), 3);
    EXPECT_EQ(eval(QStringLiteral("-[Qty] * 2")).toInt(), -6);
    EXPECT_EQ(eval(QStringLiteral("Left([Name], 2) & Right([Name], 2) & Mid([Name], 2, 3) & Mid([Name], 4)")).toString(),
              QStringLiteral("Alhalphha"));
    EXPECT_EQ(eval(QStringLiteral("Len([Name])")).toInt(), 5);
    EXPECT_EQ(eval(QStringLiteral("Len('设备')")).toInt(), 2);
    EXPECT_EQ(eval(QStringLiteral("'[' & Trim('  x y  ') & ']'")).toString(), QStringLiteral("[x y]"));
    EXPECT_EQ(eval(QStringLiteral("UCase([Name]) & LCase('ÄB')")).toString(), QStringLiteral("ALPHAäb"));
    EXPECT_EQ(eval(QStringLiteral("UCase([Name])"), 4).toString(), QStringLiteral("ÄRGER #1"));
    EXPECT_EQ(eval(QStringLiteral("IIf([Qty] > 2, 'big', 'small')")).toString(), QStringLiteral("big"));
    EXPECT_EQ(eval(QStringLiteral("Nz([Made], 'none')"), 4).toString(), QStringLiteral("none"));
    EXPECT_EQ(eval(QStringLiteral("Nz([Qty], 0) + 1"), 4).toInt(), 1);
    EXPECT_EQ(eval(QStringLiteral("Val(' 12.5kg') + Val('x')")).toDouble(), 12.5);
    EXPECT_EQ(eval(QStringLiteral("Format([Made], 'YYYY-MM-DD HH:MM')")).toString(), QStringLiteral("2023-05-06 07:08"));
    EXPECT_EQ(eval(QStringLiteral("True")).toInt(), -1);
    EXPECT_EQ(eval(QStringLiteral("Year(Now()) >= 2024")).toInt(), -1);   // Jet's True
    // failures inside an expression keep the runtime's numbers
    EXPECT_EQ(errorOf([&] { eval(QStringLiteral("Mid('abc', 0)")); }), 5);
    EXPECT_EQ(errorOf([&] { eval(QStringLiteral("1 / 0")); }), 11);
    EXPECT_EQ(errorOf([&] { eval(QStringLiteral("Left([Made], 1)"), 4); }), 0);   // Null in, Null out
    EXPECT_EQ(errorOf([&] { ids(QStringLiteral("[Name] LIKE '[abc'")); }), 93);
    EXPECT_EQ(errorOf([&] { ids(QStringLiteral("Year([Name]) = 1")); }), 3464);
}

TEST_F(DaoSql, ExecuteCountsRowsAndRefusesSelect)
{
    EXPECT_EQ(db.Execute(QStringLiteral("DELETE * FROM [Items] WHERE [Name] LIKE 'a*';")), 2);
    EXPECT_EQ(db.RecordsAffected(), 2);
    EXPECT_EQ(db.Execute(QStringLiteral("UPDATE Items SET Qty = Qty + 1 WHERE ID = 2")), 1);
    EXPECT_EQ(errorOf([&] { db.Execute(QStringLiteral("SELECT * FROM Items")); }), 3065);
    EXPECT_EQ(errorOf([&] { db.Execute(QStringLiteral("DELETE * FROM Nowhere")); }), dao::err::NoSuchTable);
    EXPECT_EQ(errorOf([&] { db.OpenRecordset(QStringLiteral("SELECT * FROM Nowhere")); }), dao::err::NoSuchTable);
    EXPECT_EQ(errorOf([&] { db.OpenRecordset(QStringLiteral("Nowhere")); }), dao::err::NoSuchTable);
    EXPECT_EQ(errorOf([&] { db.OpenRecordset(QStringLiteral("SELECT Nothing FROM Items")); }), dao::err::TooFewParameters);
    EXPECT_EQ(errorOf([&] { db.Execute(QStringLiteral("DELETE * FROM _dao_fields")); }), dao::err::NoSuchTable);
    // a refused statement leaves the rows alone
    EXPECT_EQ(errorOf([&] { db.Execute(QStringLiteral("DELETE * FROM Items; DELETE * FROM Items")); }), 3142);
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("Items"));
    EXPECT_EQ(rs.RecordCount(), 4);
    EXPECT_EQ(errorOf([&] { db.OpenRecordset(QStringLiteral("SELECT * FROM Items WHERE Val(Name) = Left(Name)")); }), 3075);
    // a value with markers is written as typed; refusals quote a short excerpt, not the statement
    EXPECT_EQ(db.Execute(QStringLiteral("INSERT INTO Items (ID, Name) VALUES (9, 'F%0003%1')")), 1);
    EXPECT_EQ(db.OpenRecordset(QStringLiteral("SELECT Name FROM Items WHERE ID=9")).Fields(0).Value().toString(), QStringLiteral("F%0003%1"));
    const QString where = QStringLiteral("SELECT ID FROM Items WHERE ");
    for (const QString& s : {where + QStringLiteral("Name='") + QString(1 << 20, u'x'),
                             where + QStringLiteral("1=1 UNION SELECT ID FROM Items"),
                             where + QStringLiteral("Name='a") + QChar(0) + QStringLiteral("'"),
                             where + QStringLiteral("Name='a") + QChar(0xDC00) + QStringLiteral("'")}) {
        try {
            db.OpenRecordset(s);
            ADD_FAILURE();
        } catch (const vb::Error& e) {
            EXPECT_LT(e.description().size(), 100);
            EXPECT_FALSE(e.description().contains(QStringLiteral("WHERE"))) << e.description().toStdString();
        }
    }
}

TEST_F(DaoSql, JoinResultNamesComeWithoutTablePrefix)
{
    dao::TableDef t = db.CreateTableDef(QStringLiteral("Moves"));
    addField(t, QStringLiteral("ID"), dao::dbLong);
    addField(t, QStringLiteral("Dev_ID"), dao::dbLong);
    db.TableDefs().Append(t);
    dao::Recordset add = db.OpenRecordset(QStringLiteral("Moves"));
    add.AddNew();
    add(QStringLiteral("ID")).setValue(10);
    add(QStringLiteral("Dev_ID")).setValue(2);
    add.Update();
    dao::Recordset rs = db.OpenRecordset(
        QStringLiteral("SELECT Moves.*, Items.Name FROM Moves INNER JOIN Items ON Moves.Dev_ID = Items.ID WHERE "
                       "Items.Made >= #2024-01-01#"),
        dao::dbOpenSnapshot);
    ASSERT_FALSE(rs.Eof());
    EXPECT_EQ(rs(QStringLiteral("Name")).Value().toString(), QStringLiteral("beta"));
    EXPECT_EQ(rs(QStringLiteral("Dev_ID")).Value().toInt(), 2);
    EXPECT_EQ(rs(QStringLiteral("Items.Name")).Value().toString(), QStringLiteral("beta"));
    dao::Recordset both = db.OpenRecordset(
        QStringLiteral("SELECT * FROM Moves INNER JOIN Items ON Moves.Dev_ID = Items.ID"), dao::dbOpenSnapshot);
    EXPECT_EQ(both(QStringLiteral("Moves.ID")).Value().toInt(), 10);
    EXPECT_EQ(both(QStringLiteral("[Items].[ID]")).Value().toInt(), 2);
    EXPECT_FALSE(rs.Updatable());
}
