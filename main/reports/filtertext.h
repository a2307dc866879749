#pragma once
// The device filter's condition text, apart from the window: simple conditions on plain
// columns, the checked codes of coded columns, and their stored forms. QtCore only.
//
//   QString c = SimpleCondition(u"设备名称", u"LIKE", u"*机*", dao::dbText);  // ([设备名称]LIKE'*机*')
//   text = AppendCondition(text, c);                     // lines after the first begin " AND "
//   QString filter = ComposeFilter(text, coded);         // (simple) AND ([Dep_ID] IN (2,5))
#include "main/reports/devicefields.h"
#include <QString>

namespace ostrel {

// The quote a value of a field type takes: "#" dates and times, "'" text, none otherwise.
QString FilterQuote(int fieldType);

// "([C]OQVQ)"; an empty value: "([C] IS NULL)" for "=" (text also matches ''), "([C]O'')"
// for another operator on text. A quote inside a text value is doubled. Refused with
// 0x80040000 + 1073: an empty value with another operator on a column that is not text,
// a date value that is not a date or holds "#", a value of another column that is not a
// number; a value holding NUL or half a surrogate pair: 1000 "数据不合法！值".
QString SimpleCondition(const QString& column, const QString& op, const QString& value, int fieldType);

// The conditions box with a condition added: the condition alone when the box holds only
// blanks, else the box, CR LF, " AND " and the condition.
QString AppendCondition(const QString& box, const QString& condition);

// Whether the box counts as empty for highlighting and adding (blanks only).
bool BoxIsBlank(const QString& box);

// The filter: the box's lines joined (CR LF and LF alike become a blank), double blanks
// halved once, trimmed and put in parentheses, then "([C] IN (K))" for every coded
// column with codes, all joined by " AND "; "" when there is nothing.
QString ComposeFilter(const QString& box, const FieldTable& coded);

// The stored form of the coded selections: caption TAB Type TAB column TAB codes, one row
// per coded column, rows joined by CR.
QString ComplexFiltersText(const FieldTable& coded);

// Reads stored selections into `coded` by caption. Rows may be separated by CR, LF or
// CR LF; a row of fewer than four fields or naming no coded column is skipped; only the
// codes that are whole numbers are kept.
void LoadComplexFilters(const QString& text, FieldTable& coded);

// The whole-number codes of a ";"-separated list, joined by ";".
QString WholeCodes(const QString& codes);

} // namespace ostrel
