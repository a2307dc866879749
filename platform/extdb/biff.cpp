// The workbook stream of a compound file, and the records of it that give the cells
// freexl reads otherwise: FORMAT, XF, DATEMODE, CODEPAGE, BOUNDSHEET, then each sheet's
// numbers, formulas and Yes/No values.
#include "platform/extdb/biff.h"
#include "platform/extdb/extdb.h"
#include <QFile>
#include <cstring>
#include <iconv.h>

namespace extdb {

bool builtInDateFormat(int id)
{
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58);
}

// y m d h s outside quotes, escapes and [colour] or [$-804] brackets ([h] [mm] [ss] count as
// time); the first section decides.
bool dateFormatCode(const QString& code)
{
    for (int i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i).toLower();
        if (c == u'"') {
            i = code.indexOf(QLatin1Char('"'), i + 1);
            if (i < 0)
                return false;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i;
        } else if (c == u'[') {
            const int close = code.indexOf(QLatin1Char(']'), i);
            if (close < 0)
                return false;
            const QString inside = code.mid(i + 1, close - i - 1).toLower();
            if (!inside.isEmpty() && (inside.count(inside.at(0)) == inside.size()) &&
                (inside.at(0) == u'h' || inside.at(0) == u'm' || inside.at(0) == u's'))
                return true;
            i = close;
        } else if (c == u'y' || c == u'm' || c == u'd' || c == u'h' || c == u's') {
            return true;
        } else if (c == u';') {
            return false;
        }
    }
    return false;
}

namespace {

quint16 u16(const char* p) { return quint16(quint8(p[0]) | quint8(p[1]) << 8); }
quint32 u32(const char* p) { return quint32(u16(p)) | quint32(u16(p + 2)) << 16; }

double f64(const char* p)
{
    double d;
    std::memcpy(&d, p, 8);
    return d;
}

double rkValue(quint32 rk)
{
    double d;
    if (rk & 2) {
        d = double(qint32(rk) >> 2);
    } else {
        const quint64 bits = quint64(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&d, &bits, 8);
    }
    return (rk & 1) ? d / 100 : d;
}

constexpr quint32 kEndOfChain = 0xFFFFFFFEu;

// A compound file's streams, read whole.
class CompoundFile {
public:
    explicit CompoundFile(const QString& path) : m_path(path)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            damaged(path, QStringLiteral("无法读取文件"));
        m_bytes = f.readAll();
        if (m_bytes.size() < 512)
            damaged(path, QStringLiteral("复合文件头不完整"));
        const char* h = m_bytes.constData();
        const int shift = u16(h + 0x1E), miniShift = u16(h + 0x20);
        if (shift != 9 && shift != 12)
            damaged(path, QStringLiteral("复合文件的扇区大小无效"));
        m_sector = 1 << shift;
        m_miniSector = 1 << qBound(0, miniShift, 12);
        m_miniCutoff = u32(h + 0x38);
        // The allocation table's sectors: 109 in the header, the rest in a chain of their own.
        QVector<quint32> fatSectors;
        const quint32 fatCount = u32(h + 0x2C);
        for (int i = 0; i < 109 && quint32(fatSectors.size()) < fatCount; ++i)
            fatSectors << u32(h + 0x4C + 4 * i);
        quint32 dif = u32(h + 0x44);
        for (quint32 n = 0; quint32(fatSectors.size()) < fatCount && dif < kEndOfChain; ++n) {
            if (n > sectorCount())
                broken();
            const char* s = sector(dif);
            for (int i = 0; i < m_sector / 4 - 1 && quint32(fatSectors.size()) < fatCount; ++i)
                fatSectors << u32(s + 4 * i);
            dif = u32(s + m_sector - 4);
        }
        if (quint32(fatSectors.size()) < fatCount)
            broken();
        for (quint32 s : std::as_const(fatSectors)) {
            const char* p = sector(s);
            for (int i = 0; i < m_sector / 4; ++i)
                m_fat << u32(p + 4 * i);
        }
        const QByteArray dir = chain(m_fat, u32(h + 0x30), -1, false);
        for (int at = 0; at + 128 <= dir.size(); at += 128) {
            const char* e = dir.constData() + at;
            const int nameBytes = qBound(0, int(u16(e + 0x40)) - 2, 62);
            Entry entry{QString::fromUtf16(reinterpret_cast<const char16_t*>(e), nameBytes / 2), quint8(e[0x42]),
                        u32(e + 0x74), u32(e + 0x78)};
            m_entries << entry;
        }
        if (m_entries.isEmpty() || m_entries[0].type != 5)
            broken();
        m_miniFat.clear();
        const QByteArray miniFat = chain(m_fat, u32(h + 0x3C), -1, false);
        for (int i = 0; i + 4 <= miniFat.size(); i += 4)
            m_miniFat << u32(miniFat.constData() + i);
    }

    // The stream of the first name that the root holds; empty when none.
    QByteArray stream(const QStringList& names)
    {
        for (const QString& name : names)
            for (const Entry& e : std::as_const(m_entries)) {
                if (e.type != 2 || e.name.compare(name, Qt::CaseInsensitive) != 0)
                    continue;
                if (e.size < m_miniCutoff) {
                    if (m_mini.isNull())
                        m_mini = chain(m_fat, m_entries[0].start, qint64(m_entries[0].size), false);
                    return chain(m_miniFat, e.start, e.size, true);
                }
                return chain(m_fat, e.start, e.size, false);
            }
        return QByteArray();
    }

private:
    struct Entry {
        QString name;
        quint8 type;
        quint32 start, size;
    };

    [[noreturn]] void broken() const { damaged(m_path, QStringLiteral("复合文件结构已损坏")); }

    quint32 sectorCount() const { return quint32((m_bytes.size() - 1) / m_sector); }

    const char* sector(quint32 n) const
    {
        const qint64 at = (qint64(n) + 1) * m_sector;
        if (at + m_sector > m_bytes.size())
            broken();
        return m_bytes.constData() + at;
    }

    // The sectors of a chain joined, cut to size (-1: the whole chain). Every sector of the
    // chain must be in the file: a file cut short is refused here.
    QByteArray chain(const QVector<quint32>& table, quint32 start, qint64 size, bool mini) const
    {
        QByteArray out;
        const int unit = mini ? m_miniSector : m_sector;
        quint32 s = start;
        for (qint64 n = 0; s < kEndOfChain && (size < 0 || out.size() < size); ++n) {
            if (n > table.size() || s >= quint32(table.size()))
                broken();
            if (mini) {
                const qint64 at = qint64(s) * unit;
                if (at + unit > m_mini.size())
                    broken();
                out.append(m_mini.constData() + at, unit);
            } else {
                const qint64 at = (qint64(s) + 1) * unit;
                const qint64 need = size < 0 ? unit : qMin<qint64>(unit, size - out.size());
                if (at + need > m_bytes.size())
                    broken();
                out.append(m_bytes.constData() + at, int(qMin<qint64>(unit, m_bytes.size() - at)));
            }
            s = table[int(s)];
        }
        if (size >= 0) {
            if (out.size() < size)
                broken();
            out.truncate(int(size));
        }
        return out;
    }

    QString m_path;
    QByteArray m_bytes, m_mini;
    int m_sector = 512, m_miniSector = 64;
    quint32 m_miniCutoff = 4096;
    QVector<quint32> m_fat, m_miniFat;
    QVector<Entry> m_entries;
};

// A byte string of a BIFF5 record in the workbook's code page; Latin-1 when iconv lacks it.
QString biff5Text(const char* p, int n, const QByteArray& codec)
{
    n = qMax(0, n);
    iconv_t cd = iconv_open("UTF-16LE", codec.constData());
    if (cd == iconv_t(-1))
        return QString::fromLatin1(p, n);
    QByteArray out(4 * n + 4, Qt::Uninitialized);
    char* in = const_cast<char*>(p);
    char* to = out.data();
    size_t inLeft = size_t(n), outLeft = size_t(out.size());
    const size_t rc = iconv(cd, &in, &inLeft, &to, &outLeft);
    iconv_close(cd);
    if (rc == size_t(-1))
        return QString::fromLatin1(p, n);
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(out.constData()), (out.size() - qsizetype(outLeft)) / 2);
}

// A BIFF8 string at p of at most n bytes: count (8 or 16 bits), flags, characters.
QString biff8Text(const char* p, int n, bool shortCount)
{
    int at = shortCount ? 1 : 2;
    if (n < at + 1)
        return QString();
    const int count = shortCount ? quint8(p[0]) : u16(p);
    const quint8 flags = quint8(p[at++]);
    if (flags & 0x08)
        at += 2;
    if (flags & 0x04)
        at += 4;
    QString out;
    for (int i = 0; i < count; ++i) {
        if (flags & 1) {
            if (at + 2 > n)
                break;
            out += QChar(u16(p + at));
            at += 2;
        } else {
            if (at + 1 > n)
                break;
            out += QChar(quint8(p[at++]));
        }
    }
    return out;
}

} // namespace

BiffCells::BiffCells(const QString& path) : m_path(path), m_codec("CP1252")
{
    CompoundFile file(path);
    m_stream = file.stream({QStringLiteral("Workbook"), QStringLiteral("Book")});
    QHash<int, bool> formats;
    QVector<int> xfFormats;
    const char* s = m_stream.constData();
    for (int at = 0; at + 4 <= m_stream.size();) {
        const quint16 id = u16(s + at), len = u16(s + at + 2);
        const char* d = s + at + 4;
        if (at + 4 + len > m_stream.size())
            damaged(path, QStringLiteral("工作簿记录不完整"));
        at += 4 + len;
        if (id == 0x0809 && len >= 2) {
            m_biff8 = u16(d) == 0x0600;
        } else if (id == 0x0042 && len >= 2) {
            const quint16 cp = u16(d);
            if (cp != 1200 && cp != 0x8000 && cp != 0x8001)
                m_codec = "CP" + QByteArray::number(cp);
        } else if (id == 0x0022 && len >= 2) {
            m_date1904 = u16(d) == 1;
        } else if (id == 0x041E && len >= 3) {
            const QString code = m_biff8 ? biff8Text(d + 2, len - 2, false)
                                         : biff5Text(d + 3, qMin(int(quint8(d[2])), len - 3), m_codec);
            formats.insert(u16(d), dateFormatCode(code));
        } else if (id == 0x00E0 && len >= 4) {
            xfFormats << u16(d + 2);
        } else if (id == 0x0085 && len >= 7) {
            const QString name = m_biff8 ? biff8Text(d + 6, len - 6, true)
                                         : biff5Text(d + 7, qMin(int(quint8(d[6])), len - 7), m_codec);
            m_sheets << Sheet{name, u32(d)};
        } else if (id == 0x000A) {
            break;
        }
    }
    for (int f : std::as_const(xfFormats))
        m_dateXfs << (formats.contains(f) ? formats.value(f) : builtInDateFormat(f));
}

QHash<quint32, QVariant> BiffCells::cells(const QString& name, int index) const
{
    QHash<quint32, QVariant> out;
    qint64 offset = -1;
    for (const Sheet& sheet : m_sheets)
        if (sheet.name == name)
            offset = sheet.offset;
    if (offset < 0 && index >= 0 && index < m_sheets.size())
        offset = m_sheets[index].offset;
    if (offset < 0)
        return out;
    // A number as its cell shows it: a date-time under a date or time format.
    const auto number = [&](quint16 xf, double value) -> QVariant {
        if (xf < m_dateXfs.size() && m_dateXfs[xf]) {
            const QString date = serialDateText(value, m_date1904);
            if (!date.isEmpty())
                return date;
        }
        return numberText(value);
    };
    const auto key = [](const char* d) { return quint32(u16(d)) << 16 | u16(d + 2); };
    const auto isDate = [&](quint16 xf) { return xf < m_dateXfs.size() && m_dateXfs[xf]; };
    const char* s = m_stream.constData();
    int depth = 0;
    qint64 pendingString = -1;   // the formula whose text result the next STRING record holds
    for (qint64 at = offset; at + 4 <= m_stream.size();) {
        const quint16 id = u16(s + at), len = u16(s + at + 2);
        const char* d = s + at + 4;
        if (at + 4 + len > m_stream.size())
            damaged(m_path, QStringLiteral("工作表记录不完整"));
        at += 4 + len;
        if (id == 0x0809) {
            ++depth;
        } else if (id == 0x000A) {
            if (--depth <= 0)
                break;
        } else if (depth != 1) {
            continue;
        } else if (id == 0x0203 && len >= 14) {   // NUMBER
            if (isDate(u16(d + 4)))
                out.insert(key(d), number(u16(d + 4), f64(d + 6)));
        } else if (id == 0x027E && len >= 10) {   // RK
            if (isDate(u16(d + 4)))
                out.insert(key(d), number(u16(d + 4), rkValue(u32(d + 6))));
        } else if (id == 0x00BD && len >= 6) {    // MULRK
            const quint16 row = u16(d), first = u16(d + 2);
            for (int i = 0; 4 + 6 * i + 6 <= len; ++i) {
                const char* cell = d + 4 + 6 * i;
                if (isDate(u16(cell)))
                    out.insert(quint32(row) << 16 | quint16(first + i), number(u16(cell), rkValue(u32(cell + 2))));
            }
        } else if (id == 0x0205 && len >= 8) {    // BOOLERR: Yes/No, or an error (Null)
            out.insert(key(d), d[7] ? QVariant() : QVariant(d[6] ? QStringLiteral("True") : QStringLiteral("False")));
        } else if (id == 0x0006 && len >= 14) {   // FORMULA: its cached result
            pendingString = -1;
            if (u16(d + 12) != 0xFFFF)
                out.insert(key(d), number(u16(d + 4), f64(d + 6)));
            else if (d[6] == 0)
                pendingString = key(d);
            else if (d[6] == 1)
                out.insert(key(d), d[8] ? QStringLiteral("True") : QStringLiteral("False"));
            else
                out.insert(key(d), QVariant());
        } else if (id == 0x0207 && pendingString >= 0) {   // STRING
            out.insert(quint32(pendingString), m_biff8 ? biff8Text(d, len, false)
                                                       : biff5Text(d + 2, qMin(int(u16(d)), len - 2), m_codec));
            pendingString = -1;
        }
    }
    return out;
}

} // namespace extdb
