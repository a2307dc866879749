#include "main/core/backup.h"
#include "main/core/mdlmisc.h"
#include "main/core/schema.h"
#include "platform/core/events.h"
#include "platform/core/sharedfile.h"
#include "platform/dao/transaction.h"
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QVector>
#include <filesystem>
#include <system_error>

namespace ostrel {

namespace {

class NoProgress : public BackupProgress {
public:
    void text(const QString&) override {}
    void show(bool) override {}
    void percent(int) override {}
};

// The table name a source table is backed up under: without "prefix.".
QString baseName(const QString& name)
{
    const int dot = name.indexOf(QLatin1Char('.'));
    return dot >= 0 ? name.mid(dot + 1) : name;
}

bool listed(const QStringList& list, const QString& name)
{
    for (const QString& entry : list)
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// A file name beside `target` that does not exist yet.
QString tempFileBeside(const QString& target)
{
    const QFileInfo info(target);
    const QString folder = info.absolutePath();
    for (;;) {
        const QString name = folder + QLatin1Char('/') + info.fileName() + QStringLiteral(".~") +
                             QString::number(QRandomGenerator::global()->generate(), 16) + QStringLiteral(".tmp");
        const QFileInfo named(name);
        if (!named.exists() && !named.isSymLink())
            return name;
    }
}

// Puts the finished file in place of the target in one step (the old file stays
// until the new one is there).
void replaceFile(const QString& from, const QString& to)
{
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(from.toStdU16String()), std::filesystem::path(to.toStdU16String()),
                            ec);
    if (!ec)
        return;
    // what another user left at the name, rather than that it may not be replaced
    const plat::Foreign what = plat::foreignAt(QFile::encodeName(to).constData());
    throw vb::Error(vb::errPermissionDenied,
                    what != plat::Foreign::None
                        ? QStringLiteral("备份未能保存: ") + plat::foreignNameText(to, what)
                        : vb::Error::runtimeText(vb::errPermissionDenied) + QStringLiteral(": ") + to);
}

// The new file while it is written: closed and removed unless it was put in place.
class NewFile {
public:
    explicit NewFile(const QString& target) : path(tempFileBeside(target)) {}
    ~NewFile()
    {
        if (!db.isNothing()) {
            try {
                db.Close();
            } catch (...) {
            }
        }
        if (!path.isEmpty())
            dao::RemoveDatabaseFile(path);
    }
    // Put in place only once it holds everything by itself (no journal left to fold back).
    void close()
    {
        db.CloseToOneFile();
        db = dao::Database();
    }
    void moveTo(const QString& target)
    {
        replaceFile(path, target);
        path.clear();
    }
    QString path;
    dao::Database db;
};

void copyTable(dao::Database& source, dao::Database& backup, const dao::TableDef& from, const QString& name,
               BackupProgress& progress)
{
    progress.text(QStringLiteral("构建数据表:") + from.Name() + QStringLiteral(".."));

    dao::TableDef target = backup.CreateTableDef(name, from.Attributes());
    target.setValidationRule(from.ValidationRule());
    target.setValidationText(from.ValidationText());
    const dao::Fields sourceFields = from.Fields();
    const int fieldCount = sourceFields.Count();
    for (int j = 0; j < fieldCount; ++j) {
        const dao::Field sf = sourceFields.Item(j);
        dao::Field f = target.CreateField(sf.Name(), sf.Type());
        f.setAttributes(sf.Attributes());
        f.setAllowZeroLength(sf.AllowZeroLength());
        f.setRequired(sf.Required());
        f.setSize(sf.Size());
        f.setValidationRule(sf.ValidationRule());
        f.setValidationText(sf.ValidationText());
        target.Fields().Append(f);
    }
    backup.TableDefs().Append(target);
    ui::DoEvents();

    progress.text(QStringLiteral("准备下载数据表[") + name + QStringLiteral("]中数据.."));
    dao::Recordset in = source.OpenRecordset(QStringLiteral("SELECT * FROM ") + SqlName(from.Name()),
                                             dao::dbOpenSnapshot, dao::dbReadOnly);
    dao::Recordset out = backup.OpenRecordset(QStringLiteral("SELECT * FROM ") + SqlName(name), dao::dbOpenDynaset);
    // Counted by the engine: no second pass over the rows (the transaction keeps it exact).
    const int count = from.RecordCount();
    progress.show(true);
    ui::DoEvents();

    // The field handles follow the current row: look them up once.
    QVector<dao::Field> inFields, outFields;
    for (int j = 0; j < fieldCount; ++j) {
        inFields.append(in.Fields(j));
        outFields.append(out.Fields(j));
    }
    int copied = 0;
    while (!in.Eof()) {
        out.AddNew();
        // A new row starts Null in every field (the copies carry no default values),
        // so Null values need no copying.
        for (int j = 0; j < fieldCount; ++j) {
            const QVariant v = inFields[j].Value();
            if (!v.isNull())
                outFields[j].setValue(v);
        }
        out.Update();
        if (copied % 30 == 0) {
            progress.percent(count > 0 ? int(qint64(copied) * 100 / count) : 0);
            progress.text(QStringLiteral("下载数据表[") + name + QStringLiteral("],已经下载") + QString::number(copied) +
                          QLatin1Char('/') + QString::number(count) + QStringLiteral(".."));
            ui::DoEvents();
        }
        ++copied;
        in.MoveNext();
    }
    in.Close();
    out.Close();
    progress.percent(100);
    progress.text(QStringLiteral("数据表[") + name + QStringLiteral("]下载完毕,共计") + QString::number(copied) +
                  QStringLiteral("条记录."));
    ui::DoEvents();
    progress.show(false);
}

} // namespace

void BackupTables(dao::Database& source, const QString& target, const QStringList& tables, BackupProgress* progress)
{
    NoProgress none;
    BackupProgress& p = progress ? *progress : none;
    if (source.isNothing())
        throw vb::Error::runtime(vb::errObjectNotSet);
    p.text(QStringLiteral("准备构件备份数据库.."));

    NewFile file(target);
    // readable by no one who may not read the source
    file.db = dao::DBEngine::CreateDatabase(file.path,
                                            QString::fromLatin1(dao::dbLangChineseSimplified) + QStringLiteral(";pwd=") +
                                                schema::databasePassword(),
                                            0, source.Name());
    {
        // One transaction over the source and the new file: the copy is consistent
        // while others write (the source only read, locked against no one), and the new
        // file is written in one go.
        dao::Transaction tx(dao::dbReadsShared);
        const dao::TableDefs defs = source.TableDefs();
        for (int i = 0; i < defs.Count(); ++i) {
            const dao::TableDef from = defs.Item(i);
            const QString name = baseName(from.Name());
            if (listed(tables, name))
                copyTable(source, file.db, from, name, p);
        }
        tx.commit();
    }
    file.close();
    ui::DoEvents();
    file.moveTo(target);
}

} // namespace ostrel
