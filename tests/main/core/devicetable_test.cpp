#include "main/core/devicetable.h"
#include "main/core/strings.h"
#include "tests/main/devices/devicefixture.h"

using namespace ostrel;
using namespace ostrel::devices;

using DeviceTableTest = testutil::DeviceDatabaseTest;
using testutil::errorOf;

TEST_F(DeviceTableTest, FirstKeyIsOneAndQuotedNumbersAndSerialsAreLookedUpSafely)
{
    EXPECT_EQ(GetNewID(QStringLiteral("Dev_Info"), QStringLiteral("Dev_ID")).toInt(), 1);
    addDevice(1, QStringLiteral("SB-'01"), QStringLiteral("O'Neil 7"));
    addDevice(2, QStringLiteral("SB-02"), QStringLiteral("X2"));

    struct Case {
        QString number;
        QString serial;
        qint32 except;
        bool numberTaken;
        bool serialTaken;
    };
    const Case cases[] = {
        {QStringLiteral("SB-'01"), QStringLiteral("O'Neil 7"), 0, true, true},
        {QStringLiteral("SB-'01"), QStringLiteral("O'Neil 7"), 1, false, false},   // own row left out
        {QStringLiteral("SB-'01"), QStringLiteral("O'Neil 7"), 2, true, true},
        {QStringLiteral("sb-'01"), QStringLiteral("o'neil 7"), 0, true, true},     // letter case ignored
        {QStringLiteral("SB-01"), QStringLiteral("ONeil 7"), 0, false, false},
        {QStringLiteral("' OR ''='"), QStringLiteral("' OR 1=1 OR ''='"), 0, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DeviceNumberTaken(c.number, c.except), c.numberTaken) << c.number.toStdString();
        EXPECT_EQ(SerialTaken(c.serial, c.except), c.serialTaken) << c.serial.toStdString();
    }
    EXPECT_EQ(GetNewID(QStringLiteral("Dev_Info"), QStringLiteral("Dev_ID")).toInt(), 3);

    const QVector<HostEntry> hosts = HostList();
    ASSERT_EQ(hosts.size(), 2);
    EXPECT_EQ(hosts[0].number, QStringLiteral("SB-'01"));
    EXPECT_EQ(hosts[0].devId, 1);
    EXPECT_EQ(hosts[1].devId, 2);

    dao::Recordset rs = OpenDevice(2);
    ASSERT_FALSE(rs.Eof());
    EXPECT_EQ(rs(QStringLiteral("ManuNo")).Value().toString(), QStringLiteral("X2"));
    rs.Close();
    EXPECT_TRUE(OpenDevice(99).Eof());
}

TEST_F(DeviceTableTest, EmptyOrNullSerialsAreNeverRefusedAndTakenValuesRaiseTheNumberedErrors)
{
    addDevice(1, QStringLiteral("A"));
    addDevice(2, QStringLiteral("B"), QString(""));
    addDevice(3, QStringLiteral("C"), QString(""));
    addDevice(4, QStringLiteral("D'"), QStringLiteral("S'1"));
    EXPECT_FALSE(SerialTaken(QString()));
    EXPECT_NO_THROW(CheckNewDevice(QStringLiteral("E"), QString()));

    const vb::Error number = errorOf([] { CheckNewDevice(QStringLiteral("D'"), QString()); });
    EXPECT_EQ(number.number(), 1001);
    EXPECT_EQ(number.description(), QStringLiteral("相同的设备编码已经存在！"));
    const vb::Error serial = errorOf([] { CheckNewDevice(QStringLiteral("E"), QStringLiteral("S'1")); });
    EXPECT_EQ(serial.number(), int(0x80040433u));
    EXPECT_EQ(serial.description(), QStringLiteral("相同的设备出厂编号已经存在！"));
    EXPECT_NO_THROW(CheckNewDevice(QStringLiteral("D'"), QStringLiteral("S'1"), 4)); // saving itself
}

TEST_F(DeviceTableTest, PictureOfSeveralMegabytesIsStoredWholeKeptAndCleared)
{
    const QByteArray picture = randomBytes(5 * 1024 * 1024 + 3);
    const QString path = writeFile(QStringLiteral("pic.jpg"), picture);

    dao::Recordset rs = gDatabase.OpenRecordset(QStringLiteral("Dev_Info"), dao::dbOpenDynaset);
    rs.AddNew();
    rs(QStringLiteral("Dev_ID")).setValue(1);
    rs(QStringLiteral("设备编号")).setValue(QStringLiteral("P1"));
    WritePicture(rs, PictureChange::Replace, ReadFileBytes(path));
    rs.Update();
    rs.AddNew();
    rs(QStringLiteral("Dev_ID")).setValue(2);
    rs(QStringLiteral("设备编号")).setValue(QStringLiteral("P2"));
    WritePicture(rs, PictureChange::Keep);
    rs.Update();
    rs.Close();
    EXPECT_EQ(ReadDevicePicture(1), picture);
    EXPECT_TRUE(ReadDevicePicture(2).isNull());   // never chosen: Null
    EXPECT_TRUE(ReadDevicePicture(3).isNull());   // no such device

    const auto save = [](PictureChange change, const QByteArray& bytes) {
        dao::Recordset r = OpenDevice(1, true);
        r.Edit();
        r(QStringLiteral("设备名称")).setValue(QStringLiteral("改"));
        WritePicture(r, change, bytes);
        r.Update();
        r.Close();
    };
    save(PictureChange::Keep, QByteArray("ignored"));
    EXPECT_EQ(ReadDevicePicture(1), picture);
    save(PictureChange::Replace, QByteArray());   // an empty file changes nothing
    EXPECT_EQ(ReadDevicePicture(1), picture);
    save(PictureChange::Replace, QByteArray("\0\1\2", 3));
    EXPECT_EQ(ReadDevicePicture(1), QByteArray("\0\1\2", 3));
    save(PictureChange::Clear, QByteArray());
    EXPECT_TRUE(ReadDevicePicture(1).isNull());
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM [Dev_Info] WHERE [图片] IS NULL;")), 2);
}

TEST_F(DeviceTableTest, FilesAreReadExactlyAndMissingOrTooLargeFilesAreRefused)
{
    const QByteArray bytes = randomBytes(70000);
    const QString path = writeFile(QStringLiteral("图纸.pdf"), bytes);
    EXPECT_EQ(ReadFileBytes(path), bytes);
    // A dot-file is an ordinary file here.
    EXPECT_EQ(ReadFileBytes(writeFile(QStringLiteral(".notes.doc"), "x")), QByteArray("x"));

    for (const QString& missing : {folder->file(QStringLiteral("nowhere.doc")), folder->path()}) {
        const vb::Error e = errorOf([&] { ReadFileBytes(missing); });
        EXPECT_EQ(e.number(), int(0x80040434u));
        EXPECT_EQ(e.description(), QStringLiteral("找不到文件！") + missing);
    }
    const vb::Error big = errorOf([&] { ReadFileBytes(path, 69999); });
    EXPECT_EQ(big.number(), dao::err::FieldTooSmall);
    EXPECT_TRUE(big.description().contains(path));
    EXPECT_EQ(ReadFileBytes(path, 70000), bytes);
}
