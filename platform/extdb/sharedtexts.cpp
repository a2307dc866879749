#include "platform/extdb/sharedtexts.h"

namespace extdb {

void SharedTexts::append(QStringView text)
{
    if (m_count % kStep == 0)
        m_marks.push_back({quint32(m_chars.size()), quint32(m_lengths.size())});
    quint64 v = quint64(text.size()) << 1 | (text.trimmed().isEmpty() ? 1 : 0);
    do {
        m_lengths += char((v & 0x7F) | (v > 0x7F ? 0x80 : 0));
        v >>= 7;
    } while (v);
    m_chars += text;
    ++m_count;
}

void SharedTexts::locate(qint64 i, qint64& start, qint64& length, bool& blank) const
{
    const Mark& m = m_marks[size_t(i / kStep)];
    start = m.chars;
    const char* p = m_lengths.data() + m.lengths;
    for (qint64 k = i - i % kStep;; ++k) {
        quint64 v = 0;
        for (int shift = 0;; shift += 7) {
            const uchar b = uchar(*p++);
            v |= quint64(b & 0x7F) << shift;
            if (!(b & 0x80))
                break;
        }
        length = qint64(v >> 1);
        blank = v & 1;
        if (k == i)
            return;
        start += length;
    }
}

QString SharedTexts::text(qint64 i) const
{
    qint64 start = 0, length = 0;
    bool blank = false;
    locate(i, start, length, blank);
    return m_chars.mid(start, length);
}

bool SharedTexts::blank(qint64 i) const
{
    qint64 start = 0, length = 0;
    bool blank = false;
    locate(i, start, length, blank);
    return blank;
}

void SharedTexts::squeeze()
{
    m_chars.squeeze();
    m_lengths.shrink_to_fit();
    m_marks.shrink_to_fit();
}

} // namespace extdb
