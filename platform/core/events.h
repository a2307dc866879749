#pragma once
// Letting the user interface breathe during long work, and the hourglass pointer.

namespace ui {

// Processes pending events once. User input is held back while a command is running,
// so a click can never re-enter it.
void DoEvents();

// The hourglass pointer; calls nest.
void beginBusy();
void endBusy();
int busyDepth();
// How the pointer is shown: set by the user-interface library when it is loaded
// (without it the depth is only counted).
void setBusyPointer(void (*show)(bool on));

class BusyCursor {
public:
    BusyCursor() { beginBusy(); }
    ~BusyCursor() { endBusy(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace ui
