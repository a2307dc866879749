#include "platform/print/backends.h"
#include "platform/print/fonts.h"
#include "platform/core/app.h"
#include "platform/core/vberror.h"
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>

namespace prn {

void raisePrinterError(const QString& what)
{
    throw vb::Error(kPrinterErrorNumber, QStringLiteral("打印机错误：") + what);
}

namespace {

// Resolution the PDF is painted at; pen widths count pixels of a 600 dpi printer.
constexpr int kPdfDpi = 1200;
constexpr int kPdfPixelDpi = 600;

QPageLayout layoutOf(const PrintCall& c)
{
    double w = 210, h = 297;
    paperDimensions(c.paperSize, &w, &h);
    return QPageLayout(QPageSize(QSizeF(w, h), QPageSize::Millimeter),
                       c.orientation == vbPRORLandscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

class RecordingBackend final : public Backend {
public:
    explicit RecordingBackend(std::shared_ptr<Recorder> r) : m_rec(std::move(r)) {}
    void begin(const PrintCall& c) override { m_rec->calls.append(c); }
    void newPage(const PrintCall& c) override { m_rec->calls.append(c); }
    void text(const PrintCall& c, double) override { m_rec->calls.append(c); }
    void line(const PrintCall& c) override { m_rec->calls.append(c); }
    void rect(const PrintCall& c) override { m_rec->calls.append(c); }
    QString end(const PrintCall& c) override
    {
        m_rec->calls.append(c);
        return QString();
    }
    void abort(const PrintCall& c) override { m_rec->calls.append(c); }
    int pixelDpi() const override { return kPdfPixelDpi; }

private:
    std::shared_ptr<Recorder> m_rec;
};

// Drawing on a paged Qt device whose origin is the paper's corner.
class PainterBackend : public Backend {
public:
    void text(const PrintCall& c, double ascentMm) override
    {
        if (c.drawMode == vbNop)
            return;
        m_painter.setFont(deviceFont(FontSpec{c.fontName, c.fontSize, c.bold, c.italic}, m_dpi));
        m_painter.setPen(Qt::black);
        m_painter.drawText(QPointF(dev(c.x1), dev(c.y1 + ascentMm)), c.text);
    }
    void line(const PrintCall& c) override
    {
        if (!setPen(c))
            return;
        m_painter.drawLine(QPointF(dev(c.x1), dev(c.y1)), QPointF(dev(c.x2), dev(c.y2)));
    }
    void rect(const PrintCall& c) override
    {
        if (!setPen(c))
            return;
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawRect(QRectF(QPointF(dev(c.x1), dev(c.y1)), QPointF(dev(c.x2), dev(c.y2))).normalized());
    }

protected:
    double dev(double mm) const { return mm * m_dpi / 25.4; }

    bool setPen(const PrintCall& c)
    {
        if (c.drawMode == vbNop || c.drawStyle == vbInvisible)
            return false;
        QPen pen(c.drawMode == vbWhiteness ? Qt::white : Qt::black);
        pen.setWidthF(qMax(1, c.drawWidth) * double(m_dpi) / pixelDpi());
        pen.setCapStyle(Qt::FlatCap);
        switch (c.drawStyle) {
        case vbDash: pen.setStyle(Qt::DashLine); break;
        case vbDot: pen.setStyle(Qt::DotLine); break;
        case vbDashDot: pen.setStyle(Qt::DashDotLine); break;
        case vbDashDotDot: pen.setStyle(Qt::DashDotDotLine); break;
        default: pen.setStyle(Qt::SolidLine); break;
        }
        m_painter.setPen(pen);
        return true;
    }

    QPainter m_painter;
    double m_dpi = kPdfDpi;
};

class PdfBackend final : public PainterBackend {
public:
    void begin(const PrintCall& c) override
    {
        const QString folder = plat::appPath();
        const QString path = pdfFileName(folder, c.text, QDateTime::currentDateTime());
        m_file = std::make_unique<QSaveFile>(path);
        if (!m_file->open(QIODevice::WriteOnly))
            raisePrinterError(QStringLiteral("无法写入文件 ") + QDir::toNativeSeparators(path));
        m_writer = std::make_unique<QPdfWriter>(m_file.get());
        m_writer->setResolution(kPdfDpi);
        m_writer->setPageLayout(layoutOf(c));
        m_writer->setTitle(c.text);
        m_writer->setCreator(plat::appTitle());
        m_dpi = kPdfDpi;
        if (!m_painter.begin(m_writer.get())) {
            m_file->cancelWriting();
            raisePrinterError(QStringLiteral("无法写入文件 ") + QDir::toNativeSeparators(path));
        }
    }
    void newPage(const PrintCall& c) override
    {
        m_writer->setPageLayout(layoutOf(c));
        m_writer->newPage();
    }
    QString end(const PrintCall&) override
    {
        m_painter.end();
        const QString path = m_file->fileName();
        m_writer.reset();
        if (!m_file->commit())
            raisePrinterError(QStringLiteral("无法写入文件 ") + QDir::toNativeSeparators(path));
        m_file.reset();
        return path;
    }
    void abort(const PrintCall&) override
    {
        if (m_painter.isActive())
            m_painter.end();
        m_writer.reset();
        if (m_file)
            m_file->cancelWriting();
        m_file.reset();
    }
    int pixelDpi() const override { return kPdfPixelDpi; }
    ~PdfBackend() override { abort(PrintCall()); }

private:
    std::unique_ptr<QSaveFile> m_file;
    std::unique_ptr<QPdfWriter> m_writer;
};

class SystemPrinterBackend final : public PainterBackend {
public:
    SystemPrinterBackend() : m_printer(QPrinterInfo::defaultPrinter(), QPrinter::HighResolution) {}
    void begin(const PrintCall& c) override
    {
        if (!m_printer.isValid())
            raisePrinterError(QStringLiteral("没有可用的打印机。"));
        m_printer.setFullPage(true);
        m_printer.setDocName(c.text);
        m_printer.setPageLayout(layoutOf(c));
        m_dpi = m_printer.resolution();
        if (!m_painter.begin(&m_printer))
            raisePrinterError(QStringLiteral("无法开始打印 ") + m_printer.printerName());
    }
    void newPage(const PrintCall& c) override
    {
        m_printer.setPageLayout(layoutOf(c));
        if (!m_printer.newPage())
            raisePrinterError(QStringLiteral("无法开始新的一页"));
    }
    QString end(const PrintCall&) override
    {
        if (!m_painter.end())
            raisePrinterError(QStringLiteral("无法完成打印 ") + m_printer.printerName());
        return QString();
    }
    void abort(const PrintCall&) override
    {
        if (m_painter.isActive()) {
            m_printer.abort();
            m_painter.end();
        }
    }
    int pixelDpi() const override { return m_printer.resolution(); }
    ~SystemPrinterBackend() override { abort(PrintCall()); }

private:
    QPrinter m_printer;
};

} // namespace

std::unique_ptr<Backend> makeRecordingBackend(std::shared_ptr<Recorder> recorder)
{
    return std::make_unique<RecordingBackend>(std::move(recorder));
}

std::unique_ptr<Backend> makePdfBackend() { return std::make_unique<PdfBackend>(); }

std::unique_ptr<Backend> makeSystemPrinterBackend() { return std::make_unique<SystemPrinterBackend>(); }

bool systemPrinterSupports(double widthMm, double heightMm)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return true;
    const QList<QPageSize> sizes = info.supportedPageSizes();
    if (sizes.isEmpty() || info.supportsCustomPageSizes())
        return true;
    for (const QPageSize& s : sizes) {
        const QSizeF mm = s.size(QPageSize::Millimeter);
        if (qAbs(mm.width() - widthMm) < 1 && qAbs(mm.height() - heightMm) < 1)
            return true;
    }
    return false;
}

QString pdfFileName(const QString& folder, const QString& title, const QDateTime& when)
{
    QString base;
    for (const QChar ch : title.trimmed()) {
        if (ch.unicode() < 32 || QStringLiteral("/\\:*?\"<>|").contains(ch))
            base += QLatin1Char('_');
        else
            base += ch;
    }
    while (base.startsWith(QLatin1Char('.')))
        base.remove(0, 1);
    base = base.trimmed();
    if (base.isEmpty())
        base = QStringLiteral("打印");
    if (base.size() > 80)
        base.truncate(80);
    base += QLatin1Char('_') + when.toString(QStringLiteral("yyyyMMdd_HHmmss"));
    const QDir dir(folder);
    QString name = base + QStringLiteral(".pdf");
    for (int n = 2; QFileInfo::exists(dir.filePath(name)); ++n)
        name = base + QStringLiteral("_%1.pdf").arg(n);
    return dir.filePath(name);
}

} // namespace prn
