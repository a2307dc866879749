#include "platform/ui/hwnd.h"
#include <QHash>
#include <QPointer>
#include <QVariant>
#include <QWidget>

namespace ui {
namespace {
const char* const kProperty = "_ostrel_hwnd";
QHash<HWND, QPointer<QWidget>>& table()
{
    static QHash<HWND, QPointer<QWidget>> t;
    return t;
}
HWND g_next = 0x100;
} // namespace

HWND windowHandle(QWidget* w)
{
    if (!w)
        return 0;
    const QVariant v = w->property(kProperty);
    if (v.isValid())
        return v.value<HWND>();
    auto& t = table();
    // Drop the handles of widgets that are gone, so the table does not grow without end.
    for (auto it = t.begin(); it != t.end();)
        it = it.value().isNull() ? t.erase(it) : std::next(it);
    const HWND h = g_next;
    g_next += 4;
    t.insert(h, w);
    w->setProperty(kProperty, QVariant::fromValue<HWND>(h));
    return h;
}

QWidget* windowFromHandle(HWND h)
{
    if (!h)
        return nullptr;
    return table().value(h).data();
}

} // namespace ui
