#pragma once
// Showing a dialog modally. While message boxes are scripted (tests) nothing is shown: the
// dialog is handed to the modal hook, if one is set, and counts as closed when the hook
// returns. One copy for the whole process, so a component library and its host share it.
#include <functional>

class QDialog;

namespace ui {

void showModal(QDialog* dialog);
void setModalHook(std::function<void(QDialog*)> hook);

} // namespace ui
