#pragma once
// The runtime's Like operator, also the SQL LIKE of the database layer.
#include <QString>

namespace vb {

// Whether `text` matches the Jet/VB pattern: "*" any run, "?" any one character,
// "#" one digit, "[abc]" / "[a-z]" one of, "[!abc]" none of. Letter case is ignored
// (Unicode case folding). A malformed pattern ("[" without "]") raises error 93.
bool Like(const QString& text, const QString& pattern);

} // namespace vb
