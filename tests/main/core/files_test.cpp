// File helpers: keyed lines, paths, outside databases.
#include "main/core/backup.h"
#include "main/core/clslogs.h"
#include "main/core/filehelpers.h"
#include "main/core/mdlmisc.h"
#include "main/core/usrinfos.h"
#include "platform/core/app.h"
#include "tests/data/servicefixture.h"
#include "tests/common/raised.h"
#include "tests/common/sourcefiles.h"
#include "tests/common/testutil.h"
#include <QDir>
#include <QFile>
#include <QTextStream>
#include <gtest/gtest.h>
#include <functional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

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
    EXPECT_EQ(SafeFileName(u"D:\\合同\\..\\租赁.doc"_s), u"租赁.doc"_s);
}

TEST(FileHelpers, ExternalDatabasesOpenByTheirContent)
{
    testutil::ProgramFolder folder;
    const QString doc = folder.file(u"说明.txt"_s);
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

// The system's temporary folder of the test's own, open to every user as /tmp is.
struct SharedFolder : testutil::ServiceTest {
    const QByteArray previous = qgetenv("TMPDIR");
    void SetUp() override
    {
        ServiceTest::SetUp();
        const QByteArray tmp = QFile::encodeName(folder->file(u"tmp"_s));
        ASSERT_TRUE(::mkdir(tmp.constData(), 0700) == 0 && ::chmod(tmp.constData(), 01777) == 0);
        qputenv("TMPDIR", tmp);
    }
    void TearDown() override
    {
        previous.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", previous);
        ServiceTest::TearDown();
    }
};

const uid_t kNobody = 65534;

// f in a child process, as the user `as` (see testutil::Child): "" when it worked, else
// what it raised.
std::string apart(const std::function<void()>& f, uid_t as = ::geteuid(), gid_t group = gid_t(-1))
{
    const auto quiet = [&] {
        f();
        return QString();
    };
    return testutil::inChild(quiet, as, group).toStdString();
}

// A copy going on after opening: the log-in's lookup, a save.
void useRegister()
{
    OpenMainDatabase();
    if (UsrInfos().GetUsrInfo(u"admin"_s, 0).isEmpty()) throw vb::Error(1, u"no admin"_s);
    dao::Recordset rs = gDatabase.OpenRecordset(u"SELECT * FROM [SysInfo] WHERE [ID]=1;"_s, dao::dbOpenDynaset);
    rs.Edit();
    rs.Fields(u"Memo"_s).setValue(u"y"_s);
    rs.Update();
    gDatabase.Close();
}

// A copy backing up a table to the program's backup file.
void backUp()
{
    OpenMainDatabase();
    BackupTables(gDatabase, plat::appFile(u"Ostrel.STB"_s), {u"SysInfo"_s});
    gDatabase.Close();
}

// Other users may write the program's folder. Whatever one left at a name the program
// uses is never followed, waited on or removed when it may hold a journal: each command
// works on a file of its own or fails saying what lies there. A wait fails the test
// through the alarm, not by hanging.
TEST_F(SharedFolder, WhatAnotherUserLeftAtANameIsNeverFollowedOrWaitedOn)
{
    gDatabase.Close();
    // kinds: a link to the private file, a link to nowhere, a FIFO, a second name of the
    // private file, a folder with a file in it; "w" works, "r" is refused, as this user
    // and as another in a sticky folder (who cannot remove what this one left)
    const struct {
        const char16_t* name;
        const char* outcome[2];
        std::function<void()> run;
    } cases[] = {
        {u"EventLog.Log", {"wwwwr", "rrrrr"}, [] { clsLogs().LogEvent(u"x"_s, 2); }},
        {u"导入日志.txt", {"wwwwr", "rrrrr"},
         [] { clsLogs().StartLogging(plat::appFile(u"导入日志.txt"_s), clsLogs::kLogReplace); }},
        {u"Ostrel.mdb-wal", {"wwwrr", "rrrrr"}, useRegister},
        {u"Ostrel.mdb-shm", {"wwwrr", "rrrrr"}, useRegister},
        {u"Ostrel.mdb-journal", {"wwwrr", "rrrrr"}, useRegister},
        {u"Ostrel.STB", {"wwwwr", "rrrrr"}, backUp},
        {u"Temp", {"wwwww", "wwwww"}, [] { WriteTempDocument(u"说明.doc"_s, "doc"); }},
        {u"other.mdb", {"rrrrr", "rrrrr"}, [] { dao::DBEngine::OpenDatabase(plat::appFile(u"other.mdb"_s)); }},
        {u"new.mdb", {"rrrrr", "rrrrr"}, [] { dao::DBEngine::CreateDatabase(plat::appFile(u"new.mdb"_s), QString()); }},
    };
    const char16_t* what[] = {u"链接", u"链接", u"管道", u"另有其他名字", u"文件夹"};
    const QString key = folder->file(u"private.key"_s), nowhere = folder->file(u"nowhere"_s);
    writeFile(key, "secret");
    const QByteArray k = QFile::encodeName(key);
    ASSERT_EQ(::chmod(k.constData(), 0600), 0);
    ::alarm(300);
    for (const auto& c : cases) {
        for (int at = 0; at < (::geteuid() == 0 ? 10 : 5); ++at) {
            const int kind = at % 5, pass = at / 5;   // pass 1: as nobody, where root can make it so
            ASSERT_EQ(::chmod(QFile::encodeName(folder->path()).constData(), pass ? 01777 : 0700), 0);
            ASSERT_EQ(::chmod(QFile::encodeName(folder->file(u"Ostrel.mdb"_s)).constData(), pass ? 0666 : 0644), 0);
            const QString name = folder->file(QString::fromUtf16(c.name));
            const QByteArray n = QFile::encodeName(name);
            SCOPED_TRACE(name.toStdString() + " " + std::to_string(kind) + (pass ? " as nobody" : ""));
            ASSERT_EQ(kind == 2   ? ::mkfifo(n.constData(), 0666)
                      : kind == 3 ? ::link(k.constData(), n.constData())
                      : kind == 4 ? ::mkdir(n.constData(), 0755)
                                  : ::symlink(kind == 0 ? k.constData() : QFile::encodeName(nowhere).constData(),
                                              n.constData()),
                      0);
            if (kind == 4) writeFile(name + u"/inside"_s, "x");
            const QString said = QString::fromStdString(apart(c.run, pass ? kNobody : ::geteuid()));
            // works, or says which file and what lies there, in Chinese
            const bool says = said.contains(name) && !said.contains(u"没有权限"_s) &&
                              (said.contains(QString::fromUtf16(what[kind])) || said.contains(u"已经存在"_s));
            EXPECT_TRUE(c.outcome[pass][kind] == 'w' ? said.isEmpty() : says) << said.toStdString();
            struct stat st;
            // a regular file is never removed or replaced where a journal may be
            if (kind == 3 && name.contains(u".mdb-"_s))
                EXPECT_TRUE(::lstat(n.constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 2);
            EXPECT_EQ(testutil::readBytes(key), QByteArray("secret"));
            EXPECT_TRUE(::stat(k.constData(), &st) == 0 && (st.st_mode & 07777) == 0600);
            EXPECT_FALSE(QFileInfo::exists(nowhere));
            QFile::remove(name);
            QDir(name).removeRecursively();
            OpenMainDatabase();   // a journal left by a copy that stopped is folded back
            gDatabase.Close();
        }
    }
    ::alarm(0);
    gDatabase = dao::Database();
}

// Another user's plain file at a journal's name, or at the event log's, beside a register
// that user may not read and write, is never used, replayed or removed: each use is
// refused naming it and its owner, and once it is gone every committed row is there. A
// colleague's journals (a member of the register's group) are used, and the journals a
// copy makes take the register's group, whatever the copy's own.
TEST_F(SharedFolder, APlainFileOfAUserWhoMayNotWriteTheRegisterIsNeverUsed)
{
    if (::geteuid() != 0) GTEST_SKIP() << "acting as other users needs root";
    gDatabase.Close();
    const QByteArray db = QFile::encodeName(folder->file(u"Ostrel.mdb"_s)), at = QFile::encodeName(folder->path());
    const std::function<void()> logEvent = [] { clsLogs().LogEvent(u"x"_s, 2); };
    const struct { uid_t user, planter; } passes[] = {{0, kNobody}, {kNobody, kNobody - 1}};
    for (const auto& pass : passes)
        for (const mode_t folderMode : {01777, 0777})
            for (const mode_t registerMode : {0600, 0660}) {
                ASSERT_EQ(::chmod(at.constData(), folderMode), 0);
                ASSERT_EQ(::chown(db.constData(), pass.user, pass.user) | ::chmod(db.constData(), registerMode), 0);
                ASSERT_EQ(apart(useRegister, pass.user), "");
                OpenMainDatabase();
                const QStringList committed = sysInfo();
                gDatabase.Close();
                for (const char16_t* name : {u"Ostrel.mdb-wal", u"Ostrel.mdb-shm", u"Ostrel.mdb-journal", u"EventLog.Log"})
                    for (const mode_t mode : {0600, 0644, 0666}) {
                        const QString path = folder->file(QString::fromUtf16(name));
                        const QByteArray p = QFile::encodeName(path);
                        SCOPED_TRACE(path.toStdString() + " " + std::to_string(mode) + " as " + std::to_string(pass.user));
                        writeFile(path, "planted");
                        ASSERT_EQ(::chown(p.constData(), pass.planter, pass.planter) | ::chmod(p.constData(), mode), 0);
                        const QString said = QString::fromStdString(
                            apart(path.endsWith(u".Log"_s) ? logEvent : useRegister, pass.user));
                        EXPECT_TRUE(said.contains(path) && said.contains(QString::number(pass.planter))) << said.toStdString();
                        struct stat st;
                        EXPECT_TRUE(::stat(p.constData(), &st) == 0 && st.st_uid == pass.planter && (st.st_mode & 0777) == mode);
                        EXPECT_EQ(testutil::readBytes(path), QByteArray("planted"));
                        QFile::remove(path);
                    }
                OpenMainDatabase();
                EXPECT_EQ(sysInfo(), committed);
                gDatabase.Close();
            }
    // nobody as a colleague: a member of the register's group, this group not its own here
    const gid_t shared = ::getpwuid(kNobody)->pw_gid;
    ASSERT_EQ(::chown(db.constData(), 0, shared) | ::chmod(db.constData(), 0660), 0);
    EXPECT_EQ(apart([] {   // its copy saves and stops, leaving its journals
        OpenMainDatabase();
        gDatabase.Execute(u"UPDATE [SysInfo] SET [Memo]='colleague' WHERE [ID]=2;"_s);
    }, kNobody, kNobody - 1), "");
    for (const char* tail : {"-wal", "-shm"}) {
        struct stat st;
        EXPECT_TRUE(::stat((db + tail).constData(), &st) == 0 && st.st_uid == kNobody && st.st_gid == shared && (st.st_mode & 0777) == 0660)
            << tail << " " << st.st_gid;
    }
    EXPECT_EQ(apart(useRegister), "");
    OpenMainDatabase();
    EXPECT_TRUE(sysInfo().join(u'\n').contains(u"colleague"_s));
}

// A register in a folder whose name ends as a journal's is used as any other.
TEST_F(SharedFolder, ARegisterInAFolderNamedLikeAJournalIsUsed)
{
    gDatabase.Close();
    for (const char16_t* name : {u"x-journal", u"x-wal", u"x-shm"}) {
        const QString at = folder->file(QString::fromUtf16(name));
        ASSERT_TRUE(QDir().mkdir(at));
        plat::setAppPath(at);
        CreateNewDatabase(at, u"admin"_s, u"secret-1"_s);
        EXPECT_EQ(apart([] { useRegister(), backUp(); }), "") << at.toStdString();
        EXPECT_TRUE(QFileInfo::exists(at + u"/Ostrel.STB"_s));
    }
    plat::setAppPath(folder->path());
    gDatabase = dao::Database();
}

// Copies of one user, and of two users sharing the program's folder, write the same stored
// document and close again and again: each copy writes to a folder of its own that no
// other user may enter, so no write fails and no copy's open document is removed. A copy
// that died leaves its folder to the next to close; a missing TMPDIR is named.
TEST_F(SharedFolder, CopiesWriteAndCloseStoredDocumentsWithoutRemovingAnothers)
{
    ASSERT_EQ(::chmod(QFile::encodeName(folder->path()).constData(), 01777), 0);
    const std::function<QString()> copy = [] {
        for (int i = 0; i < 150; ++i) {
            const QByteArray bytes = QByteArray::number(::getpid()) + '-' + QByteArray::number(i);
            const QString path = WriteTempDocument(u"说明.doc"_s, bytes);
            ::usleep(300);   // open while the other copy writes and closes
            struct stat st;
            if (testutil::readBytes(path) != bytes || ::stat(QFile::encodeName(QFileInfo(path).path()).constData(), &st) != 0 ||
                st.st_uid != ::geteuid() || (st.st_mode & 077))
                throw vb::Error(1, path);
            if (i % 3 == 2) ClearTempDocuments();   // the copy closes, and starts again
        }
        return QString();
    };
    for (const uid_t second : {::geteuid(), ::geteuid() == 0 ? kNobody : ::geteuid()}) {
        testutil::Child first(copy);
        EXPECT_EQ(apart(copy, second), "");
        EXPECT_EQ(first.said().toStdString(), "");
    }
    const QString left = testutil::inChild([] { return WriteTempDocument(u"a.doc"_s, "a"); });
    ClearTempDocuments();
    EXPECT_FALSE(QFileInfo::exists(left)) << left.toStdString();
    if (::geteuid() != 0) return;
    ASSERT_EQ(::mkdir(QFile::encodeName(folder->file(u"Temp"_s)).constData(), 0700) |
                  ::chown(QFile::encodeName(folder->file(u"Temp"_s)).constData(), kNobody, kNobody), 0);
    writeFile(folder->file(u"Temp/x"_s), "x");   // another user's, not empty
    qputenv("TMPDIR", QFile::encodeName(folder->file(u"missing"_s)));
    EXPECT_TRUE(testutil::errorOf([] { WriteTempDocument(u"a.doc"_s, "a"); }).description().contains(folder->file(u"missing"_s)));
}

} // namespace
