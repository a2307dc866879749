// Interface stubs; the implementation follows.
#include "platform/dao/dao.h"

namespace dao {
namespace detail {
struct DatabaseData {};
struct RecordsetData {};
struct FieldData {};
struct TableDefData {};
}

namespace {
[[noreturn]] void todo() { throw vb::Error(err::NotSupported, QStringLiteral("not implemented yet"), QStringLiteral("DAO")); }
}

Field::Field() = default;
QString Field::Name() const { todo(); }
void Field::setName(const QString&) { todo(); }
int Field::Type() const { todo(); }
void Field::setType(int) { todo(); }
int Field::Size() const { todo(); }
void Field::setSize(int) { todo(); }
int Field::Attributes() const { todo(); }
void Field::setAttributes(int) { todo(); }
bool Field::Required() const { todo(); }
void Field::setRequired(bool) { todo(); }
bool Field::AllowZeroLength() const { todo(); }
void Field::setAllowZeroLength(bool) { todo(); }
QString Field::ValidationRule() const { todo(); }
void Field::setValidationRule(const QString&) { todo(); }
QString Field::ValidationText() const { todo(); }
void Field::setValidationText(const QString&) { todo(); }
QVariant Field::DefaultValue() const { todo(); }
void Field::setDefaultValue(const QVariant&) { todo(); }
int Field::OrdinalPosition() const { todo(); }
void Field::setOrdinalPosition(int) { todo(); }
QString Field::SourceTable() const { todo(); }
QVariant Field::Value() const { todo(); }
void Field::setValue(const QVariant&) { todo(); }
void Field::AppendChunk(const QByteArray&) { todo(); }
QByteArray Field::GetChunk(qint64, qint64) const { todo(); }
qint64 Field::FieldSize() const { todo(); }

Fields::Fields() = default;
int Fields::Count() const { todo(); }
Field Fields::Item(int) const { todo(); }
Field Fields::Item(const QString&) const { todo(); }
void Fields::Append(const Field&) { todo(); }
void Fields::Delete(const QString&) { todo(); }
void Fields::Refresh() { todo(); }

TableDef::TableDef() = default;
QString TableDef::Name() const { todo(); }
void TableDef::setName(const QString&) { todo(); }
int TableDef::Attributes() const { todo(); }
void TableDef::setAttributes(int) { todo(); }
QString TableDef::ValidationRule() const { todo(); }
void TableDef::setValidationRule(const QString&) { todo(); }
QString TableDef::ValidationText() const { todo(); }
void TableDef::setValidationText(const QString&) { todo(); }
int TableDef::RecordCount() const { todo(); }
dao::Fields TableDef::Fields() const { todo(); }
Field TableDef::Fields(int) const { todo(); }
Field TableDef::Fields(const QString&) const { todo(); }
Field TableDef::CreateField(const QString&, int, int) const { todo(); }
Recordset TableDef::OpenRecordset(int, int) const { todo(); }

TableDefs::TableDefs() = default;
int TableDefs::Count() const { todo(); }
TableDef TableDefs::Item(int) const { todo(); }
TableDef TableDefs::Item(const QString&) const { todo(); }
void TableDefs::Append(const TableDef&) { todo(); }
void TableDefs::Delete(const QString&) { todo(); }
void TableDefs::Refresh() { todo(); }

Recordset::Recordset() = default;
bool Recordset::Eof() const { todo(); }
bool Recordset::Bof() const { todo(); }
void Recordset::MoveFirst() { todo(); }
void Recordset::MoveLast() { todo(); }
void Recordset::MoveNext() { todo(); }
void Recordset::MovePrevious() { todo(); }
void Recordset::Move(int) { todo(); }
int Recordset::RecordCount() const { todo(); }
int Recordset::AbsolutePosition() const { todo(); }
void Recordset::setAbsolutePosition(int) { todo(); }
dao::Fields Recordset::Fields() const { todo(); }
Field Recordset::Fields(int) const { todo(); }
Field Recordset::Fields(const QString&) const { todo(); }
void Recordset::AddNew() { todo(); }
void Recordset::Edit() { todo(); }
void Recordset::Update() { todo(); }
void Recordset::CancelUpdate() { todo(); }
int Recordset::EditMode() const { todo(); }
bool Recordset::Updatable() const { todo(); }
int Recordset::Type() const { todo(); }
QString Recordset::Name() const { todo(); }
Recordset Recordset::Clone() const { todo(); }
void Recordset::Requery() { todo(); }
void Recordset::Close() { todo(); }

Database::Database() = default;
QString Database::Name() const { todo(); }
QString Database::Connect() const { todo(); }
bool Database::Updatable() const { todo(); }
Recordset Database::OpenRecordset(const QString&, int, int, int) { todo(); }
int Database::Execute(const QString&, int) { todo(); }
int Database::RecordsAffected() const { todo(); }
dao::TableDefs Database::TableDefs() const { todo(); }
TableDef Database::CreateTableDef(const QString&, int, const QString&, const QString&) { todo(); }
void Database::Close() { todo(); }

Database DBEngine::OpenDatabase(const QString&, bool, bool, const QString&) { todo(); }
Database DBEngine::CreateDatabase(const QString&, const QString&, int) { todo(); }
void DBEngine::BeginTrans() { todo(); }
void DBEngine::CommitTrans() { todo(); }
void DBEngine::Rollback() { todo(); }
int DBEngine::TransactionLevel() { todo(); }
void DBEngine::setBusyTimeout(int) { todo(); }
int DBEngine::busyTimeout() { todo(); }
}
