#include "main/core/ui/cbackup.h"
#include "main/core/backup.h"
#include "main/core/mdlmisc.h"
#include "platform/cindral/cindral.h"
#include "platform/core/app.h"
#include "platform/core/events.h"
#include "platform/core/msgbox.h"
#include "platform/ui/command.h"
#include <QFileInfo>

namespace ostrel {

namespace {

class HubProgress : public BackupProgress {
public:
    explicit HubProgress(cindral::Hub& hub) : m_hub(hub) {}
    void text(const QString& text) override { m_hub.ProgressText(text); }
    void show(bool on) override { m_hub.ShowProgress(on ? -1 : 0); }
    void percent(int value) override { m_hub.SetProgress(value); }

private:
    cindral::Hub& m_hub;
};

} // namespace

cBackup::cBackup() : m_progress(std::make_unique<cindral::Hub>()) {}

cBackup::~cBackup()
{
    try {
        m_progress->EndProgress();
    } catch (...) {
    }
}

int cBackup::Excute(dao::Database& Source, QString& TargetFile, QString& Tables)
{
    m_source = Source;
    m_targetFile = TargetFile;
    try {
        qint32 window = -1;
        m_progress->QueryValue(cindral::Hub::ReqWindow, window);
        HubProgress progress(*m_progress);
        BackupTables(Source, TargetFile, Tables.split(QLatin1Char(';')), &progress);
    } catch (...) {
        m_progress->EndProgress();
        throw;
    }
    return 1;
}

int cBackup::Run(dao::Database& Source, QString& TargetFile, QString& Tables, QWidget* parent)
{
    m_source = Source;
    m_targetFile = TargetFile;
    int done = 0;
    ui::runCommand([&] {
        if (QFileInfo::exists(TargetFile) &&
            ui::MsgBox(QStringLiteral("备份目标文件[") + TargetFile + QStringLiteral("]已经存在,是否删除?"),
                       ui::vbYesNo | ui::vbQuestion, QString(), parent) == ui::vbNo)
            return;
        done = Excute(Source, TargetFile, Tables);
        ui::DoEvents();
        ui::MsgBox(QStringLiteral("恭喜！数据备份成功！"), ui::vbOKOnly | ui::vbInformation, QStringLiteral("数据备份"),
                   parent);
        ui::DoEvents();
    }, parent);
    return done;
}

int BackupMainDatabase(QWidget* parent)
{
    QString target = plat::appFile(QStringLiteral("Ostrel.STB"));
    // With the key marks: a register put back from the backup gives no key twice it gave before.
    QString tables = QStringLiteral("Checks;Dev_Docs;Dev_Info;Discard;KeyMarks;Maintain;SysInfo;Transfer");
    cBackup backup;
    return backup.Run(gDatabase, target, tables, parent);
}

} // namespace ostrel
