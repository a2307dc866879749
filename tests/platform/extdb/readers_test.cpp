// The readers of outside files over files made at run time.
#include "platform/extdb/extdb.h"
#include "platform/extdb/sharedtexts.h"
#include "platform/core/vberror.h"
#include "tests/common/hostilexls.h"
#include "tests/common/raised.h"
#include "tests/common/sourcefiles.h"
#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

using namespace Qt::StringLiterals;
using testutil::dateCell;

namespace {

using testutil::errorOf;

struct Read {
    QStringList columns;
    QList<qint64> numbers;
    QList<QVariantList> rows;   // each as wide as the columns
};

Read readTable(const QString& path, const QString& table = u"sheet1"_s)
{
    Read out;
    std::unique_ptr<extdb::Source> src = extdb::open(path);
    if (!src)
        throw vb::Error(1000, u"unknown"_s);
    std::unique_ptr<extdb::Table> t = src->openTable(table);
    out.columns = t->columns();
    extdb::Row row;
    qint64 n = 0;
    while (t->next(row, n)) {
        out.numbers << n;
        QVariantList& cells = out.rows.emplaceBack();
        for (int i = 0; i < out.columns.size(); ++i)
            cells << row.value(i);
    }
    return out;
}

QStringList texts(const QVariantList& row)
{
    QStringList out;
    for (const QVariant& v : row)
        out << (v.isNull() ? u"<null>"_s : v.toString());
    return out;
}

// The same table in each workbook format: headings, texts, numbers, dates, a blank row.
class WorkbookTest : public ::testing::TestWithParam<const char*> {
protected:
    testutil::ProgramFolder folder;
    QString file(const QString& base) { return folder.file(base + u'.' + QString::fromLatin1(GetParam())); }
};

TEST_P(WorkbookTest, HeadingsCellsAndBlankRows)
{
    const QString path = file(u"设备"_s);
    testutil::writeSheet(path, QJsonArray{
        QJsonArray{u"设备编号"_s, u"设备名称"_s, QJsonValue(), u"资产原值"_s, u"出厂日期"_s},
        QJsonArray{u"A1B2C3001"_s, u"车床"_s, QJsonValue(), 12345678901234.0, dateCell(u"2003-05-06T00:00:00"_s, u"yyyy/m/d"_s)},
        QJsonArray{},
        QJsonArray{u"  "_s},
        QJsonArray{u"A1B2C3002"_s, QJsonValue(), u"x"_s, 1.5, dateCell(u"1998-01-02T10:30:00"_s, u"yyyy-mm-dd hh:mm"_s),
                   dateCell(u"2020-01-01T01:01:01"_s, u"[DBNum1][$-804]yyyy\"年\"m\"月\"d\"日\""_s),
                   dateCell(u"2020-01-01T01:01:01"_s, u"h:mm:ss AM/PM"_s)},
        QJsonArray{u"A1B2C3003"_s, u"铣'床"_s, QJsonValue(), -42, u"98"_s, dateCell(u"2020-01-01T01:01:01"_s, u"mmmm/yy"_s),
                   dateCell(u"2020-01-01T01:01:01"_s, u"0.00_ "_s)}});
    const Read r = readTable(path);
    // Columns run to the last one holding a value in any row.
    EXPECT_EQ(r.columns, (QStringList{u"设备编号"_s, u"设备名称"_s, u"F3"_s, u"资产原值"_s, u"出厂日期"_s, u"F6"_s, u"F7"_s}));
    ASSERT_EQ(r.rows.size(), 3);
    EXPECT_EQ(r.numbers, (QList<qint64>{1, 4, 5}));   // blank rows are skipped, still counted
    EXPECT_EQ(texts(r.rows[0]), (QStringList{u"A1B2C3001"_s, u"车床"_s, u"<null>"_s, u"12345678901234"_s,
                                             u"2003-05-06 00:00:00"_s, u"<null>"_s, u"<null>"_s}));
    // Chinese and time-only formats keep the whole date-time; a number format keeps the number.
    EXPECT_EQ(texts(r.rows[1]), (QStringList{u"A1B2C3002"_s, u"<null>"_s, u"x"_s, u"1.5"_s, u"1998-01-02 10:30:00"_s,
                                             u"2020-01-01 01:01:01"_s, u"2020-01-01 01:01:01"_s}));
    EXPECT_EQ(texts(r.rows[2]), (QStringList{u"A1B2C3003"_s, u"铣'床"_s, u"<null>"_s, u"-42"_s, u"98"_s,
                                             u"2020-01-01 01:01:01"_s, u"43831.0423726852"_s}));

    // Sheets are found ignoring letter case; a missing one is error 3078.
    EXPECT_EQ(readTable(path, u"SHEET1"_s).rows.size(), 3);
    const vb::Error e = errorOf([&] { readTable(path, u"设备"_s); });
    EXPECT_EQ(e.number(), extdb::kErrNoSuchTable);
    EXPECT_TRUE(e.description().contains(u"设备"_s));
}

TEST_P(WorkbookTest, TruncatedFileIsRefused)
{
    const QString path = file(u"cut"_s);
    QJsonArray rows{QJsonArray{u"设备编号"_s, u"设备名称"_s}};
    for (int i = 0; i < 200; ++i)
        rows.append(QJsonArray{u"N%1"_s.arg(i), u"名称%1"_s.arg(i)});
    testutil::writeSheet(path, rows);
    const QByteArray whole = testutil::readBytes(path);
    testutil::writeBytes(path, whole.left(whole.size() / 2));
    const vb::Error e = errorOf([&] { readTable(path); });
    EXPECT_TRUE(e.number() == extdb::kErrDamaged || e.number() == 1000) << e.description().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Formats, WorkbookTest, ::testing::Values("xlsx", "xls"));

TEST(Readers, FilesAreKnownByContentNotName)
{
    testutil::ProgramFolder folder;
    const QString text = folder.file(u"text.xls"_s), book = folder.file(u"book.dat"_s);
    testutil::writeBytes(text, "设备编号,设备名称\r\nA,B\r\n");
    EXPECT_EQ(extdb::sniff(text), extdb::Format::Unknown);
    EXPECT_EQ(extdb::open(text), nullptr);
    EXPECT_EQ(extdb::open(folder.file(u"missing.xlsx"_s)), nullptr);
    testutil::writeSheet(folder.file(u"book.xls"_s), QJsonArray{QJsonArray{u"a"_s}});
    ASSERT_TRUE(QFile::rename(folder.file(u"book.xls"_s), book));
    EXPECT_EQ(extdb::sniff(book), extdb::Format::Xls);
    std::unique_ptr<extdb::Source> src = extdb::open(book);
    ASSERT_TRUE(src);
    EXPECT_EQ(src->kind(), u"Excel 8.0"_s);
}

TEST(Readers, AccessTablesTypesAndNames)
{
    testutil::ProgramFolder folder;
    const QString path = folder.file(u"外部.mdb"_s);
    testutil::writeSource(path, QJsonObject{
        {u"table"_s, u"Sheet1"_s},
        {u"columns"_s, QJsonArray{QJsonArray{u"设备编号"_s, u"TEXT"_s, 100}, QJsonArray{u"数量"_s, u"LONG"_s, 0},
                                  QJsonArray{u"原值"_s, u"DOUBLE"_s, 0}, QJsonArray{u"购进日期"_s, u"DATETIME"_s, 0},
                                  QJsonArray{u"在用"_s, u"BOOL"_s, 0}}},
        {u"rows"_s, QJsonArray{QJsonArray{u"SB-0001"_s, 7, 50000.0, u"2019-05-12T00:00:00"_s, true},
                               QJsonArray{QJsonValue(), QJsonValue(), QJsonValue(), QJsonValue(), false},
                               QJsonArray{u"SB-0002"_s, -3, 12.25, u"2020-11-03T14:30:00"_s, false}}}});
    std::unique_ptr<extdb::Source> src = extdb::open(path);
    ASSERT_TRUE(src);
    EXPECT_EQ(src->kind(), u"Microsoft Access"_s);
    EXPECT_EQ(src->tableNames(), QStringList{u"Sheet1"_s});
    const Read r = readTable(path);
    EXPECT_EQ(r.columns, (QStringList{u"设备编号"_s, u"数量"_s, u"原值"_s, u"购进日期"_s, u"在用"_s}));
    ASSERT_EQ(r.rows.size(), 3);   // a row with only a No value is not blank
    EXPECT_EQ(texts(r.rows[0]), (QStringList{u"SB-0001"_s, u"7"_s, u"50000"_s, u"2019-05-12 00:00:00"_s, u"True"_s}));
    EXPECT_EQ(texts(r.rows[2]), (QStringList{u"SB-0002"_s, u"-3"_s, u"12.25"_s, u"2020-11-03 14:30:00"_s, u"False"_s}));
    EXPECT_EQ(readTable(path, u"sheet1"_s).rows.size(), 3);

    const QByteArray whole = testutil::readBytes(path);
    testutil::writeBytes(path, whole.left(whole.size() / 2));
    const vb::Error e = errorOf([&] { readTable(path); });
    EXPECT_EQ(e.number(), extdb::kErrDamaged) << e.description().toStdString();
}

// Access 97 files keep their texts in the code page their header names, CP936 when none.
TEST(Readers, Jet3TextsInTheHeadersCodePage)
{
    testutil::ProgramFolder folder;
    struct Case {
        int codePage;
        QString name, value;
    } cases[] = {{0, u"设备名称"_s, u"主变压器"_s}, {936, u"设备名称"_s, u"真空断路器"_s}, {1252, u"Désignation"_s, u"Café"_s}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codePage);
        const QString path = folder.file(u"jet3-%1.mdb"_s.arg(c.codePage));
        testutil::writeSource(path, QJsonObject{
            {u"jet3_code_page"_s, c.codePage},
            {u"columns"_s, QJsonArray{QJsonArray{u"No"_s, u"TEXT"_s, 20}, QJsonArray{c.name, u"TEXT"_s, 50},
                                      QJsonArray{u"Qty"_s, u"LONG"_s, 0}, QJsonArray{u"Bought"_s, u"DATETIME"_s, 0}}},
            {u"rows"_s, QJsonArray{QJsonArray{u"SB-1"_s, c.value, 7, u"2019-05-12T08:30:00"_s},
                                   QJsonArray{u"SB-2"_s, QJsonValue(), QJsonValue(), QJsonValue()}}}});
        const Read r = readTable(path);
        EXPECT_EQ(r.columns, (QStringList{u"No"_s, c.name, u"Qty"_s, u"Bought"_s}));
        ASSERT_EQ(r.rows.size(), 2);
        EXPECT_EQ(texts(r.rows[0]), (QStringList{u"SB-1"_s, c.value, u"7"_s, u"2019-05-12 08:30:00"_s}));
        EXPECT_EQ(texts(r.rows[1]), (QStringList{u"SB-2"_s, u"<null>"_s, u"<null>"_s, u"<null>"_s}));
        // Bytes the code page does not know come as lone surrogates, which no column takes.
        QByteArray bytes = testutil::readBytes(path);
        ASSERT_EQ(bytes.count("SB-2"), 1);
        testutil::writeBytes(path, bytes.replace("SB-2", "SB\x81\xFF"));
        EXPECT_EQ(readTable(path).rows.value(1).value(0).toString().left(3), u"SB"_s + QChar(0xDC81));
    }
    EXPECT_FALSE(qEnvironmentVariableIsSet("MDB_JET3_CHARSET"));   // set only while a file opens
}

// Access memos arrive whole, in the row, on a page of their own or along a chain of pages,
// in Jet 4 and in an Access 97 file's code page; a file cut inside the chain is refused
// naming the page, never read short.
TEST(Readers, AccessMemosArriveWholeOrTheFileIsRefused)
{
    testutil::ProgramFolder folder;
    const QString path = folder.file(u"memo.mdb"_s);
    const struct Case {
        int jet3CodePage;   // -1: Jet 4
        QStringList memos;
        int pageSize, cutPages;
    } cases[] = {{-1, {QString(63377, u'设'), QString(1900, u'b'), u"短😀"_s}, 4096, 34}, {936, {QString(20000, u'设'), u"短"_s}, 2048, 24}};
    for (const Case& c : cases) {
        QJsonObject layout{{u"columns"_s, QJsonArray{QJsonArray{u"备注"_s, u"MEMO"_s, 0}}}};
        QJsonArray rows;
        for (const QString& memo : c.memos)
            rows.append(QJsonArray{memo});
        layout.insert(u"rows"_s, rows);
        if (c.jet3CodePage >= 0)
            layout.insert(u"jet3_code_page"_s, c.jet3CodePage);
        testutil::writeSource(path, layout);
        const Read r = readTable(path);
        ASSERT_EQ(r.rows.size(), c.memos.size());
        for (int i = 0; i < c.memos.size(); ++i)
            EXPECT_EQ(r.rows[i].value(0).toString(), c.memos[i]) << i;
        testutil::writeBytes(path, testutil::readBytes(path).left(c.cutPages * c.pageSize));
        const vb::Error e = errorOf([&] { readTable(path); });
        EXPECT_TRUE(e.description().endsWith(u"第 1 行的 备注 列的长值页 %1 超出文件末尾"_s.arg(c.cutPages))) << e.description().toStdString();
    }
}

TEST(Readers, XlsxCellKinds)
{
    testutil::ProgramFolder folder;
    const QString path = folder.file(u"kinds.xlsx"_s);
    testutil::writeSource(path, testutil::xlsxPackage(
        u"<row r=\"2\"><c r=\"B2\" t=\"s\"><v>0</v></c><c r=\"C2\" t=\"inlineStr\"><is><t>名称</t></is></c><c r=\"D2\" t=\"s\"><v>1</v></c></row>"
        "<row r=\"3\"><c r=\"B3\" t=\"str\"><f>A1</f><v>公式值</v></c><c r=\"C3\" s=\"1\"><v>37747</v></c>"
        "<c r=\"D3\" t=\"b\"><v>1</v></c></row>"
        "<row r=\"5\"><c r=\"B5\" s=\"2\"><v>1.0E+15</v></c><c r=\"C5\" s=\"3\"><v>0.5</v></c><c r=\"D5\" t=\"e\"><v>#N/A</v></c></row>"
        "<row r=\"6\"><c r=\"B6\"><v>12345678901234567890</v></c><c r=\"C6\" t=\"d\"><v>2003-05-06T07:08:09</v></c></row>"_s,
        u"<si><t>编号</t></si><si><r><t>数</t></r><r><t>量</t></r><rPh><t>shu</t></rPh></si>"_s,
        u"<workbookPr date1904=\"1\"/>"_s));
    const Read r = readTable(path);
    EXPECT_EQ(r.columns, (QStringList{u"编号"_s, u"名称"_s, u"数量"_s}));
    ASSERT_EQ(r.rows.size(), 3);
    EXPECT_EQ(r.numbers, (QList<qint64>{1, 3, 4}));
    // 37747 in the 1904 system; a custom date format; [Red] is no date.
    EXPECT_EQ(texts(r.rows[0]), (QStringList{u"公式值"_s, u"2007-05-07 00:00:00"_s, u"True"_s}));
    EXPECT_EQ(texts(r.rows[1]), (QStringList{u"1000000000000000"_s, u"1904-01-01 12:00:00"_s, u"<null>"_s}));
    EXPECT_EQ(texts(r.rows[2]), (QStringList{u"12345678901234567890"_s, u"2003-05-06 07:08:09"_s, u"<null>"_s}));
}

// A sheet reads the same however its XML is written.
TEST(Readers, XlsxSheetWrittenAnyWayReadsAlike)
{
    testutil::ProgramFolder folder;
    const QString plain = u"<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"inlineStr\"><is><t>名称</t></is></c></row>"
                          "<row r=\"2\"><c r=\"A2\" t=\"str\"><v>x\ny</v></c><c r=\"B2\"><v>2.50</v></c></row>"
                          "<row r=\"3\"><c r=\"A3\" t=\"s\"><v>1</v></c><c r=\"B3\" s=\"3\"><v>37747</v></c></row>"_s;
    const QList<QPair<QString, QString>> rewrites = {
        {QString(), QString()},
        {u"<row r=\"1\">"_s, u"<!-- c --><row r=\"1\">"_s},
        {u"<v>x\ny</v>"_s, u"<v><![CDATA[x]]>\r\ny</v>"_s},
        {u"<t>名称</t>"_s, u"<t>名&#31216;</t>"_s},
        {u"<v>2.50</v>"_s, u"<v> 2.5 </v>"_s},
        {u"s=\"3\""_s, u"s=\"&#51;\""_s},
        {u"<row r=\"3\">"_s, u"<row r='3' xmlns:q=\"urn:q\"><q:x q:y=\"1\"/>"_s},
    };
    for (const auto& [from, to] : rewrites) {
        SCOPED_TRACE(to.toStdString());
        const QString path = folder.file(u"written.xlsx"_s);
        testutil::writeSource(path, testutil::xlsxPackage(QString(plain).replace(from, to),
                                                          u"<si><t>编号</t></si><si><t>a&amp;b</t></si>"_s));
        const Read r = readTable(path);
        EXPECT_EQ(r.columns, (QStringList{u"编号"_s, u"名称"_s}));
        ASSERT_EQ(r.rows.size(), 2);
        EXPECT_EQ(texts(r.rows[0]), (QStringList{u"x\ny"_s, u"2.5"_s}));
        EXPECT_EQ(texts(r.rows[1]), (QStringList{u"a&b"_s, u"2003-05-06 00:00:00"_s}));
    }
}

TEST(Readers, DamagedWorkbooksAreRefusedClearly)
{
    testutil::ProgramFolder folder;
    struct Case {
        const char16_t* name;
        QJsonObject layout;
        int number;
        const char16_t* says;
    };
    const QString row = u"<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>"_s;
    QJsonObject huge = testutil::xlsxPackage(row, u"<si><t>a</t></si>"_s);
    huge.insert(u"huge"_s, u"xl/worksheets/sheet1.xml"_s);
    const auto withWorkbook = [&](const QString& workbook) {
        QJsonObject package = testutil::xlsxPackage(row, u"<si><t>a</t></si>"_s);
        QJsonObject parts = package.value(u"parts"_s).toObject();
        parts.insert(u"xl/workbook.xml"_s, workbook);
        package.insert(u"parts"_s, parts);
        return package;
    };
    // Streamed (the comment), each element declaring a namespace inside the one before.
    QString nested = u"<!-- -->"_s + row;
    for (int i = 0; i < 65; ++i)
        nested += u"<x xmlns:p%1=\"urn:p\">"_s.arg(i);
    const Case cases[] = {
        {u"zip of something else", QJsonObject{{u"parts"_s, QJsonObject{{u"readme.txt"_s, u"hello"_s}}}},
         extdb::kErrDamaged, u"不是Excel工作簿"},
        {u"shared string index out of range", testutil::xlsxPackage(u"<row r=\"1\"><c r=\"A1\" t=\"s\"><v>5</v></c></row>"_s, u"<si><t>a</t></si>"_s),
         extdb::kErrDamaged, u"共享字符串"},
        {u"shared string index not a number", testutil::xlsxPackage(u"<row r=\"1\"><c r=\"A1\" t=\"s\"><v>x</v></c></row>"_s, u""_s),
         extdb::kErrDamaged, u"共享字符串"},
        {u"entry claiming a huge size", huge, extdb::kErrDamaged, u"超出"},
        {u"broken XML", testutil::xlsxPackage(u"<row r=\"1\"><c r=\"A1\"><v>1</v></row>"_s), extdb::kErrDamaged, u"sheet1.xml"},
        {u"rows out of order", testutil::xlsxPackage(u"<row r=\"3\"><c r=\"A3\"><v>1</v></c></row><row r=\"2\"/>"_s),
         extdb::kErrDamaged, u"行号 2 无效"},
        {u"row past the last", testutil::xlsxPackage(u"<row r=\"1048577\"><c><v>1</v></c></row>"_s), extdb::kErrDamaged,
         u"xl/worksheets/sheet1.xml 的第 1048577 行超出工作表的 1048576 行"},
        {u"undeclared prefix", testutil::xlsxPackage(u"<row r=\"1\"><c r=\"A1\"><v>1</v><y:f/></c></row>"_s),
         extdb::kErrDamaged, u"sheet1.xml"},
        {u"attribute repeated", testutil::xlsxPackage(u"<row r=\"1\"><c r=\"A1\" r=\"A1\"><v>1</v></c></row>"_s),
         extdb::kErrDamaged, u"sheet1.xml"},
        {u"document type declared", withWorkbook(u"<!DOCTYPE workbook><workbook><sheets/></workbook>"_s), extdb::kErrDamaged,
         u"部件 xl/workbook.xml: 含有文档类型声明"},
        {u"65 namespaces in scope", testutil::xlsxPackage(nested + QString(u"</x>"_s).repeated(65), u"<si><t>a</t></si>"_s),
         extdb::kErrDamaged, u"同时有效的命名空间声明多于 64 个"},
        {u"no sheet named sheet1", withWorkbook(u"<workbook><sheets/></workbook>"_s), extdb::kErrNoSuchTable, u"sheet1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.name).toStdString());
        const QString path = folder.file(u"bad.xlsx"_s);
        testutil::writeSource(path, c.layout);
        const vb::Error e = errorOf([&] { readTable(path); });
        EXPECT_EQ(e.number(), c.number);
        EXPECT_TRUE(e.description().contains(QString::fromUtf16(c.says))) << e.description().toStdString();
    }
}

// Texts of an .xls arrive whole and as written: long ones run over CONTINUE records, with
// other texts after them; characters outside the BMP; NUL; a lone surrogate (written as
// U+E000, then patched in the file); a text whose characters change width at a CONTINUE
// record, 16-bit to 8-bit and back (patched: the record's first byte says 8-bit, so each
// pair of its bytes reads as two Latin-1 characters and the text gains as many).
TEST(Readers, XlsTextsArriveAsWritten)
{
    testutil::ProgramFolder folder;
    const QString lone = u"X"_s + QChar(0xD800) + u"Y"_s;
    QStringList texts = {QString(32767, u'设'), u"在用"_s, QString(8300, u'a'), u"正常"_s, QString(8300, u'设'),
                               u"泵😀"_s, u"A"_s + QChar(0) + u"B"_s, u"X\uE000Y"_s};
    QJsonArray heading, row;
    for (int i = 0; i < texts.size(); ++i) {
        heading.append(u"T"_s + QString::number(i));
        row.append(texts[i]);
    }
    const QString path = folder.file(u"texts.xls"_s);
    testutil::writeSheet(path, QJsonArray{heading, row, row});
    QByteArray bytes = testutil::readBytes(path);
    const QByteArray mark("X\0\0\xE0Y\0", 6);
    ASSERT_EQ(bytes.count(mark), 1);
    bytes.replace(mark, QByteArray("X\0\0\xD8Y\0", 6));
    const qsizetype head = bytes.indexOf(QByteArray("\xFF\x7F\x01\xBE\x8B", 5));
    const qsizetype next = bytes.indexOf(QByteArray("\x01\xBE\x8B", 3), head + 5);   // a CONTINUE's first byte
    ASSERT_EQ(bytes.mid(next - 4, 2), QByteArray("\x3C\x00", 2));
    const int before = int(next - 4 - head - 3) / 2, pairs = (qFromLittleEndian<quint16>(bytes.constData() + next - 2) - 1) / 2;
    bytes[next] = 0;
    qToLittleEndian<quint16>(quint16(32767 + pairs), bytes.data() + head);
    texts[0] = QString(before, u'设') + u"\u00BE\u008B"_s.repeated(pairs) + QString(32767 - before - pairs, u'设');
    testutil::writeBytes(path, bytes);
    const Read r = readTable(path, u"Sheet1"_s);
    ASSERT_EQ(r.rows.size(), 2);
    for (const QVariantList& cells : r.rows)
        for (int i = 0; i < texts.size(); ++i)
            EXPECT_EQ(cells.value(i).toString(), i == texts.size() - 1 ? lone : texts[i]) << i;
}

// Compound files whose chains loop, repeat, run past the file or claim more than it holds
// are refused before anything larger than the file is allocated. A version 3 file's stream
// size is its low 32 bits: what the high ones hold is ignored.
TEST(Readers, DamagedCompoundFilesAreRefused)
{
    testutil::ProgramFolder folder;
    const QByteArray real = testutil::readBytes(testutil::dataFile(u"data/real/Test97.xls"_s));
    const auto get = [](const QByteArray& b, qsizetype at) { return qFromLittleEndian<quint32>(b.constData() + at); };
    const auto put = [](QByteArray& b, qsizetype at, quint32 v) { qToLittleEndian(v, b.data() + at); };
    const quint32 fat = get(real, 0x4C), dir = get(real, 0x30), miniFat = get(real, 0x3C);
    const qsizetype workbook = real.indexOf(QByteArray(reinterpret_cast<const char*>(u"Workbook"), 16));
    const auto fatEntry = [&](quint32 sector) { return (fat + 1) * 512 + 4 * qsizetype(sector); };
    struct Case {
        const char* name;
        std::function<void(QByteArray&)> patch;
        const char16_t* says;
    };
    const Case cases[] = {
        {"looped, 1 MB", [](QByteArray& b) { b = testutil::loopedWorkbook(b); }, u"分配表的扇区数 264523"},
        {"allocation sector listed twice", [&](QByteArray& b) { put(b, 0x2C, 2), put(b, 0x50, fat); }, u"重复"},
        {"DIF sector pointing at itself",
         [&](QByteArray& b) {
             b.append(QByteArray(512 * 300, '\0'));
             const quint32 first = quint32(real.size() / 512), dif = first + 250;
             put(b, 0x2C, 109 + 127 + 1);
             for (int i = 1; i < 109; ++i)
                 put(b, 0x4C + 4 * i, first + quint32(i));
             put(b, 0x44, dif);
             for (int i = 0; i < 127; ++i)
                 put(b, (dif + 1) * 512 + 4 * i, first + 109 + quint32(i));
             put(b, (dif + 1) * 512 + 508, dif);
         },
         u"分配表目录的扇区"},
        {"directory chain looping", [&](QByteArray& b) { put(b, fatEntry(dir), dir); }, u"循环"},
        {"stream longer than the file", [&](QByteArray& b) { put(b, workbook + 0x78, 0x7FFFFFF0); }, u"超出文件"},
        {"mini-FAT chain pointing back",
         [&](QByteArray& b) { put(b, workbook + 0x78, 100), put(b, fatEntry(miniFat), miniFat); }, u"循环"},
        {"chain running past the file", [&](QByteArray& b) { put(b, fatEntry(get(b, workbook + 0x74)), 5000); }, u"文件之外"},
        {"size's high 32 bits set", [&](QByteArray& b) { put(b, workbook + 0x7C, 0x80000000); }, nullptr},
    };
    ASSERT_GT(workbook, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray bytes = real;
        c.patch(bytes);
        const QString path = folder.file(u"hostile.xls"_s);
        testutil::writeBytes(path, bytes);
        if (!c.says) {
            EXPECT_EQ(readTable(path, u"Sheet1-ASC"_s).rows, readTable(testutil::dataFile(u"data/real/Test97.xls"_s), u"Sheet1-ASC"_s).rows);
            continue;
        }
        const vb::Error e = errorOf([&] { readTable(path, u"Sheet1-ASC"_s); });
        EXPECT_EQ(e.number(), extdb::kErrDamaged);
        EXPECT_TRUE(e.description().contains(QString::fromUtf16(c.says))) << e.description().toStdString();
    }
}

// The first table of a file read as one text: its columns' count and last name, then each
// row's cells that hold a value, as "column=text", a run of equal rows as one with "*" and
// their number.
QString summary(const QString& path)
{
    std::unique_ptr<extdb::Source> src = extdb::open(path);
    std::unique_ptr<extdb::Table> t = src->openTable(src->tableNames().value(0));
    const QStringList& columns = t->columns();
    QStringList out{QString::number(columns.size()) + u' ' + columns.value(columns.size() - 1)};
    QString last;
    qint64 repeats = 0;
    const auto flush = [&] {
        if (repeats)
            out << last + (repeats > 1 ? u"*"_s + QString::number(repeats) : QString());
    };
    extdb::Row row;
    qint64 n = 0;
    while (t->next(row, n)) {
        QStringList cells;
        for (int i = 0; i < columns.size(); ++i)
            if (const QVariant v = row.value(i); !v.isNull())
                cells << QString::number(i) + u'=' + v.toString();
        if (repeats && cells.join(u',') == last) {
            ++repeats;
            continue;
        }
        flush();
        last = cells.join(u',');
        repeats = 1;
    }
    flush();
    return out.join(u'|');
}

// Files the fuzzers found or made to break a reader (tests/data/hostile, some written by
// make_hostile.py, and larger ones made here): each is refused with its reason, or read with exactly its values, in a
// moment and within bounds.
TEST(Readers, HostileFilesAreRefusedOrRead)
{
    testutil::ProgramFolder folder;
    // 200,000 attributes on one cell: read whole by the plain reader; a comment sends the
    // same sheet to the streaming one.
    QString attributes;
    for (int i = 0; i < 200000; ++i)
        attributes += u" a"_s + QString::number(i) + u"=\"1\""_s;
    const QString cells = u"<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"%1><is><t>编号</t></is></c></row>"
                          "<row r=\"2\"><c r=\"A2\"><v>7</v></c></row>"_s.arg(attributes);
    testutil::writeSource(folder.file(u"attributes.xlsx"_s), testutil::xlsxPackage(cells));
    testutil::writeSource(folder.file(u"attributes-streamed.xlsx"_s), testutil::xlsxPackage(u"<!-- -->"_s + cells));
    // Small files naming much: a part of a head, count times a unit, then a tail.
    const auto large = [&](const QString& name, const QString& part, const QJsonArray& repeated, const QString& sheet = QString()) {
        QJsonObject package = testutil::xlsxPackage(sheet);
        QJsonObject parts = package.value(u"parts"_s).toObject();
        parts.insert(part, repeated);
        package.insert(u"parts"_s, parts);
        testutil::writeSource(folder.file(name), package);
        return folder.file(name);
    };
    const QString sheet = u"xl/worksheets/sheet1.xml"_s, strings = u"xl/sharedStrings.xml"_s;
    const QString firstRow = u"<worksheet><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>甲</t></is></c>"
                         "<c r=\"B1\" t=\"inlineStr\"><is><t>乙</t></is></c></row>"_s;
    const QString tail = u"</sheetData></worksheet>"_s;
    testutil::writeSource(folder.file(u"long-shared-string.xls"_s),
                          QJsonObject{{u"rows"_s, QJsonArray{QJsonArray{u"长"_s}, QJsonArray{QString(32767, u'x')}}}, {u"repeat"_s, 12000}});
    // The version 4 file with its stream's true size: 4096.
    QByteArray v4 = testutil::readBytes(testutil::dataFile(u"data/hostile/xls-v4-stream-size-2-63-plus-4096.xls"_s));
    v4[2 * 4096 + 128 + 0x7F] = 0;
    testutil::writeBytes(folder.file(u"v4.xls"_s), v4);
    // Row 1 of 300 holding a memo, turned to 4 bytes of a page its table's long values may not
    // use, or to a row starting inside its page's row offsets; row 74 starting inside them.
    QJsonArray rows{QJsonArray{QString(100, u'设')}};
    while (rows.size() < 300)
        rows.append(QJsonArray{QJsonValue()});
    testutil::writeSource(folder.file(u"memo.mdb"_s), QJsonObject{
        {u"columns"_s, QJsonArray{QJsonArray{u"备注"_s, u"MEMO"_s, 0}}}, {u"rows"_s, rows},
        {u"more_tables"_s, QJsonArray{QJsonObject{{u"table"_s, u"其他"_s}, {u"columns"_s, QJsonArray{QJsonArray{u"n"_s, u"LONG"_s, 0}}},
                                                  {u"rows"_s, QJsonArray{QJsonArray{1}}}}}}});
    const QByteArray memo = testutil::readBytes(folder.file(u"memo.mdb"_s));
    const qsizetype head = memo.indexOf(QByteArray::fromHex("c800004000060000"));   // 200 bytes on page 6
    const QList<QPair<QString, QList<QPair<qsizetype, quint16>>>> patched = {
        {u"memo-8"_s, {{head, 4}, {head + 4, 8 << 8}}}, {u"memo-3"_s, {{head, 4}, {head + 4, 3 << 8}}},
        {u"memo-1"_s, {{head, 4}, {head + 4, 1 << 8}}}, {u"memo-inside"_s, {{6 * 4096 + 14, 14}}}, {u"rows"_s, {{5 * 4096 + 14 + 2 * 74, 34}}}};
    for (const auto& [name, writes] : patched) {
        QByteArray bytes = memo;
        for (const auto& [at, value] : writes)
            qToLittleEndian(value, bytes.data() + at);
        testutil::writeBytes(folder.file(name + u".mdb"_s), bytes);
    }
    testutil::writeSource(folder.file(u"date-past-9999.xlsx"_s), testutil::xlsxPackage(
        u"<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>日期</t></is></c></row><row r=\"2\"><c r=\"A2\" s=\"3\"><v>2958466</v></c></row>"_s));
    struct Case {
        QString file;   // in tests/data/hostile, or made here (a path)
        QString says;   // the refusal's reason, or the summary of the table read
    };
    std::vector<Case> cases = {
        {u"xls-shared-string-index-past-the-end.xls"_s, u"单元格的共享字符串序号 4294967295 无效"_s},
        {u"xls-cell-past-the-last-column.xls"_s, u"工作表 Sheet1 第 1 行第 65536 列的单元格超出工作表的 256 列"_s},
        {u"xls-v4-stream-size-2-63-plus-4096.xls"_s, u"复合文件结构已损坏：工作簿流的长度 9223372036854779904 超出文件"_s},
        {folder.file(u"v4.xls"_s), u"2 设备名称|0=SB-1,1=车床"_s},
        {u"xlsx-16384-equal-headings.xlsx"_s, u"16384 a16383|0=x"_s},
        {u"xlsx-a-cell-at-XFD-in-every-row.xlsx"_s, u"16384 远|0=SB-2,16383=2.5|0=SB-3,16383=3.5|0=SB-4,16383=4.5"_s},
        {u"xlsx-value-nested-deeply.xlsx"_s, u"部件 xl/worksheets/sheet1.xml: 有嵌套深于 256 层的元素"_s},
        {folder.file(u"attributes.xlsx"_s), u"1 编号|0=7"_s},
        {folder.file(u"attributes-streamed.xlsx"_s), u"部件 xl/worksheets/sheet1.xml: 有元素的属性多于 64 个"_s},
        {large(u"one-character-strings.xlsx"_s, strings, {u"<sst>"_s, u"<si><t>a</t></si>"_s, 15500000, u"<si><t>末</t></si></sst>"_s},
               u"<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>15500000</v></c></row>"
               "<row r=\"2\"><c r=\"A2\"><v>7</v></c><c r=\"B2\" t=\"s\"><v>15499999</v></c></row>"_s),
         u"2 末|0=7,1=a"_s},
        {large(u"empty-strings.xlsx"_s, strings, {u"<sst><si><t>编号</t></si>"_s, u"<si/>"_s, 50000000, u"</sst>"_s},
               u"<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row><row r=\"2\"><c r=\"A2\"><v>5</v></c></row>"
               "<row r=\"3\"><c r=\"A3\" t=\"s\"><v>50000000</v></c></row>"_s),
         u"1 编号|0=5"_s},
        {large(u"small-cells.xlsx"_s, sheet, {firstRow, u"<row><c><v>1</v></c><c><v>2</v></c><c><v>3</v></c><c><v>4</v></c></row>"_s, 1000000, tail}),
         u"4 F4|0=1,1=2,2=3,3=4*1000000"_s},
        {large(u"inline-strings.xlsx"_s, sheet,
               {firstRow, u"<row><c t=\"inlineStr\"><is><t>x</t></is></c><c t=\"inlineStr\"><is><t>y</t></is></c></row>"_s, 1000000, tail}),
         u"2 乙|0=x,1=y*1000000"_s},
        {large(u"whitespace-streamed.xlsx"_s, sheet, {firstRow + u"<!-- -->"_s, u" "_s, 300000000, tail}),
         u"部件 xl/worksheets/sheet1.xml: 有长于 4194304 字节的文本或标记"_s},
        {large(u"long-formula.xlsx"_s, sheet, {firstRow + u"<row r=\"2\"><c r=\"A2\"><f>"_s, u"1+"_s, 150000000, u"1</f><v>2</v></c></row>"_s + tail}),
         u"部件 xl/worksheets/sheet1.xml: 有长于 4194304 字节的文本或标记"_s},
        {large(u"16385-cells-in-a-row.xlsx"_s, sheet, {u"<worksheet><sheetData><row r=\"1\">"_s, u"<c><v>1</v></c>"_s, 16385, u"</row>"_s + tail}),
         u"xl/worksheets/sheet1.xml 第 1 行的单元格多于 16384 列"_s},
        {large(u"attributes-of-one-name.xlsx"_s, sheet, {u"<worksheet><sheetData><!-- -->"_s,
               u"<row r=\"1\"><c r=\"A1\" xmlns:p=\"urn:p\" p:r=\"1\"><v>1</v></c></row>"_s, 1, tail}),
         u"部件 xl/worksheets/sheet1.xml: 有元素的两个属性本地名相同"_s},
        {large(u"1048577-rows.xlsx"_s, sheet, {firstRow, u"<row><c><v>1</v></c></row>"_s, 1048576, tail}),
         u"xl/worksheets/sheet1.xml 的第 1048577 行超出工作表的 1048576 行"_s},
        {u"xlsx-240-MB-of-ASCII-shared-strings.xlsx"_s, summary(testutil::dataFile(u"data/real/deaths.xlsx"_s))},
        {u"xlsx-sheet-nested-3000000-deep.xlsx"_s, u"部件 xl/worksheets/sheet1.xml: 有嵌套深于 256 层的元素"_s},
        {u"xlsx-sheet-nested-3000000-deep-after-a-comment.xlsx"_s, u"部件 xl/worksheets/sheet1.xml: 有嵌套深于 256 层的元素"_s},
        {u"xlsx-shared-strings-nested-100000-deep.xlsx"_s, u"部件 xl/sharedStrings.xml: 有嵌套深于 256 层的元素"_s},
        {u"xlsx-styles-nested-100000-deep-after-a-comment.xlsx"_s, u"部件 xl/styles.xml: 有嵌套深于 256 层的元素"_s},
        {folder.file(u"date-past-9999.xlsx"_s), u"1 日期|0=2958466"_s},
        {folder.file(u"long-shared-string.xls"_s), u"1 长|0="_s + QString(32767, u'x') + u"*12000"_s},
        {u"mdb-usage-map-wrapping-round.mdb"_s, u"表 sheet1 的页面分配图无效"_s},
        {u"mdb-value-outside-its-page.mdb"_s, u"表 sheet1 第 1 行的 名称 列超出其数据页"_s},
        {u"mdb-memo-chain-looping-on-itself.mdb"_s, u"表 sheet1 第 1 行的 备注 列的长值回到已读过的页 6 第 0 行"_s},
        {u"mdb-memo-chain-looping-back.mdb"_s, u"表 sheet1 第 1 行的 备注 列的长值回到已读过的页 6 第 0 行"_s},
        {u"mdb-memo-read-by-two-rows.mdb"_s, u"表 sheet1 第 2 行的 备注 列的长值回到已读过的页 6 第 0 行"_s},
        {u"mdb-definition-continuing-on-itself.mdb"_s, u"表 sheet1 的定义回到已读过的页 4"_s},
        {u"mdb-256-columns.mdb"_s, u"表 sheet1 的定义有 256 列，超过 255 列"_s},
        {folder.file(u"memo.mdb"_s), u"1 备注|0="_s + QString(100, u'设')},
        {folder.file(u"memo-8.mdb"_s), u"表 sheet1 第 1 行的 备注 列的长值页 8 是表 其他 的页"_s},
        {folder.file(u"memo-3.mdb"_s), u"表 sheet1 第 1 行的 备注 列的长值页 3 是表 MSysObjects 的页"_s},
        {folder.file(u"memo-1.mdb"_s), u"表 sheet1 第 1 行的 备注 列的长值页 1 是页面分配图所在的页"_s},
        {folder.file(u"memo-inside.mdb"_s), u"表 sheet1 第 1 行的 备注 列的长值页 6 第 0 行始于该页的行位置表内"_s},
        {folder.file(u"rows.mdb"_s), u"表 sheet1 第 5 页的第 74 行始于该页的行位置表内"_s},
    };
    // Elements nested inside the root of each part read, closed again, by the plain reader and
    // (after a comment) by Qt's: 255 deep are read, 256 and more refused.
    const QString seven = u"<row r=\"1\"><c r=\"A1\"><v>7</v></c></row>"_s;
    const QJsonObject parts = testutil::xlsxPackage(seven).value(u"parts"_s).toObject();
    for (const QString& part : {sheet, strings, u"xl/styles.xml"_s, u"xl/workbook.xml"_s, u"xl/_rels/workbook.xml.rels"_s})
        for (const int depth : {255, 256, 100000, 3000000})
            for (const QString& comment : {QString(), u"<!-- -->"_s}) {
                const QString whole = parts.value(part).toString();
                const qsizetype end = whole.lastIndexOf(u"</"_s);
                cases.push_back({large(u"nested-%1-%2-%3.xlsx"_s.arg(cases.size()).arg(depth).arg(comment.size()), part,
                                       {comment + whole.left(end), u"<x>"_s, depth, QString(), u"</x>"_s, depth, whole.mid(end)}, seven),
                                 depth == 255 ? u"1 7"_s : u"部件 %1: 有嵌套深于 256 层的元素"_s.arg(part)});
            }
    EXPECT_EQ(QDir(testutil::dataFile(u"data/hostile"_s)).entryList(QDir::Files).size(),
              std::count_if(cases.begin(), cases.end(), [](const Case& c) { return !c.file.contains(u'/'); }));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        const QString path = c.file.contains(u'/') ? c.file : testutil::dataFile(u"data/hostile/"_s + c.file);
        QString got;
        try {
            got = summary(path);
        } catch (const vb::Error& e) {
            EXPECT_EQ(e.number(), extdb::kErrDamaged);
            got = e.description().mid(e.description().indexOf(u"): "_s) + 3);
        }
        EXPECT_EQ(got.toStdString(), c.says.toStdString());
    }
}

// The shared texts give back each text as it came, whatever its characters and length
// (ones in one byte a character, in two, over the store's pieces, in memory or, past its
// budget, in its temporary file); one it cannot write there refuses the file with the cause.
TEST(Readers, SharedTextsKeepEveryText)
{
    QStringList texts = {QString(), u"  "_s, u"é"_s, u"设备"_s, QString(40000, u'设'), QString(40000, u'é'), QString()};
    for (quint32 i = 0, x = 1; i < 40000; ++i, x = x * 1103515245 + 12345)
        texts.last() += QChar(0x4E00 + x % 20000);   // scattered
    for (int i = 0; i < 80; ++i)
        texts << (i % 2 ? QString(20001, QChar(0x8BBE + i)) : QString(30001, QChar(u'a' + i % 26)));
    for (const qint64 budget : {extdb::SharedTexts::kBudget, qint64(1) << 20, qint64(0)}) {
        extdb::SharedTexts store(budget);
        for (int i = 0; i < texts.size(); ++i)
            i % 3 == 1 && texts[i].toLatin1() == texts[i].toUtf8() ? store.appendLatin1(texts[i].toLatin1()) : store.append(texts[i]);
        ASSERT_EQ(store.size(), texts.size());
        for (int i = texts.size() - 1; i >= 0; --i) {
            EXPECT_EQ(store.text(i), texts[i]) << budget << " " << i;
            EXPECT_EQ(store.blank(i), texts[i].trimmed().isEmpty()) << i;
        }
    }
    extdb::SharedTexts empty;   // nothing held yet
    empty.append(QString());
    EXPECT_TRUE(empty.text(0).isEmpty() && empty.blank(0));

    // 4 MB past a budget of 1 MB, in a child: the temporary folder, the file-size limit.
    QTemporaryDir own;
    const struct {
        QString folder;
        rlim_t limit;
        QString says;
    } spills[] = {{own.path(), RLIM_INFINITY, u"read, the folder holds "_s},
                  {own.path(), 1 << 20, u"75 工作簿的共享字符串超过 1 MB，超出的部分须写入临时文件夹“%1”，但超出了文件大小的限制，无法读入该文件。"_s},
                  {own.path() + u"/missing"_s, RLIM_INFINITY, u"75 工作簿的共享字符串超过 1 MB，超出的部分须写入临时文件夹“%1”，但该文件夹不存在，无法读入该文件。"_s}};
    for (const auto& c : spills) {
        const QString said = testutil::inChild([&] {
            qputenv("TMPDIR", QFile::encodeName(c.folder));
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{c.limit, c.limit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            extdb::SharedTexts store(1 << 20);
            for (int i = 0; i < 4; ++i)
                store.appendLatin1(QByteArray(1 << 20, char('a' + i)));
            const bool kept = store.text(2) == QString(1 << 20, u'c');
            return u"read, the folder holds "_s + QDir(c.folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).join(u',') +
                   (kept ? QString() : u", lost"_s);
        });
        EXPECT_EQ(said.toStdString(), (c.says.contains(u"%1"_s) ? c.says.arg(c.folder) : c.says).toStdString());
    }
}

// Numbers never with an exponent, nor "0" for what is not 0: through numberText and, as the
// doubles of an Access table, through a reader.
TEST(Readers, NumbersAndSerialDates)
{
    const QList<QPair<double, QString>> numbers = {
        {3.0, u"3"_s}, {-0.0, u"0"_s}, {123456789012345678.0, u"123456789012345680"_s}, {0.1, u"0.1"_s}, {1.5e-7, u"0.00000015"_s},
        {1e-25, u"0.0000000000000000000000001"_s}, {1.5e-21, u"0.0000000000000000000015"_s}, {-3.3e-30, u"-0.0000000000000000000000000000033"_s},
        {1.2345678901234e-15, u"0.0000000000000012345678901234"_s}, {1.0 / 3, u"0.333333333333333"_s}, {-2.0 / 3e-6, u"-666666.666666667"_s},
        {1234567890123456.5, u"1234567890123456.5"_s}, {-9007199254740991.0, u"-9007199254740991"_s}};
    QJsonArray rows;
    for (const auto& [value, text] : numbers) {
        EXPECT_EQ(extdb::numberText(value), text);
        rows.append(QJsonArray{value});
    }
    testutil::ProgramFolder folder;
    testutil::writeSource(folder.file(u"n.mdb"_s), QJsonObject{{u"columns"_s, QJsonArray{QJsonArray{u"n"_s, u"DOUBLE"_s, 0}}}, {u"rows"_s, rows}});
    const Read r = readTable(folder.file(u"n.mdb"_s));
    ASSERT_EQ(r.rows.size(), numbers.size());
    for (int i = 0; i < numbers.size(); ++i)
        EXPECT_EQ(r.rows[i].value(0).toString(), numbers[i].second);
    // Access Decimal (scales 0 and 2) and Currency values, as stored then as read when they
    // differ: every digit, no double in between, less the zeros ending a fraction. A scale past
    // Access's 28 refuses the file.
    const QList<QStringList> exact = {
        {u"1234567890123456789"_s, u"12345678901234567.89"_s, u"922337203685477.5807"_s},
        {u"9999999999999999999999999999"_s, u"-99999999999999999999999999.99"_s, u"-922337203685477.5808"_s},
        {u"-123456789012345678"_s, u"1.50"_s, u"12.3400"_s, u"-123456789012345678"_s, u"1.5"_s, u"12.34"_s},
        {u"-0"_s, u"0.00"_s, u"-0.0001"_s, u"0"_s, u"0"_s, u"-0.0001"_s}};
    QJsonArray decimals;
    for (const QStringList& e : exact)
        decimals.append(QJsonArray::fromStringList(e.mid(0, 3)));
    for (int scale : {2, 29})
        testutil::writeSource(folder.file(u"d%1.mdb"_s.arg(scale)), QJsonObject{{u"rows"_s, decimals}, {u"columns"_s,
            QJsonArray{QJsonArray{u"d"_s, u"NUMERIC"_s, 0}, QJsonArray{u"e"_s, u"NUMERIC"_s, scale}, QJsonArray{u"m"_s, u"MONEY"_s, 0}}}});
    const Read d = readTable(folder.file(u"d2.mdb"_s));
    ASSERT_EQ(d.rows.size(), exact.size());
    for (int i = 0; i < exact.size(); ++i)
        EXPECT_EQ(texts(d.rows[i]), exact[i].mid(exact[i].size() - 3));
    EXPECT_TRUE(errorOf([&] { readTable(folder.file(u"d29.mdb"_s)); }).description().endsWith(u"e 列的小数位数 29 超过 28"_s));
    // Serials from 1900 or 1904, up to 9999: past it a serial reads as a number, in Access it is refused.
    const std::tuple<double, bool, QString> serials[] = {
        {1, false, u"1900-01-01 00:00:00"_s}, {59, false, u"1900-02-28 00:00:00"_s}, {61, false, u"1900-03-01 00:00:00"_s},
        {37747.75, false, u"2003-05-06 18:00:00"_s}, {0, true, u"1904-01-01 00:00:00"_s}, {-1, false, QString()},
        {2958465.99998843, false, u"9999-12-31 23:59:59"_s}, {2958465.999999999, false, QString()},
        {2957003, true, u"9999-12-31 00:00:00"_s}, {2957004, true, QString()},
    };
    for (const auto& [serial, from1904, text] : serials)
        EXPECT_EQ(extdb::serialDateText(serial, from1904), text) << serial;
    const auto dated = [&](double serial) {
        testutil::writeSource(folder.file(u"d.mdb"_s), QJsonObject{{u"columns"_s, QJsonArray{QJsonArray{u"d"_s, u"DATETIME"_s, 0}}},
                                                              {u"rows"_s, QJsonArray{QJsonArray{serial}}}});
        return folder.file(u"d.mdb"_s);
    };
    EXPECT_EQ(readTable(dated(2958465.99998843)).rows.value(0).value(0).toString(), u"9999-12-31 23:59:59"_s);
    EXPECT_TRUE(errorOf([&] { readTable(dated(2958466)); }).description().endsWith(u"的日期值无效"_s));
    // A serial is a wall-clock time: no daylight saving shifts it.
    qputenv("TZ", "Europe/Berlin");
    tzset();
    EXPECT_EQ(extdb::serialDateText(37803, false), u"2003-07-01 00:00:00"_s);
}

} // namespace
