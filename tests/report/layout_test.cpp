#include <gtest/gtest.h>
#include "report/layout.h"
#include "platform/core/vberror.h"

using namespace parvel;

namespace {

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

// The plan as text: runs of data rows by their count, <value> a caption, T the
// total, | between column sets, / between pages; empty when the plan is refused.
QString shape(const QList<PlanPage>& pages, int& next)
{
    QStringList out;
    for (const PlanPage& p : pages) {
        QStringList sets;
        for (const QList<PlanRow>& s : p.sets) {
            QString t;
            int run = 0;
            const auto flush = [&] { if (run) t += QString::number(run); run = 0; };
            for (const PlanRow& r : s) {
                if (r.kind == PlanRow::Data) {
                    EXPECT_EQ(r.row, next++); // rows in order, none skipped or repeated
                    ++run;
                    continue;
                }
                flush();
                t += r.kind == PlanRow::Caption ? QLatin1Char('<') + r.text + QLatin1Char('>') : QStringLiteral("T");
            }
            flush();
            sets << t;
        }
        out << sets.join(QLatin1Char('|'));
    }
    return out.join(QLatin1Char('/'));
}

struct PlanCase {
    int rows, perPage, sets;
    bool total;
    const char* groups; // one value a row: '-' Null, '_' empty; nullptr: no grouping
    const char* plan;
};

TEST(PagePlan, Cases)
{
    const PlanCase cases[] = {
        // Full pages, the last one short; exactly full leaves no empty page after.
        {60, 25, 1, false, nullptr, "25/25/10"},
        {50, 25, 1, false, nullptr, "25/25"},
        {1, 25, 1, false, nullptr, "1"},
        {3, 1, 1, false, nullptr, "1/1/1"},
        // Column sets fill down, then across; data ending in a middle set leaves the later ones out.
        {130, 25, 3, false, nullptr, "25|25|25/25|25|5"},
        {50, 25, 3, false, nullptr, "25|25"},
        // The total line is never lost: after the last row, atop the next set, or on a page of its own.
        {3, 5, 1, true, nullptr, "3T"},
        {50, 25, 1, true, nullptr, "25/25/T"},
        {25, 25, 2, true, nullptr, "25|T"},
        {50, 25, 2, true, nullptr, "25|25/T"},
        {49, 25, 2, true, nullptr, "25|24T"},
        // Captions at each change and again at every page top.
        {8, 5, 1, false, "aabbbbcc", "<a>2<b>1/<b>3<c>/<c>2"},
        {9, 5, 1, false, "aaaaaaaaa", "<a>4/<a>4/<a>1"},
        // One caption per page top: the second set continues the group.
        {6, 4, 2, true, "gggggg", "<g>3|3T"},
        // A Null value starts no caption; an empty one equals the empty start value.
        {4, 10, 1, false, "-x-x", "1<x>3"},
        {4, 10, 1, false, "__yy", "2<y>2"},
        {3, 1, 2, false, "aab", "<a>|1/<a>|1/<b>|1"},
        // Refused: no row or no set a page, or one row a page with grouping (a caption alone).
        {5, 0, 1, false, nullptr, ""},
        {5, -3, 1, false, nullptr, ""},
        {5, 25, 0, false, nullptr, ""},
        {5, 25, -1, false, nullptr, ""},
        {3, 1, 1, false, "aab", ""},
    };
    for (const PlanCase& c : cases) {
        SCOPED_TRACE(c.plan);
        PlanInput in;
        in.rows = c.rows;
        in.rowsPerPage = c.perPage;
        in.sets = c.sets;
        in.total = c.total;
        for (const char* g = c.groups; g && *g; ++g)
            in.groups.append(*g == '-' ? std::nullopt
                                       : std::optional<QString>(*g == '_' ? QString() : QString(QLatin1Char(*g))));
        EXPECT_EQ(planFits(in), *c.plan != 0);
        int next = 0;
        EXPECT_EQ(shape(planPages(in), next), QString::fromLatin1(c.plan));
        EXPECT_EQ(next, *c.plan ? c.rows : 0);
    }
}

} // namespace
