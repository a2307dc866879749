#pragma once
// The detail pane's history tabs: what each shows of which table, and the one loader
// that fills a list with one device's records of one tab.
#include "main/core/usrinfos.h"
#include <QHash>
#include <QIcon>
#include <QString>
#include <QVector>

class QTreeWidget;

namespace ostrel::mainwin {

// One shown column: a field as text, as the text of its code in a SysInfo list, or as a date.
struct HistoryColumn {
    QString field;
    QString codeType;   // "" : shown as it is
    bool date = false;  // "YYYY-MM-DD HH:MM"
};

struct HistoryTab {
    QString key;        // the tab's key
    qint32 kind;        // what the history editor selects its page by
    QString table;
    QString columns;    // SetupColumns specification
    QString orderBy;    // "" : the database's order
    QVector<HistoryColumn> shown;
    bool (UsrInfos::*allowed)() const;   // adds and deletes on the tab
};

// Trans, Maintain, Checks, Discard, Docs, in tab order.
const QVector<HistoryTab>& HistoryTabs();
// The tab of key; nullptr for the summary, the picture or an unknown key.
const HistoryTab* FindHistoryTab(const QString& key);

// The small icons of stored documents, one per type key, kept for the program's run.
class DocIcons {
public:
    // The type key of a stored name: the text after the first "." of its file part, the
    // whole file part without one.
    static QString typeKey(const QString& storedName);
    // The icon of the name's type, made from the name the first time the type is seen.
    QIcon icon(const QString& storedName);
    // The type name the desktop gives the type key ("" when not yet seen).
    QString typeName(const QString& key) const { return m_entries.value(key).typeName; }
    int count() const { return int(m_entries.size()); }

private:
    struct Entry {
        QIcon icon;
        QString typeName;
    };
    QHash<QString, Entry> m_entries;
};

// Fills list with the rows of tab for devId: item text and sub-items as the tab shows them,
// the record's [ID] in Qt::UserRole of column 0, documents with their type's icon. An
// error is shown with the exclamation icon; the rows read so far stay.
void LoadHistory(const HistoryTab& tab, qint32 devId, QTreeWidget* list, DocIcons& icons);

} // namespace ostrel::mainwin
