// The database layer against the raw SQLCipher API on the same file, side by side:
// reading the device list through a record set, and adding rows through AddNew/Update.
#include "bench/benchutil.h"
#include "platform/dao/dao.h"
#include "platform/dao/jetsql.h"
#include "platform/dao/sqlfunctions.h"
#include "platform/dao/transaction.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sqlite3.h>
#include <vector>

namespace {

const char* const kPassword = "TORVAMS";
const int kDevices = 100000;
const int kAdds = 10000;
const int kRounds = 5;
// The main window's device list.
const char* const kListQuery = "SELECT [设备编号],[Dev_ID],[设备名称],[价值],[验收状况],[设备状况],[Dep_ID]"
                               " FROM [Dev_Info] ORDER BY [设备编号];";

struct Column {
    const char* name;
    int type;
    int size;
};

// The columns of the device table.
const Column kColumns[] = {
    {"Dev_ID", dao::dbLong, -1},     {"设备编号", dao::dbText, 30},   {"卡片编号", dao::dbText, 30},
    {"Dev_Grp", dao::dbLong, -1},    {"Mas_ID", dao::dbLong, -1},     {"设备大类", dao::dbText, 50},
    {"设备属类", dao::dbText, 50},   {"设备组别", dao::dbText, 50},   {"购置年代", dao::dbDate, -1},
    {"验收状况", dao::dbLong, -1},   {"设备状况", dao::dbLong, -1},   {"Dep_ID", dao::dbLong, -1},
    {"安装地点", dao::dbText, 100},  {"责任人", dao::dbLong, -1},     {"价值", dao::dbCurrency, -1},
    {"附加信息", dao::dbMemo, -1},   {"Manufacturer", dao::dbText, 100}, {"Model", dao::dbText, 100},
    {"ManuDate", dao::dbText, 30},   {"ManuNo", dao::dbText, 50},     {"启用日期", dao::dbDate, -1},
    {"资金来源", dao::dbText, 50},   {"附件", dao::dbMemo, -1},       {"资料", dao::dbMemo, -1},
    {"设备名称", dao::dbText, 100},  {"图片", dao::dbLongBinary, -1}, {"O_ID", dao::dbLong, -1},
};
const int kColumnCount = int(sizeof(kColumns) / sizeof(kColumns[0]));

void makeTable(dao::Database& db, const QString& name)
{
    dao::TableDef t = db.CreateTableDef(name);
    for (const Column& c : kColumns) {
        dao::Field f = t.CreateField(QString::fromUtf8(c.name), c.type, c.size);
        if (c.type == dao::dbText || c.type == dao::dbMemo) f.setAllowZeroLength(true);
        f.setRequired(c.type == dao::dbLong && QByteArray(c.name) == "Dev_ID");
        t.Fields().Append(f);
    }
    db.TableDefs().Append(t);
}

// The values of device i, in column order.
std::vector<QVariant> device(int i)
{
    QDateTime bought(QDate(2000, 1, 1).addDays(i % 9000), QTime(i % 24, i % 60));
    std::vector<QVariant> v = {
        i,
        QStringLiteral("A-%1").arg(i, 6, 10, QLatin1Char('0')),
        QStringLiteral("K%1").arg(i),
        i % 5,
        0,
        QStringLiteral("计算机设备"),
        QStringLiteral("便携式计算机"),
        QStringLiteral("笔记本"),
        bought,
        i % 3,
        1,
        i % 20,
        QStringLiteral("三号楼%1室").arg(i % 500),
        i % 40,
        1234.5 + i,
        QStringLiteral("备注"),
        QStringLiteral("Maker Co."),
        QStringLiteral("Model %1").arg(i % 77),
        QStringLiteral("2019-05"),
        QStringLiteral("SN%1").arg(i),
        bought.addDays(30),
        QStringLiteral("自筹"),
        QString(),
        QString(),
        QStringLiteral("笔记本电脑"),
        i % 100 == 0 ? QVariant(QByteArray(2048, char(i))) : QVariant(),
        1,
    };
    return v;
}

void check(int rc, sqlite3* db, const char* what)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
        std::exit(1);
    }
}

sqlite3* openRaw(const QString& path)
{
    sqlite3* db = nullptr;
    check(sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr), db, "open");
    sqlite3_key(db, kPassword, int(strlen(kPassword)));
    check(sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr), db, "key");
    dao::detail::registerFunctions(db);   // the same collation and functions as the layer
    dao::detail::useChineseOrder(db);     // the files here are made with the Chinese locale
    return db;
}

// Reads every row and column the way a program would keep them: numbers, texts, bytes.
qint64 rawRead(sqlite3* db, const QString& sql, bool decodeText, int* rows)
{
    sqlite3_stmt* st = nullptr;
    check(sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr), db, "prepare");
    qint64 sum = 0;
    *rows = 0;
    const int n = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW) {
        ++*rows;
        for (int c = 0; c < n; ++c) {
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_INTEGER: sum += sqlite3_column_int64(st, c); break;
            case SQLITE_FLOAT: sum += qint64(sqlite3_column_double(st, c)); break;
            case SQLITE_TEXT: {
                const char* p = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
                int len = sqlite3_column_bytes(st, c);
                if (decodeText) sum += QString::fromUtf8(p, len).size();
                else sum += len + p[0];
                break;
            }
            case SQLITE_BLOB: sum += QByteArray(static_cast<const char*>(sqlite3_column_blob(st, c)),
                                                sqlite3_column_bytes(st, c)).size(); break;
            default: break;
            }
        }
    }
    sqlite3_finalize(st);
    return sum;
}

qint64 layerRead(dao::Database& db, const QString& sql, int* rows)
{
    dao::Recordset rs = db.OpenRecordset(sql, dao::dbOpenSnapshot);
    qint64 sum = 0;
    *rows = 0;
    const int n = rs.Fields().Count();
    for (; !rs.Eof(); rs.MoveNext()) {
        ++*rows;
        for (int c = 0; c < n; ++c) {
            QVariant v = rs.Fields(c).Value();
            sum += v.isNull() ? 0 : 1;
        }
    }
    rs.Close();
    return sum;
}

// The rows to add, made before anything is measured.
const std::vector<QVariant>& row(int i)
{
    static std::vector<std::vector<QVariant>> rows;
    if (rows.empty())
        for (int k = 0; k <= (kRounds + 1) * kAdds; ++k) rows.push_back(device(k));
    return rows[i];
}

// The device list of the main window, read by bracketed column names as the callers do.
qint64 layerReadByName(dao::Database& db, const QString& sql, int* rows)
{
    static const QStringList names = {
        QStringLiteral("[设备编号]"), QStringLiteral("[Dev_ID]"), QStringLiteral("[设备名称]"), QStringLiteral("[价值]"),
        QStringLiteral("[验收状况]"), QStringLiteral("[设备状况]"), QStringLiteral("[Dep_ID]")};
    dao::Recordset rs = db.OpenRecordset(sql, dao::dbOpenSnapshot);
    qint64 sum = 0;
    *rows = 0;
    for (; !rs.Eof(); rs.MoveNext()) {
        ++*rows;
        for (const QString& n : names) sum += rs(n).Value().isNull() ? 0 : 1;
    }
    rs.Close();
    return sum;
}

void layerAdd(dao::Database& db, const QString& table, int first)
{
    dao::Transaction tx;
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("SELECT * FROM [%1]").arg(table));
    for (int i = 0; i < kAdds; ++i) {
        const std::vector<QVariant>& v = row(first + i);
        rs.AddNew();
        for (int c = 0; c < kColumnCount; ++c)
            if (v[c].isValid()) rs.Fields(c).setValue(v[c]);
        rs.Update();
    }
    rs.Close();
    tx.commit();
}

void bindRaw(sqlite3_stmt* st, int i, const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int: sqlite3_bind_int64(st, i, v.toLongLong()); break;
    case QMetaType::Double: sqlite3_bind_double(st, i, v.toDouble()); break;
    case QMetaType::QDateTime: {
        QByteArray u = v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
        sqlite3_bind_text(st, i, u.constData(), u.size(), SQLITE_TRANSIENT);
        break;
    }
    case QMetaType::QByteArray: {
        QByteArray b = v.toByteArray();
        sqlite3_bind_blob(st, i, b.constData(), b.size(), SQLITE_TRANSIENT);
        break;
    }
    case QMetaType::QString: {
        QByteArray u = v.toString().toUtf8();
        sqlite3_bind_text(st, i, u.constData(), u.size(), SQLITE_TRANSIENT);
        break;
    }
    default: sqlite3_bind_null(st, i); break;
    }
}

// INSERT of every column of a device, bound as ?1, ?2, ...
QByteArray insertSql(const QString& table)
{
    QStringList cols, marks;
    for (int c = 0; c < kColumnCount; ++c) {
        cols << dao::jetsql::quoteName(QString::fromUtf8(kColumns[c].name));
        marks << QStringLiteral("?%1").arg(c + 1);
    }
    return QStringLiteral("INSERT INTO [%1] (%2) VALUES (%3)").arg(table, cols.join(u','), marks.join(u',')).toUtf8();
}

void rawAdd(sqlite3* db, const QString& table, int first, bool prepared = true)
{
    const QByteArray sql = insertSql(table);
    check(sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), db, "begin");
    sqlite3_stmt* st = nullptr;
    check(sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr), db, "prepare insert");
    for (int i = 0; i < kAdds; ++i) {
        const std::vector<QVariant> v = prepared ? row(first + i) : device(first + i);
        for (int c = 0; c < kColumnCount; ++c) bindRaw(st, c + 1, v[c]);
        check(sqlite3_step(st), db, "insert");
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
}

using benchutil::median;

// A device file of `devices` rows with the unique index on the device number.
QString makeDevices(const QTemporaryDir& dir, const QString& name, int devices)
{
    const QString path = dir.filePath(name);
    dao::Database db = dao::DBEngine::CreateDatabase(
        path, QString::fromLatin1(dao::dbLangChineseSimplified) + QStringLiteral(";pwd=") + QLatin1String(kPassword));
    makeTable(db, QStringLiteral("Dev_Info"));
    db.Execute(QStringLiteral("CREATE UNIQUE INDEX ix_devno ON [Dev_Info] ([设备编号]);"));
    db.Close();
    sqlite3* raw = openRaw(path);
    const QByteArray sql = insertSql(QStringLiteral("Dev_Info"));
    sqlite3_stmt* st = nullptr;
    check(sqlite3_exec(raw, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), raw, "begin");
    check(sqlite3_prepare_v2(raw, sql.constData(), -1, &st, nullptr), raw, "prepare insert");
    for (int i = 0; i < devices; ++i) {
        const std::vector<QVariant> v = device(i);
        for (int c = 0; c < kColumnCount; ++c) bindRaw(st, c + 1, v[c]);
        check(sqlite3_step(st), raw, "insert");
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    check(sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr), raw, "commit");
    sqlite3_close(raw);
    return path;
}

// The code rule's last-code query, as the host opens it; microseconds a query.
double lastCode(dao::Database& db, const QString& filter, QString* found)
{
    const QString sql = QStringLiteral("SELECT TOP 1 [设备编号] FROM [Dev_Info] WHERE [设备编号] LIKE '") + filter +
                        QStringLiteral("' ORDER BY [设备编号] DESC;");
    const int times = 2000;
    QElapsedTimer t;
    t.start();
    for (int k = 0; k < times; ++k) {
        dao::Recordset rs = db.OpenRecordset(sql);
        *found = rs.Eof() ? QString() : rs(0).Value().toString();
    }
    return t.nsecsElapsed() / 1e3 / times;
}

// The figures at a million devices: the device list against the raw API, and the
// last-code query against the same at a thousand devices.
void atAMillion(const QTemporaryDir& dir)
{
    const int million = 1000000, thousand = 1000;
    const QString big = makeDevices(dir, QStringLiteral("million.mdb"), million);
    const QString small = makeDevices(dir, QStringLiteral("thousand.mdb"), thousand);
    const QString connect = QStringLiteral(";pwd=") + QLatin1String(kPassword);
    dao::Database db = dao::DBEngine::OpenDatabase(big, false, false, connect);
    dao::Database few = dao::DBEngine::OpenDatabase(small, false, false, connect);
    sqlite3* raw = openRaw(big);

    const QString listJet = QString::fromUtf8(kListQuery);
    const QString listSql = dao::jetsql::translate(listJet).sql;
    std::vector<double> tRaw, tLayer;
    int rowsRaw = 0, rowsLayer = 0;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer t;
        t.start();
        rawRead(raw, listSql, true, &rowsRaw);
        tRaw.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        layerReadByName(db, listJet, &rowsLayer);
        tLayer.push_back(t.nsecsElapsed() / 1e6);
    }
    sqlite3_close(raw);

    // prefixes early and late in the order of each file
    struct Probe { const char* big; const char* small; };
    const Probe probes[] = {{"A-0000??", "A-0000??"}, {"A-9999??", "A-0009??"}};
    double worst = 0;
    for (const Probe& p : probes) {
        QString a, b;
        lastCode(db, QString::fromLatin1(p.big), &a);   // warm
        lastCode(few, QString::fromLatin1(p.small), &b);
        std::vector<double> r;
        double usBig = 0, usSmall = 0;
        for (int round = 0; round < 5; ++round) {
            usBig = lastCode(db, QString::fromLatin1(p.big), &a);
            usSmall = lastCode(few, QString::fromLatin1(p.small), &b);
            r.push_back(usBig / usSmall);
        }
        std::printf("last code %s at 1M us: %.1f (found %s)\n", p.big, usBig, a.toUtf8().constData());
        std::printf("last code %s at 1k us: %.1f (found %s)\n", p.small, usSmall, b.toUtf8().constData());
        worst = std::max(worst, median(r));
    }
    std::printf("list rows at 1M: %d\n", rowsLayer);
    std::printf("list raw read at 1M ms: %.1f\n", median(tRaw));
    std::printf("list layer read at 1M ms: %.1f\n", median(tLayer));
    std::printf("list read at 1M ratio to raw: %.2f\n", median(tLayer) / median(tRaw));
    std::printf("last code ratio 1M to 1k: %.2f\n", worst);
    few.Close();
    db.Close();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Ostrel.mdb"));
    dao::Database db = dao::DBEngine::CreateDatabase(
        path, QString::fromLatin1(dao::dbLangChineseSimplified) + QStringLiteral(";pwd=") + QLatin1String(kPassword));
    makeTable(db, QStringLiteral("Dev_Info"));
    makeTable(db, QStringLiteral("Added_Layer"));
    makeTable(db, QStringLiteral("Added_Raw"));
    db.Execute(QStringLiteral("CREATE UNIQUE INDEX ix_devno ON [Dev_Info] ([设备编号]);"));
    {
        sqlite3* raw = openRaw(path);
        for (int first = 1; first <= kDevices; first += kAdds) {
            // filled through the raw API: the filling is not measured
            rawAdd(raw, QStringLiteral("Dev_Info"), first, false);
        }
        sqlite3_close(raw);
    }

    const QString jet = QStringLiteral("SELECT * FROM [Dev_Info] ORDER BY [设备编号];");
    const QString translated = dao::jetsql::translate(jet).sql;
    sqlite3* raw = openRaw(path);
    row(0);
    const QString listJet = QString::fromUtf8(kListQuery);
    const QString listSql = dao::jetsql::translate(listJet).sql;
    std::vector<double> tRaw, tRawBytes, tLayer, tAddRaw, tAddLayer, tListRaw, tListLayer;
    int rowsRaw = 0, rowsLayer = 0;
    for (int round = 0; round < kRounds; ++round) {
        QElapsedTimer t;
        t.start();
        rawRead(raw, translated, true, &rowsRaw);
        tRaw.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        rawRead(raw, translated, false, &rowsRaw);
        tRawBytes.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        layerRead(db, jet, &rowsLayer);
        tLayer.push_back(t.nsecsElapsed() / 1e6);

        t.restart();
        rawRead(raw, listSql, true, &rowsRaw);
        tListRaw.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        layerReadByName(db, listJet, &rowsLayer);
        tListLayer.push_back(t.nsecsElapsed() / 1e6);

        t.restart();
        rawAdd(raw, QStringLiteral("Added_Raw"), round * kAdds + 1);
        tAddRaw.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        layerAdd(db, QStringLiteral("Added_Layer"), round * kAdds + 1);
        tAddLayer.push_back(t.nsecsElapsed() / 1e6);
    }
    sqlite3_close(raw);

    const double readRaw = median(tRaw), readRawBytes = median(tRawBytes), readLayer = median(tLayer);
    const double addRaw = median(tAddRaw), addLayer = median(tAddLayer);
    std::printf("rows read: %d\n", rowsLayer);
    std::printf("rows read raw: %d\n", rowsRaw);
    std::printf("raw read ms: %.1f\n", readRaw);
    std::printf("raw read without text decoding ms: %.1f\n", readRawBytes);
    std::printf("layer read ms: %.1f\n", readLayer);
    std::printf("read ratio to raw: %.2f\n", readLayer / readRaw);
    std::printf("read ratio to raw without text decoding: %.2f\n", readLayer / readRawBytes);
    std::printf("device list raw read ms: %.1f\n", median(tListRaw));
    std::printf("device list layer read by name ms: %.1f\n", median(tListLayer));
    std::printf("device list read ratio to raw: %.2f\n", median(tListLayer) / median(tListRaw));
    std::printf("rows added per round: %d\n", kAdds);
    std::printf("raw add ms: %.1f\n", addRaw);
    std::printf("layer add ms: %.1f\n", addLayer);
    std::printf("add ratio to raw: %.2f\n", addLayer / addRaw);
    db.Close();
    std::fflush(stdout);
    atAMillion(dir);
    return 0;
}
