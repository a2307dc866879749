// The readers over workbooks and Access files saved by Excel and Access themselves
// (tests/data/real, sources in its README).
#include "platform/extdb/extdb.h"
#include "platform/core/vberror.h"
#include "tests/common/raised.h"
#include "tests/common/sourcefiles.h"
#include "tests/common/testutil.h"
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct Cell {
    int row;   // among the rows next() gives, from 0
    int column;
    QString text;   // "<null>" for Null
};

struct RealFile {
    const char* file;
    QString kind, table, columns;   // columns joined by "|"
    int rows;
    QList<Cell> cells;
};

QString text(const QVariant& v) { return v.isNull() ? u"<null>"_s : v.toString(); }

TEST(RealFiles, TablesColumnsRowsAndCells)
{
    const RealFile files[] = {
        {"Monitor.mdb", u"Microsoft Access"_s, u"Monitor_Authenticate"_s,
         u"ID|LineNumber|LinePassword|LineSpeed|EMail_Address|Graph_Day|Graph_Week|Graph_Month|Graph_Year|Graph_EMail|LastVisit|Comment"_s,
         1, {{0, 1, u"1234567890"_s}, {0, 5, u"True"_s}, {0, 9, u"False"_s}, {0, 10, u"2000-06-17 20:36:24"_s}}},
        // A cached formula result; a date under a date format.
        {"Test97.xls", u"Excel 8.0"_s, u"Sheet1-ASC"_s, u"ASC|This Data is 'ASC Only'"_s, 7,
         {{0, 1, u"1964-03-23 00:00:00"_s}, {3, 1, u"1234567.89012345"_s}, {4, 1, u"1246912.89012345"_s}}},
        {"Test95.xls", u"Excel 5.0"_s, u"Sheet1-ASC"_s, u"ASC|This Data is 'ASC Only'"_s, 7,
         {{0, 1, u"1964-03-23 00:00:00"_s}, {4, 1, u"1246912.89012345"_s}, {5, 1, u"123456789.01"_s}}},
        {"Test97J.xls", u"Excel 8.0"_s, u"漢字名"_s, u"ASC|This Data is 'ASC Only'"_s, 7,
         {{0, 0, u"漢字も入る"_s}, {0, 1, u"漢字のデータ"_s}}},
        // A title above the data: every column is kept, empty headings named by position;
        // formula results and Yes/No values as in the workbook's .xlsx twin.
        {"deaths.xls", u"Excel 8.0"_s, u"arts"_s, u"Lots of people|F2|F3|F4|F5|F6"_s, 18,
         {{0, 1, u"<null>"_s}, {0, 5, u"some notes"_s}, {3, 4, u"Date of birth"_s},
          {4, 0, u"David Bowie"_s}, {4, 2, u"69"_s}, {4, 3, u"True"_s}, {4, 4, u"1947-01-08 00:00:00"_s}}},
        {"deaths.xlsx", u"Excel 12.0 Xml"_s, u"arts"_s, u"Lots of people|F2|F3|F4|F5|F6"_s, 18,
         {{0, 1, u"<null>"_s}, {4, 2, u"69"_s}, {4, 3, u"True"_s}, {4, 4, u"1947-01-08 00:00:00"_s}}},
        // 1904 date system; a date-and-time under a custom format.
        {"type-me.xls", u"Excel 8.0"_s, u"date_coercion"_s, u"maybe a datetime?|explanation"_s, 7,
         {{1, 0, u"2016-05-23 00:00:00"_s}, {2, 0, u"2016-04-28 11:30:00"_s}, {3, 0, u"True"_s}, {5, 0, u"4.3"_s}}},
        // Headings differing only in letter case stay distinguishable.
        {"latin-1.xls", u"Excel 8.0"_s, u"Sheet1"_s, QString(), 62,
         {{0, 0, u"aacute "_s}, {0, 1, u" á "_s}, {1, 1, u" Á "_s}}},
        // A time format keeps the date its value holds.
        {"timeformat.xlsx", u"Excel 12.0 Xml"_s, u"Sheet2"_s, u"2017-08-03 14:35:00|1899-12-30 14:40:30"_s, 2,
         {{0, 0, u"2017-08-03 00:00:00"_s}, {1, 0, u"2017-08-03 15:40:00"_s}, {1, 1, u"1899-12-30 00:01:59"_s}}},
    };
    testutil::ProgramFolder folder;
    for (const RealFile& f : files) {
        SCOPED_TRACE(f.file);
        const QString path = testutil::dataFile(u"data/real/"_s + QString::fromLatin1(f.file));
        const QByteArray before = testutil::readBytes(path);
        {
            std::unique_ptr<extdb::Source> src = extdb::open(path);
            ASSERT_TRUE(src);
            EXPECT_EQ(src->kind(), f.kind);
            EXPECT_TRUE(src->tableNames().contains(f.table)) << src->tableNames().join(u'|').toStdString();
            std::unique_ptr<extdb::Table> t = src->openTable(f.table);
            if (!f.columns.isEmpty())
                EXPECT_EQ(t->columns().join(u'|'), f.columns);
            QList<extdb::Row> rows;
            extdb::Row row;
            qint64 n = 0;
            while (t->next(row, n))
                rows << row;
            ASSERT_EQ(rows.size(), f.rows);
            for (const Cell& c : f.cells)
                EXPECT_EQ(text(rows[c.row].value(c.column)).toStdString(), c.text.toStdString()) << c.row << "," << c.column;
        }
        EXPECT_EQ(testutil::readBytes(path), before);

        // Cut at half: refused clearly.
        const QString cut = folder.file(u"cut-"_s + QString::fromLatin1(f.file));
        testutil::writeBytes(cut, before.left(before.size() / 2));
        const vb::Error e = testutil::errorOf([&] {
            std::unique_ptr<extdb::Source> src = extdb::open(cut);
            ASSERT_TRUE(src);
            std::unique_ptr<extdb::Table> t = src->openTable(f.table);
            extdb::Row row;
            qint64 n = 0;
            while (t->next(row, n)) {
            }
        });
        EXPECT_EQ(e.number(), extdb::kErrDamaged) << e.description().toStdString();
    }
}

} // namespace

// Real files kept beside the repository (shared/testdata, when that folder exists): every table
// of each reads through to its end, the file is left as it was, and each cut at half is refused.
TEST(RealFiles, SharedFilesReadWholeAndCutOnesAreRefused)
{
    const QDir dir(QStringLiteral(OSTREL_TEST_DATA_DIR "/../../shared/testdata"));
    QStringList names;
    QDirIterator it(dir.path(), {u"*.mdb"_s, u"*.xls"_s, u"*.xlsx"_s}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        names << it.next();
    if (names.isEmpty())
        GTEST_SKIP() << "no files under " << dir.path().toStdString();
    testutil::ProgramFolder folder;
    const auto readAll = [](const QString& path) {
        std::unique_ptr<extdb::Source> src = extdb::open(path);
        if (!src)
            throw vb::Error(extdb::kErrDamaged, u"no reader"_s);
        const QStringList tables = src->tableNames();
        for (const QString& name : tables) {
            std::unique_ptr<extdb::Table> t = src->openTable(name);
            extdb::Row row;
            qint64 n = 0;
            while (t->next(row, n)) {
            }
        }
        return tables.size();
    };
    for (const QString& path : std::as_const(names)) {
        SCOPED_TRACE(path.toStdString());
        const QByteArray before = testutil::readBytes(path);
        int tables = 0;
        EXPECT_NO_THROW(tables = readAll(path));
        EXPECT_GT(tables, 0);
        EXPECT_EQ(testutil::readBytes(path), before);
        const QString cut = folder.file(u"cut-"_s + QFileInfo(path).fileName());
        testutil::writeBytes(cut, before.left(before.size() / 2));
        EXPECT_EQ(testutil::errorOf([&] { readAll(cut); }).number(), extdb::kErrDamaged);
    }
}
