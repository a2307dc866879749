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
// An entry as a window shows it (`shown`), and as it was stored when the window showed it
// (`seen`): a save compares with these, field by field.
struct ShownRow {
    BaseEntry shown;
    BaseEntry seen;
};
// What a save or delete came to: whether it wrote, the entry as stored now (none when it is
// gone), and, when another copy deleted or recoded the entry, the refusal to show (nothing
// was written then).
struct Outcome {
    bool written = false;
    std::optional<BaseEntry> stored;
    QString refusal;
    BaseEntry show;   // what the window shows of the entry now
};
// Changes the entry the window showed, addressed by its [ID], to the typed code,
// description and remark. A text the user left as shown (blanks at either end of the
// description aside) is neither written nor asked about; one that another copy changed too
// is written only when confirm says yes. Afterwards `row` is what the next save compares
// with, and show what the window shows: the entry as stored, but for a text the user changed
// and did not save, which keeps what was typed (and will be asked about again).
Outcome modify(const QString& type, ShownRow& row, const QString& no, const QString& value, const QString& memo,
               const ConfirmConflicts& confirm = {});
// Raises the refusal when entry `no` may not be deleted (code 0, in use).
void checkDeletable(const QString& type, const QString& no);
// Deletes the entry the window showed, by its [ID], checking again in the same transaction.
// Gone already or recoded by another copy: refused, nothing written.
Outcome remove(const QString& type, const BaseEntry& shown);

// How many users' allowed-department lines hold department code `no`.
int countDepartmentUsers(qint32 no);

} // namespace basedata

// How many device and history rows use code `no` of the base-data list `type`.
int CountBaseDataUses(const QString& type, qint32 no);

} // namespace ostrel
