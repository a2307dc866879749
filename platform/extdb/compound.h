#pragma once
// The streams of a compound file (the container of .xls workbooks). Every chain of
// sectors is checked against the file before anything is allocated: a loop, a sector
// listed twice, a chain that runs past the file or a stream longer than the file raises
// the damaged-file error.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QVector>

namespace extdb {

class CompoundFile {
public:
    // bytes must outlive the object; path names the file in messages.
    CompoundFile(QByteArrayView bytes, const QString& path);

    // The stream of the first of names the file holds (ignoring letter case), and that
    // name; a null array when it holds none of them.
    QByteArray stream(const QStringList& names, QString* found = nullptr) const;

private:
    struct Entry {
        QString name;
        quint8 type;
        quint32 start;
        quint64 size;
    };

    [[noreturn]] void broken(const QString& what) const;
    // The sectors of a chain in order, each one once, at most limit of them.
    QVector<quint32> sectors(const QVector<quint32>& table, quint32 start, qint64 limit, const char* what) const;
    // A chain's sectors joined and cut to size (kWholeChain: the whole chain).
    QByteArray read(const QVector<quint32>& table, quint32 start, quint64 size, bool mini, const char* what) const;
    static constexpr quint64 kWholeChain = ~quint64(0);

    QByteArrayView m_bytes;
    QString m_path;
    int m_shift = 9;
    int m_miniShift = 6;
    quint32 m_miniCutoff = 4096;
    qint64 m_sectorCount = 0;   // sectors the file holds, a part one at its end included
    QVector<quint32> m_fat;
    mutable QVector<quint32> m_miniFat;
    QVector<Entry> m_entries;
    mutable QByteArray m_mini;   // the mini stream, read when first needed
};

} // namespace extdb
