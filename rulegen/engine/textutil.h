#pragma once
// Text helpers of the engine: trimming, numbers, display formats, dates, keys.
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

namespace tessaly::text {

// Trims blanks (spaces only) at both ends.
QString trim(const QString& s);
bool sameText(const QString& a, const QString& b); // ignoring letter case

// Numeric text: optional blanks, sign, digits with one decimal point, optional exponent.
bool isNumeric(const QString& s);
// The leading number of s (0 when there is none).
double numberValue(const QString& s);
// The leading number written back as canonical number text ("007" gives "7").
QString numberText(const QString& s);
QString numberToText(double d);

// Applies a display format: digit placeholders (0 #), text placeholders (@ & < > !)
// and date/time parts (yyyy yy mm dd hh nn ss ...). A value the format cannot take stays as it is.
QString format(const QString& value, const QString& fmt);

// The zero date and the default date-to-text conversion and back.
QDateTime zeroDate();
QString dateText(const QDateTime& d);
bool parseDate(const QString& s, QDateTime* out);

// A text read as a whole number; false when it is not a number.
bool toWhole(const QString& s, qint64* out);

// Whether s holds none of the characters that separate the parts of a definition text.
bool fitsText(const QString& s, const char* separators);

// An index-or-key argument: a number is a position, a text a key; invalid = not given.
inline bool given(const QVariant& v) { return v.isValid() && !v.isNull(); }
bool isPosition(const QVariant& v);
qint64 position(const QVariant& v);
// The index (from 0) an index-or-key argument names among `count` entries: a position from 1,
// or the first entry i with named(i, key). A position out of range raises the subscript error,
// a key no entry has (or no key at all) the invalid-call error.
int indexOfKey(const QVariant& v, int count, const std::function<bool(int, const QString&)>& named);

} // namespace tessaly::text
