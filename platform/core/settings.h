#pragma once
// The per-user settings store: application, section, key -> text.
// One file per application name in the settings folder (~/.config/Ostrel by default).
#include <QString>

namespace plat {

// The application name the program's own settings live under (the title and the
// version, e.g. "Ostrel1.0"); the main program sets it once at start-up. Until then
// it is the application title.
QString appName();
void setAppName(const QString& name);

// Where the settings files live. Tests point it at their own folder; an empty folder
// means the default again.
QString settingsFolder();
void setSettingsFolder(const QString& folder);

// The stored text, or defaultValue when the key is not stored.
QString GetSetting(const QString& app, const QString& section, const QString& key,
                   const QString& defaultValue = QString());

// Stores the text. Raises vb::Error when the store cannot be written; an empty
// application, section or key is error 5.
void SaveSetting(const QString& app, const QString& section, const QString& key, const QString& value);

// Removes a key, or the whole section when key is empty. Removing what is not
// stored does nothing.
void DeleteSetting(const QString& app, const QString& section, const QString& key = QString());

} // namespace plat
