// Backing up a register of 100,000 devices, against a plain copy of the same tables
// (ATTACH ... KEY and INSERT INTO ... SELECT) in the same run.
#include "bench/benchutil.h"
#include "main/core/ui/cbackup.h"
#include "main/core/mdlmisc.h"
#include "main/core/newdatabase.h"
#include "main/core/schema.h"
#include "platform/core/app.h"
#include "platform/core/msgbox.h"
#include "platform/dao/transaction.h"
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sqlite3.h>

using namespace ostrel;

namespace {

constexpr int kDevices = 100000;
const QString kTables = QStringLiteral("Checks;Dev_Docs;Dev_Info;Discard;Maintain;SysInfo;Transfer");

void fill()
{
    dao::Transaction tx;
    dao::Recordset rs = gDatabase.OpenRecordset(QStringLiteral("Dev_Info"), dao::dbOpenDynaset);
    QByteArray picture(2048, '\0');
    for (int i = 0; i < picture.size(); ++i)
        picture[i] = char(i * 31);
    const QDateTime bought(QDate(2019, 3, 1), QTime(9, 0));
    for (int i = 1; i <= kDevices; ++i) {
        rs.AddNew();
        rs(QStringLiteral("Dev_ID")).setValue(i);
        rs(QStringLiteral("设备编号")).setValue(QStringLiteral("SB-%1").arg(i, 6, 10, QLatin1Char('0')));
        rs(QStringLiteral("卡片编号")).setValue(QStringLiteral("K%1").arg(i));
        rs(QStringLiteral("Dev_Grp")).setValue(i % 7);
        rs(QStringLiteral("设备大类")).setValue(QStringLiteral("办公设备"));
        rs(QStringLiteral("设备属类")).setValue(QStringLiteral("打印设备"));
        rs(QStringLiteral("购置年代")).setValue(bought.addDays(i % 1000));
        rs(QStringLiteral("验收状况")).setValue(1);
        rs(QStringLiteral("设备状况")).setValue(1);
        rs(QStringLiteral("Dep_ID")).setValue(i % 20);
        rs(QStringLiteral("安装地点")).setValue(QStringLiteral("主楼%1室").arg(i % 500));
        rs(QStringLiteral("责任人")).setValue(i % 50);
        rs(QStringLiteral("价值")).setValue(1000.0 + i % 9000);
        rs(QStringLiteral("Manufacturer")).setValue(QStringLiteral("某某电子"));
        rs(QStringLiteral("Model")).setValue(QStringLiteral("LJ-%1").arg(i % 40));
        rs(QStringLiteral("设备名称")).setValue(QStringLiteral("激光打印机"));
        if (i % 10 == 0)
            rs(QStringLiteral("图片")).setValue(picture);
        rs(QStringLiteral("O_ID")).setValue(10);
        rs.Update();
    }
    rs.Close();
    tx.commit();
}

bool exec(sqlite3* db, const QString& sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        std::fprintf(stderr, "plain copy: %s\n", message ? message : "error");
        sqlite3_free(message);
        return false;
    }
    return true;
}

QString quoted(const QString& text)
{
    QString s = text;
    s.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + s + QLatin1Char('\'');
}

// The same tables copied by the engine itself; -1 on failure.
double plainCopy(const QString& source, const QString& target)
{
    QElapsedTimer timer;
    timer.start();
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(target.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK)
        return -1;
    const QByteArray key = schema::databasePassword().toUtf8();
    sqlite3_key(db, key.constData(), key.size());
    bool ok = exec(db, QStringLiteral("ATTACH DATABASE ") + quoted(source) + QStringLiteral(" AS src KEY ") +
                           quoted(schema::databasePassword()) + QLatin1Char(';')) &&
              exec(db, QStringLiteral("BEGIN;"));
    for (const QString& table : kTables.split(QLatin1Char(';'))) {
        if (!ok)
            break;
        sqlite3_stmt* st = nullptr;
        QString create;
        const QByteArray sql = QStringLiteral("SELECT sql FROM src.sqlite_master WHERE type='table' AND name=%1;")
                                   .arg(quoted(table))
                                   .toUtf8();
        if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            create = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
        ok = !create.isEmpty() && exec(db, create) &&
             exec(db, QStringLiteral("INSERT INTO main.\"%1\" SELECT * FROM src.\"%1\";").arg(table));
    }
    ok = ok && exec(db, QStringLiteral("COMMIT;")) && exec(db, QStringLiteral("DETACH DATABASE src;"));
    sqlite3_close(db);
    return ok ? timer.elapsed() / 1000.0 : -1;
}

} // namespace

int main(int argc, char** argv)
{
    benchutil::offscreenUnlessChosen();
    QApplication app(argc, argv);
    ui::script::enable();

    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    try {
        benchutil::openNewRegister(folder.path(), QStringLiteral("bench-pw"));
        QElapsedTimer timer;
        timer.start();
        fill();
        std::printf("devices: %d\n", kDevices);
        std::printf("fill seconds: %.2f\n", timer.elapsed() / 1000.0);
        std::fflush(stdout);

        // Each side three times, alternately; the best of each is compared.
        const QString target = folder.filePath(QStringLiteral("Ostrel.STB"));
        const QString plain = folder.filePath(QStringLiteral("plain.db"));
        double backupSeconds = 1e9, plainSeconds = 1e9;
        for (int round = 0; round < 3; ++round) {
            QFile::remove(target);
            QFile::remove(plain);
            QString file = target;
            QString tables = kTables;
            timer.restart();
            int result = 0;
            {
                cBackup backup;
                result = backup.Excute(gDatabase, file, tables);
            }
            backupSeconds = std::min(backupSeconds, timer.elapsed() / 1000.0);
            if (result != 1) {
                std::fprintf(stderr, "backup failed: %s\n", qPrintable(ui::script::last().prompt));
                return 1;
            }
            const double p = plainCopy(folder.filePath(QStringLiteral("Ostrel.mdb")), plain);
            if (p < 0)
                return 1;
            plainSeconds = std::min(plainSeconds, p);
        }
        std::printf("backup seconds: %.3f\n", backupSeconds);
        std::printf("plain copy seconds: %.3f\n", plainSeconds);
        std::printf("backup size bytes: %lld\n", static_cast<long long>(QFile(target).size()));
        std::printf("ratio to plain copy: %.2f\n", plainSeconds > 0 ? backupSeconds / plainSeconds : 0.0);
        gDatabase.Close();
    } catch (const vb::Error& e) {
        std::fprintf(stderr, "error %d: %s\n", e.number(), qPrintable(e.description()));
        return 1;
    }
    return 0;
}
