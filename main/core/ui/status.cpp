#include "main/core/ui/status.h"
#include "main/core/mdlmisc.h"
#include "platform/cindral/cindral.h"

namespace ostrel {

void PostStatus(const QString& text, qint32 style, qint16 flags)
{
    if (gMessenger)
        gMessenger->PostStatus(text, style, flags);
}

void ShowProgress(bool on)
{
    if (gMsgHub)
        gMsgHub->ShowProgress(on ? -1 : 0);
}

int ProgressPercent(qint64 done, qint64 count, bool rounded)
{
    if (count <= 0)
        return 0;
    return int(rounded ? (done * 200 + count) / (2 * count) : done * 100 / count);
}

void SetProgress(qint64 done, qint64 count, bool rounded)
{
    if (gMsgHub)
        gMsgHub->SetProgress(ProgressPercent(done, count, rounded));
}

} // namespace ostrel
