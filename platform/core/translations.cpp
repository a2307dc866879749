#include "platform/core/translations.h"
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

namespace plat {

bool installQtTranslations(const QLocale& locale)
{
    static std::unique_ptr<QTranslator> installed;
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    auto t = std::make_unique<QTranslator>();
    if (!t->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    QCoreApplication::installTranslator(t.get());
    installed = std::move(t);
    return true;
}

} // namespace plat
