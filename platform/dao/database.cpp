// Databases and the engine: connections, statements, transactions.
#include "platform/dao/internal.h"
#include "platform/dao/closelock.h"
#include "platform/core/sharedfile.h"
#include "platform/dao/sqlfunctions.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <unicode/uvernum.h>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dao {

namespace {
int g_busyMs = 5000;
int g_level = 0;   // the engine's transaction level
bool g_sharedReads = false;   // the engine's transaction was begun with dbReadsShared
const size_t kIdleReaders = 4;

// A lock another copy holds is tried for again every 2 ms until `ms` have passed. The
// engine's own wait backs off to 100 ms a try, so a copy that has waited long would keep
// losing the lock to copies taking it again at once.
const int kLockRetryMs = 2;

int retryLock(void* ms, int tries)
{
    using Clock = std::chrono::steady_clock;
    static thread_local Clock::time_point since;   // one wait at a time per thread
    if (tries == 0) since = Clock::now();
    if (Clock::now() - since >= std::chrono::milliseconds(reinterpret_cast<intptr_t>(ms))) return 0;
    ::usleep(kLockRetryMs * 1000);
    return 1;
}

void waitForLocks(sqlite3* h, int ms)
{
    if (ms > 0)
        sqlite3_busy_handler(h, retryLock, reinterpret_cast<void*>(intptr_t(ms)));
    else
        sqlite3_busy_handler(h, nullptr, nullptr);
}
// Pages a connection keeps (SQLCipher decrypts every page it reads again): room for the
// device list of a 100,000-device file, so that the list read again finds its pages in
// memory. Only the idle reader parked last keeps them (see ~Reader).
const char* const kCacheSize = "PRAGMA cache_size=-16384";

// How long a close waits for another copy's close (see CloseLock).
const int kCloseWaitMs = 10000;

// The journal folds back into the file after each commit as far as readers allow. Past
// kRestartFrames a checkpoint waits boundedly for readers of older states, so that the
// next write starts the journal from its beginning again; while one holds out, it is
// tried again every kRetryFrames.
const int kCheckpointFrames = 1000;
const int kRestartFrames = 8192;
const int kRetryFrames = 2048;
const int kRestartWaitMs = 1000;

int afterCommit(void* data, sqlite3* h, const char* name, int frames)
{
    auto* d = static_cast<detail::DatabaseData*>(data);
    if (frames < kRestartFrames) d->restartAt = kRestartFrames;
    if (frames < kCheckpointFrames) return SQLITE_OK;
    // a reader of this copy's own cannot finish while its commit waits
    const bool ownReader = d->txReader || std::any_of(d->openSets.begin(), d->openSets.end(), [](auto* rs) {
                               return rs->reader || rs->keyReader;
                           });
    if (frames < d->restartAt || ownReader) {
        sqlite3_wal_checkpoint_v2(h, name, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        return SQLITE_OK;
    }
    waitForLocks(h, kRestartWaitMs);
    const int rc = sqlite3_wal_checkpoint_v2(h, name, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    waitForLocks(h, g_busyMs);
    d->restartAt = rc == SQLITE_OK ? kRestartFrames : frames + kRetryFrames;
    return SQLITE_OK;
}
} // namespace

namespace detail {

sqlite3_stmt* prepareOn(sqlite3* db, const QString& sql)
{
    QByteArray u = sql.toUtf8();
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db, u.constData(), u.size(), &st, nullptr);
    if (rc != SQLITE_OK) {
        if (st) sqlite3_finalize(st);
        raiseSqlite(db, rc, sql);
    }
    return st;
}

void execOn(sqlite3* db, const char* sql)
{
    int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) raiseSqlite(db, rc, QString::fromLatin1(sql));
}

void DatabaseData::join()
{
    if (!inEngineTx) return;
    while (txDepth < g_level) {
        if (txDepth == 0)
            execOn(db, readOnly ? "BEGIN" : "BEGIN IMMEDIATE");
        else
            execOn(db, QStringLiteral("SAVEPOINT dao_tx%1").arg(txDepth).toLatin1().constData());
        ++txDepth;
    }
}

void DatabaseData::joinToRead()
{
    if (!g_sharedReads) join();
}

sqlite3_stmt* DatabaseData::prepare(const QString& sql)
{
    check();
    join();
    return prepareOn(db, sql);
}

sqlite3_stmt* DatabaseData::cached(const QString& sql)
{
    check();
    join();
    auto it = cache.constFind(sql);
    if (it != cache.constEnd()) return *it;
    sqlite3_stmt* st = prepare(sql);
    cache.insert(sql, st);
    return st;
}

void DatabaseData::exec(const QString& sql)
{
    Stmt st(prepare(sql));
    int rc;
    while ((rc = sqlite3_step(st.s)) == SQLITE_ROW) {}
    if (rc != SQLITE_DONE) raiseSqlite(db, rc, sql);
}

bool DatabaseData::hasTable(const QString& name)
{
    Stmt st(readPrepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND name=?1 COLLATE NOCASE")));
    QByteArray u = name.toUtf8();
    sqlite3_bind_text(st.s, 1, u.constData(), u.size(), SQLITE_TRANSIENT);
    return stepRow(st.s);
}

void DatabaseData::ensureCatalogue()
{
    if (hasTable(QStringLiteral("_dao_fields"))) return;
    exec(QStringLiteral("CREATE TABLE IF NOT EXISTS _dao_tables (name TEXT PRIMARY KEY COLLATE NOCASE, "
                        "attributes INTEGER, vrule TEXT, vtext TEXT)"));
    exec(QStringLiteral("CREATE TABLE IF NOT EXISTS _dao_fields (tbl TEXT COLLATE NOCASE, pos INTEGER, "
                        "name TEXT COLLATE NOCASE, type INTEGER, size INTEGER, attributes INTEGER, "
                        "required INTEGER, allowzero INTEGER, vrule TEXT, vtext TEXT, defval TEXT, "
                        "PRIMARY KEY (tbl, name))"));
}

QStringList DatabaseData::tableNames()
{
    check();
    QStringList names;
    Stmt st(readPrepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'")));
    while (stepRow(st.s)) {
        QString n = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st.s, 0)));
        if (n.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive) ||
            n.startsWith(QLatin1String("_dao_"), Qt::CaseInsensitive))
            continue;
        names << n;
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        int c = compareNoCase(a, b);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

void DatabaseData::drainKeys()
{
    for (RecordsetData* rs : openSets) rs->drainKeys();
}

void DatabaseData::detachAll()
{
    for (RecordsetData* rs : openSets) rs->detach();
}

int DatabaseData::close()
{
    if (!db) return SQLITE_OK;
    for (RecordsetData* rs : QList<RecordsetData*>(openSets)) rs->close();
    for (sqlite3_stmt* st : std::as_const(cache)) sqlite3_finalize(st);
    cache.clear();
    txReader.reset();
    for (sqlite3* r : readers) sqlite3_close_v2(r);
    readers.clear();
    // The last connection to the file folds the journal back into it and leaves one
    // file, in the old journal mode so that a read-only open adds no files beside it;
    // while another copy has it open, nothing changes. Copies closing at the same moment
    // would each find another still open and leave the journal to it: they close one at
    // a time, so the last finds itself alone.
    int folded = SQLITE_OK;
    std::optional<CloseLock> closing;
    if (!readOnly) {
        closing.emplace(path, kCloseWaitMs);
        waitForLocks(db, 0);
        char mode[8] = "";
        folded = sqlite3_exec(
            db, "PRAGMA journal_mode=DELETE",
            [](void* p, int, char** values, char**) {
                qstrncpy(static_cast<char*>(p), values[0] ? values[0] : "", 8);
                return 0;
            },
            mode, nullptr);
        if (folded == SQLITE_OK && qstricmp(mode, "delete") != 0) folded = SQLITE_BUSY;
    }
    const int closed = sqlite3_close_v2(db);
    db = nullptr;
    if (folded == SQLITE_OK) folded = closed;
    if (folded == SQLITE_OK && QFileInfo::exists(path + QLatin1String("-wal"))) folded = SQLITE_BUSY;
    return folded & 0xff;
}

} // namespace detail

using namespace detail;

// ---- engine-wide state ----

namespace {

std::vector<std::weak_ptr<DatabaseData>>& openDatabases()
{
    static std::vector<std::weak_ptr<DatabaseData>> list;
    return list;
}

std::vector<std::shared_ptr<DatabaseData>> liveDatabases()
{
    std::vector<std::shared_ptr<DatabaseData>> out;
    auto& list = openDatabases();
    list.erase(std::remove_if(list.begin(), list.end(),
                              [](const std::weak_ptr<DatabaseData>& w) {
                                  auto p = w.lock();
                                  return !p || !p->db;
                              }),
               list.end());
    for (auto& w : list)
        if (auto p = w.lock()) out.push_back(p);
    return out;
}

QString connectValue(const QString& connect, const QString& key, bool* found = nullptr)
{
    if (found) *found = false;
    const QStringList parts = connect.split(u';');
    for (const QString& p : parts) {
        int eq = p.indexOf(u'=');
        if (eq < 0) continue;
        if (p.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0) {
            if (found) *found = true;
            return p.mid(eq + 1);
        }
    }
    return QString();
}

QString withoutPassword(const QString& connect)
{
    QStringList keep;
    for (const QString& p : connect.split(u';')) {
        int eq = p.indexOf(u'=');
        if (eq >= 0 && p.left(eq).trimmed().compare(QLatin1String("pwd"), Qt::CaseInsensitive) == 0) continue;
        keep << p;
    }
    return keep.join(u';');
}

// A keyed connection to the file with the layer's functions, checked by a first read.
sqlite3* openHandle(const QString& path, int flags, const QByteArray& key, bool encrypted, bool mayRecover = true)
{
    guardEngineFiles();
    forgetEngineRefusal();
    sqlite3* h = nullptr;
    QByteArray u = QDir::toNativeSeparators(path).toUtf8();
    guardJournalsOf(u.constData());
    int rc = sqlite3_open_v2(u.constData(), &h, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close_v2(h);
        const QString refused = takeEngineRefusal();
        raise(err::CannotOpen, !refused.isEmpty() ? refused : QStringLiteral("无法打开数据库 '%1'。").arg(path));
    }
    sqlite3_extended_result_codes(h, 1);
    if (encrypted && !key.isEmpty()) sqlite3_key(h, key.constData(), key.size());
    waitForLocks(h, g_busyMs);
    sqlite3_exec(h, kCacheSize, nullptr, nullptr, nullptr);
    registerFunctions(h);
    registerChecks(h);
    // The key is only checked by the first read.
    sqlite3_stmt* st = nullptr;
    rc = sqlite3_prepare_v2(h, "SELECT count(*) FROM sqlite_master", -1, &st, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_step(st);
    if (st) sqlite3_finalize(st);
    // A journal refused while opening is one the engine takes for none (a rollback
    // journal it cannot open is not rolled back): the file is not used without it.
    const QString refusedOpening = takeEngineRefusal();
    if (rc == SQLITE_ROW && refusedOpening.isEmpty()) return h;
    if (!refusedOpening.isEmpty()) {
        sqlite3_close_v2(h);
        raise(err::CannotOpen, refusedOpening);
    }
    const int code = rc & 0xff;
    const int ext = sqlite3_extended_errcode(h);
    sqlite3_close_v2(h);
    if (code == SQLITE_NOTADB) {
        if (encrypted) raise(err::NotValidPassword, QStringLiteral("不是有效的密码: 不能打开数据库 '%1'。").arg(path));
        raise(err::NotADatabase, QStringLiteral("无法识别的数据库格式 '%1'。").arg(path));
    }
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
        raise(err::Locked, QStringLiteral("数据库 '%1' 已被其他用户锁定，暂时不能打开。").arg(path));
    if ((flags & SQLITE_OPEN_READONLY) && mayRecover &&
        (code == SQLITE_READONLY || code == SQLITE_CANTOPEN || code == SQLITE_IOERR)) {
        // A journal left unfinished (a copy stopped in the middle of a write) is
        // recovered by a connection that may write, once; then the file opens read-only.
        try {
            sqlite3_close_v2(openHandle(path, SQLITE_OPEN_READWRITE, key, encrypted, false));
        } catch (const vb::Error& e) {
            raise(err::CannotOpen,
                  QStringLiteral("数据库 '%1' 留有未完成的日志，须能写入一次才能恢复，只读打开不能恢复它: %2")
                      .arg(path, e.description()));
        }
        return openHandle(path, flags, key, encrypted, false);
    }
    if (code == SQLITE_CORRUPT)
        raise(err::NotADatabase, QStringLiteral("数据库文件 '%1' 已损坏。").arg(path));
    if (code == SQLITE_CANTOPEN)
        raise(err::CannotOpen, QStringLiteral("无法打开数据库 '%1' 或它旁边的日志文件。").arg(path));
    raise(err::DiskIO, QStringLiteral("读取数据库 '%1' 时出错（I/O 错误 %2）。").arg(path).arg(ext));
}

// The order the indexes of a Chinese file are built in (ICU's version: its order may change).
const char* const kChineseOrder = "zh-icu-" U_ICU_VERSION_SHORT;

// A value of the layer's own _dao_info table ("" when there is none).
QString infoValue(sqlite3* db, const char* key)
{
    sqlite3_stmt* st = nullptr;
    QString out;
    if (sqlite3_prepare_v2(db, "SELECT value FROM _dao_info WHERE key=?1", -1, &st, nullptr) == SQLITE_OK) {
        sqlite3_bind_text(st, 1, key, -1, SQLITE_STATIC);
        if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_text(st, 0))
            out = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    }
    sqlite3_finalize(st);
    return out;
}

bool chineseLocale(const QString& locale)
{
    return connectValue(locale, QStringLiteral("langid")).trimmed().compare(QLatin1String("0x0804"), Qt::CaseInsensitive) == 0;
}

// Text of a file made with the Chinese locale sorts in that locale's order. A file
// whose indexes were built in the earlier order is reindexed once, when it is first
// opened for writing; until then (read-only, or another copy busy) it keeps that order.
void chooseOrder(DatabaseData* d)
{
    if (!chineseLocale(infoValue(d->db, "locale"))) return;
    if (infoValue(d->db, "collation") != QLatin1String(kChineseOrder)) {
        if (d->readOnly) return;
        useChineseOrder(d->db);
        const QByteArray sql = QByteArrayLiteral("BEGIN IMMEDIATE; REINDEX NOCASE; "
                                                 "INSERT OR REPLACE INTO _dao_info VALUES ('collation', '") +
                               kChineseOrder + "'); COMMIT;";
        if (sqlite3_exec(d->db, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK) {
            sqlite3_exec(d->db, "ROLLBACK", nullptr, nullptr, nullptr);
            useCaseFoldOrder(d->db);
            return;
        }
    }
    useChineseOrder(d->db);
    d->chineseOrder = true;
}

std::shared_ptr<DatabaseData> openConnection(const QString& path, int flags, const QString& password, bool encrypted)
{
    auto d = std::make_shared<DatabaseData>();
    d->path = path;
    d->readOnly = flags & SQLITE_OPEN_READONLY;
    d->flags = flags & ~SQLITE_OPEN_CREATE;
    d->key = password.toUtf8();
    d->encrypted = encrypted;
    d->db = openHandle(path, flags, d->key, encrypted);
    if (!d->readOnly) {
        // A write-ahead journal: readers see the last commit and never block a writer.
        // Another copy still using the old journal keeps it until both are closed.
        sqlite3_exec(d->db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    }
    sqlite3_exec(
        d->db, "PRAGMA journal_mode",
        [](void* p, int, char** values, char**) {
            *static_cast<bool*>(p) = values[0] && qstricmp(values[0], "wal") == 0;
            return 0;
        },
        &d->wal, nullptr);
    if (d->wal) sqlite3_wal_hook(d->db, afterCommit, d.get());
    chooseOrder(d.get());
    // a journal refused once the file runs with the write-ahead journal (its first reads
    // above): the file is not opened, so that the copy says why before it goes on
    const QString refused = takeEngineRefusal();
    if (!refused.isEmpty()) {
        sqlite3_close_v2(d->db);
        d->db = nullptr;
        raise(err::CannotOpen, refused);
    }
    openDatabases().push_back(d);
    return d;
}

} // namespace

namespace detail {

Reader::~Reader()
{
    if (!h) return;
    if (!sqlite3_get_autocommit(h)) sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr);
    auto d = owner.lock();
    if (d && d->db && d->readers.size() < kIdleReaders) {
        // the reader back last is taken first and keeps its pages; the others let theirs go
        for (sqlite3* idle : d->readers) sqlite3_db_release_memory(idle);
        d->readers.push_back(h);
    } else {
        sqlite3_close_v2(h);
    }
}

std::shared_ptr<Reader> DatabaseData::snapshotReader()
{
    check();
    // with the old journal a reader holding its view would lock every writer out
    if (!wal || exclusive || txDepth > 0) return nullptr;
    if (inEngineTx && g_level > 0) {
        if (!g_sharedReads) {
            // what a writing transaction reads decides its writes: read under its lock
            join();
            return nullptr;
        }
        readConnection();
        return txReader;
    }
    // the reader is made only once it has its connection
    sqlite3* h = nullptr;
    if (!readers.empty()) {
        h = readers.back();
        readers.pop_back();
        waitForLocks(h, g_busyMs);
    } else {
        h = openHandle(path, flags, key, encrypted);
        if (chineseOrder) useChineseOrder(h);
    }
    auto r = std::make_shared<Reader>();
    r->h = h;
    r->owner = weak_from_this();
    execOn(r->h, "BEGIN");
    return r;
}

sqlite3* DatabaseData::readConnection()
{
    check();
    if (!wal || !inEngineTx || g_level == 0 || txDepth > 0 || exclusive || !g_sharedReads) {
        join();
        return db;
    }
    if (!txReader) {
        inEngineTx = false;   // a reader of its own, not the transaction's
        try {
            txReader = snapshotReader();
        } catch (...) {
            inEngineTx = true;
            throw;
        }
        inEngineTx = true;
    }
    return txReader->h;
}

} // namespace detail

// ---- Database ----

namespace {

// The columns of the database's tables, for the translation.
struct TableSchema : jetsql::Schema {
    DatabaseData* d;
    explicit TableSchema(DatabaseData* data) : d(data) {}
    bool column(const QString& table, const QString& name, jetsql::ColumnInfo* out) const override
    {
        auto info = d->table(table);
        int i = info ? info->find(name) : -1;
        if (i < 0) return false;
        const FieldDef& f = info->fields[i];
        out->name = f.name;
        out->type = f.type;
        out->size = f.size > 0 ? f.size : defaultSize(f.type);
        out->allowZeroLength = f.allowZeroLength;
        return true;
    }
    QStringList columns(const QString& table) const override
    {
        QStringList out;
        if (auto info = d->table(table))
            for (const FieldDef& f : info->fields) out << f.name;
        return out;
    }
};

} // namespace

Database::Database() = default;

#define DB_CHECK() if (!d) raiseNothing(); d->check()

QString Database::Name() const { if (!d) raiseNothing(); return d->path; }
QString Database::Connect() const { if (!d) raiseNothing(); return d->connect; }
bool Database::Updatable() const { DB_CHECK(); return !d->readOnly; }

Recordset Database::OpenRecordset(const QString& source, int type, int options, int)
{
    DB_CHECK();
    QString src = source.trimmed();
    bool isQuery = false;
    {
        int i = 0;
        while (i < src.size() && src[i].isLetter()) ++i;
        QString first = src.left(i).toLower();
        isQuery = first == u"select" || first == u"delete" || first == u"update" || first == u"insert" ||
                  first == u"create" || first == u"drop";
    }
    auto rs = std::make_shared<RecordsetData>();
    rs->db = d;
    rs->source = source;
    rs->options = options;
    if (!isQuery) {
        QString name = stripBrackets(src);
        auto info = d->table(name);
        if (!info || name.startsWith(QLatin1String("_dao_"), Qt::CaseInsensitive))
            raise(err::NoSuchTable, QStringLiteral("找不到输入表或查询 '%1'。").arg(name));
        if (type == 0) type = dbOpenTable;
        src = QStringLiteral("SELECT * FROM ") + jetsql::quoteName(info->name);
    } else if (type == 0) {
        type = dbOpenDynaset;
    }
    if (type != dbOpenTable && type != dbOpenDynaset && type != dbOpenSnapshot && type != dbOpenForwardOnly)
        raise(err::NotSupported, QStringLiteral("无效的参数: 记录集类型 %1。").arg(type));
    rs->type = type;
    const bool live = type == dbOpenTable || type == dbOpenDynaset;
    bool wantUpdate = live && !(options & dbReadOnly) && !d->readOnly;
    TableSchema schema(d.get());
    // tables and dynasets are read by their keys, also when they cannot be written
    rs->tr = jetsql::translate(src, live, &schema);
    if (rs->tr.kind != jetsql::Kind::Select)
        raise(err::InvalidOperation, QStringLiteral("无效的操作: 不能用操作查询打开记录集。"));
    rs->updatable = wantUpdate && rs->tr.hasRowid;
    rs->open();
    return Recordset(rs);
}

int Database::Execute(const QString& sql, int)
{
    DB_CHECK();
    TableSchema schema(d.get());
    jetsql::Translation t = jetsql::translate(sql, false, &schema);
    if (t.kind == jetsql::Kind::Select)
        raise(err::SelectInExecute, QStringLiteral("不能执行选择查询。"));
    if (d->readOnly) raise(err::NotUpdatable, QStringLiteral("不能更新。数据库或对象为只读。"));
    if (t.kind == jetsql::Kind::DropTable) {
        TableDefs().Delete(t.table);
        d->recordsAffected = 0;
        return 0;
    }
    if (!t.table.isEmpty() && t.kind != jetsql::Kind::DropIndex &&
        (t.table.startsWith(QLatin1String("_dao_"), Qt::CaseInsensitive) ||
         t.table.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive)))
        raise(err::NoSuchTable, QStringLiteral("找不到输入表或查询 '%1'。").arg(t.table));
    sqlite3_stmt* st = d->cached(t.sql);
    int rc = sqlite3_step(st);
    sqlite3_reset(st);
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
        if (t.kind == jetsql::Kind::CreateIndex || t.kind == jetsql::Kind::DropIndex) {
            d->cache.remove(t.sql);
            sqlite3_finalize(st);
        }
        raiseSqlite(d->db, rc, sql);
    }
    int n = 0;
    if (t.kind == jetsql::Kind::Delete || t.kind == jetsql::Kind::Update || t.kind == jetsql::Kind::Insert)
        n = sqlite3_changes(d->db);
    else {
        d->cache.remove(t.sql);
        sqlite3_finalize(st);
        d->invalidate();
    }
    d->recordsAffected = n;
    return n;
}

int Database::RecordsAffected() const { DB_CHECK(); return d->recordsAffected; }

dao::TableDefs Database::TableDefs() const
{
    DB_CHECK();
    dao::TableDefs t;
    t.db = d;
    return t;
}

TableDef Database::CreateTableDef(const QString& name, int attributes, const QString&, const QString& connect)
{
    DB_CHECK();
    if (!connect.isEmpty()) raise(err::NotSupported, QStringLiteral("数据库引擎不支持链接表。"));
    TableDef t;
    t.d->info.name = name;
    t.d->info.attributes = attributes;
    t.d->db = d;
    return t;
}

void Database::Close()
{
    if (!d) raiseNothing();
    if (!d->db) raiseClosed();
    d->close();
}

void Database::CloseToOneFile()
{
    if (!d) raiseNothing();
    if (!d->db) raiseClosed();
    const int folded = d->close();
    const QString refused = takeEngineRefusal();
    if (folded != SQLITE_OK && !refused.isEmpty()) raise(err::CannotOpen, refused);
    if (folded == SQLITE_BUSY || folded == SQLITE_LOCKED)
        raise(err::Locked, QStringLiteral("数据库 '%1' 还被其他连接打开着，它的日志未能并回文件。").arg(d->path));
    if (folded != SQLITE_OK)
        raise(err::DiskIO, QStringLiteral("数据库 '%1' 的日志未能并回文件。").arg(d->path));
}

// ---- DBEngine ----

Database DBEngine::OpenDatabase(const QString& name, bool exclusive, bool readOnly, const QString& connect)
{
    QFileInfo fi(name);
    if (!fi.exists() && !fi.isSymLink()) raise(err::FileNotFound, QStringLiteral("找不到文件 '%1'。").arg(name));
    if (fi.isDir() && !fi.isSymLink()) raise(err::CannotOpen, plat::foreignNameText(name, plat::Foreign::Folder));
    QFile f(name);
    QString why;
    if (plat::openShared(f, plat::SharedAccess::Read, &why) != 0) raise(err::CannotOpen, why);
    QByteArray head = f.read(16);
    qint64 size = f.size();
    f.close();
    bool plain = head == QByteArray("SQLite format 3\0", 16);
    if (size == 0 || (!plain && size % 512 != 0))
        raise(err::NotADatabase, QStringLiteral("无法识别的数据库格式 '%1'。").arg(name));
    QString password = connectValue(connect, QStringLiteral("pwd"));
    int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    auto d = openConnection(name, flags, password, !plain);
    d->connect = withoutPassword(connect);
    if (exclusive) {
        d->exclusive = true;
        try {
            d->exec(QStringLiteral("PRAGMA locking_mode=EXCLUSIVE"));
            d->exec(QString::fromLatin1(readOnly ? "BEGIN" : "BEGIN EXCLUSIVE"));
            if (readOnly) d->exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
            d->exec(QStringLiteral("COMMIT"));
        } catch (...) {
            d->close();
            throw;
        }
    }
    return Database(d);
}

namespace {
// The new, empty file of a database, made here so that no one else may open it before it
// has the access it is given: accessOf's group and no wider mode (as its journals get).
void makeNewFile(const QString& name, const QString& accessOf)
{
    const QByteArray path = QFile::encodeName(name);
    struct stat like;
    const bool copied = !accessOf.isEmpty();
    if (copied && ::stat(QFile::encodeName(accessOf).constData(), &like) != 0) {
        like = {};
        like.st_uid = ::geteuid();
        like.st_gid = ::getegid();
        like.st_mode = S_IFREG | 0600;
    }
    const int fd = plat::openSharedFile(path.constData(), O_RDWR | O_CREAT | O_EXCL, copied ? 0600 : 0644);
    if (fd < 0) {
        if (errno == EEXIST) raise(err::DatabaseExists, QStringLiteral("数据库 '%1' 已经存在。").arg(name));
        raise(err::CannotOpen, plat::sharedFileError(name, errno));
    }
    if (copied) plat::takeRegisterAccess(fd, like);
    ::close(fd);
}
} // namespace

Database DBEngine::CreateDatabase(const QString& name, const QString& locale, int, const QString& accessOf)
{
    QFileInfo fi(name);
    if (fi.exists() || fi.isSymLink()) raise(err::DatabaseExists, QStringLiteral("数据库 '%1' 已经存在。").arg(name));
    if (!fi.absoluteDir().exists()) raise(err::CannotOpen, QStringLiteral("'%1' 不是一个有效的路径。").arg(name));
    bool found = false;
    QString langid = connectValue(locale, QStringLiteral("langid"), &found);
    if (!locale.trimmed().isEmpty() && !found && !locale.contains(QLatin1String("pwd"), Qt::CaseInsensitive))
        raise(err::NotSupported, QStringLiteral("无效的区域设置参数 '%1'。").arg(locale));
    QString password = connectValue(locale, QStringLiteral("pwd"));
    makeNewFile(name, accessOf);
    std::shared_ptr<DatabaseData> d;
    try {
        d = openConnection(name, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, password, true);
        d->connect = withoutPassword(locale);
        atomically(d.get(), [&] {
            d->ensureCatalogue();
            d->exec(QStringLiteral("CREATE TABLE IF NOT EXISTS _dao_info (key TEXT PRIMARY KEY, value TEXT)"));
            Stmt st(d->prepare(QStringLiteral("INSERT OR REPLACE INTO _dao_info VALUES ('locale', ?1)")));
            QByteArray u = d->connect.toUtf8();
            sqlite3_bind_text(st.s, 1, u.constData(), u.size(), SQLITE_TRANSIENT);
            int rc = sqlite3_step(st.s);
            if (rc != SQLITE_DONE) raiseSqlite(d->db, rc);
            if (chineseLocale(d->connect))
                d->exec(QStringLiteral("INSERT OR REPLACE INTO _dao_info VALUES ('collation', '%1')")
                            .arg(QLatin1String(kChineseOrder)));
        });
        chooseOrder(d.get());
    } catch (...) {
        if (d) d->close();
        RemoveDatabaseFile(name);
        throw;
    }
    return Database(d);
}

void RemoveDatabaseFile(const QString& path)
{
    removeJournalsOf(path);
    QFile::remove(path + QLatin1String("-close"));
    QFile::remove(path);
}

void DBEngine::BeginTrans(int reads)
{
    // Each open database joins at its first statement, a read too (BEGIN IMMEDIATE there,
    // so a writer elsewhere waits boundedly, then 3228); one that is not used is not locked.
    if (g_level == 0) {
        g_sharedReads = reads == dbReadsShared;
        for (auto& d : liveDatabases()) d->inEngineTx = true;
    }
    ++g_level;
}

namespace {
void endOfEngineTransaction()
{
    if (g_level > 0) return;
    g_sharedReads = false;
    for (auto& d : liveDatabases()) d->endTransaction();
}
} // namespace

void DBEngine::CommitTrans()
{
    if (g_level == 0)
        raise(err::NotInTransaction, QStringLiteral("没有开始事务就提交或回滚事务。"));
    int level = g_level - 1;
    for (auto& d : liveDatabases()) {
        if (d->txDepth != g_level) continue;
        if (level == 0) d->drainKeys();
        if (level == 0)
            d->exec(QStringLiteral("COMMIT"));
        else
            d->exec(QStringLiteral("RELEASE dao_tx%1").arg(level));
        --d->txDepth;
    }
    g_level = level;
    endOfEngineTransaction();
}

void DBEngine::Rollback()
{
    if (g_level == 0)
        raise(err::NotInTransaction, QStringLiteral("没有开始事务就提交或回滚事务。"));
    int level = g_level - 1;
    std::optional<vb::Error> first;
    for (auto& d : liveDatabases()) {
        if (d->txDepth != g_level) continue;
        d->detachAll();
        try {
            if (level == 0) {
                execOn(d->db, "ROLLBACK");
            } else {
                execOn(d->db, QStringLiteral("ROLLBACK TO dao_tx%1").arg(level).toLatin1().constData());
                execOn(d->db, QStringLiteral("RELEASE dao_tx%1").arg(level).toLatin1().constData());
            }
        } catch (const vb::Error& e) {
            if (!first) first = e;
        }
        --d->txDepth;
        d->invalidate();
    }
    g_level = level;
    endOfEngineTransaction();
    if (first) throw *first;
}

int DBEngine::TransactionLevel() { return g_level; }

void DBEngine::setBusyTimeout(int milliseconds)
{
    g_busyMs = std::max(0, milliseconds);
    for (auto& d : liveDatabases()) waitForLocks(d->db, g_busyMs);
}

int DBEngine::busyTimeout() { return g_busyMs; }

} // namespace dao
