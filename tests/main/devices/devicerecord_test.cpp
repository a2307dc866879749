#include "main/core/strings.h"
#include "main/devices/devicerecord.h"
#include "platform/core/format.h"
#include "main/core/schema.h"
#include "tests/common/copies.h"
#include "tests/main/devices/copiesload.h"
#include "tests/main/devices/devicefixture.h"

using namespace ostrel;
using namespace ostrel::devices;
using namespace Qt::StringLiterals;
using testutil::errorOf;

using DeviceRecordTest = testutil::DeviceDatabaseTest;

namespace {

DeviceRecord record(const QString& number, const QString& serial = QString())
{
    DeviceRecord r;
    r.number = number;
    r.card = u"K"_s;
    r.group = 0;
    r.host = 0;
    r.classes[0] = u"a"_s;
    r.classes[1] = u"b"_s;
    r.classes[2] = u"c"_s;
    r.purchased = QDateTime(QDate(2020, 1, 2), QTime(3, 4));
    r.check = r.state = r.depart = r.person = 0;
    r.place = u"here"_s;
    r.serial = serial;
    r.name = u"name"_s;
    return r;
}

// Saves r over the row as an editor showing it now would.
void save(qint32 devId, const DeviceRecord& r, qint32 userId, qint32 level)
{
    dao::Recordset rs = OpenDevice(devId);
    const DeviceRecord stored = rs.Eof() ? DeviceRecord() : RecordOf(rs);
    rs.Close();
    ShownDevice shown{stored, stored};
    SaveDevice(devId, r, shown, userId, level, {});
}

} // namespace

TEST_F(DeviceRecordTest, AFailedAddWritesNothingAndTakesNoKey)
{
    ASSERT_EQ(AddDevice(record(u"N-1"_s, u"S-1"_s), 5), 1);
    DeviceRecord tooLong = record(u"N-2"_s);
    tooLong.name = QString(256, QLatin1Char('x'));
    struct Case {
        const char* what;
        DeviceRecord r;
        int error;
    };
    const Case cases[] = {
        {"number", record(u"n-1"_s), 1001},
        {"serial", record(u"N-2"_s, u"S-1"_s), vb::componentError(1075)},
        {"long name", tooLong, 3163},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(errorOf([&] { AddDevice(c.r, 5); }).number(), c.error) << c.what;
        EXPECT_EQ(count(u"SELECT * FROM [Dev_Info];"_s), 1) << c.what;
    }
    EXPECT_EQ(AddDevice(record(u"N-2"_s), 5), 2);
    EXPECT_EQ(value(u"SELECT [O_ID] FROM [Dev_Info] WHERE [Dev_ID]=2;"_s).toInt(), 5);
}

TEST_F(DeviceRecordTest, SavingChecksTheRowTheOwnerAndOtherRowsValues)
{
    const qint32 mine = AddDevice(record(u"N-1"_s, u"S-1"_s), 5);
    const qint32 theirs = AddDevice(record(u"N-2"_s, u"S-2"_s), 6);
    addDevice(3, u"N-3"_s);  // no owner
    struct Case {
        const char* what;
        qint32 devId;
        DeviceRecord r;
        qint32 level;
        int error;  // 0: saved
    };
    const Case cases[] = {
        {"missing", 9, record(u"N-9"_s), 3, 1001},
        {"another's", theirs, record(u"N-2"_s), 2, vb::componentError(1077)},
        {"taken number", mine, record(u"n-2"_s), 2, 1001},
        {"taken serial", mine, record(u"N-1"_s, u" S-2 "_s), 2, vb::componentError(1075)},
        {"own", mine, record(u"N-1"_s, u"S-1"_s), 2, 0},
        {"nobody's", 3, record(u"N-3"_s), 2, 0},
        {"level 3", theirs, record(u"N-2"_s), 3, 0},
    };
    for (const Case& c : cases) {
        if (c.error)
            EXPECT_EQ(errorOf([&] { save(c.devId, c.r, 5, c.level); }).number(), c.error) << c.what;
        else
            EXPECT_NO_THROW(save(c.devId, c.r, 5, c.level)) << c.what;
    }
    EXPECT_EQ(value(u"SELECT [O_ID] FROM [Dev_Info] WHERE [Dev_ID]=3;"_s).toInt(), 5);
    EXPECT_EQ(value(u"SELECT [O_ID] FROM [Dev_Info] WHERE [Dev_ID]=2;"_s).toInt(), 5);
    EXPECT_EQ(count(u"SELECT * FROM [Dev_Info] WHERE [ManuNo] IS NULL;"_s), 2);
}

TEST_F(DeviceRecordTest, ThePictureIsKeptClearedOrReplacedByteForByte)
{
    const QByteArray bytes = randomBytes(100000);
    DeviceRecord r = record(u"P"_s);
    r.picture = PictureChange::Replace;
    r.pictureBytes = bytes;
    const qint32 id = AddDevice(r, 1);
    EXPECT_EQ(ReadDevicePicture(id), bytes);
    r.picture = PictureChange::Keep;
    r.pictureBytes.clear();
    save(id, r, 1, 3);
    EXPECT_EQ(ReadDevicePicture(id), bytes);
    r.picture = PictureChange::Clear;
    save(id, r, 1, 3);
    EXPECT_TRUE(ReadDevicePicture(id).isNull());
}

TEST_F(DeviceRecordTest, FourCopiesAddingAndDeletingWhileOneReadsStoreEverySuccessOnce)
{
    const char* const parts[] = {"write1", "write2", "write3", "write4", "read"};
    const QByteArray part = testutil::copyPart();
    if (!part.isEmpty()) {
        gDatabase.Close();
        if (part == "read")
            copiesload::read(testutil::copyFile(), 4000);
        else
            copiesload::write(testutil::copyFile(), part.right(1).toInt(), 4000, 3);
        return;
    }
    const QString path = gDatabase.Name();
    QProcess copies[5];
    for (int i = 0; i < 5; ++i)
        testutil::startCopy(copies[i], parts[i], path);
    copiesload::Tally said;
    for (QProcess& p : copies) {
        ASSERT_TRUE(p.waitForFinished(120000));
        EXPECT_EQ(p.exitCode(), 0);
        said.take(p.readAll());
    }
    EXPECT_GT(said.added.size(), 20);
    EXPECT_GT(said.reads, 0);
    EXPECT_EQ(said.duplicateKeys, 0);   // no key given twice, though the last devices were deleted
    EXPECT_FALSE(said.deleted.isEmpty());
    for (qint32 key : std::as_const(said.deleted))
        said.added.remove(key);
    for (const QHash<int, int>& failures : {said.addFailures, said.otherFailures})
        for (auto it = failures.begin(); it != failures.end(); ++it)
            EXPECT_EQ(it.key(), dao::err::Locked) << it.value() << " times";
    // every success stored once, under its own key and number, and nothing else
    QHash<qint32, QString> stored;
    dao::Recordset rs = gDatabase.OpenRecordset(u"SELECT [Dev_ID],[设备编号] FROM [Dev_Info];"_s, dao::dbOpenSnapshot);
    for (; !rs.Eof(); rs.MoveNext())
        stored.insert(rs(0).Value().toInt(), rs(1).Value().toString());
    rs.Close();
    EXPECT_EQ(stored, said.added);
    EXPECT_EQ(count(u"SELECT [ID] FROM [Transfer];"_s), said.transfers.size());
    EXPECT_EQ(count(u"SELECT DISTINCT [设备编号] FROM [Dev_Info];"_s), stored.size());
    gDatabase.Close();
    gDatabase = dao::Database();
    EXPECT_EQ(testutil::integrity(path, schema::databasePassword()).toStdString(), "ok");
}
