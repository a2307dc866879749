#include "tests/main/core/dbfixture.h"
#include "main/core/ui/mdlwidgets.h"
#include "platform/core/msgbox.h"
#include <QComboBox>
#include <QHeaderView>
#include <QTreeWidget>
#include <sqlite3.h>

using namespace ostrel;
using testutil::MainDatabaseTest;

namespace {

class MdlMiscTest : public MainDatabaseTest {
protected:
    // Codes 0 to 4 of "Departs" (code 0 exists already).
    void addDepartments()
    {
        addSysInfo(101, QStringLiteral("Departs"), 1, QStringLiteral("1 财务处"));
        addSysInfo(102, QStringLiteral("Departs"), 2, QStringLiteral("2 设备处"));
        addSysInfo(103, QStringLiteral("Departs"), 3, QStringLiteral("3 信息中心"));
        addSysInfo(104, QStringLiteral("Departs"), 4, QStringLiteral("4 后勤"));
    }
    void addDeviceWithHistory(int devId)
    {
        dao::Recordset rs = gDatabase.OpenRecordset(QStringLiteral("Dev_Info"), dao::dbOpenDynaset);
        rs.AddNew();
        rs(QStringLiteral("Dev_ID")).setValue(devId);
        rs(QStringLiteral("设备编号")).setValue(QStringLiteral("A-%1").arg(devId));
        rs(QStringLiteral("设备名称")).setValue(QStringLiteral("打印机"));
        rs.Update();
        rs.Close();
        for (const char* table : {"Transfer", "Maintain", "Checks", "Discard", "Dev_Docs"}) {
            dao::Recordset h = gDatabase.OpenRecordset(QString::fromLatin1(table), dao::dbOpenDynaset);
            h.AddNew();
            h(QStringLiteral("ID")).setValue(GetNewID(QString::fromLatin1(table), QStringLiteral("ID")));
            h(QStringLiteral("Dev_ID")).setValue(devId);
            h.Update();
            h.Close();
        }
    }
    int rowsOf(int devId)
    {
        int n = 0;
        for (const char* table : {"Dev_Info", "Transfer", "Maintain", "Checks", "Discard", "Dev_Docs"})
            n += count(QStringLiteral("SELECT * FROM [%1] WHERE [Dev_ID]=%2;").arg(QLatin1String(table)).arg(devId));
        return n;
    }
};

TEST_F(MdlMiscTest, GetNewIdIsHighestPlusOne)
{
    EXPECT_EQ(GetNewID(QStringLiteral("Transfer"), QStringLiteral("ID")).toInt(), 1);
    dao::Recordset rs = gDatabase.OpenRecordset(QStringLiteral("Transfer"), dao::dbOpenDynaset);
    rs.AddNew();
    rs(QStringLiteral("ID")).setValue(41);
    rs(QStringLiteral("Dev_ID")).setValue(1);
    rs.Update();
    rs.Close();
    EXPECT_EQ(GetNewID(QStringLiteral("Transfer"), QStringLiteral("ID")).toInt(), 42);
    gDatabase.Execute(QStringLiteral("DELETE * FROM [Transfer];"));
    EXPECT_EQ(GetNewID(QStringLiteral("Transfer"), QStringLiteral("ID")).toInt(), 43);   // 42 was given
    // A failure reaches the caller: nobody writes key 0 by mistake.
    EXPECT_THROW(GetNewID(QStringLiteral("NoSuchTable"), QStringLiteral("ID")), vb::Error);
    EXPECT_THROW(GetNewID(QStringLiteral("Transfer]; DROP TABLE [Transfer"), QStringLiteral("ID")), vb::Error);
    EXPECT_TRUE(ui::script::shown().isEmpty());
}

// A register made before key marks were kept: opened, it takes its marks from its keys and
// keeps every row; then the last row of each table deleted, its key goes to no new row.
TEST_F(MdlMiscTest, ARegisterWithoutKeyMarksTakesThemFromItsKeys)
{
    addDeviceWithHistory(7);
    gDatabase.TableDefs().Delete(QStringLiteral("KeyMarks"));
    QList<QPair<QString, QString>> keyed;   // table, key column
    for (const schema::Table& t : schema::tables())
        if (t.key)
            keyed.append({QString::fromUtf16(t.name), QString::fromUtf16(t.key)});
    const auto everything = [&] {
        QStringList all;
        for (const auto& [table, key] : keyed)
            all << rows(QStringLiteral("SELECT * FROM [%1] ORDER BY [%2];").arg(table, key));
        return all;
    };
    const QStringList before = everything();
    gDatabase.Close();
    OpenMainDatabase();
    EXPECT_EQ(everything(), before);
    for (const auto& [table, key] : keyed) {
        const int last = rows(QStringLiteral("SELECT TOP 1 [%2] FROM [%1] ORDER BY [%2] DESC;").arg(table, key))[0].toInt();
        gDatabase.Execute(QStringLiteral("DELETE * FROM [%1] WHERE [%2]=%3;").arg(table, key).arg(last));
        EXPECT_EQ(GetNewID(table, key).toInt(), last + 1) << table.toStdString();
    }
}

TEST_F(MdlMiscTest, ComboListWithNoneAndFilters)
{
    QComboBox combo;
    LoadComboList(&combo, QStringLiteral("Mains"), QString(), true, true);
    ASSERT_EQ(combo.count(), 2); // "(无)" and code 0
    EXPECT_EQ(combo.itemText(0), QStringLiteral("(无)"));
    EXPECT_EQ(combo.currentIndex(), 0);

    LoadComboList(&combo, QStringLiteral("Nothing"), QString(), true, true);
    ASSERT_EQ(combo.count(), 1);
    EXPECT_EQ(combo.currentText(), QStringLiteral("(无)"));

    addDepartments();
    LoadComboList(&combo, QStringLiteral("Departs"), QString(), false, false, QStringLiteral("3,1"));
    ASSERT_EQ(combo.count(), 2);
    EXPECT_EQ(combo.currentIndex(), -1); // without SelectFirst none is selected
    EXPECT_EQ(combo.itemText(0), QStringLiteral("1 财务处"));
    EXPECT_EQ(combo.itemData(0).toInt(), 1);
    EXPECT_EQ(combo.itemData(1).toInt(), 3);

    // A statement of one column gives entries without item data.
    LoadComboList(&combo, QString(), QStringLiteral("SELECT [Value] FROM [SysInfo] WHERE [Type]='Departs' ORDER BY [No];"));
    EXPECT_EQ(combo.count(), 5);
    EXPECT_FALSE(combo.itemData(1).isValid());
    EXPECT_TRUE(ui::script::shown().isEmpty());
}

TEST_F(MdlMiscTest, SelectComboItemByValueTextAndName)
{
    addDepartments();
    QComboBox combo;
    LoadComboList(&combo, QStringLiteral("Departs"), QString(), true);
    SelectComboItem(&combo, 0);
    EXPECT_EQ(combo.currentIndex(), 0); // "(无)", not the list's own code 0
    SelectComboItem(&combo, QStringLiteral("3"));
    EXPECT_EQ(combo.currentText(), QStringLiteral("3 信息中心"));
    SelectComboItem(&combo, QVariant(), QStringLiteral("后勤"), true);
    EXPECT_EQ(combo.currentText(), QStringLiteral("4 后勤"));
    SelectComboItem(&combo, QVariant(), QString());
    EXPECT_EQ(combo.currentText(), QStringLiteral("4 后勤"));
    EXPECT_TRUE(ui::script::shown().isEmpty());

    SelectComboItem(&combo, 77);
    EXPECT_EQ(combo.currentText(), QStringLiteral("4 后勤"));
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("列表中无指定跟踪值。"));
    EXPECT_EQ(ui::iconOf(ui::script::last().style), ui::vbExclamation);
}

TEST_F(MdlMiscTest, CodeValuesAndQuotedTypes)
{
    addSysInfo(200, QStringLiteral("O'Brien"), 5, QStringLiteral("带'引号"));
    EXPECT_EQ(GetCodeValue(QStringLiteral("O'Brien"), 5), QStringLiteral("带'引号"));
    EXPECT_EQ(GetCodeValue(QStringLiteral("O'Brien"), QVariant()), QString());
    EXPECT_EQ(GetCodeValue(QStringLiteral("x' OR '1'='1"), 0), QString());
    EXPECT_TRUE(ui::script::shown().isEmpty());
    EXPECT_EQ(GetCodeValue(QStringLiteral("Departs"), QStringLiteral("0 OR 1=1")), QString());
    EXPECT_EQ(ui::script::shown().size(), 1); // the number was refused, not pasted
}

TEST_F(MdlMiscTest, SettingsRowsAreReadAndWrittenAlike)
{
    gDatabase.Execute(QStringLiteral("DELETE * FROM [SysInfo] WHERE [Type]='CodeRule';")); // an older file
    EXPECT_EQ(ReadSysInfo(QStringLiteral("CodeRule"), QStringLiteral("dflt")), QStringLiteral("dflt"));
    EXPECT_FALSE(WriteSysInfo(QStringLiteral("CodeRule"), QString(), QStringLiteral("Memo")));
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM [SysInfo] WHERE [Type]='CodeRule';")), 0);

    const int next = GetNewID(QStringLiteral("SysInfo"), QStringLiteral("ID")).toInt() + 1;   // the key after this
    EXPECT_TRUE(WriteSysInfo(QStringLiteral("CodeRule"), QStringLiteral("#####\rA"), QStringLiteral("Memo")));
    dao::Recordset rs = gDatabase.OpenRecordset(QStringLiteral("SELECT * FROM [SysInfo] WHERE [Type]='CodeRule';"));
    ASSERT_FALSE(rs.Eof());
    EXPECT_EQ(rs(QStringLiteral("ID")).Value().toInt(), next);
    rs.Close();
    EXPECT_EQ(ReadSysInfo(QStringLiteral("CodeRule"), QString(), nullptr, QStringLiteral("Memo")),
              QStringLiteral("#####\rA"));

    // A second row of the Type with a lower [No] must not split reading from writing.
    addSysInfo(500, QStringLiteral("CodeRule"), -5, QString(), QStringLiteral("other"));
    WriteSysInfo(QStringLiteral("CodeRule"), QStringLiteral("B"), QStringLiteral("Memo"));
    EXPECT_EQ(ReadSysInfo(QStringLiteral("CodeRule"), QString(), nullptr, QStringLiteral("Memo")), QStringLiteral("B"));
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM [SysInfo] WHERE [Memo]='other';")), 1);

    // A value the column can't take.
    EXPECT_FALSE(WriteSysInfo(QStringLiteral("CodeRule"), QStringLiteral("not a number"), QStringLiteral("No")));
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("对不起!您输入的字符不合法!"));
    EXPECT_EQ(ui::iconOf(ui::script::last().style), ui::vbInformation);
    EXPECT_EQ(ReadSysInfo(QStringLiteral("CodeRule"), QString(), nullptr, QStringLiteral("Memo")), QStringLiteral("B"));
}

TEST_F(MdlMiscTest, CodeTablesPairedAndIndexed)
{
    addSysInfo(300, QStringLiteral("MTypes"), 3, QStringLiteral("大修"));
    addSysInfo(301, QStringLiteral("MTypes"), 1, QStringLiteral("小修"));
    CodeTable pairs;
    LoadCodeList(QStringLiteral("MTypes"), pairs, false);
    ASSERT_EQ(pairs.size(), 2);
    EXPECT_EQ(pairs[0], QStringList({QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("3")}));
    EXPECT_EQ(LookupCode(pairs, 3, false), QStringLiteral("大修"));
    EXPECT_EQ(LookupCode(pairs, 2, false), QString());
    EXPECT_EQ(LookupCode(pairs, QVariant(), false), QString());

    CodeTable indexed;
    LoadCodeList(QStringLiteral("MTypes"), indexed, true);
    ASSERT_EQ(indexed.size(), 1);
    ASSERT_EQ(indexed[0].size(), 4);
    EXPECT_EQ(LookupCode(indexed, 1, true), QStringLiteral("小修"));
    EXPECT_EQ(LookupCode(indexed, 2, true), QString());
    EXPECT_THROW(LookupCode(indexed, 4, true), vb::Error);

    CodeTable untouched = pairs;
    LoadCodeList(QStringLiteral("Empty"), untouched, true);
    EXPECT_EQ(untouched, pairs);
}

TEST_F(MdlMiscTest, ColumnsFromASpec)
{
    QTreeWidget list;
    list.setColumnCount(9);
    SetupColumns(&list, QStringLiteral("分类;费用,1;维修商;日期;经办人;备注"));
    ASSERT_EQ(list.columnCount(), 6);
    EXPECT_EQ(list.headerItem()->text(1), QStringLiteral("费用"));
    EXPECT_TRUE(list.headerItem()->textAlignment(1) & Qt::AlignRight);
    EXPECT_FALSE(list.headerItem()->textAlignment(0) & Qt::AlignRight);
}

TEST_F(MdlMiscTest, ColumnsTakeTheirSamplesWidthsOnceAndThenKeepTheUsers)
{
    QTreeWidget list;
    const QString spec = QStringLiteral("设备编码;日期;一个很长很长很长很长的标题;备注");
    SetupColumns(&list, spec, {kDeviceNoSample, kDateSample});
    QHeaderView* header = list.header();
    const QFontMetrics fm(list.font());
    EXPECT_GT(header->sectionSize(0), fm.horizontalAdvance(QStringLiteral("0101012015000001")));
    EXPECT_GT(header->sectionSize(1), fm.horizontalAdvance(QStringLiteral("2026-12-09 08:30")));
    EXPECT_GT(header->sectionSize(2), QFontMetrics(header->font()).horizontalAdvance(list.headerItem()->text(2)));
    EXPECT_EQ(header->sectionSize(3), header->defaultSectionSize());

    // The same columns again: rows go, the user's widths stay.
    list.addTopLevelItem(new QTreeWidgetItem(QStringList{QStringLiteral("1")}));
    header->resizeSection(0, 40);
    SetupColumns(&list, spec, {kDeviceNoSample, kDateSample});
    EXPECT_EQ(list.topLevelItemCount(), 0);
    EXPECT_EQ(header->sectionSize(0), 40);
    // Other columns start from their samples again.
    SetupColumns(&list, QStringLiteral("设备编码;日期,1"), {kDeviceNoSample});
    ASSERT_EQ(list.columnCount(), 2);
    EXPECT_GT(header->sectionSize(0), fm.horizontalAdvance(QStringLiteral("0101012015000001")));
    EXPECT_TRUE(list.headerItem()->textAlignment(1) & Qt::AlignRight);
}

TEST_F(MdlMiscTest, DeleteDeviceEverywhereOrNowhere)
{
    addDeviceWithHistory(1);
    addDeviceWithHistory(2);
    ASSERT_EQ(rowsOf(1), 6);

    ui::script::answer(ui::vbNo);
    EXPECT_FALSE(DeleteDevice(1, QStringLiteral("A-1")).isValid());
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("确实要删除设备编码为[A-1]的设备信息吗？"));
    EXPECT_EQ(rowsOf(1), 6);

    ui::script::answer(ui::vbYes);
    EXPECT_EQ(DeleteDevice(1, QStringLiteral("A-1")).toInt(), 1);
    EXPECT_EQ(rowsOf(1), 0);
    EXPECT_EQ(rowsOf(2), 6);

    // Make the third table in the engine's order (Dev_Info) refuse deletes.
    sqlite3* raw = nullptr;
    const QByteArray path = folder->file(QStringLiteral("Ostrel.mdb")).toUtf8();
    ASSERT_EQ(sqlite3_open(path.constData(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_key(raw, "TORVAMS", 7), SQLITE_OK);
    char* msg = nullptr;
    ASSERT_EQ(sqlite3_exec(raw,
                           "CREATE TRIGGER no_delete BEFORE DELETE ON Dev_Info BEGIN SELECT RAISE(ABORT, 'refused'); END;",
                           nullptr, nullptr, &msg),
              SQLITE_OK)
        << (msg ? msg : "");
    sqlite3_close(raw);
    gDatabase.Close();
    OpenMainDatabase();

    ui::script::clear();
    ui::script::answer(ui::vbYes);
    EXPECT_FALSE(DeleteDevice(2, QStringLiteral("A-2")).isValid());
    EXPECT_EQ(rowsOf(2), 6); // Checks and Dev_Docs were rolled back
    EXPECT_EQ(ui::script::shown().size(), 2);
    EXPECT_EQ(ui::iconOf(ui::script::last().style), ui::vbExclamation);
    EXPECT_EQ(dao::DBEngine::TransactionLevel(), 0);
}

TEST_F(MdlMiscTest, DeleteOneHistoryRecord)
{
    addDeviceWithHistory(1);
    addDeviceWithHistory(2);
    ui::script::answer(ui::vbNo);
    EXPECT_FALSE(DeleteDynaRecord(1, 1, QStringLiteral("Maintain")).isValid());
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM [Maintain];")), 2);
    ui::script::answer(ui::vbYes);
    EXPECT_EQ(DeleteDynaRecord(1, 1, QStringLiteral("Maintain")).toInt(), 1);
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM [Maintain];")), 1);
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM [Maintain] WHERE [Dev_ID]=2;")), 1);
    ui::script::answer(ui::vbYes);
    EXPECT_FALSE(DeleteDynaRecord(2, 2, QStringLiteral("Maintain; DELETE FROM Transfer")).isValid());
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM [Transfer];")), 2);
}

} // namespace
