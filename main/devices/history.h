#pragma once
// Registering a device's history: one procedure per kind adds its row to Transfer, Maintain,
// Checks or Discard and makes its change to the device row; AddDocuments stores files in
// Dev_Docs.
//
// QtCore only. They open no transaction: the caller runs a whole registration in one
//   dao::Transaction tx; devices::AddTransfer(t); devices::AddDocuments(d, files); tx.commit();
// and every procedure refuses to run outside one (error 3034), so that keys are taken
// ("highest + 1") inside the transaction that writes them. Every failure is raised as
// vb::Error; the caller's transaction then rolls everything back.
#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>

namespace ostrel::devices {

// What every history row carries. Codes are [No] of a SysInfo list.
struct HistoryCommon {
    qint32 devId = 0;
    QVariant handler;  // [经办人], list "Trans"
    QDateTime date;    // [日期]
    QString memo;      // [备注]
    QVariant userId;   // [O_ID], the registering user's UsrID
};

struct TransferEntry : HistoryCommon {
    QVariant fromDepart; // [Sur_ID], list "Departs"
    QVariant toDepart;   // [Tar_ID] and the device's [Dep_ID]
    QString fromPlace;   // [调前地点]
    QString toPlace;     // [调后地点] as typed; trimmed into the device's [安装地点]
};

struct MaintainEntry : HistoryCommon {
    QVariant kind;   // [MType], list "MTypes"
    QVariant vendor; // [Main_ID], list "Mains"
    QString cost;    // typed; the number it wholly is (0 for blanks) becomes [费用]
};

struct CheckEntry : HistoryCommon {
    QVariant before; // [原验收状况], list "Check"
    QVariant after;  // [现验收状况] and the device's [验收状况]
};

struct DiscardEntry : HistoryCommon {
    QString residual; // typed; the number it wholly is (0 for blanks) becomes [残值收入]
    QString result;   // [Result] as typed
};

// Each adds its row (key: GetNewID on the table's [ID]) and returns the key. Transfer,
// check and discard then edit the device row (discard sets [设备状况] to 4); a missing
// device raises the engine's error 3021.
qint32 AddTransfer(const TransferEntry& e);
qint32 AddMaintain(const MaintainEntry& e);
qint32 AddCheck(const CheckEntry& e);
qint32 AddDiscard(const DiscardEntry& e);

// [Dev_Docs].[Type] of files attached to a registration; a document of its own takes the
// code of list "DType" chosen for it.
enum DocType : qint32 { DocTransfer = 11, DocMaintain = 12, DocCheck = 13, DocDiscard = 14 };

struct DocumentInfo {
    qint32 devId = 0;
    qint32 type = 0;   // [Type]
    QDateTime date;    // [Date]: when the registration began, or the document's date
    QVariant handler;  // [M_ID], documents only (invalid: not written)
    QVariant memo;     // [Memo], documents only (invalid: not written)
    QVariant userId;   // [O_ID]
};

struct DocumentFile {
    QString path; // read whole, exactly as on disk
    QString name; // [Name]; empty: the file name of the path
};

// Stores the files on consecutive keys from one GetNewID, first to last; returns the first
// key (0 when the list is empty). A missing or unreadable file raises 0x80040000 + 1076
// "找不到文件！path"; a file too large for the engine raises 3163 before anything of it is
// written (see ReadFileBytes).
qint32 AddDocuments(const DocumentInfo& info, const QList<DocumentFile>& files);

} // namespace ostrel::devices
