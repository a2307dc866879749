#include "login/dialogbase.h"
#include "login/misc.h"
#include "login/strings.h"
#include "platform/core/events.h"
#include "platform/core/msgbox.h"
#include "platform/core/vberror.h"
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

namespace quillon {
namespace {

// The library's key picture.
QPixmap keyPicture()
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(120, 90, 10), 2));
    p.setBrush(QColor(230, 190, 60));
    p.drawEllipse(QRectF(3, 3, 13, 13));
    QPainterPath shaft;
    shaft.moveTo(14, 14);
    shaft.lineTo(28, 28);
    shaft.moveTo(22, 22);
    shaft.lineTo(25, 19);
    shaft.moveTo(25, 25);
    shaft.lineTo(28, 22);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(120, 90, 10), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(shaft);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(6.5, 6.5, 4, 4));
    return pm;
}

} // namespace

DialogBase::DialogBase(QWidget* parent) : QDialog(parent)
{
    cmdOK = new QPushButton(this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    imgKey = new QLabel(this);
    imgKey->setObjectName(QStringLiteral("imgKey"));
    imgKey->setPixmap(keyPicture());
    imgKey->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    Line1 = new QFrame(this);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    setProperty("quillon_handles_close", true);
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] {
        if (!m_attempting)
            cmdCancel_Click();
    });
}

void DialogBase::addFooter(QGridLayout* grid, int row, QWidget* firstBox, QWidget* besideButtons)
{
    grid->addWidget(Line1, row, 0, 1, 3);
    auto* buttons = new QHBoxLayout;
    if (besideButtons)
        buttons->addWidget(besideButtons);
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, row + 1, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    firstBox->setMinimumWidth(180);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

bool DialogBase::runAttempt(const std::function<void()>& body)
{
    try {
        body();
        hide();
        ui::DoEvents();
        return true;
    } catch (const vb::Error& e) {
        showFailure(e.description(), e.source());
    } catch (const std::exception& e) {
        showFailure(QString::fromLocal8Bit(e.what()), QString());
    }
    ui::DoEvents();
    return false;
}

void DialogBase::finishLoading()
{
    pRemoveMenus(this, 3);
    cmdOK->setText(msg(2005));
    cmdCancel->setText(msg(2006));
    setWindowIcon(QIcon(keyPicture()));
}

void DialogBase::reject()
{
    if (!m_attempting)
        cmdCancel_Click();
}

void DialogBase::closeEvent(QCloseEvent* e)
{
    e->ignore();
    if (isVisible() && !m_attempting)
        cmdCancel_Click();
}

void DialogBase::showFailure(const QString& description, const QString& source)
{
    ui::MsgBox(description, ui::vbInformation, source.isEmpty() ? libraryName() : source, this);
}

void DialogBase::focusAndSelect(QLineEdit* box)
{
    if (!box)
        return;
    box->setFocus(Qt::OtherFocusReason);
    ui::DoEvents();
    box->selectAll();
    ui::DoEvents();
}

QLineEdit* DialogBase::newBox(bool password)
{
    auto* box = new QLineEdit(this);
    if (password) {
        box->setEchoMode(QLineEdit::Password);
        box->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    }
    box->installEventFilter(this);
    return box;
}

bool DialogBase::eventFilter(QObject* o, QEvent* e)
{
    if (e->type() == QEvent::FocusIn)
        if (auto* box = qobject_cast<QLineEdit*>(o))
            box->selectAll();
    return QDialog::eventFilter(o, e);
}

} // namespace quillon
