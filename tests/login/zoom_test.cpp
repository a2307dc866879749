// ActiveZoom and the window-menu helper, created by class identifier like a client does.
#include "loginfixture.h"
#include "login/activezoom.h"
#include "shared/com/create.h"
#include <QDialog>
#include <QScreen>
#include "platform/ui/twips.h"

using namespace quillon;
using logintest::LoginTest;

TEST(QuillonMisc, CentredFifth)
{
    const WinRect r = centredFifth({100, 100, 600, 400});
    EXPECT_EQ(r, (WinRect{300, 220, 400, 280}));
    EXPECT_EQ(centredFifth({0, 0, 0, 0}), (WinRect{0, 0, 0, 0}));
}

TEST_F(LoginTest, ZoomFromWindowWritesOriginBackAndCentres)
{
    auto zoom = com::make<ActiveZoomImpl>();
    QWidget origin;
    origin.setGeometry(100, 100, 500, 300);
    const WinRect frame = WinRect::of(origin.frameGeometry());
    QDialog form;
    form.resize(200, 100);
    int fromX = 0, fromY = 0, toX = -1, toY = -1;
    bool shownModally = false;
    logintest::whenShown([&] {
        shownModally = form.isVisible() && form.isModal();
        form.hide();
    });
    static_cast<ActiveZoom*>(zoom.get())->ZoomFrom(&form, &origin, eZoomFromObject, &fromX, &fromY, &toX, &toY);
    // Returns only once the form has been hidden.
    EXPECT_TRUE(shownModally);
    EXPECT_FALSE(form.isVisible());
    const WinRect fifth = centredFifth(frame);
    ASSERT_EQ(zooms.size(), 1);
    EXPECT_EQ(zooms[0].from, fifth.toQRect());
    EXPECT_EQ(zooms[0].to.topLeft(), form.frameGeometry().topLeft());
    EXPECT_EQ(fromX, ((fifth.left + fifth.right) / 2) * twipsPerPixelX());
    EXPECT_EQ(fromY, ((fifth.top + fifth.bottom) / 2) * twipsPerPixelY());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(toX, ui::screenWidthTwips() / 2);
    EXPECT_EQ(toY, ui::screenHeightTwips() / 2);
    EXPECT_LE(std::abs(form.frameGeometry().center().x() - screen.width() / 2), 1);
}

TEST_F(LoginTest, ZoomFromOmittedTargetCentresOnTopLeftCorner)
{
    auto zoom = com::make<ActiveZoomImpl>();
    QDialog form;
    form.resize(200, 100);
    logintest::whenShown([&] { form.hide(); });
    static_cast<ActiveZoom*>(zoom.get())->ZoomFrom(&form, nullptr, eZoomFromPoint);
    EXPECT_LE(std::abs(form.frameGeometry().center().x()), 1);
    EXPECT_LE(std::abs(form.frameGeometry().center().y()), 1);
    ASSERT_EQ(zooms.size(), 1);
    EXPECT_EQ(zooms[0].from, QRect(0, 0, 1, 1));
    // Errors of the work are ignored: nothing to zoom is no failure.
    static_cast<ActiveZoom*>(zoom.get())->ZoomFrom(nullptr);
    static_cast<ActiveZoom*>(zoom.get())->ZoomTo(nullptr);
    static_cast<ActiveZoom*>(zoom.get())->RemoveMenus(nullptr, eMenuClose);
}

TEST_F(LoginTest, ZoomToTargetWindowLeavesWindowAsItWas)
{
    auto zoom = com::make<ActiveZoomImpl>();
    QWidget w, target;
    w.setGeometry(50, 60, 300, 200);
    target.setGeometry(400, 400, 100, 50);
    const QRect before = w.frameGeometry();
    static_cast<ActiveZoom*>(zoom.get())->ZoomTo(&w, eZoomFromObject, &target);
    ASSERT_EQ(zooms.size(), 1);
    EXPECT_EQ(zooms[0].from, before);
    EXPECT_EQ(zooms[0].to, centredFifth(WinRect::of(target.frameGeometry())).toQRect());
    EXPECT_EQ(w.frameGeometry(), before);
    EXPECT_FALSE(w.isVisible());
}

TEST(QuillonMisc, RemoveMenusTakesCloseButKeepsTheOthers)
{
    QWidget w;
    w.show();
    pRemoveMenus(&w, eMenuClose | eMenuSeperator);
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
    // The program may still close the window.
    EXPECT_TRUE(w.close());
    EXPECT_FALSE(w.isVisible());

    QWidget v;
    pRemoveMenus(&v, eMenuMaximize | eMenuMinimize);
    EXPECT_TRUE(v.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(v.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    // No sizing: the window keeps its size.
    v.resize(120, 80);
    pRemoveMenus(&v, eMenuSize);
    EXPECT_EQ(v.minimumSize(), QSize(120, 80));
    EXPECT_EQ(v.maximumSize(), QSize(120, 80));
}

TEST(QuillonComponents, CreatableByClassIdentifier)
{
    testutil::ProgramFolder folder;
    folder.registerComponents();
    auto info = com::createObject<UserInfo>(UserInfo::clsid());
    ASSERT_TRUE(info);
    EXPECT_EQ(info->State(), eLogOff);
    // The built-in host answers until a program binds its own.
    EXPECT_EQ(info->LogIn(QStringLiteral("Tavin"), QStringLiteral("Tavin"), eLogInNoPrompt), eValidatePassed);
    EXPECT_EQ(info->State(), eLogOn);
    EXPECT_TRUE(com::createObject<ActiveZoom>(ActiveZoom::clsid()));
    // The built-in account's name and password are matched with regard to letter case.
    auto basis = com::createObject<iEXBasis>(iEXBasis::clsid());
    EXPECT_EQ(basis->Validate(QStringLiteral("tavin"), QStringLiteral("Tavin")), eUserNotExist);
    EXPECT_EQ(basis->Validate(QStringLiteral("Tavin"), QStringLiteral("tavin")), ePasswordDenied);
    // Raised errors cross the library's boundary with number and source.
    try {
        info->LogOut();
        info->ChangePassword();
        FAIL() << "no error";
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number(), vb::componentError(2024));
        EXPECT_EQ(e.description(), QStringLiteral("要修改密码，请先登录系统。"));
    }
}
