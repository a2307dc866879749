#pragma once
// The tables of Ostrel.mdb, as the new-database tool creates them.
#include <QString>
#include <QVector>

namespace ostrel::schema {

// Field kinds, numbered as the database layer numbers them.
enum Kind : int { Long = 4, Currency = 5, Double = 7, Date = 8, Text = 10, LongBinary = 11, Memo = 12 };

struct Field {
    const char16_t* name;
    Kind kind;
    int size;       // text width; 0 for the others
    bool required;
};

struct Index {
    const char16_t* name;
    const char16_t* column;
    bool unique;
};

struct Table {
    const char16_t* name;
    QVector<Field> fields;
    QVector<Index> indexes;
    const char16_t* key = nullptr;   // the column whose new keys the program takes
};

// The tables, in the order they are created: the seven of the register, then KeyMarks.
const QVector<Table>& tables();

// The table KeyMarks: for a table and its key column, the highest key ever given there.
const Table& keyMarks();

// The eight base-data lists, in the editor's tab order.
const QVector<QString>& baseDataTypes();

// The database password and the connect string that opens the file.
QString databasePassword();
QString connectString();

} // namespace ostrel::schema
