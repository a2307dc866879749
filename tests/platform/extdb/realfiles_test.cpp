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
#include <QSet>
#include <QtEndian>
#include <algorithm>
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

// The real files of tests/data/real, and of shared/testdata beside the repository when it is
// there.
QStringList realFiles(const QStringList& patterns)
{
    QStringList out;
    for (const QString& dir : {testutil::dataFile(u"data/real"_s), QStringLiteral(OSTREL_TEST_DATA_DIR "/../../shared/testdata")}) {
        QDirIterator it(dir, patterns, QDir::Files);
        while (it.hasNext())
            out << it.next();
    }
    return out;
}

// Every table: its name, columns and rows, each cell's text or <null>.
QStringList snapshot(const QString& path)
{
    QStringList out;
    std::unique_ptr<extdb::Source> src = extdb::open(path);
    if (!src)
        throw vb::Error(0, u"no reader"_s);
    for (const QString& name : src->tableNames()) {
        std::unique_ptr<extdb::Table> t = src->openTable(name);
        out << name + u": "_s + t->columns().join(u'|');
        extdb::Row row;
        qint64 n = 0;
        while (t->next(row, n)) {
            QStringList cells{QString::number(n)};
            for (int i = 0; i < t->columns().size(); ++i)
                cells << text(row.value(i));
            out << cells.join(u'|');
        }
    }
    return out;
}

// The page size of an Access file: 2048 for Jet 3, 4096 for Jet 4.
int accessPage(const QByteArray& bytes) { return bytes.at(0x14) == 0 ? 2048 : 4096; }

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
            if (!f.columns.isEmpty()) {
                EXPECT_EQ(t->columns().join(u'|'), f.columns);
            }
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

    }
}

} // namespace

// Every real file cut at each sixteenth of its length and at that length rounded down to a
// page, and an Access file with the page there zeroed: the damaged file reads exactly as
// the whole one, or is refused as damaged.
TEST(RealFiles, CutFilesReadWholeOrAreRefused)
{
    testutil::ProgramFolder folder;
    for (const QString& path : realFiles({u"*.mdb"_s, u"*.xls"_s, u"*.xlsx"_s})) {
        SCOPED_TRACE(path.toStdString());
        const QByteArray bytes = testutil::readBytes(path);
        QStringList whole;
        ASSERT_NO_THROW(whole = snapshot(path));
        EXPECT_EQ(testutil::readBytes(path), bytes);
        for (int k = 1; k < 16; ++k) {
            QList<QByteArray> damaged{bytes.left(bytes.size() * k / 16), bytes.left(bytes.size() * k / 16 / 4096 * 4096)};
            if (path.endsWith(u".mdb"_s)) {
                const int page = accessPage(bytes);
                damaged << QByteArray(bytes).replace(qMax<qsizetype>(page, bytes.size() * k / 16 / page * page), page, QByteArray(page, '\0'));
            }
            for (const QByteArray& copy : std::as_const(damaged)) {
                if (copy.size() < 32)
                    continue;   // too short to tell its kind
                SCOPED_TRACE(copy.size());
                const QString cut = folder.file(u"cut-"_s + QFileInfo(path).fileName());
                testutil::writeBytes(cut, copy);
                try {
                    const QStringList read = snapshot(cut);
                    ASSERT_EQ(read.size(), whole.size());
                    for (int i = 0; i < read.size(); ++i)
                        ASSERT_EQ(read[i].toStdString(), whole[i].toStdString());
                } catch (const vb::Error& e) {
                    EXPECT_EQ(e.number(), extdb::kErrDamaged) << e.description().toStdString();
                }
            }
        }
    }
}

// The row count each table definition keeps, the catalogue's (page 2) among them, raised
// and lowered in a copy: the copy reads exactly as the file, rows being what the pages hold.
TEST(RealFiles, StoredRowCountsChangeNothing)
{
    testutil::ProgramFolder folder;
    for (const QString& path : realFiles({u"*.mdb"_s})) {
        SCOPED_TRACE(path.toStdString());
        const QByteArray bytes = testutil::readBytes(path);
        const int page = accessPage(bytes), countAt = page == 2048 ? 12 : 16;
        const auto get = [&](qsizetype at) { return qFromLittleEndian<quint32>(bytes.constData() + at); };
        // A definition's first page is one no other continues on; the catalogue's is page 2.
        QSet<qsizetype> continued;
        for (qsizetype at = page; at + page <= bytes.size(); at += page)
            continued << (bytes.at(at) == 0x02 ? get(at + 4) * qsizetype(page) : 0);
        ASSERT_EQ(bytes.at(2 * page), 0x02);
        const QStringList whole = snapshot(path);
        for (const qint64 change : {-1000000, -1, 1, 1000000}) {
            SCOPED_TRACE(change);
            QByteArray copy = bytes;
            for (qsizetype at = page; at + page <= bytes.size(); at += page)
                if (bytes.at(at) == 0x02 && !continued.contains(at))
                    qToLittleEndian(quint32(std::clamp<qint64>(get(at + countAt) + change, 0, INT_MAX)), copy.data() + at + countAt);
            const QString changed = folder.file(u"count-"_s + QFileInfo(path).fileName());
            testutil::writeBytes(changed, copy);
            EXPECT_TRUE(snapshot(changed) == whole);
        }
    }
}
