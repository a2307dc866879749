#pragma once
// The log-in dialog: a log name and a password, validated by its owner.
#include "login/dialogbase.h"
#include <QVector>
#include <functional>

class QCheckBox;

namespace quillon {

class frmLogin : public DialogBase {
public:
    explicit frmLogin(QWidget* parent = nullptr);

    void setLogName(const QString& value);
    QString LogName() const { return m_logName; }
    void setPassword(const QString& value);
    QString Password() const { return m_password; }
    void setSavePWD(bool value);
    bool SavePWD() const;

    // Events: the owner answers Validate with the attempt's result.
    std::function<void(const QString& logName, const QString& password, int& result)> Validate;
    std::function<void()> Cancel;
    // Refusals name the built-in account's password only when that host answers.
    bool builtInHost = false;

    QVector<QLabel*> lblLabels;
    QLineEdit* txtLogName = nullptr;
    QLineEdit* txtPassword = nullptr;
    QCheckBox* chkPWd = nullptr;

protected:
    void cmdOK_Click() override;
    void cmdCancel_Click() override;

private:
    QString m_logName;
    QString m_password;
};

} // namespace quillon
