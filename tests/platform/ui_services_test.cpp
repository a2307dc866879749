#include <gtest/gtest.h>
#include "platform/core/msgbox.h"
#include "platform/core/translations.h"
#include "platform/ui/filedialog.h"
#include "platform/ui/hwnd.h"
#include "platform/ui/shell.h"
#include "platform/ui/winlock.h"
#include "shared/res/strings.h"
#include "tests/common/testutil.h"
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QListView>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

namespace {

void touch(const QString& path, const QByteArray& bytes = QByteArray())
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A real box, run modally: read its buttons from inside its own wait, then close it.
TEST(QtTranslations, StandardButtonsAndFileDialogsSpeakTheUsersLanguage)
{
    testutil::ProgramFolder folder;
    res::setUserLanguage(2052);
    ASSERT_TRUE(plat::installQtTranslations(res::userLocale()));
    QStringList buttons;
    QTimer::singleShot(0, qApp, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        for (QMessageBox::StandardButton b : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
            buttons << box->button(b)->text();
        box->button(QMessageBox::No)->click();
    });
    ui::script::enable(false);
    const int r = ui::MsgBox(QStringLiteral("保存修改吗？"), ui::vbYesNoCancel | ui::vbQuestion);
    ui::script::enable(true);
    EXPECT_EQ(r, ui::vbNo);
    EXPECT_EQ(buttons, (QStringList{QStringLiteral("是(&Y)"), QStringLiteral("否(&N)"), QStringLiteral("取消")}));
    // Qt's own file dialog too
    EXPECT_EQ(QFileDialog::tr("&Open"), QStringLiteral("打开(&O)"));

    // An English user gets Qt's English texts back.
    res::setUserLanguage(1033);
    plat::installQtTranslations(res::userLocale());
    res::setUserLanguage(0);
    QMessageBox box(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("p"), QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("Cancel"));
}

TEST(MessageBox, ScriptedAnswerNoIsReturnedAndShownBoxIsRecorded)
{
    testutil::ProgramFolder folder;
    ui::script::answer(ui::vbNo);
    const int r = ui::MsgBox(QStringLiteral("确实要删除此设备吗？"), ui::vbYesNo | ui::vbQuestion | ui::vbDefaultButton2);
    EXPECT_EQ(r, ui::vbNo);
    const ui::ShownBox box = ui::script::last();
    EXPECT_EQ(box.prompt, QStringLiteral("确实要删除此设备吗？"));
    EXPECT_EQ(box.title, QStringLiteral("Ostrel"));
    EXPECT_EQ(ui::iconOf(box.style), ui::vbQuestion);
    EXPECT_EQ(ui::buttonSet(box.style), ui::vbYesNo);
    // Unanswered, a box gives its default button.
    EXPECT_EQ(ui::MsgBox(QStringLiteral("?"), ui::vbYesNoCancel | ui::vbDefaultButton3), ui::vbCancel);
    EXPECT_EQ(ui::MsgBox(QStringLiteral("!"), ui::vbExclamation, QStringLiteral("编码设计器")), ui::vbOK);
    EXPECT_EQ(ui::script::last().title, QStringLiteral("编码设计器"));
    ui::script::answerInput(QString(), true);
    EXPECT_TRUE(ui::InputBox(QStringLiteral("名称")).isEmpty());
    EXPECT_EQ(ui::script::last().result, ui::vbCancel);
}

TEST(MessageBox, AShortMessageLeavesRoomForTheWholeTitle)
{
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("Kestrum"));
    box.setText(QStringLiteral("登记成功！"));
    box.setStandardButtons(QMessageBox::Ok);
    box.show();
    const int narrow = box.width();
    box.hide();
    ui::KeepTitleVisible(box);
    box.show();
    QFont bold = box.font();
    bold.setBold(true);
    const QFontMetrics fm(bold);
    EXPECT_GT(box.width(), narrow);
    EXPECT_GE(box.width(), fm.horizontalAdvance(box.windowTitle()) + 16 * fm.averageCharWidth());
    box.hide();
}

TEST(FileDialogs, WindowsFiltersBecomeQtFilters)
{
    EXPECT_EQ(ui::qtFilter(QStringLiteral("Excel文件(*.xls)|*.xls|Access文件(*.mdb)|*.mdb")),
              QStringLiteral("Excel文件 (*.xls);;Access文件 (*.mdb)"));
    EXPECT_EQ(ui::qtFilter(QStringLiteral("图片|*.jpg;*.bmp;*.gif")), QStringLiteral("图片 (*.jpg *.bmp *.gif)"));
    EXPECT_EQ(ui::qtFilter(QStringLiteral("所有文件 (*.*)|*.*")), QStringLiteral("所有文件 (*.*)"));
    EXPECT_EQ(ui::qtFilter(QStringLiteral("*.txt")), QStringLiteral("*.txt (*.txt)"));
    EXPECT_TRUE(ui::qtFilter(QString()).isEmpty());
}

TEST(FileDialogs, TheSideBarShowsItsEntriesWhole)
{
    QFileDialog dlg;
    ui::prepareFileDialog(dlg, ui::FileDialogRequest{false, QString(), QDir::homePath()});
    dlg.show();
    auto* side = dlg.findChild<QListView*>(QStringLiteral("sidebar"));
    ASSERT_TRUE(side && side->model()->rowCount() > 0);
    for (int i = 0; i < side->model()->rowCount(); ++i)
        EXPECT_LE(side->sizeHintForIndex(side->model()->index(i, 0)).width(), side->viewport()->width()) << i;
}

TEST(FileDialogs, ScriptedAnswersAndWhatWasAsked)
{
    testutil::ProgramFolder folder;
    ui::FileDialogRequest r;
    r.title = QStringLiteral("导入设备");
    r.initialFolder = folder.path();
    r.filter = QStringLiteral("Excel文件|*.xls");
    ui::script::answerFile(folder.file(QStringLiteral("a.xls")));
    ui::script::answerFileCancel();
    EXPECT_EQ(ui::GetOpenFileName(r), folder.file(QStringLiteral("a.xls")));
    EXPECT_TRUE(ui::GetSaveFileName(r).isEmpty());
    EXPECT_TRUE(ui::GetOpenFileName(r).isEmpty()); // nothing queued: cancelled
    const auto asked = ui::script::fileDialogs();
    ASSERT_EQ(asked.size(), 3);
    EXPECT_FALSE(asked[0].save);
    EXPECT_TRUE(asked[1].save);
    EXPECT_EQ(asked[0].title, QStringLiteral("导入设备"));
    EXPECT_EQ(asked[0].filter, QStringLiteral("Excel文件|*.xls"));
    // The message-box script's clear forgets the dialogs too.
    ui::script::answerFile(QStringLiteral("x"));
    ui::script::clear();
    EXPECT_TRUE(ui::script::fileDialogs().isEmpty());
    EXPECT_TRUE(ui::GetOpenFileName(r).isEmpty());
}

TEST(Shell, OpeningDocumentsIsRecordedAndFailuresNumbered)
{
    testutil::ProgramFolder folder;
    const QString doc = folder.file(QStringLiteral("说明.txt"));
    touch(doc, "hello");
    EXPECT_EQ(ui::shellOpen(doc), ui::shellOpened);
    EXPECT_EQ(ui::shellOpen(QStringLiteral("说明.txt")), ui::shellOpened); // in the program's folder
    EXPECT_EQ(ui::shellOpen(QString(doc).replace(QLatin1Char('/'), QLatin1Char('\\'))), ui::shellOpened);
    ui::script::answerShell(ui::shellNoAssociation);
    EXPECT_EQ(ui::shellOpen(doc), ui::shellNoAssociation);
    EXPECT_EQ(ui::script::openedDocuments(), (QStringList{doc, doc, doc, doc}));
    EXPECT_EQ(ui::shellOpen(folder.file(QStringLiteral("none.txt"))), ui::shellFileNotFound);
    EXPECT_EQ(ui::shellOpen(folder.file(QStringLiteral("no/such/none.txt"))), ui::shellPathNotFound);
    EXPECT_EQ(ui::shellOpen(QString()), ui::shellFileNotFound);
    EXPECT_EQ(ui::script::openedDocuments().size(), 4);
}

TEST(Shell, IconsAndTypeNames)
{
    testutil::ProgramFolder folder;
    const QString png = folder.file(QStringLiteral("a.png"));
    const QString odd = folder.file(QStringLiteral("a.zqx"));
    const QString bare = folder.file(QStringLiteral("data0"));
    touch(png);
    touch(odd);
    touch(bare);
    EXPECT_FALSE(ui::fileTypeName(png).isEmpty());
    EXPECT_NE(ui::fileTypeName(png), QStringLiteral("PNG 文件"));
    EXPECT_EQ(ui::fileTypeName(odd), QStringLiteral("ZQX 文件"));
    EXPECT_EQ(ui::fileTypeName(bare), QStringLiteral("文件"));
    EXPECT_TRUE(ui::fileTypeName(folder.file(QStringLiteral("gone.png"))).isEmpty());

    const QPixmap large = ui::fileIcon(png, true);
    const QPixmap small = ui::fileIcon(png, false);
    ASSERT_FALSE(large.isNull());
    ASSERT_FALSE(small.isNull());
    EXPECT_LE(small.width(), 16);
    EXPECT_GT(large.width(), small.width());
    EXPECT_TRUE(ui::fileIcon(folder.file(QStringLiteral("gone.png")), true).isNull());

    // By name alone: the same type names, an icon for every name, and no file is made.
    for (const QString& name : {QStringLiteral("a.png"), QStringLiteral("a.zqx"), QStringLiteral("data0")})
        EXPECT_EQ(ui::fileTypeNameForName(name), ui::fileTypeName(folder.file(name))) << name.toStdString();
    const QPixmap byName = ui::fileIconForName(QStringLiteral("不存在.zqx"), false);
    ASSERT_FALSE(byName.isNull());
    EXPECT_LE(byName.width(), 16);
    EXPECT_GT(ui::fileIconForName(QStringLiteral("b.png"), true).width(), byName.width());
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("不存在.zqx"))));
}

TEST(Shell, HelpOpensTheFileOrSaysWhy)
{
    testutil::ProgramFolder folder;
    touch(folder.file(QStringLiteral("Ostrel.chm")));
    EXPECT_TRUE(ui::WinHelp(nullptr, QStringLiteral("Ostrel.chm"), ui::helpContents));
    EXPECT_EQ(ui::script::openedDocuments(), QStringList{folder.file(QStringLiteral("Ostrel.chm"))});
    EXPECT_TRUE(ui::script::shown().isEmpty());
    EXPECT_FALSE(ui::WinHelp(nullptr, QStringLiteral("Missing.chm"), ui::helpPartialKey));
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_TRUE(ui::script::last().prompt.contains(QStringLiteral("Missing.chm")));
    EXPECT_EQ(ui::iconOf(ui::script::last().style), ui::vbExclamation);
}

TEST(WindowUpdateLock, LocksCountAndTheLastReleaseRepaints)
{
    QWidget w;
    {
        ui::WindowUpdateLock outer(&w);
        EXPECT_FALSE(w.updatesEnabled());
        {
            ui::WindowUpdateLock inner(&w);
            EXPECT_EQ(ui::windowUpdateLocks(&w), 2);
        }
        EXPECT_FALSE(w.updatesEnabled()); // the inner release does not unlock the outer fill
    }
    EXPECT_TRUE(w.updatesEnabled());

    // The classic form: lock with the window, unlock with none.
    ui::LockWindowUpdate(&w);
    ui::LockWindowUpdate(&w);
    ui::LockWindowUpdate(nullptr);
    EXPECT_FALSE(w.updatesEnabled());
    ui::LockWindowUpdate(nullptr);
    EXPECT_TRUE(w.updatesEnabled());
    ui::LockWindowUpdate(nullptr); // nothing held: harmless
    EXPECT_TRUE(w.updatesEnabled());

    // A window that goes away while locked leaves nothing behind.
    auto* gone = new QWidget;
    ui::LockWindowUpdate(gone);
    delete gone;
    ui::LockWindowUpdate(nullptr);
    EXPECT_EQ(ui::windowUpdateLocks(&w), 0);
}

TEST(WindowHandles, StableWhileTheWidgetLives)
{
    EXPECT_EQ(ui::windowHandle(nullptr), 0);
    EXPECT_EQ(ui::windowFromHandle(0), nullptr);
    auto* a = new QWidget;
    QWidget b;
    const ui::HWND ha = ui::windowHandle(a);
    EXPECT_NE(ha, 0);
    EXPECT_EQ(ui::windowHandle(a), ha);
    EXPECT_NE(ui::windowHandle(&b), ha);
    EXPECT_EQ(ui::windowFromHandle(ha), a);
    delete a;
    EXPECT_EQ(ui::windowFromHandle(ha), nullptr);
    EXPECT_EQ(ui::windowFromHandle(12345), nullptr);
}

} // namespace
