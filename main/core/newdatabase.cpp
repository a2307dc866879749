#include "main/core/newdatabase.h"
#include "main/core/defaultrule.h"
#include "main/core/mdlmisc.h"
#include "main/core/password.h"
#include "main/core/schema.h"
#include "main/core/strings.h"
#include "main/core/usrinfos.h"
#include "platform/dao/dao.h"
#include "platform/dao/transaction.h"
#include <QDir>
#include <QFileInfo>
#include <openssl/rand.h>

namespace ostrel {

void CreateTable(dao::Database& db, const schema::Table& t)
{
    dao::TableDef td = db.CreateTableDef(QString::fromUtf16(t.name));
    for (const schema::Field& f : t.fields) {
        dao::Field fd = td.CreateField(QString::fromUtf16(f.name), f.kind, f.kind == schema::Text ? f.size : -1);
        fd.setRequired(f.required);
        if (f.kind == schema::Text || f.kind == schema::Memo)
            fd.setAllowZeroLength(true);
        td.Fields().Append(fd);
    }
    db.TableDefs().Append(td);
    for (const schema::Index& ix : t.indexes)
        db.Execute(QStringLiteral("CREATE ") + (ix.unique ? QStringLiteral("UNIQUE ") : QString()) +
                   QStringLiteral("INDEX ") + SqlName(QString::fromUtf16(ix.name)) + QStringLiteral(" ON ") +
                   SqlName(QString::fromUtf16(t.name)) + QStringLiteral(" (") +
                   SqlName(QString::fromUtf16(ix.column)) + QStringLiteral(");"));
}

namespace {

void addRow(dao::Recordset& rs, int id, const QString& type, int no, const QString& value, const QString& memo)
{
    rs.AddNew();
    rs.Fields(QStringLiteral("ID")).setValue(id);
    rs.Fields(QStringLiteral("Type")).setValue(type);
    rs.Fields(QStringLiteral("No")).setValue(no);
    rs.Fields(QStringLiteral("Value")).setValue(value);
    if (!memo.isNull())
        rs.Fields(QStringLiteral("Memo")).setValue(memo);
    rs.Update();
}

} // namespace

QString GeneratePassword(int length)
{
    static const char kAlphabet[] = "abcdefghjkmnpqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789";
    const int n = int(sizeof(kAlphabet)) - 1;
    QString out;
    while (out.size() < length) {
        unsigned char b = 0;
        if (RAND_bytes(&b, 1) != 1)
            qFatal("no random bytes for a password");
        if (b < 256 - 256 % n) // no bias
            out.append(QLatin1Char(kAlphabet[b % n]));
    }
    return out;
}

NewDatabaseResult CreateNewDatabase(const QString& folder, const QString& adminName, const QString& adminPassword)
{
    NewDatabaseResult r;
    r.path = QDir(folder).absoluteFilePath(QStringLiteral("Ostrel.mdb"));
    r.adminName = adminName;
    r.adminPassword = adminPassword.isEmpty() ? GeneratePassword() : adminPassword;
    if (HasOuterBlanks(r.adminPassword))
        throw vb::Error(kErrPasswordBlanks, Str(1094));
    if (QFileInfo::exists(r.path))
        throw vb::Error(dao::err::DatabaseExists, QStringLiteral("数据库文件[") + QDir::toNativeSeparators(r.path) +
                                                      QStringLiteral("]已经存在,不能覆盖。"));
    dao::Database db;
    try {
        db = dao::DBEngine::CreateDatabase(r.path, QString::fromLatin1(dao::dbLangChineseSimplified) +
                                                       QStringLiteral(";pwd=") + schema::databasePassword());
        for (const schema::Table& t : schema::tables())
            CreateTable(db, t);
        dao::Transaction tx;
        dao::Recordset rs = db.OpenRecordset(QStringLiteral("SysInfo"), dao::dbOpenDynaset);
        int id = 0;
        for (const QString& type : schema::baseDataTypes())
            addRow(rs, ++id, type, 0, QStringLiteral("未指定"), QString());
        // The discard command sets a device's condition to code 4.
        addRow(rs, ++id, QStringLiteral("State"), 4, QStringLiteral("报废"), QString());
        // An empty department line: every department.
        const QString memo = HashPassword(r.adminPassword) + QLatin1Char('\r') + QLatin1Char('\r') +
                             QStringLiteral("-1;-1;-1;-1;-1;-1;-1;-1;-1");
        addRow(rs, ++id, QStringLiteral("Users"), 3, adminName, memo);
        // A rule that numbers the first device at once.
        addRow(rs, ++id, QStringLiteral("CodeRule"), 0, QString(), DefaultCodeRule());
        rs.Close();
        tx.commit();
        EnsureKeyMarks(db);
        db.Close();
    } catch (...) {
        // only a file made here (a refused create leaves what was there alone)
        if (!db.isNothing()) {
            try {
                db.Close();
            } catch (...) {
            }
            dao::RemoveDatabaseFile(r.path);
        }
        throw;
    }
    return r;
}

} // namespace ostrel
