#pragma once
// Qt's own texts (standard buttons, file dialogs) in the user's language.
#include <QLocale>

namespace plat {

// Loads Qt's "qtbase" translation for the locale from Qt's translations folder, replacing the
// one loaded before. False when there is none for it (Qt's own English texts then show).
bool installQtTranslations(const QLocale& locale);

} // namespace plat
