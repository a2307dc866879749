#include "main/core/mdlmisc.h"
#include "main/reports/ui/frmdatafilt.h"
#include "main/reports/ui/frmquery.h"
#include "main/reports/ui/frmreport.h"
#include "main/reports/historyquery.h"
#include "platform/cindral/cindral.h"
#include "platform/core/app.h"
#include "platform/core/format.h"
#include "platform/core/settings.h"
#include "platform/ui/modal.h"
#include "platform/ui/twips.h"
#include "tests/main/reports/ui/printfixture.h"
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QCoreApplication>
#include <QRadioButton>
#include <QTreeWidget>

using namespace ostrel;
using namespace Qt::StringLiterals;

namespace {

QDateTime at(int day, int hour, int minute = 0) { return QDateTime(QDate(2026, 3, day), QTime(hour, minute)); }

class HistoryReportTest : public testutil::PrintTest {
protected:
    void SetUp() override
    {
        PrintTest::SetUp();
        int id = 500;
        for (const auto& [type, no, text] : std::initializer_list<std::tuple<const char*, int, QString>>{
                 {"Departs", 1, u"财务部"_s}, {"Departs", 2, u"技术部"_s}, {"Trans", 1, u"张三"_s},
                 {"Trans", 3, u"李四"_s},     {"MTypes", 1, u"大修"_s},   {"Mains", 2, u"维修商甲"_s},
                 {"Check", 0, u"未验收"_s},   {"Check", 1, u"合格"_s}})
            addSysInfo(++id, QString::fromLatin1(type), no, text);
        addDevice(7, u"SB-007"_s);
        setField(7, u"设备名称"_s, u"车床"_s);
        addDevice(8, u"SB-008"_s);
        setField(8, u"设备名称"_s, u"铣床"_s);
        ui::setModalHook(nullptr);
    }
    void TearDown() override
    {
        ui::setModalHook(nullptr);
        gMessenger = nullptr;
        PrintTest::TearDown();
    }

    // Adds a history row with the given columns.
    void addRow(const QString& table, int id, int devId, const QDateTime& date, const QVariantMap& columns)
    {
        dao::Recordset rs = gDatabase.OpenRecordset(table, dao::dbOpenDynaset);
        rs.AddNew();
        rs(u"ID"_s).setValue(id);
        rs(u"Dev_ID"_s).setValue(devId);
        rs(u"日期"_s).setValue(date);
        for (auto it = columns.begin(); it != columns.end(); ++it)
            rs(it.key()).setValue(it.value());
        rs.Update();
        rs.Close();
    }
    void addTransfer(int id, int devId, const QDateTime& date, const QVariant& handler = 1)
    {
        addRow(u"Transfer"_s, id, devId, date,
               {{u"Sur_ID"_s, 1}, {u"Tar_ID"_s, 2}, {u"调前地点"_s, u"一楼"_s}, {u"调后地点"_s, u"二楼"_s},
                {u"经办人"_s, handler}, {u"备注"_s, u"搬迁%1"_s.arg(id)}});
    }

    static QStringList headers(QTreeWidget* list)
    {
        QStringList h;
        for (int c = 0; c < list->columnCount(); ++c)
            h << list->headerItem()->text(c);
        return h;
    }
    static QStringList cells(QTreeWidgetItem* item)
    {
        QStringList t;
        for (int c = 0; c < item->columnCount(); ++c)
            t << item->text(c);
        return t;
    }
    static QStringList column(QTreeWidget* list, int c)
    {
        QStringList t;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            t << list->topLevelItem(i)->text(c);
        return t;
    }
    // A report list filled by hand: one column per header, one row per text list.
    static void fill(frmReport& w, const QStringList& heads, const QList<QStringList>& rows)
    {
        w.lvwReport->clear();
        w.lvwReport->setHeaderLabels(heads);
        for (const QStringList& r : rows)
            w.lvwReport->addTopLevelItem(new QTreeWidgetItem(r));
    }
    static QList<QStringList> singles(const QStringList& values)
    {
        QList<QStringList> rows;
        for (const QString& v : values)
            rows << QStringList{v};
        return rows;
    }
};

TEST_F(HistoryReportTest, EachKindListsItsColumnsAndCells)
{
    addTransfer(1, 7, at(5, 9));
    addRow(u"Maintain"_s, 1, 8, at(5, 10),
           {{u"MType"_s, 1}, {u"Main_ID"_s, 2}, {u"费用"_s, 12.5}, {u"经办人"_s, 3}, {u"备注"_s, u"换轴承"_s}});
    addRow(u"Checks"_s, 1, 7, at(5, 11),
           {{u"原验收状况"_s, 0}, {u"现验收状况"_s, 1}, {u"经办人"_s, 1}, {u"备注"_s, u"复验"_s}});
    addRow(u"Discard"_s, 1, 8, at(5, 12),
           {{u"Result"_s, u"变卖"_s}, {u"残值收入"_s, 300}, {u"经办人"_s, 3}, {u"备注"_s, QVariant()}});

    struct Case {
        int kind;
        QString caption, heads;
        QStringList cells;
        QString tag;
    };
    const QList<Case> cases = {
        {0, u"设备调拨记录=>[2026-03-01 00:00]至[2026-03-31 00:00]"_s,
         u"设备编码;设备名称;原使用单位;现使用单位;原安装地点;现安装地点;时间;经办人;备注"_s,
         {u"SB-007"_s, u"车床"_s, u"财务部"_s, u"技术部"_s, u"一楼"_s, u"二楼"_s, u"2026-03-05 09:00"_s, u"张三"_s,
          u"搬迁1"_s},
         u"7"_s},
        {1, u"设备维修记录=>[2026-03-01 00:00]至[2026-03-31 00:00]"_s,
         u"设备编码;设备名称;分类;费用;维修商;日期;经办人;备注"_s,
         {u"SB-008"_s, u"铣床"_s, u"大修"_s, u"12.5"_s, u"维修商甲"_s, u"2026-03-05 10:00"_s, u"李四"_s, u"换轴承"_s},
         u"8"_s},
        {2, u"设备验收记录=>[2026-03-01 00:00]至[2026-03-31 00:00]"_s,
         u"设备编码;设备名称;原验收状况;现验收状况;日期;经办人;备注"_s,
         {u"SB-007"_s, u"车床"_s, u"未验收"_s, u"合格"_s, u"2026-03-05 11:00"_s, u"张三"_s, u"复验"_s}, u"7"_s},
        {3, u"设备报废记录=>[2026-03-01 00:00]至[2026-03-31 00:00]"_s,
         u"设备编码;设备名称;处理结果;残值收入;日期;经办人;备注"_s,
         {u"SB-008"_s, u"铣床"_s, u"变卖"_s, u"300"_s, u"2026-03-05 12:00"_s, u"李四"_s, QString()}, u"8"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        frmReport w;
        w.Report(c.kind, at(1, 0), at(31, 0));
        EXPECT_EQ(w.windowTitle(), c.caption);
        EXPECT_EQ(headers(w.lvwReport).join(u';'), c.heads);
        ASSERT_EQ(w.lvwReport->topLevelItemCount(), 1);
        QTreeWidgetItem* item = w.lvwReport->topLevelItem(0);
        EXPECT_EQ(cells(item), c.cells);
        EXPECT_EQ(item->data(0, Qt::UserRole).toString(), c.tag);
        for (int col = 0; col < w.lvwReport->columnCount(); ++col) {
            const bool right = c.kind == 1 && col == 3;
            EXPECT_EQ(bool(w.lvwReport->headerItem()->textAlignment(col) & Qt::AlignRight), right) << col;
            EXPECT_EQ(bool(item->textAlignment(col) & Qt::AlignRight), right) << col;
        }
    }
    EXPECT_TRUE(ui::script::shown().isEmpty());
}

TEST_F(HistoryReportTest, TheRangeHoldsBothEndsToTheMinute)
{
    addTransfer(1, 7, at(10, 8, 0));   // the start
    addTransfer(2, 8, at(10, 12, 0));  // the end
    addTransfer(3, 7, at(10, 12, 1));  // a minute after
    addTransfer(4, 8, at(10, 7, 59));  // a minute before
    frmReport w;
    w.Report(0, at(10, 8), at(10, 12));
    EXPECT_EQ(column(w.lvwReport, 8), (QStringList{u"搬迁1"_s, u"搬迁2"_s}));

    w.Report(0, at(10, 12), at(10, 8)); // start after end
    EXPECT_EQ(w.lvwReport->topLevelItemCount(), 0);

    w.Report(0, at(20, 0), at(21, 0)); // nothing in the range
    EXPECT_EQ(w.windowTitle(), u"设备调拨记录=>[2026-03-20 00:00]至[2026-03-21 00:00]"_s);
    EXPECT_EQ(w.lvwReport->topLevelItemCount(), 0);
    EXPECT_EQ(w.lblStadus->text(), u"记录:0  选中项目:0"_s);
    EXPECT_TRUE(w.txtDetail->toPlainText().isEmpty());
    EXPECT_TRUE(ui::script::shown().isEmpty());
}

TEST_F(HistoryReportTest, AStaleCodeOrAnEmptyListGivesAnEmptyCellAndTheListingGoesOn)
{
    addTransfer(1, 7, at(5, 9), 9);   // beyond the largest code of "Trans"
    addTransfer(2, 8, at(5, 10), 2);  // missing, below the largest
    addTransfer(3, 7, at(5, 11), QVariant());
    addTransfer(4, 8, at(5, 12), 3);
    gDatabase.Execute(u"DELETE FROM [SysInfo] WHERE [Type]='Mains';"_s);
    addRow(u"Maintain"_s, 1, 8, at(5, 10), {{u"MType"_s, 1}, {u"Main_ID"_s, 2}, {u"经办人"_s, 1}});

    frmReport w;
    w.Report(0, at(1, 0), at(31, 0));
    EXPECT_EQ(column(w.lvwReport, 7), (QStringList{QString(), QString(), QString(), u"李四"_s}));
    w.Report(1, at(1, 0), at(31, 0));
    ASSERT_EQ(w.lvwReport->topLevelItemCount(), 1);
    EXPECT_EQ(w.lvwReport->topLevelItem(0)->text(4), QString());
    EXPECT_EQ(w.lvwReport->topLevelItem(0)->text(2), u"大修"_s);
    EXPECT_TRUE(ui::script::shown().isEmpty());

    // A statement that fails: its message, an empty list, the window goes on.
    gDatabase.Execute(u"DROP TABLE [Checks];"_s);
    w.Report(2, at(1, 0), at(31, 0));
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::script::last().style & 0x70, 0x30);
    EXPECT_EQ(w.lvwReport->topLevelItemCount(), 0);
    EXPECT_EQ(w.lvwReport->columnCount(), 7);
    EXPECT_EQ(w.lblStadus->text(), u"记录:0  选中项目:0"_s);
}

TEST_F(HistoryReportTest, TheQueryDialogOpensTheReportOrShowsTheDateError)
{
    addTransfer(1, 7, at(5, 9));
    frmQuery q;
    EXPECT_TRUE(q.optQuery[0]->isChecked());
    EXPECT_TRUE(vb::IsDate(q.txtRange[0]->text()));
    EXPECT_EQ(q.txtRange[0]->text().size(), 16);

    QStringList titles;
    int rows = -1;
    ui::setModalHook([&](QDialog* d) {
        titles << d->windowTitle();
        if (auto* r = qobject_cast<frmReport*>(d))
            rows = r->lvwReport->topLevelItemCount();
    });
    q.txtRange[0]->setText(u"三月一日"_s);
    q.cmdQuery->click();
    EXPECT_TRUE(titles.isEmpty());
    ASSERT_EQ(ui::script::shown().size(), 1);
    EXPECT_EQ(ui::script::last().style & 0x70, 0x30); // exclamation
    ui::script::clear();

    q.txtRange[0]->setText(u"2026-03-01 00:00"_s);
    q.txtRange[1]->setText(u"2026-03-31 00:00"_s);
    q.optQuery[1]->setChecked(true);
    q.cmdQuery->click();
    EXPECT_EQ(titles, QStringList{u"设备维修记录=>[2026-03-01 00:00]至[2026-03-31 00:00]"_s});
    EXPECT_EQ(rows, 0);
    q.optQuery[0]->setChecked(true);
    q.cmdQuery->click();
    EXPECT_EQ(rows, 1);
    EXPECT_TRUE(ui::script::shown().isEmpty());
    EXPECT_FALSE(plat::GetSetting(plat::appName(), u"Settings"_s, u"FormRpt"_s).isEmpty());
}

TEST_F(HistoryReportTest, StatusLineAndDetailBox)
{
    addTransfer(1, 7, at(5, 9));
    addTransfer(2, 7, at(5, 10));
    addTransfer(3, 8, at(5, 11));
    cindral::Messenger messenger;
    gMessenger = &messenger;
    int summaries = 0;
    QObject::connect(&messenger, &cindral::Messenger::NewMessage, [&](const QString& t) {
        summaries += t == u"正在下载设备概要信息.."_s;
    });
    frmReport w;
    w.Report(0, at(1, 0), at(31, 0));
    EXPECT_EQ(w.lblStadus->text(), u"记录:3  选中项目:0"_s);

    w.lvwReport->setCurrentItem(w.lvwReport->topLevelItem(0));
    EXPECT_EQ(w.lblStadus->text(), u"记录:1/3"_s);
    EXPECT_TRUE(w.txtDetail->toPlainText().isEmpty()); // detail switched off
    EXPECT_EQ(summaries, 0);

    w.chkDetail->click();
    EXPECT_TRUE(w.txtDetail->toPlainText().contains(u"设备编号: SB-007"_s)) << w.txtDetail->toPlainText().toStdString();
    EXPECT_FALSE(w.txtDetail->toPlainText().contains(u'\t'));
    w.lvwReport->setCurrentItem(w.lvwReport->topLevelItem(1)); // the same device
    EXPECT_EQ(summaries, 1);
    EXPECT_EQ(w.lblStadus->text(), u"记录:2/3"_s);
    w.lvwReport->setCurrentItem(w.lvwReport->topLevelItem(2));
    EXPECT_EQ(summaries, 2);
    EXPECT_TRUE(w.txtDetail->toPlainText().contains(u"SB-008"_s));

    w.chkDetail->click();
    EXPECT_TRUE(w.txtDetail->toPlainText().isEmpty());
    w.chkDetail->click();
    EXPECT_EQ(summaries, 3);
    EXPECT_TRUE(w.txtDetail->toPlainText().contains(u"SB-008"_s));

    w.lvwReport->topLevelItem(0)->setSelected(true);
    w.lvwReport->topLevelItem(1)->setSelected(true);
    w.lvwReport->topLevelItem(2)->setSelected(false); // still the current row
    EXPECT_EQ(w.lblStadus->text(), u"记录:3  选中项目:2"_s);
    w.lvwReport->clearSelection();
    EXPECT_TRUE(w.txtDetail->toPlainText().isEmpty());
}

TEST_F(HistoryReportTest, TheWindowKeepsItsSmallestSizeAndItsColumnOfButtons)
{
    frmReport w;
    w.resize(ui::twipsToPixelsX(3000), ui::twipsToPixelsY(2000));
    EXPECT_EQ(w.width(), ui::twipsToPixelsX(5000));
    EXPECT_EQ(w.height(), ui::twipsToPixelsY(4000));
    w.resize(900, 700);
    w.show();
    QCoreApplication::processEvents();
    const int x = w.width() - w.cmdClose->width() - ui::twipsToPixelsX(200);
    for (QWidget* b : std::initializer_list<QWidget*>{w.cmdFilt, w.cmdReset, w.cmdPrint, w.cmdClose, w.txtDetail})
        EXPECT_EQ(b->x(), x);
    EXPECT_LT(w.cmdFilt->y(), w.cmdReset->y());
    EXPECT_LT(w.cmdPrint->y(), w.cmdClose->y());
    EXPECT_LT(w.txtDetail->y() + w.txtDetail->height(), w.cmdFilt->y());
    EXPECT_LT(w.lvwReport->x() + w.lvwReport->width(), x);
    EXPECT_EQ(w.lblStadus->width(), w.width());
}

TEST_F(HistoryReportTest, ColumnsShowAWholeNumberAndDateAndKeepTheUsersWidths)
{
    addTransfer(1, 7, at(5, 9));
    addRow(u"Maintain"_s, 1, 8, at(5, 10), {});
    addRow(u"Checks"_s, 1, 7, at(5, 11), {});
    addRow(u"Discard"_s, 1, 8, at(5, 12), {});
    const QList<std::pair<int, int>> dateColumns = {{0, 6}, {1, 5}, {2, 4}, {3, 4}};
    for (const auto& [kind, dateColumn] : dateColumns) {
        SCOPED_TRACE(kind);
        frmReport w;
        w.Report(kind, at(1, 0), at(31, 0));
        ASSERT_EQ(w.lvwReport->topLevelItemCount(), 1);
        const QFontMetrics fm(w.lvwReport->font());
        QHeaderView* header = w.lvwReport->header();
        EXPECT_GT(header->sectionSize(0), fm.horizontalAdvance(u"0101012015000001"_s));
        const QString date = w.lvwReport->topLevelItem(0)->text(dateColumn);
        EXPECT_EQ(date.size(), 16);
        EXPECT_GT(header->sectionSize(dateColumn), fm.horizontalAdvance(date));
        for (int c = 0; c < w.lvwReport->columnCount(); ++c)
            EXPECT_GE(header->sectionSize(c), QFontMetrics(header->font()).horizontalAdvance(
                                                  w.lvwReport->headerItem()->text(c))) << c;
        // A width the user chose survives running the query again.
        header->resizeSection(1, 333);
        w.cmdReset->click();
        w.Report(kind, at(1, 0), at(31, 0));
        EXPECT_EQ(header->sectionSize(1), 333);
        EXPECT_EQ(w.lvwReport->topLevelItemCount(), 1);
    }
}

TEST_F(HistoryReportTest, TheDetailCheckBoxIsWholeAboveTheDetailBox)
{
    frmReport w;
    w.resize(900, 700);
    w.show();
    QCoreApplication::processEvents();
    const QSize hint = w.chkDetail->sizeHint();
    EXPECT_GE(w.chkDetail->width(), hint.width());
    EXPECT_GE(w.chkDetail->height(), hint.height());
    EXPECT_LE(w.chkDetail->geometry().bottom(), w.txtDetail->y());
    EXPECT_EQ(w.chkDetail->x(), w.txtDetail->x());
    EXPECT_EQ(w.chkDetail->text(), u"显示设备详细资料:"_s);
}

TEST_F(HistoryReportTest, ResetRestoresEveryRowAfterFilteringAndDropping)
{
    for (int i = 1; i <= 6; ++i)
        addTransfer(i, i % 2 ? 7 : 8, at(5, 8 + i));
    frmReport w;
    w.Report(0, at(1, 0), at(31, 0));
    w.frmDataFilt_Apply(1, u"="_s, u"sb-007"_s, false);
    EXPECT_EQ(column(w.lvwReport, 0), QStringList(3, u"SB-007"_s));
    EXPECT_EQ(w.lblStadus->text(), u"记录:3  选中项目:0"_s);
    w.cmdReset->click();
    EXPECT_EQ(w.lvwReport->topLevelItemCount(), 6);
    EXPECT_EQ(headers(w.lvwReport).size(), 9);

    w.lvwReport->topLevelItem(1)->setSelected(true);
    w.lvwReport->topLevelItem(4)->setSelected(true);
    w.frmDataFilt_DropItems(true);
    EXPECT_EQ(column(w.lvwReport, 8), (QStringList{u"搬迁1"_s, u"搬迁3"_s, u"搬迁4"_s, u"搬迁6"_s}));
    w.lvwReport->topLevelItem(0)->setSelected(true);
    w.frmDataFilt_DropItems(false);
    EXPECT_EQ(column(w.lvwReport, 8), QStringList{u"搬迁1"_s});
    EXPECT_TRUE(w.lvwReport->topLevelItem(0)->isSelected());
    w.cmdReset->click();
    EXPECT_EQ(w.lvwReport->topLevelItemCount(), 6);
    EXPECT_TRUE(ui::script::shown().isEmpty());
}

TEST_F(HistoryReportTest, ADoubleClickOpensTheRowFilterWhichNarrowsTheList)
{
    for (int i = 1; i <= 10; ++i)
        addTransfer(i, i % 2 ? 7 : 8, at(5, 8 + i));
    frmReport w;
    w.Report(0, at(1, 0), at(31, 0));
    for (int i : {0, 3, 5})
        w.lvwReport->topLevelItem(i)->setSelected(true);

    QStringList options, values;
    ui::setModalHook([&](QDialog* d) {
        auto* f = qobject_cast<frmDataFilt*>(d);
        ASSERT_TRUE(f);
        for (QRadioButton* o : f->optFilt)
            options << o->text() + (o->isEnabled() ? u""_s : u"-"_s);
        for (int i = 0; i < f->cboFilt[2]->count(); ++i)
            values << f->cboFilt[2]->itemText(i);
        f->cboFilt[0]->setCurrentIndex(1);
        Q_EMIT f->cboFilt[0]->activated(1);
        f->cboFilt[1]->setCurrentText(u"<>"_s);
        f->cboFilt[2]->setCurrentText(u"铣床"_s);
        f->OKButton->click();
    });
    Q_EMIT w.lvwReport->itemDoubleClicked(w.lvwReport->topLevelItem(0), 0);
    EXPECT_EQ(options, (QStringList{u"滤除选定项目(3项)"_s, u"滤除非选定项目(7项)"_s, u"保留满足下列条件的项目"_s}));
    EXPECT_EQ(values, (QStringList{u"SB-007"_s, u"SB-008"_s}));
    EXPECT_EQ(column(w.lvwReport, 1), QStringList(5, u"车床"_s));
    EXPECT_TRUE(ui::script::shown().isEmpty());
}

TEST_F(HistoryReportTest, TheFilterDialogAsksForValuesAndRaisesItsEvents)
{
    frmReport w;
    fill(w, {u"名称"_s, u"数"_s}, {{u"b"_s, u"1"_s}, {u"A"_s, u"2"_s}, {u"a"_s, u"3"_s}, {u"B"_s}, {u"c"_s}});
    struct Case {
        int selected, total;
        bool first, second;
    };
    for (const Case& c : {Case{0, 5, false, true}, Case{5, 5, true, false}}) {
        frmDataFilt f;
        QObject::connect(&f, &frmDataFilt::GetValue, &w, &frmReport::frmDataFilt_GetValue, Qt::DirectConnection);
        f.ShowInfo(u"名称;数"_s, c.selected, c.total);
        EXPECT_EQ(f.optFilt[0]->isEnabled(), c.first);
        EXPECT_EQ(f.optFilt[1]->isEnabled(), c.second);
        EXPECT_TRUE(f.optFilt[2]->isChecked());
        ASSERT_EQ(f.cboFilt[2]->count(), 3);
        EXPECT_EQ(f.cboFilt[2]->itemText(0), u"A"_s);
        EXPECT_EQ(f.cboFilt[2]->itemText(1), u"b"_s);
        EXPECT_EQ(f.cboFilt[2]->itemText(2), u"c"_s);
        EXPECT_EQ(f.cboFilt[2]->currentText(), u"A"_s);
    }

    // No column: no event. An empty report: an empty value box.
    frmDataFilt none;
    int events = 0;
    QObject::connect(&none, &frmDataFilt::Apply, [&] { ++events; });
    QObject::connect(&none, &frmDataFilt::DropItems, [&] { ++events; });
    none.ShowInfo(QString(), 0, 0);
    EXPECT_EQ(none.cboFilt[0]->count(), 0);
    none.OKButton->click();
    EXPECT_EQ(events, 0);

    // The values of a longer column, with the progress every tenth row.
    cindral::Hub hub;
    gMsgHub = &hub;
    QList<int> progress;
    QObject::connect(&hub, &cindral::Hub::progressChanged, [&] {
        if (hub.progressShown() && (progress.isEmpty() || progress.last() != hub.progress()))
            progress << hub.progress();
    });
    frmReport many;
    QStringList cells;
    for (int i = 25; i >= 1; --i)
        cells << (i % 2 ? u"x%1"_s : u"X%1"_s).arg(i % 5);
    fill(many, {u"名称"_s}, singles(cells));
    QStringList got;
    many.frmDataFilt_GetValue(u"名称"_s, got);
    EXPECT_EQ(got, (QStringList{u"x0"_s, u"x1"_s, u"X2"_s, u"x3"_s, u"X4"_s}));
    EXPECT_EQ(progress, (QList<int>{0, 40, 80}));
    EXPECT_FALSE(hub.progressShown());
    gMsgHub = nullptr;

    frmReport empty;
    fill(empty, {u"名称"_s}, {});
    QStringList values{u"stale"_s};
    empty.frmDataFilt_GetValue(u"名称"_s, values);
    EXPECT_TRUE(values.isEmpty());
    empty.frmDataFilt_GetValue(u"无此列"_s, values);
    EXPECT_TRUE(values.isEmpty());
    EXPECT_EQ(ui::script::shown().size(), 1);
}

TEST_F(HistoryReportTest, ApplyComparesAsTextOrAsNumbers)
{
    struct Case {
        const char* name;
        QStringList cells;
        QString op, value;
        bool numbers;
        QStringList kept;
    };
    const QList<Case> cases = {
        {"text 10 > 9", {u"10"_s, u"9"_s, u"95"_s}, u">"_s, u"9"_s, false, {u"95"_s}},
        {"number 10 > 9", {u"10"_s, u"9"_s, u"95"_s}, u">"_s, u"9"_s, true, {u"10"_s, u"95"_s}},
        {"thousands", {u"1000"_s, u"999"_s, u"1,000"_s, u"1000.0"_s}, u"="_s, u"1,000"_s, true,
         {u"1000"_s, u"1,000"_s, u"1000.0"_s}},
        {"like 1*", {u"1"_s, u"12"_s, u"100"_s, u"-1"_s}, u"LIKE"_s, u"1*"_s, true, {}},
        {"like blank 1*", {u"1"_s, u"12"_s, u"100"_s, u"-1"_s, u"21"_s}, u"like"_s, u" 1*"_s, true,
         {u"1"_s, u"12"_s, u"100"_s}},
        {"like -*", {u"1"_s, u"-1"_s}, u"LIKE"_s, u"-*"_s, true, {u"-1"_s}},
        {"word", {u"车床维修"_s, u"铣床"_s, u"老车床"_s, u"CAR"_s}, u"LIKE"_s, u"*车床*"_s, false,
         {u"车床维修"_s, u"老车床"_s}},
        {"like case", {u"Car"_s, u"bus"_s}, u"LIKE"_s, u"c?R"_s, false, {u"Car"_s}},
        {"dates as text", {u"2026-03-05 09:00"_s, u"2026-03-05 10:00"_s, u"2026-11-01 08:00"_s}, u">="_s,
         u"2026-03-05 10:00"_s, false, {u"2026-03-05 10:00"_s, u"2026-11-01 08:00"_s}},
        {"text case", {u"abc"_s, u"ABC"_s, u"abd"_s}, u"="_s, u"Abc"_s, false, {u"abc"_s, u"ABC"_s}},
        {"text <>", {u"abc"_s, u"ABC"_s, u"abd"_s}, u"<>"_s, u"Abc"_s, false, {u"abd"_s}},
        {"exact above 2^24", {u"16777217"_s, u"16777216"_s}, u"="_s, u"16777217"_s, true, {u"16777217"_s}},
        {"exact above 2^24 <", {u"16777217"_s, u"16777216"_s}, u"<"_s, u"16777217"_s, true, {u"16777216"_s}},
        {"number <=", {u"-2"_s, u"0"_s, u"2.5"_s}, u"<="_s, u"0"_s, true, {u"-2"_s, u"0"_s}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        frmReport w;
        fill(w, {u"甲"_s, u"乙"_s}, {});
        for (const QString& cell : c.cells)
            w.lvwReport->addTopLevelItem(new QTreeWidgetItem(QStringList{u"x"_s, cell}));
        w.frmDataFilt_Apply(2, c.op, c.value, c.numbers);
        EXPECT_EQ(column(w.lvwReport, 1), c.kept);
        EXPECT_TRUE(ui::script::shown().isEmpty());
    }
}

TEST_F(HistoryReportTest, ACellThatIsNoNumberRemovesNoRow)
{
    for (const QStringList& cells : {QStringList{u"5"_s, QString(), u"1"_s}, QStringList{u"5"_s, u"abc"_s, u"1"_s}}) {
        frmReport w;
        fill(w, {u"数"_s}, singles(cells));
        w.lvwReport->topLevelItem(2)->setSelected(true);
        w.frmDataFilt_Apply(1, u">"_s, u"2"_s, true);
        EXPECT_EQ(column(w.lvwReport, 0), cells);
        EXPECT_TRUE(w.lvwReport->topLevelItem(2)->isSelected());
        ASSERT_EQ(ui::script::shown().size(), 1);
        EXPECT_EQ(ui::script::last().style & 0x70, 0x30);
        ui::script::clear();
    }
    frmReport w;
    fill(w, {u"数"_s}, singles({u"5"_s}));
    w.frmDataFilt_Apply(1, u"="_s, QString(), true); // an empty value
    w.frmDataFilt_Apply(3, u"="_s, u"5"_s, false);   // no such column
    w.frmDataFilt_Apply(1, u"LIKE"_s, u"[5"_s, false); // a malformed pattern
    EXPECT_EQ(w.lvwReport->topLevelItemCount(), 1);
    EXPECT_EQ(ui::script::shown().size(), 3);
}

TEST_F(HistoryReportTest, PrintingTheReportPrintsItsRows)
{
    for (int i = 1; i <= 4; ++i)
        addTransfer(i, 7, at(5, 8 + i));
    frmReport w;
    w.Report(0, at(1, 0), at(31, 0));
    w.cmdPrint->click();
    const QStringList t = printed();
    for (const QString& s : {u"查询结果"_s, u"设备编码"_s, u"SB-007"_s, u"搬迁4"_s, u"记录共计:4"_s})
        EXPECT_TRUE(t.contains(s)) << s.toStdString();
    EXPECT_TRUE(ui::script::shown().isEmpty());
    EXPECT_TRUE(tempFiles().isEmpty());
}

TEST_F(HistoryReportTest, LongRemarksPrintAndAnEmptyReportSaysSo)
{
    prn::printer().setDestination(prn::Printer::Destination::Pdf);
    addRow(u"Transfer"_s, 1, 7, at(5, 9), {{u"Sur_ID"_s, 1}, {u"Tar_ID"_s, 2}, {u"备注"_s, QString(16, u'迁')}});
    addRow(u"Maintain"_s, 1, 8, at(5, 10), {{u"Main_ID"_s, 2}, {u"备注"_s, QString(32, u'修')}});
    const std::tuple<int, int, QStringList> cases[] = {{0, 31, {u"SB-007"_s, u"技术部"_s, u"迁迁迁"_s}},
                                                       {1, 31, {u"SB-008"_s, u"维修商甲"_s, u"修修修"_s}},
                                                       {1, 2, {}}};
    for (const auto& [kind, endDay, texts] : cases) {
        ui::script::clear();
        frmReport w;
        w.Report(kind, at(1, 0), at(endDay, 0));
        w.cmdPrint->click();
        const QString text = pdfText();
        for (const QString& s : texts + QStringList{u"记录共计:1"_s})
            EXPECT_EQ(text.contains(s), !texts.isEmpty()) << s.toStdString() << '\n' << text.toStdString();
        EXPECT_EQ(ui::script::last().prompt == u"没有可打印的记录！"_s, texts.isEmpty());
    }
}

} // namespace
