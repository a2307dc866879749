#include "login/collections.h"
#include "platform/core/vberror.h"

namespace quillon {

template <class I>
void KeyedList<I>::add(const com::ComPtr<I>& item, const QString& key)
{
    if (!key.isEmpty())
        for (const Entry& e : m_items)
            if (!e.key.isEmpty() && e.key.compare(key, Qt::CaseInsensitive) == 0)
                throw vb::Error::runtime(vb::errKeyExists);
    m_items.append({item, key});
}

template <class I>
int KeyedList<I>::indexOf(const QVariant& indexKey) const
{
    const int type = indexKey.typeId();
    if (type == QMetaType::QString || type == QMetaType::QByteArray || type == QMetaType::QChar) {
        const QString key = indexKey.toString();
        for (int i = 0; i < m_items.size(); ++i)
            if (!m_items[i].key.isEmpty() && m_items[i].key.compare(key, Qt::CaseInsensitive) == 0)
                return i;
        throw vb::Error::runtime(vb::errInvalidCall);
    }
    bool ok = false;
    const double d = indexKey.toDouble(&ok);
    if (!ok)
        throw vb::Error::runtime(vb::errTypeMismatch);
    const qint64 pos = qRound64(d);
    if (pos < 1 || pos > m_items.size())
        throw vb::Error::runtime(vb::errSubscript);
    return int(pos - 1);
}

template <class I>
QList<com::ComPtr<I>> KeyedList<I>::all() const
{
    QList<com::ComPtr<I>> r;
    r.reserve(m_items.size());
    for (const Entry& e : m_items)
        r.append(e.item);
    return r;
}

template class KeyedList<cUser>;
template class KeyedList<cPrivate>;

com::ComPtr<cUser> UsersImpl::Add(qint32 UID, const QString& LogName, const QString& Name)
{
    com::ComPtr<UserImpl> u = com::make<UserImpl>();
    u->setUID(UID);
    u->setLogName(LogName);
    u->setName(Name);
    m_list.add(u, LogName);
    return u;
}

com::ComPtr<cPrivate> PrivatesImpl::Add(const QString& Name, const QString& ForeignName, bool Value)
{
    com::ComPtr<PrivateImpl> p = com::make<PrivateImpl>();
    p->setName(Name);
    p->setForeignName(ForeignName);
    p->setValue(Value);
    m_list.add(p, Name);
    return p;
}

} // namespace quillon
