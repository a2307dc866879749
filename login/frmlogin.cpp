#include "login/frmlogin.h"
#include "login/strings.h"
#include "login/userinfo.h"
#include "platform/core/events.h"
#include "platform/core/vberror.h"
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace quillon {

frmLogin::frmLogin(QWidget* parent) : DialogBase(parent)
{
    setObjectName(QStringLiteral("frmLogin"));
    for (int i = 0; i < 2; ++i)
        lblLabels.append(new QLabel(this));
    txtLogName = newBox(false);
    txtLogName->setObjectName(QStringLiteral("txtLogName"));
    txtPassword = newBox(true);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    chkPWd = new QCheckBox(this);
    chkPWd->setObjectName(QStringLiteral("chkPWd"));
    lblLabels[0]->setBuddy(txtLogName);
    lblLabels[1]->setBuddy(txtPassword);

    auto* grid = new QGridLayout(this);
    grid->addWidget(imgKey, 0, 0, 2, 1);
    grid->addWidget(lblLabels[0], 0, 1);
    grid->addWidget(txtLogName, 0, 2);
    grid->addWidget(lblLabels[1], 1, 1);
    grid->addWidget(txtPassword, 1, 2);
    addFooter(grid, 2, txtLogName, chkPWd);
    setTabOrder(txtLogName, txtPassword);
    setTabOrder(txtPassword, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    setTabOrder(cmdCancel, chkPWd);

    connect(txtLogName, &QLineEdit::textChanged, this, [this](const QString& t) { m_logName = t.trimmed(); });
    connect(txtPassword, &QLineEdit::textChanged, this, [this](const QString& t) { m_password = t.trimmed(); });

    setWindowTitle(msg(2001));
    lblLabels[0]->setText(msg(2002));
    lblLabels[1]->setText(msg(2003));
    chkPWd->setText(msg(2004));
    finishLoading();
    txtLogName->setFocus();
}

void frmLogin::setLogName(const QString& value)
{
    m_logName = value.trimmed();
    txtLogName->setText(m_logName);
}

void frmLogin::setPassword(const QString& value)
{
    m_password = value.trimmed();
    txtPassword->setText(m_password);
}

void frmLogin::setSavePWD(bool value)
{
    chkPWd->setEnabled(value);
    if (!value)
        chkPWd->setChecked(false);
}

bool frmLogin::SavePWD() const { return chkPWd->isEnabledTo(const_cast<frmLogin*>(this)); }

void frmLogin::cmdOK_Click()
{
    if (attempting())
        return;
    Attempt attempt(this);
    int result = chkPWd->isChecked() ? eSavePassword : 0;
    const bool done = runAttempt([&] {
        const QString name = txtLogName->text().trimmed();
        const QString password = txtPassword->text().trimmed();
        if (Validate)
            Validate(name, password, result);
        pRaiseError(result, 0, builtInHost);
    });
    if (!done)
        focusAndSelect(result == ePasswordDenied ? txtPassword : txtLogName);
}

void frmLogin::cmdCancel_Click()
{
    if (Cancel)
        Cancel();
    hide();
    ui::DoEvents();
}

} // namespace quillon
