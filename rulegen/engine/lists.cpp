#include "rulegen/engine/lists.h"
#include "rulegen/engine/strings.h"
#include "rulegen/engine/textutil.h"

namespace tessaly {

using text::given;

// ---------------------------------------------------------------- List

void ListImpl::setName(const QString& v)
{
    if (!m_name.isEmpty())
        throw error(2001);
    const QString t = text::trim(v);
    if (t.isEmpty() || !text::fitsText(t, ",;"))
        throw error(2003);
    m_name = t;
    if (m_foreign.isEmpty())
        m_foreign = t;
}

void ListImpl::setForeignName(const QString& v)
{
    const QString t = text::trim(v);
    if (t.isEmpty() || !text::fitsText(t, ",;"))
        throw error(2003);
    m_foreign = t;
}

void ListImpl::SetListStyle(int style)
{
    if (style < lsMulriple || style >= lsUbound)
        throw error(2003);
    m_style = ListStyles(style);
}

// ---------------------------------------------------------------- Lists

void ListsImpl::setStyle(int style)
{
    if (style < lsMulriple || style >= lsUbound)
        throw error(2003);
    m_style = ListStyles(style);
}

int ListsImpl::indexOf(const QVariant& key) const
{
    // a list without keys is indexed by position only
    return text::indexOfKey(key, m_items.size(), [&](int i, const QString& name) {
        return keyed() && text::sameText(m_items[i]->Name(), name);
    });
}

IList* ListsImpl::find(const QString& name) const
{
    for (const auto& it : m_items)
        if (text::sameText(it->Name(), name))
            return it.get();
    return nullptr;
}

bool ListsImpl::containsItem(IList* item) const
{
    for (const auto& it : m_items)
        if (it.get() == item)
            return true;
    return false;
}

com::ComPtr<IList> ListsImpl::Item(const QVariant& vntIndexKey) { return m_items[indexOf(vntIndexKey)]; }

com::ComPtr<IList> ListsImpl::Add(const QString& Name, const QString& ForeignName, const QString& Value,
                                  const QString& Description)
{
    if (m_style == lsMulriple)
        throw error(2006);
    if (Name.isEmpty())
        throw error(2003);
    try {
        com::ComPtr<ListImpl> item = com::make<ListImpl>();
        item->setName(Name);
        if (!ForeignName.isEmpty())
            item->setForeignName(ForeignName);
        item->setValue(Value);
        item->setDescription(Description);
        item->SetListStyle(m_style);
        InsertItem(item.get());
        return item;
    } catch (const vb::Error& e) {
        if (e.number() == vb::errKeyExists)
            throw error(2012);
        throw;
    }
}

com::ComPtr<IList> ListsImpl::InsertItem(IList* item, const QVariant& Before, const QVariant& After)
{
    if (!item)
        throw error(2003);
    QString name = item->Name();
    bool cancel = false;
    QString description;
    qint32 index = 0;
    m_sinks.raise([&](IListsEvents* s) { s->BeforeAdd(name, cancel, description, index); });
    if (cancel)
        throw errorJoined(2022, description);

    const QString key = item->Name();
    int at = int(m_items.size());
    if (given(Before))
        at = indexOf(Before);
    else if (given(After))
        at = indexOf(After) + 1;
    if (keyed() && find(key))
        throw runtimeError(vb::errKeyExists);
    com::ComPtr<IList> held(item);
    m_items.insert(at, held);
    m_sinks.raise([&](IListsEvents* s) { s->CollectionChanged(); });
    return held;
}

void ListsImpl::Remove(const QVariant& vntIndexKey)
{
    const int i = indexOf(vntIndexKey);
    com::ComPtr<IList> item = m_items[i];
    QString name = item->Name();
    bool cancel = false;
    QString description;
    m_sinks.raise([&](IListsEvents* s) { s->BeforeRemove(name, cancel, description); });
    if (cancel)
        throw errorJoined(2015, description);
    const int now = int(m_items.indexOf(item));
    if (now < 0)
        return; // a listener took it out already
    m_items.removeAt(now);
    m_sinks.raise([&](IListsEvents* s) { s->CollectionChanged(); });
}

void ListsImpl::RemoveAll()
{
    const int n = Count();
    for (int p = n; p >= 1; --p)
        if (p <= Count())
            Remove(p);
}

QVariant ListsImpl::IndexOfName(const QVariant& vntIndexKey)
{
    const QString name = m_items[indexOf(vntIndexKey)]->Name();
    for (int i = 0; i < m_items.size(); ++i)
        if (m_items[i]->Name() == name)
            return QVariant(qint32(i + 1));
    return QVariant(qint32(0));
}

void ListsImpl::MoveItem(const QVariant& vntIndexKey, const QVariant& Before, const QVariant& After)
{
    if (m_items.size() < 2)
        return;
    if (given(Before) == given(After))
        throw error(2003);
    const int from = indexOf(vntIndexKey);
    com::ComPtr<IList> moved = m_items[from];
    const QVariant& refKey = given(Before) ? Before : After;
    const int p = IndexOfName(refKey).toInt(); // 1-based
    com::ComPtr<IList> ref = m_items[p - 1];
    if (ref == moved)
        throw error(2008);
    if (given(Before) && p >= 2 && m_items[p - 2] == moved)
        throw error(2008);
    if (given(After) && p < Count() && m_items[p] == moved)
        throw error(2008);
    if (!keyed())
        throw runtimeError(vb::errInvalidCall); // the reference is found only by its key
    m_items.removeAt(from);
    try {
        if (given(Before))
            InsertItem(moved.get(), ref->Name(), QVariant());
        else
            InsertItem(moved.get(), QVariant(), ref->Name());
    } catch (...) {
        // a refused re-insertion must not lose the item
        if (!m_items.contains(moved))
            m_items.insert(qMin(from, int(m_items.size())), moved);
        throw;
    }
}

QString ListsImpl::ToText()
{
    QStringList parts;
    for (const auto& it : m_items) {
        QString s = it->Name() + QLatin1Char(',');
        const QString foreign = it->ForeignName();
        if (!text::sameText(foreign, it->Name()))
            s += foreign;
        s += QLatin1Char(',') + it->Value();
        const QString d = it->Description().toString();
        if (!d.isEmpty())
            s += QLatin1Char(',') + d;
        parts.append(s);
    }
    return parts.join(QLatin1Char(';'));
}

void ListsImpl::FromText(const QString& t)
{
    if (t.isEmpty())
        return;
    m_items.clear();
    const QStringList items = t.split(QLatin1Char(';'));
    for (const QString& itemText : items) {
        const QStringList f = itemText.split(QLatin1Char(','));
        auto field = [&](int i) { return i < f.size() ? f[i] : QString(); };
        Add(field(0), field(1), field(2), field(3));
    }
}

bool ListsImpl::checkText(const QString& t)
{
    if (t.isEmpty())
        return true;
    QStringList seen;
    for (const QString& itemText : t.split(QLatin1Char(';'))) {
        const QStringList f = itemText.split(QLatin1Char(','));
        const QString name = text::trim(f.value(0));
        if (name.isEmpty())
            return false;
        if (!f.value(1).isEmpty() && text::trim(f.value(1)).isEmpty())
            return false;
        for (const QString& s : seen)
            if (text::sameText(s, name))
                return false;
        seen.append(name);
    }
    return true;
}

// ---------------------------------------------------------------- Names

int NamesImpl::indexOf(const QVariant& key) const
{
    return text::indexOfKey(key, m_items.size(), [&](int i, const QString& name) {
        return m_items[i].keyed && text::sameText(m_items[i].text, name);
    });
}

bool NamesImpl::contains(const QString& name) const
{
    for (const Entry& e : m_items)
        if (e.keyed && text::sameText(e.text, name))
            return true;
    return false;
}

QString NamesImpl::Add(const QString& Value)
{
    bool cancel = false;
    QString description;
    m_sinks.raise([&](INamesEvents* s) { s->BeforeAdd(Value, cancel, description); });
    if (cancel)
        throw errorJoined(2022, description);
    if (contains(Value))
        throw runtimeError(vb::errKeyExists);
    m_items.append({Value, true});
    return Value;
}

QString NamesImpl::Item(const QVariant& vntIndexKey) { return m_items[indexOf(vntIndexKey)].text; }

void NamesImpl::Remove(const QVariant& vntIndexKey) { m_items.removeAt(indexOf(vntIndexKey)); }

QStringList NamesImpl::NewEnum()
{
    QStringList r;
    for (const Entry& e : m_items)
        r.append(e.text);
    return r;
}

void NamesImpl::ImportNames(const QString& Definitions)
{
    m_items.clear();
    if (Definitions.isEmpty())
        return;
    for (const QString& s : Definitions.split(QLatin1Char(';')))
        m_items.append({s, false});
}

QString NamesImpl::NamesText() const
{
    QStringList r;
    for (const Entry& e : m_items)
        r.append(e.text);
    return r.join(QLatin1Char(','));
}

} // namespace tessaly
