#pragma once
// The rows a report reads: a database record set, or anything shaped like one.
#include <QString>
#include <QVariant>
#include <memory>

namespace dao {
class Recordset;
}

namespace parvel {

class RowSource {
public:
    virtual ~RowSource() = default;
    virtual bool atEnd() const = 0;
    virtual bool atStart() const = 0;
    virtual void moveFirst() = 0;
    virtual void moveLast() = 0;
    virtual void moveNext() = 0;
    // Rows visited so far (all of them after moveLast).
    virtual int recordCount() const = 0;
    // A field by name; an unknown name raises the engine's error 3265.
    virtual int fieldIndex(const QString& name) const = 0;
    virtual QVariant value(int field) const = 0;
    // Runs the query again, onto the first row.
    virtual void requery() = 0;
    // A second reader of the same rows.
    virtual std::unique_ptr<RowSource> clone() const = 0;
    virtual void close() = 0;
};

// Reads a record set of the database layer.
std::unique_ptr<RowSource> recordsetSource(const dao::Recordset& rs);

} // namespace parvel
