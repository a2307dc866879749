#pragma once
// Stored passwords: a salted PBKDF2 hash in line 1 of a user's memo. The empty
// password is stored as the empty text.
#include <QString>

namespace ostrel {

// The stored form of a password; the empty text for the empty password.
QString HashPassword(const QString& password);

// Whether a typed password matches its stored form. A stored text that is not a hash
// (written by an older program) is compared as the password itself.
bool VerifyPassword(const QString& stored, const QString& password);

// A password may neither begin nor end with a blank: the log-in trims what is typed, so
// such a password could never be typed again. Setting one is refused; a typed password
// is checked without its outer blanks.
bool HasOuterBlanks(const QString& password);

// True when the stored form is not (yet) a hash of ours.
bool NeedsRehash(const QString& stored);

} // namespace ostrel
