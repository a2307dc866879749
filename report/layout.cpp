#include "report/layout.h"
#include "platform/core/vbrt.h"

namespace parvel {

PageGeometry pageGeometry(int widthTwips, int heightTwips, bool landscape, const Margins& m)
{
    PageGeometry g;
    g.PW = widthTwips / 56.7;
    g.PH = heightTwips / 56.7;
    // In portrait Top and Bottom bound the short side, Left and Right the long one.
    const double x0 = landscape ? m.left : m.top;
    const double y0 = landscape ? m.top : m.left;
    const double xOut = landscape ? m.left + double(m.right) : m.top + double(m.bottom);
    const double yOut = landscape ? m.top + double(m.bottom) : m.left + double(m.right);
    g.X0 = x0;
    g.Y0 = y0;
    g.W = g.PW - xOut;
    g.H = g.PH - yOut;
    g.FootY = g.H + y0 - 6;
    g.RowsPerPage = vb::CInt((g.H - 22) / 6.2);
    return g;
}

TableGeometry tableGeometry(const PageGeometry& g, double titleHeight, double dateHeight, double headingHeight)
{
    TableGeometry t;
    t.FrameTop = g.Y0 + titleHeight + 3 + dateHeight + 2;
    t.HeadBottom = t.FrameTop + headingHeight + 4;
    t.RowHeight = g.RowsPerPage > 0 ? (g.FootY - t.HeadBottom) / g.RowsPerPage : 0;
    return t;
}

bool planFits(const PlanInput& in)
{
    if (in.rowsPerPage < 1 || in.sets < 1)
        return false;
    // A page of one row would hold its group caption and never a data row.
    if (!in.groups.isEmpty() && qint64(in.rowsPerPage) * in.sets < 2)
        return false;
    return true;
}

QList<PlanPage> planPages(const PlanInput& in)
{
    QList<PlanPage> pages;
    if (!planFits(in))
        return pages;
    const bool grouping = !in.groups.isEmpty();
    int row = 0;
    bool totalDone = !in.total;
    while (row < in.rows || !totalDone) {
        PlanPage page;
        QString groupValue; // every page starts with a caption
        bool pageDone = false;
        for (int k = 0; k < in.sets && !pageDone; ++k) {
            QList<PlanRow> set;
            for (int r = 0; r < in.rowsPerPage; ++r) {
                if (row >= in.rows) {
                    if (!totalDone) {
                        set.append(PlanRow{PlanRow::Total, -1, QString()});
                        totalDone = true;
                    }
                    pageDone = true;
                    break;
                }
                if (grouping) {
                    const std::optional<QString>& v = in.groups.at(row);
                    if (v && *v != groupValue) {
                        groupValue = *v;
                        set.append(PlanRow{PlanRow::Caption, -1, groupValue});
                        continue;
                    }
                }
                set.append(PlanRow{PlanRow::Data, row++, QString()});
            }
            if (!set.isEmpty())
                page.sets.append(set);
            if (row >= in.rows && totalDone)
                pageDone = true;
        }
        pages.append(page);
    }
    return pages;
}

} // namespace parvel
