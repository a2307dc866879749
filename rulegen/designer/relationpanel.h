#pragma once
// The designer's relation panel: the conversion table of the band shown as a tree, with its
// four buttons and its pop-up menu. The tree is a view only: every command goes to the table
// (directly or through the add-relation dialog), and the table's NodesChanged rebuilds the
// part of the tree that changed. Tree items are found by relation key; none is kept across a
// rebuild.
#include "rulegen/designer/rulelistener.h"
#include "rulegen/engine/codeclass.h"
#include <QHash>
#include <QIcon>
#include <QVariant>
#include <QVector>
#include <QWidget>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace tessaly {

class RelationPanel final : public QWidget {
public:
    explicit RelationPanel(QWidget* parent = nullptr);
    ~RelationPanel() override;

    // Shows the table of the rule's band at index (0-based) and listens to it instead of the
    // table shown before. Without a rule, or for a band without a table, the tree stays empty
    // and disabled.
    void ShowBand(CodeClassImpl* rule, int index);
    // Stops listening, empties the tree and lets go of the rule.
    void Detach();
    // The table listened to, or null.
    ICNodes* cRelations() const { return m_listener.table(); }

    // Fills the whole tree (ParentKey not given) or the subtree under the item ParentKey, then
    // selects HotKey (else keeps the selection, else selects the first item).
    void LoadRelationTree(const QVariant& ParentKey = QVariant(), const QString& HotKey = QString(),
                          bool LockUpdates = false);
    // The number of all descendants of a tree item.
    static qint32 CountTreeNodes(const QTreeWidgetItem* node);
    void cRelations_NodesChanged(const QString& vParentKey, const QString& vHotKey);
    // Group 14 of the designer's control states: the tree, its label and the buttons.
    void SetControlStates(bool enabled);

    QTreeWidgetItem* treeNode(const QString& key) const { return m_items.value(key); }
    QString selectedKey() const;
    static QString keyOf(const QTreeWidgetItem* item);

    QLabel* lblInfo6 = nullptr;
    QTreeWidget* tvwAvailable = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* cmdModify = nullptr;
    QPushButton* cmdClear = nullptr;
    QMenu* mnuNode = nullptr;
    QMenu* mnuNodeAdd = nullptr;
    QVector<QAction*> mnuSubNodeAdd; // before, after, append, separator, child
    QAction* mnuNodeEdit = nullptr;
    QAction* mnuNodeRemove = nullptr;
    QAction* mnuNodeRemoveAll = nullptr;

private:
    void buildMenu();
    BandImpl* band() const; // the band shown, or null
    com::ComPtr<ICNodes> table() const;
    void clearTree();
    void forget(QTreeWidgetItem* item);
    void ClearTreeNodes(QTreeWidgetItem* parent);
    void fill(com::ComPtr<ICNode> first, QTreeWidgetItem* parent);
    void tvwAvailable_ContextMenu(const QPoint& pos);
    void addRelation(qint32 position);
    void modifyRelation();
    void removeRelation();
    void removeAll();
    // A button's command: an error is shown with the information icon.
    void command(const std::function<void()>& body);

    com::ComPtr<CodeClassImpl> m_code;
    int m_index = -1;
    NodesListener m_listener;
    QHash<QString, QTreeWidgetItem*> m_items;
    QIcon m_icon; // iglImages: a relation, and the selected relation
    bool m_loading = false;
};

} // namespace tessaly
