#pragma once
// The picture viewer: one picture at its natural size with a margin around it, scrolled
// when it does not fit. Esc or a right click closes it.
#include <QDialog>

class QLabel;
class QScrollArea;
class QScrollBar;

namespace ostrel {

class frmPictures : public QDialog {
    Q_OBJECT
public:
    explicit frmPictures(QWidget* parent = nullptr);

    // Puts the picture into dc and sizes the sheet that carries it.
    void setPicture(const QPixmap& picture);

    // The distance of the picture from the sheet's edges: 3 x 80 twips.
    int marginPixelsX() const;
    int marginPixelsY() const;

    QScrollArea* OutP = nullptr; // the viewing frame
    QLabel* dc = nullptr;        // the picture
    QScrollBar* VS1 = nullptr;   // the frame's own bars
    QScrollBar* HS1 = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void Form_MouseUp(Qt::MouseButton button);

    QWidget* m_sheet = nullptr; // the picture with its margins
};

// Shows image's picture enlarged, modally, in a new viewer owned by image's window and
// placed as "WinPic" (maximised the first time); the placement is stored when it closes.
// A failure reaches the caller.
void ShowPictureWindow(QLabel* image);

} // namespace ostrel
