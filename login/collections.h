#pragma once
// The users and privileges collections and their entries.
#include "login/include/quillon.h"
#include <QVector>

namespace quillon {

class UserImpl final : public com::Object<cUser> {
public:
    void Refresh() override {}
    void setName(const QString& v) override { m_name = v; }
    QString Name() const override { return m_name; }
    void setLogName(const QString& v) override { m_logName = v; }
    QString LogName() const override { return m_logName; }
    qint32 UID() const override { return m_uid; }
    // Only the library sets the user number.
    void setUID(qint32 v) { m_uid = v; }

private:
    QString m_name;
    qint32 m_uid = 0;
    QString m_logName;
};

class PrivateImpl final : public com::Object<cPrivate> {
public:
    ePrivateTypes Style() const override { return m_style; }
    void setValue(bool v) override { m_value = v; }
    bool Value() const override { return m_value; }
    void setForeignName(const QString& v) override { m_foreignName = v; }
    QString ForeignName() const override { return m_foreignName; }
    void setName(const QString& v) override { m_name = v; }
    QString Name() const override { return m_name; }

private:
    QString m_name;
    QString m_foreignName;
    bool m_value = false;
    ePrivateTypes m_style = ePrivateView;
};

// Objects in insertion order, each with an optional key unique without regard to letter case.
template <class I>
class KeyedList {
public:
    void clear() { m_items.clear(); }
    int count() const { return m_items.size(); }
    void add(const com::ComPtr<I>& item, const QString& key);
    com::ComPtr<I> item(const QVariant& indexKey) const { return m_items.at(indexOf(indexKey)).item; }
    void remove(const QVariant& indexKey) { m_items.removeAt(indexOf(indexKey)); }
    QList<com::ComPtr<I>> all() const;

private:
    struct Entry {
        com::ComPtr<I> item;
        QString key;
    };
    int indexOf(const QVariant& indexKey) const;
    QVector<Entry> m_items;
};

class UsersImpl final : public com::Object<Users> {
public:
    void Clear() override { m_list.clear(); }
    com::ComPtr<cUser> Add(qint32 UID, const QString& LogName, const QString& Name) override;
    com::ComPtr<cUser> Item(const QVariant& vntIndexKey) const override { return m_list.item(vntIndexKey); }
    qint32 Count() const override { return m_list.count(); }
    void Remove(const QVariant& vntIndexKey) override { m_list.remove(vntIndexKey); }
    QList<com::ComPtr<cUser>> NewEnum() const override { return m_list.all(); }

private:
    KeyedList<cUser> m_list;
};

class PrivatesImpl final : public com::Object<Privates> {
public:
    void Clear() override { m_list.clear(); }
    com::ComPtr<cPrivate> Add(const QString& Name, const QString& ForeignName, bool Value) override;
    com::ComPtr<cPrivate> Item(const QVariant& vntIndexKey) const override { return m_list.item(vntIndexKey); }
    qint32 Count() const override { return m_list.count(); }
    void Remove(const QVariant& vntIndexKey) override { m_list.remove(vntIndexKey); }
    QList<com::ComPtr<cPrivate>> NewEnum() const override { return m_list.all(); }

private:
    KeyedList<cPrivate> m_list;
};

} // namespace quillon
