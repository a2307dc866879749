#pragma once
// A deliverable's numbered string table, in Chinese and (optionally) US English.
//
//   static const res::StringEntry kEntries[] = {{1500, u"编码设计器", u"Designer"}, ...};
//   const res::StringTable& strings() { static const res::StringTable t(kEntries); return t; }
#include <QLocale>
#include <QString>
#include <cstddef>

namespace res {

struct StringEntry {
    int id;
    const char16_t* zh;
    const char16_t* en; // nullptr: the table has no English text for this entry
};

// The user's language: 1033 (US English) picks the English texts, anything else the Chinese ones.
int userLanguage();
void setUserLanguage(int lcid); // 0 = from the system again
// The locale of the user's language (US English or Simplified Chinese).
QLocale userLocale();

class StringTable {
public:
    template <std::size_t N>
    explicit StringTable(const StringEntry (&entries)[N]) : m_entries(entries), m_count(N) {}
    StringTable(const StringEntry* entries, std::size_t n) : m_entries(entries), m_count(n) {}

    bool has(int id) const { return find(id) != nullptr; }
    // The text in the user's language; the empty text for a missing entry.
    QString text(int id) const;
    QString text(int id, int lcid) const;

private:
    const StringEntry* find(int id) const;
    const StringEntry* m_entries;
    std::size_t m_count;
};

} // namespace res
