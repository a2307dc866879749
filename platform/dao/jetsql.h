#pragma once
// Translation of Jet SQL into the SQL of SQLite 3.15, through a tokenizer and a
// recursive-descent parser: what it cannot translate faithfully it refuses.
#include <QString>
#include <QStringList>

namespace dao::jetsql {

enum class Kind { Select, Delete, Update, Insert, CreateIndex, DropIndex, DropTable };

struct Translation {
    Kind kind = Kind::Select;
    QString sql;            // the SQLite statement, without ";"
    // SELECT from one table without DISTINCT or join: that table, and the name
    // the statement refers to it by (alias or table name). Empty otherwise.
    QString baseTable;
    QString baseRef;
    bool hasRowid = false;  // the first result column is the base table's rowid
    QString keySql;         // with hasRowid: the rowids of the rows, in the statement's order
    QString rowSql;         // with hasRowid: the statement's columns of the row whose rowid is ?1
    QString table;          // DELETE / UPDATE / INSERT / index statements: the table
};

// What the translation may ask of the database: the columns of its tables.
struct ColumnInfo {
    QString name;
    int type = 0;              // dao::DataType
    int size = 0;
    bool allowZeroLength = true;
};
class Schema {
public:
    virtual ~Schema() = default;
    // False when the table or the column is unknown.
    virtual bool column(const QString& table, const QString& name, ColumnInfo* out) const = 0;
    // The columns of a table in their order.
    virtual QStringList columns(const QString& table) const = 0;
};

// Translates one Jet statement (an optional ";" may end it). withRowid: for a
// SELECT from one table, put that table's rowid first in the result. With a schema,
// dates compare with numbers by their serial value, dates joined with & give their
// text form, and values written by UPDATE and INSERT pass their column's type check.
// Raises vb::Error: 3129 not a statement, 3142 text after the statement,
// 3075 syntax error in an expression, 3085 unknown function, 3131 bad FROM clause,
// 3001 a construct the layer does not support, 3360 parentheses, signs, calls or subqueries
// nested more than 100 deep, or an expression taller than SQLite runs.
Translation translate(const QString& jet, bool withRowid = false, const Schema* schema = nullptr);

// A SQL text literal for a value.
QString quoteText(const QString& text);
// A [name] for SQLite.
QString quoteName(const QString& name);

} // namespace dao::jetsql
