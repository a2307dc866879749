#include "rulegen/designer/relationpanel.h"
#include "rulegen/designer/confirmclear.h"
#include "rulegen/designer/controls.h"
#include "rulegen/engine/strings.h"
#include "rulegen/engine/textutil.h"
#include "platform/core/events.h"
#include "platform/core/msgbox.h"
#include "platform/ui/command.h"
#include "platform/ui/popupmenu.h"
#include "platform/ui/winlock.h"
#include "shared/forms/forms.h"
#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <optional>

namespace tessaly {

namespace {

constexpr int kKeyRole = Qt::UserRole;

// A relation's picture: a small card, filled when selected.
QPixmap relationImage(bool selected)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(0x30, 0x50, 0x90));
    p.setBrush(selected ? QColor(0x40, 0x70, 0xD0) : QColor(0xF0, 0xF0, 0xF0));
    p.drawRect(2, 3, 11, 9);
    p.setPen(selected ? Qt::white : QColor(0x30, 0x50, 0x90));
    p.drawLine(4, 6, 11, 6);
    p.drawLine(4, 9, 9, 9);
    return pm;
}

} // namespace

RelationPanel::RelationPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("fraRelations"));
    m_icon.addPixmap(relationImage(false), QIcon::Normal);
    m_icon.addPixmap(relationImage(true), QIcon::Selected);
    m_listener.onNodesChanged = [this](const QString& p, const QString& h) { cRelations_NodesChanged(p, h); };

    lblInfo6 = new QLabel(this);
    lblInfo6->setObjectName(QStringLiteral("lblInfo6"));
    lblInfo6->setProperty(forms::kTag, 1507);
    tvwAvailable = new QTreeWidget(this);
    tvwAvailable->setObjectName(QStringLiteral("tvwAvailable"));
    tvwAvailable->setHeaderHidden(true);
    tvwAvailable->setColumnCount(1);
    tvwAvailable->setSelectionMode(QAbstractItemView::SingleSelection);
    tvwAvailable->setContextMenuPolicy(Qt::CustomContextMenu);
    cmdAdd = commandButton(this, "cmdAdd", 1561);
    cmdDelete = commandButton(this, "cmdDelete", 1562);
    cmdModify = commandButton(this, "cmdModify", 1563);
    cmdClear = commandButton(this, "cmdClear", 1564);

    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->addWidget(lblInfo6);
    v->addWidget(tvwAvailable, 1);
    auto* h = new QHBoxLayout;
    for (QPushButton* b : {cmdAdd, cmdDelete, cmdModify, cmdClear})
        h->addWidget(b);
    v->addLayout(h);
    buildMenu();

    // the pop-up comes from the context-menu request, after the mouse press is done with:
    // choosing an entry rebuilds the tree
    connect(tvwAvailable, &QTreeWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { tvwAvailable_ContextMenu(pos); });
    connect(tvwAvailable, &QTreeWidget::currentItemChanged, this, [this] {
        if (!m_loading)
            SetControlStates(true);
    });
    connect(cmdAdd, &QPushButton::clicked, this, [this] { command([&] { addRelation(3); }); });
    connect(cmdModify, &QPushButton::clicked, this, [this] { command([&] { modifyRelation(); }); });
    connect(cmdDelete, &QPushButton::clicked, this, [this] { command([&] { removeRelation(); }); });
    connect(cmdClear, &QPushButton::clicked, this, [this] { command([&] { removeAll(); }); });
    SetControlStates(false);
}

RelationPanel::~RelationPanel() { m_listener.detach(); }

void RelationPanel::buildMenu()
{
    mnuNode = new QMenu(this);
    mnuNode->setObjectName(QStringLiteral("mnuNode"));
    mnuNodeAdd = mnuNode->addMenu(QStringLiteral("1208"));
    mnuNodeAdd->setObjectName(QStringLiteral("mnuNodeAdd"));
    mnuNodeAdd->menuAction()->setObjectName(QStringLiteral("mnuNodeAdd"));
    for (int i = 0; i < 5; ++i) {
        QAction* a = i == 3 ? mnuNodeAdd->addSeparator() : mnuNodeAdd->addAction(QString::number(1209 + qMin(i, 3)));
        a->setObjectName(QStringLiteral("mnuSubNodeAdd%1").arg(i));
        if (i != 3) {
            const qint32 position = i == 4 ? 4 : i + 1;
            connect(a, &QAction::triggered, this,
                    [this, position] { ui::runCommand([&] { addRelation(position); }, this, appTitle()); });
        }
        mnuSubNodeAdd.append(a);
    }
    mnuNodeEdit = mnuNode->addAction(QStringLiteral("1213"));
    mnuNodeEdit->setObjectName(QStringLiteral("mnuNodeEdit"));
    connect(mnuNodeEdit, &QAction::triggered, this, [this] { command([&] { modifyRelation(); }); });
    mnuNodeRemove = mnuNode->addAction(QStringLiteral("1214"));
    mnuNodeRemove->setObjectName(QStringLiteral("mnuNodeRemove"));
    connect(mnuNodeRemove, &QAction::triggered, this, [this] { command([&] { removeRelation(); }); });
    mnuNode->addSeparator()->setObjectName(QStringLiteral("mnuNodeBar0"));
    mnuNodeRemoveAll = mnuNode->addAction(QStringLiteral("1215"));
    mnuNodeRemoveAll->setObjectName(QStringLiteral("mnuNodeRemoveAll"));
    connect(mnuNodeRemoveAll, &QAction::triggered, this, [this] { command([&] { removeAll(); }); });
}

// ---------------------------------------------------------------- the band shown

void RelationPanel::ShowBand(CodeClassImpl* rule, int index)
{
    m_listener.detach();
    m_code = com::ComPtr<CodeClassImpl>(rule);
    m_index = index;
    com::ComPtr<ICNodes> t;
    try {
        t = table();
    } catch (const std::exception&) {
    }
    m_listener.attach(t.get());
    clearTree();
    if (t)
        LoadRelationTree();
    SetControlStates(bool(t));
}

void RelationPanel::Detach()
{
    m_listener.detach();
    m_code = nullptr;
    m_index = -1;
    clearTree();
    SetControlStates(false);
}

BandImpl* RelationPanel::band() const
{
    if (!m_code || m_index < 0 || m_index >= m_code->Count())
        return nullptr;
    return m_code->bands().at(m_index).get();
}

com::ComPtr<ICNodes> RelationPanel::table() const
{
    BandImpl* b = band();
    return b ? b->Relations() : com::ComPtr<ICNodes>();
}

QString RelationPanel::keyOf(const QTreeWidgetItem* item) { return item ? item->data(0, kKeyRole).toString() : QString(); }

QString RelationPanel::selectedKey() const { return keyOf(tvwAvailable->currentItem()); }

// ---------------------------------------------------------------- the tree

void RelationPanel::clearTree()
{
    const QScopedValueRollback<bool> loading(m_loading, true);
    tvwAvailable->clear();
    m_items.clear();
}

void RelationPanel::forget(QTreeWidgetItem* item)
{
    for (int i = 0; i < item->childCount(); ++i)
        forget(item->child(i));
    m_items.remove(keyOf(item));
}

void RelationPanel::ClearTreeNodes(QTreeWidgetItem* parent)
{
    while (parent->childCount() > 0) {
        QTreeWidgetItem* first = parent->child(0);
        forget(first);
        delete first;
    }
}

// Adds the relations from first along their siblings under parent (top level for null),
// each followed by its own children: depth first.
void RelationPanel::fill(com::ComPtr<ICNode> first, QTreeWidgetItem* parent)
{
    for (com::ComPtr<ICNode> n = first; n; n = n->Nexts()) {
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tvwAvailable);
        const QString key = n->Key();
        item->setData(0, kKeyRole, key);
        item->setText(0, n->Text() + QLatin1Char(' ') + n->Tag());
        item->setIcon(0, m_icon);
        m_items.insert(key, item);
        fill(n->Child(), item);
    }
}

void RelationPanel::LoadRelationTree(const QVariant& ParentKey, const QString& HotKey, bool LockUpdates)
{
    if (!band())
        return;
    std::optional<ui::WindowUpdateLock> freeze;
    if (LockUpdates)
        freeze.emplace(window());
    const QScopedValueRollback<bool> loading(m_loading, true);

    try {
        com::ComPtr<ICNodes> t = table();
        QTreeWidgetItem* parent = text::given(ParentKey) ? treeNode(ParentKey.toString()) : nullptr;
        if (!parent) {
            // the whole tree (also when the parent is not shown, which a rebuild of all repairs)
            clearTree();
            if (!t || t->Count() == 0)
                return;
            fill(t->Node(1)->Root()->FirstSibling(), nullptr);
        } else {
            ClearTreeNodes(parent);
            if (t)
                fill(t->Node(ParentKey)->Child(), parent);
        }
    } catch (const std::exception& e) {
        // shown here: nothing of it may reach the table that raised the change
        freeze.reset();
        ui::reportError(e, this, appTitle());
        return;
    }
    if (QTreeWidgetItem* hot = HotKey.isEmpty() ? nullptr : treeNode(HotKey))
        tvwAvailable->setCurrentItem(hot);
    if (!tvwAvailable->currentItem() && tvwAvailable->topLevelItemCount() > 0)
        tvwAvailable->setCurrentItem(tvwAvailable->topLevelItem(0));
    if (QTreeWidgetItem* current = tvwAvailable->currentItem())
        tvwAvailable->scrollToItem(current);
}

qint32 RelationPanel::CountTreeNodes(const QTreeWidgetItem* node)
{
    if (!node)
        return 0;
    qint32 count = node->childCount();
    for (int i = 0; i < node->childCount(); ++i)
        count += CountTreeNodes(node->child(i));
    return count;
}

void RelationPanel::cRelations_NodesChanged(const QString& vParentKey, const QString& vHotKey)
{
    LoadRelationTree(vParentKey.isEmpty() ? QVariant() : QVariant(vParentKey), vHotKey, true);
    SetControlStates(true);
}

void RelationPanel::SetControlStates(bool enabled)
{
    if (BandImpl* b = band())
        enabled = enabled && b->AllowModified();
    enableControl(tvwAvailable, enabled);
    enableControl(lblInfo6, enabled);
    const bool selected = enabled && tvwAvailable->currentItem();
    enableControl(cmdAdd, enabled);
    enableControl(cmdDelete, selected);
    enableControl(cmdModify, selected);
    enableControl(cmdClear, enabled && tvwAvailable->topLevelItemCount() > 0);
}

// ---------------------------------------------------------------- commands

void RelationPanel::command(const std::function<void()>& body)
{
    ui::runCommand([&] {
        try {
            body();
        } catch (const vb::Error& e) {
            ui::MsgBox(e.description(), ui::vbInformation, appTitle(), this);
        }
    }, this, appTitle());
}

void RelationPanel::tvwAvailable_ContextMenu(const QPoint& pos)
{
    ui::runCommand([&] {
        QTreeWidgetItem* item = tvwAvailable->itemAt(pos);
        if (!item || !m_code)
            return;
        tvwAvailable->setCurrentItem(item);
        for (QAction* a : mnuSubNodeAdd)
            a->setEnabled(true);
        BandImpl* b = band();
        com::ComPtr<ICNodes> t = table();
        if (!b || !t)
            return;
        com::ComPtr<ICNode> relation = t->Node(keyOf(item));
        // never a relation below the last layer; a simple table is flat
        if (relation->Layer() + 1 >= m_code->LayeredBands()->Count() || b->SwapMode() == smSimpleSwap)
            mnuSubNodeAdd[4]->setEnabled(false);
        mnuNodeRemoveAll->setEnabled(tvwAvailable->topLevelItemCount() > 0);
        const QPoint at = tvwAvailable->viewport()->mapToGlobal(pos);
        ui::DoEvents();
        ui::PopupMenu(mnuNode, at);
    }, this, appTitle());
}

void RelationPanel::addRelation(qint32 position)
{
    if (!m_code)
        return;
    const QString key = selectedKey();
    m_code->ShowRelationDialog(m_index + 1, key.isEmpty() ? QVariant() : QVariant(key), false, position);
}

void RelationPanel::modifyRelation()
{
    const QString key = selectedKey();
    if (!m_code || key.isEmpty())
        return;
    qint32 position = 3;
    m_code->ShowRelationDialog(m_index + 1, key, true, position);
}

void RelationPanel::removeRelation()
{
    QTreeWidgetItem* item = tvwAvailable->currentItem();
    if (!item)
        return;
    const QString key = keyOf(item);
    QString children;
    if (item->childCount() > 0)
        children = msg(2027).replace(QLatin1Char('*'), QString::number(CountTreeNodes(item)));
    if (ui::MsgBox(msg(2026) + children, ui::vbYesNo | ui::vbQuestion, appTitle(), this) == ui::vbNo)
        return;
    if (com::ComPtr<ICNodes> t = table())
        t->Remove(key);
}

void RelationPanel::removeAll()
{
    com::ComPtr<ICNodes> t = table();
    if (t && confirmClearRelations(t->Count(), this))
        t->Cls();
}

} // namespace tessaly
