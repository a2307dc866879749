// RecordsetCloser on a real database: the record set is closed and a pending edit
// dropped however the scope ends.
#include "tests/common/raised.h"
#include "tests/data/servicefixture.h"

using namespace ostrel;
using namespace Qt::StringLiterals;
using testutil::errorOf;
using testutil::ServiceTest;

namespace {

using RecordsetCloserTest = ServiceTest;

TEST_F(RecordsetCloserTest, ARaisedErrorDropsThePendingEditAndClosesTheSet)
{
    exec(u"INSERT INTO [SysInfo] ([ID],[Type],[No],[Value]) VALUES (90,'T',1,'old');"_s);
    dao::Recordset copy;
    const vb::Error raised = errorOf([&] {
        dao::Recordset rs = gDatabase.OpenRecordset(u"SELECT * FROM [SysInfo] WHERE [ID]=90;"_s, dao::dbOpenDynaset);
        RecordsetCloser closer(rs);
        copy = rs;
        rs.Edit();
        rs(u"Value"_s).setValue(u"new"_s);
        throw vb::Error::runtime(vb::errInvalidCall);
    });
    EXPECT_EQ(raised.number(), vb::errInvalidCall);
    EXPECT_EQ(errorOf([&] { copy.Eof(); }).number(), dao::err::ObjectInvalid);
    EXPECT_EQ(rows(u"SELECT [Value] FROM [SysInfo] WHERE [ID]=90;"_s), QStringList{u"old"_s});
}

TEST_F(RecordsetCloserTest, ASetOpenedAfterTheGuardOrNeverOpenedIsHandled)
{
    dao::Recordset copy;
    {
        dao::Recordset rs;
        RecordsetCloser closer(rs);
        rs = gDatabase.OpenRecordset(u"SELECT * FROM [SysInfo];"_s, dao::dbOpenSnapshot);
        copy = rs;
    }
    EXPECT_EQ(errorOf([&] { copy.Eof(); }).number(), dao::err::ObjectInvalid);
    {
        dao::Recordset nothing;
        RecordsetCloser closer(nothing);  // nothing to close: no error
    }
    {
        dao::Recordset closed = gDatabase.OpenRecordset(u"SELECT * FROM [SysInfo];"_s, dao::dbOpenSnapshot);
        RecordsetCloser closer(closed);
        closed.Close();  // closed already: no error either
    }
}

} // namespace
