#include "platform/core/app.h"
#include <QCoreApplication>
#include <QDir>

namespace plat {
namespace {
QString& pathOverride() { static QString p; return p; }
QString& title() { static QString t = QStringLiteral("Ostrel"); return t; }
}

QString appPath()
{
    QString p = pathOverride();
    if (p.isEmpty())
        p = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    while (p.size() > 1 && (p.endsWith(QLatin1Char('/')) || p.endsWith(QLatin1Char('\\'))))
        p.chop(1);
    return p;
}

void setAppPath(const QString& folder) { pathOverride() = folder; }

QString appFile(const QString& name) { return appPath() + QLatin1Char('/') + name; }

QString tempFolder()
{
    const QString named = qEnvironmentVariable("TMPDIR");
    return named.isEmpty() ? QStringLiteral("/tmp") : QDir::cleanPath(named);
}

QString appTitle() { return title(); }
void setAppTitle(const QString& t) { title() = t; }

} // namespace plat
