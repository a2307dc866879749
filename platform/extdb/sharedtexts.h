#pragma once
// Texts kept end to end in one buffer and found by their position, so that many short
// texts (a workbook's shared strings) cost little more than their characters.
#include <QByteArray>
#include <QString>
#include <QStringView>
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
    qint64 size() const { return m_count; }
    // The i-th text, 0 <= i < size().
    QString text(qint64 i) const;
    // Whether the i-th text holds nothing but blanks.
    bool blank(qint64 i) const;
    // Gives back what growing left unused.
    void squeeze();

private:
    static constexpr int kStep = 32;   // texts from one mark to the next
    struct Mark {
        quint32 chars;     // where its first text starts in m_chars
        quint32 lengths;   // and its length in m_lengths
    };
    // Where the i-th text starts, its length and blankness.
    void locate(qint64 i, qint64& start, qint64& length, bool& blank) const;

    QString m_chars;
    std::string m_lengths;   // each text's length * 2 + blank (putNumber)
    std::vector<Mark> m_marks;
    qint64 m_count = 0;
};

} // namespace extdb
