#pragma once
// The conditions of the device tree and the device list, apart from any widget: the
// classification schemes, a node's condition and path, the user filter and the
// departments the operator may see.
#include <QString>
#include <QStringList>
#include <QVector>

namespace ostrel {

// The six classification schemes: "caption:level;level;...", one per line.
const QStringList& ClassSchemes();
// The captions of the schemes, in order.
QStringList SchemeCaptions();
// The scheme's levels, each preceded by ";" (the root's level is the empty first
// element); a date level (flag "2") becomes three levels, unknown flags are dropped.
QString ExpandScheme(const QString& schemeLine);

// A level or node Tag split at ",", padded with empty fields to `count`.
QStringList TagFields(const QString& tag, int count);
// The level of a node with this Tag: "" for the root, the Tag itself with fewer than
// four fields, else its first three fields.
QString NodeLevel(const QString& tag);

// One node below the root, as the tree holds it.
struct TreeNode {
    QString text;
    QString tag;
};

// The node's conditions joined by " AND " (no "WHERE"); `chain` runs from the root's
// child down to the node. Text values are compared trimmed with their quotes doubled,
// an empty text selects Null and blank values, coded values must be whole numbers
// (error 13 otherwise).
QString NodeConditions(const QVector<TreeNode>& chain);
// The node's path: "[root]-[a]-[b]", or "[root]" for the root.
QString NodePath(const QString& rootText, const QVector<TreeNode>& chain);

// The condition allowing only the operator's departments: "" when departIds is empty,
// "([Dep_ID] IN (1,3))" for the whole numbers of the ","-separated list, and a
// condition no row meets when the list holds none.
QString DepartCondition(const QString& departIds);

// Raises the database layer's error unless filter is one complete condition on its own.
void CheckUserFilter(const QString& filter);
// Whether an error number of the list's query is the refusal of the user filter's text:
// its syntax, a name, a function or a value the database does not take. A state of the
// database (locked, unreadable, damaged) has numbers of its own.
bool RefusesFilterText(int errorNumber);

// What the list may show, as the printing window takes it: the node's clause with the
// departments (" WHERE ..." or ""), and the user filter in parentheses (or "").
struct ListRestriction {
    QString viewWhere;
    QString filterText;
};
ListRestriction BuildListRestriction(const QString& nodeConditions, const QString& filter,
                                     const QString& departIds);

// The list's clause: the node's conditions, "(" filter ")" and the departments joined
// by " AND " after " WHERE ", or "" when there is none. Checks the filter first.
QString ListWhere(const QString& nodeConditions, const QString& filter, const QString& departIds);
// The list's query over Dev_Info with that clause, and a query of one constant per row
// for counting them (an index on the clause's columns answers it without the rows).
QString ListQuery(const QString& where);
QString ListCountQuery(const QString& where);

} // namespace ostrel
