#include "main/core/strings.h"
#include "main/devices/devicerecord.h"
#include "platform/core/format.h"
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
            EXPECT_EQ(errorOf([&] { SaveDevice(c.devId, c.r, 5, c.level); }).number(), c.error) << c.what;
        else
            EXPECT_NO_THROW(SaveDevice(c.devId, c.r, 5, c.level)) << c.what;
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
    SaveDevice(id, r, 1, 3);
    EXPECT_EQ(ReadDevicePicture(id), bytes);
    r.picture = PictureChange::Clear;
    SaveDevice(id, r, 1, 3);
    EXPECT_TRUE(ReadDevicePicture(id).isNull());
}
