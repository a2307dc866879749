#pragma once
// The database layer: DAO-shaped objects over an SQLCipher file.
//
// Values are QVariant: a null QVariant is Null; text is QString; whole numbers
// int (qint32); Double, Single and Currency are double; dates QDateTime;
// long binary QByteArray; Yes/No bool.
//
// Objects are cheap handles sharing one underlying object, as DAO references do.
// A default-constructed Database or Recordset is Nothing: using it raises error 91;
// a default Field or TableDef is a new, empty definition.
// Every failure is thrown as vb::Error with a Jet error number and source "DAO".
//
// Jet SQL is translated before SQLite sees it (see jetsql.h): one statement per call.
// Statements understood: SELECT, DELETE, UPDATE, INSERT INTO ... VALUES,
// CREATE [UNIQUE] INDEX, DROP INDEX, DROP TABLE. Tables are created through TableDefs.
#include "platform/core/vberror.h"
#include <QByteArray>
#include <QString>
#include <QVariant>
#include <memory>

namespace dao {

// Field types (Field::Type).
enum DataType : int {
    dbBoolean = 1,
    dbByte = 2,
    dbInteger = 3,      // 16-bit
    dbLong = 4,         // 32-bit
    dbCurrency = 5,
    dbSingle = 6,
    dbDouble = 7,
    dbDate = 8,
    dbBinary = 9,
    dbText = 10,
    dbLongBinary = 11,
    dbMemo = 12,
    dbGUID = 15,
    dbChar = 18,
};

// Record-set types (OpenRecordset type).
enum RecordsetType : int {
    dbOpenTable = 1,
    dbOpenDynaset = 2,
    dbOpenSnapshot = 4,
    dbOpenForwardOnly = 8,
};

// Record-set and Execute options.
enum RecordsetOption : int {
    dbDenyWrite = 1,
    dbDenyRead = 2,
    dbReadOnly = 4,
    dbAppendOnly = 8,
    dbInconsistent = 16,
    dbConsistent = 32,
    dbSQLPassThrough = 64,
    dbFailOnError = 128,
    dbForwardOnly = 256,
    dbSeeChanges = 512,
};

// Field attributes.
enum FieldAttribute : int {
    dbFixedField = 1,
    dbVariableField = 2,
    dbAutoIncrField = 16,
    dbUpdatableField = 32,
    dbSystemField = 8192,
};

// Table attributes.
enum TableDefAttribute : int {
    dbHiddenObject = 1,
    dbSystemObject = int(0x80000002u),
};

// CreateDatabase options (accepted; the file format is always the layer's own).
enum DatabaseTypeOption : int {
    dbEncrypt = 2,
    dbDecrypt = 4,
    dbVersion10 = 1,
    dbVersion11 = 8,
    dbVersion20 = 16,
    dbVersion30 = 32,
    dbVersion40 = 64,
};

// How a transaction reads (BeginTrans).
enum TransactionReads : int { dbReadsLock = 0, dbReadsShared = 1 };

// Recordset::EditMode.
enum EditModeEnum : int { dbEditNone = 0, dbEditInProgress = 1, dbEditAdd = 2 };

// Locale strings of CreateDatabase.
inline const char* const dbLangGeneral = ";LANGID=0x0409;CP=1252;COUNTRY=0";
inline const char* const dbLangChineseSimplified = ";LANGID=0x0804;CP=936;COUNTRY=0";

// The engine's error numbers that callers test for.
namespace err {
constexpr int TypeMismatch = 13;          // a value the field cannot take
constexpr int ObjectNotSet = 91;          // a Nothing handle
constexpr int NotSupported = 3001;        // invalid argument / unsupported option
constexpr int NoCurrentRecord = 3021;
constexpr int DuplicateKey = 3022;
constexpr int FileNotFound = 3024;
constexpr int NotValidPassword = 3031;
constexpr int TooFewParameters = 3061;    // a name that is neither a column nor a function
constexpr int SyntaxInExpression = 3075;
constexpr int NoSuchTable = 3078;
constexpr int UndefinedFunction = 3085;
constexpr int UpdateWithoutEdit = 3020;
constexpr int ObjectInvalid = 3420;       // object invalid or no longer set (closed)
constexpr int InvalidSql = 3129;
constexpr int CharsAfterEnd = 3142;
constexpr int TableExists = 3010;
constexpr int FieldExists = 3191;
constexpr int FieldTooSmall = 3163;
constexpr int DatabaseExists = 3204;
constexpr int Locked = 3228;
constexpr int NotUpdatable = 3027;
constexpr int OperationNotSupported = 3251;
constexpr int ItemNotFound = 3265;
constexpr int RequiredNull = 3314;
constexpr int ZeroLength = 3315;
constexpr int Overflow = 3349;
constexpr int QueryTooComplex = 3360;    // nested deeper than the translation or the engine takes
constexpr int NotADatabase = 3343;        // unrecognised database format
constexpr int NotInTransaction = 3034;
constexpr int CannotOpen = 3044;          // not a valid path / cannot open
constexpr int DiskIO = 3040;
}

class Database;
class Recordset;
class Field;
class Fields;
class TableDef;
class TableDefs;

namespace detail {
struct DatabaseData;
struct RecordsetData;
struct FieldData;
struct TableDefData;
}

// One field: a column of a record set (Value, chunks) or a field definition of a
// table (Name, Type, Size, ... set before it is appended).
class Field {
public:
    Field();
    bool isNothing() const { return !d; }

    QString Name() const;
    void setName(const QString& name) const;
    int Type() const;
    void setType(int type) const;
    // Text: the width in characters; numbers: bytes; long binary and memo: 0.
    int Size() const;
    void setSize(int size) const;
    int Attributes() const;
    void setAttributes(int attributes) const;
    bool Required() const;
    void setRequired(bool required) const;
    bool AllowZeroLength() const;
    void setAllowZeroLength(bool allow) const;
    QString ValidationRule() const;
    void setValidationRule(const QString& rule) const;
    QString ValidationText() const;
    void setValidationText(const QString& text) const;
    QVariant DefaultValue() const;
    void setDefaultValue(const QVariant& value) const;
    int OrdinalPosition() const;
    void setOrdinalPosition(int position) const;
    // The name of the table the column comes from ("" for an expression).
    QString SourceTable() const;

    // Record-set fields only. Reading without a current record raises 3021.
    QVariant Value() const;
    // Only during AddNew or Edit; a value the field's type cannot take raises 13
    // (or 3349 when out of range, 3163 when too long).
    void setValue(const QVariant& value) const;
    // Long binary: the first AppendChunk after AddNew/Edit replaces the value.
    void AppendChunk(const QByteArray& bytes) const;
    QByteArray GetChunk(qint64 offset, qint64 bytes) const;
    // Bytes of a long binary or characters of a text value; -1 for Null.
    qint64 FieldSize() const;

private:
    friend struct detail::RecordsetData;
    friend struct detail::TableDefData;
    friend class Fields;
    friend class TableDef;
    friend class TableDefs;
    friend class Database;
    explicit Field(std::shared_ptr<detail::FieldData> data) : d(std::move(data)) {}
    std::shared_ptr<detail::FieldData> d;
};

// The fields of a record set or of a table definition, from position 0.
class Fields {
public:
    Fields();
    int Count() const;
    // By position or by name ignoring letter case ("Name" or "[Name]"); unknown: 3265.
    Field Item(int index) const;
    Field Item(const QString& name) const;
    Field operator()(int index) const { return Item(index); }
    Field operator()(const QString& name) const { return Item(name); }
    Field operator()(const char* name) const { return Item(QString::fromUtf8(name)); }
    // Table definitions only: before the table is appended, or adding a column to it.
    void Append(const Field& field);
    void Delete(const QString& name);
    void Refresh();

private:
    friend class Recordset;
    friend class TableDef;
    std::shared_ptr<detail::RecordsetData> rs;
    std::shared_ptr<detail::TableDefData> td;
};

class TableDef {
public:
    TableDef();
    bool isNothing() const { return !d; }

    QString Name() const;
    void setName(const QString& name);
    int Attributes() const;
    void setAttributes(int attributes);
    QString ValidationRule() const;
    void setValidationRule(const QString& rule);
    QString ValidationText() const;
    void setValidationText(const QString& text);
    // The rows in the table now (0 before it is appended).
    int RecordCount() const;

    dao::Fields Fields() const;
    Field Fields(int index) const;
    Field Fields(const QString& name) const;
    // As in DAO, a new field is not Required and, for text, does not allow
    // zero-length values until AllowZeroLength is set; text is 255 wide by default.
    Field CreateField(const QString& name = QString(), int type = 0, int size = -1) const;
    Recordset OpenRecordset(int type = dbOpenTable, int options = 0) const;

private:
    friend class Database;
    friend class TableDefs;
    friend class Fields;
    explicit TableDef(std::shared_ptr<detail::TableDefData> data) : d(std::move(data)) {}
    std::shared_ptr<detail::TableDefData> d;
};

// The user tables of a database in name order; the layer's own tables are hidden.
class TableDefs {
public:
    TableDefs();
    int Count() const;
    TableDef Item(int index) const;
    TableDef Item(const QString& name) const;
    TableDef operator()(int index) const { return Item(index); }
    TableDef operator()(const QString& name) const { return Item(name); }
    TableDef operator()(const char* name) const { return Item(QString::fromUtf8(name)); }
    // Creates the table in the file (3010 when the name is taken).
    void Append(const TableDef& table);
    // Drops the table and its rows.
    void Delete(const QString& name);
    void Refresh();

private:
    friend class Database;
    std::shared_ptr<detail::DatabaseData> db;
};

class Recordset {
public:
    Recordset();
    bool isNothing() const { return !d; }

    // EOF is a macro of <cstdio>: the DAO EOF and BOF are Eof() and Bof().
    bool Eof() const;
    bool Bof() const;
    void MoveFirst();
    void MoveLast();
    void MoveNext();
    void MovePrevious();
    void Move(int rows);
    // The rows visited so far (all of them after MoveLast), as in DAO.
    int RecordCount() const;
    // The current row from 0; -1 without one.
    int AbsolutePosition() const;
    void setAbsolutePosition(int position);

    // The field stays valid while the record set lives; copy the handle to keep it longer.
    dao::Fields Fields() const;
    const Field& Fields(int index) const;
    const Field& Fields(const QString& name) const;
    const Field& operator()(int index) const { return Fields(index); }
    const Field& operator()(const QString& name) const { return Fields(name); }
    const Field& operator()(const char* name) const { return Fields(QString::fromUtf8(name)); }

    void AddNew();
    void Edit();
    // Writes the new or edited row: 3022 for a duplicate key, 3314 for a missing
    // required value, 3228 when the file is locked by another user.
    void Update();
    void CancelUpdate();
    int EditMode() const;
    bool Updatable() const;
    int Type() const;
    QString Name() const;   // the statement or table it was opened on

    // A second record set on the same rows, on its first row.
    Recordset Clone() const;
    // Runs the query again and moves to the first row.
    void Requery();
    void Close();

private:
    friend class Database;
    friend class TableDef;
    explicit Recordset(std::shared_ptr<detail::RecordsetData> data) : d(std::move(data)) {}
    std::shared_ptr<detail::RecordsetData> d;
};

class Database {
public:
    Database();
    bool isNothing() const { return !d; }

    QString Name() const;      // the file's path
    QString Connect() const;   // the connect string it was opened with, password removed
    bool Updatable() const;

    // `source` is Jet SQL or a table name. Snapshots and dbReadOnly are read-only.
    // A snapshot shows the rows as they were when it was opened; a table's or a dynaset's
    // set of keys is fixed when it is opened (a row deleted meanwhile raises 3167), its
    // rows are read as they are now. A dynaset without keys (a join, DISTINCT) reads as a
    // snapshot. An open record set never makes this copy's own writes fail.
    Recordset OpenRecordset(const QString& source, int type = 0, int options = 0, int lockEdit = 0);
    // Runs one action statement; returns the rows affected (also RecordsAffected()).
    int Execute(const QString& sql, int options = 0);
    int RecordsAffected() const;

    dao::TableDefs TableDefs() const;
    TableDef CreateTableDef(const QString& name = QString(), int attributes = 0,
                            const QString& sourceTable = QString(), const QString& connect = QString());
    void Close();
    // Closes, then makes sure the file holds everything by itself, for a file that is to
    // be moved or handed on: back in the old journal mode with no journal beside it.
    // Another connection still open keeps the journal: 3228 (3040 for any other cause).
    void CloseToOneFile();

private:
    friend class DBEngine;
    friend class TableDefs;
    friend class TableDef;
    friend class Recordset;
    friend struct detail::RecordsetData;
    explicit Database(std::shared_ptr<detail::DatabaseData> data) : d(std::move(data)) {}
    std::shared_ptr<detail::DatabaseData> d;
};

// Removes a closed database file that is not wanted, with the journal and lock files beside it.
void RemoveDatabaseFile(const QString& path);

// The engine: opens and creates databases; its transaction spans every open database.
class DBEngine {
public:
    // connect: ";PWD=password" (letter case of the key ignored). A missing file
    // raises 3024, a wrong or missing password 3031, a file that is no database 3343,
    // a file locked by another user 3228.
    static Database OpenDatabase(const QString& name, bool exclusive = false, bool readOnly = false,
                                 const QString& connect = QString());
    // locale: a locale string such as dbLangChineseSimplified, optionally followed by
    // ";pwd=password". An existing file raises 3204. With accessOf (a copy of that
    // database), the new file and its journals take that file's group and no wider mode
    // from the start; otherwise they are made as the engine makes a file (0644, less the
    // umask).
    static Database CreateDatabase(const QString& name, const QString& locale, int options = 0,
                                   const QString& accessOf = QString());

    // Every database open at BeginTrans takes part: at its first statement in the
    // transaction, a read too (BEGIN IMMEDIATE there: a writer elsewhere gives 3228 after
    // the busy timeout), so what the transaction reads stays as read until it commits.
    // With dbReadsShared a database that is only read locks nothing and its reads see one
    // state (a copy of the file while others write). Nested calls make save points and
    // keep the outer call's choice.
    static void BeginTrans(int reads = dbReadsLock);
    static void CommitTrans();
    static void Rollback();
    static int TransactionLevel();

    // How long a statement waits for another user's lock before raising 3228.
    static void setBusyTimeout(int milliseconds);
    static int busyTimeout();
};

} // namespace dao
