#pragma once
// Named lists: List items, the Lists collection and the Names set.
#include "rulegen/include/tessaly.h"
#include "rulegen/engine/sinks.h"
#include "shared/com/com.h"

namespace tessaly {

class ListImpl final : public com::Object<IList> {
public:
    QString Name() override { return m_name; }
    void setName(const QString& v) override;
    QString Value() override { return m_value; }
    void setValue(const QString& v) override { m_value = v; }
    QVariant Description() override { return QVariant(m_description); }
    void setDescription(const QVariant& v) override { m_description = v.toString(); }
    QString ForeignName() override { return m_foreign; }
    void setForeignName(const QString& v) override;
    ListStyles Style() override { return m_style; }

    void SetListStyle(int style);

private:
    QString m_name, m_foreign, m_value, m_description;
    ListStyles m_style = lsMulriple;
};

class ListsImpl final : public com::Object<ILists> {
public:
    com::ComPtr<IList> Add(const QString& Name, const QString& ForeignName = QString(),
                           const QString& Value = QString(), const QString& Description = QString()) override;
    com::ComPtr<IList> Item(const QVariant& vntIndexKey) override;
    qint32 Count() override { return qint32(m_items.size()); }
    void Remove(const QVariant& vntIndexKey) override;
    QList<com::ComPtr<IList>> NewEnum() override { return m_items; }
    void advise(IListsEvents* sink) override { m_sinks.add(sink); }
    void unadvise(IListsEvents* sink) override { m_sinks.remove(sink); }

    // Library-internal operations.
    ListStyles style() const { return m_style; }
    void setStyle(int style);
    com::ComPtr<IList> InsertItem(IList* item, const QVariant& Before = QVariant(), const QVariant& After = QVariant());
    void RemoveAll();
    void MoveItem(const QVariant& vntIndexKey, const QVariant& Before, const QVariant& After);
    QVariant IndexOfName(const QVariant& vntIndexKey);
    QString ToText();
    void FromText(const QString& text);
    // Checks a list text as FromText would read it into an empty list: the error, or nothing.
    static bool checkText(const QString& text);
    // The item named so (ignoring case), or null; no error.
    IList* find(const QString& name) const;
    bool containsItem(IList* item) const;
    // Empties the list without events.
    void clearQuietly() { m_items.clear(); }

private:
    int indexOf(const QVariant& vntIndexKey) const; // 0-based; raises when absent
    bool keyed() const { return m_style != lsMulriple; }

    QList<com::ComPtr<IList>> m_items;
    ListStyles m_style = lsMulriple;
    Sinks<IListsEvents> m_sinks;
};

class NamesImpl final : public com::Object<INames> {
public:
    QString Add(const QString& Value) override;
    QString Item(const QVariant& vntIndexKey) override;
    qint32 Count() override { return qint32(m_items.size()); }
    void Remove(const QVariant& vntIndexKey) override;
    QStringList NewEnum() override;
    void ImportNames(const QString& Definitions) override;
    void advise(INamesEvents* sink) override { m_sinks.add(sink); }
    void unadvise(INamesEvents* sink) override { m_sinks.remove(sink); }

    QString NamesText() const;
    bool contains(const QString& name) const; // ignoring case, keyed entries

private:
    struct Entry {
        QString text;
        bool keyed;
    };
    int indexOf(const QVariant& vntIndexKey) const;
    QList<Entry> m_items;
    Sinks<INamesEvents> m_sinks;
};

} // namespace tessaly
