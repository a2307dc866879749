#include "main/devices/ui/frmpictures.h"
#include "platform/core/events.h"
#include "platform/ui/modal.h"
#include "platform/ui/twips.h"
#include "shared/forms/forms.h"
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace ostrel {

namespace {
constexpr int kMarginTwips = 80;
const QString kPlacementKey = QStringLiteral("WinPic");
} // namespace

frmPictures::frmPictures(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPictures"));
    setWindowTitle(QStringLiteral("设备图片"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);

    OutP = new QScrollArea(this);
    OutP->setObjectName(QStringLiteral("OutP"));
    OutP->setWidgetResizable(false);
    OutP->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    OutP->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    OutP->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_sheet = new QWidget;
    m_sheet->setObjectName(QStringLiteral("sheet"));
    dc = new QLabel(m_sheet);
    dc->setObjectName(QStringLiteral("dc"));
    OutP->setWidget(m_sheet);
    VS1 = OutP->verticalScrollBar();
    VS1->setObjectName(QStringLiteral("VS1"));
    HS1 = OutP->horizontalScrollBar();
    HS1->setObjectName(QStringLiteral("HS1"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(OutP);
    resize(640, 480);

    // A right click on the picture, the sheet or the frame closes the window as on the window.
    for (QObject* o : {static_cast<QObject*>(dc), static_cast<QObject*>(m_sheet),
                       static_cast<QObject*>(OutP->viewport()), static_cast<QObject*>(OutP)})
        o->installEventFilter(this);
}

int frmPictures::marginPixelsX() const { return ui::twipsToPixelsX(3 * kMarginTwips); }
int frmPictures::marginPixelsY() const { return ui::twipsToPixelsY(3 * kMarginTwips); }

void frmPictures::setPicture(const QPixmap& picture)
{
    dc->setPixmap(picture);
    const QSize size = picture.isNull() ? QSize(0, 0) : picture.deviceIndependentSize().toSize();
    dc->setGeometry(marginPixelsX(), marginPixelsY(), size.width(), size.height());
    m_sheet->resize(size.width() + 2 * marginPixelsX(), size.height() + 2 * marginPixelsY());
}

bool frmPictures::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::MouseButtonRelease) {
        Form_MouseUp(static_cast<QMouseEvent*>(e)->button());
        return false;
    }
    return QDialog::eventFilter(watched, e);
}

void frmPictures::mouseReleaseEvent(QMouseEvent* e)
{
    Form_MouseUp(e->button());
    QDialog::mouseReleaseEvent(e);
}

void frmPictures::Form_MouseUp(Qt::MouseButton button)
{
    if (button != Qt::RightButton)
        return;
    hide();
    ui::DoEvents();
}

void ShowPictureWindow(QLabel* image)
{
    frmPictures w(image ? image->window() : nullptr);   // above the window it enlarges for
    ui::DoEvents();
    if (image)
        w.setPicture(image->pixmap());
    forms::FormLayout(&w, kPlacementKey, true, QStringLiteral("1000;1000;8000;5000;Max"));
    ui::showModal(&w);
    w.hide();
    forms::FormLayout(&w, kPlacementKey, false);
}

} // namespace ostrel
