// ostrel-newdb FOLDER: creates FOLDER/Ostrel.mdb with its tables and a first
// administrator, and prints how to log in. Never overwrites an existing file.
#include "main/core/newdatabase.h"
#include "platform/core/translations.h"
#include "shared/res/strings.h"
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    plat::installQtTranslations(res::userLocale());
    if (argc != 2) {
        std::fprintf(stderr, "usage: ostrel-newdb FOLDER\n");
        return 2;
    }
    try {
        const ostrel::NewDatabaseResult r = ostrel::CreateNewDatabase(QString::fromLocal8Bit(argv[1]));
        std::printf("log-in name: %s\npassword: %s\n", qPrintable(r.adminName), qPrintable(r.adminPassword));
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ostrel-newdb: %s\n", e.what());
        return 1;
    }
}
