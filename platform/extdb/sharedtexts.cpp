#include "platform/extdb/sharedtexts.h"
#include "platform/core/app.h"
#include "platform/core/vberror.h"
#include <QFile>
#include <QVarLengthArray>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace extdb {

namespace {

bool allBlank(QLatin1StringView text)
{
    for (char c : text)
        if (!QChar::isSpace(uchar(c)))
            return false;
    return true;
}

// A new file no other user may open and no name reaches, in folder: O_TMPFILE, or where
// the file system has none, a random new name (O_EXCL, never through a link) taken off
// at once. -1 with errno set when neither can be made.
int openUnnamed(const QByteArray& folder)
{
    int fd = ::open(folder.constData(), O_TMPFILE | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
        return fd;
    QByteArray name = folder + "/ostrel-texts-XXXXXX";
    fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0)
        ::unlink(name.constData());
    return fd;
}

// Why writing failed, in Chinese.
QString causeText(int err)
{
    switch (err) {
    case ENOSPC: return QStringLiteral("磁盘空间不足");
    case EDQUOT: return QStringLiteral("超出了磁盘配额");
    case EFBIG: return QStringLiteral("超出了文件大小的限制");
    case EACCES:
    case EPERM:
    case EROFS: return QStringLiteral("没有写入权限");
    case ENOENT:
    case ENOTDIR: return QStringLiteral("该文件夹不存在");
    default: return QStringLiteral("写入出错（%1）").arg(QString::fromLocal8Bit(std::strerror(err)));
    }
}

} // namespace

SharedTexts::SharedTexts(qint64 budget) : m_kept(qMax<qint64>(budget, 0) / kChunk) {}

SharedTexts::~SharedTexts()
{
    if (m_file >= 0)
        ::close(m_file);
}

void SharedTexts::refuse(int err) const
{
    throw vb::Error(75, QStringLiteral("工作簿的共享字符串超过 %1 MB，超出的部分须写入临时文件夹“%2”，但%3，无法读入该文件。")
                            .arg(m_kept * kChunk >> 20)
                            .arg(m_folder, causeText(err)));
}

void SharedTexts::spill()
{
    if (m_file < 0) {
        m_folder = plat::tempFolder();
        if ((m_file = openUnnamed(QFile::encodeName(m_folder))) < 0)
            refuse(errno);
    }
    const qint64 at = (m_bytes / kChunk - 1 - m_kept) * kChunk;
    for (qint64 done = 0; done < kChunk;) {
        const ssize_t n = ::pwrite(m_file, m_tail.get() + done, size_t(kChunk - done), off_t(at + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            refuse(n < 0 ? errno : ENOSPC);
        done += n;
    }
}

template <class Fill>
void SharedTexts::put(qint64 n, Fill fill)
{
    for (qint64 done = 0; done < n;) {
        const qint64 at = m_bytes % kChunk, piece = m_bytes / kChunk;
        if (piece < m_kept && piece == qint64(m_chunks.size()))
            m_chunks.emplace_back(new char[kChunk]);
        else if (piece >= m_kept && !m_tail)
            m_tail.reset(new char[kChunk]);
        const qint64 count = qMin(n - done, kChunk - at);
        fill((piece < m_kept ? m_chunks.back() : m_tail).get() + at, done, count);
        done += count;
        m_bytes += count;
        if (piece >= m_kept && m_bytes % kChunk == 0)
            spill();
    }
}

void SharedTexts::get(qint64 at, qint64 n, char* to) const
{
    for (qint64 done = 0; done < n;) {
        const qint64 piece = (at + done) / kChunk, in = (at + done) % kChunk, count = qMin(n - done, kChunk - in);
        if (piece < m_kept) {
            memcpy(to + done, m_chunks[size_t(piece)].get() + in, size_t(count));
        } else if (piece == m_bytes / kChunk) {
            memcpy(to + done, m_tail.get() + in, size_t(count));
        } else {
            const ssize_t got = ::pread(m_file, to + done, size_t(count), off_t((piece - m_kept) * kChunk + in));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)   // what this process wrote there itself: only a failing disk
                throw vb::Error(75, QStringLiteral("无法读回临时文件夹“%1”中的临时文件：%2")
                                        .arg(m_folder, QString::fromLocal8Bit(std::strerror(got < 0 ? errno : EIO))));
            done += got;
            continue;
        }
        done += count;
    }
}

void SharedTexts::add(qint64 length, bool wide, bool blank)
{
    if (m_count++ % kStep == 0)
        m_marks.push_back({m_bytes, quint32(m_lengths.size())});
    putNumber(m_lengths, quint64(length) << 2 | (wide ? 2 : 0) | (blank ? 1 : 0));
}

void SharedTexts::append(QStringView text)
{
    bool narrow = true;
    for (QChar c : text)
        narrow &= c.unicode() < 0x100;
    add(text.size(), !narrow, text.trimmed().isEmpty());
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
    add(text.size(), false, allBlank(QLatin1StringView(text)));
    put(text.size(), [&](char* to, qint64 from, qint64 count) { memcpy(to, text.data() + from, size_t(count)); });
}

SharedTexts::Place SharedTexts::locate(qint64 i) const
{
    const Mark& m = m_marks[size_t(i / kStep)];
    Place place{m.bytes, 0, false, false};
    const char* p = m_lengths.data() + m.lengths;
    for (qint64 k = i - i % kStep;; ++k) {
        const quint64 v = takeNumber(p);
        place.length = qint64(v >> 2);
        place.wide = v & 2;
        place.blank = v & 1;
        if (k == i)
            return place;
        place.start += place.length * (place.wide ? 2 : 1);
    }
}

QString SharedTexts::text(qint64 i) const
{
    const Place p = locate(i);
    if (p.length == 0)
        return QStringLiteral("");
    if (p.wide) {
        QString text(p.length, Qt::Uninitialized);
        get(p.start, 2 * p.length, reinterpret_cast<char*>(text.data()));
        return text;
    }
    if (p.start / kChunk < m_kept && p.start % kChunk + p.length <= kChunk)
        return QString::fromLatin1(m_chunks[size_t(p.start / kChunk)].get() + p.start % kChunk, p.length);
    QVarLengthArray<char, 256> bytes(p.length);
    get(p.start, p.length, bytes.data());
    return QString::fromLatin1(bytes.data(), p.length);
}

bool SharedTexts::blank(qint64 i) const { return locate(i).blank; }

void SharedTexts::squeeze()
{
    m_lengths.shrink_to_fit();
    m_marks.shrink_to_fit();
}

} // namespace extdb
