// Text order: a database made with the Chinese locale sorts digits, then Latin letters,
// then Chinese by its reading, ignoring letter case; an older file is reindexed once.
#include "daotest.h"
#include "platform/dao/sqlfunctions.h"
#include <sqlite3.h>

using namespace daotest;

namespace {

const QStringList kNames = {QStringLiteral("信息中心"), QStringLiteral("设备科"), QStringLiteral("abc"),
                            QStringLiteral("后勤处"),   QStringLiteral("123"),    QStringLiteral("财务科")};
const QStringList kSorted = {QStringLiteral("123"),    QStringLiteral("abc"),    QStringLiteral("财务科"),
                             QStringLiteral("后勤处"), QStringLiteral("设备科"), QStringLiteral("信息中心")};

QStringList column(dao::Database& db, const QString& sql)
{
    dao::Recordset rs = db.OpenRecordset(sql, dao::dbOpenSnapshot);
    QStringList out;
    for (; !rs.Eof(); rs.MoveNext()) out << rs(0).Value().toString();
    return out;
}

dao::Database withNames(const QString& path, const QString& locale)
{
    dao::Database db = dao::DBEngine::CreateDatabase(path, locale + QStringLiteral(";pwd=") + kPassword);
    dao::TableDef t = db.CreateTableDef(QStringLiteral("Depart"));
    addField(t, QStringLiteral("ID"), dao::dbLong);
    addField(t, QStringLiteral("Name"), dao::dbText, 50);
    db.TableDefs().Append(t);
    db.Execute(QStringLiteral("CREATE INDEX ix_name ON [Depart] ([Name])"));
    int id = 0;
    for (const QString& n : kNames)
        db.Execute(QStringLiteral("INSERT INTO Depart (ID, Name) VALUES (%1, '%2')").arg(++id).arg(n));
    return db;
}

// Runs statements on the file as another program would, with the given order as NOCASE.
QString raw(const QString& path, bool chinese, const char* sql)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    const QByteArray key = kPassword.toUtf8();
    sqlite3_key(db, key.constData(), key.size());
    dao::detail::registerFunctions(db);
    if (chinese) dao::detail::useChineseOrder(db);
    char* error = nullptr;
    QString out;
    sqlite3_exec(
        db, sql,
        [](void* p, int, char** values, char**) {
            *static_cast<QString*>(p) += QString::fromUtf8(values[0] ? values[0] : "") + u';';
            return 0;
        },
        &out, &error);
    if (error) out += QString::fromUtf8(error);
    sqlite3_free(error);
    sqlite3_close(db);
    return out;
}

} // namespace

TEST(DaoCollation, ChineseTextSortsByReadingAfterDigitsAndLatinLetters)
{
    testutil::ProgramFolder folder;
    dao::Database db = withNames(folder.file(QStringLiteral("zh.mdb")), chineseLocale());
    EXPECT_EQ(column(db, QStringLiteral("SELECT Name FROM Depart ORDER BY Name")), kSorted);
    EXPECT_EQ(column(db, QStringLiteral("SELECT Name FROM Depart ORDER BY Trim(Name)")), kSorted);
    EXPECT_EQ(column(db, QStringLiteral("SELECT Name FROM Depart WHERE Name > 'ABC' ORDER BY Name")), kSorted.mid(2));
    EXPECT_EQ(column(db, QStringLiteral("SELECT Name FROM Depart WHERE Name < '财' ORDER BY Name DESC")),
              (QStringList{QStringLiteral("abc"), QStringLiteral("123")}));
    // letter case still ignored, in order and in equality
    db.Execute(QStringLiteral("INSERT INTO Depart (ID, Name) VALUES (7, 'ABD')"));
    db.Execute(QStringLiteral("INSERT INTO Depart (ID, Name) VALUES (8, 'Abc')"));
    EXPECT_EQ(column(db, QStringLiteral("SELECT Name FROM Depart WHERE Name LIKE 'a*' ORDER BY Name, ID")),
              (QStringList{QStringLiteral("abc"), QStringLiteral("Abc"), QStringLiteral("ABD")}));
    EXPECT_EQ(column(db, QStringLiteral("SELECT Name FROM Depart WHERE Name = 'ABC' ORDER BY ID")),
              (QStringList{QStringLiteral("abc"), QStringLiteral("Abc")}));
    EXPECT_LT(dao::detail::compareChinese(QStringLiteral("Zebra"), QStringLiteral("阿")), 0);
    EXPECT_LT(dao::detail::compareChinese(QStringLiteral("a b"), QStringLiteral("ab")), 0);
    EXPECT_EQ(dao::detail::compareChinese(QStringLiteral("HP-1020"), QStringLiteral("hp-1020")), 0);
}

TEST(DaoCollation, OtherLocalesKeepCaseFoldedOrder)
{
    testutil::ProgramFolder folder;
    dao::Database db = withNames(folder.file(QStringLiteral("en.mdb")), QString::fromLatin1(dao::dbLangGeneral));
    EXPECT_EQ(column(db, QStringLiteral("SELECT Name FROM Depart ORDER BY Name")),
              (QStringList{QStringLiteral("123"), QStringLiteral("abc"), QStringLiteral("信息中心"),
                           QStringLiteral("后勤处"), QStringLiteral("设备科"), QStringLiteral("财务科")}));
}

TEST(DaoCollation, AFileIndexedInTheEarlierOrderIsReindexedOnce)
{
    testutil::ProgramFolder folder;
    const QString path = folder.file(QStringLiteral("old.mdb"));
    withNames(path, chineseLocale()).Close();
    // as an earlier version left it: indexes in case-folded order, no mark
    EXPECT_EQ(raw(path, false, "DELETE FROM _dao_info WHERE key='collation'; REINDEX NOCASE; PRAGMA integrity_check"),
              QStringLiteral("ok;"));
    EXPECT_NE(raw(path, true, "PRAGMA integrity_check"), QStringLiteral("ok;"));

    // read-only: the order its indexes have
    dao::Database ro = dao::DBEngine::OpenDatabase(path, false, true, QStringLiteral(";pwd=") + kPassword);
    EXPECT_EQ(column(ro, QStringLiteral("SELECT Name FROM Depart WHERE Name > '1' ORDER BY Name")).size(), 6);
    ro.Close();
    EXPECT_NE(raw(path, true, "PRAGMA integrity_check"), QStringLiteral("ok;"));

    dao::Database db = dao::DBEngine::OpenDatabase(path, false, false, QStringLiteral(";pwd=") + kPassword);
    EXPECT_EQ(column(db, QStringLiteral("SELECT Name FROM Depart WHERE Name > '1' ORDER BY Name")), kSorted);
    db.Close();
    EXPECT_EQ(raw(path, true, "PRAGMA integrity_check"), QStringLiteral("ok;"));
    EXPECT_TRUE(raw(path, true, "SELECT value FROM _dao_info WHERE key='collation'").startsWith(QLatin1String("zh-icu-")));
}
