#pragma once
// Where a print job's calls end up: a real printer, a PDF file or a Recorder.
#include "platform/print/printer.h"
#include <QDateTime>
#include <memory>

namespace prn {

// The runtime's number of a printer error.
constexpr int kPrinterErrorNumber = 482;
[[noreturn]] void raisePrinterError(const QString& what);

struct PageSpec {
    int paperSize = vbPRPSA4;
    int orientation = vbPRORPortrait;
    double widthMm = 210, heightMm = 297; // as oriented
};

// Calls arrive in millimetres from the paper's corner; BeginDoc and NewPage carry the page's set-up.
class Backend {
public:
    virtual ~Backend() = default;
    virtual void begin(const PrintCall& c) = 0;
    virtual void newPage(const PrintCall& c) = 0;
    virtual void text(const PrintCall& c, double ascentMm) = 0;
    virtual void line(const PrintCall& c) = 0;
    virtual void rect(const PrintCall& c) = 0;
    // Sends the job; returns the file written, if any.
    virtual QString end(const PrintCall& c) = 0;
    // Drops the job: nothing of it is printed or left on disk.
    virtual void abort(const PrintCall& c) = 0;
    // Printer pixels per inch (pen widths are given in them).
    virtual int pixelDpi() const = 0;
};

std::unique_ptr<Backend> makeRecordingBackend(std::shared_ptr<Recorder> recorder);
// Writes into the program's folder.
std::unique_ptr<Backend> makePdfBackend();
std::unique_ptr<Backend> makeSystemPrinterBackend();
bool systemPrinterSupports(double widthMm, double heightMm);

// The file name of a PDF job: the title (unsafe characters replaced), the date and time,
// made unique in the folder.
QString pdfFileName(const QString& folder, const QString& title, const QDateTime& when);

} // namespace prn
