#include <gtest/gtest.h>
#include "report/layout.h"
#include "platform/core/vberror.h"

using namespace parvel;

namespace {

// Rows of each set of each page as a compact text: D data, C caption, T total.
QString shape(const QList<PlanPage>& pages)
{
    QStringList out;
    for (const PlanPage& p : pages) {
        QStringList sets;
        for (const QList<PlanRow>& s : p.sets) {
            QString t;
            for (const PlanRow& r : s)
                t += r.kind == PlanRow::Data ? QLatin1Char('D') : r.kind == PlanRow::Caption ? QLatin1Char('C') : QLatin1Char('T');
            sets << t;
        }
        out << sets.join(QLatin1Char('|'));
    }
    return out.join(QLatin1Char('/'));
}

int dataRows(const QList<PlanRow>& set)
{
    int n = 0;
    for (const PlanRow& r : set)
        n += r.kind == PlanRow::Data;
    return n;
}

PlanInput input(int rows, int perPage, int sets = 1, bool total = false)
{
    PlanInput in;
    in.rows = rows;
    in.rowsPerPage = perPage;
    in.sets = sets;
    in.total = total;
    return in;
}

TEST(PageGeometry, A4LandscapeAndPortrait)
{
    const PageGeometry l = pageGeometry(16838, 11906, true, Margins{});
    EXPECT_NEAR(l.PW, 296.966, 0.001);
    EXPECT_NEAR(l.W, 266.97, 0.005);
    EXPECT_NEAR(l.H, 179.98, 0.005);
    EXPECT_NEAR(l.FootY, 188.98, 0.005);
    EXPECT_DOUBLE_EQ(l.X0, 15);
    EXPECT_EQ(l.RowsPerPage, 25);

    // Portrait: Top/Bottom bound the short side (x), Left/Right the long one (y).
    Margins m;
    m.left = 10; m.right = 20; m.top = 5; m.bottom = 7;
    const PageGeometry p = pageGeometry(11906, 16838, false, m);
    EXPECT_DOUBLE_EQ(p.X0, 5);
    EXPECT_DOUBLE_EQ(p.Y0, 10);
    EXPECT_NEAR(p.W, 11906 / 56.7 - 12, 1e-9);
    EXPECT_NEAR(p.H, 16838 / 56.7 - 30, 1e-9);
    EXPECT_NEAR(p.FootY, p.H + 10 - 6, 1e-9);
    EXPECT_EQ(p.RowsPerPage, 40); // (266.97 - 22) / 6.2 = 39.51 -> 40

    // Margins that eat the page leave no rows; absurd ones overflow the 16-bit count.
    m = Margins{};
    m.top = 95; m.bottom = 95;
    EXPECT_LT(pageGeometry(16838, 11906, true, m).RowsPerPage, 1);
    m.top = -400000;
    EXPECT_THROW(pageGeometry(16838, 11906, true, m), vb::Error);
}

TEST(PageGeometry, TableRows)
{
    const PageGeometry g = pageGeometry(16838, 11906, true, Margins{});
    const TableGeometry t = tableGeometry(g, 8, 5, 6);
    EXPECT_DOUBLE_EQ(t.FrameTop, 15 + 8 + 3 + 5 + 2);
    EXPECT_DOUBLE_EQ(t.HeadBottom, t.FrameTop + 6 + 4);
    EXPECT_NEAR(t.RowHeight, (g.FootY - t.HeadBottom) / 25, 1e-12);
}

TEST(PagePlan, RowsPerPageAndLastPage)
{
    const QList<PlanPage> pages = planPages(input(60, 25));
    ASSERT_EQ(pages.size(), 3);
    EXPECT_EQ(dataRows(pages[0].sets[0]), 25);
    EXPECT_EQ(dataRows(pages[1].sets[0]), 25);
    EXPECT_EQ(dataRows(pages[2].sets[0]), 10);
    EXPECT_EQ(pages[2].sets[0].first().row, 50);
    EXPECT_EQ(pages[2].sets[0].last().row, 59);

    // Exactly full: no empty page after.
    EXPECT_EQ(planPages(input(50, 25)).size(), 2);
    EXPECT_EQ(planPages(input(1, 25)).size(), 1);
}

TEST(PagePlan, ColumnSetsFillDownThenAcross)
{
    const QList<PlanPage> pages = planPages(input(130, 25, 3));
    ASSERT_EQ(pages.size(), 2); // 75 rows a page
    ASSERT_EQ(pages[0].sets.size(), 3);
    EXPECT_EQ(pages[0].sets[1].first().row, 25);
    EXPECT_EQ(pages[0].sets[2].last().row, 74);
    ASSERT_EQ(pages[1].sets.size(), 3);
    EXPECT_EQ(dataRows(pages[1].sets[2]), 5);
    // Data ending at the foot of a middle set leaves the later sets empty.
    const QList<PlanPage> two = planPages(input(50, 25, 3));
    ASSERT_EQ(two.size(), 1);
    EXPECT_EQ(two[0].sets.size(), 2);
}

TEST(PagePlan, TotalLineIsNeverLost)
{
    // After the last row in the same set.
    EXPECT_EQ(shape(planPages(input(3, 5, 1, true))), QStringLiteral("DDDT"));
    // Rows fill the page exactly: the total line opens a page of its own, counted.
    QList<PlanPage> p = planPages(input(50, 25, 1, true));
    ASSERT_EQ(p.size(), 3);
    EXPECT_EQ(shape({p[2]}), QStringLiteral("T"));
    // Rows fill a set that is not the last: the total heads the next set.
    p = planPages(input(25, 25, 2, true));
    ASSERT_EQ(p.size(), 1);
    EXPECT_EQ(p[0].sets.size(), 2);
    EXPECT_EQ(shape({p[0]}).section(QLatin1Char('|'), 1), QStringLiteral("T"));
    // Rows fill the last set of a page.
    p = planPages(input(50, 25, 2, true));
    ASSERT_EQ(p.size(), 2);
    EXPECT_EQ(shape({p[1]}), QStringLiteral("T"));
    // One short of full: the total takes the last row.
    EXPECT_EQ(planPages(input(49, 25, 2, true)).size(), 1);
}

TEST(PagePlan, GroupCaptionsAtChangesAndPageTops)
{
    PlanInput in = input(8, 5);
    for (const char* g : {"a", "a", "b", "b", "b", "b", "c", "c"})
        in.groups.append(QString::fromLatin1(g));
    const QList<PlanPage> pages = planPages(in);
    // Every page starts again with its group's caption.
    EXPECT_EQ(shape(pages), QStringLiteral("CDDCD/CDDDC/CDD"));
    EXPECT_EQ(pages[0].sets[0][3].text, QStringLiteral("b"));
    EXPECT_EQ(pages[1].sets[0][0].text, QStringLiteral("b"));
    EXPECT_EQ(pages[1].sets[0][4].text, QStringLiteral("c"));
    EXPECT_EQ(pages[2].sets[0][0].text, QStringLiteral("c"));

    // 9 rows of one group, 5 a page: rows + changes would be 10 lines, 2 pages;
    // with a caption on every page it takes 3.
    PlanInput one = input(9, 5);
    for (int i = 0; i < 9; ++i)
        one.groups.append(QStringLiteral("a"));
    EXPECT_EQ(shape(planPages(one)), QStringLiteral("CDDDD/CDDDD/CD"));
}

TEST(PagePlan, GroupCaptionsWithSetsAndTotal)
{
    PlanInput in = input(6, 4, 2, true);
    for (int i = 0; i < 6; ++i)
        in.groups.append(QStringLiteral("g"));
    // One caption per page top only, the second set continues the group.
    EXPECT_EQ(shape(planPages(in)), QStringLiteral("CDDD|DDDT"));
}

TEST(PagePlan, NullGroupValuesStartNoCaption)
{
    PlanInput in = input(4, 10);
    in.groups = {std::nullopt, QStringLiteral("x"), std::nullopt, QStringLiteral("x")};
    EXPECT_EQ(shape(planPages(in)), QStringLiteral("DCDDD"));
    // An empty value equals the empty start value: no caption.
    in.groups = {QString(), QString(), QStringLiteral("y"), QStringLiteral("y")};
    EXPECT_EQ(shape(planPages(in)), QStringLiteral("DDCDD"));
}

TEST(PagePlan, RefusesPagesWithoutRoom)
{
    EXPECT_FALSE(planFits(input(5, 0)));
    EXPECT_FALSE(planFits(input(5, -3)));
    EXPECT_FALSE(planFits(input(5, 25, 0)));
    EXPECT_FALSE(planFits(input(5, 25, -1)));
    EXPECT_TRUE(planPages(input(5, 0)).isEmpty());
    // One row a page and grouping: every page would be a caption alone.
    PlanInput g = input(3, 1);
    g.groups = {QStringLiteral("a"), QStringLiteral("a"), QStringLiteral("b")};
    EXPECT_FALSE(planFits(g));
    g.sets = 2;
    ASSERT_TRUE(planFits(g));
    EXPECT_EQ(shape(planPages(g)), QStringLiteral("C|D/C|D/C|D"));
    EXPECT_TRUE(planFits(input(3, 1)));
    EXPECT_EQ(planPages(input(3, 1)).size(), 3);
}

} // namespace
