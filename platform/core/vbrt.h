#pragma once
// Runtime helpers of the classic kind: blanks, splitting and joining, rounding half to
// even, comparison ignoring letter case.
#include <QString>
#include <QStringList>

namespace vb {

// Remove leading / trailing / both blanks (the space character only, as the runtime does:
// tabs and line breaks stay).
QString LTrim(const QString& s);
QString RTrim(const QString& s);
QString Trim(const QString& s);

// Splits at every occurrence of the delimiter. The empty text gives no parts; an empty
// delimiter gives the whole text as one part. limit > 0 stops after limit parts, the last
// holding the rest. ignoreCase matches the delimiter without regard to letter case.
QStringList Split(const QString& s, const QString& delimiter = QStringLiteral(" "), int limit = -1,
                  bool ignoreCase = false);
QString Join(const QStringList& parts, const QString& delimiter = QStringLiteral(" "));

// Rounds to the given number of decimals, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
// Raises error 5 for a negative number of decimals.
double Round(double value, int decimals = 0);

// The whole-number conversions: halves to even; error 6 (overflow) outside the range,
// error 13 for a value that is not a number.
qint16 CInt(double value);
qint32 CLng(double value);

// Comparison: -1, 0 or 1. ignoreCase compares as text (letter case ignored), otherwise
// as binary (code units).
int StrComp(const QString& a, const QString& b, bool ignoreCase = true);
inline bool sameText(const QString& a, const QString& b) { return StrComp(a, b, true) == 0; }

// 1-based position of what in s from start, 0 when not found (start past the end also 0).
int InStr(int start, const QString& s, const QString& what, bool ignoreCase = false);
inline int InStr(const QString& s, const QString& what, bool ignoreCase = false)
{
    return InStr(1, s, what, ignoreCase);
}

// The position of the first character a text cannot be stored with: NUL, or one half
// of a UTF-16 surrogate pair without the other; -1 when there is none.
qsizetype UnstorableChar(const QString& s);
// "U+0000": the code of the character at that position, for messages.
QString CharCode(const QString& s, qsizetype at);

// At most a short excerpt of a text from a position, for messages: leading blanks
// skipped, "…" where it was cut, characters that cannot be shown replaced.
QString Excerpt(const QString& s, qsizetype from = 0, qsizetype length = 40);

} // namespace vb
