#include "main/mainwin/frmmain.h"
#include "main/core/cbackup.h"
#include "main/core/frmbasements.h"
#include "main/core/frmsplash.h"
#include "main/core/frmusers.h"
#include "main/core/mdlmisc.h"
#include "main/core/startup.h"
#include "main/core/strings.h"
#include "main/core/usrinfos.h"
#include "platform/cindral/cindral.h"
#include "platform/cindral/progresswidget.h"
#include "platform/core/app.h"
#include "platform/core/events.h"
#include "platform/ui/command.h"
#include "shared/forms/forms.h"
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>

namespace ostrel {

frmMain::frmMain(QWidget* parent) : QMainWindow(parent)
{
    // Not deleted on close: the close command runs from inside its own menu. Start-up
    // releases the window when the program ends.
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(plat::appTitle());
    setWindowIcon(QIcon(ProgramLogo(32)));

    mnuFile = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    mnuFileBackup = mnuFile->addAction(QStringLiteral("备份系统数据.."));
    mnuFileBackup->setObjectName(QStringLiteral("mnuFileBackup"));
    mnuFile->addSeparator();
    mnuFileClose = mnuFile->addAction(QStringLiteral("关闭(&C)"));
    mnuFileClose->setObjectName(QStringLiteral("mnuFileClose"));

    mnuTools = menuBar()->addMenu(QStringLiteral("工具(&T)"));
    mnuBasement = mnuTools->addAction(QStringLiteral("基础信息(&B).."));
    mnuBasement->setObjectName(QStringLiteral("mnuBasement"));
    mnuToolUsr = mnuTools->addAction(QStringLiteral("用户管理(&U).."));
    mnuToolUsr->setObjectName(QStringLiteral("mnuToolUsr"));

    mnuHelp = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    mnuHelpAbout = mnuHelp->addAction(QStringLiteral("关于(&A) "));
    mnuHelpAbout->setObjectName(QStringLiteral("mnuHelpAbout"));

    connect(mnuFileClose, &QAction::triggered, this, &frmMain::mnuFileClose_Click);
    connect(mnuFileBackup, &QAction::triggered, this, &frmMain::mnuFileBackup_Click);
    connect(mnuBasement, &QAction::triggered, this, &frmMain::mnuBasement_Click);
    connect(mnuToolUsr, &QAction::triggered, this, &frmMain::mnuToolUsr_Click);
    connect(mnuHelpAbout, &QAction::triggered, this, &frmMain::mnuHelpAbout_Click);

    auto central = new QWidget(this);
    central->setObjectName(QStringLiteral("picDevice"));
    setCentralWidget(central);

    QStatusBar* sb = statusBar();
    sb->setObjectName(QStringLiteral("sbStatusBar"));
    for (int i = 0; i < 4; ++i) {
        sbPanels[i] = new QLabel(sb);
        sbPanels[i]->setObjectName(QStringLiteral("sbPanel%1").arg(i + 1));
        sbPanels[i]->setFrameShape(QFrame::StyledPanel);
        sbPanels[i]->setFrameShadow(QFrame::Sunken);
    }
    sb->addWidget(sbPanels[0], 1);
    sb->addPermanentWidget(new cindral::ProgressWidget(sb));
    for (int i = 1; i < 4; ++i)
        sb->addPermanentWidget(sbPanels[i]);

    auto clock = new QTimer(this);
    connect(clock, &QTimer::timeout, this, &frmMain::showClock);
    clock->start(1000);
    showClock();
}

void frmMain::Form_Load()
{
    cMes = gMessenger;
    if (cMes)
        connect(cMes.data(), &cindral::Messenger::NewMessage, this, &frmMain::cMes_NewMessage);
    ui::DoEvents();

    const bool level3 = gUsrInfos && gUsrInfos->PrvStyle() == 3;
    mnuBasement->setEnabled(level3);
    mnuToolUsr->setEnabled(level3);
    mnuFileBackup->setEnabled(gUsrInfos && gUsrInfos->PrvBackup());

    sbPanels[1]->setText(Str(1078) + (gUsrInfos ? gUsrInfos->UsrName() : QString()));
}

void frmMain::cMes_NewMessage(const QString& text) { sbPanels[0]->setText(text); }

void frmMain::showClock()
{
    const QDateTime now = QDateTime::currentDateTime();
    sbPanels[2]->setText(now.date().toString(QStringLiteral("yyyy-MM-dd")));
    sbPanels[3]->setText(now.time().toString(QStringLiteral("HH:mm")));
}

void frmMain::mnuFileClose_Click()
{
    close();
    ui::DoEvents();
}

void frmMain::mnuFileBackup_Click()
{
    if (gUsrInfos && gUsrInfos->PrvBackup())
        BackupMainDatabase(this);   // its own command boundary
}

void frmMain::mnuBasement_Click()
{
    if (gUsrInfos && gUsrInfos->PrvStyle() == 3)
        ui::runCommand([&] { ShowBaseDataWindow(this); }, this);
}

void frmMain::mnuToolUsr_Click()
{
    if (gUsrInfos && gUsrInfos->PrvStyle() == 3)
        ui::runCommand([&] { ShowUsersWindow(this); }, this);
}

void frmMain::mnuHelpAbout_Click()
{
    ui::runCommand([&] {
        frmAbout about(this);
        about.exec();
    }, this);
}

void frmMain::closeEvent(QCloseEvent* e)
{
    if (!m_unloaded) {
        m_unloaded = true;
        Form_Unload();
    }
    e->accept();
}

void frmMain::Form_Unload()
{
    // Every other window of the program goes first, the last opened first.
    try {
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (int i = windows.size() - 1; i >= 0; --i) {
            QWidget* w = windows[i];
            if (w != this && w->isWindow() && w->isVisible() && !(w->windowType() == Qt::Popup))
                w->close();
        }
    } catch (...) {
    }
    try {
        forms::FormLayout(this, QStringLiteral("FormMain"), false);
    } catch (...) {
    }
    try {
        if (gCodes)
            gCodes->Cls();
    } catch (...) {
    }
    gCodes = nullptr;
    try {
        QDir temp(plat::appFile(QStringLiteral("Temp")));
        if (temp.exists()) {
            for (const QString& name : temp.entryList(QDir::Files | QDir::Hidden | QDir::System))
                temp.remove(name);
            ui::DoEvents();
            temp.rmdir(temp.absolutePath());
        }
    } catch (...) {
    }
}

} // namespace ostrel
