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

// Writes path (.xlsx, .xls or .mdb) from layout; see make_source.py for its form.
inline void writeSource(const QString& path, const QJsonObject& layout)
{
    QString python = QStandardPaths::findExecutable(QStringLiteral("python3"), {QStringLiteral("/usr/bin")});
    if (python.isEmpty())
        python = QStringLiteral("python3");
    QProcess p;
    p.start(python, {dataFile(QStringLiteral("make_source.py")), path});
    ASSERT_TRUE(p.waitForStarted());
    p.write(QJsonDocument(layout).toJson(QJsonDocument::Compact));
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

// A workbook written part by part: sheet "Sheet1" holding sheetXml (rows), the shared strings
// (<si> items), extra elements of the workbook before its sheets. Styles: 1 a custom date,
// 2 a coloured number, 3 the built-in date 14.
inline QJsonObject xlsxPackage(const QString& sheetXml, const QString& strings = QStringLiteral(""),
                               const QString& extra = QString())
{
    const QString ns = u"http://schemas.openxmlformats.org/"_qs;
    QJsonObject parts{
        {u"_rels/.rels"_qs, u"<?xml version=\"1.0\"?><Relationships xmlns=\"%1package/2006/relationships\">"
                           "<Relationship Id=\"rId1\" Type=\"%1officeDocument/2006/relationships/officeDocument\" "
                           "Target=\"xl/workbook.xml\"/></Relationships>"_qs.arg(ns)},
        {u"xl/workbook.xml"_qs, u"<workbook xmlns=\"%1spreadsheetml/2006/main\" xmlns:r=\"%1officeDocument/2006/"
                               "relationships\">%2<sheets><sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/>"
                               "</sheets></workbook>"_qs.arg(ns, extra)},
        {u"xl/_rels/workbook.xml.rels"_qs,
         u"<Relationships xmlns=\"%1package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"%1officeDocument/2006/relationships/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
         "<Relationship Id=\"rId2\" Type=\"%1officeDocument/2006/relationships/sharedStrings\" Target=\"/xl/sharedStrings.xml\"/>"
         "<Relationship Id=\"rId3\" Type=\"%1officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>"
         "</Relationships>"_qs.arg(ns)},
        {u"xl/styles.xml"_qs, u"<styleSheet><numFmts><numFmt numFmtId=\"170\" formatCode=\"yyyy&quot;年&quot;m&quot;月&quot;\"/>"
                             "<numFmt numFmtId=\"171\" formatCode=\"[Red]0.00\"/></numFmts><cellStyleXfs><xf numFmtId=\"14\"/></cellStyleXfs>"
                             "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"170\"/><xf numFmtId=\"171\"/><xf numFmtId=\"14\"/></cellXfs></styleSheet>"_qs},
        {u"xl/worksheets/sheet1.xml"_qs, u"<worksheet><sheetData>"_qs + sheetXml + u"</sheetData></worksheet>"_qs}};
    parts.insert(u"xl/sharedStrings.xml"_qs, u"<sst>"_qs + strings + u"</sst>"_qs);
    return QJsonObject{{u"parts"_qs, parts}};
}

} // namespace testutil
