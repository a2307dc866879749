#pragma once
// Public interface of the log-in library Quillon.
//
// A host creates a UserInfo by class identifier, binds its own iEXBasis and logs in:
//
//   auto info = com::createObject<quillon::UserInfo>(quillon::UserInfo::clsid());
//   info->setEXBasis(com::make<MyHost>().get());
//   int toX = ..., toY = ...;            // twips, screen coordinates
//   if (info->LogIn(std::nullopt, std::nullopt, quillon::eLogInPrompt | quillon::ePopupFromObject,
//                   splash, nullptr, nullptr, &toX, &toY) != quillon::eValidatePassed)
//       ...
//
// Failures are raised as vb::Error. Positions are in twips (1/1440 inch); an int* argument
// stands for a by-reference number: the library may write back into it, and a null pointer
// means the argument was omitted.
#include "shared/com/com.h"
#include <QList>
#include <QString>
#include <QVariant>
#include <optional>

class QWidget;

// Declares a creatable class's identifier inside its interface struct.
#define QUILLON_CLASS_ID(text) \
    static const ::com::CLSID& clsid() { static const ::com::CLSID v(QStringLiteral(text)); return v; }

namespace quillon {

// Argument Options of LogIn and ChangePassword.
enum eLoginOptions : qint32 {
    eLogInPrompt = 1,       // dialog only
    eLogInNoPrompt = 2,     // one silent attempt only
    eLogInAutoPromt = 4,    // silent attempt, then the dialog when it fails
    ePopupFromObject = 8,   // the dialog grows out of the window PWnd
    ePopupFromPoint = 16,   // ... out of the point (FromX, FromY)
    ePopupFromCursor = 32,  // ... out of the mouse cursor
    eForbidOldPWD = 128,    // password change without the old password
};

// UserInfo::Options.
enum eUsrInfoOptions : qint32 {
    eGetLogStateExternal = 1,
    eRaiseLoginError = 2,
    eShowModallessWindow = 4,
    eSavePasswordAvailable = 8,
    eSavePasswordForUse = 16,
};

enum eLogStates : qint32 { eLogOff = 0, eLogOn = 1 };

// What iEXBasis::Validate is asked to decide.
enum eValidateStyles : qint32 {
    eValidateLogin = 1,
    eValidateNewPassword = 2,
    eValidateNoOldPWD = 128,
};

// Answers of iEXBasis::Validate, results of LogIn and ChangePassword.
enum eValidateStates : qint32 {
    eValideIncorrect = 0,
    eUserNotExist = 1,
    eUserForbid = 2,
    ePasswordDenied = 3,
    eInvalidCertify = 4,
    eInvalidPassword = 5,
    eRefusedByServer = 8,
    eCanceledByUser = 16,
    eValidatePassed = 32,
    eSavePassword = 64,
};

enum ePrivateTypes : qint32 {
    ePrivateView = 0,
    ePrivateOperation = 1,
    ePrivateMaintenance = 2,
    ePrivateExcuteQuery = 3,
};

// Origin of a zoom animation.
enum eZoomOptions : qint32 { eZoomFromObject = 0, eZoomFromCusor = 1, eZoomFromPoint = 2 };

// Window-menu entries that ActiveZoom::RemoveMenus takes away.
enum eSystemMenus : qint32 {
    eMenuClose = 1,
    eMenuSeperator = 2,
    eMenuMaximize = 4,
    eMenuMinimize = 8,
    eMenuSize = 16,
    eMenuMove = 32,
    eMenuRestore = 64,
};

// The bit-set enumerations combine with |.
#define QUILLON_FLAGS(E)                                                                   \
    constexpr E operator|(E a, E b) { return E(qint32(a) | qint32(b)); }                   \
    constexpr E operator&(E a, E b) { return E(qint32(a) & qint32(b)); }                   \
    constexpr E operator~(E a) { return E(~qint32(a)); }
QUILLON_FLAGS(eLoginOptions)
QUILLON_FLAGS(eUsrInfoOptions)
QUILLON_FLAGS(eValidateStyles)
QUILLON_FLAGS(eSystemMenus)
#undef QUILLON_FLAGS

struct cUser : com::IUnknown {
    COM_INTERFACE_ID("{5A406A3F-E034-11D6-BB98-0010B566949E}")
    virtual void Refresh() = 0;
    virtual void setName(const QString& value) = 0;
    virtual QString Name() const = 0;
    virtual void setLogName(const QString& value) = 0;
    virtual QString LogName() const = 0;
    virtual qint32 UID() const = 0;
protected:
    ~cUser() = default;
};

// Users of a UserInfo: keyed by log name (letter case ignored), addressed by 1-based
// position (an integer QVariant) or by key (a string QVariant).
// Item/Remove of a missing entry raise error 5 (key) or 9 (position); a duplicate key 457.
struct Users : com::IUnknown {
    COM_INTERFACE_ID("{5A406A41-E034-11D6-BB98-0010B566949E}")
    virtual void Clear() = 0;
    virtual com::ComPtr<quillon::cUser> Add(qint32 UID, const QString& LogName = QString(),
                                            const QString& Name = QString()) = 0;
    virtual com::ComPtr<quillon::cUser> Item(const QVariant& vntIndexKey) const = 0;
    virtual qint32 Count() const = 0;
    virtual void Remove(const QVariant& vntIndexKey) = 0;
    // The entries in order, for iterating.
    virtual QList<com::ComPtr<quillon::cUser>> NewEnum() const = 0;
protected:
    ~Users() = default;
};

struct cPrivate : com::IUnknown {
    COM_INTERFACE_ID("{5A406A3A-E034-11D6-BB98-0010B566949E}")
    virtual ePrivateTypes Style() const = 0;
    virtual void setValue(bool value) = 0;
    virtual bool Value() const = 0;
    virtual void setForeignName(const QString& value) = 0;
    virtual QString ForeignName() const = 0;
    virtual void setName(const QString& value) = 0;
    virtual QString Name() const = 0;
protected:
    ~cPrivate() = default;
};

// Privileges, keyed by Name (letter case ignored); same addressing and errors as Users.
struct Privates : com::IUnknown {
    COM_INTERFACE_ID("{5A406A3D-E034-11D6-BB98-0010B566949E}")
    virtual void Clear() = 0;
    virtual com::ComPtr<quillon::cPrivate> Add(const QString& Name, const QString& ForeignName, bool Value) = 0;
    virtual com::ComPtr<quillon::cPrivate> Item(const QVariant& vntIndexKey) const = 0;
    virtual qint32 Count() const = 0;
    virtual void Remove(const QVariant& vntIndexKey) = 0;
    virtual QList<com::ComPtr<quillon::cPrivate>> NewEnum() const = 0;
protected:
    ~Privates() = default;
};

// Implemented by the host: every log-in or password-change attempt is one Validate.
// The library's own implementation (class identifier below) knows one account, "Tavin".
struct iEXBasis : com::IUnknown {
    COM_INTERFACE_ID("{5A406A4B-E034-11D6-BB98-0010B566949E}")
    QUILLON_CLASS_ID("{5A406A4C-E034-11D6-BB98-0010B566949E}")
    // Told when the user logs out; LogState comes as eLogOff.
    virtual void LogOff(eLogStates& LogState) = 0;
    // Never called by the library.
    virtual void GetUsers(quillon::Users* users, qint32 Options) = 0;
    // Asked for the log-on state when UserInfo::Options has eGetLogStateExternal;
    // State comes with the object's own state and what is left in it is the answer.
    virtual void GetState(eLogStates& State) = 0;
    // Style eValidateLogin (NewPassword empty), or eValidateNewPassword (+ eValidateNoOldPWD)
    // for a password change, after which the host stores the new password itself.
    // Only the low six bits of the answer count. An error raised here reaches the caller.
    virtual eValidateStates Validate(const QString& LogName, const QString& Password,
                                     const QString& NewPassword = QString(),
                                     eValidateStyles ValidateStyle = eValidateStyles(0)) = 0;
    // Given the current password-rules text; the answer becomes the rules text.
    virtual QString PasswordRules(QString& OrignalRules) = 0;
protected:
    ~iEXBasis() = default;
};

// The log-in session: current user, log-on state, log-in and password change.
struct UserInfo : com::IUnknown {
    COM_INTERFACE_ID("{5A406A45-E034-11D6-BB98-0010B566949E}")
    QUILLON_CLASS_ID("{5A406A46-E034-11D6-BB98-0010B566949E}")
    // The password-rules text is shared by every UserInfo of the program.
    virtual void setPasswordRules(const QString& text) = 0;
    virtual QString PasswordRules() const = 0;
    // Binds the host (null is ignored) and takes its PasswordRules answer.
    virtual void setEXBasis(quillon::iEXBasis* host) = 0;
    virtual qint32 UID() const = 0;
    virtual QString Name() const = 0;
    virtual QString LogName() const = 0;
    virtual void setOptions(eUsrInfoOptions value) = 0;
    virtual eUsrInfoOptions Options() const = 0;
    // Raises 0x80040000 + 2024 while logged off. Omitted positions count as -1.
    virtual eValidateStates ChangePassword(const std::optional<QString>& LogName = std::nullopt,
                                           const std::optional<QString>& OldPassword = std::nullopt,
                                           const QString& NewPassword = QString(),
                                           eLoginOptions Options = eLoginOptions(12), QWidget* PWnd = nullptr,
                                           int* FromX = nullptr, int* FromY = nullptr, int* ToX = nullptr,
                                           int* ToY = nullptr) = 0;
    virtual eLogStates State() = 0;
    virtual eLogStates LogOut() = 0;
    virtual com::ComPtr<quillon::Users> Users() const = 0;
    // Omitted positions count as -1 (ToX/ToY -1: the screen centre). FromX/FromY receive the
    // centre of the animation's origin, a negative ToX/ToY the screen centre.
    virtual eValidateStates LogIn(const std::optional<QString>& LogName = std::nullopt,
                                  const std::optional<QString>& Password = std::nullopt,
                                  eLoginOptions Options = eLoginOptions(8), QWidget* PWnd = nullptr,
                                  int* FromX = nullptr, int* FromY = nullptr, int* ToX = nullptr,
                                  int* ToY = nullptr) = 0;
    virtual com::ComPtr<quillon::Privates> Privates() const = 0;
protected:
    ~UserInfo() = default;
};

// Opens a window growing out of another window, a point or the cursor, closes it towards
// a point, and takes entries from a window's menu. Errors of the work are ignored.
// Omitted numbers count as 0.
struct ActiveZoom : com::IUnknown {
    COM_INTERFACE_ID("{5A406A2F-E034-11D6-BB98-0010B566949E}")
    QUILLON_CLASS_ID("{5A406A30-E034-11D6-BB98-0010B566949E}")
    // Centres ZoomForm on (ToX, ToY), animates it open and shows it modally: returns when
    // the form has been hidden.
    virtual void ZoomFrom(QWidget* ZoomForm, QWidget* FromHWnd = nullptr, eZoomOptions Options = eZoomFromObject,
                          int* FromX = nullptr, int* FromY = nullptr, int* ToX = nullptr, int* ToY = nullptr) = 0;
    virtual void ZoomTo(QWidget* ZoomHWnd, eZoomOptions Options = eZoomFromObject, QWidget* ToHWnd = nullptr,
                        int* ToX = nullptr, int* ToY = nullptr) = 0;
    // On this platform: the title-bar buttons and the user's close request.
    virtual void RemoveMenus(QWidget* hWnd, eSystemMenus eRemoveMenus = eSystemMenus(0)) = 0;
protected:
    ~ActiveZoom() = default;
};

} // namespace quillon
