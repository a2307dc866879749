#pragma once
// Storing the code rule's definition text in SysInfo "CodeRule" while other copies of the
// program may store theirs: the stored rule is read and written in one transaction, and a
// rule another copy stored since this one read it is overwritten only when the user says so.
#include "main/core/writeback.h"
#include <QString>

namespace ostrel {

// What rule text `yours` differs in from `stored`, as the save question names it: the rule's
// name and settings, each band added, dropped or changed (by its properties), the band order.
FieldConflicts RuleDifferences(const QString& yours, const QString& stored);

// Stores `value` as the code rule. When the stored rule is neither `seen` (what this copy last
// read) nor `value`, nothing is written and confirm is asked, with no transaction open, what
// differs; yes reads again and asks again when it changed once more, no ends it: false. On
// success seen becomes value.
bool StoreCodeRule(const QString& value, QString& seen, const ConfirmConflicts& confirm);

} // namespace ostrel
