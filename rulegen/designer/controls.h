#pragma once
// Small helpers the designer windows share when they build and enable their controls.
class QPushButton;
class QWidget;

namespace tessaly {

// A command button with its design name and the string number of its caption; Enter in a
// box never presses it.
QPushButton* commandButton(QWidget* parent, const char* name, int captionId);

// Sets a control's enabled state only when it differs (a write raises no needless repaint).
void enableControl(QWidget* w, bool on);

} // namespace tessaly
