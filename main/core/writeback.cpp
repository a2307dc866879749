#include "main/core/writeback.h"
#include "main/core/mdlmisc.h"
#include "platform/dao/transaction.h"
#include <QDateTime>

namespace ostrel {

namespace {

bool isNothing(const QVariant& v)
{
    return v.isNull() || (v.typeId() == QMetaType::QString && v.toString().isEmpty());
}

// Texts, dates and bytes as they are ("001" is not "1"); numbers (codes) by value; Null and
// an empty text alike, as a box shows them.
bool same(const QVariant& a, const QVariant& b)
{
    if (isNothing(a) || isNothing(b))
        return isNothing(a) && isNothing(b);
    if (a.typeId() == QMetaType::QString || b.typeId() == QMetaType::QString)
        return a.toString() == b.toString();
    if (a.typeId() == QMetaType::QDateTime && b.typeId() == QMetaType::QDateTime)
        return a.toDateTime() == b.toDateTime();
    if (a.typeId() == QMetaType::QByteArray || b.typeId() == QMetaType::QByteArray)
        return a.toByteArray() == b.toByteArray();
    return SameValue(a, b);
}

} // namespace

bool ShownField::changedHere() const { return !same(shown, edited); }

bool ShownField::conflict() const { return changedHere() && !same(seen, stored) && !same(edited, stored); }

bool WriteBack(const std::function<FieldConflicts()>& attempt, const ConfirmConflicts& confirm)
{
    for (;;) {
        FieldConflicts conflicts;
        {
            dao::Transaction tx;
            conflicts = attempt();
            if (conflicts.isEmpty()) {
                tx.commit();
                return true;
            }
        }
        if (!confirm || !confirm(conflicts))
            return false;
    }
}

QString ConflictQuestion(const FieldConflicts& conflicts)
{
    QString text = QStringLiteral("在您打开之后，其他用户修改并保存了以下内容，您也修改了它们：\n");
    for (const FieldConflict& c : conflicts)
        text += QStringLiteral("\n%1：您的值“%2”，已保存的值“%3”").arg(c.label, c.yours, c.stored);
    return text + QStringLiteral("\n\n要用您的值覆盖已保存的值吗？");
}

} // namespace ostrel
