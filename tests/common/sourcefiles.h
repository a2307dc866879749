#pragma once
// Outside files for the import tests, made at run time by tests/make_source.py with
// Debian's own interpreter (openpyxl, xlwt; make_mdb.py for Access files).
#include "tests/common/testutil.h"
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace testutil {

// Writes path (.xlsx, .xls or .mdb) from spec; see make_source.py for its form.
inline void writeSource(const QString& path, const QJsonObject& spec)
{
    QString python = QStandardPaths::findExecutable(QStringLiteral("python3"), {QStringLiteral("/usr/bin")});
    if (python.isEmpty())
        python = QStringLiteral("python3");
    QProcess p;
    p.start(python, {dataFile(QStringLiteral("make_source.py")), path});
    ASSERT_TRUE(p.waitForStarted());
    p.write(QJsonDocument(spec).toJson(QJsonDocument::Compact));
    p.closeWriteChannel();
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
}

// A sheet "Sheet1" of these rows (the first names the columns).
inline void writeSheet(const QString& path, const QJsonArray& rows)
{
    writeSource(path, QJsonObject{{QStringLiteral("sheet"), QStringLiteral("Sheet1")}, {QStringLiteral("rows"), rows}});
}

// A date cell of a workbook, shown with format.
inline QJsonObject dateCell(const QString& iso, const QString& format = QStringLiteral("yyyy-mm-dd"))
{
    return QJsonObject{{QStringLiteral("date"), iso}, {QStringLiteral("format"), format}};
}

inline QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace testutil
