#include "rulegen/engine/nodes.h"
#include "rulegen/engine/strings.h"
#include "rulegen/engine/textutil.h"
#include <QHash>

namespace tessaly {

using text::given;

// ---------------------------------------------------------------- node

qint32 NodeImpl::Index()
{
    NodesImpl* t = tree();
    if (!t)
        return 0;
    const int i = t->storeIndex(this);
    return i < 0 ? t->Count() + 1 : i + 1;
}

com::ComPtr<ICNode> NodeImpl::FirstSibling()
{
    NodesImpl* t = tree();
    if (t)
        for (const auto& n : t->store()) {
            if (n.get() == this)
                break;
            if (n->parentNode() == parentNode())
                return n;
        }
    return com::ComPtr<ICNode>(this);
}

com::ComPtr<ICNode> NodeImpl::LastSibling()
{
    NodesImpl* t = tree();
    if (t) {
        const auto& s = t->store();
        const int me = t->storeIndex(this);
        if (me >= 0)
            for (int i = int(s.size()) - 1; i > me; --i)
                if (s[i]->parentNode() == parentNode())
                    return s[i];
    }
    return com::ComPtr<ICNode>(this);
}

com::ComPtr<ICNode> NodeImpl::Nexts()
{
    NodesImpl* t = tree();
    if (!t)
        return {};
    const auto& s = t->store();
    const int me = t->storeIndex(this);
    if (me < 0)
        return {};
    for (int i = me + 1; i < s.size(); ++i)
        if (s[i]->parentNode() == parentNode())
            return s[i];
    return {};
}

com::ComPtr<ICNode> NodeImpl::Previous()
{
    NodesImpl* t = tree();
    if (!t)
        return {};
    const auto& s = t->store();
    const int me = t->storeIndex(this);
    for (int i = me - 1; i >= 0; --i)
        if (s[i]->parentNode() == parentNode())
            return s[i];
    return {};
}

com::ComPtr<ICNode> NodeImpl::Child()
{
    NodesImpl* t = tree();
    if (t)
        for (const auto& n : t->store())
            if (n->parentNode() == this)
                return n;
    return {};
}

qint32 NodeImpl::Children()
{
    NodesImpl* t = tree();
    if (!t)
        return 0;
    qint32 n = 0;
    for (const auto& c : t->store())
        if (c->parentNode() == this)
            n += 1 + c->Children();
    return n;
}

com::ComPtr<ICNode> NodeImpl::Root()
{
    NodeImpl* n = this;
    while (n->parentNode())
        n = n->parentNode();
    return com::ComPtr<ICNode>(n);
}

qint32 NodeImpl::Layer()
{
    if (!tree())
        return 0;
    qint32 n = 0;
    for (NodeImpl* p = parentNode(); p; p = p->parentNode())
        ++n;
    return n;
}

void NodeImpl::checkField(bool code, const QString& v)
{
    if ((code ? m_text : m_tag) == v)
        return;
    if (!text::fitsText(v, ",;"))
        throw error(2003);
    NodesImpl* t = tree();
    if (t && t->storeIndex(this) >= 0 && t->layerHas(parentNode(), this, code, v))
        throw error(code ? 2029 : 2030);
}

void NodeImpl::setField(bool code, const QString& v)
{
    if ((code ? m_text : m_tag) == v)
        return;
    checkField(code, v);
    (code ? m_text : m_tag) = v;
    if (NodesImpl* t = tree())
        t->NotifyNodeChanged(this);
}

void NodeImpl::setTextAndTag(const QString& text, const QString& tag)
{
    checkField(true, text);
    checkField(false, tag);
    setField(true, text);
    setField(false, tag);
}

void NodeImpl::setText(const QString& v) { setField(true, v); }
void NodeImpl::setTag(const QString& v) { setField(false, v); }

// ---------------------------------------------------------------- tree

NodesImpl::NodesImpl() : m_self(this) {}

NodesImpl::~NodesImpl() { m_self.invalidate(); }

int NodesImpl::storeIndex(const NodeImpl* n) const
{
    for (int i = 0; i < m_store.size(); ++i)
        if (m_store[i].get() == n)
            return i;
    return -1;
}

bool NodesImpl::layerHas(NodeImpl* parent, NodeImpl* except, bool code, const QString& v) const
{
    // codes and values are matched ignoring case, so siblings may not differ only in case
    for (const auto& n : m_store)
        if (n.get() != except && n->parentNode() == parent && text::sameText(code ? n->Text() : n->Tag(), v))
            return true;
    return false;
}

NodeImpl* NodesImpl::lookup(const QVariant& key) const
{
    const int i = text::indexOfKey(key, m_store.size(),
                                   [&](int at, const QString& k) { return text::sameText(m_store[at]->Key(), k); });
    return m_store[i].get();
}

com::ComPtr<ICNode> NodesImpl::Node(const QVariant& vntIndexKey) { return com::ComPtr<ICNode>(lookup(vntIndexKey)); }

QList<com::ComPtr<ICNode>> NodesImpl::NewEnum()
{
    QList<com::ComPtr<ICNode>> r;
    for (const auto& n : m_store)
        r.append(n);
    return r;
}

void NodesImpl::raiseChanged(const QString& parentKey, const QString& hotKey)
{
    m_sinks.raise([&](ICNodesEvents* s) { s->NodesChanged(parentKey, hotKey); });
}

void NodesImpl::NotifyNodeChanged(NodeImpl* node)
{
    raiseChanged(node->parentNode() ? node->parentNode()->Key() : QString(), node->Key());
}

com::ComPtr<ICNode> NodesImpl::Add(const QVariant& Relative, tvwRelationships Relationship, const QString& Text,
                                   const QString& Tag)
{
    com::ComPtr<NodeImpl> node = com::make<NodeImpl>();
    ++m_counter;
    // the relation text separates nodes and fields with these
    if (!text::fitsText(Text, ",;") || !text::fitsText(Tag, ",;"))
        throw error(2003);
    node->setRaw(Text, Tag);
    node->setKey(QStringLiteral("N%1").arg(m_counter));
    node->setTree(m_self.weak());
    InsertNode(Relative, Relationship, node.get());
    return node;
}

void NodesImpl::InsertNode(const QVariant& Relative, int Relationship, NodeImpl* node)
{
    NodeImpl* parent = nullptr;
    NodeImpl* r = nullptr;
    if (given(Relative)) {
        r = lookup(Relative);
        parent = Relationship == tvwChild ? r : r->parentNode();
    }
    if (layerHas(parent, node, true, node->Text()))
        throw error(2029);
    if (layerHas(parent, node, false, node->Tag()))
        throw error(2030);

    int at = int(m_store.size());
    if (r) {
        switch (Relationship) {
        case tvwFirst:
            at = storeIndex(static_cast<NodeImpl*>(r->FirstSibling().get()));
            break;
        case tvwPrevious:
            at = storeIndex(r);
            break;
        case tvwNext:
            at = storeIndex(r) + 1;
            break;
        case tvwLast:
            at = storeIndex(static_cast<NodeImpl*>(r->LastSibling().get())) + 1;
            break;
        case tvwChild:
            if (m_style == tsSimplified)
                throw error(2003);
            break;
        default:
            throw error(2003);
        }
    }
    // a moved node may not end up below itself, nor its tree hold more than kMaxLayers layers
    int layer = 0;
    for (NodeImpl* a = parent; a; a = a->parentNode(), ++layer)
        if (a == node)
            throw error(2008);
    if (layer + layersBelow(node) >= kMaxLayers)
        throw error(2003);
    node->setParentNode(parent);
    m_store.insert(at, com::ComPtr<NodeImpl>(node));
    raiseChanged(parent ? parent->Key() : QString(), node->Key());
}

int NodesImpl::layersBelow(const NodeImpl* node) const
{
    int below = 0;
    for (const auto& n : m_store) {
        int steps = 0;
        for (const NodeImpl* a = n.get(); a && steps < kMaxLayers; a = a->parentNode(), ++steps)
            if (a == node) {
                below = qMax(below, steps);
                break;
            }
    }
    return below;
}

void NodesImpl::removeSubtree(NodeImpl* node)
{
    com::ComPtr<NodeImpl> keep(node);
    // children in sibling order, depth first
    for (int i = 0; i < m_store.size();) {
        if (m_store[i]->parentNode() == node) {
            removeSubtree(m_store[i].get());
            i = 0;
        } else {
            ++i;
        }
    }
    const int at = storeIndex(node);
    if (at >= 0)
        m_store.removeAt(at);
}

void NodesImpl::RemoveItem(const QVariant& vntIndexKey) { removeSubtree(lookup(vntIndexKey)); }

void NodesImpl::Remove(const QVariant& vntIndexKey)
{
    NodeImpl* node = lookup(vntIndexKey);
    const QString parentKey = node->parentNode() ? node->parentNode()->Key() : QString();
    removeSubtree(node);
    if (m_store.isEmpty())
        m_counter = 0;
    raiseChanged(parentKey, parentKey);
}

void NodesImpl::Cls()
{
    while (!m_store.isEmpty())
        m_store.removeLast();
    m_counter = 0;
    raiseChanged(QString(), QString());
}

void NodesImpl::Drag(const QVariant& Relative, tvwRelationships Relationship, const QVariant& vntIndexKey)
{
    if (m_store.size() < 2 || !given(vntIndexKey))
        return;
    com::ComPtr<NodeImpl> node(lookup(vntIndexKey));
    const int oldAt = storeIndex(node.get());
    com::ComPtr<NodeImpl> oldParent(node->parentNode());
    m_store.removeAt(oldAt);
    try {
        InsertNode(Relative, Relationship, node.get());
    } catch (...) {
        // a refused move leaves the node where it was
        node->setParentNode(oldParent.get());
        m_store.insert(oldAt, node);
        throw;
    }
}

void NodesImpl::SetTreeStyle(int style)
{
    if (!m_store.isEmpty())
        throw error(2001);
    if (style < 0 || style > 2)
        throw error(2003);
    m_style = tvwStyles(style);
}

QString NodesImpl::Conversion(ConvStyles ConvStyle, QString& Value, const QVariant& vntIndexKey)
{
    if (ConvStyle != csCodeToValue && ConvStyle != csValueToCode)
        throw error(2003);
    if (Value.isEmpty())
        throw error(2003);
    if (m_store.isEmpty())
        throw error(2033);
    NodeImpl* parent = given(vntIndexKey) ? lookup(vntIndexKey) : nullptr;
    for (const auto& n : m_store) {
        if (n->parentNode() != parent)
            continue;
        if (ConvStyle == csCodeToValue && text::sameText(n->Text(), Value)) {
            Value = n->Tag();
            return n->Key();
        }
        if (ConvStyle == csValueToCode && text::sameText(n->Tag(), Value)) {
            Value = n->Text();
            return n->Key();
        }
    }
    throw error(2034);
}

QString NodesImpl::RelationsText() const
{
    QString s = QString::number(m_counter);
    for (const auto& n : m_store) {
        s += QLatin1Char(';');
        if (n->parentNode())
            s += n->parentNode()->Key().mid(1);
        s += QLatin1Char(',') + n->Key().mid(1) + QLatin1Char(',') + n->Text() + QLatin1Char(',') + n->Tag();
    }
    return s;
}

bool NodesImpl::checkRelationsText(const QString& t)
{
    if (t.isEmpty())
        return true;
    const QStringList items = t.split(QLatin1Char(';'));
    if (text::numberValue(items[0]) < 0 || !text::isNumeric(items[0]))
        return false;
    QHash<QString, QString> parents;   // by key, both lower-cased
    for (int i = 1; i < items.size(); ++i) {
        const QStringList f = items[i].split(QLatin1Char(','));
        if (f.size() < 4 || f[1].isEmpty())
            return false;
        const QString key = f[1].toLower();
        if (parents.contains(key))
            return false;
        parents.insert(key, f[0].toLower());
    }
    // every parent is a node, and none lies kMaxLayers or more below the top (nor its own ancestor)
    for (auto it = parents.cbegin(); it != parents.cend(); ++it) {
        QString p = it.value();
        for (int layer = 0; !p.isEmpty(); ++layer) {
            const auto up = parents.constFind(p);
            if (up == parents.cend() || layer >= kMaxLayers - 1)
                return false;
            p = *up;
        }
    }
    return true;
}

void NodesImpl::LoadRelationsText(const QString& t)
{
    if (t.isEmpty())
        return;
    if (!checkRelationsText(t))
        throw error(2003);
    const QStringList items = t.split(QLatin1Char(';'));
    qint64 counter = 0;
    text::toWhole(items[0], &counter);
    m_store.clear();
    m_counter = qint32(counter);
    // every node is read first and tied to its parent afterwards, so that a parent stored
    // after its child (after a move) still reads back
    QList<QString> parentKeys;
    for (int i = 1; i < items.size(); ++i) {
        const QStringList f = items[i].split(QLatin1Char(','));
        com::ComPtr<NodeImpl> n = com::make<NodeImpl>();
        n->setKey(QLatin1Char('N') + f[1]);
        n->setRaw(f[2], f[3]);
        n->setTree(m_self.weak());
        m_store.append(n);
        parentKeys.append(f[0]);
    }
    for (int i = 0; i < m_store.size(); ++i) {
        if (!parentKeys[i].isEmpty())
            m_store[i]->setParentNode(lookup(QString(QLatin1Char('N') + parentKeys[i])));
        // keys handed out later must not repeat one read here
        qint64 k = 0;
        if (text::toWhole(m_store[i]->Key().mid(1), &k) && k > m_counter && k < 0x7fffffff)
            m_counter = qint32(k);
    }
}

} // namespace tessaly
