// Files through the shell: documents, icons and the file dialogs.
#include "main/core/ui/fileshell.h"
#include "main/core/mdlmisc.h"
#include "platform/core/msgbox.h"
#include "platform/core/settings.h"
#include "platform/ui/filedialog.h"
#include "platform/ui/shell.h"
#include "tests/common/sourcefiles.h"
#include <QDir>
#include <gtest/gtest.h>

using namespace ostrel;
using namespace Qt::StringLiterals;

namespace {

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

TEST(FileHelpers, DocumentsAndIcons)
{
    testutil::ProgramFolder folder;
    const QString doc = folder.file(u"说明.txt"_s), missing = folder.file(u"nothing.doc"_s);
    testutil::writeBytes(doc, "text");
    EXPECT_EQ(StartDoc(doc), qint32(ui::shellOpened));
    EXPECT_TRUE(ui::script::shown().isEmpty());
    EXPECT_EQ(ui::script::openedDocuments().value(0), doc);
    ui::script::answerShell(31);
    EXPECT_EQ(StartDoc(doc), 31);
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::script::last().prompt, u"没有程序可以打开此类文件："_s + doc);
    EXPECT_EQ(ui::script::last().style, int(ui::vbOKOnly));
    EXPECT_EQ(StartDoc(missing), 2);
    EXPECT_EQ(ui::script::last().prompt, u"找不到文件："_s + missing);
    EXPECT_GT(GetFileIcon(doc, 2).width(), GetFileIcon(doc, 1).width());
    EXPECT_TRUE(GetFileIcon(missing, 1).isNull());
}

} // namespace
