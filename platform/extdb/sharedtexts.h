#pragma once
// Texts kept end to end in one buffer and found by their position, so that many short
// texts (a workbook's shared strings) cost little more than their characters: one byte a
// character for a text whose characters all fit in one (Latin-1, ASCII among them), two
// for any other; a text longer than a cell holds is kept compressed.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <memory>
#include <string>
#include <vector>

namespace extdb {

// Numbers written 7 bits to a byte, low bits first, the high bit saying that more follow.
template <class Bytes>
void putNumber(Bytes& to, quint64 v)
{
    do {
        to += char((v & 0x7F) | (v > 0x7F ? 0x80 : 0));
        v >>= 7;
    } while (v);
}

inline quint64 takeNumber(const char*& p)
{
    quint64 v = 0;
    for (int shift = 0;; shift += 7) {
        const uchar b = uchar(*p++);
        v |= quint64(b & 0x7F) << shift;
        if (!(b & 0x80))
            return v;
    }
}

class SharedTexts {
public:
    void append(QStringView text);
    // A text of Latin-1 characters, one a byte.
    void appendLatin1(QByteArrayView text);
    qint64 size() const { return m_count; }
    // The i-th text, 0 <= i < size().
    QString text(qint64 i) const;
    // Whether the i-th text holds nothing but blanks.
    bool blank(qint64 i) const;
    // Gives back what growing left unused.
    void squeeze();

private:
    static constexpr int kStep = 32;               // texts from one mark to the next
    static constexpr qint64 kChunk = 1 << 20;      // bytes of a piece of the store
    // A text longer than a cell of Excel holds is kept compressed when that makes it smaller.
    static constexpr qsizetype kLong = 32767;
    enum Kind { Narrow, Wide, PackedNarrow, PackedWide };
    struct Mark {
        qint64 bytes;      // where its first text starts in the store
        quint32 lengths;   // and its length in m_lengths
    };
    struct Place {
        qint64 start, bytes, length;   // in the store, and in characters
        Kind kind;
        bool blank;
    };
    void add(qint64 length, Kind kind, bool blank, QByteArrayView packed = {});
    // Appends n bytes to the store, written count at a time by fill(to, from, count).
    template <class Fill>
    void put(qint64 n, Fill fill);
    void get(qint64 at, qint64 n, char* to) const;
    Place locate(qint64 i) const;

    // The texts end to end, one byte a character where they fit, in pieces of kChunk
    // bytes, so that growing never copies them.
    std::vector<std::unique_ptr<char[]>> m_chunks;
    qint64 m_bytes = 0;
    // Each text's length * 8 + kind * 2 + blank, and a packed one's bytes (putNumber).
    std::string m_lengths;
    std::vector<Mark> m_marks;
    qint64 m_count = 0;
};

} // namespace extdb
