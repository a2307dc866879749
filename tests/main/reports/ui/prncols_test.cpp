#include "main/reports/ui/frmdatafilt.h"
#include "main/reports/ui/frmprncols.h"
#include "main/reports/ui/devicelistprint.h"
#include "platform/core/app.h"
#include "platform/core/settings.h"
#include "platform/ui/beep.h"
#include "tests/main/reports/ui/printfixture.h"
#include "tests/common/raised.h"
#include <QComboBox>
#include <QListWidget>
#include <QTest>
#include <QProcess>
#include <QRegularExpression>
#include <QPushButton>

using namespace ostrel;
using namespace Qt::StringLiterals;

namespace {

class PrnColsTest : public testutil::PrintTest {
protected:
    void SetUp() override
    {
        PrintTest::SetUp();
        addSysInfo(9001, u"Departs"_s, 1, u"设备科"_s);
        addSysInfo(9002, u"Departs"_s, 2, u"检验科"_s);
        addSysInfo(9003, u"Dev_Grp"_s, 1, u"甲组"_s);
        addDevice(1, u"SB-01"_s, QVariant(), 1);
        addDevice(2, u"SB-02"_s, QVariant(), 2);
        addDevice(3, u"SB-03"_s);  // no department
        setField(1, u"Dev_Grp"_s, 1);
        setField(1, u"设备组别"_s, u"三级类A"_s);
    }
    static QString stored() { return plat::GetSetting(plat::appTitle(), u"Settings"_s, u"PrintColumns"_s); }
    static void store(const QString& v) { plat::SaveSetting(plat::appTitle(), u"Settings"_s, u"PrintColumns"_s, v); }
    static PrintColumns choose(std::initializer_list<PrintColumn> l) { return PrintColumns(l); }
    // The printed texts of the data area (what is not title, date, page text or footer).
    int countPrinted(const QString& text) const { return printed().count(text); }
};

TEST_F(PrnColsTest, FirstUseListsPlainThenCodedCaptionsAndStoresTheExactForm)
{
    {
        frmPrnCols w;
        EXPECT_EQ(w.windowTitle(), u"选择打印的列"_s);
        const PrintColumns l = w.columns();
        ASSERT_EQ(l.size(), 20);
        EXPECT_EQ(l[0], (PrintColumn{u"设备编号"_s, 0, false}));
        EXPECT_EQ(l[14], (PrintColumn{u"资金来源"_s, 0, false}));
        EXPECT_EQ(l[15], (PrintColumn{u"设备组别"_s, 1, false}));
        EXPECT_EQ(l[19], (PrintColumn{u"使用部门"_s, 1, false}));
        w.lstCols->item(0)->setCheckState(Qt::Checked);
    }
    const QStringList lines = stored().split(u"\r\n"_s);
    ASSERT_EQ(lines.size(), 20);
    EXPECT_EQ(lines[0], u"设备编号;0;1"_s);
    EXPECT_EQ(lines[19], u"使用部门;1;0"_s);
    EXPECT_FALSE(stored().endsWith(u"\n"_s));
}

TEST_F(PrnColsTest, EveryEntryShowsTheCodedGroupApartAndEnterAndEscapeAnswerTheDialogs)
{
    frmPrnCols w;
    frmDataFilt f;
    f.ShowInfo(u"名称;数"_s, 0, 2);
    QObject::connect(&f, &frmDataFilt::Apply, [] { ui::MsgBox(u"applied"_s); });
    w.show();
    EXPECT_EQ(w.lstCols->item(15)->text(), u"所属组别"_s);
    EXPECT_EQ(w.columns()[15], (PrintColumn{u"设备组别"_s, 1, false}));
    for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(w.lstCols->viewport()->rect().contains(w.lstCols->visualItemRect(w.lstCols->item(i)))) << i;
    for (auto [dialog, focus, ok, confirmed] : {std::tuple{(QDialog*)&w, (QWidget*)w.lstCols, w.OKButton, u"请选择要打印的列！"_s},
                                                {&f, f.cboFilt[2], f.OKButton, u"applied"_s}}) {
        EXPECT_TRUE(ok->text().contains(u'&'));
        dialog->show();
        QTest::keyClick(focus, Qt::Key_Return);
        EXPECT_EQ(ui::script::last().prompt, confirmed);
        dialog->show();
        QTest::keyClick(focus, Qt::Key_Escape);
        EXPECT_FALSE(dialog->isVisible()) << confirmed.toStdString();
    }
}

TEST_F(PrnColsTest, NothingChosenKeepsTheWindowOpen)
{
    frmPrnCols w;
    w.show();
    w.OKButton->click();
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::script::last().prompt, u"请选择要打印的列！"_s);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(rec->count(prn::PrintCall::BeginDoc), 0);
}

TEST_F(PrnColsTest, TheConditionCases)
{
    struct Case {
        QString view, filter, departs, expected;
    };
    const QString v = u" WHERE ([设备大类]='A')"_s;
    for (const Case& c : {Case{v, u"[价值]>1"_s, QString(), v + u" AND ([价值]>1)"_s},
                          Case{QString(), u"[价值]>1"_s, QString(), u" Where ([价值]>1)"_s},
                          Case{v, QString(), QString(), v}, Case{QString(), QString(), QString(), QString()},
                          Case{QString(), u"a OR b"_s, u"1, 3"_s, u" Where (a OR b) AND ([Dep_ID] IN (1,3))"_s},
                          Case{v, QString(), u"x"_s, v + u" AND (1=0)"_s},
                          Case{QString(), QString(), u"2"_s, u" WHERE ([Dep_ID] IN (2))"_s}})
        EXPECT_EQ(PrintCondition(c.view, c.filter, c.departs), c.expected);
}

TEST_F(PrnColsTest, NumberAndDepartmentPrintTextsAndANullCodePrintsEmpty)
{
    const PrintColumns cols = choose({{u"设备编号"_s, 0, true}, {u"设备名称"_s, 0, false}, {u"使用部门"_s, 1, true}});
    EXPECT_EQ(PrintQuery(cols, QString()),
              u"SELECT [设备编号],[Dep_ID] FROM [Dev_Info] ORDER BY [设备编号],[Dep_ID]"_s);
    PrintDeviceList(cols, QString(), QString(), QString());
    EXPECT_TRUE(ui::script::shown().isEmpty());
    EXPECT_EQ(rec->pagesSent(), 1);
    const QStringList t = printed();
    for (const QString& s : {u"设备清单"_s, u"设备编号"_s, u"使用部门"_s, u"SB-01"_s, u"SB-03"_s, u"设备科"_s,
                             u"检验科"_s, u"记录共计:3"_s})
        EXPECT_TRUE(t.contains(s)) << s.toStdString();
    EXPECT_EQ(countPrinted(u"设备科"_s) + countPrinted(u"检验科"_s), 2);  // SB-03 has none
    EXPECT_TRUE(tempFiles().isEmpty());
}

TEST_F(PrnColsTest, BothGroupColumnsPrintUnderTheirOwnHeadings)
{
    const PrintColumns cols = choose({{u"设备组别"_s, 1, true}, {u"设备组别"_s, 0, true}, {u"设备编号"_s, 0, true}});
    EXPECT_EQ(PrintHeadings(cols), QStringList({u"所属组别"_s, u"设备组别"_s, u"设备编号"_s}));
    EXPECT_EQ(PrintHeadings(choose({{u"设备组别"_s, 1, true}})), QStringList({u"设备组别"_s}));
    PrintDeviceList(cols, QString(), QString(), QString());
    EXPECT_TRUE(ui::script::shown().isEmpty());
    const QStringList t = printed();
    for (const QString& s : {u"所属组别"_s, u"设备组别"_s, u"甲组"_s, u"三级类A"_s, u"记录共计:3"_s})
        EXPECT_TRUE(t.contains(s)) << s.toStdString();
}

TEST_F(PrnColsTest, AUserLimitedToADepartmentPrintsOnlyThatDepartment)
{
    const PrintColumns cols = choose({{u"设备编号"_s, 0, true}});
    PrintDeviceList(cols, QString(), u"([Dep_ID]=2) OR (1=1)"_s, u"1"_s);
    const QStringList t = printed();
    EXPECT_TRUE(t.contains(u"SB-01"_s));
    EXPECT_FALSE(t.contains(u"SB-02"_s));
    EXPECT_FALSE(t.contains(u"SB-03"_s));
    EXPECT_TRUE(t.contains(u"记录共计:1"_s));

    // A second statement in the filter is refused by the database layer.
    rec->clear();
    EXPECT_EQ(testutil::errorOf([&] {
                  PrintDeviceList(cols, QString(), u"1=1); DELETE FROM [Dev_Info] WHERE (1=1"_s, QString());
              }).number(),
              dao::err::CharsAfterEnd);
    EXPECT_EQ(count(u"SELECT [Dev_ID] FROM [Dev_Info];"_s), 3);
    EXPECT_TRUE(tempFiles().isEmpty());
}

TEST_F(PrnColsTest, MovingBeepsAtTheEndsAndCancellingKeepsTheOrder)
{
    {
        frmPrnCols w;
        w.lstCols->setCurrentRow(0);
        w.cmdUp->click();
        w.lstCols->setCurrentRow(19);
        w.cmdDown->click();
        EXPECT_EQ(ui::script::beeps(), 2);
        EXPECT_EQ(w.columns(), DefaultPrintColumns());

        w.lstCols->setCurrentRow(19);
        w.lstCols->item(19)->setCheckState(Qt::Checked);
        w.cmdUp->click();
        EXPECT_EQ(w.lstCols->currentRow(), 18);
        EXPECT_EQ(w.columns()[18], (PrintColumn{u"使用部门"_s, 1, true}));
        w.lstCols->setCurrentRow(0);
        w.cmdDown->click();
        EXPECT_EQ(w.columns()[1].caption, u"设备编号"_s);
        EXPECT_EQ(ui::script::beeps(), 2);
        w.CancelButton->click();
    }
    frmPrnCols again;
    const PrintColumns l = again.columns();
    EXPECT_EQ(l[0].caption, u"设备名称"_s);
    EXPECT_EQ(l[1].caption, u"设备编号"_s);
    EXPECT_EQ(l[18], (PrintColumn{u"使用部门"_s, 1, true}));
    again.cmdDefault->click();
    EXPECT_EQ(again.columns(), DefaultPrintColumns());
}

TEST_F(PrnColsTest, StoredLinesNamingNoColumnAreSkippedAndAShortLineStopsTheLoad)
{
    store(u"设备编号;0;1\r\n不存在;0;1\n使用部门;0;1\n使用部门;1;1\r\n设备名称;0"_s);
    frmPrnCols w;
    EXPECT_EQ(w.columns(), choose({{u"设备编号"_s, 0, true}, {u"使用部门"_s, 1, true}}));
    ASSERT_EQ(ui::script::shown().size(), 1);
}

TEST_F(PrnColsTest, OkPrintsWithTheInitTextsAndHidesTheWindow)
{
    store(u"设备编号;0;1\r\n使用部门;1;0"_s);
    frmPrnCols w;
    QString view = u" WHERE ([Dep_ID]=1)"_s, filter = u"[设备编号] LIKE 'SB*'"_s;
    w.Init(view, filter);
    w.show();
    w.OKButton->click();
    EXPECT_TRUE(ui::script::shown().isEmpty());
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.result(), int(QDialog::Accepted));
    EXPECT_TRUE(printed().contains(u"记录共计:1"_s));
    EXPECT_TRUE(printed().contains(u"SB-01"_s));
}

} // namespace

namespace {

TEST_F(PrnColsTest, AChosenColumnListPrintsToPdfWithoutAPrinter)
{
    prn::printer().setDestination(prn::Printer::Destination::Pdf);
    PrintDeviceList(choose({{u"设备编号"_s, 0, true}, {u"使用部门"_s, 1, true}}), QString(), QString(), QString());
    const QString text = pdfText();
    for (const QString& s : {u"设备清单"_s, u"使用部门"_s, u"SB-02"_s, u"检验科"_s, u"记录共计:3"_s})
        EXPECT_TRUE(text.contains(s)) << s.toStdString() << '\n' << text.toStdString();
    EXPECT_TRUE(tempFiles().isEmpty());

    // Through the window the user is told where the file is.
    store(u"设备编号;0;1"_s);
    frmPrnCols w;
    QString none;
    w.Init(none, none);
    w.show();
    w.OKButton->click();
    EXPECT_FALSE(w.isVisible());
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::script::last().style & 0x70, int(ui::vbInformation));
    EXPECT_TRUE(ui::script::last().prompt.contains(u"设备清单"_s)) << ui::script::last().prompt.toStdString();
}

TEST_F(PrnColsTest, WideListsPrintAndAnEmptyListOrAnUnsafeFilterSaysWhy)
{
    prn::printer().setDestination(prn::Printer::Destination::Pdf);
    setField(1, u"设备名称"_s, QString(32, u'床'));
    // The first entries chosen, the filter handed over, what the message says ("": printed).
    const std::tuple<int, QString, QString> cases[] = {{13, QString(), QString()},
                                                       {20, QString(), QString()},
                                                       {1, u"[设备编号]='无'"_s, u"没有可打印的记录！"_s},
                                                       {1, u"[Dep_ID]=2) OR (1=1"_s, u") OR (1=1"_s}};
    for (const auto& [chosen, filterText, message] : cases) {
        ui::script::clear();
        PrintColumns l = DefaultPrintColumns();
        for (int i = 0; i < chosen; ++i)
            l[i].selected = true;
        store(PrintColumnsText(l));
        frmPrnCols w;
        QString view, filter = filterText;
        if (message.startsWith(u')'))
            EXPECT_TRUE(testutil::errorOf([&] { w.Init(view, filter); }).description().contains(message));
        else
            w.Init(view, filter);
        w.show();
        w.OKButton->click();
        const QString text = pdfText();
        EXPECT_EQ(w.isVisible(), !message.isEmpty());
        // The long name is cut to its column and marked.
        for (const QString& s : {u"设备清单"_s, u"SB-01"_s, u"SB-03"_s, u"床…"_s, u"记录共计:3"_s})
            EXPECT_EQ(text.contains(s), message.isEmpty()) << s.toStdString() << '\n' << text.toStdString();
        if (!message.isEmpty())
            EXPECT_TRUE(ui::script::last().prompt.contains(message)) << ui::script::last().prompt.toStdString();
    }
}

} // namespace
