#include "main/devices/frmpictures.h"
#include <QLabel>
#include <QVBoxLayout>

namespace ostrel {

frmPictures::frmPictures(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPictures"));
    setWindowTitle(QStringLiteral("设备图片"));
    dc = new QLabel(this);
    dc->setObjectName(QStringLiteral("dc"));
    (new QVBoxLayout(this))->addWidget(dc);
}

void ShowPictureWindow(QLabel* image)
{
    frmPictures w;
    if (image)
        w.dc->setPixmap(image->pixmap());
    w.exec();
}

} // namespace ostrel
