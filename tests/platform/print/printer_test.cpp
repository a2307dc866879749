#include <gtest/gtest.h>
#include "platform/print/printer.h"
#include "platform/print/backends.h"
#include "platform/core/vberror.h"
#include "tests/common/testutil.h"
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

namespace {

// The process's printer, fresh, recording into `rec` while the test runs.
struct RecordingPrinter {
    std::shared_ptr<prn::Recorder> rec = std::make_shared<prn::Recorder>();
    prn::Printer& p = prn::printer();
    RecordingPrinter()
    {
        p.reset();
        p.setDestination(prn::Printer::Destination::Recorder, rec);
        p.setScaleMode(prn::vbMillimeters);
    }
    ~RecordingPrinter() { p.reset(); }
};

QString run(const QString& program, const QStringList& args)
{
    QProcess proc;
    proc.start(program, args);
    proc.waitForFinished(60000);
    return QString::fromUtf8(proc.readAllStandardOutput());
}

TEST(Printer, PaperSizesAndOrientation)
{
    RecordingPrinter r;
    EXPECT_EQ(r.p.PaperSize(), prn::vbPRPSA4);
    EXPECT_EQ(r.p.Orientation(), prn::vbPRORPortrait);
    EXPECT_EQ(r.p.Width(), 11906);
    EXPECT_EQ(r.p.Height(), 16838);
    r.p.setOrientation(prn::vbPRORLandscape);
    EXPECT_EQ(r.p.Width(), 16838);
    EXPECT_NEAR(r.p.ScaleWidth(), 297, 1e-9);
    EXPECT_NEAR(r.p.ScaleHeight(), 210, 1e-9);
    EXPECT_THROW(r.p.setOrientation(3), vb::Error);

    EXPECT_TRUE(r.p.setPaperSize(prn::vbPRPSA3));
    EXPECT_NEAR(r.p.ScaleWidth(), 420, 1e-9);
    EXPECT_FALSE(r.p.setPaperSize(100000));
    EXPECT_FALSE(r.p.setPaperSize(2));
    EXPECT_EQ(r.p.PaperSize(), prn::vbPRPSA3);

    // Set-up changes reach the next page, not the one being drawn.
    r.p.Print(QStringLiteral("x"));
    r.p.setOrientation(prn::vbPRORPortrait);
    r.p.NewPage();
    r.p.Print(QStringLiteral("y"));
    r.p.EndDoc();
    const auto begin = r.rec->of(prn::PrintCall::BeginDoc);
    const auto next = r.rec->of(prn::PrintCall::NewPage);
    ASSERT_EQ(begin.size(), 1);
    ASSERT_EQ(next.size(), 1);
    EXPECT_EQ(begin[0].orientation, prn::vbPRORLandscape);
    EXPECT_DOUBLE_EQ(begin[0].pageWidth, 420);
    EXPECT_EQ(next[0].orientation, prn::vbPRORPortrait);
    EXPECT_DOUBLE_EQ(next[0].pageWidth, 297);
}

TEST(Printer, WindowsFontNamesMapToInstalledFonts)
{
    for (const char* name : {"宋体", "SimSun", "黑体", "楷体_GB2312", "微软雅黑", "NoSuchFont"})
        EXPECT_EQ(prn::resolveFontFamily(QString::fromUtf8(name)), QStringLiteral("WenQuanYi Micro Hei")) << name;
    EXPECT_EQ(prn::resolveFontFamily(QStringLiteral("DejaVu Serif")), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(prn::resolveFontFamily(QStringLiteral("Arial")), QStringLiteral("DejaVu Sans"));

    RecordingPrinter r;
    r.p.setFontName(QStringLiteral("宋体"));
    EXPECT_EQ(r.p.FontName(), QStringLiteral("宋体"));
    r.p.setFontSize(12);
    const double w12 = r.p.TextWidth(QStringLiteral("设备清单"));
    const double h12 = r.p.TextHeight(QStringLiteral("设备清单"));
    // Four CJK glyphs are about four ems of 12 points (4.23 mm each).
    EXPECT_NEAR(w12, 4 * 12 * 25.4 / 72, 1.0);
    r.p.setFontSize(24);
    EXPECT_NEAR(r.p.TextWidth(QStringLiteral("设备清单")), 2 * w12, 0.01);
    EXPECT_NEAR(r.p.TextHeight(QStringLiteral("a\nb")), 4 * h12, 0.02);
    EXPECT_DOUBLE_EQ(r.p.TextWidth(QString()), 0);
    EXPECT_THROW(r.p.setFontSize(0), vb::Error);
}

TEST(Printer, RecordsCallsInMillimetresFromTheCorner)
{
    RecordingPrinter r;
    r.p.setFontSize(12);
    r.p.setFontBold(true);
    r.p.setCurrentX(10);
    r.p.setCurrentY(20);
    r.p.Print(QStringLiteral("报表"));
    const double h = r.p.TextHeight(QStringLiteral("报表"));
    EXPECT_DOUBLE_EQ(r.p.CurrentX(), 0);
    EXPECT_NEAR(r.p.CurrentY(), 20 + h, 1e-9);

    r.p.setDrawWidth(4);
    r.p.setDrawStyle(prn::vbDot);
    r.p.setDrawMode(prn::vbWhiteness);
    r.p.Line(1, 2, 3, 4);
    EXPECT_DOUBLE_EQ(r.p.CurrentX(), 3);
    r.p.setDrawWidth(0);
    r.p.Rectangle(5, 6, 7, 8);

    // Twips: 567 twips are 10 mm.
    r.p.setScaleMode(prn::vbTwips);
    r.p.setCurrentX(567);
    r.p.setCurrentY(1134);
    r.p.Print(QStringLiteral("t"));
    r.p.EndDoc();

    const auto texts = r.rec->of(prn::PrintCall::Text);
    ASSERT_EQ(texts.size(), 2);
    EXPECT_EQ(texts[0].text, QStringLiteral("报表"));
    EXPECT_DOUBLE_EQ(texts[0].x1, 10);
    EXPECT_DOUBLE_EQ(texts[0].y1, 20);
    EXPECT_NEAR(texts[0].y2 - texts[0].y1, h, 1e-9);
    EXPECT_TRUE(texts[0].bold);
    EXPECT_DOUBLE_EQ(texts[0].fontSize, 12);
    EXPECT_NEAR(texts[1].x1, 10.0, 0.01);
    EXPECT_NEAR(texts[1].y1, 20.0, 0.01);

    const auto line = r.rec->of(prn::PrintCall::Line);
    ASSERT_EQ(line.size(), 1);
    EXPECT_EQ(line[0].drawWidth, 4);
    EXPECT_EQ(line[0].drawStyle, prn::vbDot);
    EXPECT_EQ(line[0].drawMode, prn::vbWhiteness);
    EXPECT_DOUBLE_EQ(line[0].y2, 4);
    const auto rect = r.rec->of(prn::PrintCall::Rect);
    ASSERT_EQ(rect.size(), 1);
    EXPECT_EQ(rect[0].drawWidth, 1);
    EXPECT_EQ(r.rec->pagesSent(), 1);
}

TEST(Printer, JobsAndPages)
{
    RecordingPrinter r;
    EXPECT_FALSE(r.p.jobActive());
    r.p.EndDoc(); // nothing to end
    r.p.KillDoc();
    EXPECT_TRUE(r.rec->calls.isEmpty());

    r.p.setJobTitle(QStringLiteral("清单"));
    r.p.Print(QStringLiteral("1"));
    EXPECT_TRUE(r.p.jobActive());
    EXPECT_EQ(r.p.Page(), 1);
    r.p.NewPage();
    EXPECT_EQ(r.p.Page(), 2);
    r.p.Print(QStringLiteral("2"));
    r.p.NewPage(); // directly followed by the end: no empty page
    r.p.EndDoc();
    EXPECT_EQ(r.rec->pagesSent(), 2);
    EXPECT_EQ(r.rec->of(prn::PrintCall::BeginDoc)[0].text, QStringLiteral("清单"));
    EXPECT_EQ(r.rec->texts(2), QStringList{QStringLiteral("2")});
    EXPECT_EQ(r.rec->of(prn::PrintCall::EndDoc)[0].page, 2);

    // Two page breaks in a row keep the empty page between them.
    r.rec->clear();
    r.p.Print(QStringLiteral("a"));
    r.p.NewPage();
    r.p.NewPage();
    r.p.Print(QStringLiteral("c"));
    r.p.EndDoc();
    EXPECT_EQ(r.rec->pagesSent(), 3);
    EXPECT_EQ(r.rec->texts(3), QStringList{QStringLiteral("c")});

    // Without a Recorder of its own the printer makes one.
    r.p.setDestination(prn::Printer::Destination::Recorder);
    r.p.Print(QStringLiteral("own"));
    r.p.EndDoc();
    ASSERT_TRUE(r.p.recorder());
    EXPECT_EQ(r.p.recorder()->texts(), QStringList{QStringLiteral("own")});
    r.p.setDestination(prn::Printer::Destination::Recorder, r.rec);

    // An aborted job sends nothing.
    r.rec->clear();
    r.p.Print(QStringLiteral("x"));
    r.p.KillDoc();
    EXPECT_FALSE(r.p.jobActive());
    EXPECT_EQ(r.rec->pagesSent(), 0);
    EXPECT_EQ(r.rec->count(prn::PrintCall::AbortDoc), 1);
}

TEST(PrinterPdf, WritesThePdfIntoTheProgramFolder)
{
    testutil::ProgramFolder folder;
    prn::Printer& p = prn::printer();
    p.reset();
    p.setDestination(prn::Printer::Destination::Pdf);
    p.setScaleMode(prn::vbMillimeters);
    p.setJobTitle(QStringLiteral("设备/卡片"));
    p.setFontName(QStringLiteral("宋体"));
    p.setFontSize(12);
    p.setCurrentX(20);
    p.setCurrentY(30);
    p.Print(QStringLiteral("设备编号 D0001"));
    p.Rectangle(10, 10, 100, 50);
    p.NewPage();
    p.Print(QStringLiteral("第二页"));
    p.EndDoc();
    const QString path = p.takeLastDocument();
    EXPECT_TRUE(p.takeLastDocument().isEmpty());
    p.reset();

    ASSERT_FALSE(path.isEmpty());
    const QFileInfo info(path);
    EXPECT_EQ(info.absolutePath(), QFileInfo(folder.path()).absoluteFilePath());
    EXPECT_TRUE(info.fileName().startsWith(QStringLiteral("设备_卡片_"))) << info.fileName().toStdString();
    EXPECT_TRUE(info.fileName().endsWith(QStringLiteral(".pdf")));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 1);

    const QString pdfInfo = run(QStringLiteral("pdfinfo"), {path});
    EXPECT_TRUE(pdfInfo.contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\b")))) << pdfInfo.toStdString();
    EXPECT_TRUE(pdfInfo.contains(QRegularExpression(QStringLiteral("Page size:\\s+595(\\.\\d+)? x 84[12]")))) << pdfInfo.toStdString();
    QString text = run(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    text.remove(QRegularExpression(QStringLiteral("\\s")));
    EXPECT_TRUE(text.contains(QStringLiteral("设备编号D0001"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("第二页")));
}

TEST(PrinterPdf, AbortedJobLeavesNoFile)
{
    testutil::ProgramFolder folder;
    prn::Printer& p = prn::printer();
    p.reset();
    p.setDestination(prn::Printer::Destination::Pdf);
    p.Print(QStringLiteral("draft"));
    p.NewPage();
    p.Print(QStringLiteral("more"));
    p.KillDoc();
    EXPECT_TRUE(p.takeLastDocument().isEmpty());
    p.reset();
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).isEmpty());
}

TEST(PrinterPdf, WithoutASystemPrinterJobsBecomePdfFiles)
{
    if (prn::Printer::systemHasPrinter())
        GTEST_SKIP() << "this system has a printer";
    testutil::ProgramFolder folder;
    prn::Printer& p = prn::printer();
    p.reset();
    ASSERT_EQ(p.destination(), prn::Printer::Destination::Automatic);
    p.Print(QStringLiteral("x"));
    p.EndDoc();
    const QString path = p.takeLastDocument();
    p.reset();
    EXPECT_TRUE(QFileInfo(path).isFile());
    EXPECT_EQ(QFileInfo(path).absolutePath(), QFileInfo(folder.path()).absoluteFilePath());
}

TEST(PrinterPdf, FileNames)
{
    testutil::ProgramFolder folder;
    const QDateTime when(QDate(2026, 3, 4), QTime(5, 6, 7));
    const QString a = prn::pdfFileName(folder.path(), QStringLiteral(" 报表:a*b? "), when);
    EXPECT_EQ(QFileInfo(a).fileName(), QStringLiteral("报表_a_b__20260304_050607.pdf"));
    QFile f(a);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_EQ(QFileInfo(prn::pdfFileName(folder.path(), QStringLiteral(" 报表:a*b? "), when)).fileName(),
              QStringLiteral("报表_a_b__20260304_050607_2.pdf"));
    EXPECT_EQ(QFileInfo(prn::pdfFileName(folder.path(), QStringLiteral("../.."), when)).fileName(),
              QStringLiteral("_.._20260304_050607.pdf"));
    EXPECT_TRUE(QFileInfo(prn::pdfFileName(folder.path(), QString(), when)).fileName().startsWith(QStringLiteral("打印_")));
}

} // namespace
