#pragma once
// Stand-in for the picture viewer behind ShowPictureWindow, until it is built.
#include <QDialog>

class QLabel;

namespace ostrel {

class frmPictures : public QDialog {
    Q_OBJECT
public:
    explicit frmPictures(QWidget* parent = nullptr);
    QLabel* dc = nullptr;
};

// Shows the picture of the image control enlarged, modally. A failure reaches the caller.
void ShowPictureWindow(QLabel* image);

} // namespace ostrel
