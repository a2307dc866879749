#pragma once
// The system printer: one per process, shared by everything that prints.
//
// Coordinates are measured from the corner of the paper in the current scale
// mode (millimetres when the caller switches to them). Text is placed by its
// top-left corner. A job starts with the first thing drawn and ends with
// EndDoc (sent) or KillDoc (dropped, nothing of it is left).
//
// Where the output goes: to the system's default printer when there is one,
// otherwise to a PDF file in the program's folder named after the job's title
// with the date and time (takeLastDocument() tells where), or, for tests, to a
// Recorder that keeps every call.
//
// Failures (no printer, a file that cannot be written, no GUI application)
// raise vb::Error 482 with a description saying what failed.
#include <QList>
#include <QString>
#include <memory>

namespace prn {

enum ScaleMode : int {
    vbTwips = 1, vbPoints = 2, vbPixels = 3, vbInches = 5, vbMillimeters = 6, vbCentimeters = 7,
};
enum Orientation : int { vbPRORPortrait = 1, vbPRORLandscape = 2 };
enum DrawStyle : int {
    vbSolid = 0, vbDash = 1, vbDot = 2, vbDashDot = 3, vbDashDotDot = 4, vbInvisible = 5, vbInsideSolid = 6,
};
// Raster operations the printed page can honour; other modes draw as vbCopyPen.
enum DrawMode : int { vbBlackness = 1, vbNop = 11, vbCopyPen = 13, vbWhiteness = 16 };
// Paper sizes by the platform's numbers.
enum PaperSizes : int {
    vbPRPSLetter = 1, vbPRPSTabloid = 3, vbPRPSLedger = 4, vbPRPSLegal = 5, vbPRPSStatement = 6,
    vbPRPSExecutive = 7, vbPRPSA3 = 8, vbPRPSA4 = 9, vbPRPSA5 = 11, vbPRPSB4 = 12, vbPRPSB5 = 13,
    vbPRPSFolio = 14, vbPRPSEnv10 = 20, vbPRPSEnvDL = 27, vbPRPSEnvC5 = 28,
};

// The size of a paper by its number, portrait, in millimetres; false for an unknown number.
bool paperDimensions(int paperSize, double* widthMm, double* heightMm);

// The installed family that prints a font name ("宋体" and the other Windows names
// map to an installed CJK font).
QString resolveFontFamily(const QString& name);

// One call as a Recorder keeps it. Coordinates in millimetres from the paper's corner.
struct PrintCall {
    enum Kind { BeginDoc, NewPage, Text, Line, Rect, EndDoc, AbortDoc };
    Kind kind = Text;
    int page = 0;             // page the call belongs to (1 = first)
    double x1 = 0, y1 = 0;    // text: top-left corner
    double x2 = 0, y2 = 0;    // text: bottom-right corner (x1 + width, y1 + height)
    QString text;             // text; BeginDoc: the job's title
    QString fontName;         // as set by the caller
    double fontSize = 0;
    bool bold = false, italic = false;
    int drawWidth = 1, drawStyle = vbSolid, drawMode = vbCopyPen;
    // BeginDoc and NewPage: the page's set-up.
    int orientation = vbPRORPortrait, paperSize = vbPRPSA4;
    double pageWidth = 0, pageHeight = 0;
};

// Keeps the calls of every job printed while it is the printer's destination.
class Recorder {
public:
    QList<PrintCall> calls;

    // Every call of one kind, optionally only of one page.
    QList<PrintCall> of(PrintCall::Kind kind, int page = 0) const;
    QStringList texts(int page = 0) const;
    int count(PrintCall::Kind kind) const;
    // Pages of the jobs that were ended (not aborted).
    int pagesSent() const;
    void clear() { calls.clear(); }
};

class Backend;

class Printer {
public:
    enum class Destination { Automatic, Pdf, Recorder };

    Printer();
    ~Printer();
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;

    // Where later jobs go. Automatic: the default printer, or a PDF file when the
    // system has none. A job already running keeps its destination.
    void setDestination(Destination d, std::shared_ptr<Recorder> recorder = nullptr);
    Destination destination() const;
    // The Recorder of the Recorder destination (one is made when none was given).
    std::shared_ptr<Recorder> recorder() const;
    // True when a real printer is available to the Automatic destination.
    static bool systemHasPrinter();
    // Back to the state of a fresh process (drops a running job).
    void reset();

    // Set-up. Paper size and orientation take effect on the next page.
    int ScaleMode() const;
    void setScaleMode(int mode);
    int Orientation() const;
    void setOrientation(int orientation);  // refuses other values than 1 and 2
    int PaperSize() const;
    bool setPaperSize(int paperSize);      // false: unknown or refused, unchanged
    // The page in twips, as oriented.
    int Width() const;
    int Height() const;
    double ScaleWidth() const;
    double ScaleHeight() const;

    // Font.
    QString FontName() const;
    void setFontName(const QString& name);
    double FontSize() const;
    void setFontSize(double points);
    bool FontBold() const;
    void setFontBold(bool on);
    bool FontItalic() const;
    void setFontItalic(bool on);

    // Lines.
    int DrawWidth() const;
    void setDrawWidth(int pixels);   // printer pixels; below 1 counts as 1
    int DrawStyle() const;
    void setDrawStyle(int style);
    int DrawMode() const;
    void setDrawMode(int mode);

    // Position and output.
    double CurrentX() const;
    void setCurrentX(double x);
    double CurrentY() const;
    void setCurrentY(double y);
    double TextWidth(const QString& text) const;   // widest line
    double TextHeight(const QString& text) const;  // all lines
    // Prints at the current position (its top-left), then moves to the start of the next line.
    void Print(const QString& text);
    // A line, or the outline of a box, between two corners; the current position moves to the second.
    void Line(double x1, double y1, double x2, double y2);
    void Rectangle(double x1, double y1, double x2, double y2);
    void NewPage();
    void EndDoc();
    void KillDoc();

    // The running job.
    bool jobActive() const;
    int Page() const;
    QString jobTitle() const;
    void setJobTitle(const QString& title);   // name of the next job; empty = the program's title

    // The file the last PDF job was written to (empty after a real printer or
    // a recorded job); reading clears it.
    QString takeLastDocument();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// The process's printer.
Printer& printer();

} // namespace prn
