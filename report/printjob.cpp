#include "report/printjob.h"
#include "report/strings.h"
#include "platform/core/events.h"
#include "platform/core/format.h"
#include "platform/core/vberror.h"
#include "platform/core/vbrt.h"
#include "platform/print/printer.h"
#include <memory>

namespace parvel {

namespace {

constexpr int kOperationNotSupported = 3251;

[[noreturn]] void fail(int id) { throw vb::Error(vb::componentError(id), str(id), QStringLiteral("Parvel")); }

bool isNull(const QVariant& v) { return v.isNull() || !v.isValid(); }

// One reading of the rows and the printer's state while the report is drawn.
class ReportPrinter {
public:
    ReportPrinter(const ReportRequest& req, RowSource& rows, const ProgressFn& progress)
        : m_req(req), m_rows(rows), m_progress(progress), m_p(prn::printer()), m_face(str(sFontFace))
    {
    }

    void run(const WidthsFn& widthsDone);

private:
    void setFont(double size)
    {
        m_p.setFontName(m_face);
        m_p.setFontSize(size);
    }
    void printAt(double x, double y, const QString& text)
    {
        m_p.setCurrentX(x);
        m_p.setCurrentY(y);
        m_p.Print(text);
    }
    int countRows();
    void sizeColumns();
    bool narrowColumns(QList<double>& widths, const QList<bool>& narrowable);
    QStringList headingLines(int column) const;
    QString fitCell(QString text, double width) const;
    void blankColumnLines(double setLeft, double rowTop);
    void drawPage(int pageNo, const PlanPage& page, bool last);

    const ReportRequest& m_req;
    RowSource& m_rows;
    const ProgressFn& m_progress;
    prn::Printer& m_p;
    const QString m_face;

    QList<PrnInfos> m_cols;
    QList<bool> m_narrowed; // texts cut to the column, headings wrapped
    QList<int> m_fields;
    bool m_landscape = true;
    PageGeometry m_g;
    TableGeometry m_t;
    int m_sets = 1;
    int m_pages = 0;
    int m_row = 0; // index of the current data row
};

int ReportPrinter::countRows()
{
    try {
        m_rows.moveLast();
        return m_rows.recordCount();
    } catch (const vb::Error& e) {
        if (e.number() != kOperationNotSupported)
            throw;
    }
    // A record set that only moves forward is counted by walking it.
    int n = 0;
    for (m_rows.moveFirst(); !m_rows.atEnd(); m_rows.moveNext())
        ++n;
    return n;
}

void ReportPrinter::sizeColumns()
{
    setFont(14);
    ui::DoEvents();
    QList<double> widths;
    for (const PrnInfos& c : m_cols)
        widths.append(m_p.TextWidth(c.Name));
    m_rows.moveFirst();
    m_p.setFontSize(12);
    QList<int> fields;
    for (const PrnInfos& c : m_cols)
        fields.append(m_rows.fieldIndex(c.Name));
    // Only columns of texts may be narrowed: numbers and dates are never cut.
    QList<bool> narrowable(m_cols.size(), true);
    for (; !m_rows.atEnd(); m_rows.moveNext())
        for (int j = 0; j < m_cols.size(); ++j) {
            const QVariant v = m_rows.value(fields[j]);
            if (!isNull(v) && v.typeId() != QMetaType::QString)
                narrowable[j] = false;
            const double w = m_p.TextWidth(cellText(v, m_cols[j].NumberFormat));
            if (w > widths[j])
                widths[j] = w;
        }
    double sum = 0;
    for (double& w : widths) {
        w += 2;
        sum += w;
    }
    m_narrowed = QList<bool>(m_cols.size(), false);
    const qint32 whole = vb::CLng(sum);
    m_sets = whole > 0 ? vb::CLng(m_g.W) / whole : 0;
    // In landscape a set too wide for the page has its widest text columns narrowed.
    if (m_sets < 1 && m_landscape && narrowColumns(widths, narrowable)) {
        m_sets = 1;
        sum = 0;
        for (double w : widths)
            sum += w;
    }
    if (m_sets < 1)
        return;
    const double extra = (m_g.W - sum * m_sets) / (double(m_cols.size()) * m_sets);
    for (int j = 0; j < m_cols.size(); ++j)
        m_cols[j].Width = float(widths[j] + extra);
}

namespace {

// The ends of the characters of a text (a surrogate pair is one character).
QList<int> characterEnds(const QString& text)
{
    QList<int> ends;
    for (int i = 0; i < text.size(); ++i)
        if (!(text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()))
            ends.append(i + 1);
    return ends;
}

} // namespace

bool ReportPrinter::narrowColumns(QList<double>& widths, const QList<bool>& narrowable)
{
    // A narrowed column keeps room for its heading in two lines (font of the headings).
    m_p.setFontSize(14);
    QList<double> least(widths.size());
    for (int j = 0; j < widths.size(); ++j) {
        const QString& name = m_cols[j].Name;
        double best = m_p.TextWidth(name);
        for (int end : characterEnds(name))
            if (end < name.size())
                best = qMin(best, qMax(m_p.TextWidth(name.left(end)), m_p.TextWidth(name.mid(end))));
        least[j] = qMin(widths[j], best + 2);
    }
    m_p.setFontSize(12);
    // The widest columns are cut down to one width: the largest that lets the set fit.
    const double room = vb::CLng(m_g.W) - 1;
    const auto total = [&](double cap) {
        double sum = 0;
        for (int j = 0; j < widths.size(); ++j)
            sum += narrowable[j] ? qMax(least[j], qMin(widths[j], cap)) : widths[j];
        return sum;
    };
    if (total(0) > room)
        return false;
    double low = 0, high = 0;
    for (double w : widths)
        high = qMax(high, w);
    for (int i = 0; i < 60; ++i) {
        const double mid = (low + high) / 2;
        (total(mid) <= room ? low : high) = mid;
    }
    for (int j = 0; j < widths.size(); ++j)
        if (narrowable[j] && widths[j] > low) {
            widths[j] = qMax(least[j], low);
            m_narrowed[j] = true;
        }
    return true;
}

QStringList ReportPrinter::headingLines(int column) const
{
    const PrnInfos& c = m_cols[column];
    const QString& name = c.Name;
    if (!m_narrowed.value(column) || m_p.TextWidth(name) <= c.Width - 2)
        return {name};
    // As many characters on each line as its width takes, at least one.
    QStringList lines;
    const QList<int> ends = characterEnds(name);
    int start = 0, k = 0;
    while (k < ends.size()) {
        int take = k;
        while (take + 1 < ends.size() && m_p.TextWidth(name.mid(start, ends[take + 1] - start)) <= c.Width - 2)
            ++take;
        lines << name.mid(start, ends[take] - start);
        start = ends[take];
        k = take + 1;
    }
    return lines;
}

QString ReportPrinter::fitCell(QString text, double width) const
{
    text.replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (m_p.TextWidth(text) <= width)
        return text;
    // The longest start of the text that fits with the mark of a cut text.
    const QString mark = QStringLiteral("…");
    const QList<int> ends = characterEnds(text);
    int low = 0, high = ends.size(); // characters kept: low fits, high does not
    while (high - low > 1) {
        const int mid = (low + high) / 2;
        (m_p.TextWidth(text.left(ends[mid - 1]) + mark) <= width ? low : high) = mid;
    }
    return (low > 0 ? text.left(ends[low - 1]) : QString()) + mark;
}

void ReportPrinter::run(const WidthsFn& widthsDone)
{
    m_cols = m_req.columns;
    m_landscape = m_req.landscape;
    const bool grouping = !m_req.groupField.isEmpty();
    if (m_cols.isEmpty())
        throw vb::Error::runtime(vb::errSubscript);

    PlanInput plan;
    for (;;) {
        m_p.setScaleMode(prn::vbMillimeters);
        ui::DoEvents();
        m_p.setDrawStyle(prn::vbSolid);
        ui::DoEvents();

        m_p.setOrientation(m_landscape ? prn::vbPRORLandscape : prn::vbPRORPortrait);
        ui::DoEvents();
        m_g = pageGeometry(m_p.Width(), m_p.Height(), m_landscape, m_req.margins);
        if (m_g.W <= 0 || m_g.RowsPerPage < 1)
            fail(sNoRoom);

        plan.rows = countRows(); // counted in 32 bits: a register may hold more than 32,767 rows
        m_rows.moveFirst();
        plan.groups.clear();
        if (grouping) {
            const int field = m_rows.fieldIndex(m_req.groupField);
            plan.groups.reserve(plan.rows);
            for (; !m_rows.atEnd(); m_rows.moveNext()) {
                const QVariant v = m_rows.value(field);
                plan.groups.append(isNull(v) ? std::nullopt : std::optional<QString>(vb::CStr(v)));
            }
            plan.rows = plan.groups.size();
        }

        if (!m_req.autoDeal) {
            m_sets = m_req.cols;
            break;
        }
        if (m_progress(str(sSizing)))
            fail(sCancelled);
        sizeColumns();
        if (m_sets >= 1)
            break;
        if (m_landscape)
            fail(sTooWide);
        m_p.KillDoc();
        m_landscape = true;
        m_cols = m_req.columns;
    }
    if (m_req.autoDeal && widthsDone)
        widthsDone(m_cols);

    m_fields.clear();
    for (const PrnInfos& c : m_cols)
        m_fields.append(m_rows.fieldIndex(c.Name));

    // Heights of the title, the date line and the headings, as the pages use them.
    setFont(20);
    const double titleH = m_p.TextHeight(m_req.title);
    m_p.setFontSize(12);
    const double dateH = m_p.TextHeight(m_req.date);
    m_p.setFontSize(14);
    int headingRows = 1;
    for (int j = 0; j < m_cols.size(); ++j)
        headingRows = qMax(headingRows, int(headingLines(j).size()));
    const double headH = m_p.TextHeight(QStringLiteral("单位")) * headingRows;
    m_t = tableGeometry(m_g, titleH, dateH, headH);

    plan.rowsPerPage = m_g.RowsPerPage;
    plan.sets = m_sets;
    plan.total = !m_req.total.isEmpty();
    if (!planFits(plan) || m_t.RowHeight <= 0)
        fail(sNoRoom);
    const QList<PlanPage> pages = planPages(plan);
    m_pages = pages.size();

    m_rows.moveFirst();
    m_row = 0;
    for (int i = 0; i < pages.size(); ++i)
        drawPage(i + 1, pages[i], i + 1 == pages.size());
    m_p.EndDoc();
}

void ReportPrinter::blankColumnLines(double setLeft, double rowTop)
{
    m_p.setDrawMode(prn::vbWhiteness);
    m_p.setDrawWidth(1);
    double x = setLeft;
    for (const PrnInfos& c : m_cols) {
        x += c.Width;
        m_p.Line(x, rowTop, x, rowTop + m_t.RowHeight);
    }
    m_p.setDrawMode(prn::vbBlackness);
}

void ReportPrinter::drawPage(int pageNo, const PlanPage& page, bool last)
{
    const QString pageOfPages = QString::number(pageNo) + QLatin1Char('/') + QString::number(m_pages);
    if (m_progress(str(sPrintingPage).replace(QLatin1Char('*'), pageOfPages)))
        fail(sCancelled);
    m_p.setOrientation(m_landscape ? prn::vbPRORLandscape : prn::vbPRORPortrait);
    ui::DoEvents();

    // Title and date line.
    const double X0 = m_g.X0, W = m_g.W, FootY = m_g.FootY;
    setFont(20);
    m_p.setScaleMode(prn::vbMillimeters);
    double y = m_g.Y0;
    printAt(X0 + W / 2 - m_p.TextWidth(m_req.title) / 2, y, m_req.title);
    y += m_p.TextHeight(m_req.title) + 3;
    m_p.setFontSize(12);
    printAt(X0 + W - m_p.TextWidth(m_req.date) - 2, y, m_req.date);
    QString pageText = str(sPageText);
    pageText.replace(QStringLiteral("$P"), QString::number(pageNo)).replace(QStringLiteral("$T"), QString::number(m_pages));
    printAt(X0 + 3, y, pageText);
    const double frameTop = m_t.FrameTop;

    // Frame, headings and grid.
    m_p.setDrawWidth(4);
    m_p.Rectangle(X0, frameTop, X0 + W, FootY);
    m_p.setFontSize(14);
    const double setWidth = W / m_sets;
    const double lineH = m_p.TextHeight(QStringLiteral("单位"));
    for (int k = 0; k < m_sets; ++k) {
        double x = X0 + k * setWidth;
        for (int j = 0; j < m_cols.size(); ++j) {
            const QStringList lines = headingLines(j);
            for (int i = 0; i < lines.size(); ++i)
                printAt(x + (m_cols[j].Width - m_p.TextWidth(lines[i])) / 2, frameTop + 2 + i * lineH, lines[i]);
            x += m_cols[j].Width;
        }
    }
    m_p.setDrawWidth(1);
    const double headBottom = m_t.HeadBottom, rowHeight = m_t.RowHeight;
    m_p.Line(X0, headBottom, X0 + W, headBottom);
    for (int r = 1; r < m_g.RowsPerPage; ++r)
        m_p.Line(X0, headBottom + r * rowHeight, X0 + W, headBottom + r * rowHeight);
    for (int k = 0; k < m_sets; ++k) {
        double x = X0 + k * setWidth;
        for (int j = 0; j < m_cols.size(); ++j) {
            x += m_cols[j].Width;
            const bool lastOfSet = j + 1 == m_cols.size();
            if (lastOfSet && k + 1 == m_sets)
                break; // the frame is there
            m_p.setDrawWidth(lastOfSet ? 3 : 1);
            m_p.Line(x, frameTop, x, FootY);
        }
    }

    // Rows.
    m_p.setFontSize(12);
    for (int k = 0; k < page.sets.size(); ++k) {
        const double setLeft = X0 + k * setWidth;
        const QList<PlanRow>& rows = page.sets[k];
        for (int r = 0; r < rows.size(); ++r) {
            const double rowTop = headBottom + r * rowHeight;
            const PlanRow& pr = rows[r];
            switch (pr.kind) {
            case PlanRow::Total:
                blankColumnLines(setLeft, rowTop);
                m_p.setFontBold(true);
                m_p.setFontItalic(true);
                printAt(setLeft + 1, rowTop + 1, m_req.total);
                m_p.setFontBold(false);
                m_p.setFontItalic(false);
                break;
            case PlanRow::Caption:
                blankColumnLines(setLeft, rowTop);
                printAt(setLeft + (setWidth - m_p.TextWidth(pr.text)) / 2, rowTop + 1, pr.text);
                break;
            case PlanRow::Data: {
                if (m_rows.atEnd() || pr.row != m_row)
                    throw vb::Error(3021, QStringLiteral("无当前记录。"), QStringLiteral("Parvel"));
                double left = setLeft;
                for (int j = 0; j < m_cols.size(); ++j) {
                    const PrnInfos& c = m_cols[j];
                    QString text = cellText(m_rows.value(m_fields[j]), c.NumberFormat);
                    if (m_narrowed.value(j))
                        text = fitCell(text, c.Width - 2);
                    double x;
                    switch (c.Alignment) {
                    case alignRight: x = left + c.Width - m_p.TextWidth(text) - 1; break;
                    case alignCenter: x = left + (c.Width - m_p.TextWidth(text)) / 2; break;
                    default: x = left + 1; break;
                    }
                    if (!text.isEmpty())
                        printAt(x, rowTop + 1, text);
                    left += c.Width;
                }
                m_rows.moveNext();
                ++m_row;
                break;
            }
            }
        }
    }

    // Footer.
    printAt(X0, FootY + 2, m_req.address + QStringLiteral("  ") + m_req.phone);
    const QString op = str(sOperator) + m_req.usrName;
    printAt(X0 + W - m_p.TextWidth(op) - 2, FootY + 2, op);
    if (!last)
        m_p.NewPage();
    ui::DoEvents();
}

} // namespace

QString cellText(const QVariant& value, const QString& numberFormat)
{
    if (isNull(value))
        return QString();
    return numberFormat.isEmpty() ? vb::CStr(value) : vb::Format(value, numberFormat);
}

void printReport(ReportRequest req, RowSource* source, const ProgressFn& progress, const WidthsFn& widthsDone)
{
    if (!source || (source->atStart() && source->atEnd()))
        fail(sNoData);
    progress(str(sPreparing));

    try {
        source->requery();
    } catch (const vb::Error& e) {
        if (e.number() != kOperationNotSupported)
            throw;
    }
    std::unique_ptr<RowSource> clone;
    try {
        clone = source->clone();
    } catch (const vb::Error& e) {
        if (e.number() != kOperationNotSupported)
            throw;
    }
    RowSource& rows = clone ? *clone : *source;
    try {
        ReportPrinter(req, rows, progress).run(widthsDone);
    } catch (...) {
        if (clone) {
            try {
                clone->close();
            } catch (...) {
            }
        }
        throw;
    }
    if (clone)
        clone->close();
}

} // namespace parvel
