#include "daotest.h"
using namespace daotest;
TEST(DaoSmoke, Basic)
{
    testutil::ProgramFolder folder;
    dao::Database db = makeItems(folder.file("a.mdb"));
    addItem(db, 1, "alpha", "2024-01-02 03:04");
    addItem(db, 2, "Beta");
    dao::Recordset rs = db.OpenRecordset("SELECT TOP 1 * FROM [Items] ORDER BY [ID] DESC;", dao::dbOpenSnapshot);
    ASSERT_FALSE(rs.Eof());
    EXPECT_EQ(rs("[ID]").Value().toInt(), 2);
    rs.Close();
    rs = db.OpenRecordset("SELECT * FROM Items WHERE Name='ALPHA'");
    ASSERT_FALSE(rs.Eof());
    EXPECT_EQ(rs("made").Value().toDateTime().toString("yyyy-MM-dd HH:mm"), "2024-01-02 03:04");
}
