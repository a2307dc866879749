// The detail pane over real database files: each tab's columns and rows, what is read
// again and what is not, the picture cache, stored documents and the list's clicks.
#include "main/core/globals.h"
#include "main/core/ui/cpicinfo.h"
#include "main/devices/ui/frmdevices.h"
#include "main/mainwin/devicelist.h"
#include "platform/core/app.h"
#include "platform/ui/shell.h"
#include "tests/main/mainwin/ui/detailfixture.h"
#include "tests/main/pngbytes.h"
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QHeaderView>
#include <QTreeView>

using namespace ostrel;
using namespace Qt::Literals::StringLiterals;

namespace {

class DetailTabsTest : public testutil::DetailDatabaseTest {
protected:
    static QByteArray png(Qt::GlobalColor color) { return testutil::pngBytes(6, 4, QColor(color).rgb()); }
    static QRgb shownColour(const frmMain& w)
    {
        const QPixmap p = w.imgDevice->pixmap();
        return p.isNull() ? 0 : p.toImage().pixel(0, 0);
    }
    void setPicture(qint32 devId, const QVariant& bytes)
    {
        dao::Recordset rs = gDatabase.OpenRecordset(u"SELECT * FROM [Dev_Info] WHERE [Dev_ID]="_s +
                                                        QString::number(devId),
                                                    dao::dbOpenDynaset);
        rs.Edit();
        rs(u"图片"_s).setValue(bytes);
        rs.Update();
        rs.Close();
    }
    void addDoc(qint32 id, qint32 devId, const QVariant& name, const QVariant& bytes, const QString& date)
    {
        addRow(u"Dev_Docs"_s, {{u"ID"_s, id}, {u"Dev_ID"_s, devId}, {u"Type"_s, 71}, {u"Name"_s, name},
                               {u"Value"_s, bytes}, {u"Date"_s, at(date)}, {u"M_ID"_s, 72}, {u"Memo"_s, u"注"_s}});
    }
};

TEST_F(DetailTabsTest, EachTabShowsItsColumnsCodedTextsDatesAndOrder)
{
    addTreeDevices();
    logInWithDeparts(QString());
    addSysInfo(900, u"Departs"_s, 71, u"七一部"_s);
    addSysInfo(901, u"Trans"_s, 72, u"王'五"_s);
    addSysInfo(902, u"MTypes"_s, 71, u"大修"_s);
    addSysInfo(903, u"Mains"_s, 71, u"某厂"_s);
    addSysInfo(904, u"Check"_s, 71, u"合格"_s);
    addSysInfo(905, u"DType"_s, 71, u"说明书"_s);
    const QVariant null;
    // Device 1's rows, entered out of date order; one of device 2 that must not show.
    addRow(u"Transfer"_s, {{u"ID"_s, 1}, {u"Dev_ID"_s, 1}, {u"Sur_ID"_s, 71}, {u"Tar_ID"_s, 3}, {u"调前地点"_s, u"甲"_s},
                           {u"调后地点"_s, u"乙"_s}, {u"日期"_s, at(u"2024-05-06 07:08"_s)}, {u"经办人"_s, 72},
                           {u"备注"_s, u"二"_s}});
    addRow(u"Transfer"_s, {{u"ID"_s, 2}, {u"Dev_ID"_s, 1}, {u"Sur_ID"_s, null}, {u"Tar_ID"_s, 71},
                           {u"日期"_s, at(u"2023-01-02 03:04"_s)}, {u"经办人"_s, null}});
    addRow(u"Transfer"_s, {{u"ID"_s, 3}, {u"Dev_ID"_s, 2}, {u"日期"_s, at(u"2020-01-01 00:00"_s)}});
    addRow(u"Maintain"_s, {{u"ID"_s, 1}, {u"Dev_ID"_s, 1}, {u"MType"_s, 71}, {u"费用"_s, 12.5}, {u"Main_ID"_s, 71},
                           {u"日期"_s, at(u"2024-02-01 09:30"_s)}, {u"经办人"_s, 72}, {u"备注"_s, u"换件"_s}});
    addRow(u"Checks"_s, {{u"ID"_s, 1}, {u"Dev_ID"_s, 1}, {u"原验收状况"_s, null}, {u"现验收状况"_s, 71},
                         {u"日期"_s, at(u"2024-09-09 09:09"_s)}, {u"经办人"_s, 72}});
    addRow(u"Checks"_s, {{u"ID"_s, 2}, {u"Dev_ID"_s, 1}, {u"原验收状况"_s, 71}, {u"现验收状况"_s, 71},
                         {u"日期"_s, at(u"2021-01-01 01:01"_s)}});
    addRow(u"Discard"_s, {{u"ID"_s, 4}, {u"Dev_ID"_s, 1}, {u"Result"_s, u"变卖"_s}, {u"残值收入"_s, 100},
                          {u"日期"_s, at(u"2025-12-31 23:59"_s)}, {u"经办人"_s, 72}});
    addDoc(7, 1, u"手册.pdf"_s, QByteArray("%PDF"), u"2024-03-03 03:03"_s);

    struct Case {
        QString key;
        QStringList headers;
        QList<QStringList> rows;
        QList<int> ids;
    } cases[] = {
        {u"Trans"_s,
         {u"原使用单位"_s, u"现使用单位"_s, u"原安装地点"_s, u"现安装地点"_s, u"时间"_s, u"经办人"_s, u"备注"_s},
         {{QString(), u"七一部"_s, QString(), QString(), u"2023-01-02 03:04"_s, QString(), QString()},
          {u"七一部"_s, u"D"_s, u"甲"_s, u"乙"_s, u"2024-05-06 07:08"_s, u"王'五"_s, u"二"_s}},
         {2, 1}},
        {u"Maintain"_s,
         {u"分类"_s, u"费用"_s, u"维修商"_s, u"日期"_s, u"经办人"_s, u"备注"_s},
         {{u"大修"_s, u"12.5"_s, u"某厂"_s, u"2024-02-01 09:30"_s, u"王'五"_s, u"换件"_s}},
         {1}},
        {u"Checks"_s,   // the database's order, not by date
         {u"原验收状况"_s, u"现验收状况"_s, u"日期"_s, u"经办人"_s, u"备注"_s},
         {{QString(), u"合格"_s, u"2024-09-09 09:09"_s, u"王'五"_s, QString()},
          {u"合格"_s, u"合格"_s, u"2021-01-01 01:01"_s, QString(), QString()}},
         {1, 2}},
        {u"Discard"_s,
         {u"处理结果"_s, u"残值收入"_s, u"日期"_s, u"经办人"_s, u"备注"_s},
         {{u"变卖"_s, u"100"_s, u"2025-12-31 23:59"_s, u"王'五"_s, QString()}},
         {4}},
        {u"Docs"_s,
         {u"文件名"_s, u"类型"_s, u"日期"_s, u"经办人"_s, u"备注"_s},
         {{u"手册.pdf"_s, u"说明书"_s, u"2024-03-03 03:03"_s, u"王'五"_s, u"注"_s}},
         {7}},
    };
    auto w = openWindow();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key.toStdString());
        show(*w, 1, c.key);
        EXPECT_EQ(w->currentTabKey(), c.key);
        EXPECT_TRUE(w->lstDetail->isVisibleTo(w.get()));
        EXPECT_FALSE(w->txtDevice->isVisibleTo(w.get()));
        EXPECT_EQ(headers(*w), c.headers);
        EXPECT_EQ(shownRows(*w), c.rows);
        QList<int> ids;
        for (int i = 0; i < w->lstDetail->topLevelItemCount(); ++i)
            ids << w->lstDetail->topLevelItem(i)->data(0, Qt::UserRole).toInt();
        EXPECT_EQ(ids, c.ids);
        EXPECT_EQ(w->lstDetailTag(), u"1"_s);
        if (c.key == u"Maintain"_s)   // 费用 is right-aligned
            EXPECT_TRUE(w->lstDetail->topLevelItem(0)->textAlignment(1) & Qt::AlignRight);
        EXPECT_EQ(w->tbsDeviceTag(), u"1\r"_s + QString::number(w->tbsDevice->currentIndex() + 1));
        // No device: the same tab comes out empty.
        show(*w, 0, c.key);
        EXPECT_EQ(w->lstDetail->topLevelItemCount(), 0);
        EXPECT_EQ(w->lstDetailTag(), u"0"_s);
    }
    // The summary: its text and what the delete command reads.
    show(*w, 5, u"Summary"_s);
    EXPECT_TRUE(w->txtDevice->isVisibleTo(w.get()));
    EXPECT_TRUE(w->txtDevice->toPlainText().contains(u"A5"_s));
    EXPECT_EQ(w->txtDeviceTag(), u"5\tA5"_s);
    EXPECT_EQ(w->tbsDeviceTag(), u"5\r1"_s);
    EXPECT_TRUE(ui::script::shown().isEmpty());
}

TEST_F(DetailTabsTest, DateColumnsShowAWholeDateAndKeepTheUsersWidths)
{
    addTreeDevices();
    logInWithDeparts(QString());
    addRow(u"Transfer"_s, {{u"ID"_s, 1}, {u"Dev_ID"_s, 1}, {u"日期"_s, at(u"2026-12-09 08:30"_s)}});
    addRow(u"Maintain"_s, {{u"ID"_s, 1}, {u"Dev_ID"_s, 1}, {u"日期"_s, at(u"2026-12-09 08:30"_s)}});
    addRow(u"Checks"_s, {{u"ID"_s, 1}, {u"Dev_ID"_s, 1}, {u"日期"_s, at(u"2026-12-09 08:30"_s)}});
    addRow(u"Discard"_s, {{u"ID"_s, 1}, {u"Dev_ID"_s, 1}, {u"日期"_s, at(u"2026-12-09 08:30"_s)}});
    const QList<std::pair<QString, int>> cases = {
        {u"Trans"_s, 4}, {u"Maintain"_s, 3}, {u"Checks"_s, 2}, {u"Discard"_s, 2}};
    auto w = openWindow();
    QHeaderView* header = w->lstDetail->header();
    for (const auto& [key, column] : cases) {
        SCOPED_TRACE(key.toStdString());
        show(*w, 1, key);
        ASSERT_EQ(w->lstDetail->topLevelItemCount(), 1);
        const QString date = w->lstDetail->topLevelItem(0)->text(column);
        EXPECT_EQ(date, u"2026-12-09 08:30"_s);
        EXPECT_GT(header->sectionSize(column), QFontMetrics(w->lstDetail->font()).horizontalAdvance(date));
    }
    // Another device on the same tab keeps the width the user chose.
    header->resizeSection(0, 222);
    show(*w, 2, u"Discard"_s);
    EXPECT_EQ(header->sectionSize(0), 222);
}

TEST_F(DetailTabsTest, TheSameTabOfTheSameDeviceIsNotReadAgain)
{
    addTreeDevices();
    logInWithDeparts(QString());
    addRow(u"Maintain"_s, {{u"ID"_s, 1}, {u"Dev_ID"_s, 2}, {u"日期"_s, at(u"2024-02-01 09:30"_s)}});
    auto w = openWindow();
    show(*w, 2, u"Maintain"_s);
    ASSERT_EQ(w->lstDetail->topLevelItemCount(), 1);
    gDatabase.Execute(u"DELETE * FROM [Maintain];"_s);
    w->tbsDevice_Click();
    w->lvwDevices_ItemClick();
    EXPECT_EQ(w->lstDetail->topLevelItemCount(), 1);   // nothing read
    show(*w, 2, u"Checks"_s);
    show(*w, 2, u"Maintain"_s);
    EXPECT_EQ(w->lstDetail->topLevelItemCount(), 0);   // another tab in between: read again
    // A history editor's change reads the same tab again.
    addRow(u"Maintain"_s, {{u"ID"_s, 2}, {u"Dev_ID"_s, 2}, {u"日期"_s, at(u"2024-02-01 09:30"_s)}});
    w->frmDynamic_DynaChg(1, 2);
    EXPECT_EQ(w->lstDetail->topLevelItemCount(), 1);
}

TEST_F(DetailTabsTest, PicturesComeFromTheCacheForThreeSeconds)
{
    addTreeDevices();
    logInWithDeparts(QString());
    setPicture(1, png(Qt::red));
    gPicInfo() = cPicInfo();
    auto w = openWindow();
    show(*w, 1, u"Picture"_s);
    EXPECT_TRUE(w->imgDevice->isVisibleTo(w.get()));
    EXPECT_FALSE(w->cmdAdd->isEnabled());
    EXPECT_FALSE(w->cmdDelete->isEnabled());
    EXPECT_EQ(shownColour(*w), QColor(Qt::red).rgb());
    EXPECT_EQ(gPicInfo().ID(), 1);

    // Changed behind the window: within 3 seconds the cache answers.
    setPicture(1, png(Qt::blue));
    show(*w, 1, u"Summary"_s);
    show(*w, 1, u"Picture"_s);
    EXPECT_EQ(shownColour(*w), QColor(Qt::red).rgb());
    // 4 seconds later it is read again.
    gPicInfo().setUpdateTime(QDateTime::currentDateTime().addSecs(-4));
    show(*w, 1, u"Summary"_s);
    show(*w, 1, u"Picture"_s);
    EXPECT_EQ(shownColour(*w), QColor(Qt::blue).rgb());

    // No picture: empty, and cached like any other; no device: empty, the cache kept.
    show(*w, 2, u"Picture"_s);
    EXPECT_TRUE(w->imgDevice->pixmap().isNull());
    EXPECT_EQ(gPicInfo().ID(), 2);
    show(*w, 0, u"Picture"_s);
    EXPECT_TRUE(w->imgDevice->pixmap().isNull());
    EXPECT_EQ(gPicInfo().ID(), 2);
    // A device gone from the table: empty, the cache untouched.
    qint32 gone = 99;
    w->ShowDevicePicture(gone, w->imgDevice);
    EXPECT_TRUE(w->imgDevice->pixmap().isNull());
    EXPECT_EQ(gPicInfo().ID(), 2);
    // The other tabs clear the picture.
    show(*w, 1, u"Picture"_s);
    show(*w, 1, u"Trans"_s);
    EXPECT_TRUE(w->imgDevice->pixmap().isNull());
    EXPECT_TRUE(ui::script::shown().isEmpty());

    // The area's layout: the picture H high and 1.5 H wide, the list filling it.
    w->show();
    QCoreApplication::processEvents();
    const QRect inner = w->picDevice->contentsRect();
    EXPECT_EQ(w->imgDevice->geometry(), QRect(inner.topLeft(), QSize(inner.height() * 3 / 2, inner.height())));
    EXPECT_EQ(w->lstDetail->geometry(), inner);
}

TEST_F(DetailTabsTest, StoredDocumentsOpenFromTheCopysFolderInTempUnderTheirFileNames)
{
    addTreeDevices();
    logInWithDeparts(QString());
    addDoc(1, 3, u"手册.pdf"_s, QByteArray("first"), u"2024-01-01 00:00"_s);
    addDoc(2, 3, u"附录.pdf"_s, QByteArray("second"), u"2024-01-02 00:00"_s);
    addDoc(3, 3, u"../../逃出.txt"_s, QByteArray("third"), u"2024-01-03 00:00"_s);
    addDoc(4, 3, u".."_s, QByteArray("fourth"), u"2024-01-04 00:00"_s);
    addDoc(5, 3, u"空.doc"_s, QVariant(), u"2024-01-05 00:00"_s);
    addDoc(6, 3, u"sub\\README"_s, QByteArray("sixth"), u"2024-01-06 00:00"_s);
    addDoc(7, 3, u"a.b.tar.gz"_s, QByteArray("seventh"), u"2024-01-07 00:00"_s);
    auto w = openWindow();
    show(*w, 3, u"Docs"_s);
    ASSERT_EQ(w->lstDetail->topLevelItemCount(), 7);
    const auto item = [&](int i) { return w->lstDetail->topLevelItem(i); };
    // One icon per type key, from the name alone: no file is made for it.
    EXPECT_EQ(item(0)->icon(0).cacheKey(), item(1)->icon(0).cacheKey());
    EXPECT_FALSE(item(0)->icon(0).isNull());
    EXPECT_EQ(w->imlIco.count(), 6);   // pdf, txt, ".", doc, README, b.tar.gz
    EXPECT_FALSE(w->imlIco.typeName(u"pdf"_s).isEmpty());
    EXPECT_EQ(mainwin::DocIcons::typeKey(u"sub\\README"_s), u"README"_s);
    EXPECT_EQ(mainwin::DocIcons::typeKey(u"a.b.tar.gz"_s), u"b.tar.gz"_s);
    EXPECT_FALSE(QFile::exists(folder->file(u"手册.pdf"_s)));

    const auto open = [&](int i) {
        ui::script::clear();
        w->lstDetail->setCurrentItem(item(i));
        w->lstDetail_DblClick();
    };
    const auto contents = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    // By the keyboard: Tab from the list to the tab strip, then to the records; Enter opens
    // the record Tab lands on, selected or not.
    w->show();
    QApplication::setActiveWindow(w.get());
    w->lvwDevices->setFocus();
    QTest::keyClick(w->lvwDevices, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), w->tbsDevice);
    QTest::keyClick(w->tbsDevice, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), w->lstDetail);
    ASSERT_TRUE(w->lstDetail->selectedItems().isEmpty());
    QTest::keyClick(w->lstDetail, Qt::Key_Return);
    ASSERT_EQ(ui::script::openedDocuments().size(), 1);
    const QString temp = QFileInfo(ui::script::openedDocuments().first()).path();   // this copy's, in Temp
    EXPECT_EQ(QFileInfo(temp).path(), folder->file(u"Temp"_s));
    EXPECT_EQ(contents(temp + u"/手册.pdf"_s), QByteArray("first"));
    EXPECT_EQ(ui::script::openedDocuments(), QStringList{temp + u"/手册.pdf"_s});
    EXPECT_TRUE(ui::script::shown().isEmpty());

    // The same document again replaces the copy.
    addDoc(8, 3, u"手册.pdf"_s, QByteArray("new"), u"2024-01-08 00:00"_s);
    show(*w, 3, u"Summary"_s);
    show(*w, 3, u"Docs"_s);
    open(7);
    EXPECT_EQ(contents(temp + u"/手册.pdf"_s), QByteArray("new"));

    // A name stepping out of Temp stays inside it, under its file part.
    open(2);
    EXPECT_EQ(contents(temp + u"/逃出.txt"_s), QByteArray("third"));
    EXPECT_FALSE(QFile::exists(folder->file(u"逃出.txt"_s)));
    EXPECT_FALSE(QFile::exists(QDir(folder->path()).absoluteFilePath(u"../逃出.txt"_s)));
    open(5);
    EXPECT_EQ(contents(temp + u"/README"_s), QByteArray("sixth"));

    // A name with nothing usable is refused; Null bytes do nothing.
    open(3);
    EXPECT_TRUE(ui::script::openedDocuments().isEmpty());
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_TRUE(ui::script::last().prompt.contains(u".."_s));
    EXPECT_EQ(ui::iconOf(ui::script::last().style), int(ui::vbExclamation));
    open(4);
    EXPECT_TRUE(ui::script::openedDocuments().isEmpty());
    EXPECT_TRUE(ui::script::shown().isEmpty());
    EXPECT_FALSE(QFile::exists(temp + u"/空.doc"_s));

    // Deleted meanwhile.
    gDatabase.Execute(u"DELETE * FROM [Dev_Docs] WHERE [ID]=2;"_s);
    open(1);
    EXPECT_TRUE(ui::script::openedDocuments().isEmpty());
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::script::last().prompt, u"指定资料已不存在！"_s);
    EXPECT_EQ(ui::iconOf(ui::script::last().style), int(ui::vbExclamation));

    // Only the documents tab opens anything.
    show(*w, 3, u"Trans"_s);
    ui::script::clear();
    w->lstDetail_DblClick();
    EXPECT_TRUE(ui::script::openedDocuments().isEmpty());
}

TEST_F(DetailTabsTest, ListClicksAndKeysFollowTheTrackSwitch)
{
    addTreeDevices();
    logInWithDeparts(QString());
    auto w = openWindow();
    w->show();
    show(*w, 1, u"Summary"_s);
    ASSERT_EQ(w->txtDeviceTag(), u"1\tA1"_s);

    // A move by the keyboard counts as a click.
    w->lvwDevices->setFocus();
    w->lvwDevices->setCurrentIndex(w->deviceList->index(w->deviceList->findDevice(1), 0));
    QTest::keyClick(w->lvwDevices, Qt::Key_Down);
    EXPECT_EQ(w->selectedDevId(), 2);
    EXPECT_EQ(w->txtDeviceTag(), u"2\tA2"_s);
    // Without tracking the pane stays.
    w->chkTrack->setChecked(false);
    QTest::keyClick(w->lvwDevices, Qt::Key_Down);
    EXPECT_EQ(w->selectedDevId(), 3);
    EXPECT_EQ(w->txtDeviceTag(), u"2\tA2"_s);
    // A filter applied or cancelled leaves no row selected and the pane empty.
    for (const QString& filter : {u"[价值]>3"_s, QString()}) {
        show(*w, 1, u"Summary"_s);
        ASSERT_EQ(w->txtDeviceTag(), u"1\tA1"_s);
        w->frmFilt_Apply(filter);
        while (w->listLoading())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        EXPECT_LT(w->selectedRow(), 0);
        EXPECT_EQ(w->txtDeviceTag(), u"0\t"_s);
        EXPECT_FALSE(w->txtDevice->toPlainText().contains(u"A1"_s));
    }

    // A double-click opens the editor on the selected device; a device gone is refused.
    w->selectRow(w->deviceList->findDevice(3));
    w->lvwDevices_DblClick();
    ASSERT_TRUE(w->frmDevice);
    EXPECT_EQ(w->frmDevice->currentDevice(), 3);
    gDatabase.Execute(u"DELETE * FROM [Dev_Info] WHERE [Dev_ID]=4;"_s);
    w->selectRow(w->deviceList->findDevice(4));
    ui::script::clear();
    w->lvwDevices_DblClick();
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::script::last().prompt, u"指定设备不存在！"_s);
}

} // namespace
