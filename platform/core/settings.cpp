#include "platform/core/settings.h"
#include "platform/core/app.h"
#include "platform/core/vberror.h"
#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <memory>

namespace plat {
namespace {
QString& nameOverride() { static QString n; return n; }
QString& folderOverride() { static QString f; return f; }

QString fileNameFor(const QString& app)
{
    QString name = app;
    for (QChar& c : name)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QChar(0))
            c = QLatin1Char('_');
    return settingsFolder() + QLatin1Char('/') + name + QStringLiteral(".conf");
}

QString pathOf(const QString& section, const QString& key)
{
    return key.isEmpty() ? section : section + QLatin1Char('/') + key;
}

std::unique_ptr<QSettings> open(const QString& app)
{
    return std::make_unique<QSettings>(fileNameFor(app), QSettings::IniFormat);
}

void requireNames(const QString& app, const QString& section, const QString& key, bool keyNeeded, const char* who)
{
    if (app.trimmed().isEmpty() || section.trimmed().isEmpty() || (keyNeeded && key.trimmed().isEmpty()))
        throw vb::Error::runtime(vb::errInvalidCall, QString::fromLatin1(who));
}

void commit(QSettings& s)
{
    s.sync();
    if (s.status() != QSettings::NoError)
        throw vb::Error(vb::errPermissionDenied,
                        QStringLiteral("不能写入设置文件：") + QDir::toNativeSeparators(s.fileName()));
}
} // namespace

QString appName()
{
    const QString& n = nameOverride();
    return n.isEmpty() ? appTitle() : n;
}

void setAppName(const QString& name) { nameOverride() = name; }

QString settingsFolder()
{
    if (!folderOverride().isEmpty())
        return folderOverride();
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Ostrel");
}

void setSettingsFolder(const QString& folder) { folderOverride() = folder; }

QString GetSetting(const QString& app, const QString& section, const QString& key, const QString& defaultValue)
{
    if (app.isEmpty() || section.isEmpty() || key.isEmpty())
        return defaultValue;
    auto s = open(app);
    const QVariant v = s->value(pathOf(section, key));
    if (!v.isValid())
        return defaultValue;
    // A hand-edited file may hold an unquoted list; give it back as it was written.
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}

void SaveSetting(const QString& app, const QString& section, const QString& key, const QString& value)
{
    requireNames(app, section, key, true, "SaveSetting");
    QDir().mkpath(settingsFolder());
    auto s = open(app);
    s->setValue(pathOf(section, key), value);
    commit(*s);
}

void DeleteSetting(const QString& app, const QString& section, const QString& key)
{
    requireNames(app, section, key, false, "DeleteSetting");
    auto s = open(app);
    if (!s->contains(pathOf(section, key)) && !s->childGroups().contains(section))
        return;
    s->remove(pathOf(section, key));
    commit(*s);
}

} // namespace plat
