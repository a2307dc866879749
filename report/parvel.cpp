#include "report/parvel.h"
#include "report/eventlog.h"
#include "report/printjob.h"
#include "report/rowsource.h"
#include "report/strings.h"
#include "platform/core/events.h"
#include "platform/core/vberror.h"
#include "platform/core/vbrt.h"
#include "platform/dao/dao.h"
#include "platform/print/printer.h"
#include <limits>
#include <optional>

namespace parvel {

namespace {
// One report at a time: there is one printer.
bool g_printing = false;
} // namespace

void Parvel::setUsrName(const QString& v) { m_usrName = vb::Trim(v); }
void Parvel::setCompany(const QString& v) { m_company = vb::Trim(v); }
void Parvel::setAddress(const QString& v) { m_address = vb::Trim(v); }
void Parvel::setPhone(const QString& v) { m_phone = vb::Trim(v); }

void Parvel::setPaperSize(qint32 v)
{
    try {
        if (v >= std::numeric_limits<qint16>::min() && v <= std::numeric_limits<qint16>::max())
            prn::printer().setPaperSize(v);
    } catch (...) {
    }
    try {
        ui::DoEvents();
    } catch (...) {
    }
    try {
        m_paperSize = prn::printer().PaperSize();
    } catch (...) {
    }
}

void Parvel::Advise(IParvelEvents* sink) { m_sink = com::ComPtr<IParvelEvents>(sink); }

bool Parvel::raiseStateChg(const QString& text, bool& cancel)
{
    // The handler may detach itself or release this object: both stay alive until it returns.
    const com::ComPtr<IParvelEvents> sink = m_sink;
    if (sink)
        sink->StateChg(text, cancel);
    return cancel;
}

void Parvel::ReportPrint(QList<PrnInfos>& PrnInfo, dao::Recordset* recData, const QString& Title,
                         const QString& sDate, const QString& Total, const QString& AloneName, qint16 Cols,
                         bool AutoDeal, bool PaperRoll)
{
    std::unique_ptr<RowSource> rows;
    if (recData && !recData->isNothing())
        rows = recordsetSource(*recData);
    print(PrnInfo, rows.get(), Title, sDate, Total, AloneName, Cols, AutoDeal, PaperRoll);
}

void Parvel::print(QList<PrnInfos>& PrnInfo, RowSource* rows, const QString& Title, const QString& sDate,
                   const QString& Total, const QString& AloneName, qint16 Cols, bool AutoDeal, bool PaperRoll)
{
    if (g_printing) {
        logFailure(str(sBusy));
        return;
    }
    const com::ComPtr<Parvel> self(this); // a handler may release the host's last reference
    g_printing = true;
    std::optional<ui::BusyCursor> busy(std::in_place);

    ReportRequest req;
    req.columns = PrnInfo;
    req.title = Title;
    req.date = sDate;
    req.total = Total;
    req.groupField = AloneName;
    req.cols = Cols;
    req.autoDeal = AutoDeal;
    req.landscape = PaperRoll;
    req.usrName = m_usrName;
    req.address = m_address;
    req.phone = m_phone;
    req.margins = m_margins;

    prn::Printer& printer = prn::printer();
    const QString previousTitle = printer.jobTitle();
    printer.setJobTitle(Title);
    QString failure;
    // One flag for the whole call: a cancel given at any text stops the print at the next check.
    bool cancel = false;
    try {
        printReport(
            req, rows, [this, &cancel](const QString& text) { return raiseStateChg(text, cancel); },
            [&PrnInfo](const QList<PrnInfos>& cols) {
                for (int i = 0; i < cols.size() && i < PrnInfo.size(); ++i)
                    PrnInfo[i].Width = cols[i].Width;
            });
    } catch (const vb::Error& e) {
        failure = e.description().isEmpty() ? vb::Error::runtimeText(e.number()) : e.description();
    } catch (const std::exception& e) {
        failure = QString::fromUtf8(e.what());
    } catch (...) {
        failure = vb::Error::runtimeText(0);
    }
    if (!failure.isNull()) {
        // Nothing of an unfinished job is printed.
        try {
            printer.KillDoc();
        } catch (...) {
        }
    }
    printer.setJobTitle(previousTitle);
    g_printing = false;
    busy.reset();
    try {
        bool ignored = false;
        raiseStateChg(QString(), ignored);
    } catch (...) {
    }
    if (!failure.isNull())
        logFailure(failure);
}

} // namespace parvel
