#pragma once
// The library's string table and its own name.
#include <QString>

namespace quillon {

// The text of a message of the table (Chinese only).
QString msg(int id);

// The library's name: the title of its boxes for errors that name no source.
QString libraryName();

} // namespace quillon
