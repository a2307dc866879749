#pragma once
// Showing a dialog modally. While message boxes are scripted (tests) nothing is shown: the
// dialog is handed to the modal hook, if one is set, and counts as closed at once. The hook
// lives here, in the shared platform library, so that a component loaded by class
// identifier and the test that loaded it see the same one.
#include <functional>

class QDialog;

namespace ui {

void showModal(QDialog* dialog);
void setModalHook(std::function<void(QDialog*)> hook);

} // namespace ui
