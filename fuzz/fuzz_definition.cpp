// Feeds arbitrary texts to the definition reader: it must never crash nor raise, and a text it
// reads must write back to a text that reads to the same rule.
#include "platform/core/msgbox.h"
#include "platform/core/vberror.h"
#include "rulegen/engine/codeclass.h"
#include <cstdint>
#include <cstdlib>

using namespace tessaly;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool scripted = (ui::script::enable(), true);
    (void)scripted;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    com::ComPtr<ICodeClass> rule = com::make<CodeClassImpl>();
    try {
        if (!rule->Load(text))
            return 0; // cannot be read at all
    } catch (const vb::Error&) {
        std::abort(); // the reader raises nothing
    }
    const QString written = rule->Definition();
    com::ComPtr<ICodeClass> again = com::make<CodeClassImpl>();
    try {
        if (!again->Load(written))
            std::abort(); // what the rule writes must read back
    } catch (const vb::Error&) {
        std::abort();
    }
    if (again->Definition() != written)
        std::abort();
    try {
        again->GetCode(gsCurrent);
    } catch (const vb::Error&) {
    }
    return 0;
}
