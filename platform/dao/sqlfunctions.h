#pragma once
// What every connection of the layer gets: the Jet functions the translated SQL
// calls (jet_*), like() with Jet wildcards, and NOCASE with Unicode case folding.
#include <QString>
#include <QVariant>

struct sqlite3;
typedef struct Mem sqlite3_value;   // as <sqlite3.h> declares it

namespace dao::detail {

// Registers NOCASE as case folding; useChineseOrder makes it the Chinese locale's
// order (a database made with that locale, its indexes built so).
void registerFunctions(sqlite3* db);
// An SQL value as the runtime's value (integer, double, text, bytes, Null).
QVariant sqlValue(sqlite3_value* v);
void useChineseOrder(sqlite3* db);
void useCaseFoldOrder(sqlite3* db);
int compareChinese(const QString& a, const QString& b);
// The NOCASE collation's order for two texts (<0, 0, >0).
int compareNoCase(const QString& a, const QString& b);

} // namespace dao::detail
