#pragma once
// The runtime's Like operator, also the SQL LIKE of the database layer.
#include <QString>

namespace vb {

// Whether `text` matches the Jet/VB pattern: "*" any run, "?" any one character,
// "#" one digit, "[abc]" / "[a-z]" one of, "[!abc]" none of; "[*]" etc. stand for
// themselves. Letter case is ignored (Unicode case folding). A malformed pattern
// ("[" without "]", a descending range) raises error 93.
bool Like(const QString& text, const QString& pattern);

// Full Unicode case folding ("ß" and "SS" fold alike): the one case-insensitive
// form used by Like and by the database's text comparisons.
QString caseFold(const QString& text);

} // namespace vb
