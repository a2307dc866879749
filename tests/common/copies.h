#pragma once
// Several running copies of the program on one file: the test starts its own executable
// again as each further copy. The copy runs the same test (or a part chosen at static
// initialisation, before any test), which plays the part copyPart() names on copyFile().
//
//   if (!testutil::copyPart().isEmpty()) { playIt(testutil::copyFile()); return; }
//   QProcess other; testutil::startCopy(other, "save", path);
#include "platform/dao/sqlfunctions.h"
#include <QByteArray>
#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace testutil {

// The part this process plays as a further copy; empty in the test itself.
inline QByteArray copyPart() { return qgetenv("OSTREL_TEST_COPY"); }
// The file the copies share.
inline QString copyFile() { return QString::fromLocal8Bit(qgetenv("OSTREL_TEST_FILE")); }

// Starts this executable as a copy playing `part` on `path`, its output merged.
inline void startCopy(QProcess& p, const char* part, const QString& path)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("OSTREL_TEST_COPY"), QString::fromLatin1(part));
    env.insert(QStringLiteral("OSTREL_TEST_FILE"), path);
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString filter = test ? QString::fromLatin1(test->test_suite_name()) + QLatin1Char('.') +
                                      QString::fromLatin1(test->name())
                                : QStringLiteral("-*");
    p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=") + filter});
    ASSERT_TRUE(p.waitForStarted(30000));
}

// What "PRAGMA integrity_check" says of the keyed file of the Chinese locale, read with
// the engine itself and the layer's order of text.
inline QString integrity(const QString& path, const QString& password)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const QByteArray key = password.toUtf8();
    sqlite3_key(db, key.constData(), key.size());
    dao::detail::registerFunctions(db);
    dao::detail::useChineseOrder(db);
    sqlite3_stmt* st = nullptr;
    QString out = QStringLiteral("no answer");
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        out = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

} // namespace testutil
