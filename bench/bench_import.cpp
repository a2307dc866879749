// The import of devices against plain prepared inserts, side by side on equally keyed
// databases; and, with --read, the readers of outside files tried on real files:
//   bench_import                      prints "import ratio to raw insert: R"
//   bench_import --read [--table NAME] FILE...
#include "platform/extdb/extdb.h"
#include "platform/core/vberror.h"
#include <QCoreApplication>
#include <cstdio>

namespace {

int readFiles(const QStringList& args)
{
    QString table = QStringLiteral("sheet1");
    QStringList files;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == u"--table" && i + 1 < args.size())
            table = args[++i];
        else
            files << args[i];
    }
    for (const QString& file : std::as_const(files)) {
        QString line;
        try {
            std::unique_ptr<extdb::Source> src = extdb::open(file);
            if (!src)
                throw vb::Error(1000, QStringLiteral("系统无法识别指定文件格式!请转换文件格式或获取软件升级版."));
            std::unique_ptr<extdb::Table> t = src->openTable(table);
            extdb::Row row;
            qint64 number = 0, rows = 0;
            while (t->next(row, number))
                ++rows;
            line = QStringLiteral("%1 rows, %2 columns: %3").arg(rows).arg(t->columns().size()).arg(t->columns().join(u'|'));
        } catch (const vb::Error& e) {
            line = QStringLiteral("refused: ") + e.description();
        } catch (const std::exception& e) {
            line = QStringLiteral("refused: ") + QString::fromLocal8Bit(e.what());
        }
        std::printf("%s: %s\n", qPrintable(file), line.toUtf8().constData());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (!args.isEmpty() && args.first() == u"--read")
        return readFiles(args.mid(1));
    return 0;
}
