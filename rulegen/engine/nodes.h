#pragma once
// The relation tree: nodes pairing a code (Text) with a value (Tag), in layers.
#include "rulegen/include/tessaly.h"
#include "rulegen/engine/sinks.h"
#include "shared/com/com.h"

namespace tessaly {

// The layers a tree holds at most: a rule converts one layer per layered band, and its
// bands fit in a code of 255 characters. Deeper text is refused, so that the walks over a
// tree (counting, removing, drawing, releasing) stay shallow.
inline constexpr int kMaxLayers = 255;

class NodesImpl;

class NodeImpl final : public com::Object<ICNode> {
public:
    com::ComPtr<ICNode> LastSibling() override;
    com::ComPtr<ICNode> FirstSibling() override;
    com::ComPtr<ICNode> Child() override;
    com::ComPtr<ICNode> Root() override;
    com::ComPtr<ICNode> Parent() override { return com::ComPtr<ICNode>(m_parent.get()); }
    qint32 Children() override;
    QString Key() override { return m_key; }
    com::ComPtr<ICNode> Previous() override;
    com::ComPtr<ICNode> Nexts() override;
    qint32 Index() override;
    qint32 Layer() override;
    QString Text() override { return m_text; }
    void setText(const QString& v) override;
    QString Tag() override { return m_tag; }
    void setTag(const QString& v) override;

    // Used by the tree only.
    NodesImpl* tree() const { return lockHandle(m_tree); }
    void setTree(const std::weak_ptr<NodesImpl*>& t) { m_tree = t; }
    NodeImpl* parentNode() const { return m_parent.get(); }
    void setParentNode(NodeImpl* p) { m_parent = com::ComPtr<NodeImpl>(p); }
    void setKey(const QString& k) { m_key = k; }
    void setRaw(const QString& text, const QString& tag) { m_text = text; m_tag = tag; }
    // Code and value together: both are checked before either changes, so a refusal of
    // one leaves the relation as it was.
    void setTextAndTag(const QString& text, const QString& tag);

private:
    void checkField(bool code, const QString& v);
    void setField(bool code, const QString& v);
    QString m_text, m_tag, m_key;
    com::ComPtr<NodeImpl> m_parent;
    std::weak_ptr<NodesImpl*> m_tree;
};

class NodesImpl final : public com::Object<ICNodes> {
public:
    NodesImpl();
    ~NodesImpl() override;

    com::ComPtr<ICNode> Add(const QVariant& Relative = QVariant(), tvwRelationships Relationship = tvwNext,
                            const QString& Text = QString(), const QString& Tag = QString()) override;
    com::ComPtr<ICNode> Node(const QVariant& vntIndexKey) override;
    qint32 Count() override { return qint32(m_store.size()); }
    void Remove(const QVariant& vntIndexKey) override;
    QList<com::ComPtr<ICNode>> NewEnum() override;
    void Drag(const QVariant& Relative, tvwRelationships Relationship, const QVariant& vntIndexKey) override;
    void Cls() override;
    tvwStyles Style() override { return m_style; }
    QString Conversion(ConvStyles ConvStyle, QString& Value, const QVariant& vntIndexKey = QVariant()) override;
    void RemoveItem(const QVariant& vntIndexKey) override;
    void advise(ICNodesEvents* sink) override { m_sinks.add(sink); }
    void unadvise(ICNodesEvents* sink) override { m_sinks.remove(sink); }

    // Library-internal.
    void SetTreeStyle(int style);
    void NotifyNodeChanged(NodeImpl* node);
    QString RelationsText() const;
    void LoadRelationsText(const QString& text);
    static bool checkRelationsText(const QString& text);
    // Whether a relation text would hold codes or values repeated among siblings (ignoring case).
    const QList<com::ComPtr<NodeImpl>>& store() const { return m_store; }
    int storeIndex(const NodeImpl* n) const;
    // Whether a node of the layer of `parent` other than `except` has this code (or value), ignoring case.
    bool layerHas(NodeImpl* parent, NodeImpl* except, bool code, const QString& v) const;

private:
    NodeImpl* lookup(const QVariant& vntIndexKey) const;
    void InsertNode(const QVariant& Relative, int Relationship, NodeImpl* node);
    void removeSubtree(NodeImpl* node);
    // How many layers lie below node: 0 without children.
    int layersBelow(const NodeImpl* node) const;
    void raiseChanged(const QString& parentKey, const QString& hotKey);

    QList<com::ComPtr<NodeImpl>> m_store;
    qint32 m_counter = 0;
    tvwStyles m_style = tsNormal;
    Sinks<ICNodesEvents> m_sinks;
    SelfHandle<NodesImpl> m_self;
};

} // namespace tessaly
