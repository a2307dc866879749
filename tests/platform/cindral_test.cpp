#include <gtest/gtest.h>
#include "platform/cindral/cindral.h"
#include "platform/cindral/progresswidget.h"
#include "platform/ui/hwnd.h"
#include "tests/common/testutil.h"
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QWidget>
#include <memory>

namespace {

// The window that shows status and progress until the program's main window does:
// status texts in the first panel, the progress display beside it.
class StatusWindow : public QMainWindow {
public:
    explicit StatusWindow(cindral::Messenger* mes)
    {
        panel = new QLabel(this);
        progress = new cindral::ProgressWidget;
        statusBar()->addWidget(panel, 1);
        statusBar()->addPermanentWidget(progress);
        connect(mes, &cindral::Messenger::NewMessage, panel, &QLabel::setText);
    }
    QLabel* panel;
    cindral::ProgressWidget* progress;
};

struct Objects {
    std::unique_ptr<cindral::Hub> hub = std::make_unique<cindral::Hub>();
    std::unique_ptr<cindral::Messenger> mes = std::make_unique<cindral::Messenger>();
    Objects() { hub->AttachMessenger(mes.get()); }
};

TEST(Cindral, StatusTextsReachTheWindowAndEmptyClears)
{
    Objects o;
    StatusWindow w(o.mes.get());
    w.show();
    QSignalSpy spy(o.mes.get(), &cindral::Messenger::NewMessage);
    o.mes->PostStatus(QStringLiteral("下载部门信息.."));
    EXPECT_EQ(w.panel->text(), QStringLiteral("下载部门信息.."));
    o.mes->PostStatus(QStringLiteral("正在下载设备数据,请稍候.."), 0, 0);
    EXPECT_EQ(w.panel->text(), QStringLiteral("正在下载设备数据,请稍候.."));
    o.mes->PostStatus(QString());
    EXPECT_TRUE(w.panel->text().isEmpty());
    EXPECT_TRUE(o.mes->status().isEmpty());
    ASSERT_EQ(spy.count(), 3);
    EXPECT_EQ(spy.at(0).at(0).toString(), QStringLiteral("下载部门信息.."));
}

TEST(Cindral, QueryValueTwoAnswersAWindowHandle)
{
    Objects o;
    qint32 h = -1;
    o.hub->QueryValue(2, h);
    EXPECT_GT(h, 0);
    QWidget* w = ui::windowFromHandle(h);
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->isVisible());
    qint32 again = -1;
    o.hub->QueryValue(2, again);
    EXPECT_EQ(again, h);
    qint32 other = -1;
    o.hub->QueryValue(7, other);
    EXPECT_EQ(other, -1);
    // The handle dies with its hub.
    o.hub.reset();
    EXPECT_EQ(ui::windowFromHandle(h), nullptr);
}

TEST(Cindral, ProgressDrivesTheDisplay)
{
    Objects o;
    StatusWindow w(o.mes.get());
    w.show();
    EXPECT_FALSE(w.progress->isVisible());

    o.hub->ShowProgress(-1);
    EXPECT_TRUE(w.progress->isVisible());
    EXPECT_TRUE(w.progress->bar()->isVisible());
    EXPECT_EQ(w.progress->bar()->value(), 0);
    o.hub->SetProgress(40);
    EXPECT_EQ(w.progress->bar()->value(), 40);
    o.hub->SetProgress(250);
    EXPECT_EQ(w.progress->bar()->value(), 100);
    o.hub->SetProgress(-3);
    EXPECT_EQ(w.progress->bar()->value(), 0);
    o.hub->ShowProgress(0);
    EXPECT_FALSE(w.progress->isVisible());
}

TEST(Cindral, ProgressTextAndEndProgressOfASecondHub)
{
    Objects o;
    StatusWindow w(o.mes.get());
    w.show();
    auto backup = std::make_unique<cindral::Hub>();
    qint32 h = -1;
    backup->QueryValue(2, h);
    backup->ProgressText(QStringLiteral("准备构件备份数据库.."));
    EXPECT_EQ(backup->ProgressText(), QStringLiteral("准备构件备份数据库.."));
    EXPECT_TRUE(w.progress->isVisible());
    EXPECT_EQ(w.progress->label()->text(), QStringLiteral("准备构件备份数据库.."));
    EXPECT_FALSE(w.progress->bar()->isVisible());

    backup->ShowProgress(-1);
    backup->SetProgress(30);
    // The main hub's own fill starts and ends meanwhile; the backup's progress comes back.
    o.hub->ShowProgress(-1);
    o.hub->SetProgress(90);
    EXPECT_EQ(w.progress->bar()->value(), 90);
    o.hub->ShowProgress(0);
    EXPECT_EQ(w.progress->bar()->value(), 30);
    EXPECT_EQ(w.progress->label()->text(), QStringLiteral("准备构件备份数据库.."));

    backup->EndProgress();
    EXPECT_TRUE(backup->ProgressText().isEmpty());
    EXPECT_FALSE(w.progress->isVisible());

    // A hub released while showing progress takes its progress with it.
    backup->ShowProgress(-1);
    EXPECT_TRUE(w.progress->isVisible());
    backup.reset();
    EXPECT_FALSE(w.progress->isVisible());
}

TEST(Cindral, ProgressWidgetWithoutParentNeverShowsItself)
{
    cindral::Hub hub;
    cindral::ProgressWidget alone;
    hub.ShowProgress(-1);
    EXPECT_FALSE(alone.isVisible());
    hub.ShowProgress(0);
}

} // namespace
