#pragma once
// One run of ReportPrint: counting, column sizing, planning and drawing.
#include "report/include/parvel.h"
#include "report/layout.h"
#include "report/rowsource.h"
#include <functional>

namespace parvel {

struct ReportRequest {
    QList<PrnInfos> columns;
    QString title, date, total, groupField;
    qint16 cols = 0;
    bool autoDeal = true;
    bool landscape = true;
    QString usrName, address, phone;
    Margins margins;
};

// Raises a progress text; returns true when the host asked to cancel.
using ProgressFn = std::function<bool(const QString&)>;
// Called once the widths are computed (AutoDeal), to hand them back to the caller.
using WidthsFn = std::function<void(const QList<PrnInfos>&)>;

// Prints the report on the system printer. Failures raise vb::Error; the job is
// then still open and the caller aborts it.
void printReport(ReportRequest req, RowSource* source, const ProgressFn& progress, const WidthsFn& widthsDone);

// The text of a cell: Null empty, else the value formatted with the pattern
// (its general form without one).
QString cellText(const QVariant& value, const QString& numberFormat);

} // namespace parvel
