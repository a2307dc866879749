#include "main/core/cbackup.h"
#include "main/core/mdlmisc.h"
#include "main/core/schema.h"
#include "platform/cindral/cindral.h"
#include "platform/core/app.h"
#include "platform/core/events.h"
#include "platform/core/msgbox.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringList>
#include <filesystem>
#include <system_error>

namespace ostrel {

namespace {

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
        if (!QFileInfo::exists(name))
            return name;
    }
}

void removeDatabaseFile(const QString& path)
{
    if (path.isEmpty())
        return;
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

// Puts the finished file in place of the target in one step (the old file stays
// until the new one is there).
void replaceFile(const QString& from, const QString& to)
{
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(from.toStdU16String()), std::filesystem::path(to.toStdU16String()),
                            ec);
    if (ec)
        throw vb::Error(vb::errPermissionDenied, vb::Error::runtimeText(vb::errPermissionDenied) +
                                                      QStringLiteral(": ") + to);
}

} // namespace

cBackup::cBackup() : m_progress(std::make_unique<cindral::Hub>()) {}

cBackup::~cBackup()
{
    try {
        m_progress->EndProgress();
    } catch (...) {
    }
    discardBackup();
}

void cBackup::discardBackup()
{
    if (!m_backup.isNothing()) {
        try {
            m_backup.Close();
        } catch (...) {
        }
        m_backup = dao::Database();
    }
    removeDatabaseFile(m_tempFile);
    m_tempFile.clear();
}

int cBackup::Excute(dao::Database& Source, QString& TargetFile, QString& Tables)
{
    m_source = Source;
    m_targetFile = TargetFile;
    bool inTrans = false;
    try {
        if (QFileInfo::exists(TargetFile)) {
            m_answer = ui::MsgBox(QStringLiteral("备份目标文件[") + TargetFile + QStringLiteral("]已经存在,是否删除?"),
                                  ui::vbYesNo | ui::vbQuestion);
            if (m_answer == ui::vbNo)
                return 0;
        }
        if (Source.isNothing())
            throw vb::Error::runtime(vb::errObjectNotSet);

        qint32 window = -1;
        m_progress->QueryValue(cindral::Hub::ReqWindow, window);
        m_progress->ProgressText(QStringLiteral("准备构件备份数据库.."));

        m_tempFile = tempFileBeside(TargetFile);
        m_backup = dao::DBEngine::CreateDatabase(
            m_tempFile, QString::fromLatin1(dao::dbLangChineseSimplified) + QStringLiteral(";pwd=") +
                            schema::databasePassword());

        const QStringList list = Tables.split(QLatin1Char(';'));

        // One transaction over the source and the new file: the copy is consistent
        // while others write, and the new file is written in one go.
        dao::DBEngine::BeginTrans();
        inTrans = true;

        const dao::TableDefs defs = Source.TableDefs();
        for (int i = 0; i < defs.Count(); ++i) {
            const dao::TableDef source = defs.Item(i);
            const QString name = baseName(source.Name());
            if (!listed(list, name))
                continue;
            copyTable(source, name);
        }

        dao::DBEngine::CommitTrans();
        inTrans = false;
        m_backup.Close();
        m_backup = dao::Database();
        ui::DoEvents();

        replaceFile(m_tempFile, TargetFile);
        m_tempFile.clear();

        ui::MsgBox(QStringLiteral("恭喜！数据备份成功！"), ui::vbOKOnly, QStringLiteral("数据备份"));
        ui::DoEvents();
        return 1;
    } catch (const std::exception& e) {
        if (inTrans) {
            try {
                dao::DBEngine::Rollback();
            } catch (...) {
            }
        }
        discardBackup();
        try {
            m_progress->EndProgress();
        } catch (...) {
        }
        ui::DoEvents();
        ReportError(e);
        return 0;
    }
}

void cBackup::copyTable(const dao::TableDef& source, const QString& name)
{
    m_progress->ProgressText(QStringLiteral("构建数据表:") + source.Name() + QStringLiteral(".."));

    dao::TableDef target = m_backup.CreateTableDef(name, source.Attributes());
    target.setValidationRule(source.ValidationRule());
    target.setValidationText(source.ValidationText());
    const dao::Fields sourceFields = source.Fields();
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
    m_backup.TableDefs().Append(target);
    ui::DoEvents();

    m_progress->ProgressText(QStringLiteral("准备下载数据表[") + name + QStringLiteral("]中数据.."));
    dao::Recordset from = m_source.OpenRecordset(QStringLiteral("SELECT * FROM ") + SqlName(source.Name()),
                                                 dao::dbOpenSnapshot, dao::dbReadOnly);
    dao::Recordset to = m_backup.OpenRecordset(QStringLiteral("SELECT * FROM ") + SqlName(name), dao::dbOpenDynaset);
    try {
        // Counted by the engine: no second pass over the rows (the transaction keeps it exact).
        const int count = source.RecordCount();
        m_progress->ShowProgress(-1);
        ui::DoEvents();

        // The field handles follow the current row: look them up once.
        QVector<dao::Field> in, out;
        for (int j = 0; j < fieldCount; ++j) {
            in.append(from.Fields(j));
            out.append(to.Fields(j));
        }
        int copied = 0;
        while (!from.Eof()) {
            to.AddNew();
            // A new row starts Null in every field (the copies carry no default values),
            // so Null values need no copying.
            for (int j = 0; j < fieldCount; ++j) {
                const QVariant v = in[j].Value();
                if (!v.isNull())
                    out[j].setValue(v);
            }
            to.Update();
            if (copied % 30 == 0) {
                m_progress->SetProgress(count > 0 ? int(qint64(copied) * 100 / count) : 0);
                m_progress->ProgressText(QStringLiteral("下载数据表[") + name + QStringLiteral("],已经下载") +
                                         QString::number(copied) + QLatin1Char('/') + QString::number(count) +
                                         QStringLiteral(".."));
                ui::DoEvents();
            }
            ++copied;
            from.MoveNext();
        }
        from.Close();
        to.Close();
        m_progress->SetProgress(100);
        m_progress->ProgressText(QStringLiteral("数据表[") + name + QStringLiteral("]下载完毕,共计") +
                                 QString::number(copied) + QStringLiteral("条记录."));
        ui::DoEvents();
        m_progress->ShowProgress(0);
    } catch (...) {
        try {
            if (to.EditMode() != dao::dbEditNone)
                to.CancelUpdate();
            to.Close();
        } catch (...) {
        }
        try {
            from.Close();
        } catch (...) {
        }
        throw;
    }
}

int BackupMainDatabase()
{
    QString target = plat::appFile(QStringLiteral("Ostrel.STB"));
    QString tables = QStringLiteral("Checks;Dev_Docs;Dev_Info;Discard;Maintain;SysInfo;Transfer");
    cBackup backup;
    return backup.Excute(gDatabase, target, tables);
}

} // namespace ostrel
