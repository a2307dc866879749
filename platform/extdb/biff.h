#pragma once
// A BIFF5 or BIFF8 workbook stream read as Jet's Excel driver gives its cells: texts whole
// (shared strings and formula texts over CONTINUE records included), numbers under a date
// or time format as the whole date-time, formula results, Yes/No values as "True"/"False".
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <memory>
#include <vector>

namespace extdb {

class SharedTexts;

class BiffBook {
public:
    // Where a cell's value is in the stream: its record, and its place in a MULRK.
    struct Cell {
        quint32 key;      // row << 16 | column
        quint32 record;   // offset of the record in the stream
        quint16 item;
    };

    // Reads the workbook's globals; raises the damaged-file error (path names the file).
    BiffBook(QByteArray stream, const QString& path);

    bool biff8() const { return m_biff8; }
    // The worksheets in the workbook's order.
    QStringList sheetNames() const;
    // The cells of the index-th worksheet that may hold a value, by row then column.
    std::vector<Cell> cells(int index) const;
    // A cell's value as the table gives it: a text, or Null.
    QVariant value(const Cell& cell) const;
    // The shared string a cell names, among strings(); -1 when it names none.
    qint32 sharedString(const Cell& cell) const;
    const std::shared_ptr<const SharedTexts>& strings() const { return m_strings; }

private:
    struct Record {
        quint16 id = 0;
        QByteArrayView data;
        qint64 next = 0;
    };
    struct Sheet {
        QString name;
        quint32 offset;
    };

    // The record at at; false at the stream's end. Raises when it runs past the end.
    bool record(qint64 at, Record& r) const;
    // The record at at and the CONTINUE records after it.
    QVector<QByteArrayView> continued(qint64 at) const;
    void readStrings(qint64 at);
    QString byteText(QByteArrayView bytes) const;
    // A cell's number as shown: under a date or time format its date-time.
    QVariant number(quint16 xf, double value) const;
    QVariant formulaText(qint64 formula) const;
    [[noreturn]] void broken(const QString& what) const;

    QByteArray m_stream;
    QString m_path;
    bool m_biff8 = true;
    bool m_date1904 = false;
    QByteArray m_codec = "CP1252";   // of BIFF5 byte strings
    QVector<bool> m_dateXfs;
    QVector<Sheet> m_sheets;
    std::shared_ptr<const SharedTexts> m_strings;
};

} // namespace extdb
