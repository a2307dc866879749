// The import of devices against plain prepared inserts, side by side on equally keyed
// databases; and, with --read, the readers of outside files tried on real files:
//   bench_import                      prints "import ratio to raw insert: R"; the import of
//                                     100,000 .xlsx rows with a cell at XFD in every row beside
//                                     the same rows without, and of 20,000 .xls rows with a cell
//                                     at column 255 beside the same at column 65,535 (refused);
//                                     one element with 200,000 attributes; the refusal of a
//                                     looped compound file; small files naming much (each
//                                     read in a child: its seconds and peak MB: among them
//                                     240 MB of ASCII shared strings, one case naming them
//                                     in random order, and elements nested up to 100M deep
//                                     in a sheet, shared strings and styles)
//   bench_import --small-files        those small files only
//   bench_import --read [--table NAME] [--values] FILE...   every table of each file unless
//                                     one is named, with the reading process's peak memory;
//                                     with --values every cell's value taken
#include "bench/benchutil.h"
#include "main/core/mdlmisc.h"
#include "main/core/newdatabase.h"
#include "main/core/schema.h"
#include "main/mainwin/import.h"
#include "platform/core/app.h"
#include "platform/core/settings.h"
#include "platform/core/vberror.h"
#include "platform/dao/sqlfunctions.h"
#include "platform/extdb/extdb.h"
#include "tests/common/hostilexls.h"
#include "rulegen/engine/codeclass.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sqlite3.h>
#include <utility>
#include <zip.h>

namespace {

const int kRows = 10000;
const int kRounds = 5;

const QStringList kHeadings = {u"设备编号"_qs, u"设备名称"_qs, u"型号"_qs, u"规格"_qs, u"生产厂家"_qs, u"出厂编号"_qs,
                                u"出厂日期"_qs, u"购进日期"_qs, u"启用日期"_qs, u"资产原值"_qs, u"安装地点"_qs,
                                u"技术状况"_qs, u"备注"_qs};
const int kValueColumn = 9;   // 资产原值, a number

// The texts of the i-th device row under kHeadings.
QStringList deviceRow(int i)
{
    return {QStringLiteral("A%1B%2C3%3").arg(i % 7).arg(i % 5).arg(i, 5, 10, QLatin1Char('0')), QStringLiteral("设备%1").arg(i),
            QStringLiteral("X-%1").arg(i % 40), u"标准"_qs, u"某机床厂"_qs, QStringLiteral("M%1").arg(i), u"2001.2.3"_qs,
            QStringLiteral("20%1-0%2-1%3").arg(10 + i % 10).arg(1 + i % 9).arg(i % 10), u"98"_qs,
            QStringLiteral("%1.5").arg(1000 + i), u"一车间"_qs, u"在用"_qs, u"备注"_qs};
}

// A workbook of parts (its sheet "Sheet1" xl/worksheets/sheet1.xml, its shared strings
// xl/sharedStrings.xml, its styles xl/styles.xml if given) with the relations that lead to them.
void writeParts(const QString& path, QList<QPair<const char*, QByteArray>> parts)
{
    const char* ns = "http://schemas.openxmlformats.org/";
    const bool styled = std::any_of(parts.begin(), parts.end(), [](const auto& p) { return qstrcmp(p.first, "xl/styles.xml") == 0; });
    parts += {
        {"_rels/.rels", QByteArray("<Relationships><Relationship Id=\"rId1\" Type=\"") + ns +
                            "officeDocument/2006/relationships/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
        {"xl/workbook.xml", QByteArray("<workbook xmlns:r=\"") + ns +
                                "officeDocument/2006/relationships\"><sheets><sheet name=\"Sheet1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         QByteArray("<Relationships><Relationship Id=\"rId1\" Type=\"") + ns +
             "officeDocument/2006/relationships/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
             "<Relationship Id=\"rId2\" Type=\"" + ns +
             "officeDocument/2006/relationships/sharedStrings\" Target=\"sharedStrings.xml\"/>" +
             (styled ? QByteArray("<Relationship Id=\"rId3\" Type=\"") + ns +
                           "officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>"
                     : QByteArray()) +
             "</Relationships>"}};
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    for (const auto& p : parts) {
        // libzip keeps the buffer until zip_close: copy it into memory it frees itself.
        void* copy = malloc(size_t(p.second.size()));
        memcpy(copy, p.second.constData(), size_t(p.second.size()));
        zip_file_add(z, p.first, zip_source_buffer(z, copy, zip_uint64_t(p.second.size()), 1), ZIP_FL_ENC_UTF_8);
    }
    zip_close(z);
}

// A workbook of rows devices under the default headings, its texts shared strings as
// Excel writes them; with far, one more cell in every row, the heading's too, at column XFD.
void writeWorkbook(const QString& path, int rows = kRows, bool far = false)
{
    QHash<QString, int> shared;
    QString strings;
    const auto cell = [&](const QString& text) {
        auto it = shared.find(text);
        if (it == shared.end()) {
            it = shared.insert(text, shared.size());
            strings += QStringLiteral("<si><t>%1</t></si>").arg(text.toHtmlEscaped());
        }
        return QStringLiteral("<c t=\"s\"><v>%1</v></c>").arg(*it);
    };
    const auto farCell = [&](int row) { return far ? u"<c r=\"XFD%1\" t=\"inlineStr\"><is><t>x</t></is></c>"_qs.arg(row) : QString(); };
    QString sheet = QStringLiteral("<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData><row r=\"1\">");
    for (const QString& h : kHeadings)
        sheet += cell(h);
    sheet += farCell(1) + u"</row>"_qs;
    for (int i = 0; i < rows; ++i) {
        const QStringList texts = deviceRow(i);
        sheet += QStringLiteral("<row r=\"%1\">").arg(i + 2);
        for (int c = 0; c < texts.size(); ++c)
            sheet += c == kValueColumn ? QStringLiteral("<c><v>%1</v></c>").arg(texts[c]) : cell(texts[c]);
        sheet += farCell(i + 2) + u"</row>"_qs;
    }
    sheet += u"</sheetData></worksheet>"_qs;
    writeParts(path, {{"xl/sharedStrings.xml", (u"<sst>"_qs + strings + u"</sst>"_qs).toUtf8()}, {"xl/worksheets/sheet1.xml", sheet.toUtf8()}});
}

// A BIFF8 workbook of rows devices under the default headings, each row (the heading's too)
// with one more cell at column far, in a version 4 compound file (4096-byte sectors, the
// stream in one chain); then sharedCells rows naming one shared string of 32,767 characters
// (of two: one alone a reader may hand on whole).
void writeXls(const QString& path, int rows, int far, int sharedCells = 0)
{
    QByteArray stream;
    const auto bytes = [](std::initializer_list<quint32> values, int width) {
        QByteArray out;
        for (quint32 v : values)
            for (int i = 0; i < width; ++i)
                out += char(v >> (8 * i));
        return out;
    };
    const auto record = [&](quint16 id, const QByteArray& data) { stream += bytes({id, quint32(data.size())}, 2) + data; };
    const auto text = [&](const QString& t) { return bytes({quint32(t.size()), 1}, 2).chopped(1) + QByteArray(reinterpret_cast<const char*>(t.utf16()), 2 * t.size()); };
    const auto cell = [&](int row, int column, const QString& t) { record(0x0204, bytes({quint32(row), quint32(column), 0}, 2) + text(t)); };
    record(0x0809, bytes({0x0600, 0x0005, 0, 0}, 2) + bytes({0, 0}, 4));
    const qsizetype sheetAt = stream.size() + 4;
    record(0x0085, bytes({0}, 4) + bytes({0, 0}, 1) + text(u"Sheet1"_qs).remove(1, 1));
    if (sharedCells) {
        // The string's characters run on over CONTINUE records, each starting with its width.
        QByteArray sst = bytes({2, 2}, 4) + bytes({1}, 2) + QByteArray(1, '\0') + "y" + bytes({32767}, 2) + QByteArray(1, '\0') +
                         QByteArray(32767, 'x');
        record(0x00FC, sst.left(8224));
        for (qsizetype at = 8224; at < sst.size(); at += 8223)
            record(0x003C, QByteArray(1, '\0') + sst.mid(at, 8223));
    }
    record(0x000A, {});
    stream.replace(sheetAt, 4, bytes({quint32(stream.size())}, 4));
    record(0x0809, bytes({0x0600, 0x0010, 0, 0}, 2) + bytes({0, 0}, 4));
    for (int c = 0; c < kHeadings.size(); ++c)
        cell(0, c, kHeadings[c]);
    cell(0, far, u"x"_qs);
    for (int i = 0; i < rows; ++i) {
        const QStringList texts = deviceRow(i);
        for (int c = 0; c < texts.size(); ++c) {
            if (c != kValueColumn) {
                cell(i + 1, c, texts[c]);
                continue;
            }
            const double value = texts[c].toDouble();
            record(0x0203, bytes({quint32(i + 1), quint32(c), 0}, 2) + QByteArray(reinterpret_cast<const char*>(&value), 8));
        }
        cell(i + 1, far, u"x"_qs);
    }
    for (int i = 0; i < sharedCells; ++i)
        record(0x00FD, bytes({quint32(rows + 1 + i), 0, 0}, 2) + bytes({1}, 4));
    record(0x000A, {});
    // Header, allocation table, directory, stream.
    const quint32 unit = 4096, streamSectors = quint32((stream.size() + unit - 1) / unit);
    quint32 fatSectors = 1;
    while (fatSectors * (unit / 4) < fatSectors + 1 + streamSectors)
        ++fatSectors;
    QByteArray header = QByteArray::fromHex("d0cf11e0a1b11ae1") + QByteArray(16, 0) +
                        bytes({0x3E, 4, 0xFFFE, 12, 6, 0, 0, 0}, 2) +
                        bytes({1, fatSectors, fatSectors, 0, 4096, 0xFFFFFFFE, 0, 0xFFFFFFFE, 0}, 4);
    for (quint32 i = 0; i < 109; ++i)
        header += bytes({i < fatSectors ? i : 0xFFFFFFFF}, 4);
    QByteArray fat;
    for (quint32 i = 0; i < fatSectors; ++i)
        fat += bytes({0xFFFFFFFD}, 4);
    fat += bytes({0xFFFFFFFE}, 4);
    for (quint32 i = 1; i <= streamSectors; ++i)
        fat += bytes({i < streamSectors ? fatSectors + 1 + i : 0xFFFFFFFE}, 4);
    fat += QByteArray(fatSectors * unit - fat.size(), char(0xFF));
    const auto entry = [&](const QString& name, quint32 type, quint32 child, quint32 start, quint32 size) {
        QByteArray e = QByteArray(reinterpret_cast<const char*>(name.utf16()), 2 * name.size()).leftJustified(64, 0);
        return e + bytes({quint32(2 * name.size() + 2)}, 2) + bytes({type, 1}, 1) + bytes({0xFFFFFFFF, 0xFFFFFFFF, child}, 4) +
               QByteArray(36, 0) + bytes({start, size, 0}, 4);
    };
    const QByteArray directory = entry(u"Root Entry"_qs, 5, 1, 0xFFFFFFFE, 0) + entry(u"Workbook"_qs, 2, 0xFFFFFFFF, fatSectors + 1, quint32(stream.size()));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return;
    f.write(header.leftJustified(unit, 0) + fat + directory.leftJustified(unit, 0) + stream.leftJustified(qsizetype(streamSectors) * unit, 0));
}

// The import of the workbook into a new database in folder (left closed); its seconds.
// A refusal is raised, or kept in refusal when it is given.
double importInto(const QString& folder, const QString& workbook, int n, QString* refusal = nullptr)
{
    plat::setAppPath(folder);
    ostrel::CreateNewDatabase(folder, u"admin"_qs, u"secret-1"_qs);
    ostrel::OpenMainDatabase();
    dao::Recordset states = ostrel::gDatabase.OpenRecordset(u"SysInfo"_qs, dao::dbOpenDynaset);
    states.AddNew();
    states(u"ID"_qs).setValue(100);
    states(u"Type"_qs).setValue(u"State"_qs);
    states(u"No"_qs).setValue(1);
    states(u"Value"_qs).setValue(u"在用"_qs);
    states.Update();
    states.Close();
    auto rule = com::make<tessaly::CodeClassImpl>();
    for (const QString& f : {u"设备大类"_qs, u"设备属类"_qs, u"设备组别"_qs})
        rule->Add(f, tessaly::bsUsrField, tessaly::smNoneSwap, QString(), rule->UsrFields()->Add(f).get(), 2);
    rule->Add(u"序号"_qs, tessaly::bsIncreaseNumber, tessaly::smNoneSwap, QString(), nullptr, 5);

    QElapsedTimer t;
    t.start();
    qint32 count = 0;
    try {
        count = ostrel::ImportDevices(workbook, ostrel::ImportOptions{rule.get(), 1, {}});
    } catch (const vb::Error& e) {
        if (!refusal)
            throw;
        *refusal = e.description();
    }
    const double importSeconds = t.nsecsElapsed() / 1e9;
    ostrel::gDatabase.Close();
    ostrel::gDatabase = dao::Database();
    if (count != n && !(refusal && !refusal->isEmpty()))
        std::fprintf(stderr, "imported %d of %d rows\n", count, n);
    return importSeconds;
}

// One round: the import into one new database, then the same rows, as the import stored
// them, inserted with one prepared statement into another; seconds of each.
QPair<double, double> round(const QString& workbook, int n)
{
    QTemporaryDir importDir, rawDir;
    ostrel::CreateNewDatabase(rawDir.path(), u"admin"_qs, u"secret-1"_qs);
    const double importSeconds = importInto(importDir.path(), workbook, n);

    sqlite3* from = benchutil::openRawRegister(importDir.path() + u"/Ostrel.mdb"_qs, SQLITE_OPEN_READWRITE);
    sqlite3* to = benchutil::openRawRegister(rawDir.path() + u"/Ostrel.mdb"_qs, SQLITE_OPEN_READWRITE);
    sqlite3_stmt* read = nullptr;
    sqlite3_prepare_v2(from, "SELECT * FROM Dev_Info", -1, &read, nullptr);
    const int columns = sqlite3_column_count(read);
    std::vector<std::vector<sqlite3_value*>> rows;
    while (sqlite3_step(read) == SQLITE_ROW) {
        std::vector<sqlite3_value*> row;
        for (int c = 0; c < columns; ++c)
            row.push_back(sqlite3_value_dup(sqlite3_column_value(read, c)));
        rows.push_back(row);
    }
    QString sql = u"INSERT INTO Dev_Info VALUES (?"_qs;
    for (int c = 1; c < columns; ++c)
        sql += u",?"_qs;
    sql += u")"_qs;

    QElapsedTimer timer;
    timer.start();
    sqlite3_exec(to, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(to, sql.toUtf8().constData(), -1, &insert, nullptr);
    for (const auto& row : rows) {
        for (int c = 0; c < columns; ++c)
            sqlite3_bind_value(insert, c + 1, row[size_t(c)]);
        if (sqlite3_step(insert) != SQLITE_DONE)
            std::fprintf(stderr, "raw insert: %s\n", sqlite3_errmsg(to));
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(to, "COMMIT", nullptr, nullptr, nullptr);
    const double rawSeconds = timer.nsecsElapsed() / 1e9;

    for (auto& row : rows)
        for (sqlite3_value* v : row)
            sqlite3_value_free(v);
    sqlite3_finalize(read);
    sqlite3_close(from);
    sqlite3_close(to);
    return {importSeconds, rawSeconds};
}

// Seconds to read every row of the workbook through its reader.
double readSeconds(const QString& workbook)
{
    QElapsedTimer t;
    t.start();
    std::unique_ptr<extdb::Table> table = extdb::open(workbook)->openTable(u"sheet1"_qs);
    extdb::Row row;
    qint64 number = 0;
    while (table->next(row, number)) {
    }
    return t.nsecsElapsed() / 1e9;
}

const int kXlsxRows = 100000, kXlsRows = 20000;

// One import of workbook into a new database, in this process: prints its seconds, the
// process's peak resident kilobytes and, on a refusal, its reason.
int importOnce(const QString& workbook, int rows)
{
    QTemporaryDir dir;
    plat::setSettingsFolder(dir.path());
    ostrel::gAppName = u"bench_import"_qs;
    QString refusal;
    const double seconds = importInto(dir.path(), workbook, rows, &refusal);
    std::printf("%.3f %ld %s\n", seconds, benchutil::peakKilobytes(), refusal.toUtf8().constData());
    return 0;
}

// The median seconds and peak MB of three imports of workbook, each in a child process;
// the reason of its refusal, if it is refused.
struct Imported {
    double seconds, peakMB;
    QString refusal;
};
Imported importInChildren(const QString& workbook, int rows)
{
    std::vector<double> s, m;
    QString refusal;
    for (int r = 0; r < 3; ++r) {
        QProcess p;
        p.start(QCoreApplication::applicationFilePath(), {u"--import"_qs, workbook, QString::number(rows)});
        p.waitForFinished(-1);
        const QStringList out = QString::fromUtf8(p.readAllStandardOutput()).trimmed().split(QLatin1Char(' '));
        s.push_back(out.value(0).toDouble());
        m.push_back(out.value(1).toDouble() / 1024);
        refusal = out.mid(2).join(QLatin1Char(' '));
    }
    return {benchutil::median(s), benchutil::median(m), refusal};
}

// Rows with one cell far to the right beside the same rows without (.xlsx, XFD) or with it
// at column 255 (.xls, where 65,535 is past the sheet and refused): the imports' seconds
// and peak memory.
void farCells(const QString& folder)
{
    Imported xlsx[2], xls[2];
    for (int far = 0; far < 2; ++far) {
        const QString book = folder + (far ? u"/far.xlsx"_qs : u"/near.xlsx"_qs);
        writeWorkbook(book, kXlsxRows, far);
        xlsx[far] = importInChildren(book, kXlsxRows);
        const QString old = folder + (far ? u"/far.xls"_qs : u"/near.xls"_qs);
        writeXls(old, kXlsRows, far ? 65535 : 255);
        xls[far] = importInChildren(old, kXlsRows);
    }
    std::printf("far cell .xlsx rows: %d\n", kXlsxRows);
    std::printf("import seconds without a far cell (.xlsx): %.3f\n", xlsx[0].seconds);
    std::printf("import seconds with a cell at XFD in every row (.xlsx): %.3f\n", xlsx[1].seconds);
    std::printf("import peak MB without a far cell (.xlsx): %.1f\n", xlsx[0].peakMB);
    std::printf("import peak MB with a cell at XFD in every row (.xlsx): %.1f\n", xlsx[1].peakMB);
    std::printf("far cell .xlsx time ratio: %.2f\n", xlsx[1].seconds / xlsx[0].seconds);
    std::printf("far cell .xlsx memory ratio: %.2f\n", xlsx[1].peakMB / xlsx[0].peakMB);
    std::printf("far cell .xls rows: %d\n", kXlsRows);
    std::printf("import seconds with a cell at column 255 in every row (.xls): %.3f\n", xls[0].seconds);
    std::printf("import seconds with a cell at column 65535 in every row (.xls): %.3f\n", xls[1].seconds);
    if (!xls[1].refusal.isEmpty())
        std::printf("far cell .xls at column 65535: refused: %s\n", qPrintable(xls[1].refusal));
    std::printf("far cell .xls time ratio: %.2f\n", xls[1].seconds / xls[0].seconds);
}

// One element with 200,000 attributes: the seconds to read its sheet whole (the plain
// reader), and to refuse it streamed (a comment sends it to QXmlStreamReader).
void manyAttributes(const QString& folder)
{
    const int count = 200000;
    QString attributes;
    for (int i = 0; i < count; ++i)
        attributes += u" a"_qs + QString::number(i) + u"=\"1\""_qs;
    const QByteArray cells = (u"<row r=\"1\"><c r=\"A1\" t=\"inlineStr\""_qs + attributes +
                              u"><is><t>编号</t></is></c></row><row r=\"2\"><c r=\"A2\"><v>7</v></c></row>"_qs).toUtf8();
    for (const bool streamed : {false, true}) {
        const QString path = folder + u"/attributes.xlsx"_qs;
        writeParts(path, {{"xl/sharedStrings.xml", "<sst/>"}, {"xl/worksheets/sheet1.xml", "<worksheet><sheetData>" + QByteArray(streamed ? "<!-- -->" : "") + cells +
                                                            "</sheetData></worksheet>"}});
        QElapsedTimer t;
        t.start();
        QString outcome;
        try {
            qint64 rows = 0;
            std::unique_ptr<extdb::Table> table = extdb::open(path)->openTable(u"sheet1"_qs);
            extdb::Row row;
            qint64 number = 0;
            while (table->next(row, number))
                ++rows;
            outcome = QStringLiteral("read, %1 row").arg(rows);
        } catch (const vb::Error& e) {
            outcome = u"refused: "_qs + e.description();
        }
        std::printf("attributes %d %s seconds: %.3f\n", count, streamed ? "streamed" : "plain", t.nsecsElapsed() / 1e9);
        std::printf("attributes %d %s: %s\n", count, streamed ? "streamed" : "plain", qPrintable(outcome));
    }
}

// A file read whole in a child process (--read): its seconds, that reader's peak MB, and
// its refusal or what it read, printed as "figure: value" lines under name.
void readInChild(const QString& name, const QString& path, const QStringList& options = {})
{
    QProcess p;
    p.start(QCoreApplication::applicationFilePath(), QStringList{u"--read"_qs} + options + QStringList{path});
    p.waitForFinished(-1);
    bool shown = false;   // the first table, or the refusal
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        if (line.startsWith(u"read all seconds: "_qs))
            std::printf("%s seconds: %s\n", qPrintable(name), qPrintable(line.mid(18)));
        else if (line.startsWith(u"reader peak memory MB: "_qs))
            std::printf("%s peak MB: %s\n", qPrintable(name), qPrintable(line.mid(23)));
        else if (line.startsWith(u"characters read: "_qs))
            std::printf("%s %s\n", qPrintable(name), qPrintable(line));
        else if (line.startsWith(path) && !std::exchange(shown, true))
            std::printf("%s: %s\n", qPrintable(name), qPrintable(line.mid(path.size() + 1).left(160)));
    }
}

// count copies of unit between head and tail.
QByteArray repeated(const QByteArray& head, const QByteArray& unit, qsizetype count, const QByteArray& tail)
{
    QByteArray out;
    out.reserve(head.size() + unit.size() * count + tail.size());
    out += head;
    for (qsizetype i = 0; i < count; ++i)
        out += unit;
    return out + tail;
}

// Files small on disk that name much: their reading's seconds and peak memory.
void smallFilesNamingMuch(const QString& folder)
{
    const QByteArray row1 = "<worksheet><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c></row>";
    {
        const qsizetype count = 15500000;
        const QString path = folder + u"/strings.xlsx"_qs;
        writeParts(path, {{"xl/sharedStrings.xml", repeated("<sst>", "<si><t>a</t></si>", count, "</sst>")},
                          {"xl/worksheets/sheet1.xml", row1 + "</sheetData></worksheet>"}});
        std::printf("one-character shared strings: %lld\n", qint64(count));
        std::printf("one-character shared strings file KB: %lld\n", QFileInfo(path).size() / 1024);
        readInChild(u"one-character shared strings"_qs, path);
    }
    {
        // 4M cells of one digit, 4 to a row.
        const int rows = 1000000;
        QByteArray sheet = row1;
        sheet.reserve(rows * 90);
        for (int r = 2; r <= rows + 1; ++r)
            sheet += "<row r=\"" + QByteArray::number(r) + "\"><c><v>1</v></c><c><v>2</v></c><c><v>3</v></c><c><v>4</v></c></row>";
        const QString path = folder + u"/small-cells.xlsx"_qs;
        writeParts(path, {{"xl/sharedStrings.xml", "<sst><si><t>a</t></si><si><t>b</t></si></sst>"},
                          {"xl/worksheets/sheet1.xml", sheet + "</sheetData></worksheet>"}});
        std::printf("small cells: %d\n", 4 * rows);
        std::printf("small cells file KB: %lld\n", QFileInfo(path).size() / 1024);
        readInChild(u"small cells"_qs, path);
    }
    for (const int count : {256, 64}) {
        // Rows of one cell with count attributes, 1 MB; a comment sends the sheet to QXmlStreamReader.
        QByteArray attributes;
        for (int i = 1; i < count; ++i)
            attributes += " a" + QByteArray::number(i) + "=\"1\"";
        QByteArray cells;
        for (int r = 2; cells.size() < (1 << 20); ++r)
            cells += "<row r=\"" + QByteArray::number(r) + "\"><c r=\"A" + QByteArray::number(r) + "\"" + attributes + "><v>7</v></c></row>";
        const QString name = QString::number(count) + u" attributes"_qs;
        for (const bool streamed : {false, true}) {
            const QString path = folder + (streamed ? u"/attributes-streamed.xlsx"_qs : u"/attributes-plain.xlsx"_qs);
            writeParts(path, {{"xl/sharedStrings.xml", "<sst><si><t>a</t></si><si><t>b</t></si></sst>"},
                              {"xl/worksheets/sheet1.xml", row1 + (streamed ? "<!-- -->" : "") + cells + "</sheetData></worksheet>"}});
            readInChild(name + (streamed ? u" Qt reader"_qs : u" plain reader"_qs), path);
        }
    }
    {
        // A legitimate sheet: 1,048,575 rows of a shared string, a whole number and a fraction.
        const int rows = 1048575;
        QByteArray sheet = "<worksheet><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
                           "<c r=\"C1\" t=\"s\"><v>2</v></c></row>";
        QByteArray strings = "<sst><si><t>设备编号</t></si><si><t>数量</t></si><si><t>原值</t></si>";
        for (int i = 0; i < 1000; ++i)
            strings += "<si><t>SB-" + QByteArray::number(i) + "</t></si>";
        sheet.reserve(qsizetype(rows) * 110);
        for (int r = 2; r <= rows; ++r) {
            const QByteArray n = QByteArray::number(r);
            sheet += "<row r=\"" + n + "\"><c r=\"A" + n + "\" t=\"s\"><v>" + QByteArray::number(3 + r % 1000) + "</v></c><c r=\"B" + n +
                     "\"><v>" + n + "</v></c><c r=\"C" + n + "\"><v>" + n + ".25</v></c></row>";
        }
        const QString path = folder + u"/rows.xlsx"_qs;
        writeParts(path, {{"xl/sharedStrings.xml", strings + "</sst>"}, {"xl/worksheets/sheet1.xml", sheet + "</sheetData></worksheet>"}});
        std::printf("1048575 rows sheet MB: %.1f\n", sheet.size() / 1048576.0);
        std::printf("1048575 rows file MB: %.1f\n", QFileInfo(path).size() / 1048576.0);
        readInChild(u"1048575 rows"_qs, path);
    }
    {
        // 50,000 sheets, each read by its name.
        const int count = 50000;
        QByteArray sheets, rels;
        for (int i = 1; i <= count; ++i) {
            const QByteArray n = QByteArray::number(i);
            sheets += "<sheet name=\"S" + n + "\" r:id=\"rId" + n + "\"/>";
            rels += "<Relationship Id=\"rId" + n + "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
                    "worksheet\" Target=\"worksheets/sheet1.xml\"/>";
        }
        const QString path = folder + u"/sheets.xlsx"_qs;
        writeParts(path, {{"xl/worksheets/sheet1.xml", "<worksheet><sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c></row></sheetData></worksheet>"},
                          {"xl/workbook.xml", "<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                                              "<sheets>" + sheets + "</sheets></workbook>"},
                          {"xl/_rels/workbook.xml.rels", "<Relationships>" + rels + "</Relationships>"}});
        std::printf("sheets read by name: %d\n", count);
        readInChild(u"sheets read by name"_qs, path);
    }
    for (const qsizetype length : {4000000, 32000, 100}) {
        // A part of 240 MB of ASCII shared strings, in texts of length characters.
        const qsizetype count = 240000000 / (length + 17);
        const QString path = folder + u"/ascii-strings.xlsx"_qs;
        writeParts(path, {{"xl/sharedStrings.xml", repeated("<sst>", "<si><t>" + QByteArray(length, 'a') + "</t></si>", count, "</sst>")},
                          {"xl/worksheets/sheet1.xml", row1 + "</sheetData></worksheet>"}});
        const QString name = u"240 MB ASCII shared strings of %1 characters"_qs.arg(length);
        std::printf("%s file KB: %lld\n", qPrintable(name), QFileInfo(path).size() / 1024);
        readInChild(name, path);
    }
    {
        // The texts of 100 characters named by 1M cells in random order, every value taken.
        const qsizetype count = 240000000 / 117, cells = 1000000;
        QByteArray sheet = row1;
        sheet.reserve(cells * 48);
        quint64 x = 1;
        for (qsizetype r = 2; r < cells / 4 + 2; ++r) {
            sheet += "<row r=\"" + QByteArray::number(r) + "\">";
            for (int c = 0; c < 4; ++c, x = x * 6364136223846793005u + 1442695040888963407u)
                sheet += "<c t=\"s\"><v>" + QByteArray::number(qint64((x >> 33) % quint64(count))) + "</v></c>";
            sheet += "</row>";
        }
        const QString path = folder + u"/random-strings.xlsx"_qs;
        writeParts(path, {{"xl/sharedStrings.xml", repeated("<sst>", "<si><t>" + QByteArray(100, 'a') + "</t></si>", count, "</sst>")},
                          {"xl/worksheets/sheet1.xml", sheet + "</sheetData></worksheet>"}});
        const QString name = u"240 MB ASCII shared strings named in random order"_qs;
        std::printf("%s cells: %lld\n", qPrintable(name), qint64(cells));
        std::printf("%s file KB: %lld\n", qPrintable(name), QFileInfo(path).size() / 1024);
        readInChild(name, path, {u"--values"_qs});
    }
    {
        // Elements nested deeply: in a sheet and in shared strings, read by the plain reader
        // and (after a comment) by Qt's, and in styles.
        const QByteArray strings = "<sst><si><t>a</t></si><si><t>b</t></si>";
        const QByteArray styles = "<styleSheet><cellXfs><xf numFmtId=\"0\"/></cellXfs>";
        const auto nested = [](const QByteArray& head, qsizetype depth, const QByteArray& tail) {
            return repeated(repeated(head, "<x>", depth, QByteArray()), "</x>", depth, tail);
        };
        const struct {
            const char* part;
            qsizetype depth;
        } cases[] = {{"sheet", 100000}, {"sheet", 2000000}, {"sheet", 20000000}, {"sheet", 100000000}, {"strings", 100000},
                     {"strings", 2000000}, {"strings", 20000000}, {"styles", 100000}, {"styles", 2000000}, {"styles", 9000000}};
        for (const auto& c : cases)
            for (const bool qt : {false, true}) {
                const QByteArray comment = qt ? "<!-- -->" : "";
                // The deepest only plain; styles only through Qt's reader.
                if ((c.depth > 20000000 && qt) || (qstrcmp(c.part, "styles") == 0 && !qt))
                    continue;
                QList<QPair<const char*, QByteArray>> parts;
                if (qstrcmp(c.part, "sheet") == 0)
                    parts = {{"xl/sharedStrings.xml", strings + "</sst>"},
                             {"xl/worksheets/sheet1.xml", nested(row1 + comment, c.depth, "</sheetData></worksheet>")}};
                else if (qstrcmp(c.part, "strings") == 0)
                    parts = {{"xl/sharedStrings.xml", nested(strings + comment, c.depth, "</sst>")},
                             {"xl/worksheets/sheet1.xml", row1 + "</sheetData></worksheet>"}};
                else
                    parts = {{"xl/sharedStrings.xml", strings + "</sst>"}, {"xl/styles.xml", nested(styles, c.depth, "</styleSheet>")},
                             {"xl/worksheets/sheet1.xml", row1 + "</sheetData></worksheet>"}};
                const QString path = folder + u"/nested.xlsx"_qs;
                writeParts(path, parts);
                const QString name = u"%1 nested %2 deep%3"_qs.arg(QLatin1String(c.part)).arg(c.depth)
                                         .arg(qstrcmp(c.part, "styles") == 0 ? QString() : qt ? u" Qt reader"_qs : u" plain reader"_qs);
                std::printf("%s file KB: %lld\n", qPrintable(name), QFileInfo(path).size() / 1024);
                readInChild(name, path);
            }
    }
    {
        const QString path = folder + u"/long-shared.xls"_qs;
        writeXls(path, 0, 13, 12000);
        std::printf("long shared string .xls file KB: %lld\n", QFileInfo(path).size() / 1024);
        readInChild(u"long shared string in 12000 cells .xls"_qs, path);
    }
}

// The looped compound file read in a child process: its seconds and that reader's peak.
void loopedFile(const QString& folder)
{
    const QString path = folder + u"/looped.xls"_qs;
    QFile f(path);
    QFile real(QStringLiteral(OSTREL_SOURCE_DIR "/tests/data/real/Test97.xls"));
    if (!real.open(QIODevice::ReadOnly) || !f.open(QIODevice::WriteOnly))
        return;
    f.write(testutil::loopedWorkbook(real.readAll()));
    f.close();
    QProcess p;
    p.start(QCoreApplication::applicationFilePath(), {u"--read"_qs, path});
    p.waitForFinished(-1);
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n')))
        if (line.startsWith(u"read all seconds:"_qs) || line.startsWith(u"reader peak memory MB:"_qs))
            std::printf("looped compound file %s\n", qPrintable(line));
        else if (line.contains(u"refused"_qs))
            std::printf("looped compound file: %s\n", qPrintable(line.mid(line.indexOf(u"refused"_qs))));
}

int bench()
{
    QTemporaryDir dir;
    const QString workbook = dir.path() + u"/设备.xlsx"_qs;
    writeWorkbook(workbook);
    std::printf("read seconds: %.3f\n", readSeconds(workbook));
    plat::setSettingsFolder(dir.path());
    ostrel::gAppName = u"bench_import"_qs;
    std::vector<double> imports, raws;
    for (int r = 0; r < kRounds; ++r) {
        QPair<double, double> s;
        try {
            s = round(workbook, kRows);
        } catch (const vb::Error& e) {
            std::fprintf(stderr, "import failed: %s\n", e.description().toUtf8().constData());
            return 1;
        }
        imports.push_back(s.first);
        raws.push_back(s.second);
    }
    const double import = benchutil::median(imports), raw = benchutil::median(raws);
    std::printf("rows: %d\n", kRows);
    std::printf("import seconds: %.3f\n", import);
    std::printf("raw insert seconds: %.3f\n", raw);
    std::printf("import ratio to raw insert: %.2f\n", import / raw);
    farCells(dir.path());
    manyAttributes(dir.path());
    loopedFile(dir.path());
    smallFilesNamingMuch(dir.path());
    return 0;
}

int readFiles(const QStringList& args)
{
    QString table;   // none: every table of each file
    QStringList files;
    bool values = false;
    qint64 characters = 0;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == u"--table" && i + 1 < args.size())
            table = args[++i];
        else if (args[i] == u"--values")
            values = true;
        else
            files << args[i];
    }
    QElapsedTimer t;
    t.start();
    for (const QString& file : std::as_const(files)) {
        try {
            std::unique_ptr<extdb::Source> src = extdb::open(file);
            if (!src)
                throw vb::Error(1000, QStringLiteral("系统无法识别指定文件格式!请转换文件格式或获取软件升级版."));
            for (const QString& name : table.isEmpty() ? src->tableNames() : QStringList{table}) {
                std::unique_ptr<extdb::Table> tab = src->openTable(name);
                extdb::Row row;
                qint64 number = 0, rows = 0;
                while (tab->next(row, number)) {
                    ++rows;
                    for (qsizetype c = 0; values && c < row.cells().size(); ++c)
                        characters += row.value(row.cells()[c]).toString().size();
                }
                std::printf("%s [%s]: %lld rows, %lld columns: %s\n", qPrintable(file), name.toUtf8().constData(),
                            rows, qint64(tab->columns().size()), tab->columns().join(u'|').toUtf8().constData());
            }
        } catch (const vb::Error& e) {
            std::printf("%s: refused: %s\n", qPrintable(file), e.description().toUtf8().constData());
        } catch (const std::exception& e) {
            std::printf("%s: refused: %s\n", qPrintable(file), e.what());
        }
    }
    std::printf("files: %lld\n", qint64(files.size()));
    if (values)
        std::printf("characters read: %lld\n", characters);
    std::printf("read all seconds: %.3f\n", t.nsecsElapsed() / 1e9);
    std::printf("reader peak memory MB: %.1f\n", benchutil::peakKilobytes() / 1024.0);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (!args.isEmpty() && args.first() == u"--read")
        return readFiles(args.mid(1));
    if (args.size() == 1 && args.first() == u"--small-files") {
        QTemporaryDir dir;
        smallFilesNamingMuch(dir.path());
        return 0;
    }
    if (args.size() == 3 && args.first() == u"--import")
        return importOnce(args[1], args[2].toInt());
    return bench();
}
