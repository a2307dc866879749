#pragma once
// The system beep. Tests count the beeps instead of hearing them.
namespace ui {

void Beep();

namespace script {
// Beeps since the last clear() of the scripted services.
int beeps();
} // namespace script

} // namespace ui
