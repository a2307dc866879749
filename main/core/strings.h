#pragma once
// The main program's numbered string table.
#include "shared/res/strings.h"

namespace ostrel {

const res::StringTable& strings();
// A text of the table; "*" in it replaced by `name` when one is given.
QString Str(int id);
QString Str(int id, const QString& name);

} // namespace ostrel
