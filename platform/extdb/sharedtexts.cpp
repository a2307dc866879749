#include "platform/extdb/sharedtexts.h"

namespace extdb {

void SharedTexts::append(QStringView text)
{
    if (m_count % kStep == 0)
        m_marks.push_back({quint32(m_chars.size()), quint32(m_lengths.size())});
    putNumber(m_lengths, quint64(text.size()) << 1 | (text.trimmed().isEmpty() ? 1 : 0));
    m_chars += text;
    ++m_count;
}

void SharedTexts::locate(qint64 i, qint64& start, qint64& length, bool& blank) const
{
    const Mark& m = m_marks[size_t(i / kStep)];
    start = m.chars;
    const char* p = m_lengths.data() + m.lengths;
    for (qint64 k = i - i % kStep;; ++k) {
        const quint64 v = takeNumber(p);
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
