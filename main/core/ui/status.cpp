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

int ProgressPercent(qint64 done, qint64 count)
{
    return count > 0 ? int(done * 100 / count) : 0;
}

void SetProgress(qint64 done, qint64 count)
{
    if (gMsgHub)
        gMsgHub->SetProgress(ProgressPercent(done, count));
}

} // namespace ostrel
