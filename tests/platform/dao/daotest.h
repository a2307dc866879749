#pragma once
// Shared set-up of the database layer's tests: a keyed database in the test's folder.
#include "platform/dao/dao.h"
#include "tests/common/testutil.h"
#include <QFile>
#include <gtest/gtest.h>

namespace daotest {

inline const QString kPassword = QStringLiteral("TORVAMS");
inline QString chineseLocale() { return QString::fromLatin1(dao::dbLangChineseSimplified); }

inline dao::Field addField(dao::TableDef& t, const QString& name, int type, int size = -1, bool required = false)
{
    dao::Field f = t.CreateField(name, type, size);
    f.setRequired(required);
    if (type == dao::dbText || type == dao::dbMemo) f.setAllowZeroLength(true);
    t.Fields().Append(f);
    return f;
}

// A new database with table "Items": ID long, Name text(20) required, Qty integer,
// Price currency, Made date, Memo memo, Data long binary, Flag yes/no.
inline dao::Database makeItems(const QString& path)
{
    dao::Database db = dao::DBEngine::CreateDatabase(path, chineseLocale() + QStringLiteral(";pwd=") + kPassword);
    dao::TableDef t = db.CreateTableDef(QStringLiteral("Items"));
    addField(t, QStringLiteral("ID"), dao::dbLong, -1, true);
    addField(t, QStringLiteral("Name"), dao::dbText, 20, true);
    addField(t, QStringLiteral("Qty"), dao::dbInteger);
    addField(t, QStringLiteral("Price"), dao::dbCurrency);
    addField(t, QStringLiteral("Made"), dao::dbDate);
    addField(t, QStringLiteral("Memo"), dao::dbMemo);
    addField(t, QStringLiteral("Data"), dao::dbLongBinary);
    addField(t, QStringLiteral("Flag"), dao::dbBoolean);
    db.TableDefs().Append(t);
    db.Execute(QStringLiteral("CREATE UNIQUE INDEX ix_id ON [Items] ([ID]);"));
    return db;
}

inline void addItem(dao::Database& db, int id, const QString& name, const QVariant& made = QVariant(),
                    const QVariant& qty = QVariant())
{
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("SELECT * FROM [Items]"));
    rs.AddNew();
    rs("ID").setValue(id);
    rs("Name").setValue(name);
    if (made.isValid()) rs("Made").setValue(made);
    if (qty.isValid()) rs("Qty").setValue(qty);
    rs.Update();
    rs.Close();
}

// The number of the vb::Error that `f` raises, or 0.
template <typename F>
int errorOf(F f)
{
    try {
        f();
    } catch (const vb::Error& e) {
        return e.number();
    }
    return 0;
}

inline QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

} // namespace daotest
