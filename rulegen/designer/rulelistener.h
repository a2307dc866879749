#pragma once
// A window's attachment to the events of the rule or of a relation table. It detaches when it
// goes, so a closed window never hears the next event.
#include "rulegen/engine/codeclass.h"
#include <QString>
#include <functional>

namespace tessaly {

class RuleListener final : private ICodeClassEvents {
public:
    std::function<void()> onBandsChanged, onFieldsChanged, onLayeredBandsChanged;

    RuleListener() = default;
    ~RuleListener() { detach(); }
    RuleListener(const RuleListener&) = delete;
    RuleListener& operator=(const RuleListener&) = delete;

    void attach(CodeClassImpl* rule)
    {
        if (rule == m_rule.get())
            return;
        detach();
        m_rule = com::ComPtr<CodeClassImpl>(rule);
        if (m_rule)
            m_rule->advise(this);
    }
    void detach()
    {
        if (m_rule)
            m_rule->unadvise(this);
        m_rule = nullptr;
    }
    CodeClassImpl* rule() const { return m_rule.get(); }

private:
    void BandsChanged() override
    {
        if (onBandsChanged)
            onBandsChanged();
    }
    void FieldsChanged() override
    {
        if (onFieldsChanged)
            onFieldsChanged();
    }
    void LayeredBandsChanged() override
    {
        if (onLayeredBandsChanged)
            onLayeredBandsChanged();
    }

    com::ComPtr<CodeClassImpl> m_rule;
};

class NodesListener final : private ICNodesEvents {
public:
    std::function<void(const QString& parentKey, const QString& hotKey)> onNodesChanged;

    NodesListener() = default;
    ~NodesListener() { detach(); }
    NodesListener(const NodesListener&) = delete;
    NodesListener& operator=(const NodesListener&) = delete;

    void attach(ICNodes* table)
    {
        if (table == m_table.get())
            return;
        detach();
        m_table = com::ComPtr<ICNodes>(table);
        if (m_table)
            m_table->advise(this);
    }
    void detach()
    {
        if (m_table)
            m_table->unadvise(this);
        m_table = nullptr;
    }
    ICNodes* table() const { return m_table.get(); }

private:
    void NodesChanged(const QString& vParentKey, const QString& vHotKey) override
    {
        if (onNodesChanged)
            onNodesChanged(vParentKey, vHotKey);
    }

    com::ComPtr<ICNodes> m_table;
};

} // namespace tessaly
