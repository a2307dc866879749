// Copies of the program on one register: four writers adding devices through the device
// editor's service and registering a transfer for each while a fifth copy reads the device
// list over and over, side by side with one writer and the reader; the write-ahead
// journal's length sampled meanwhile. The benchmark runs itself again as each copy.
//
//   bench_copies [SECONDS]   (each of the two runs; 20 by default)
#include "bench/benchutil.h"
#include "tests/main/devices/copiesload.h"
#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

struct Run {
    copiesload::Tally said;
    double seconds = 0;
    qint64 largestJournal = 0;
};

// `writers` writer copies and one reader on `path` for `ms` milliseconds.
Run run(const QString& path, int writers, qint64 ms)
{
    std::vector<std::unique_ptr<QProcess>> copies;
    for (int i = 0; i <= writers; ++i) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("OSTREL_BENCH_COPY"), i < writers ? QStringLiteral("write%1").arg(i + 1)
                                                                    : QStringLiteral("read"));
        env.insert(QStringLiteral("OSTREL_BENCH_FILE"), path);
        env.insert(QStringLiteral("OSTREL_BENCH_MS"), QString::number(ms));
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(QCoreApplication::applicationFilePath(), {});
        p->waitForStarted(30000);
        copies.push_back(std::move(p));
    }
    Run out;
    std::vector<QByteArray> said(copies.size());
    for (auto& p : copies) {
        while (!p->waitForFinished(20)) {
            out.largestJournal = std::max(out.largestJournal, QFileInfo(path + QStringLiteral("-wal")).size());
            for (size_t i = 0; i < copies.size(); ++i) said[i] += copies[i]->readAllStandardOutput();
        }
    }
    out.seconds = ms / 1000.0;
    for (size_t i = 0; i < copies.size(); ++i) out.said.take(said[i] + copies[i]->readAllStandardOutput());
    return out;
}

int failures(const QHash<int, int>& byError, bool locked)
{
    int n = 0;
    for (auto it = byError.begin(); it != byError.end(); ++it)
        if ((it.key() == dao::err::Locked) == locked) n += it.value();
    return n;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QByteArray part = qgetenv("OSTREL_BENCH_COPY");
    if (!part.isEmpty()) {
        const QString path = QString::fromLocal8Bit(qgetenv("OSTREL_BENCH_FILE"));
        const qint64 ms = qgetenv("OSTREL_BENCH_MS").toLongLong();
        if (part == "read")
            copiesload::read(path, ms);
        else
            copiesload::write(path, part.right(1).toInt(), ms);
        return 0;
    }
    const qint64 ms = (argc > 1 ? std::max(1, std::atoi(argv[1])) : 20) * 1000LL;
    QTemporaryDir dir;
    benchutil::openNewRegister(dir.path(), QStringLiteral("bench-pass-1"));
    const QString path = ostrel::gDatabase.Name();
    ostrel::gDatabase.Close();
    ostrel::gDatabase = dao::Database();

    const Run one = run(path, 1, ms);
    const Run four = run(path, 4, ms);

    const int added = four.said.added.size();
    const int failed = failures(four.said.addFailures, false);
    const int locked = failures(four.said.addFailures, true);
    const int tried = std::max(1, added + failed + locked);
    const double perSecondOne = one.said.added.size() / one.seconds;
    const double perSecondFour = added / four.seconds;
    std::printf("adds under load (4 copies, %lld s): %d\n", ms / 1000, tried);
    std::printf("failed adds per 10k under load: %d\n", int(qint64(failed) * 10000 / tried));
    std::printf("adds refused with 3228 per 10k under load: %d\n", int(qint64(locked) * 10000 / tried));
    std::printf("failed transfers under load (other than 3228): %d\n", failures(four.said.otherFailures, false));
    for (auto it = four.said.addFailures.begin(); it != four.said.addFailures.end(); ++it)
        std::printf("adds failed with error %d: %d\n", it.key(), it.value());
    std::printf("largest journal MB under load: %.1f\n", four.largestJournal / 1048576.0);
    std::printf("largest journal MB, 1 copy: %.1f\n", one.largestJournal / 1048576.0);
    std::printf("adds per second, 1 copy: %.1f\n", perSecondOne);
    std::printf("adds per second, 4 copies: %.1f\n", perSecondFour);
    std::printf("adds per second, 4 copies to 1 copy: %.2f\n", perSecondOne > 0 ? perSecondFour / perSecondOne : 0.0);
    std::printf("list reads under load: %d\n", four.said.reads);
    return 0;
}
