// The report printed through a recording printer: what lands where on the page.
#include <gtest/gtest.h>
#include "report/eventlog.h"
#include "report/parvel.h"
#include "report/printjob.h"
#include "platform/print/printer.h"
#include "tests/common/testutil.h"
#include "report/rowsource.h"
#include "platform/core/vberror.h"
#include "platform/core/events.h"
#include <cmath>

using namespace parvel;
using prn::PrintCall;

namespace {

// Rows in memory, read the way the report reads a record set.
struct Table {
    QStringList fields;
    QList<QVariantList> rows;
};

class FakeRows final : public RowSource {
public:
    explicit FakeRows(std::shared_ptr<Table> t) : m_t(std::move(t)) {}
    bool atEnd() const override { return m_t->rows.isEmpty() || m_pos >= m_t->rows.size(); }
    bool atStart() const override { return m_t->rows.isEmpty() || m_pos < 0; }
    void moveFirst() override { m_pos = 0; m_seen = qMax(m_seen, 1); }
    void moveLast() override { m_pos = int(m_t->rows.size()) - 1; m_seen = int(m_t->rows.size()); }
    void moveNext() override
    {
        ++m_pos;
        m_seen = qMax(m_seen, qMin(m_pos + 1, int(m_t->rows.size())));
    }
    int recordCount() const override { return m_seen; }
    int fieldIndex(const QString& name) const override
    {
        for (int i = 0; i < m_t->fields.size(); ++i)
            if (m_t->fields[i].compare(name, Qt::CaseInsensitive) == 0)
                return i;
        throw vb::Error(3265, QStringLiteral("此集合中找不到项目。"));
    }
    QVariant value(int field) const override
    {
        if (atEnd())
            throw vb::Error(3021, QStringLiteral("无当前记录。"));
        return m_t->rows[m_pos][field];
    }
    void requery() override { m_pos = 0; }
    std::unique_ptr<RowSource> clone() const override
    {
        auto c = std::make_unique<FakeRows>(m_t);
        c->m_pos = 0;
        return c;
    }
    void close() override {}

private:
    std::shared_ptr<Table> m_t;
    int m_pos = 0;
    int m_seen = 0;
};

// n rows of (编号, 名称, 价值, 部门) with the department changing every 10 rows.
std::shared_ptr<Table> devices(int n)
{
    auto t = std::make_shared<Table>();
    t->fields = {QStringLiteral("编号"), QStringLiteral("名称"), QStringLiteral("价值"), QStringLiteral("部门")};
    for (int i = 0; i < n; ++i)
        t->rows.append({QStringLiteral("D%1").arg(i + 1, 4, 10, QLatin1Char('0')),
                        QStringLiteral("设备%1").arg(i + 1), 100.0 + i,
                        QStringLiteral("部门%1").arg(i / 10 + 1)});
    return t;
}

const double X0 = 15, W = 16838 / 56.7 - 30, FootY = 11906 / 56.7 - 30 + 15 - 6; // A4 landscape
const QString kTooWide = QStringLiteral("报表列数太多或某些字段太长，无法自动生成报表。");
const QString kCancelled = QStringLiteral("打印过程被用户取消。");

struct Events final : com::Object<IParvelEvents> {
    QStringList seen;
    std::function<void(const QString&, bool&)> onEvent;
    void StateChg(const QString& text, bool& cancel) override
    {
        seen << text;
        if (onEvent)
            onEvent(text, cancel);
    }
};

struct Report : ::testing::Test {
    testutil::ProgramFolder folder;
    std::shared_ptr<prn::Recorder> rec = std::make_shared<prn::Recorder>();
    com::ComPtr<Parvel> rpt = com::make<Parvel>();
    com::ComPtr<Events> events = com::make<Events>();
    QStringList logged;

    void SetUp() override
    {
        prn::printer().reset();
        prn::printer().setDestination(prn::Printer::Destination::Recorder, rec);
        setLogWatcher([this](const QString& t) { logged << t; });
        rpt->Advise(events.get());
    }
    void TearDown() override
    {
        setLogWatcher(nullptr);
        prn::printer().reset();
    }

    static QList<PrnInfos> columns(std::initializer_list<const char*> names, float width = 0)
    {
        QList<PrnInfos> l;
        for (const char* n : names)
            l.append(PrnInfos{QString::fromUtf8(n), width, alignLeft, QString()});
        return l;
    }

    void print(QList<PrnInfos>& cols, std::shared_ptr<Table> t, const QString& total = QString(),
               const QString& group = QString(), qint16 sets = 0, bool autoDeal = true, bool landscape = true)
    {
        logged.clear();
        rec->clear();
        FakeRows rows(std::move(t));
        rpt->print(cols, &rows, QStringLiteral("设备清单"), QStringLiteral("2026年03月04日"), total, group, sets,
                   autoDeal, landscape);
    }
    // Four columns of 50 mm in one column set, no AutoDeal.
    void printFixed(std::shared_ptr<Table> t, const QString& total = QString(), const QString& group = QString())
    {
        QList<PrnInfos> cols = columns({"编号", "名称", "价值", "部门"}, 50);
        print(cols, std::move(t), total, group, 1, false);
    }

    // The text calls of a page (0: all) whose text is `text`.
    QList<PrintCall> textsOf(const char* text, int page = 0) const
    {
        QList<PrintCall> r;
        for (const PrintCall& c : rec->of(PrintCall::Text, page))
            if (c.text == QString::fromUtf8(text))
                r << c;
        return r;
    }
    PrintCall at(const char* text, int page = 0) const { return textsOf(text, page).value(0); }
};

TEST_F(Report, OnePageLayout)
{
    auto t = devices(3);
    t->rows[1][2] = QVariant(); // a Null cell prints nothing
    rpt->setUsrName(QStringLiteral("  张三 "));
    rpt->setAddress(QStringLiteral("北京路1号"));
    rpt->setPhone(QStringLiteral("010-1234"));
    QList<PrnInfos> cols = columns({"编号", "名称", "价值"});
    cols[1].Alignment = alignRight;
    cols[2].Alignment = alignCenter;
    cols[2].NumberFormat = QStringLiteral("0.00");
    print(cols, t, QStringLiteral("记录共计:3"));

    ASSERT_TRUE(logged.isEmpty()) << logged.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(rec->pagesSent(), 1);
    EXPECT_EQ(rec->count(PrintCall::NewPage), 0);
    const PrintCall begin = rec->of(PrintCall::BeginDoc).value(0);
    EXPECT_EQ(begin.text, QStringLiteral("设备清单"));
    EXPECT_EQ(begin.orientation, prn::vbPRORLandscape);
    EXPECT_EQ(begin.paperSize, prn::vbPRPSA4);

    // Title centred at the top margin, 20 points; date right and page text left under it.
    const PrintCall title = at("设备清单");
    EXPECT_DOUBLE_EQ(title.y1, 15);
    EXPECT_DOUBLE_EQ(title.fontSize, 20);
    EXPECT_EQ(title.fontName, QStringLiteral("宋体"));
    EXPECT_NEAR((title.x1 + title.x2) / 2, X0 + W / 2, 1e-9);
    const PrintCall date = at("2026年03月04日");
    EXPECT_NEAR(date.x2, X0 + W - 2, 1e-9);
    EXPECT_NEAR(date.y1, title.y2 + 3, 1e-9);
    const PrintCall pageText = at("第1页 共1页");
    EXPECT_DOUBLE_EQ(pageText.x1, X0 + 3);
    EXPECT_DOUBLE_EQ(pageText.y1, date.y1);
    const double frameTop = date.y2 + 2;

    // The frame, pen 4.
    const QList<PrintCall> rects = rec->of(PrintCall::Rect);
    ASSERT_EQ(rects.size(), 1);
    EXPECT_EQ(rects[0].drawWidth, 4);
    EXPECT_NEAR(rects[0].y1, frameTop, 1e-9);
    EXPECT_NEAR(rects[0].x2, X0 + W, 1e-9);
    EXPECT_NEAR(rects[0].y2, FootY, 1e-9);

    // AutoDeal sized the columns to fill the width exactly, once.
    double sum = 0;
    for (const PrnInfos& c : cols) {
        EXPECT_GT(c.Width, 10);
        sum += c.Width;
    }
    const long sets = std::lround(W / sum);
    EXPECT_GE(sets, 1);
    EXPECT_NEAR(sum * sets, W, 0.01);

    // Headings centred in their columns, 14 points.
    const PrintCall head = at("名称");
    EXPECT_DOUBLE_EQ(head.fontSize, 14);
    EXPECT_NEAR((head.x1 + head.x2) / 2, X0 + cols[0].Width + cols[1].Width / 2, 1e-4);
    EXPECT_NEAR(head.y1, frameTop + 2, 1e-9);
    const double headBottom = head.y1 - 2 + (head.y2 - head.y1) + 4;
    const double rowHeight = (FootY - headBottom) / 25;

    // Cells: left + 1, right - 1, centred; Null prints nothing; the format applies.
    const PrintCall left = at("D0002");
    EXPECT_NEAR(left.x1, X0 + 1, 1e-4);
    EXPECT_NEAR(left.y1, headBottom + rowHeight + 1, 1e-6);
    EXPECT_DOUBLE_EQ(left.fontSize, 12);
    EXPECT_NEAR(at("设备2").x2, X0 + cols[0].Width + cols[1].Width - 1, 1e-4);
    const PrintCall centre = at("102.00");
    EXPECT_NEAR((centre.x1 + centre.x2) / 2, X0 + cols[0].Width + cols[1].Width + cols[2].Width / 2, 1e-4);
    EXPECT_EQ(textsOf("100.00").size(), 1);
    EXPECT_EQ(textsOf("101.00").size(), 0);

    // Grid: the heading line and 24 row lines across, pen 1; the total's row gets
    // white lines over its column lines.
    int across = 0;
    QList<PrintCall> white;
    for (const PrintCall& l : rec->of(PrintCall::Line)) {
        if (l.y1 == l.y2 && l.x1 == X0) {
            ++across;
            EXPECT_EQ(l.drawWidth, 1);
        }
        if (l.drawMode == prn::vbWhiteness)
            white << l;
    }
    EXPECT_EQ(across, 25);
    EXPECT_EQ(white.size(), 3);
    for (const PrintCall& l : white) {
        EXPECT_NEAR(l.y1, headBottom + 3 * rowHeight, 1e-6);
        EXPECT_NEAR(l.y2, headBottom + 4 * rowHeight, 1e-6);
    }
    // Total line in row 3, bold italic; the rows before it are not.
    const PrintCall total = at("记录共计:3");
    EXPECT_TRUE(total.bold && total.italic);
    EXPECT_NEAR(total.x1, X0 + 1, 1e-9);
    EXPECT_NEAR(total.y1, headBottom + 3 * rowHeight + 1, 1e-6);
    EXPECT_FALSE(at("D0003").bold);

    // Footer: address and phone left, the operator (trimmed) right.
    const PrintCall addr = at("北京路1号  010-1234");
    EXPECT_DOUBLE_EQ(addr.x1, X0);
    EXPECT_NEAR(addr.y1, FootY + 2, 1e-9);
    EXPECT_NEAR(at("操作员：张三").x2, X0 + W - 2, 1e-9);

    // Progress: preparing, sizing, the page, and the empty text at the end.
    EXPECT_EQ(events->seen, (QStringList{QStringLiteral("正在准备打印数据。"), QStringLiteral("正在计算最佳列宽。"),
                                         QStringLiteral("正在打印第1/1页。"), QString()}));
}

TEST_F(Report, TotalAfterFullPagesGetsAPageOfItsOwn)
{
    printFixed(devices(50), QStringLiteral("记录共计:50"));
    ASSERT_TRUE(logged.isEmpty()) << logged.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(rec->pagesSent(), 3);
    EXPECT_EQ(textsOf("D0026", 2).size(), 1);
    EXPECT_EQ(textsOf("D0050", 2).size(), 1);
    EXPECT_EQ(textsOf("第1页 共3页", 1).size(), 1);
    // Title, date, page text, 4 headings, the total, 2 footer texts.
    EXPECT_EQ(rec->of(PrintCall::Text, 3).size(), 3 + 4 + 1 + 2);
    EXPECT_EQ(textsOf("记录共计:50", 3).size(), 1);
    EXPECT_EQ(textsOf("第3页 共3页", 3).size(), 1);
    EXPECT_EQ(rec->of(PrintCall::EndDoc).value(0).page, 3);
    EXPECT_TRUE(events->seen.contains(QStringLiteral("正在打印第2/3页。")));
    // Without an operator the footer's right end reads the label alone.
    EXPECT_EQ(textsOf("操作员：", 3).size(), 1);
}

TEST_F(Report, MoreRowsThanASixteenBitCountPrintWhole)
{
    printFixed(devices(40000), QStringLiteral("记录共计:40000"));
    ASSERT_TRUE(logged.isEmpty()) << logged.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(rec->pagesSent(), 1601);
    EXPECT_EQ(textsOf("D40000", 1600).size(), 1);
    EXPECT_EQ(textsOf("记录共计:40000", 1601).size(), 1);
}

TEST_F(Report, NarrowColumnsGoSideBySide)
{
    QList<PrnInfos> cols = columns({"编号"});
    print(cols, devices(60), QStringLiteral("合计"));
    ASSERT_TRUE(logged.isEmpty());
    // The column set is narrow enough for several sets; the rows run down the first, then on.
    const int sets = int(std::lround(W / cols[0].Width));
    ASSERT_GT(sets, 2);
    EXPECT_EQ(rec->pagesSent(), 1);
    const PrintCall first = at("D0001"), second = at("D0026");
    EXPECT_NEAR(second.x1 - first.x1, cols[0].Width, 1e-3);
    EXPECT_NEAR(second.y1, first.y1, 1e-9);
    // Set lines between the sets are pen 3.
    int setLines = 0;
    for (const PrintCall& l : rec->of(PrintCall::Line))
        setLines += l.drawWidth == 3;
    EXPECT_EQ(setLines, sets - 1);
    EXPECT_EQ(textsOf("合计").size(), 1);

    // Without AutoDeal the widths written back and the sets asked for are used.
    const float width = cols[0].Width;
    print(cols, devices(60), QString(), QString(), 2, false);
    EXPECT_FLOAT_EQ(cols[0].Width, width);
    EXPECT_NEAR(at("D0026").x1 - at("D0001").x1, W / 2, 1e-3);
    EXPECT_EQ(rec->pagesSent(), 2);
}

TEST_F(Report, GroupCaptionsAndPageCount)
{
    // 30 rows in 3 groups of 10 on pages of 25 rows: captions at each change and page top.
    auto t = devices(30);
    t->rows[5][3] = QVariant(); // a Null group value starts no caption
    printFixed(t, QString(), QStringLiteral("部门"));
    ASSERT_TRUE(logged.isEmpty()) << logged.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(rec->pagesSent(), 2);
    EXPECT_EQ(textsOf("部门1", 1).size(), 10); // caption + 9 cells (one Null)
    EXPECT_EQ(textsOf("部门3", 1).size(), 1 + 2); // caption + the rows that fit
    EXPECT_EQ(textsOf("部门3", 2).size(), 1 + 8);
    EXPECT_EQ(textsOf("第2页 共2页", 2).size(), 1);
    const PrintCall caption = at("部门2", 1);
    EXPECT_NEAR((caption.x1 + caption.x2) / 2, X0 + W / 2, 1e-6);
}

TEST_F(Report, PortraitFallsBackToLandscape)
{
    QList<PrnInfos> cols = columns({"编号", "名称"});
    auto t = devices(3);
    // Too wide for portrait (180 mm) but not for landscape.
    t->rows[0][1] = QString(55, QChar(0x8BBE));
    print(cols, t, QString(), QString(), 0, true, false);
    EXPECT_TRUE(logged.isEmpty());
    EXPECT_EQ(rec->pagesSent(), 1);
    EXPECT_EQ(rec->of(PrintCall::BeginDoc).value(0).orientation, prn::vbPRORLandscape);
}

TEST_F(Report, ASetWiderThanThePageHasItsTextsCutOrIsRefused)
{
    // After 编号, n columns headed by four characters, every cell v (70 characters ~300 mm).
    const QString remark(70, QChar(0x8BBE));
    const std::tuple<int, QVariant, bool> cases[] = {
        {1, remark, true}, {12, QString(), true}, {19, remark, true}, {19, 123456789012.25, false}};
    for (const auto& [n, v, printed] : cases) {
        SCOPED_TRACE(n);
        auto t = devices(3);
        t->fields = {QStringLiteral("编号")};
        QList<PrnInfos> cols = columns({"编号"});
        for (int j = 0; j < n; ++j) {
            t->fields << QStringLiteral("备注%1项").arg(QChar(0x4E00 + j));
            cols << PrnInfos{t->fields.last(), 0, alignRight, QString()};
        }
        for (QVariantList& row : t->rows)
            row = QVariantList{row[0]} + QVariantList(n, v);
        print(cols, t, QString(), QString(), 0, true, false);
        EXPECT_EQ(logged, printed ? QStringList() : QStringList{kTooWide});
        EXPECT_EQ(rec->pagesSent(), printed ? 1 : 0);
        // Texts (cut ones marked) and headings (on two lines) stay inside their cells.
        int cut = 0, headings = 0;
        for (const PrintCall& call : rec->of(PrintCall::Text))
            if (call.fontSize < 20 && (call.text.startsWith(QChar(0x8BBE)) || call.text.endsWith(QChar(0x9879)))) {
                EXPECT_LE(call.x2 - call.x1, cols[1].Width - 2 + 1e-6);
                cut += call.text.endsWith(QChar(0x2026));
                headings += call.text.endsWith(QChar(0x9879));
            }
        EXPECT_EQ(cut, printed && !v.toString().isEmpty() ? 3 * n : 0);
        EXPECT_EQ(headings, printed ? n : 0);
    }
}

TEST_F(Report, FailuresAreLoggedAndNothingIsPrinted)
{
    QList<PrnInfos> cols = columns({"编号"});
    // No record set, and an empty one.
    rpt->print(cols, nullptr, QString(), QString(), QString(), QString(), 0, true, true);
    const QStringList first = logged;
    print(cols, std::make_shared<Table>());
    EXPECT_EQ(first + logged, QStringList(2, QStringLiteral("数据集为空，无可供打印的数据。")));
    EXPECT_EQ(events->seen, (QStringList{QString(), QString()}));

    // Margins that leave no row, or no column set.
    rpt->setTop(95);
    rpt->setBottom(95);
    print(cols, devices(2));
    EXPECT_EQ(logged, QStringList{QStringLiteral("页边距、列数或列宽使页面上放不下一行数据，无法打印报表。")});
    const QStringList noRoom = logged;
    rpt->setTop(15);
    rpt->setBottom(15);
    print(cols, devices(2), QString(), QString(), 0, false);
    EXPECT_EQ(logged, noRoom);

    // A column that is no field.
    QList<PrnInfos> bad = columns({"编号", "无此字段"});
    print(bad, devices(2), QString(), QString(), 1, false);
    EXPECT_EQ(logged, QStringList{QStringLiteral("此集合中找不到项目。")});
    EXPECT_EQ(rec->pagesSent(), 0);
    EXPECT_FALSE(prn::printer().jobActive());
    EXPECT_EQ(ui::busyDepth(), 0);

    // A handler that raises an error stops the print like any failure.
    events->onEvent = [](const QString& text, bool&) {
        if (text.startsWith(QStringLiteral("正在打印")))
            throw vb::Error(1000, QStringLiteral("宿主出错"));
    };
    printFixed(devices(2));
    EXPECT_EQ(logged, QStringList{QStringLiteral("宿主出错")});
    EXPECT_FALSE(prn::printer().jobActive());
    EXPECT_EQ(ui::busyDepth(), 0);
}

TEST_F(Report, CancelStopsBeforeAnythingIsSent)
{
    events->onEvent = [](const QString& text, bool& cancel) {
        cancel = text.startsWith(QStringLiteral("正在打印第2/"));
    };
    printFixed(devices(60));
    EXPECT_EQ(logged, QStringList{kCancelled});
    EXPECT_EQ(rec->pagesSent(), 0);
    EXPECT_EQ(rec->count(PrintCall::AbortDoc), 1);
    EXPECT_EQ(events->seen.last(), QString());

    // Cancelling while the columns are sized.
    events->onEvent = [](const QString& text, bool& cancel) { cancel = text == QStringLiteral("正在计算最佳列宽。"); };
    QList<PrnInfos> cols = columns({"编号"});
    print(cols, devices(5));
    EXPECT_EQ(logged, QStringList{kCancelled});
    EXPECT_TRUE(rec->calls.isEmpty());

    // A cancel given while the data is prepared is kept until the next check.
    events->onEvent = [](const QString& text, bool& cancel) {
        if (text == QStringLiteral("正在准备打印数据。"))
            cancel = true;
    };
    print(cols, devices(5));
    EXPECT_EQ(logged, QStringList{kCancelled});
    EXPECT_TRUE(rec->calls.isEmpty());
}

TEST_F(Report, HandlersCannotBreakARunningPrint)
{
    // A second print from inside the event is refused; the first goes on.
    QList<PrnInfos> cols = columns({"编号"}), inner = cols;
    int nested = 0;
    events->onEvent = [&](const QString& text, bool&) {
        if (text == QStringLiteral("正在打印第1/1页。") && nested++ == 0) {
            FakeRows rows(devices(3));
            rpt->print(inner, &rows, QStringLiteral("另一个"), QString(), QString(), QString(), 0, true, true);
        }
    };
    print(cols, devices(3));
    EXPECT_EQ(logged, QStringList{QStringLiteral("另一个报表正在打印，请等它结束后再打印。")});
    EXPECT_EQ(rec->pagesSent(), 1);
    EXPECT_EQ(rec->count(PrintCall::BeginDoc), 1);

    // The host releases its last reference and detaches from inside the event.
    Parvel* raw = rpt.detach();
    events->onEvent = [&](const QString& text, bool&) {
        if (raw && text.startsWith(QStringLiteral("正在打印"))) {
            raw->Advise(nullptr);
            raw->Release();
            raw = nullptr;
        }
    };
    logged.clear();
    rec->clear();
    FakeRows rows(devices(3));
    Parvel* const printing = raw;
    printing->print(cols, &rows, QString(), QString(), QString(), QString(), 0, true, true);
    EXPECT_EQ(raw, nullptr);
    EXPECT_TRUE(logged.isEmpty());
    EXPECT_EQ(rec->pagesSent(), 1);
}

TEST(ReportCells, TextOfAValue)
{
    EXPECT_EQ(cellText(QVariant(), QStringLiteral("0.00")), QString());
    EXPECT_EQ(cellText(12.5, QStringLiteral("0.00")), QStringLiteral("12.50"));
    EXPECT_EQ(cellText(12.5, QString()), QStringLiteral("12.5"));
    EXPECT_EQ(cellText(QDateTime(QDate(2003, 5, 6), QTime(0, 0)), QStringLiteral("yyyy-mm-dd")),
              QStringLiteral("2003-05-06"));
}

} // namespace
