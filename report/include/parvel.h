#pragma once
// The report library Parvel: prints the rows of a record set as a titled,
// paginated table on the system printer (see platform/print/printer.h for where
// the output goes).
//
//   com::ComPtr<parvel::IParvel> rpt = com::createObject<parvel::IParvel>(parvel::CLSID_Parvel());
//   rpt->setPaperSize(9);
//   QList<parvel::PrnInfos> cols = {{QStringLiteral("设备编号")}, {QStringLiteral("设备名称")}};
//   rpt->ReportPrint(cols, &records, QStringLiteral("设备清单"), dateText, totalText);
//
// ReportPrint never raises an error: a failed print is written to the application event
// log under "Parvel" (platform/core/eventlog.h, where the host can read it back) and the
// call returns normally. Progress and cancelling go
// through the event sink attached with Advise.
#include "shared/com/com.h"
#include <QList>
#include <QString>

namespace dao {
class Recordset;
}

namespace parvel {

// The creatable class.
inline const com::CLSID& CLSID_Parvel()
{
    static const com::CLSID c(QStringLiteral("{B2EAC6B6-1BB1-11D6-BB97-0010B566949E}"));
    return c;
}
inline const char* progId() { return "Parvels.Parvel"; }

enum Alignment : qint16 { alignLeft = 0, alignRight = 1, alignCenter = 2 };

// One printed column.
struct PrnInfos {
    QString Name;           // the record-set field printed, and the column's heading
    float Width = 0;        // millimetres; overwritten when ReportPrint sizes the columns
    qint16 Alignment = alignLeft;
    QString NumberFormat;   // display format of the cells (Format patterns); empty: none
};

// The events of a Parvel object (the host implements it).
struct IParvelEvents : com::IUnknown {
    COM_INTERFACE_ID("{B1EB6D0A-2A98-11D6-BB97-0010B566949E}")
    // Information: a progress text, or the empty text when printing has stopped.
    // Setting Cancel stops the print at the next check.
    virtual void StateChg(const QString& Information, bool& Cancel) = 0;

protected:
    ~IParvelEvents() = default;
};

struct IParvel : com::IUnknown {
    COM_INTERFACE_ID("{B1EB6D08-2A98-11D6-BB97-0010B566949E}")

    // Prints the report. recData null or without rows: nothing is printed.
    // With AutoDeal the computed widths are written into PrnInfo and the number of
    // column sets is chosen; a set wider than the landscape page has its widest text
    // columns narrowed, their headings on two lines and their texts cut to the cell.
    // Without it, Cols sets of the widths given are printed.
    // PaperRoll true prints landscape; false portrait, falling back to landscape when
    // the columns do not fit.
    virtual void ReportPrint(QList<PrnInfos>& PrnInfo, dao::Recordset* recData = nullptr,
                             const QString& Title = QString(), const QString& sDate = QString(),
                             const QString& Total = QString(), const QString& AloneName = QString(),
                             qint16 Cols = 0, bool AutoDeal = true, bool PaperRoll = true) = 0;

    // Operator name, printed in the footer after "操作员：".
    virtual QString UsrName() const = 0;
    virtual void setUsrName(const QString& v) = 0;
    // Organisation: kept, not printed.
    virtual QString Company() const = 0;
    virtual void setCompany(const QString& v) = 0;
    // Printed at the left of the footer, followed by the telephone.
    virtual QString Address() const = 0;
    virtual void setAddress(const QString& v) = 0;
    // Margins in millimetres, named for the landscape page.
    virtual float Left() const = 0;
    virtual void setLeft(float v) = 0;
    virtual float Right() const = 0;
    virtual void setRight(float v) = 0;
    virtual float Top() const = 0;
    virtual void setTop(float v) = 0;
    virtual float Bottom() const = 0;
    virtual void setBottom(float v) = 0;
    virtual QString Phone() const = 0;
    virtual void setPhone(const QString& v) = 0;
    // The system printer's paper size by its number (9 = A4); the setter stores what
    // the printer accepted.
    virtual qint32 PaperSize() const = 0;
    virtual void setPaperSize(qint32 v) = 0;

    // Attaches the event sink (null detaches). The object holds a counted reference.
    virtual void Advise(IParvelEvents* sink) = 0;

protected:
    ~IParvel() = default;
};

} // namespace parvel
