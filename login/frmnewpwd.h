#pragma once
// The change-password dialog: old, new and confirmed password, validated by its owner.
#include "login/dialogbase.h"
#include <QVector>
#include <functional>

namespace quillon {

class frmNewPWD : public DialogBase {
public:
    explicit frmNewPWD(QWidget* parent = nullptr);

    void setLogName(const QString& value);
    QString LogName() const { return m_logName; }
    void setOldPassword(const QString& value);
    QString OldPassword() const { return m_oldPassword; }
    void setNewPassword(const QString& value);
    QString NewPassword() const { return m_newPassword; }
    void setNoOldPWD(bool value);
    bool NoOldPWD() const { return m_noOldPWD; }

    std::function<void(const QString& logName, const QString& oldPassword, const QString& newPassword,
                       int& result)>
        Validate;
    std::function<void()> Cancel;

    QVector<QLabel*> lblLabels;
    QLineEdit* txtUserName = nullptr;
    QLineEdit* txtOldPWD = nullptr;
    QLineEdit* txtNewPWD = nullptr;
    QLineEdit* txtConPWD = nullptr;

protected:
    void cmdOK_Click() override;
    void cmdCancel_Click() override;

private:
    QString m_logName;
    bool m_noOldPWD = false;
    QString m_oldPassword;
    QString m_newPassword;
};

} // namespace quillon
