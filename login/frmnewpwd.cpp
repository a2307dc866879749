#include "login/frmnewpwd.h"
#include "login/strings.h"
#include "login/userinfo.h"
#include "platform/core/events.h"
#include "platform/core/vberror.h"
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace quillon {

frmNewPWD::frmNewPWD(QWidget* parent) : DialogBase(parent)
{
    setObjectName(QStringLiteral("frmNewPWD"));
    for (int i = 0; i < 4; ++i)
        lblLabels.append(new QLabel(this));
    txtUserName = newBox(false);
    txtUserName->setObjectName(QStringLiteral("txtUserName"));
    txtUserName->setEnabled(false);
    txtOldPWD = newBox(true);
    txtOldPWD->setObjectName(QStringLiteral("txtOldPWD"));
    txtNewPWD = newBox(true);
    txtNewPWD->setObjectName(QStringLiteral("txtNewPWD"));
    txtConPWD = newBox(true);
    txtConPWD->setObjectName(QStringLiteral("txtConPWD"));
    const QList<QLineEdit*> boxes = {txtUserName, txtOldPWD, txtNewPWD, txtConPWD};

    auto* grid = new QGridLayout(this);
    grid->addWidget(imgKey, 0, 0, 4, 1);
    for (int i = 0; i < 4; ++i) {
        lblLabels[i]->setBuddy(boxes[i]);
        grid->addWidget(lblLabels[i], i, 1);
        grid->addWidget(boxes[i], i, 2);
    }
    addFooter(grid, 4, txtUserName);
    setTabOrder(txtUserName, txtOldPWD);
    setTabOrder(txtOldPWD, txtNewPWD);
    setTabOrder(txtNewPWD, txtConPWD);
    setTabOrder(txtConPWD, cmdOK);
    setTabOrder(cmdOK, cmdCancel);

    connect(txtUserName, &QLineEdit::textChanged, this, [this](const QString& t) { m_logName = t.trimmed(); });
    connect(txtOldPWD, &QLineEdit::textChanged, this, [this](const QString& t) { m_oldPassword = t.trimmed(); });

    setWindowTitle(msg(2018));
    lblLabels[0]->setText(msg(2026));
    lblLabels[1]->setText(msg(2027));
    lblLabels[2]->setText(msg(2028));
    lblLabels[3]->setText(msg(2029));
    finishLoading();
}

void frmNewPWD::setLogName(const QString& value)
{
    m_logName = value.trimmed();
    txtUserName->setText(m_logName);
}

void frmNewPWD::setOldPassword(const QString& value)
{
    m_oldPassword = value.trimmed();
    // Without an old password the box keeps its placeholder.
    if (!m_noOldPWD)
        txtOldPWD->setText(m_oldPassword);
}

void frmNewPWD::setNewPassword(const QString& value)
{
    m_newPassword = value.trimmed();
    txtNewPWD->setText(m_newPassword);
    txtConPWD->setText(m_newPassword);
}

void frmNewPWD::setNoOldPWD(bool value)
{
    m_noOldPWD = value;
    txtOldPWD->setEnabled(!value);
    lblLabels[1]->setEnabled(!value);
    txtOldPWD->setText(value ? QStringLiteral("xxxxxxxx") : QString());
}

void frmNewPWD::cmdOK_Click()
{
    if (attempting())
        return;
    Attempt attempt(this);
    int result = 0;
    const bool done = runAttempt([&] {
        m_logName = txtUserName->text().trimmed();
        const QString oldPassword = txtOldPWD->text().trimmed();
        const QString newPassword = txtNewPWD->text().trimmed();
        const QString confirmed = txtConPWD->text().trimmed();
        if (confirmed != newPassword)
            throw vb::Error(vb::componentError(2019), msg(2019));
        if (Validate)
            Validate(m_logName, oldPassword, newPassword, result);
        pRaiseError(result, 1);
    });
    if (done)
        return;
    QLineEdit* box = nullptr;
    switch (result) {
    case eUserForbid:
        box = txtUserName->isEnabled() ? txtUserName : nullptr;
        break;
    case ePasswordDenied:
        box = txtOldPWD->isEnabled() ? txtOldPWD : nullptr;
        break;
    case eInvalidCertify:
    case eInvalidPassword:
        box = txtNewPWD;
        break;
    default:
        break;
    }
    if (box) {
        focusAndSelect(box);
    } else if (auto* focused = qobject_cast<QLineEdit*>(focusWidget())) {
        focused->selectAll();
        ui::DoEvents();
    }
}

void frmNewPWD::cmdCancel_Click()
{
    hide();
    ui::DoEvents();
    if (Cancel)
        Cancel();
}

} // namespace quillon
