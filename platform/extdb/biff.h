#pragma once
// The cells freexl reads otherwise than Jet's Excel driver, read from a BIFF5/BIFF8
// workbook stream itself: numbers under a date or time format (the whole date-time),
// formula results, and Yes/No values.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

namespace extdb {

// A number format code that shows a date or a time.
bool dateFormatCode(const QString& code);
// A built-in number format that shows a date or a time (Chinese ones included).
bool builtInDateFormat(int id);

class BiffCells {
public:
    // Reads the compound file's workbook stream; raises the damaged-file error when the
    // file's structure is broken.
    explicit BiffCells(const QString& path);
    // Those cells of the sheet named name, or of the index-th sheet when no sheet has that
    // name, as the table gives them: key row << 16 | column.
    QHash<quint32, QVariant> cells(const QString& name, int index) const;

private:
    struct Sheet {
        QString name;
        quint32 offset;
    };
    QString m_path;
    QByteArray m_stream;
    bool m_date1904 = false;
    bool m_biff8 = true;
    QByteArray m_codec;   // of BIFF5 byte strings
    QVector<bool> m_dateXfs;
    QVector<Sheet> m_sheets;
};

} // namespace extdb
