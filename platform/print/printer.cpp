#include "platform/print/printer.h"
#include "platform/print/backends.h"
#include "platform/print/fonts.h"
#include "platform/core/app.h"
#include "platform/core/vberror.h"
#include <QGuiApplication>
#include <QPrinterInfo>
#include <QRegularExpression>

namespace prn {

namespace {

constexpr double kTwipsPerMm = 1440.0 / 25.4;
// Printer pixels of pen widths and of the pixel scale when no real printer says otherwise.
constexpr int kNominalDpi = 600;

struct Paper {
    int code;
    double w, h; // portrait, millimetres
};
const Paper kPapers[] = {
    {vbPRPSLetter, 215.9, 279.4},   {vbPRPSTabloid, 279.4, 431.8}, {vbPRPSLedger, 431.8, 279.4},
    {vbPRPSLegal, 215.9, 355.6},    {vbPRPSStatement, 139.7, 215.9}, {vbPRPSExecutive, 184.15, 266.7},
    {vbPRPSA3, 297, 420},           {vbPRPSA4, 210, 297},          {vbPRPSA5, 148, 210},
    {vbPRPSB4, 257, 364},           {vbPRPSB5, 182, 257},          {vbPRPSFolio, 215.9, 330.2},
    {vbPRPSEnv10, 104.775, 241.3},  {vbPRPSEnvDL, 110, 220},       {vbPRPSEnvC5, 162, 229},
};

bool haveGuiApp() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

} // namespace

bool paperDimensions(int paperSize, double* widthMm, double* heightMm)
{
    for (const Paper& p : kPapers)
        if (p.code == paperSize) {
            if (widthMm)
                *widthMm = p.w;
            if (heightMm)
                *heightMm = p.h;
            return true;
        }
    return false;
}

// --- Recorder ---------------------------------------------------------------

QList<PrintCall> Recorder::of(PrintCall::Kind kind, int page) const
{
    QList<PrintCall> r;
    for (const PrintCall& c : calls)
        if (c.kind == kind && (page == 0 || c.page == page))
            r.append(c);
    return r;
}

QStringList Recorder::texts(int page) const
{
    QStringList r;
    for (const PrintCall& c : of(PrintCall::Text, page))
        r.append(c.text);
    return r;
}

int Recorder::count(PrintCall::Kind kind) const
{
    int n = 0;
    for (const PrintCall& c : calls)
        n += c.kind == kind;
    return n;
}

int Recorder::pagesSent() const
{
    int sent = 0, pages = 0;
    for (const PrintCall& c : calls) {
        if (c.kind == PrintCall::BeginDoc)
            pages = 1;
        else if (c.kind == PrintCall::NewPage)
            ++pages;
        else if (c.kind == PrintCall::EndDoc)
            sent += pages;
    }
    return sent;
}

// --- Printer ----------------------------------------------------------------

struct Printer::Impl {
    Destination destination = Destination::Automatic;
    std::shared_ptr<Recorder> recorder;

    int scaleMode = vbTwips;
    int orientation = vbPRORPortrait;
    int paperSize = vbPRPSA4;
    QString fontName = QStringLiteral("宋体");
    double fontSize = 9;
    bool bold = false, italic = false;
    int drawWidth = 1, drawStyle = vbSolid, drawMode = vbCopyPen;
    double curX = 0, curY = 0; // millimetres

    std::unique_ptr<Backend> job;
    int page = 0;
    bool pendingPage = false; // a new page was asked for and not yet begun
    QString jobTitle;
    QString lastDocument;

    FontMeasure measure;

    double unitsPerMm() const
    {
        switch (scaleMode) {
        case vbTwips: return kTwipsPerMm;
        case vbPoints: return 72.0 / 25.4;
        case vbPixels: return (job ? job->pixelDpi() : kNominalDpi) / 25.4;
        case vbInches: return 1.0 / 25.4;
        case vbCentimeters: return 0.1;
        default: return 1.0;
        }
    }
    double toMm(double v) const { return v / unitsPerMm(); }
    double fromMm(double mm) const { return mm * unitsPerMm(); }

    PageSpec pageSpec() const
    {
        double w = 210, h = 297;
        paperDimensions(paperSize, &w, &h);
        PageSpec s;
        s.paperSize = paperSize;
        s.orientation = orientation;
        s.widthMm = orientation == vbPRORLandscape ? h : w;
        s.heightMm = orientation == vbPRORLandscape ? w : h;
        return s;
    }

    FontSpec fontSpec() const { return FontSpec{fontName, fontSize, bold, italic}; }

    PrintCall call(PrintCall::Kind kind) const
    {
        PrintCall c;
        c.kind = kind;
        c.page = page;
        c.fontName = fontName;
        c.fontSize = fontSize;
        c.bold = bold;
        c.italic = italic;
        c.drawWidth = drawWidth;
        c.drawStyle = drawStyle;
        c.drawMode = drawMode;
        const PageSpec s = pageSpec();
        c.orientation = s.orientation;
        c.paperSize = s.paperSize;
        c.pageWidth = s.widthMm;
        c.pageHeight = s.heightMm;
        return c;
    }

    // A line or a rectangle between two corners in the scale; the pen stays at the second one.
    void figure(PrintCall::Kind kind, double x1, double y1, double x2, double y2)
    {
        ensurePage();
        PrintCall c = call(kind);
        c.x1 = toMm(x1);
        c.y1 = toMm(y1);
        c.x2 = toMm(x2);
        c.y2 = toMm(y2);
        if (kind == PrintCall::Line)
            job->line(c);
        else
            job->rect(c);
        curX = c.x2;
        curY = c.y2;
    }

    void requireGui() const
    {
        if (!haveGuiApp())
            raisePrinterError(QStringLiteral("没有图形界面，无法使用打印机。"));
    }

    std::unique_ptr<Backend> makeBackend()
    {
        switch (destination) {
        case Destination::Recorder:
            return makeRecordingBackend(recorder ? recorder : (recorder = std::make_shared<Recorder>()));
        case Destination::Pdf:
            return makePdfBackend();
        case Destination::Automatic:
            break;
        }
        if (systemHasPrinter())
            return makeSystemPrinterBackend();
        return makePdfBackend();
    }

    // Starts the job, or the page asked for, before something is drawn.
    void ensurePage()
    {
        requireGui();
        if (!job) {
            std::unique_ptr<Backend> b = makeBackend();
            PrintCall c = call(PrintCall::BeginDoc);
            c.page = 1;
            c.text = jobTitle.isEmpty() ? plat::appTitle() : jobTitle;
            b->begin(c);
            job = std::move(b);
            page = 1;
            pendingPage = false;
            lastDocument.clear();
        }
        if (pendingPage) {
            pendingPage = false;
            job->newPage(call(PrintCall::NewPage));
        }
    }

    void dropJob()
    {
        job.reset();
        page = 0;
        pendingPage = false;
    }
};

Printer::Printer() : d(std::make_unique<Impl>()) {}
Printer::~Printer()
{
    if (d->job) {
        try {
            d->job->abort(d->call(PrintCall::AbortDoc));
        } catch (...) {
        }
    }
}

Printer& printer()
{
    static Printer p;
    return p;
}

void Printer::setDestination(Destination dest, std::shared_ptr<Recorder> recorder)
{
    d->destination = dest;
    d->recorder = dest == Destination::Recorder ? std::move(recorder) : nullptr;
}

Printer::Destination Printer::destination() const { return d->destination; }

std::shared_ptr<Recorder> Printer::recorder() const
{
    if (d->destination == Destination::Recorder && !d->recorder)
        d->recorder = std::make_shared<Recorder>();
    return d->recorder;
}

bool Printer::systemHasPrinter()
{
    if (!haveGuiApp())
        return false;
    return !QPrinterInfo::defaultPrinterName().isEmpty() || !QPrinterInfo::availablePrinterNames().isEmpty();
}

void Printer::reset()
{
    if (d->job) {
        try {
            d->job->abort(d->call(PrintCall::AbortDoc));
        } catch (...) {
        }
    }
    d = std::make_unique<Impl>();
}

int Printer::ScaleMode() const { return d->scaleMode; }
void Printer::setScaleMode(int mode)
{
    switch (mode) {
    case vbTwips: case vbPoints: case vbPixels: case vbInches: case vbMillimeters: case vbCentimeters:
        d->scaleMode = mode;
        break;
    default:
        throw vb::Error::runtime(vb::errInvalidCall);
    }
}

int Printer::Orientation() const { return d->orientation; }
void Printer::setOrientation(int orientation)
{
    if (orientation != vbPRORPortrait && orientation != vbPRORLandscape)
        throw vb::Error::runtime(vb::errInvalidCall);
    d->orientation = orientation;
}

int Printer::PaperSize() const { return d->paperSize; }
bool Printer::setPaperSize(int paperSize)
{
    double w, h;
    if (!paperDimensions(paperSize, &w, &h))
        return false;
    if (d->destination == Destination::Automatic && systemHasPrinter() && !systemPrinterSupports(w, h))
        return false;
    d->paperSize = paperSize;
    return true;
}

int Printer::Width() const { return qRound(d->pageSpec().widthMm * kTwipsPerMm); }
int Printer::Height() const { return qRound(d->pageSpec().heightMm * kTwipsPerMm); }
double Printer::ScaleWidth() const { return d->fromMm(d->pageSpec().widthMm); }
double Printer::ScaleHeight() const { return d->fromMm(d->pageSpec().heightMm); }

QString Printer::FontName() const { return d->fontName; }
void Printer::setFontName(const QString& name)
{
    if (!name.trimmed().isEmpty())
        d->fontName = name.trimmed();
}
double Printer::FontSize() const { return d->fontSize; }
void Printer::setFontSize(double points)
{
    if (!(points > 0 && points <= 2048))
        throw vb::Error::runtime(vb::errInvalidCall);
    d->fontSize = points;
}
bool Printer::FontBold() const { return d->bold; }
void Printer::setFontBold(bool on) { d->bold = on; }
bool Printer::FontItalic() const { return d->italic; }
void Printer::setFontItalic(bool on) { d->italic = on; }

int Printer::DrawWidth() const { return d->drawWidth; }
void Printer::setDrawWidth(int pixels) { d->drawWidth = qMax(1, pixels); }
int Printer::DrawStyle() const { return d->drawStyle; }
void Printer::setDrawStyle(int style)
{
    if (style < vbSolid || style > vbInsideSolid)
        throw vb::Error::runtime(vb::errInvalidCall);
    d->drawStyle = style;
}
int Printer::DrawMode() const { return d->drawMode; }
void Printer::setDrawMode(int mode)
{
    if (mode < 1 || mode > 16)
        throw vb::Error::runtime(vb::errInvalidCall);
    d->drawMode = mode;
}

double Printer::CurrentX() const { return d->fromMm(d->curX); }
void Printer::setCurrentX(double x) { d->curX = d->toMm(x); }
double Printer::CurrentY() const { return d->fromMm(d->curY); }
void Printer::setCurrentY(double y) { d->curY = d->toMm(y); }

namespace {
QStringList splitLines(const QString& text)
{
    static const QRegularExpression breaks(QStringLiteral("\r\n|\n|\r"));
    return text.split(breaks);
}
} // namespace

double Printer::TextWidth(const QString& text) const
{
    d->requireGui();
    double w = 0;
    for (const QString& line : splitLines(text))
        w = qMax(w, d->measure.widthMm(d->fontSpec(), line));
    return d->fromMm(w);
}

double Printer::TextHeight(const QString& text) const
{
    d->requireGui();
    return d->fromMm(d->measure.heightMm(d->fontSpec()) * splitLines(text).size());
}

void Printer::Print(const QString& text)
{
    d->ensurePage();
    const FontSpec f = d->fontSpec();
    const double lineHeight = d->measure.heightMm(f);
    const double ascent = d->measure.ascentMm(f);
    double y = d->curY;
    for (const QString& line : splitLines(text)) {
        if (!line.isEmpty()) {
            PrintCall c = d->call(PrintCall::Text);
            c.text = line;
            c.x1 = d->curX;
            c.y1 = y;
            c.x2 = c.x1 + d->measure.widthMm(f, line);
            c.y2 = y + lineHeight;
            d->job->text(c, ascent);
        }
        y += lineHeight;
    }
    d->curX = 0;
    d->curY = y;
}

void Printer::Line(double x1, double y1, double x2, double y2) { d->figure(PrintCall::Line, x1, y1, x2, y2); }

void Printer::Rectangle(double x1, double y1, double x2, double y2) { d->figure(PrintCall::Rect, x1, y1, x2, y2); }

void Printer::NewPage()
{
    d->ensurePage(); // a page asked for before and still empty is kept
    d->pendingPage = true;
    ++d->page;
    d->curX = 0;
    d->curY = 0;
}

void Printer::EndDoc()
{
    if (!d->job)
        return;
    std::unique_ptr<Backend> b = std::move(d->job);
    PrintCall c = d->call(PrintCall::EndDoc);
    if (d->pendingPage)
        --c.page; // the page asked for last was never begun
    d->dropJob();
    d->curX = d->curY = 0;
    d->lastDocument = b->end(c);
}

void Printer::KillDoc()
{
    if (!d->job)
        return;
    std::unique_ptr<Backend> b = std::move(d->job);
    PrintCall c = d->call(PrintCall::AbortDoc);
    d->dropJob();
    d->curX = d->curY = 0;
    b->abort(c);
}

bool Printer::jobActive() const { return d->job != nullptr; }
int Printer::Page() const { return d->job ? d->page : 1; }
QString Printer::jobTitle() const { return d->jobTitle; }
void Printer::setJobTitle(const QString& title) { d->jobTitle = title.trimmed(); }

QString Printer::takeLastDocument() { return std::exchange(d->lastDocument, QString()); }

QString resolveFontFamily(const QString& name) { return FontMeasure::family(name); }

} // namespace prn
