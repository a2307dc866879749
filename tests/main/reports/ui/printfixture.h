#pragma once
// A new database in a private program folder, the component libraries registered there,
// and the printer recording every call.
#include "tests/main/devices/devicefixture.h"
#include "platform/core/msgbox.h"
#include "platform/print/printer.h"
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

namespace testutil {

class PrintTest : public DeviceDatabaseTest {
protected:
    void SetUp() override
    {
        DeviceDatabaseTest::SetUp();
        folder->registerComponents();
        prn::printer().reset();
        prn::printer().setDestination(prn::Printer::Destination::Recorder, rec);
    }
    void TearDown() override
    {
        prn::printer().reset();
        DeviceDatabaseTest::TearDown();
    }

    // Sets one column of a device row.
    void setField(qint32 id, const QString& column, const QVariant& v)
    {
        dao::Recordset rs = ostrel::gDatabase.OpenRecordset(
            QStringLiteral("SELECT * FROM [Dev_Info] WHERE [Dev_ID]=%1;").arg(id), dao::dbOpenDynaset);
        rs.Edit();
        rs(column).setValue(v);
        rs.Update();
        rs.Close();
    }

    // The temporary print databases in the program's folder.
    QStringList tempFiles() const
    {
        return QDir(folder->path()).entryList({QStringLiteral("Tmp_DB*")}, QDir::Files | QDir::Hidden);
    }
    // Texts printed, white space removed.
    QStringList printed() const
    {
        QStringList t = rec->texts();
        for (QString& s : t)
            s.remove(QLatin1Char(' '));
        return t;
    }

    // The text of the PDFs in the program's folder, white space removed; the files are removed.
    QString pdfText() const
    {
        QString text;
        for (const QFileInfo& f : QDir(folder->path()).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files)) {
            QProcess proc;
            proc.start(QStringLiteral("pdftotext"), {f.filePath(), QStringLiteral("-")});
            proc.waitForFinished(60000);
            text += QString::fromUtf8(proc.readAllStandardOutput());
            QFile::remove(f.filePath());
        }
        return text.remove(QRegularExpression(QStringLiteral("\\s")));
    }

    std::shared_ptr<prn::Recorder> rec = std::make_shared<prn::Recorder>();
};

} // namespace testutil
