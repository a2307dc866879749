#include "main/reports/ui/prnstrs.h"
#include "platform/core/events.h"
#include "platform/core/vberror.h"
#include "platform/core/vbrt.h"
#include "platform/print/printer.h"
#include <limits>

namespace ostrel {

namespace {

qint32 shifted(qint32 shift, qint32 position)
{
    const qint64 sum = qint64(shift) + position;
    if (sum < std::numeric_limits<qint32>::min() || sum > std::numeric_limits<qint32>::max())
        throw vb::Error::runtime(vb::errOverflow);
    return qint32(sum);
}

} // namespace

PrnSTRs::PrnSTRs()
{
    prn::printer().setScaleMode(prn::vbMillimeters);
    ui::DoEvents();
}

void PrnSTRs::KillDoc()
{
    prn::printer().KillDoc();
    ui::DoEvents();
}

void PrnSTRs::EndDoc()
{
    prn::printer().EndDoc();
    ui::DoEvents();
}

bool PrnSTRs::FontBold() const { return prn::printer().FontBold(); }

void PrnSTRs::setFontBold(bool on)
{
    prn::printer().setFontBold(on);
    ui::DoEvents();
}

qint32 PrnSTRs::FontSize() const { return vb::CLng(prn::printer().FontSize()); }

void PrnSTRs::setFontSize(qint32 points)
{
    prn::printer().setFontSize(points);
    ui::DoEvents();
}

QString PrnSTRs::FontName() const { return prn::printer().FontName(); }

void PrnSTRs::setFontName(const QString& name)
{
    prn::printer().setFontName(name);
    ui::DoEvents();
}

void PrnSTRs::PrnSTR(const QString& Text, qint32 X, qint32 Y)
{
    prn::Printer& p = prn::printer();
    p.setCurrentX(shifted(m_leftShift, X));
    ui::DoEvents();
    p.setCurrentY(shifted(m_topShift, Y));
    ui::DoEvents();
    p.Print(Text);
}

} // namespace ostrel
