// The import of devices against plain prepared inserts, side by side on equally keyed
// databases; and, with --read, the readers of outside files tried on real files:
//   bench_import                      prints "import ratio to raw insert: R", the import of a
//                                     sheet with a stray cell at XFD beside one without,
//                                     and the refusal of a looped compound file
//   bench_import --read [--table NAME] FILE...   every table of each file unless one is named,
//                                     with the reading process's peak memory
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
#include <zip.h>

namespace {

const int kRows = 10000;
const int kRounds = 5;

// A workbook of rows devices under the default headings, its texts shared strings as
// Excel writes them; with stray, one more cell far to the right (column XFD) in its heading.
void writeWorkbook(const QString& path, int rows = kRows, bool stray = false)
{
    const QStringList headings = {u"设备编号"_qs, u"设备名称"_qs, u"型号"_qs, u"规格"_qs, u"生产厂家"_qs, u"出厂编号"_qs,
                                  u"出厂日期"_qs, u"购进日期"_qs, u"启用日期"_qs, u"资产原值"_qs, u"安装地点"_qs,
                                  u"技术状况"_qs, u"备注"_qs};
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
    QString sheet = QStringLiteral("<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData><row>");
    for (const QString& h : headings)
        sheet += cell(h);
    if (stray)
        sheet += u"<c r=\"XFD1\" t=\"inlineStr\"><is><t>x</t></is></c>"_qs;
    sheet += u"</row>"_qs;
    for (int i = 0; i < rows; ++i) {
        sheet += u"<row>"_qs + cell(QStringLiteral("A%1B%2C3%3").arg(i % 7).arg(i % 5).arg(i, 5, 10, QLatin1Char('0'))) +
                 cell(QStringLiteral("设备%1").arg(i)) + cell(QStringLiteral("X-%1").arg(i % 40)) + cell(u"标准"_qs) +
                 cell(u"某机床厂"_qs) + cell(QStringLiteral("M%1").arg(i)) + cell(u"2001.2.3"_qs) +
                 cell(QStringLiteral("20%1-0%2-1%3").arg(10 + i % 10).arg(1 + i % 9).arg(i % 10)) + cell(u"98"_qs) +
                 QStringLiteral("<c><v>%1.5</v></c>").arg(1000 + i) + cell(u"一车间"_qs) + cell(u"在用"_qs) +
                 cell(u"备注"_qs) + u"</row>"_qs;
    }
    sheet += u"</sheetData></worksheet>"_qs;
    const char* ns = "http://schemas.openxmlformats.org/";
    const QList<QPair<const char*, QByteArray>> parts = {
        {"_rels/.rels", QByteArray("<Relationships><Relationship Id=\"rId1\" Type=\"") + ns +
                            "officeDocument/2006/relationships/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
        {"xl/workbook.xml", QByteArray("<workbook xmlns:r=\"") + ns +
                                "officeDocument/2006/relationships\"><sheets><sheet name=\"Sheet1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         QByteArray("<Relationships><Relationship Id=\"rId1\" Type=\"") + ns +
             "officeDocument/2006/relationships/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
             "<Relationship Id=\"rId2\" Type=\"" + ns +
             "officeDocument/2006/relationships/sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>"},
        {"xl/sharedStrings.xml", (u"<sst>"_qs + strings + u"</sst>"_qs).toUtf8()},
        {"xl/worksheets/sheet1.xml", sheet.toUtf8()}};
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

// The import of the workbook into a new database in folder (left closed); its seconds.
double importInto(const QString& folder, const QString& workbook, int n)
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
    const qint32 count = ostrel::ImportDevices(workbook, ostrel::ImportOptions{rule.get(), 1, {}});
    const double importSeconds = t.nsecsElapsed() / 1e9;
    ostrel::gDatabase.Close();
    ostrel::gDatabase = dao::Database();
    if (count != n)
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

const int kStrayRows = 100000;

// One import of workbook into a new database, in this process: prints its seconds and the
// process's peak resident kilobytes.
int importOnce(const QString& workbook)
{
    QTemporaryDir dir;
    plat::setSettingsFolder(dir.path());
    ostrel::gAppName = u"bench_import"_qs;
    const double seconds = importInto(dir.path(), workbook, kStrayRows);
    std::printf("%.3f %ld\n", seconds, benchutil::peakKilobytes());
    return 0;
}

// A 100,000-row workbook with one cell at column XFD in its heading beside the same
// workbook without it: the import's seconds and peak memory, each side in child processes.
void strayCell(const QString& folder)
{
    double seconds[2], peaks[2];
    for (int stray = 0; stray < 2; ++stray) {
        const QString workbook = folder + (stray ? u"/stray.xlsx"_qs : u"/plain.xlsx"_qs);
        writeWorkbook(workbook, kStrayRows, stray);
        std::vector<double> s, m;
        for (int r = 0; r < 3; ++r) {
            QProcess p;
            p.start(QCoreApplication::applicationFilePath(), {u"--import"_qs, workbook});
            p.waitForFinished(-1);
            const QStringList out = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char(' '));
            s.push_back(out.value(0).toDouble());
            m.push_back(out.value(1).toDouble() / 1024);
        }
        seconds[stray] = benchutil::median(s);
        peaks[stray] = benchutil::median(m);
    }
    std::printf("stray cell rows: %d\n", kStrayRows);
    std::printf("import seconds without stray cell: %.3f\n", seconds[0]);
    std::printf("import seconds with a cell at XFD: %.3f\n", seconds[1]);
    std::printf("import peak MB without stray cell: %.1f\n", peaks[0]);
    std::printf("import peak MB with a cell at XFD: %.1f\n", peaks[1]);
    std::printf("stray cell time ratio: %.2f\n", seconds[1] / seconds[0]);
    std::printf("stray cell memory ratio: %.2f\n", peaks[1] / peaks[0]);
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
    strayCell(dir.path());
    loopedFile(dir.path());
    return 0;
}

int readFiles(const QStringList& args)
{
    QString table;   // none: every table of each file
    QStringList files;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == u"--table" && i + 1 < args.size())
            table = args[++i];
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
                while (tab->next(row, number))
                    ++rows;
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
    if (args.size() == 2 && args.first() == u"--import")
        return importOnce(args[1]);
    return bench();
}
