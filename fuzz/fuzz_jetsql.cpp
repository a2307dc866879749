// Feeds arbitrary texts to the Jet translation, as a whole statement and as a condition on the
// device table: it must never crash, and refuse only with the engine's errors.
#include "platform/core/vberror.h"
#include "platform/dao/jetsql.h"
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const QString& jet : {text, QStringLiteral("SELECT [Dev_ID] FROM [Dev_Info] WHERE ") + text}) {
        try {
            dao::jetsql::translate(jet, true);
        } catch (const vb::Error&) {
        }
    }
    return 0;
}
