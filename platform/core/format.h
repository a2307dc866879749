#pragma once
// The runtime's conversions between values and text: Format, Val, CStr, CDate.
// The database layer's SQL FORMAT and VAL call these same functions.
#include <QDateTime>
#include <QString>
#include <QVariant>

namespace vb {

// Format(value, pattern) of the runtime. Date patterns: yyyy yy m mm mmm mmmm d dd
// ddd dddd h hh n nn s ss, "mm" after h/hh or before s/ss means minutes, AM/PM;
// literal text in "..." or after "\", and any other character as itself.
// Number patterns: 0 # . , % with up to three ";"-separated sections; named
// formats "General Number", "Currency", "Fixed", "Standard", "Percent",
// "General Date", "Long Date", "Short Date", "Long Time", "Short Time", "Yes/No",
// "True/False", "On/Off". An empty pattern gives CStr(value). Null gives "".
QString Format(const QVariant& value, const QString& pattern = QString());

// The leading number of a text: blanks ignored, "." the decimal point, "&H"/"&O"
// prefixes; 0 when the text starts with no number.
double Val(const QString& text);
// Whether a text is wholly a decimal number of the form Val reads ("-12", "3.5", ".5",
// "1e5"), blanks around it aside; the number in *out, infinite when it is too large
// ("1e400"). "1,234.5", "￥300" and "1 2" are not.
bool WholeNumber(const QString& text, double* out);

// A value as text: numbers in their shortest form, dates "yyyy-MM-dd HH:mm:ss"
// ("yyyy-MM-dd" at midnight), booleans "True"/"False", Null "".
QString CStr(const QVariant& value);

// Text or a value that reads as a date: "YYYY-MM-DD HH:MM[:SS]", "YYYY/M/D",
// "YYYY-MM-DD", "YYYY-MM", ... ; numbers are day serials from 1899-12-30.
// Invalid: ok = false and an invalid QDateTime.
QDateTime toDate(const QVariant& value, bool* ok = nullptr);
// Like toDate, raising the type-mismatch error 13 for a value that is no date.
QDateTime CDate(const QVariant& value);
bool IsDate(const QVariant& value);
// Whether a value is a number or a text that is wholly one.
bool IsNumeric(const QVariant& value);
// Text of at most 15 digits, with or without '-' and a fraction ("-12", "3.5"), read as
// QString::toDouble reads it, only faster; false for any other text.
bool PlainNumber(QStringView text, double* out);

// The one stored form of a date: "yyyy-MM-dd HH:mm:ss".
QString dateToStored(const QDateTime& date);
QDateTime dateFromStored(const QString& text);

} // namespace vb
