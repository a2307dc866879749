#pragma once
// The rules of the base-data lists of SysInfo (departments, groups, ...): codes are whole
// numbers, unique with their texts within a list; code 0 is fixed; a code in use keeps.
// Every refusal is a vb::Error numbered 1000 with the text the user sees.
#include "main/core/writeback.h"
#include <QString>
#include <optional>
#include <QVariant>
#include <QVector>

namespace ostrel {

struct BaseEntry {
    QVariant id;   // the row's [ID]
    qint32 no = 0;
    QString value;
    QString memo;
};

namespace basedata {

constexpr int kRefusal = 1000;

// The entries of list `type`, by code.
QVector<BaseEntry> list(const QString& type);

// A code as typed: a whole number that fits the column (refused otherwise).
qint32 wholeCode(const QString& text);

// Code 0 ("未指定") can be neither changed nor deleted.
bool isFixedCode(const QString& codeText);
QString fixedUpdateText();
QString fixedDeleteText();

// Adds an entry; returns it as stored.
BaseEntry add(const QString& type, const QString& no, const QString& value, const QString& memo);
// The description and remark of an entry as a window showed them.
struct ShownEntry {
    QString value;
    QString memo;
};
// Changes the entry of code oldNo ("" when none is chosen), which the window showed as
// `shown`: a text the user left as shown keeps what is stored; one that another copy changed
// too is written only when confirm says yes (No: nothing is written, nullopt). Returns the
// entry as stored.
std::optional<BaseEntry> modify(const QString& type, const QString& oldNo, const QString& no, const QString& value,
                                const QString& memo, const ShownEntry& shown, const ConfirmConflicts& confirm = {});
// Raises the refusal when entry `no` may not be deleted (code 0, in use).
void checkDeletable(const QString& type, const QString& no);
// Deletes the entry, checking again in the same transaction; false when it was gone.
bool remove(const QString& type, const QString& no);

// How many users' allowed-department lines hold department code `no`.
int countDepartmentUsers(qint32 no);

} // namespace basedata

// How many device and history rows use code `no` of the base-data list `type`.
int CountBaseDataUses(const QString& type, qint32 no);

} // namespace ostrel
