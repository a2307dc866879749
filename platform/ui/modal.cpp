#include "platform/ui/modal.h"
#include "platform/core/msgbox.h"
#include <QDialog>

namespace ui {
namespace {

std::function<void(QDialog*)>& modalHook()
{
    static std::function<void(QDialog*)> h;
    return h;
}

} // namespace

void setModalHook(std::function<void(QDialog*)> hook) { modalHook() = std::move(hook); }

void showModal(QDialog* dialog)
{
    if (script::enabled()) {
        if (modalHook())
            modalHook()(dialog);
        return;
    }
    dialog->exec();
}

} // namespace ui
