#pragma once
// A window's attachment to the rule's events. It detaches when it goes, so a closed window
// never hears the rule's next event.
#include "rulegen/engine/codeclass.h"
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

} // namespace tessaly
