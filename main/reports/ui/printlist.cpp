#include "main/reports/ui/printlist.h"
#include "main/core/mdlmisc.h"
#include "main/core/ui/mdlwidgets.h"
#include "main/core/schema.h"
#include "main/core/strings.h"
#include "main/core/globals.h"
#include "main/core/usrinfos.h"
#include "platform/core/app.h"
#include "platform/core/eventlog.h"
#include "platform/core/events.h"
#include "platform/core/format.h"
#include "platform/core/msgbox.h"
#include "platform/print/printer.h"
#include "shared/com/create.h"
#include <QAbstractItemModel>
#include <QDir>
#include <QRandomGenerator>

namespace ostrel {

com::ComPtr<parvel::IParvel> gReport;

namespace {

constexpr int kNotShown = 1005;
constexpr int kNothingToPrint = 1110;
constexpr int kNotPrinted = 1111;
// The name the report library logs its failures under.
const QString kReportSource = QStringLiteral("Parvel");

bool isTextField(int type) { return type == dao::dbText || type == dao::dbChar || type == dao::dbMemo; }

// Copies the headers and top-level rows of a list view into the temporary table.
dao::Recordset copyList(TempPrintDatabase& tmp, const QAbstractItemModel& list)
{
    const int columns = list.columnCount();
    for (int c = 0; c < columns; ++c)
        AppendField(tmp.table(), list.headerData(c, Qt::Horizontal).toString(), kPrintTextType);
    dao::Recordset rs = tmp.Create();
    auto& model = const_cast<QAbstractItemModel&>(list);
    while (model.canFetchMore(QModelIndex()))
        model.fetchMore(QModelIndex());
    RowBatches batches;
    for (int r = 0; r < list.rowCount(); ++r) {
        rs.AddNew();
        for (int c = 0; c < columns; ++c)
            rs.Fields(c).setValue(vb::CStr(list.data(list.index(r, c))));
        rs.Update();
        batches.added();
    }
    batches.finish();
    return rs;
}

} // namespace

RowBatches::RowBatches(int size) : m_size(size) { m_batch.emplace(); }

void RowBatches::added()
{
    if (++m_rows % m_size == 0) {
        finish();
        m_batch.emplace();
    }
}

void RowBatches::finish()
{
    if (m_batch) {
        m_batch->commit();
        m_batch.reset();
    }
}

QString OrganisationName() { return QStringLiteral("设备管理中心"); }

TempPrintDatabase::TempPrintDatabase()
{
    const QString connect = QStringLiteral(";pwd=") + schema::databasePassword();
    // rows of the register: readable by no one who may not read it
    const QString source = gDatabase.isNothing() ? plat::appFile(QStringLiteral("Ostrel.mdb")) : gDatabase.Name();
    dao::Database created;
    for (int attempt = 0;; ++attempt) {
        m_path = plat::appFile(QStringLiteral("Tmp_DB_") +
                               QString::number(QRandomGenerator::global()->generate64(), 36) + QStringLiteral(".tmp"));
        try {
            created = dao::DBEngine::CreateDatabase(
                m_path, QString::fromLatin1(dao::dbLangChineseSimplified) + connect, dao::dbVersion30, source);
            break;
        } catch (const vb::Error& e) {
            if (e.number() != dao::err::DatabaseExists || attempt >= 10)
                throw;
        }
    }
    try {
        // opened again as a file that holds everything by itself
        created.CloseToOneFile();
        m_db = dao::DBEngine::OpenDatabase(m_path, false, false, connect);
        m_table = m_db.CreateTableDef(QStringLiteral("tmp_Tbl"));
    } catch (...) {
        if (!m_db.isNothing())
            m_db.Close();
        dao::RemoveDatabaseFile(m_path);
        throw;
    }
}

TempPrintDatabase::~TempPrintDatabase()
{
    try {
        if (!m_db.isNothing())
            m_db.Close();
    } catch (...) {
    }
    dao::RemoveDatabaseFile(m_path);
}

dao::Recordset TempPrintDatabase::Create()
{
    m_db.TableDefs().Append(m_table);
    return m_db.OpenRecordset(m_table.Name());
}

QList<parvel::PrnInfos> ColumnInfos(const dao::Recordset& rs)
{
    QList<parvel::PrnInfos> infos;
    const dao::Fields fields = rs.Fields();
    for (int i = 0; i < fields.Count(); ++i) {
        const dao::Field f = fields.Item(i);
        infos.append({f.Name(), 0, qint16(isTextField(f.Type()) ? parvel::alignRight : parvel::alignLeft), QString()});
    }
    return infos;
}

void PrintList(const QString& Title, const QDateTime& PrintDate, const QAbstractItemModel* SourceList,
               dao::Recordset* SourceRecords)
{
    const QString dateText = vb::Format(PrintDate, QStringLiteral("yyyy年mm月dd日"));
    std::unique_ptr<TempPrintDatabase> tmp;
    dao::Recordset rs;
    RecordsetCloser closer{rs};
    if (SourceRecords && !SourceRecords->isNothing()) {
        rs = SourceRecords->Clone();
    } else {
        if (!SourceList)
            throw vb::Error::runtime(vb::errObjectNotSet);
        tmp = std::make_unique<TempPrintDatabase>();
        rs = copyList(*tmp, *SourceList);
    }
    qint64 count = 0;
    if (!(rs.Bof() && rs.Eof())) {
        rs.MoveLast();
        count = rs.RecordCount();
        rs.MoveFirst();
    }
    if (count == 0)
        throw vb::Error(vb::componentError(kNothingToPrint), Str(kNothingToPrint));
    const QString total = QStringLiteral("记录共计:") + QString::number(count);
    QList<parvel::PrnInfos> infos = ColumnInfos(rs);

    gReport = com::createObject<parvel::IParvel>(parvel::CLSID_Parvel());
    gReport->setPaperSize(9);
    gReport->setCompany(OrganisationName());
    if (gUsrInfos)   // the footer's operator
        gReport->setUsrName(gUsrInfos->UsrName());
    // The library reports nothing to its caller: a print it gave up is told by its log entry.
    plat::TakeLastEvent(kReportSource);
    gReport->ReportPrint(infos, &rs, Title, dateText, total, QString(), 0, true, true);
    const QString failure = plat::TakeLastEvent(kReportSource);
    if (!failure.isNull())
        throw vb::Error(vb::componentError(kNotPrinted), Str(kNotPrinted, failure));
}

void ShowPrintedFile()
{
    const QString file = prn::printer().takeLastDocument();
    if (!file.isEmpty())
        ui::MsgBox(QStringLiteral("没有可用的打印机，已打印到文件：\r\n") + QDir::toNativeSeparators(file),
                   ui::vbInformation);
}

qint32 PrintListView(const QString& Title, const QDateTime& PrintDate, const QAbstractItemModel* SourceList,
                     dao::Recordset* SourceRecords)
{
    try {
        PrintList(Title, PrintDate, SourceList, SourceRecords);
        ShowPrintedFile();
        return 1;
    } catch (const std::exception& e) {
        const auto* v = dynamic_cast<const vb::Error*>(&e);
        if (!v || v->number() != kNotShown)
            ReportError(e);
    }
    return 0;
}

qint32 AppendField(dao::TableDef& Table, const QString& FieldName, qint16 FieldType, qint32 Ordinal,
                   qint32 Attributes, qint32 Size, bool Silent)
{
    try {
        dao::Field f = Table.CreateField();
        f.setName(FieldName);
        f.setType(FieldType);
        if (Ordinal >= 0)
            f.setOrdinalPosition(Ordinal);
        if (isTextField(FieldType))
            f.setAllowZeroLength(true);
        f.setAttributes(Attributes);
        if (Size >= 0)
            f.setSize(Size);
        Table.Fields().Append(f);
        return 1;
    } catch (const vb::Error& e) {
        if (e.number() == dao::err::FieldExists)
            return 0;
        if (!Silent)
            ui::MsgBox(e.description() + QStringLiteral("\r\n Err:[No ") + QString::number(e.number()) +
                           QLatin1Char(']'),
                       ui::vbExclamation);
    }
    return 0;
}

} // namespace ostrel
