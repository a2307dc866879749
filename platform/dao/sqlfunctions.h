#pragma once
// What every connection of the layer gets: the Jet functions the translated SQL
// calls (jet_*), like() with Jet wildcards, and NOCASE with Unicode case folding.
#include <QString>

struct sqlite3;

namespace dao::detail {

void registerFunctions(sqlite3* db);
// The NOCASE collation's order for two texts (<0, 0, >0).
int compareNoCase(const QString& a, const QString& b);

} // namespace dao::detail
