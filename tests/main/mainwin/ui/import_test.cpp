// The import of devices over real database files and sources made at run time, with the
// code-rule component.
#include "main/core/defaultrule.h"
#include "main/core/mdlmisc.h"
#include "main/core/password.h"
#include "main/core/globals.h"
#include "main/devices/devicerecord.h"
#include "main/devices/registration.h"
#include "main/mainwin/ui/import.h"
#include "platform/core/format.h"
#include "platform/core/msgbox.h"
#include "platform/core/settings.h"
#include "platform/dao/transaction.h"
#include "platform/extdb/extdb.h"
#include "platform/ui/filedialog.h"
#include "rulegen/include/tessaly.h"
#include "shared/com/create.h"
#include "tests/common/raised.h"
#include "tests/common/sourcefiles.h"
#include "tests/main/core/dbfixture.h"
#include <QFile>
#include <QTextStream>
#include <QtEndian>

using namespace Qt::StringLiterals;
using namespace ostrel;
using testutil::dateCell;

namespace {

const QStringList kHeadings = {u"设备编号"_s, u"设备名称"_s, u"型号"_s, u"规格"_s, u"生产厂家"_s, u"出厂编号"_s,
                               u"出厂日期"_s, u"购进日期"_s, u"启用日期"_s, u"资产原值"_s, u"安装地点"_s,
                               u"技术状况"_s, u"备注"_s};

class ImportTest : public testutil::MainDatabaseTest {
protected:
    void SetUp() override
    {
        MainDatabaseTest::SetUp();
        folder->registerComponents();
        gAppName = u"Ostrel1.0"_s;
        ui::script::clear();
        ui::script::clearFileDialogs();
        addSysInfo(100, u"State"_s, 1, u"在用"_s);
        addSysInfo(101, u"State"_s, 2, u"闲置"_s);
        logIn(created.adminName, u"secret-1"_s);
        // Numbers of two-character class fields and a three-digit counter: "A1B2C3001".
        rule = com::createObject<tessaly::ICodeClass>(tessaly::CLSID_CodeClass);
        for (const QString& f : {u"设备大类"_s, u"设备属类"_s, u"设备组别"_s})
            rule->Add(f, tessaly::bsUsrField, tessaly::smNoneSwap, QString(), rule->UsrFields()->Add(f).get(), 2);
        rule->Add(u"序号"_s, tessaly::bsIncreaseNumber, tessaly::smNoneSwap, QString(), nullptr, 3);
        options.rule = rule.get();
        options.userId = gUsrInfos->UsrID();
        options.status = [this](const QString& s) { statuses << s; };
    }
    void TearDown() override
    {
        rule = nullptr;
        gCodes = nullptr;
        gAppName.clear();
        MainDatabaseTest::TearDown();
    }

    // A source of the default headings and these rows: "xlsx", "xls", "mdb" (Jet4) or "jet3"
    // (an Access 97 file whose header names no code page).
    QString source(const char* format, const QJsonArray& rows, const QStringList& headings = kHeadings)
    {
        const bool jet3 = QByteArray(format) == "jet3";
        const QString path = folder->file(u"源."_s + QString::fromLatin1(jet3 ? "mdb" : format));
        if (QByteArray(format) == "mdb" || jet3) {
            QJsonArray columns;
            for (const QString& h : headings)
                columns.append(h == u"购进日期"_s                ? QJsonArray{h, u"DATETIME"_s, 0}
                               : h == u"备注"_s && !jet3 ? QJsonArray{h, u"MEMO"_s, 0}
                                                         : QJsonArray{h, u"TEXT"_s, 100});
            QJsonArray texts;
            for (const QJsonValue& r : rows) {
                QJsonArray row;
                for (const QJsonValue& c : r.toArray())
                    row.append(c.isObject() ? c.toObject().value(u"date"_s) : c.isDouble() ? QJsonValue(extdb::numberText(c.toDouble())) : c);
                while (row.size() < headings.size())
                    row.append(QJsonValue());
                texts.append(row);
            }
            QJsonObject layout{{u"columns"_s, columns}, {u"rows"_s, texts}};
            if (jet3)
                layout.insert(u"jet3_code_page"_s, 0);
            testutil::writeSource(path, layout);
        } else {
            QJsonArray all{QJsonArray::fromStringList(headings)};
            for (const QJsonValue& r : rows)
                all.append(r);
            testutil::writeSheet(path, all);
        }
        return path;
    }

    QStringList devices(const QString& columns = u"[设备编号]"_s)
    {
        dao::Recordset rs = gDatabase.OpenRecordset(u"SELECT "_s + columns + u" FROM [Dev_Info] ORDER BY [Dev_ID];"_s,
                                                    dao::dbOpenSnapshot);
        QStringList out;
        while (!rs.Eof()) {
            QStringList cells;
            for (int i = 0; i < rs.Fields().Count(); ++i)
                cells << vb::CStr(rs.Fields(i).Value());
            out << cells.join(u'|');
            rs.MoveNext();
        }
        rs.Close();
        return out;
    }

    void addDevice(int id, const QString& number, const QString& manuNo = QString())
    {
        dao::Recordset rs = gDatabase.OpenRecordset(u"Dev_Info"_s, dao::dbOpenDynaset);
        rs.AddNew();
        rs(u"Dev_ID"_s).setValue(id);
        rs(u"设备编号"_s).setValue(number);
        if (!manuNo.isEmpty())
            rs(u"ManuNo"_s).setValue(manuNo);
        rs.Update();
        rs.Close();
    }

    QStringList logLines()
    {
        QFile f(folder->file(u"导入日志.txt"_s));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromLocal8Bit(f.readAll()).split(u"\r\n"_s);
        lines.removeAll(QString());
        return lines;
    }

    vb::Error importError(const QString& path)
    {
        return testutil::errorOf([&] { ImportDevices(path, options); });
    }

    com::ComPtr<tessaly::ICodeClass> rule;
    ImportOptions options;
    QStringList statuses;
};

class ImportFormats : public ImportTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ImportFormats, DefaultMapWithChineseHeadings)
{
    const QString path = source(GetParam(), QJsonArray{
        QJsonArray{u"A1B2C3001"_s, u"车床"_s, u"C6140"_s, u"1米"_s, u"沈阳机床"_s, u"M-01"_s, u"2001.2.3"_s,
                   dateCell(u"2003-05-06T00:00:00"_s), u"98"_s, 12500.5, u"一车间"_s, u"在用"_s, u"旧'设备"_s},
        QJsonArray{u"D4E5F6002"_s, u"铣床"_s, QJsonValue(), 1.5e-21, QJsonValue(), QJsonValue(), QJsonValue(),
                   QJsonValue(), QJsonValue(), QJsonValue(), QJsonValue(), u"闲置"_s}});
    const QByteArray before = testutil::readBytes(path);
    EXPECT_TRUE(plat::GetSetting(gAppName, u"Settings"_s, u"ImportDef"_s).isEmpty());

    ASSERT_EQ(ImportDevices(path, options), 2);

    const QString uid = QString::number(gUsrInfos->UsrID());
    EXPECT_EQ(devices(u"[Dev_ID],[设备编号],[设备大类],[设备属类],[设备组别],[设备名称],[Model],[Manufacturer],[ManuNo],"
                      "[ManuDate],[购置年代],[启用日期],[价值],[安装地点],[设备状况],[附加信息],[O_ID],[Dep_ID],[Dev_Grp]"_s),
              (QStringList{u"1|A1B2C3001|A1|B2|C3|车床|C61401米|沈阳机床|M-01|2001.2.3|2003-05-06|1998-01-01|12500.5|一车间|1|旧'设备|"_s +
                               uid + u"|0|0"_s,
                           u"2|D4E5F6002|D4|E5|F6|铣床|0.0000000000000000000015||||||||2||"_s + uid + u"|0|0"_s}));
    EXPECT_EQ(plat::GetSetting(gAppName, u"Settings"_s, u"ImportDef"_s), kDefaultImportMap);
    EXPECT_EQ(statuses, (QStringList{u"已经导入1"_s, u"已经导入2"_s, u"状态"_s}));
    const QStringList log = logLines();
    ASSERT_EQ(log.size(), 2);
    EXPECT_TRUE(log[0].endsWith(u",4"_s));
    EXPECT_EQ(log[1], u"Lines:1,4"_s);
    EXPECT_EQ(testutil::readBytes(path), before);   // the source is only read
    // The last key imported deleted: it goes to no new device.
    gDatabase.Execute(u"DELETE FROM [Dev_Info] WHERE [Dev_ID]=2;"_s);
    EXPECT_EQ(GetNewID(u"Dev_Info"_s, u"Dev_ID"_s).toInt(), 3);
}

// A condition text not in the list is written unchanged: a numeric column refuses it.
TEST_P(ImportFormats, ValueTheColumnRefusesRollsEverythingBack)
{
    addDevice(7, u"X0X0X0001"_s);
    const QString path = source(GetParam(), QJsonArray{
        QJsonArray{u"A1B2C3001"_s, u"车床"_s},
        QJsonArray{u"A1B2C3002"_s, u"铣床"_s, QJsonValue(), QJsonValue(), QJsonValue(), QJsonValue(), QJsonValue(),
                   QJsonValue(), QJsonValue(), QJsonValue(), QJsonValue(), u"损坏"_s}});
    const vb::Error e = importError(path);
    EXPECT_EQ(e.number(), 13) << e.description().toStdString();
    EXPECT_TRUE(e.description().endsWith(u"\tLine:2"_s)) << e.description().toStdString();
    EXPECT_EQ(devices(), QStringList{u"X0X0X0001"_s});
    const QStringList log = logLines();
    ASSERT_GE(log.size(), 2);
    EXPECT_EQ(log[log.size() - 2], e.description() + u",1"_s);
    EXPECT_EQ(statuses.last(), u"状态"_s);
}

INSTANTIATE_TEST_SUITE_P(Sources, ImportFormats, ::testing::Values("xlsx", "xls", "mdb", "jet3"));

TEST_F(ImportTest, RefusalsLeaveEveryTableAsItWas)
{
    addDevice(1, u"A1B2C3001"_s, u"OLD"_s);
    struct Case {
        const char16_t* name;
        QJsonArray rows;
        QString map;
        int number;
        QString description;
    };
    const Case cases[] = {
        {u"factory number repeated in the file",
         {QJsonArray{u"A1B2C3005"_s, u"a"_s, {}, {}, {}, u"M1"_s}, QJsonArray{u"A1B2C3006"_s, u"b"_s},
          QJsonArray{u"A1B2C3007"_s, u"c"_s, {}, {}, {}, u"m1"_s}},
         {}, 1000, u"相同的出厂编号已经存在:m1\tLine:3"_s},
        {u"factory number already stored", {QJsonArray{u"A1B2C3005"_s, u"a"_s, {}, {}, {}, u"OLD"_s}}, {}, 1000,
         u"相同的出厂编号已经存在:OLD\tLine:1"_s},
        {u"row with data but no device number", {QJsonArray{u"A1B2C3005"_s}, QJsonArray{{}, u"无编号"_s}}, {}, 1000,
         u"设备编号为空。\tLine:2"_s},
        {u"map without ManuNo", {QJsonArray{u"A1B2C3005"_s}}, u"设备编号;设备名称"_s, 3265,
         u"导入定义中没有出厂编号(ManuNo)一项。\tLine:1"_s},
        {u"map naming a source column the file lacks", {QJsonArray{u"A1B2C3005"_s}}, u"ManuNo,出厂编号;Model,型号2"_s,
         3265, u"源数据中没有列 '型号2'。\tLine:1"_s},
        {u"number that does not fit the rule", {QJsonArray{u"A1B2C3005"_s}, QJsonArray{u"A1B2"_s}}, {},
         vb::componentError(2040), QString()},
        {u"taken number shorter than the last band", {QJsonArray{u"AB"_s}}, {}, 1000,
         u"设备编号AB比编码规则的末段短，无法自动改号。\tLine:1"_s},
    };
    addDevice(2, u"AB"_s);
    for (const Case& c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.name).toStdString());
        plat::SaveSetting(gAppName, u"Settings"_s, u"ImportDef"_s, c.map);
        const vb::Error e = importError(source("xlsx", c.rows));
        EXPECT_EQ(e.number(), c.number) << e.description().toStdString();
        if (!c.description.isEmpty()) {
            EXPECT_EQ(e.description(), c.description);
        }
        EXPECT_EQ(devices(), (QStringList{u"A1B2C3001"_s, u"AB"_s}));
        EXPECT_EQ(logLines().value(logLines().size() - 2), e.description() + u",1"_s);
    }
}

// Texts arrive whole and as written, or their row is refused with the column's message and
// nothing is stored: long ones (over CONTINUE records, along a chain of pages) with texts after
// them, characters outside the BMP, NUL, a lone surrogate (written as U+E000, then patched).
TEST_F(ImportTest, TextsArriveAsWrittenOrTheRowIsRefused)
{
    addDevice(1, u"A1B2C3001"_s);
    plat::SaveSetting(gAppName, u"Settings"_s, u"ImportDef"_s, u"ManuNo,出厂编号;附加信息,备注;设备名称;设备状况,技术状况;安装地点"_s);
    const QString nul = u"A"_s + QChar(0) + u"B"_s;
    const QString lone = u"X\uE000Y"_s;
    struct Case {
        const char* format;
        QString note, name;
        bool stored;
    } cases[] = {
        {"xls", QString(32767, u'设'), u"车床"_s, true}, {"xls", QString(8300, u'a'), u"泵😀"_s, true},
        {"xls", QString(8300, u'设'), u"车床"_s, true},  {"mdb", QString(63377, u'设'), u"泵😀"_s, true},
        {"xls", u"短"_s, nul, false},                    {"mdb", u"短"_s, nul, false},
        {"xls", u"短"_s, lone, false},                   {"mdb", u"短"_s, lone, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.format) + " " + c.name.toStdString());
        const QString path = source(c.format, QJsonArray{QJsonArray{u"A1B2C3002"_s, c.note, c.name, u"在用"_s, u"一车间"_s, u"M1"_s}},
                                    {u"设备编号"_s, u"备注"_s, u"设备名称"_s, u"技术状况"_s, u"安装地点"_s, u"出厂编号"_s});
        QByteArray bytes = testutil::readBytes(path);
        bytes.replace(QByteArray("X\0\0\xE0Y\0", 6), QByteArray("X\0\0\xD8Y\0", 6));
        testutil::writeBytes(path, bytes);
        if (c.stored) {
            ASSERT_EQ(ImportDevices(path, options), 1);
            EXPECT_EQ(devices(u"[附加信息],[设备名称],[设备状况],[安装地点]"_s).last(), QStringList({c.note, c.name, u"1"_s, u"一车间"_s}).join(u'|'));
            gDatabase.Execute(u"DELETE FROM [Dev_Info] WHERE [Dev_ID] > 1"_s);
            continue;
        }
        const vb::Error e = importError(path);
        EXPECT_EQ(e.number(), 13);
        EXPECT_TRUE(e.description().startsWith(u"类型不匹配: 字段 '设备名称'"_s)) << e.description().toStdString();
        EXPECT_EQ(devices(), QStringList{u"A1B2C3001"_s});
        EXPECT_EQ(testutil::errorOf([] { dao::DBEngine::CommitTrans(); }).number(), dao::err::NotInTransaction);
        EXPECT_EQ(testutil::readBytes(path), bytes);
    }
}

// Access Decimal and Currency values arrive with every digit: into text columns as read, into a
// number column as its type reads them; one too large for it refuses the import.
TEST_F(ImportTest, AccessDecimalsKeepEveryDigit)
{
    plat::SaveSetting(gAppName, u"Settings"_s, u"ImportDef"_s, u"设备编号;附加信息,原值;ManuNo,金额;价值,折价"_s);
    rule->Band(u"序号"_s)->setLength(13);   // numbers of 19 characters
    const auto source = [&](const QJsonArray& rows) {
        testutil::writeSource(folder->file(u"d.mdb"_s), QJsonObject{{u"rows"_s, rows}, {u"columns"_s, QJsonArray{
            QJsonArray{u"设备编号"_s, u"NUMERIC"_s, 0}, QJsonArray{u"原值"_s, u"NUMERIC"_s, 2}, QJsonArray{u"金额"_s, u"MONEY"_s, 0},
            QJsonArray{u"折价"_s, u"NUMERIC"_s, 4}}}});
        return folder->file(u"d.mdb"_s);
    };
    ASSERT_EQ(ImportDevices(source(QJsonArray{
        QJsonArray{u"1234567890123456789"_s, u"12345678901234567.89"_s, u"922337203685477.5807"_s, u"1500.2500"_s},
        QJsonArray{u"9999999999999999999"_s, u"-9999999999999999999999999.99"_s, u"-922337203685477.5808"_s, u"-3.1"_s},
        QJsonArray{u"-123456789012345678"_s, u"2.00"_s, u"12.3400"_s, u"0"_s}}), options), 3);
    EXPECT_EQ(devices(u"[设备编号],[附加信息],[ManuNo],[价值]"_s),
              (QStringList{u"1234567890123456789|12345678901234567.89|922337203685477.5807|1500.25"_s,
                           u"9999999999999999999|-9999999999999999999999999.99|-922337203685477.5808|-3.1"_s, u"-123456789012345678|2|12.34|0"_s}));
    const QString tooLarge = source(QJsonArray{QJsonArray{u"1112223334445556667"_s, u"1"_s, u"1"_s, u"12345678901234567.89"_s}});
    EXPECT_EQ(importError(tooLarge).number(), dao::err::Overflow);
    EXPECT_EQ(devices().size(), 3);
}

// A text too long for its column is refused naming the field as the window shows it, by the
// device editor, the history editor and the import alike; nothing is stored.
TEST_F(ImportTest, LongTextsAreRefusedNamingTheFieldAsTheUserSeesIt)
{
    addDevice(1, u"A1B2C3001"_s);
    const QString tooLong(300, u'长');
    using R = devices::DeviceRecord;
    R r;
    r.number = u"A1B2C3002"_s;
    r.card = r.classes[0] = r.classes[1] = r.classes[2] = r.place = r.name = u"k"_s;
    r.group = r.host = r.check = r.state = r.depart = r.person = 0;
    r.purchased = QDateTime::currentDateTime();
    const auto add = [&](QString R::*field) {
        return [=] {
            R d = r;
            d.*field = tooLong;
            devices::AddDevice(d, 1);
        };
    };
    const auto history = [&](auto entry) {
        return [=]() mutable {
            entry.devId = 1;
            entry.handler = 0;
            entry.date = r.purchased;
            devices::RegisterHistory(entry, {}, r.purchased);
        };
    };
    devices::TransferEntry to, from;
    to.fromDepart = to.toDepart = from.fromDepart = from.toDepart = 0;
    to.fromPlace = from.toPlace = u"一车间"_s;
    to.toPlace = from.fromPlace = tooLong;
    devices::DiscardEntry discard;
    discard.result = tooLong;
    const auto import = [&](const QString& target, const QString& heading) {
        return [=] {
            plat::SaveSetting(gAppName, u"Settings"_s, u"ImportDef"_s, u"ManuNo,出厂编号;"_s + target + u","_s + heading);
            ImportDevices(source("xlsx", QJsonArray{QJsonArray{u"A1B2C3002"_s, {}, tooLong}}, {u"设备编号"_s, u"出厂编号"_s, heading}),
                          options);
        };
    };
    const struct {
        QString label;
        std::function<void()> run;
    } cases[] = {
        {u"制造厂家"_s, add(&R::maker)},      {u"型号规格"_s, add(&R::model)},
        {u"出厂编号"_s, add(&R::serial)},     {u"现安装地点"_s, history(to)},
        {u"原安装地点"_s, history(from)},      {u"处理结果"_s, history(discard)},
        {u"制造厂家"_s, import(u"Manufacturer"_s, u"生产厂家"_s)}, {u"出厂日期"_s, import(u"ManuDate"_s, u"出厂日期"_s)},
    };
    for (const auto& c : cases) {
        const vb::Error e = testutil::errorOf(c.run);
        EXPECT_TRUE(e.description().startsWith(u"字段 '"_s + c.label + u"' 太小"_s)) << e.description().toStdString();
        EXPECT_EQ(devices(), QStringList{u"A1B2C3001"_s});
    }
    EXPECT_TRUE(logLines().value(1).startsWith(u"字段 '出厂日期' 太小"_s)) << logLines().join(u'\n').toStdString();
}

TEST_F(ImportTest, TakenNumbersAreRenumberedAndLogged)
{
    addDevice(1, u"A1B2C3001"_s);
    addDevice(2, u"a1b2c3999"_s);
    for (int i = 5; i <= 7; ++i)
        addDevice(i, u"A1B2C300%1"_s.arg(i));
    const QString path = source("xls", QJsonArray{QJsonArray{u"A1B2C3001"_s}, QJsonArray{u"A1B2C3001"_s},
                                                  QJsonArray{u"A1B2C3999"_s}, QJsonArray{u"A1B2C3004"_s},
                                                  QJsonArray{u"A1B2C3004"_s}});
    ASSERT_EQ(ImportDevices(path, options), 5);
    EXPECT_EQ(devices(u"[Dev_ID],[设备编号],[设备组别]"_s).mid(5),
              (QStringList{u"8|A1B2C3002|C3"_s, u"9|A1B2C3003|C3"_s, u"10|A1B2C31000|C3"_s, u"11|A1B2C3004|C3"_s,
                           u"12|A1B2C3008|C3"_s}));
    const QStringList log = logLines();
    EXPECT_EQ(log.mid(1, 4), (QStringList{u"货品编码冲突!编码A1B2C3001被自动改为A1B2C3002。,2"_s,
                                          u"货品编码冲突!编码A1B2C3001被自动改为A1B2C3003。,2"_s,
                                          u"货品编码冲突!编码A1B2C3999被自动改为A1B2C31000。,2"_s,
                                          u"货品编码冲突!编码A1B2C3004被自动改为A1B2C3008。,2"_s}));
    EXPECT_EQ(log.last(), u"Lines:5,4"_s);
}

TEST_F(ImportTest, MapWithoutNumberDatesAndADamagedRowLater)
{
    // A map without "设备编号" still writes the row's number; dates with "." or "-" are dates.
    plat::SaveSetting(gAppName, u"Settings"_s, u"ImportDef"_s, u"ManuNo,出厂编号;购置年代,购进日期;启用日期,启用"_s);
    const QString path = source("xlsx",
                                QJsonArray{QJsonArray{u"A1B2C3001"_s, u"M1"_s, u"2003.5.6"_s, u"2003-5-6 10:00"_s},
                                           QJsonArray{u"A1B2C3002"_s, QJsonValue(), u"98"_s, QJsonValue()}},
                                {u"设备编号"_s, u"出厂编号"_s, u"购进日期"_s, u"启用"_s});
    ASSERT_EQ(ImportDevices(path, options), 2);
    EXPECT_EQ(devices(u"[设备编号],[ManuNo],[购置年代],[启用日期]"_s),
              (QStringList{u"A1B2C3001|M1|2003-05-06|2003-05-06"_s, u"A1B2C3002||1998-01-01|"_s}));

    // A shared string that the second row names wrongly: the first row is rolled back too.
    plat::SaveSetting(gAppName, u"Settings"_s, u"ImportDef"_s, u"ManuNo,出厂编号"_s);
    const QString broken = folder->file(u"broken.xlsx"_s);
    testutil::writeSource(broken, testutil::xlsxPackage(
        u"<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c></row>"
        "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>2</v></c></row><row r=\"3\"><c r=\"A3\" t=\"s\"><v>9</v></c></row>"_s,
        u"<si><t>设备编号</t></si><si><t>出厂编号</t></si><si><t>D4E5F6001</t></si>"_s));
    const vb::Error e = importError(broken);
    EXPECT_EQ(e.number(), 3343);
    EXPECT_TRUE(e.description().contains(u"共享字符串"_s)) << e.description().toStdString();
    EXPECT_EQ(devices(), (QStringList{u"A1B2C3001"_s, u"A1B2C3002"_s}));
}

// The rule a new database starts with decodes the class columns through its relation tree.
TEST_F(ImportTest, DefaultRuleGivesTheClassTexts)
{
    rule->Load(DefaultCodeRule());
    plat::SaveSetting(gAppName, u"Settings"_s, u"ImportDef"_s, u"ManuNo,出厂编号;设备名称"_s);
    const QString path = source("xlsx", QJsonArray{QJsonArray{u"01010220030001"_s, QJsonValue(), u"铣床"_s},
                                                   QJsonArray{u"01010220030001"_s, QJsonValue(), u"铣床"_s}},
                                {u"设备编号"_s, u"出厂编号"_s, u"设备名称"_s});
    ASSERT_EQ(ImportDevices(path, options), 2);
    EXPECT_EQ(devices(u"[设备编号],[设备大类],[设备属类],[设备组别]"_s),
              (QStringList{u"01010220030001|机械设备|金属切削机床|铣床"_s, u"01010220030002|机械设备|金属切削机床|铣床"_s}));
}

TEST_F(ImportTest, ForeignAndDamagedFilesChangeNothing)
{
    addDevice(1, u"A1B2C3001"_s);
    const QString unknown = u"系统无法识别指定文件格式!请转换文件格式或获取软件升级版."_s;
    const QString text = folder->file(u"text.xls"_s);
    testutil::writeBytes(text, "设备编号\tA\r\n");
    EXPECT_EQ(importError(text).description(), unknown);
    for (const char* format : {"xls", "xlsx", "mdb"}) {
        SCOPED_TRACE(format);
        QJsonArray rows;
        for (int i = 0; i < 40; ++i)
            rows.append(QJsonArray{u"Z9Z9Z9%1"_s.arg(i, 3, 10, QLatin1Char('0')), u"名称%1"_s.arg(i)});
        const QString path = source(format, rows);
        const QByteArray whole = testutil::readBytes(path);
        testutil::writeBytes(path, whole.left(whole.size() / 2));
        const vb::Error e = importError(path);
        EXPECT_TRUE(e.number() == 1000 || e.number() == 3343) << e.description().toStdString();
        EXPECT_EQ(devices(), QStringList{u"A1B2C3001"_s});
    }
    // No sheet1.
    const QString other = folder->file(u"other.xlsx"_s);
    testutil::writeSource(other, QJsonObject{{u"sheet"_s, u"设备"_s}, {u"rows"_s, QJsonArray{QJsonArray{u"设备编号"_s}}}});
    EXPECT_EQ(importError(other).number(), 3078);
    EXPECT_EQ(devices(), QStringList{u"A1B2C3001"_s});
    EXPECT_EQ(statuses.last(), u"状态"_s);
}

// Files saved by Excel and Access (tests/data/real): none holds a sheet1 with the default
// map's columns, so each is refused with the message for what it lacks; nothing is
// written, no transaction stays open, the file is unchanged. So are damaged files.
TEST_F(ImportTest, RealFilesAreRefusedForWhatTheyLackAndChangeNothing)
{
    addDevice(1, u"A1B2C3001"_s);
    const auto copy = [&](const char* name, int cut = 1, const QString& from = u"data/real/"_s) {
        const QByteArray bytes = testutil::readBytes(testutil::dataFile(from + QString::fromLatin1(name)));
        const QString path = folder->file(QString::number(cut) + QString::fromLatin1(name));
        testutil::writeBytes(path, bytes.left(bytes.size() / cut));
        return path;
    };
    const QString unknown = u"系统无法识别指定文件格式!请转换文件格式或获取软件升级版."_s;
    const QString text = folder->file(u"text.mdb"_s);
    testutil::writeBytes(text, "设备编号,设备名称\r\nA,B\r\n");
    struct Case {
        QString path;
        int number;
        QString says;
    };
    // A memo whose pages the cut dropped.
    QJsonArray memoRow{u"A1B2C3009"_s};
    while (memoRow.size() < kHeadings.indexOf(u"备注"_s))
        memoRow.append(QJsonValue());
    memoRow.append(QString(20000, u'设'));
    const QString cutMemo = source("mdb", QJsonArray{memoRow});
    QByteArray memo = testutil::readBytes(cutMemo);
    testutil::writeBytes(cutMemo, memo.left(10 * 4096));
    // The same memo, its first piece (page 6) naming itself as the next.
    const QString loopedMemo = folder->file(u"环.mdb"_s);
    qToLittleEndian<quint32>(6 << 8, memo.data() + 6 * 4096 + qFromLittleEndian<quint16>(memo.constData() + 6 * 4096 + 14));
    testutil::writeBytes(loopedMemo, memo);
    const Case cases[] = {
        {copy("latin-1.xls"), dao::err::ItemNotFound, u"源数据中没有列 '出厂编号'。\tLine:1"_s},
        {copy("Monitor.mdb"), extdb::kErrNoSuchTable, u"找不到输入表或查询 'sheet1'。"_s},
        // A file no reader knows; files cut short, refused by their reader with its reason.
        {text, 1000, unknown},
        {copy("Monitor.mdb", 2), extdb::kErrDamaged, u"文件已损坏或格式不对(2Monitor.mdb): 文件大小"_s},
        {copy("latin-1.xls", 2), extdb::kErrDamaged, u"文件已损坏或格式不对(2latin-1.xls): 复合文件结构已损坏"_s},
        {copy("deaths.xlsx", 2), extdb::kErrDamaged, u"文件已损坏或格式不对(2deaths.xlsx): "_s},
        {cutMemo, extdb::kErrDamaged, u"文件已损坏或格式不对(源.mdb): 表 sheet1 第 1 行的 备注 列的长值页 10 超出文件末尾"_s},
        {loopedMemo, extdb::kErrDamaged, u"文件已损坏或格式不对(环.mdb): 表 sheet1 第 1 行的 备注 列的长值回到已读过的页 6 第 0 行"_s},
        {copy("xls-cell-past-the-last-column.xls", 1, u"data/hostile/"_s), extdb::kErrDamaged,
         u"文件已损坏或格式不对(1xls-cell-past-the-last-column.xls): 工作表 Sheet1 第 1 行第 65536 列的单元格超出工作表的 256 列"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        QFile::remove(folder->file(u"导入日志.txt"_s));
        const QByteArray before = testutil::readBytes(c.path);
        const vb::Error e = importError(c.path);
        EXPECT_EQ(e.number(), c.number) << e.description().toStdString();
        EXPECT_TRUE(e.description().contains(c.says)) << e.description().toStdString();
        EXPECT_EQ(devices(), QStringList{u"A1B2C3001"_s});
        EXPECT_EQ(testutil::errorOf([] { dao::DBEngine::CommitTrans(); }).number(), dao::err::NotInTransaction);
        EXPECT_EQ(testutil::readBytes(c.path), before);
        // The log says why, whatever refused the file.
        const QStringList log = logLines();
        ASSERT_GE(log.size(), 2);
        EXPECT_EQ(log[log.size() - 2], e.description() + u",1"_s);
    }
}

TEST_F(ImportTest, CommandGatesAsksAndReportsTheOutcome)
{
    gCodes = rule;
    const QString path = source("xlsx", QJsonArray{QJsonArray{u"A1B2C3005"_s, u"车床"_s}});
    int reloads = 0;
    const auto reloaded = [&] { ++reloads; };

    // Cancel: nothing shown, nothing changed.
    ui::script::answerFileCancel();
    mnuFileImport_Click(nullptr, reloaded);
    ASSERT_EQ(ui::script::fileDialogs().size(), 1);
    const ui::FileDialogRequest asked = ui::script::fileDialogs().first();
    EXPECT_EQ(asked.title, u"数据文件"_s);
    EXPECT_EQ(asked.filter, u"Excel文件(*.xls;*.xlsx)|*.xls;*.xlsx|Access文件(*.mdb)|*.mdb"_s);
    EXPECT_TRUE(ui::script::shown().isEmpty());
    EXPECT_EQ(reloads, 0);

    ui::script::answerFile(path);
    mnuFileImport_Click(nullptr, reloaded);
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::script::last().prompt, u"导入数据成功!共计1条。"_s);
    EXPECT_EQ(ui::script::last().style, int(ui::vbOKOnly));
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(devices(), QStringList{u"A1B2C3005"_s});

    // A failure: the exclamation box, no reload.
    ui::script::clear();
    ui::script::answerFile(path);
    mnuFileImport_Click(nullptr, reloaded);   // now a taken number: renumbered
    ui::script::clear();
    testutil::writeBytes(path, "no workbook");
    ui::script::answerFile(path);
    mnuFileImport_Click(nullptr, reloaded);
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::script::last().style, int(ui::vbExclamation));
    EXPECT_EQ(reloads, 2);
    EXPECT_EQ(devices(), (QStringList{u"A1B2C3005"_s, u"A1B2C3006"_s}));

    // A user without PrvAddDev is refused before any dialog.
    addSysInfo(200, u"Users"_s, 2, u"bob"_s,
               HashPassword(u"pw-bob"_s) + u"\r0\r0;-1;-1;-1;-1;-1;-1;-1;-1"_s);
    logIn(u"bob"_s, u"pw-bob"_s);
    ui::script::clear();
    ui::script::clearFileDialogs();
    mnuFileImport_Click(nullptr, reloaded);
    EXPECT_TRUE(ui::script::fileDialogs().isEmpty());
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::script::last().style, int(ui::vbExclamation));
    EXPECT_TRUE(ui::script::last().prompt.contains(u"权限"_s));
}

} // namespace
