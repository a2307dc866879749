#pragma once
// Inside the database layer: the structures its parts share, the engine's errors,
// and the values and type checks between QVariant and SQLite.
#include "platform/dao/dao.h"
#include "platform/dao/jetsql.h"
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QStringList>
#include <QVector>
#include <memory>
#include <vector>
#include <sqlite3.h>

namespace dao {

namespace err {
constexpr int UpdatableField = 3164;     // field cannot be updated
constexpr int InvalidOperation = 3219;
constexpr int NoFields = 3264;
constexpr int SelectInExecute = 3065;
constexpr int IndexExists = 3375;
constexpr int Generic = 3000;
}

namespace detail {

[[noreturn]] void raise(int number, const QString& text);
[[noreturn]] void raiseNothing();
[[noreturn]] void raiseClosed();
[[noreturn]] void raiseNoCurrent();
// The engine error for an SQLite result code.
[[noreturn]] void raiseSqlite(sqlite3* db, int rc, const QString& context = QString());
// A statement on a connection; raises the engine's error.
sqlite3_stmt* prepareOn(sqlite3* db, const QString& sql);
// Points the engine's file system calls at opens that follow no link and wait on nothing
// (enginefiles.cpp); before the first connection.
void guardEngineFiles();
// Makes the journals' names of the database at path (as given to the engine) the names
// the guard treats as its journals.
void guardJournalsOf(const char* path);
// Removes the journals beside a database that may go (never a regular file that users
// who may not read and write the database could read or write).
void removeJournalsOf(const QString& path);
// The name beside a database the engine was refused last (a link, a FIFO, a folder or a
// journal with a second name that could not be cleared, another user's journal), as the
// user's message, given once; "" when none.
QString takeEngineRefusal();
void forgetEngineRefusal();
// Steps a statement: true on a row, false at the end; raises the engine's error.
bool stepRow(sqlite3_stmt* st);
void execOn(sqlite3* db, const char* sql);

QString stripBrackets(const QString& name);
inline QString foldKey(const QString& name) { return name.toCaseFolded(); }
inline bool isTextType(int t) { return t == dbText || t == dbMemo || t == dbChar || t == dbGUID; }
int defaultSize(int type);
QString declaredType(int type);
int typeFromDeclared(const QString& decl);
QDateTime localDateTime(const QDate& date, const QTime& time);
// Fast reading of the stored date text "yyyy-MM-dd HH:mm:ss".
QDateTime parseStoredDate(const char* s, int n);
QString colText(sqlite3_stmt* st, int c);
// A default value as the catalogue keeps it ("text", number, True/False).
QVariant defaultFromText(const QString& text);

struct FieldDef {
    QString name;
    int type = 0;
    int size = -1;
    int attributes = 0;
    bool required = false;
    bool allowZeroLength = false;
    QString validationRule;
    QString validationText;
    QVariant defaultValue;
    int ordinal = -1;
    QString table;   // source table of a record-set column
};

struct TableInfo {
    QString name;
    int attributes = 0;
    QString validationRule;
    QString validationText;
    QVector<FieldDef> fields;
    bool inCatalogue = false;

    int find(const QString& field) const
    {
        for (int i = 0; i < fields.size(); ++i)
            if (fields[i].name.compare(field, Qt::CaseInsensitive) == 0) return i;
        QString f = foldKey(field);
        for (int i = 0; i < fields.size(); ++i)
            if (foldKey(fields[i].name) == f) return i;
        return -1;
    }
};

struct Stmt {
    sqlite3_stmt* s = nullptr;
    explicit Stmt(sqlite3_stmt* st = nullptr) : s(st) {}
    ~Stmt() { if (s) sqlite3_finalize(s); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
};

// A connection of its own that a snapshot reads on, inside one read transaction: it
// sees the rows as they were and blocks no other copy's writes. Back to the database's
// idle readers when the last user lets it go.
struct Reader {
    sqlite3* h = nullptr;
    std::weak_ptr<DatabaseData> owner;
    ~Reader();
};

struct DatabaseData : std::enable_shared_from_this<DatabaseData> {
    sqlite3* db = nullptr;
    QString path;
    QString connect;
    bool readOnly = false;
    int recordsAffected = 0;
    int txDepth = 0;         // the engine's transaction levels this connection has joined
    bool inEngineTx = false; // open when the engine's transaction began: joins it at its first statement
    bool exclusive = false;
    bool wal = false;        // the file runs with the write-ahead journal: readers of their own block nothing
    int restartAt = 0;       // the journal's length in pages at which a commit waits for readers to restart it
    int flags = 0;           // what the file was opened with, for the readers
    QByteArray key;
    bool encrypted = false;
    bool chineseOrder = false;   // NOCASE is the Chinese locale's order (see sqlfunctions.h)
    std::vector<sqlite3*> readers;   // idle connections for snapshots
    std::shared_ptr<Reader> txReader; // the reads of the engine's transaction before this joins it
    QHash<QString, sqlite3_stmt*> cache;
    QHash<QString, std::shared_ptr<TableInfo>> tables;
    QList<RecordsetData*> openSets;

    ~DatabaseData() { close(); }

    void check() const { if (!db) raiseClosed(); }
    // The engine's code for why the file still has a journal beside it; SQLITE_OK when
    // it holds everything by itself.
    int close();
    void detachAll();
    void drainKeys();

    // Takes part in the engine's transaction: BEGIN IMMEDIATE at its first statement.
    // Every write runs after it: prepare and cached call it, and a statement kept from
    // one write to the next calls it again before each run.
    void join();
    // Before a read on the main connection: joins unless the transaction reads shared.
    void joinToRead();
    // The reader a snapshot reads on; nullptr when it reads on the main connection
    // (inside this copy's own writing transaction, or opened exclusively).
    std::shared_ptr<Reader> snapshotReader();
    // Where a read goes: the main connection, or, in a transaction begun with
    // dbReadsShared, its reader while this database has only read in it (so a backup
    // reads one state and locks nothing).
    sqlite3* readConnection();
    sqlite3_stmt* readPrepare(const QString& sql) { return prepareOn(readConnection(), sql); }
    // The engine's transaction ended.
    void endTransaction() { inEngineTx = false; txReader.reset(); }
    sqlite3_stmt* prepare(const QString& sql);
    sqlite3_stmt* cached(const QString& sql);
    // Runs one statement that returns no rows.
    void exec(const QString& sql);
    bool hasTable(const QString& name);
    void ensureCatalogue();
    QStringList tableNames();
    std::shared_ptr<TableInfo> table(const QString& name);
    void invalidate() { tables.clear(); }
};

// ---- values ----

// A value as the field keeps it (the type Value() returns); refuses what the type cannot take.
QVariant coerce(const FieldDef& f, const QVariant& v);
void bindValue(sqlite3_stmt* st, int i, int type, const QVariant& v);
QVariant readColumn(sqlite3_stmt* st, int c, int type);
int typeOfValue(const QVariant& v);
// jet_check(), through which UPDATE and INSERT statements write their values.
void registerChecks(sqlite3* db);

// ---- record sets ----

struct FieldData {
    RecordsetData* rs = nullptr;   // a record-set column, cleared when the record set goes
    int col = -1;
    FieldDef def;
    std::weak_ptr<TableDefData> owner;   // a field definition of a table
    bool appended = false;
};

struct RecordsetData {
    std::shared_ptr<DatabaseData> db;
    QString source;
    jetsql::Translation tr;
    int type = dbOpenDynaset;
    int options = 0;
    bool updatable = false;
    std::shared_ptr<TableInfo> base;
    sqlite3_stmt* stmt = nullptr;
    sqlite3* conn = nullptr;             // the connection the statement runs on
    std::shared_ptr<Reader> reader;      // a snapshot's own connection
    bool keyed = false;                  // a dynaset: its keys fixed at opening, each row read by its key
    QVector<qint64> keys;                // the keys read so far, in order
    QSet<qint64> keySeen;
    sqlite3_stmt* keyStmt = nullptr;     // reads the keys as they are needed
    std::shared_ptr<Reader> keyReader;   // ... on a reader as the file was at opening, outside this copy's writes
    int offset = 0;                      // 1 when column 0 is the rowid
    QVector<Field> fields;
    QVector<int> baseIndex;              // field -> index in base->fields, -1 if not a base column
    QVector<int> fieldOfBase;            // index in base->fields -> field, -1 if not in the record set
    QByteArray lastMask;                 // the columns of the last statement written
    sqlite3_stmt* lastWrite = nullptr;
    int lastMode = dbEditNone;
    mutable QHash<QString, int> byName;  // exact and folded names, and names asked for before
    // The names asked for last: a caller reading a row asks the same few names row after
    // row, and comparing them is cheaper than hashing them.
    static constexpr int kRecent = 8;
    mutable QString recentName[kRecent];
    mutable int recentIndex[kRecent] = {};
    mutable int recentNext = 0;
    bool closed = false;

    int pos = -1;          // current row; -1 before the first; == known after the last
    int stmtRow = -1;      // the row the statement stands on; -1 when reset
    int known = -1;        // number of rows once the end was seen
    int seen = 0;          // rows visited
    bool deleted = false;

    QVector<QVariant> cur;
    QVector<char> loaded;
    bool live = false;     // the statement stands on the current row
    qint64 rowid = 0;
    bool rowidLoaded = false;

    int editMode = dbEditNone;
    QVector<QVariant> buf;
    QVector<char> changed;
    QVector<char> chunked;

    ~RecordsetData() { close(); for (Field& f : fields) f.d->rs = nullptr; }

    void check() const;
    void close();
    void open();
    // Starts reading the keys; pullKey takes the next one not yet seen.
    void collectKeys();
    bool pullKey();
    // Reads the rest of the keys and lets the statement go (before the connection's
    // transaction ends, so nothing stays open on it).
    void drainKeys();
    // Reads the row of keys[pos] whole; a key whose row is gone is a deleted row.
    void fetchKeyed();
    int count() const { return fields.size(); }

    void resetStmt();
    // Keeps the current row's values without the statement (before a rollback, on close).
    void detach();
    bool step();
    bool anyLoaded = false;

    void clearCur();
    void goTo(int target);
    bool hasCurrent() const { return pos >= 0 && !(known >= 0 && pos >= known) && !deleted; }

    void ensureLoaded(int i);
    void loadRowid();
    // The value, kept in the row's cache: for reading a long value in pieces.
    QVariant keptValue(int i);
    QVariant value(int i);
    int index(const QString& name) const;
    const Field& field(int i) const;
    const Field& field(const QString& name) const;
    void startEdit(int mode);
    const FieldDef& writable(int i);
    void set(int i, const QVariant& v);
    void appendChunk(int i, const QByteArray& bytes);
    void checkRow();
    void update();
};

struct TableDefData {
    std::shared_ptr<DatabaseData> db;
    TableInfo info;
    QVector<Field> fields;
    bool appended = false;

    void check() const { if (appended && (!db || !db->db)) raiseClosed(); }
    static void addLoaded(const std::shared_ptr<TableDefData>& self, const FieldDef& def)
    {
        Field fld;
        fld.d->def = def;
        fld.d->owner = self;
        fld.d->appended = true;
        self->fields << fld;
    }
    QStringList fieldNames() const
    {
        QStringList out;
        for (const Field& f : fields) out << f.d->def.name;
        return out;
    }
};

// Runs `work` atomically: inside a save point, undone when it throws.
template <typename F>
void atomically(DatabaseData* db, F work)
{
    db->exec(QStringLiteral("SAVEPOINT dao_ddl"));
    try {
        work();
        db->exec(QStringLiteral("RELEASE dao_ddl"));
    } catch (...) {
        try {
            db->exec(QStringLiteral("ROLLBACK TO dao_ddl"));
            db->exec(QStringLiteral("RELEASE dao_ddl"));
        } catch (...) {
        }
        throw;
    }
}

} // namespace detail
} // namespace dao
