// Feeds arbitrary texts to the definition reader: it must never crash, and a text it accepts
// must write back to a text that reads to the same rule.
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
        rule->Load(text);
    } catch (const vb::Error&) {
        return 0; // refused as damaged
    }
    const QString written = rule->Definition();
    com::ComPtr<ICodeClass> again = com::make<CodeClassImpl>();
    try {
        again->Load(written);
    } catch (const vb::Error&) {
        std::abort(); // what the rule writes must read back
    }
    if (again->Definition() != written)
        std::abort();
    try {
        again->GetCode(gsCurrent);
    } catch (const vb::Error&) {
    }
    return 0;
}
