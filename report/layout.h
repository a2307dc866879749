#pragma once
// The report's page geometry and its page plan: which rows, group captions and
// the total line go on which page and column set. Nothing here draws.
#include <QList>
#include <QString>
#include <optional>

namespace parvel {

struct Margins {
    float left = 15, right = 15, top = 15, bottom = 15;
};

// All lengths in millimetres.
struct PageGeometry {
    double PW = 0, PH = 0;  // the printer's page
    double X0 = 0, Y0 = 0;  // the printed area's top-left corner
    double W = 0, H = 0;    // usable width and height
    double FootY = 0;       // lower edge of the table frame
    int RowsPerPage = 0;    // data rows of one column set on one page
};

// From the printer's page in twips, the orientation and the margins (named for the
// landscape page; in portrait the two pairs exchange roles). RowsPerPage outside
// the 16-bit range raises the overflow error.
PageGeometry pageGeometry(int widthTwips, int heightTwips, bool landscape, const Margins& m);

// Where the table's parts sit on every page, from the measured text heights.
struct TableGeometry {
    double FrameTop = 0;    // top of the frame and of the heading row
    double HeadBottom = 0;  // lower edge of the heading row
    double RowHeight = 0;
};
TableGeometry tableGeometry(const PageGeometry& g, double titleHeight, double dateHeight, double headingHeight);

// One row of a column set.
struct PlanRow {
    enum Kind { Data, Caption, Total };
    Kind kind = Data;
    int row = -1;      // Data: the data row, from 0
    QString text;      // Caption: the group value
};

struct PlanPage {
    QList<QList<PlanRow>> sets;  // the column sets used, left to right
};

struct PlanInput {
    int rows = 0;              // data rows
    int rowsPerPage = 0;       // per column set
    int sets = 1;              // column sets side by side
    bool total = false;        // a total line closes the table
    // Grouping: one value per data row (nullopt for Null); empty list = no grouping.
    QList<std::optional<QString>> groups;
};

// The pages of a report. The total line takes the next free row after the last
// data row (the top of the next set, or a new page). Every page starts again with
// the caption of its first row's group. Requires rowsPerPage and sets of at least 1
// (and room for a caption and a row when grouping); see planFits.
QList<PlanPage> planPages(const PlanInput& in);
bool planFits(const PlanInput& in);

} // namespace parvel
