#pragma once
// Texts kept end to end and found by their position, so that many short texts (a
// workbook's shared strings) cost little more than their characters: one byte a character
// for a text whose characters all fit in one (Latin-1, ASCII among them), two for any
// other. Past a budget they go on in an unnamed temporary file of this process, so that
// memory stays bounded whatever the texts; a text is read back from there at the cost of
// its length.
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
    // Bytes of texts kept in memory before the rest go to the temporary file.
    static constexpr qint64 kBudget = qint64(64) << 20;
    explicit SharedTexts(qint64 budget = kBudget);
    ~SharedTexts();
    SharedTexts(const SharedTexts&) = delete;
    SharedTexts& operator=(const SharedTexts&) = delete;

    // Raise vb::Error when the temporary file cannot be made or written (the store is
    // not to be used after that).
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
    struct Mark {
        qint64 bytes;      // where its first text starts in the store
        quint32 lengths;   // and its length in m_lengths
    };
    struct Place {
        qint64 start, length;   // in the store, and in characters
        bool wide, blank;
    };
    void add(qint64 length, bool wide, bool blank);
    // Appends n bytes to the store, written count at a time by fill(to, from, count).
    template <class Fill>
    void put(qint64 n, Fill fill);
    // The piece just filled, to the temporary file.
    void spill();
    [[noreturn]] void refuse(int err) const;
    void get(qint64 at, qint64 n, char* to) const;
    Place locate(qint64 i) const;

    // The texts end to end, one byte a character where they fit, in pieces of kChunk
    // bytes, so that growing never copies them: the first m_kept pieces in m_chunks, each
    // later one in m_tail while it fills, then in m_file at (its number - m_kept) * kChunk.
    std::vector<std::unique_ptr<char[]>> m_chunks;
    std::unique_ptr<char[]> m_tail;
    qint64 m_kept;
    int m_file = -1;
    QString m_folder;   // the temporary folder it is in
    qint64 m_bytes = 0;
    // Each text's length * 4 + wide * 2 + blank (putNumber).
    std::string m_lengths;
    std::vector<Mark> m_marks;
    qint64 m_count = 0;
};

} // namespace extdb
