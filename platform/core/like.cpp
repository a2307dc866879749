#include "platform/core/like.h"
#include "platform/core/vberror.h"

namespace vb {
bool Like(const QString& text, const QString& pattern) { return text.compare(pattern, Qt::CaseInsensitive) == 0; }
}
