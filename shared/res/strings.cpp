#include "shared/res/strings.h"
#include <QLocale>

namespace res {
namespace {
int g_language = 0;
}

int userLanguage()
{
    if (g_language)
        return g_language;
    const QLocale loc = QLocale::system();
    return loc.language() == QLocale::English ? 1033 : 2052;
}

void setUserLanguage(int lcid) { g_language = lcid; }

QLocale userLocale()
{
    return userLanguage() == 1033 ? QLocale(QLocale::English, QLocale::UnitedStates)
                                  : QLocale(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China);
}

const StringEntry* StringTable::find(int id) const
{
    for (std::size_t i = 0; i < m_count; ++i)
        if (m_entries[i].id == id)
            return &m_entries[i];
    return nullptr;
}

QString StringTable::text(int id) const { return text(id, userLanguage()); }

QString StringTable::text(int id, int lcid) const
{
    const StringEntry* e = find(id);
    if (!e)
        return QString();
    const char16_t* s = (lcid == 1033 && e->en) ? e->en : e->zh;
    return s ? QString::fromUtf16(s) : QString();
}

} // namespace res
