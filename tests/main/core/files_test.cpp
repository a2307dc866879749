// File, document and picture helpers.
#include "main/core/filehelpers.h"
#include "main/core/mdlmisc.h"
#include "platform/core/msgbox.h"
#include "platform/core/settings.h"
#include "platform/ui/filedialog.h"
#include "platform/ui/shell.h"
#include "tests/common/testutil.h"
#include <QDir>
#include <QFile>
#include <QTextStream>
#include <gtest/gtest.h>

using namespace ostrel;

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
    const QString path = folder.file(QStringLiteral("Agency.txt"));
    writeFile(path, QStringLiteral("'Name: commented out\r\n\r\n   \r\n  Name: 市设备处  \r\nTel:1234\r\n"
                                   "Name:second\r\nname:lower\r\n")
                        .toUtf8());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly | QIODevice::Text));
    QTextStream in(&f);
    EXPECT_EQ(GetLineValue(&in, QStringLiteral("Name:")), QStringLiteral(" 市设备处"));
    // The stream goes on after the line returned.
    EXPECT_EQ(GetLineValue(&in, QString()), QStringLiteral("Tel:1234"));
    EXPECT_EQ(GetLineValue(&in, QStringLiteral("Name:")), QStringLiteral("second"));
    EXPECT_EQ(GetLineValue(&in, QStringLiteral("Name:")), QString());
    EXPECT_EQ(GetLineValue(nullptr, QStringLiteral("Name:")), QString());
    f.close();
    EXPECT_EQ(GetLineValue(&in, QStringLiteral("Name:")), QString());
}

TEST(FileHelpers, PathsAreCutAtEitherSeparator)
{
    EXPECT_EQ(SplitPath(QStringLiteral("readme.txt"), true, true), QString());
    EXPECT_EQ(SplitPath(QStringLiteral("readme.txt"), false, false), QStringLiteral("readme.txt"));
    EXPECT_EQ(SplitPath(QStringLiteral("/home/li/文档/a.doc"), true, true), QStringLiteral("/home/li/文档/"));
    EXPECT_EQ(SplitPath(QStringLiteral("/home/li/文档/a.doc"), true, false), QStringLiteral("/home/li/文档"));
    EXPECT_EQ(SplitPath(QStringLiteral("/home/li/文档/a.doc"), false, false), QStringLiteral("a.doc"));
    EXPECT_EQ(SplitPath(QStringLiteral("/a.doc"), true, true), QStringLiteral("/"));
    EXPECT_EQ(SplitPath(QStringLiteral("C:\\资料\\图纸.dwg"), false, false), QStringLiteral("图纸.dwg"));
    EXPECT_EQ(SplitPath(QStringLiteral("C:\\资料\\图纸.dwg"), true, true), QStringLiteral("C:\\资料\\"));

    EXPECT_EQ(TrimNull(QStringLiteral("abc") + QChar(u'\0') + QStringLiteral("def")), QStringLiteral("abc"));
    EXPECT_EQ(TrimNull(QStringLiteral("abc")), QStringLiteral("abc"));

    // A stored document name can never climb out of the folder it is written to.
    EXPECT_EQ(SafeFileName(QStringLiteral("..\\..\\etc\\passwd")), QStringLiteral("passwd"));
    EXPECT_EQ(SafeFileName(QStringLiteral("../../.bashrc")), QStringLiteral(".bashrc"));
    EXPECT_EQ(SafeFileName(QStringLiteral("/etc/")), QString());
    EXPECT_EQ(SafeFileName(QStringLiteral("..")), QString());
    EXPECT_EQ(SafeFileName(QStringLiteral("合同.pdf")), QStringLiteral("合同.pdf"));

    testutil::ProgramFolder folder;
    EXPECT_EQ(TempDocumentPath(QStringLiteral("D:\\合同\\..\\租赁.doc")), folder.file(QStringLiteral("Temp/租赁.doc")));
    EXPECT_EQ(TempDocumentPath(QStringLiteral("../")), QString());
}

class GetOpenFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gAppName = QStringLiteral("Kestrum1.0");
        ui::script::clear();
        ui::script::clearFileDialogs();
    }
    void TearDown() override { gAppName.clear(); }
    QString exportPath()
    {
        return plat::GetSetting(gAppName, QStringLiteral("Settings"), QStringLiteral("ExportPath"), QStringLiteral("-"));
    }
    testutil::ProgramFolder folder;
};

TEST_F(GetOpenFileTest, CancelKeepsTheRememberedFolder)
{
    ui::script::answerFileCancel();
    QString ext = QStringLiteral("xls");
    EXPECT_EQ(GetOpenFile(0, QStringLiteral("导入"), false, QString(), ext,
                          QStringLiteral("Excel文件(*.xls);*.xls;Access文件(*.mdb);*.mdb"), QString(), true),
              QString());
    EXPECT_EQ(exportPath(), QStringLiteral("-"));
    ASSERT_EQ(ui::script::fileDialogs().size(), 1);
    const ui::FileDialogRequest r = ui::script::fileDialogs().first();
    EXPECT_FALSE(r.save);
    EXPECT_EQ(r.title, QStringLiteral("导入"));
    EXPECT_EQ(r.initialFolder, folder.path() + QLatin1Char('/'));
    EXPECT_EQ(r.filter, QStringLiteral("Excel文件(*.xls)|*.xls|Access文件(*.mdb)|*.mdb"));
}

TEST_F(GetOpenFileTest, ChosenNameGetsTheExtensionAndTheFolderIsRemembered)
{
    const QString sub = folder.file(QStringLiteral("报表"));
    QDir().mkpath(sub);
    ui::script::answerFile(sub + QStringLiteral("/清单"));
    QString ext = QStringLiteral("xls");
    EXPECT_EQ(GetOpenFile(0, QStringLiteral("保存"), true, QStringLiteral("清单"), ext,
                          QStringLiteral("表格(*.xls,*.xlsx);*.xls,*.xlsx"), QString(), true),
              sub + QStringLiteral("/清单.xls"));
    EXPECT_EQ(ext, QStringLiteral(".xls"));
    EXPECT_EQ(exportPath(), sub + QLatin1Char('/'));
    EXPECT_TRUE(ui::script::fileDialogs().first().save);
    EXPECT_EQ(ui::script::fileDialogs().first().filter, QStringLiteral("表格(*.xls;*.xlsx)|*.xls;*.xlsx"));

    // The next dialog starts there; a name with an extension keeps it; no folder is stored.
    ui::script::answerFile(sub + QStringLiteral("/旧.mdb"));
    EXPECT_EQ(GetOpenFile(0, QString(), false, QString(), ext, QString(), QString(), false),
              sub + QStringLiteral("/旧.mdb"));
    EXPECT_EQ(ui::script::fileDialogs().last().initialFolder, sub + QLatin1Char('/'));

    // A given start folder wins.
    ui::script::answerFileCancel();
    GetOpenFile(0, QString(), false, QString(), ext, QString(), QStringLiteral("/tmp"), false);
    EXPECT_EQ(ui::script::fileDialogs().last().initialFolder, QStringLiteral("/tmp/"));
    EXPECT_EQ(exportPath(), sub + QLatin1Char('/'));
}

TEST(FileHelpers, DocumentsAndIcons)
{
    testutil::ProgramFolder folder;
    ui::script::clear();
    const QString doc = folder.file(QStringLiteral("说明.txt"));
    writeFile(doc, "text");

    EXPECT_EQ(StartDoc(doc), qint32(ui::shellOpened));
    EXPECT_TRUE(ui::script::shown().isEmpty());
    EXPECT_EQ(ui::script::openedDocuments().value(0), doc);

    ui::script::answerShell(31);
    EXPECT_EQ(StartDoc(doc), 31);
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("No association for file extension"));
    EXPECT_EQ(ui::script::last().style, int(ui::vbOKOnly));

    EXPECT_EQ(StartDoc(folder.file(QStringLiteral("nothing.doc"))), 2);
    EXPECT_EQ(ui::script::last().prompt, QStringLiteral("File not found"));

    EXPECT_GT(GetFileIcon(doc, 2).width(), GetFileIcon(doc, 1).width());
    EXPECT_TRUE(GetFileIcon(folder.file(QStringLiteral("nothing.doc")), 1).isNull());
}

TEST(FileHelpers, OpenExternalDatabase)
{
    testutil::ProgramFolder folder;
    const QString plain = folder.file(QStringLiteral("other.mdb"));
    dao::DBEngine::CreateDatabase(plain, QString::fromLatin1(dao::dbLangChineseSimplified)).Close();
    dao::Database db;
    EXPECT_EQ(OpenExternalDatabase(plain, db), QStringLiteral("Microsoft Access;"));
    ASSERT_FALSE(db.isNothing());
    EXPECT_EQ(QFileInfo(db.Name()).fileName(), QStringLiteral("other.mdb"));

    const QString text = folder.file(QStringLiteral("notes.txt"));
    writeFile(text, "just some text\r\n");
    dao::Database before = db;
    EXPECT_EQ(OpenExternalDatabase(text, db), QString());
    EXPECT_EQ(db.Name(), before.Name());
    EXPECT_EQ(OpenExternalDatabase(folder.file(QStringLiteral("missing.xls")), db), QString());
    db.Close();
}

} // namespace
