// File, document and picture helpers.
#include "main/core/filehelpers.h"
#include "main/core/mdlmisc.h"
#include "platform/core/msgbox.h"
#include "platform/core/settings.h"
#include "platform/ui/filedialog.h"
#include "platform/ui/shell.h"
#include "tests/common/sourcefiles.h"
#include "tests/common/testutil.h"
#include <QDir>
#include <QFile>
#include <QTextStream>
#include <gtest/gtest.h>

using namespace ostrel;
using namespace Qt::StringLiterals;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST(FileHelpers, GetLineValueReadsKeyedLines)
{
    testutil::ProgramFolder folder;
    const QString path = folder.file(u"Agency.txt"_s);
    writeFile(path, u"'Name: commented out\r\n\r\n   \r\n  Name: 市设备处  \r\nTel:1234\r\nName:second\r\nname:lower\r\n"_s
                        .toUtf8());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly | QIODevice::Text));
    QTextStream in(&f);
    EXPECT_EQ(GetLineValue(&in, u"Name:"_s), u" 市设备处"_s);
    // The stream goes on after the line returned.
    EXPECT_EQ(GetLineValue(&in, QString()), u"Tel:1234"_s);
    EXPECT_EQ(GetLineValue(&in, u"Name:"_s), u"second"_s);
    EXPECT_EQ(GetLineValue(&in, u"Name:"_s), QString());
    EXPECT_EQ(GetLineValue(nullptr, u"Name:"_s), QString());
    f.close();
    EXPECT_EQ(GetLineValue(&in, u"Name:"_s), QString());
}

TEST(FileHelpers, PathsAreCutAtEitherSeparator)
{
    const QString doc = u"/home/li/文档/a.doc"_s, dwg = u"C:\\资料\\图纸.dwg"_s;
    EXPECT_EQ(SplitPath(u"readme.txt"_s, true, true), QString());
    EXPECT_EQ(SplitPath(u"readme.txt"_s, false, false), u"readme.txt"_s);
    EXPECT_EQ(SplitPath(doc, true, true), u"/home/li/文档/"_s);
    EXPECT_EQ(SplitPath(doc, true, false), u"/home/li/文档"_s);
    EXPECT_EQ(SplitPath(doc, false, false), u"a.doc"_s);
    EXPECT_EQ(SplitPath(u"/a.doc"_s, true, true), u"/"_s);
    EXPECT_EQ(SplitPath(dwg, false, false), u"图纸.dwg"_s);
    EXPECT_EQ(SplitPath(dwg, true, true), u"C:\\资料\\"_s);
    EXPECT_EQ(TrimNull(u"abc"_s + QChar(u'\0') + u"def"_s), u"abc"_s);

    // A stored document name can never climb out of the folder it is written to.
    EXPECT_EQ(SafeFileName(u"..\\..\\etc\\passwd"_s), u"passwd"_s);
    EXPECT_EQ(SafeFileName(u"../../.bashrc"_s), u".bashrc"_s);
    EXPECT_EQ(SafeFileName(u"/etc/"_s), QString());
    EXPECT_EQ(SafeFileName(u".."_s), QString());
    EXPECT_EQ(SafeFileName(u"合同.pdf"_s), u"合同.pdf"_s);
    testutil::ProgramFolder folder;
    EXPECT_EQ(TempDocumentPath(u"D:\\合同\\..\\租赁.doc"_s), folder.file(u"Temp/租赁.doc"_s));
    EXPECT_EQ(TempDocumentPath(u"../"_s), QString());
}

TEST(FileHelpers, GetOpenFileAddsTheExtensionAndRemembersTheFolder)
{
    testutil::ProgramFolder folder;
    gAppName = u"Kestrum1.0"_s;
    ui::script::clearFileDialogs();
    const auto exportPath = [] {
        return plat::GetSetting(gAppName, u"Settings"_s, u"ExportPath"_s, u"-"_s);
    };
    const auto request = [] { return ui::script::fileDialogs().last(); };

    // Cancelled: nothing returned, nothing remembered.
    ui::script::answerFileCancel();
    QString ext = u"xls"_s;
    EXPECT_EQ(GetOpenFile(0, u"导入"_s, false, QString(), ext, u"Excel文件(*.xls);*.xls;Access文件(*.mdb);*.mdb"_s,
                          QString(), true),
              QString());
    EXPECT_EQ(exportPath(), u"-"_s);
    ASSERT_EQ(ui::script::fileDialogs().size(), 1);
    EXPECT_FALSE(request().save);
    EXPECT_EQ(request().title, u"导入"_s);
    EXPECT_EQ(request().initialFolder, folder.path() + u'/');
    EXPECT_EQ(request().filter, u"Excel文件(*.xls)|*.xls|Access文件(*.mdb)|*.mdb"_s);

    const QString sub = folder.file(u"报表"_s);
    QDir().mkpath(sub);
    ui::script::answerFile(sub + u"/清单"_s);
    EXPECT_EQ(GetOpenFile(0, u"保存"_s, true, u"清单"_s, ext, u"表格(*.xls,*.xlsx);*.xls,*.xlsx"_s, QString(), true),
              sub + u"/清单.xls"_s);
    EXPECT_EQ(ext, u".xls"_s);
    EXPECT_EQ(exportPath(), sub + u'/');
    EXPECT_TRUE(request().save);
    EXPECT_EQ(request().filter, u"表格(*.xls;*.xlsx)|*.xls;*.xlsx"_s);

    // The next dialog starts there; a name with an extension keeps it; no folder is stored.
    ui::script::answerFile(sub + u"/旧.mdb"_s);
    EXPECT_EQ(GetOpenFile(0, QString(), false, QString(), ext, QString(), QString(), false), sub + u"/旧.mdb"_s);
    EXPECT_EQ(request().initialFolder, sub + u'/');

    // A given start folder wins.
    ui::script::answerFileCancel();
    GetOpenFile(0, QString(), false, QString(), ext, QString(), u"/tmp"_s, false);
    EXPECT_EQ(request().initialFolder, u"/tmp/"_s);
    EXPECT_EQ(exportPath(), sub + u'/');
    EXPECT_EQ(ui::script::fileDialogs().size(), 4);
    gAppName.clear();
}

TEST(FileHelpers, DocumentsIconsAndExternalDatabases)
{
    testutil::ProgramFolder folder;
    const QString doc = folder.file(u"说明.txt"_s), missing = folder.file(u"nothing.doc"_s);
    writeFile(doc, "text");
    EXPECT_EQ(StartDoc(doc), qint32(ui::shellOpened));
    EXPECT_TRUE(ui::script::shown().isEmpty());
    EXPECT_EQ(ui::script::openedDocuments().value(0), doc);
    ui::script::answerShell(31);
    EXPECT_EQ(StartDoc(doc), 31);
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::script::last().prompt, u"No association for file extension"_s);
    EXPECT_EQ(ui::script::last().style, int(ui::vbOKOnly));
    EXPECT_EQ(StartDoc(missing), 2);
    EXPECT_EQ(ui::script::last().prompt, u"File not found"_s);
    EXPECT_GT(GetFileIcon(doc, 2).width(), GetFileIcon(doc, 1).width());
    EXPECT_TRUE(GetFileIcon(missing, 1).isNull());

    // Outside files open by their content through the readers; the layer's own files do not.
    const QString access = folder.file(u"other.dat"_s), book = folder.file(u"book.xlsx"_s);
    testutil::writeSource(access, QJsonObject{{u"format"_s, u"mdb"_s}, {u"columns"_s, QJsonArray{QJsonArray{u"设备编号"_s, u"TEXT"_s, 50}}},
                                              {u"rows"_s, QJsonArray{QJsonArray{u"A"_s}}}});
    testutil::writeSheet(book, QJsonArray{QJsonArray{u"设备编号"_s}});
    std::unique_ptr<extdb::Source> db;
    EXPECT_EQ(OpenExternalDatabase(access, db), u"Microsoft Access;"_s);
    ASSERT_TRUE(db);
    EXPECT_EQ(db->tableNames(), QStringList{u"sheet1"_s});
    EXPECT_EQ(OpenExternalDatabase(book, db), u"Excel 12.0 Xml;"_s);
    EXPECT_EQ(db->tableNames(), QStringList{u"Sheet1"_s});
    // Neither a text file, a missing file, a damaged one nor the program's own database
    // opens; the database given stays as it was.
    const QString own = folder.file(u"own.mdb"_s), cut = folder.file(u"cut.xlsx"_s);
    dao::DBEngine::CreateDatabase(own, QString::fromLatin1(dao::dbLangChineseSimplified)).Close();
    testutil::writeBytes(cut, testutil::readBytes(book).left(100));
    writeFile(doc, "just some text\r\n");
    for (const QString& path : {doc, folder.file(u"missing.xls"_s), own, cut})
        EXPECT_EQ(OpenExternalDatabase(path, db), QString()) << path.toStdString();
    EXPECT_EQ(db->tableNames(), QStringList{u"Sheet1"_s});
}

} // namespace
