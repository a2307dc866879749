#include "main/app/ui/startup.h"
#include "main/core/cexbasis.h"
#include "main/core/ui/cpicinfo.h"
#include "main/core/ui/frmsplash.h"
#include "main/core/ui/mdlwidgets.h"
#include "main/core/usrinfos.h"
#include "main/mainwin/ui/frmmain.h"
#include "platform/cindral/cindral.h"
#include "platform/core/app.h"
#include "platform/core/events.h"
#include "platform/core/msgbox.h"
#include "platform/core/settings.h"
#include "platform/core/translations.h"
#include "platform/ui/twips.h"
#include "shared/com/create.h"
#include "shared/forms/forms.h"
#include "shared/res/strings.h"
#include <QApplication>
#include <cmath>

namespace ostrel {

const QString kAppTitle = QStringLiteral("Kestrum");
const QString kRuleUnreadable = QStringLiteral("存储的设备编码规则无法读取，已按空规则启动。");

com::ComPtr<quillon::UserInfo> gUserInfo;
QPointer<frmMain> gFrmMain;
QPointer<frmSplash> gFrmSplash;

namespace {

const QString kMainPlacement = QStringLiteral("1000;1000;8000;5000;Max");

void showStartError(const QString& description)
{
    ui::MsgBox(description, ui::vbExclamation);
    ui::DoEvents();
}

// The steps that run before the main window exists; false when the log-in is not passed.
bool logIn()
{
    // 5. The current user, and the log-in object that validates through cEXBasis.
    gUsrInfos = std::make_unique<UsrInfos>();
    gUserInfo = com::createObject<quillon::UserInfo>(quillon::UserInfo::clsid());
    gUserInfo->setEXBasis(com::make<cEXBasis>().get());

    // 6. The dialog grows out of the splash and settles at four fifths of it.
    const QRect r = gFrmSplash->frameGeometry();
    const double left = ui::pixelsToTwipsX(r.x());
    const double top = ui::pixelsToTwipsY(r.y());
    const double width = ui::pixelsToTwipsX(r.width());
    const double height = ui::pixelsToTwipsY(r.height());
    int fromX = -1, fromY = -1;
    int toX = int(std::lround(left + width * 4 / 5));
    int toY = int(std::lround(top + height * 4 / 5));
    const quillon::eValidateStates result =
        gUserInfo->LogIn(std::nullopt, std::nullopt, quillon::eLogInPrompt | quillon::ePopupFromObject,
                         gFrmSplash.data(), &fromX, &fromY, &toX, &toY);
    return result == quillon::eValidatePassed;
}

} // namespace

StartResult Main()
{
    try {
        // Qt's own texts (standard buttons, file dialogs) in the user's language.
        plat::installQtTranslations(res::userLocale());

        // 1. The settings application name.
        plat::setAppTitle(kAppTitle);
        gAppName = ComposeAppName();
        plat::setAppName(gAppName);

        // 2. The messaging objects.
        gMsgHub = new cindral::Hub;
        gMessenger = new cindral::Messenger;
        gMsgHub->AttachMessenger(gMessenger);
        qint32 window = -1;
        gMsgHub->QueryValue(cindral::Hub::ReqWindow, window);

        // 3. The splash, painted before the slow steps.
        gFrmSplash = new frmSplash;
        gFrmSplash->show();
        gFrmSplash->repaint();
        QApplication::processEvents();

        // 4. The database.
        OpenMainDatabase();

        // 5, 6.
        if (!logIn())
            return eStartLogInRefused;

        // 7, 8. The code rule.
        PostStatus(QStringLiteral("下载设备管理规则.."));
        gCodes = com::createObject<tessaly::ICodeClass>(tessaly::CLSID_CodeClass);
        const QString rule = ReadSysInfo(QStringLiteral("CodeRule"), QString(), nullptr, QStringLiteral("Memo"));
        // A stored rule that cannot be read leaves the rule empty: the program starts and says so.
        const bool ruleRead = gCodes->Load(QVariant(rule), QString());

        // 9. The main window, placed and shown.
        gFrmMain = new frmMain;
        gFrmMain->Form_Load();
        forms::FormLayout(gFrmMain, QStringLiteral("FormMain"), true, kMainPlacement, QString(), true);

        // 10, 11.
        delete gFrmSplash.data();
        gFrmMain->show();
        PostStatus(ruleRead ? QString() : kRuleUnreadable);
        return eStartRunning;
    } catch (const vb::Error& e) {
        showStartError(e.description());
    } catch (const std::exception& e) {
        showStartError(QString::fromLocal8Bit(e.what()));
    }
    return eStartFailed;
}

void ReleaseGlobals()
{
    delete gFrmMain.data();
    delete gFrmSplash.data();
    ReleasePicInfo();
    gCodes = nullptr;
    gUserInfo = nullptr;
    gUsrInfos.reset();
    try {
        if (!gDatabase.isNothing())
            gDatabase.Close();
    } catch (...) {
    }
    gDatabase = dao::Database();
    delete gMessenger;
    gMessenger = nullptr;
    delete gMsgHub;
    gMsgHub = nullptr;
}

} // namespace ostrel
