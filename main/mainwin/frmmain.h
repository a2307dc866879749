#pragma once
// The main window: the one window that lives as long as the program. Closing it ends
// the program.
#include "main/mainwin/lastcode.h"
#include <QMainWindow>
#include <QPointer>

class QAction;
class QLabel;
class QMenu;

namespace cindral {
class Messenger;
}

namespace ostrel {

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // Binds the messenger, enables the commands by the user's privileges and shows the
    // operator in the status bar.
    void Form_Load();

    // Status-bar panels: the message text, the operator ("Usr"), the date, the time.
    QLabel* sbPanels[4] = {};

    QMenu* mnuFile = nullptr;
    QAction* mnuFileBackup = nullptr;
    QAction* mnuFileClose = nullptr;
    QMenu* mnuTools = nullptr;
    QAction* mnuBasement = nullptr;
    QAction* mnuToolUsr = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuHelpAbout = nullptr;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void Form_Unload();
    void cMes_NewMessage(const QString& text);
    void mnuFileClose_Click();
    void mnuFileBackup_Click();
    void mnuBasement_Click();
    void mnuToolUsr_Click();
    void mnuHelpAbout_Click();
    void showClock();

    QPointer<cindral::Messenger> cMes;
    // The code rule whose questions this window answers, while it is advised.
    com::ComPtr<tessaly::ICodeClass> cCodes;
    CodeRuleHost m_codeHost;
    void releaseCodes();
    bool m_unloaded = false;
};

} // namespace ostrel
