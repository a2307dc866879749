#include "platform/extdb/sharedtexts.h"
#include <cstring>

namespace extdb {

namespace {

bool allBlank(QLatin1StringView text)
{
    for (char c : text)
        if (!QChar::isSpace(uchar(c)))
            return false;
    return true;
}

} // namespace

template <class Fill>
void SharedTexts::put(qint64 n, Fill fill)
{
    for (qint64 done = 0; done < n;) {
        const qint64 at = m_bytes % kChunk;
        if (m_bytes == qint64(m_chunks.size()) * kChunk)
            m_chunks.emplace_back(new char[kChunk]);
        const qint64 count = qMin(n - done, kChunk - at);
        fill(m_chunks.back().get() + at, done, count);
        done += count;
        m_bytes += count;
    }
}

void SharedTexts::get(qint64 at, qint64 n, char* to) const
{
    for (qint64 done = 0; done < n;) {
        const qint64 in = (at + done) % kChunk, count = qMin(n - done, kChunk - in);
        memcpy(to + done, m_chunks[size_t((at + done) / kChunk)].get() + in, size_t(count));
        done += count;
    }
}

void SharedTexts::add(qint64 length, Kind kind, bool blank, QByteArrayView packed)
{
    if (m_count++ % kStep == 0)
        m_marks.push_back({m_bytes, quint32(m_lengths.size())});
    putNumber(m_lengths, quint64(length) << 3 | quint64(kind) << 1 | (blank ? 1 : 0));
    if (kind == PackedNarrow || kind == PackedWide) {
        putNumber(m_lengths, quint64(packed.size()));
        put(packed.size(), [&](char* to, qint64 from, qint64 count) { memcpy(to, packed.data() + from, size_t(count)); });
    }
}

void SharedTexts::append(QStringView text)
{
    bool narrow = true;
    for (QChar c : text)
        narrow &= c.unicode() < 0x100;
    const bool blank = text.trimmed().isEmpty();
    if (narrow && text.size() > kLong) {
        appendLatin1(text.toLatin1());
        return;
    }
    if (text.size() > kLong) {
        const QByteArray packed = qCompress(reinterpret_cast<const uchar*>(text.utf16()), 2 * text.size(), 1);
        if (packed.size() < 2 * text.size()) {
            add(text.size(), PackedWide, blank, packed);
            return;
        }
    }
    add(text.size(), narrow ? Narrow : Wide, blank);
    if (narrow)
        put(text.size(), [&](char* to, qint64 from, qint64 count) {
            for (const QChar c : text.sliced(from, count))
                *to++ = char(c.unicode());
        });
    else
        put(2 * text.size(), [&](char* to, qint64 from, qint64 count) {
            memcpy(to, reinterpret_cast<const char*>(text.utf16()) + from, size_t(count));
        });
}

void SharedTexts::appendLatin1(QByteArrayView text)
{
    const bool blank = allBlank(QLatin1StringView(text));
    if (text.size() > kLong) {
        const QByteArray packed = qCompress(reinterpret_cast<const uchar*>(text.data()), text.size(), 1);
        if (packed.size() < text.size()) {
            add(text.size(), PackedNarrow, blank, packed);
            return;
        }
    }
    add(text.size(), Narrow, blank);
    put(text.size(), [&](char* to, qint64 from, qint64 count) { memcpy(to, text.data() + from, size_t(count)); });
}

SharedTexts::Place SharedTexts::locate(qint64 i) const
{
    const Mark& m = m_marks[size_t(i / kStep)];
    Place place{m.bytes, 0, 0, Narrow, false};
    const char* p = m_lengths.data() + m.lengths;
    for (qint64 k = i - i % kStep;; ++k) {
        const quint64 v = takeNumber(p);
        place.length = qint64(v >> 3);
        place.kind = Kind((v >> 1) & 3);
        place.blank = v & 1;
        place.bytes = place.kind == PackedNarrow || place.kind == PackedWide ? qint64(takeNumber(p))
                                                                             : place.length * (place.kind == Wide ? 2 : 1);
        if (k == i)
            return place;
        place.start += place.bytes;
    }
}

QString SharedTexts::text(qint64 i) const
{
    const Place p = locate(i);
    if (p.length == 0)
        return QStringLiteral("");
    if (p.kind == Narrow && p.start % kChunk + p.length <= kChunk)
        return QString::fromLatin1(m_chunks[size_t(p.start / kChunk)].get() + p.start % kChunk, p.length);
    if (p.kind == Wide) {
        QString text(p.length, Qt::Uninitialized);
        get(p.start, p.bytes, reinterpret_cast<char*>(text.data()));
        return text;
    }
    QByteArray bytes(p.bytes, Qt::Uninitialized);
    get(p.start, p.bytes, bytes.data());
    if (p.kind == Narrow)
        return QString::fromLatin1(bytes);
    bytes = qUncompress(bytes);
    if (p.kind == PackedNarrow)
        return QString::fromLatin1(bytes);
    QString text(p.length, Qt::Uninitialized);
    memcpy(text.data(), bytes.constData(), size_t(qMin<qint64>(bytes.size(), 2 * p.length)));
    return text;
}

bool SharedTexts::blank(qint64 i) const { return locate(i).blank; }

void SharedTexts::squeeze()
{
    m_lengths.shrink_to_fit();
    m_marks.shrink_to_fit();
}

} // namespace extdb
