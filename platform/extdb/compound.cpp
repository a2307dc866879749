#include "platform/extdb/compound.h"
#include "platform/extdb/extdb.h"
#include <vector>

namespace extdb {
namespace {

constexpr quint32 kEndOfChain = 0xFFFFFFFEu;
constexpr quint32 kLastSector = 0xFFFFFFF9u;   // above: markers, not sectors
constexpr int kHeaderFatSectors = 109;

quint16 u16(const char* p) { return quint16(quint8(p[0]) | quint8(p[1]) << 8); }
quint32 u32(const char* p) { return quint32(u16(p)) | quint32(u16(p + 2)) << 16; }

} // namespace

CompoundFile::CompoundFile(QByteArrayView bytes, const QString& path) : m_bytes(bytes), m_path(path)
{
    if (m_bytes.size() < 512)
        broken(QStringLiteral("文件头不完整"));
    const char* h = m_bytes.data();
    m_shift = u16(h + 0x1E);
    m_miniShift = u16(h + 0x20);
    if (m_shift != 9 && m_shift != 12)
        broken(QStringLiteral("扇区大小无效"));
    if (m_miniShift < 2 || m_miniShift > m_shift)
        broken(QStringLiteral("小扇区大小无效"));
    const qint64 unit = qint64(1) << m_shift;
    m_sectorCount = m_bytes.size() > unit ? (m_bytes.size() - unit + unit - 1) / unit : 0;
    m_miniCutoff = u32(h + 0x38);

    // The allocation table's sectors: 109 in the header, the rest in a chain of their own;
    // no more than the file holds, none twice.
    const quint32 fatCount = u32(h + 0x2C);
    if (fatCount > m_sectorCount)
        broken(QStringLiteral("分配表的扇区数 %1 超出文件").arg(fatCount));
    std::vector<bool> seen(size_t(m_sectorCount), false);
    QVector<quint32> fatSectors;
    const auto take = [&](quint32 s) {
        if (s >= m_sectorCount || seen[s])
            broken(QStringLiteral("分配表的扇区 %1 无效或重复").arg(s));
        seen[s] = true;
        fatSectors << s;
    };
    for (int i = 0; i < kHeaderFatSectors && quint32(fatSectors.size()) < fatCount; ++i)
        take(u32(h + 0x4C + 4 * i));
    const int perDif = int(unit / 4) - 1;
    for (quint32 dif = u32(h + 0x44); quint32(fatSectors.size()) < fatCount;) {
        if (dif >= m_sectorCount || seen[dif])
            broken(QStringLiteral("分配表目录的扇区 %1 无效或重复").arg(dif));
        seen[dif] = true;
        const char* s = h + (qint64(dif) + 1) * unit;
        if (s + unit > h + m_bytes.size())
            broken(QStringLiteral("分配表目录的扇区 %1 不完整").arg(dif));
        for (int i = 0; i < perDif && quint32(fatSectors.size()) < fatCount; ++i)
            take(u32(s + 4 * i));
        dif = u32(s + unit - 4);
    }
    // Entries past the sectors the file holds could only name sectors it lacks.
    m_fat.reserve(int(qMin<qint64>(qint64(fatCount) * (unit / 4), m_sectorCount)));
    for (quint32 sector : std::as_const(fatSectors)) {
        const char* p = h + (qint64(sector) + 1) * unit;
        if (p + unit > h + m_bytes.size())
            broken(QStringLiteral("分配表的扇区 %1 不完整").arg(sector));
        for (int i = 0; i < unit / 4 && m_fat.size() < m_sectorCount; ++i)
            m_fat << u32(p + 4 * i);
    }

    // A stream's size is 64 bits in version 4; version 3 holds it in the low 32 bits only.
    const bool version4 = u16(h + 0x1A) == 4;
    const QByteArray dir = read(m_fat, u32(h + 0x30), kWholeChain, false, "目录");
    for (int at = 0; at + 128 <= dir.size(); at += 128) {
        const char* e = dir.constData() + at;
        const int units = qBound(0, int(u16(e + 0x40)) / 2 - 1, 31);
        QString name(units, Qt::Uninitialized);
        for (int i = 0; i < units; ++i)
            name[i] = QChar(u16(e + 2 * i));
        const quint64 size = u32(e + 0x78) | (version4 ? quint64(u32(e + 0x7C)) << 32 : 0);
        m_entries << Entry{name, quint8(e[0x42]), u32(e + 0x74), size};
    }
    if (m_entries.isEmpty() || m_entries[0].type != 5)
        broken(QStringLiteral("没有根目录"));
}

QByteArray CompoundFile::stream(const QStringList& names, QString* found) const
{
    for (const QString& name : names)
        for (const Entry& e : m_entries) {
            if (e.type != 2 || e.name.compare(name, Qt::CaseInsensitive) != 0)
                continue;
            if (found)
                *found = e.name;
            if (e.size >= m_miniCutoff)
                return read(m_fat, e.start, e.size, false, "工作簿流");
            if (m_mini.isNull()) {
                const Entry& root = m_entries[0];
                m_mini = read(m_fat, root.start, root.size, false, "小扇区流");
                const QByteArray table = read(m_fat, u32(m_bytes.data() + 0x3C), kWholeChain, false, "小扇区分配表");
                for (int i = 0; i + 4 <= table.size(); i += 4)
                    m_miniFat << u32(table.constData() + i);
            }
            return read(m_miniFat, e.start, e.size, true, "工作簿流");
        }
    return QByteArray();
}

void CompoundFile::broken(const QString& what) const
{
    damaged(m_path, QStringLiteral("复合文件结构已损坏：") + what);
}

QVector<quint32> CompoundFile::sectors(const QVector<quint32>& table, quint32 start, qint64 limit,
                                       const char* what) const
{
    QVector<quint32> out;
    std::vector<bool> seen(size_t(table.size()), false);
    for (quint32 s = start; s != kEndOfChain && out.size() < limit; s = table[int(s)]) {
        if (s > kLastSector || s >= quint32(table.size()))
            broken(QStringLiteral("%1的扇区链指向文件之外").arg(QString::fromUtf8(what)));
        if (seen[s])
            broken(QStringLiteral("%1的扇区链构成循环").arg(QString::fromUtf8(what)));
        seen[s] = true;
        out << s;
    }
    return out;
}

QByteArray CompoundFile::read(const QVector<quint32>& table, quint32 start, quint64 wanted, bool mini,
                              const char* what) const
{
    const int shift = mini ? m_miniShift : m_shift;
    const qint64 unit = qint64(1) << shift;
    const QByteArrayView from = mini ? QByteArrayView(m_mini) : m_bytes;
    if (wanted != kWholeChain && wanted > quint64(from.size()))
        broken(QStringLiteral("%1的长度 %2 超出文件").arg(QString::fromUtf8(what), QString::number(wanted)));
    qint64 size = wanted == kWholeChain ? -1 : qint64(wanted);
    const qint64 needed = size < 0 ? table.size() : (size + unit - 1) >> shift;
    const QVector<quint32> chain = sectors(table, start, needed, what);
    if (size < 0)
        size = qint64(chain.size()) << shift;
    else if (chain.size() < needed)
        broken(QStringLiteral("%1的扇区链比其长度短").arg(QString::fromUtf8(what)));
    QByteArray out(size, Qt::Uninitialized);
    qint64 done = 0;
    for (quint32 s : chain) {
        const qint64 at = mini ? qint64(s) << shift : (qint64(s) + 1) << shift;
        const qint64 n = qMin(unit, size - done);
        if (at + n > from.size())
            broken(QStringLiteral("%1的扇区 %2 超出文件末尾").arg(QString::fromUtf8(what), QString::number(s)));
        memcpy(out.data() + done, from.data() + at, size_t(n));
        done += n;
    }
    return out;
}

} // namespace extdb
