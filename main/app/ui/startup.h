#pragma once
// Start-up and shutdown of the main program, and its program-wide objects.
//
// Main builds the objects in a fixed order, opens the database, lets the user log in,
// loads the code rule and shows the main window. It returns at once when the log-in
// is not passed or a step fails (after showing the error); the caller then ends the
// program without running its event loop.
#include "login/include/quillon.h"
#include "main/core/globals.h"
#include <QPointer>
#include <QString>
#include <memory>

namespace ostrel {

class frmMain;
class frmSplash;

// The application title (the default title of the program's message boxes).
extern const QString kAppTitle;
// The status text left after start-up when the stored code rule could not be read.
extern const QString kRuleUnreadable;

extern com::ComPtr<quillon::UserInfo> gUserInfo;
extern QPointer<frmMain> gFrmMain;
extern QPointer<frmSplash> gFrmSplash;

enum StartResult {
    eStartRunning = 0,     // the main window is shown
    eStartLogInRefused,    // the log-in was not passed (cancelled, refused)
    eStartFailed,          // a step failed; its error has been shown
};

StartResult Main();

// Releases every program-wide object (windows, components, database), in the reverse
// order of their creation. Safe to call more than once.
void ReleaseGlobals();

} // namespace ostrel
