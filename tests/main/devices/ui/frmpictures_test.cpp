#include "main/devices/ui/frmpictures.h"
#include "platform/core/msgbox.h"
#include "platform/core/settings.h"
#include "platform/ui/modal.h"
#include "platform/ui/twips.h"
#include "tests/common/testutil.h"
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <gtest/gtest.h>

using namespace ostrel;
using namespace Qt::StringLiterals;

namespace {

class PictureViewerTest : public ::testing::Test {
protected:
    void SetUp() override { folder = std::make_unique<testutil::ProgramFolder>(); }
    void TearDown() override
    {
        ui::setModalHook(nullptr);
        folder.reset();
    }

    static QPixmap picture(int width, int height)
    {
        QPixmap p(width, height);
        p.fill(Qt::darkGreen);
        return p;
    }

    // A viewer of that size showing a picture, laid out.
    static void open(frmPictures& w, const QPixmap& p, QSize size)
    {
        w.setPicture(p);
        w.resize(size);
        w.show();
        QApplication::processEvents();
    }

    static void release(QWidget* target, Qt::MouseButton button)
    {
        QMouseEvent e(QEvent::MouseButtonRelease, QPointF(2, 2), target->mapToGlobal(QPointF(2, 2)), button,
                      Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &e);
    }

    std::unique_ptr<testutil::ProgramFolder> folder;
};

} // namespace

TEST_F(PictureViewerTest, ASmallPictureRestsAtTheMarginWithoutBars)
{
    frmPictures w;
    open(w, picture(50, 40), QSize(400, 300));
    EXPECT_FALSE(w.HS1->isVisible());
    EXPECT_FALSE(w.VS1->isVisible());
    EXPECT_EQ(w.dc->pos(), QPoint(ui::twipsToPixelsX(240), ui::twipsToPixelsY(240)));
    EXPECT_EQ(w.dc->size(), QSize(50, 40));
}

TEST_F(PictureViewerTest, ALargePictureScrollsItsWholeSizeWithTheMargins)
{
    frmPictures w;
    open(w, picture(3000, 2500), QSize(400, 300));
    ASSERT_TRUE(w.HS1->isVisible());
    ASSERT_TRUE(w.VS1->isVisible());
    const QSize view = w.OutP->viewport()->size();
    const int margin = w.marginPixelsX();
    EXPECT_EQ(w.HS1->maximum(), 3000 + 2 * margin - view.width());
    EXPECT_EQ(w.VS1->maximum(), 2500 + 2 * w.marginPixelsY() - view.height());
    // at the far end the picture's right edge sits a margin inside the frame's
    w.HS1->setValue(w.HS1->maximum());
    QApplication::processEvents();
    const QPoint rightEdge = w.dc->mapTo(w.OutP->viewport(), QPoint(w.dc->width(), 0));
    EXPECT_EQ(rightEdge.x(), view.width() - margin);
}

TEST_F(PictureViewerTest, EscAndRightClicksCloseALeftClickDoesNot)
{
    struct Case {
        const char* what;
        int target;  // 0 window, 1 frame, 2 picture
        Qt::MouseButton button;
        bool closes;
    };
    const Case cases[] = {
        {"left on picture", 2, Qt::LeftButton, false}, {"right on window", 0, Qt::RightButton, true},
        {"right on frame", 1, Qt::RightButton, true},  {"right on picture", 2, Qt::RightButton, true},
    };
    for (const Case& c : cases) {
        frmPictures w;
        open(w, picture(50, 50), QSize(300, 200));
        QWidget* targets[] = {&w, w.OutP->viewport(), w.dc};
        release(targets[c.target], c.button);
        EXPECT_EQ(w.isVisible(), !c.closes) << c.what;
    }
    frmPictures w;
    open(w, picture(50, 50), QSize(300, 200));
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&w, &esc);
    EXPECT_FALSE(w.isVisible());
}

TEST_F(PictureViewerTest, TheFirstOpeningIsMaximisedTheNextRestoresThePlacement)
{
    QLabel image;
    image.setPixmap(picture(30, 20));
    QList<bool> maximised;
    QList<QSize> pictures;
    ui::setModalHook([&](QDialog* d) {
        auto* w = static_cast<frmPictures*>(d);
        maximised << w->isMaximized();
        pictures << w->dc->pixmap().size();
        if (maximised.size() == 1) {
            w->showNormal();
            w->setGeometry(100, 120, 500, 400);
        }
    });
    ShowPictureWindow(&image);
    const QString stored = plat::GetSetting(plat::appName(), u"Settings"_s, u"WinPic"_s);
    EXPECT_TRUE(stored.endsWith(u";Normal"_s)) << stored.toStdString();
    ShowPictureWindow(&image);
    EXPECT_EQ(maximised, (QList<bool>{true, false}));
    EXPECT_EQ(pictures, (QList<QSize>{QSize(30, 20), QSize(30, 20)}));
}
