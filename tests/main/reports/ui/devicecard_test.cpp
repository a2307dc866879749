#include "main/reports/ui/devicecard.h"
#include "main/reports/ui/prnstrs.h"
#include "tests/main/reports/ui/printfixture.h"
#include "platform/core/format.h"
#include <QDir>
#include <QFile>

using namespace ostrel;
using namespace Qt::StringLiterals;
using prn::PrintCall;

namespace {

class DeviceCardTest : public testutil::PrintTest {
protected:
    void SetUp() override
    {
        PrintTest::SetUp();
        addSysInfo(9001, u"Departs"_s, 1, u"设备科"_s);
        addSysInfo(9002, u"Departs"_s, 2, u"检验科"_s);
        addDevice(7, u"SB-007"_s, u"M-123"_s, 2, u"三楼"_s);
        setField(7, u"设备名称"_s, u"生化分析仪"_s);
        setField(7, u"价值"_s, 1234.5);
        setField(7, u"ManuDate"_s, u"2003-05-06"_s);
        setField(7, u"购置年代"_s, QDateTime(QDate(2003, 5, 6), QTime()));
        setField(7, u"附件"_s, u"电源线\r\n说明书\n保修卡"_s);
        setField(7, u"资料"_s, u"合格证"_s);
    }

    void writeIni(const QByteArray& text) { writeFile(u"Ostrel.ini"_s, text); }

    // The text call printing `text` (the first one).
    PrintCall at(const QString& text) const
    {
        for (const PrintCall& c : rec->of(PrintCall::Text))
            if (c.text == text)
                return c;
        ADD_FAILURE() << "not printed: " << text.toStdString();
        return PrintCall();
    }
    void expectAt(const QString& text, double x, double y) const
    {
        const PrintCall c = at(text);
        EXPECT_DOUBLE_EQ(c.x1, x) << text.toStdString();
        EXPECT_DOUBLE_EQ(c.y1, y) << text.toStdString();
    }
    void print(qint32 id)
    {
        rec->clear();
        PrintDeviceCard(id);
    }
};

TEST_F(DeviceCardTest, WithoutOstrelIniTheCardIsShiftedBy5And15)
{
    print(7);
    EXPECT_TRUE(ui::script::shown().isEmpty());
    EXPECT_EQ(rec->pagesSent(), 1);
    expectAt(u"SB-007"_s, 20, 79);
    expectAt(u"生化分析仪"_s, 54, 79);
    expectAt(u"检验科"_s, 83, 79);
    expectAt(u"M-123"_s, 56, 25);
    expectAt(u"三楼"_s, 89, 34);
    expectAt(u"1234.50"_s, 56, 34);
    expectAt(u"2003-05-06"_s, 21, 23);
    expectAt(u"2003-05"_s, 89, 25);
    // Three accessory lines, CR LF and LF alike; one document line.
    expectAt(u"电源线"_s, 14, 42);
    expectAt(u"说明书"_s, 14, 49);
    expectAt(u"保修卡"_s, 14, 56);
    expectAt(u"合格证"_s, 64, 42);
    // The date parts above the other rows.
    const QList<PrintCall> texts = rec->of(PrintCall::Text);
    ASSERT_GE(texts.size(), 3);
    EXPECT_EQ(texts[0].text, vb::Format(QDateTime::currentDateTime(), u"yy"_s));
    EXPECT_DOUBLE_EQ(texts[0].x1, 82);
    EXPECT_DOUBLE_EQ(texts[0].y1, 11);
    EXPECT_DOUBLE_EQ(texts[1].x1, 91);
    EXPECT_DOUBLE_EQ(texts[2].x1, 97);
    EXPECT_EQ(texts[0].fontName, u"宋体"_s);
    EXPECT_DOUBLE_EQ(texts[0].fontSize, 9);
    EXPECT_FALSE(texts[0].bold);
}

TEST_F(DeviceCardTest, OffsetsFromOstrelIni)
{
    struct Case {
        const char* ini;
        int left, top;
    };
    for (const Case& c : {Case{"LeftShift = 3 \r\nTopShift=10.5\r\n", 3, 10}, Case{"TopShift=11.5", 0, 12},
                          Case{"TopShift=10\n", 0, 10}, Case{"\r\nleftshift=9\r\nLeftShift=1\r\nLeftShift=2\r\nX=7", 2, 0},
                          Case{"LeftShift=abc\r\nTopShift=-4", 0, -4}}) {
        writeIni(c.ini);
        const CardOffsets o = ReadCardOffsets();
        EXPECT_EQ(o.left, c.left) << c.ini;
        EXPECT_EQ(o.top, c.top) << c.ini;
    }
    writeIni("LeftShift = 3\r\nTopShift=10.5\r\n");
    print(7);
    expectAt(u"SB-007"_s, 18, 74);
    expectAt(u"电源线"_s, 12, 37);
}

TEST_F(DeviceCardTest, NullValuesStaleDepartmentAndTextDates)
{
    addDevice(8, u"SB-008"_s, QVariant(), 99);  // a department above the highest code
    setField(8, u"ManuDate"_s, u"约2003年"_s);
    print(8);
    EXPECT_TRUE(ui::script::shown().isEmpty());
    EXPECT_EQ(rec->pagesSent(), 1);
    expectAt(u"SB-008"_s, 20, 79);
    expectAt(u"约2003年"_s, 21, 23);
    // The department (stale code) and the value (Null) print empty texts: nothing lands there.
    for (const PrintCall& c : rec->of(PrintCall::Text))
        EXPECT_FALSE((c.x1 == 83 && c.y1 == 79) || (c.x1 == 56 && c.y1 == 34)) << c.text.toStdString();
}

TEST_F(DeviceCardTest, FailuresStartNoJobOrDropIt)
{
    print(404);
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::script::last().prompt, u"设备不存在！可能已被其他用户删除。"_s);
    EXPECT_EQ(ui::script::last().style & 0x70, int(ui::vbExclamation));
    EXPECT_EQ(rec->count(PrintCall::BeginDoc), 0);

    ui::script::clear();
    writeIni("TopShift=10\r\nLeftShift\r\n");
    print(7);
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(rec->pagesSent(), 0);
    EXPECT_FALSE(prn::printer().jobActive());
}

TEST_F(DeviceCardTest, ACardWithoutPrinterTellsWhereItsFileIs)
{
    prn::printer().setDestination(prn::Printer::Destination::Pdf);
    qint32 id = 7;
    PrintDeviceCard(id);
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::script::last().style & 0x70, int(ui::vbInformation));
    EXPECT_TRUE(ui::script::last().prompt.contains(QDir::toNativeSeparators(folder->path())));
    EXPECT_EQ(QDir(folder->path()).entryList({u"*.pdf"_s}, QDir::Files).size(), 1);
}

TEST(PrnSTRs, ShiftsRoundsAndOverflows)
{
    testutil::ProgramFolder folder;
    auto rec = std::make_shared<prn::Recorder>();
    prn::printer().reset();
    prn::printer().setDestination(prn::Printer::Destination::Recorder, rec);
    PrnSTRs p;
    EXPECT_EQ(prn::printer().ScaleMode(), int(prn::vbMillimeters));
    p.setLeftShift(3);
    p.setTopShift(-2);
    p.setFontName(u"宋体"_s);
    p.setFontSize(9);
    p.setFontBold(true);
    EXPECT_EQ(p.FontSize(), 9);
    EXPECT_TRUE(p.FontBold());
    p.PrnSTR(u"甲"_s, 10, 20);
    EXPECT_EQ(testutil::errorOf([&] { p.PrnSTR(u"乙"_s, 2147483647, 0); }).number(), int(vb::errOverflow));
    p.EndDoc();
    ASSERT_EQ(rec->of(PrintCall::Text).size(), 1);
    EXPECT_DOUBLE_EQ(rec->of(PrintCall::Text)[0].x1, 13);
    EXPECT_DOUBLE_EQ(rec->of(PrintCall::Text)[0].y1, 18);
    EXPECT_EQ(rec->pagesSent(), 1);
    prn::printer().reset();
}

} // namespace
