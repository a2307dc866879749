// The records of a workbook stream: the globals (BOF, FILEPASS, CODEPAGE, DATEMODE,
// FORMAT, XF, BOUNDSHEET, SST), then each sheet's cells.
#include "platform/extdb/biff.h"
#include "platform/extdb/extdb.h"
#include "platform/extdb/sharedtexts.h"
#include <QHash>
#include <algorithm>
#include <cstring>
#include <iconv.h>

namespace extdb {
namespace {

enum : quint16 {
    kFormula = 0x0006, kEof = 0x000A, kDateMode = 0x0022, kFilePass = 0x002F, kContinue = 0x003C,
    kCodePage = 0x0042, kBoundSheet = 0x0085, kMulRk = 0x00BD, kRString = 0x00D6, kXf = 0x00E0,
    kMulBlank = 0x00BE, kSst = 0x00FC, kLabelSst = 0x00FD, kBlank = 0x0201, kNumber = 0x0203, kLabel = 0x0204, kBoolErr = 0x0205,
    kString = 0x0207, kArray = 0x0221, kTable = 0x0236, kRk = 0x027E, kFormat = 0x041E,
    kSharedFormula = 0x04BC, kBof = 0x0809,
};

constexpr int kColumns = 256;   // what a BIFF5 or BIFF8 sheet holds

quint16 le16(const char* p) { return quint16(quint8(p[0]) | quint8(p[1]) << 8); }
quint32 le32(const char* p) { return quint32(le16(p)) | quint32(le16(p + 2)) << 16; }

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

// Reads on across a record and the CONTINUE records after it. A string's characters
// that run into the next record go on after a byte that says how wide they are there.
class Parts {
public:
    explicit Parts(QVector<QByteArrayView> parts) : m_parts(std::move(parts)) {}

    bool atEnd()
    {
        settle();
        return m_part >= m_parts.size();
    }

    bool bytes(char* to, qint64 n)
    {
        while (n > 0) {
            settle();
            if (m_part >= m_parts.size())
                return false;
            const qint64 take = qMin(n, m_parts[m_part].size() - m_at);
            if (to) {
                std::memcpy(to, m_parts[m_part].data() + m_at, size_t(take));
                to += take;
            }
            m_at += take;
            n -= take;
        }
        return true;
    }

    bool u8(quint8& v) { return bytes(reinterpret_cast<char*>(&v), 1); }
    bool u16(quint16& v)
    {
        char b[2];
        return bytes(b, 2) && (v = le16(b), true);
    }
    bool u32(quint32& v)
    {
        char b[4];
        return bytes(b, 4) && (v = le32(b), true);
    }

    // count characters, 16 bits wide or 8 (Latin-1), as written.
    bool chars(QString& out, int count, bool wide)
    {
        out.resize(count);
        for (int got = 0; got < count;) {
            if (m_part < m_parts.size() && m_at == m_parts[m_part].size()) {
                ++m_part;
                m_at = 0;
                quint8 flags = 0;
                if (!bytes(reinterpret_cast<char*>(&flags), 1))
                    return false;
                wide = flags & 1;
            }
            if (m_part >= m_parts.size())
                return false;
            const QByteArrayView part = m_parts[m_part];
            const qint64 take = qMin<qint64>(count - got, (part.size() - m_at) / (wide ? 2 : 1));
            if (take == 0)
                return false;   // half a character at a record's end
            const char* p = part.data() + m_at;
            for (qint64 i = 0; i < take; ++i)
                out[got + int(i)] = QChar(wide ? le16(p + 2 * i) : char16_t(quint8(p[i])));
            got += int(take);
            m_at += take * (wide ? 2 : 1);
        }
        return true;
    }

    // A BIFF8 string: its count (8 or 16 bits), flags, characters, runs and phonetic data.
    bool string(QString& out, bool shortCount)
    {
        quint8 count8 = 0, flags = 0;
        quint16 count = 0, runs = 0;
        quint32 extra = 0;
        if (!(shortCount ? (u8(count8) && ((count = count8), true)) : u16(count)) || !u8(flags))
            return false;
        if ((flags & 0x08) && !u16(runs))
            return false;
        if ((flags & 0x04) && !u32(extra))
            return false;
        return chars(out, count, flags & 1) && bytes(nullptr, 4 * qint64(runs)) && bytes(nullptr, extra);
    }

private:
    // Past the end of a part: on to the next.
    void settle()
    {
        while (m_part < m_parts.size() && m_at >= m_parts[m_part].size()) {
            ++m_part;
            m_at = 0;
        }
    }

    QVector<QByteArrayView> m_parts;
    int m_part = 0;
    qint64 m_at = 0;
};

} // namespace

BiffBook::BiffBook(QByteArray stream, const QString& path)
    : m_stream(std::move(stream)), m_path(path), m_strings(std::make_shared<SharedTexts>())
{
    QHash<int, bool> formats;
    QVector<int> xfFormats;
    Record r;
    if (!record(0, r) || r.id != kBof || r.data.size() < 2)
        broken(QStringLiteral("工作簿流不以BOF记录开始"));
    const quint16 version = le16(r.data.data());
    if (version != 0x0600 && version != 0x0500)
        broken(QStringLiteral("不支持的Excel版本 (%1)").arg(version, 4, 16, QLatin1Char('0')));
    m_biff8 = version == 0x0600;
    for (qint64 at = r.next; record(at, r) && r.id != kEof; at = r.next) {
        const char* d = r.data.data();
        const qsizetype len = r.data.size();
        if (r.id == kFilePass) {
            broken(QStringLiteral("工作簿有密码保护"));
        } else if (r.id == kCodePage && len >= 2) {
            const quint16 cp = le16(d);
            if (cp != 1200 && cp != 0x8000 && cp != 0x8001)
                m_codec = "CP" + QByteArray::number(cp);
        } else if (r.id == kDateMode && len >= 2) {
            m_date1904 = le16(d) == 1;
        } else if (r.id == kFormat && len >= 3) {
            QString code;
            if (m_biff8)
                Parts({r.data.sliced(2)}).string(code, false);
            else
                code = byteText(r.data.sliced(3).first(qMin<qsizetype>(quint8(d[2]), len - 3)));
            formats.insert(le16(d), dateFormatCode(code));
        } else if (r.id == kXf && len >= 4) {
            xfFormats << le16(d + 2);
        } else if (r.id == kBoundSheet && len >= 7) {
            // Worksheets only (type 0): charts and modules are no tables.
            if (quint8(d[5]) != 0)
                continue;
            QString name;
            if (m_biff8)
                Parts({r.data.sliced(6)}).string(name, true);
            else
                name = byteText(r.data.sliced(7).first(qMin<qsizetype>(quint8(d[6]), len - 7)));
            m_sheets << Sheet{name, le32(d)};
        } else if (r.id == kSst && m_biff8) {
            readStrings(at);
        }
    }
    for (int f : std::as_const(xfFormats))
        m_dateXfs << (formats.contains(f) ? formats.value(f) : builtInDateFormat(f));
}

QStringList BiffBook::sheetNames() const
{
    QStringList out;
    for (const Sheet& s : m_sheets)
        out << s.name;
    return out;
}

std::vector<BiffBook::Cell> BiffBook::cells(int index) const
{
    std::vector<Cell> out;
    const qint64 offset = m_sheets.at(index).offset;
    Record r;
    if (!record(offset, r) || r.id != kBof)
        broken(QStringLiteral("工作表 %1 的起始位置无效").arg(m_sheets.at(index).name));
    // A column past the sheet's last is damage, not a far cell.
    const auto check = [&](const char* d, int column) {
        if (column >= kColumns)
            broken(QStringLiteral("工作表 %1 第 %2 行第 %3 列的单元格超出工作表的 %4 列")
                       .arg(m_sheets.at(index).name)
                       .arg(le16(d) + 1)
                       .arg(column + 1)
                       .arg(kColumns));
    };
    const auto add = [&](qint64 at, const char* d, int column, quint16 item) {
        check(d, column);
        out.push_back(Cell{quint32(le16(d)) << 16 | quint32(column), quint32(at), item});
    };
    int depth = 1;
    for (qint64 at = r.next; depth > 0 && record(at, r); at = r.next) {
        const char* d = r.data.data();
        const qsizetype len = r.data.size();
        if (r.id == kBof) {
            ++depth;
            continue;
        }
        if (r.id == kEof) {
            --depth;
            continue;
        }
        if (depth != 1)
            continue;   // an embedded chart
        qsizetype least = 0;
        switch (r.id) {
        case kNumber: least = 14; break;
        case kRk: least = 10; break;
        case kBoolErr: least = 8; break;
        case kFormula: least = 16; break;
        case kLabelSst: least = 10; break;
        case kLabel:
        case kRString: least = m_biff8 ? 9 : 8; break;
        case kBlank:
        case kMulRk:
        case kMulBlank: least = 6; break;
        default: continue;
        }
        if (len < least)
            broken(QStringLiteral("工作表 %1 的单元格记录不完整").arg(m_sheets.at(index).name));
        // Blank cells hold nothing; only their columns are checked.
        if (r.id == kBlank) {
            check(d, le16(d + 2));
        } else if (r.id == kMulBlank || r.id == kMulRk) {
            const int first = le16(d + 2), count = int(len - 6) / (r.id == kMulRk ? 6 : 2);
            check(d, qMax(first + count - 1, int(le16(d + len - 2))));
            for (int i = 0; r.id == kMulRk && i < count; ++i)
                add(at, d, first + i, quint16(i));
        } else {
            add(at, d, le16(d + 2), 0);
        }
    }
    // Rows in order; a cell written twice keeps its last value.
    std::stable_sort(out.begin(), out.end(), [](const Cell& a, const Cell& b) { return a.key < b.key; });
    auto last = std::unique(out.rbegin(), out.rend(), [](const Cell& a, const Cell& b) { return a.key == b.key; });
    out.erase(out.begin(), last.base());
    return out;
}

QVariant BiffBook::value(const Cell& cell) const
{
    Record r;
    record(cell.record, r);
    const char* d = r.data.data();
    switch (r.id) {
    case kNumber: return number(le16(d + 4), f64(d + 6));
    case kRk: return number(le16(d + 4), rkValue(le32(d + 6)));
    case kMulRk: {
        const char* item = d + 4 + 6 * cell.item;
        return number(le16(item), rkValue(le32(item + 2)));
    }
    case kBoolErr: return d[7] ? QVariant() : QVariant(d[6] ? QStringLiteral("True") : QStringLiteral("False"));
    case kFormula:
        if (le16(d + 12) != 0xFFFF)
            return number(le16(d + 4), f64(d + 6));
        if (d[6] == 0)
            return formulaText(cell.record);
        if (d[6] == 1)
            return d[8] ? QStringLiteral("True") : QStringLiteral("False");
        return QVariant();
    case kLabelSst: return m_strings->text(sharedString(cell));
    default: {   // LABEL, RSTRING
        QString text;
        if (m_biff8) {
            if (!Parts({r.data.sliced(6)}).string(text, false))
                broken(QStringLiteral("文本单元格不完整"));
            return text;
        }
        const qsizetype count = le16(d + 6);
        if (count > r.data.size() - 8)
            broken(QStringLiteral("文本单元格不完整"));
        return byteText(r.data.sliced(8, count));
    }
    }
}

qint32 BiffBook::sharedString(const Cell& cell) const
{
    Record r;
    record(cell.record, r);
    if (r.id != kLabelSst)
        return -1;
    const quint32 i = le32(r.data.data() + 6);
    if (qint64(i) >= m_strings->size())
        broken(QStringLiteral("单元格的共享字符串序号 %1 无效").arg(i));
    return qint32(i);
}

bool BiffBook::record(qint64 at, Record& r) const
{
    if (at < 0 || at + 4 > m_stream.size())
        return false;
    const char* p = m_stream.constData() + at;
    const quint16 len = le16(p + 2);
    if (at + 4 + len > m_stream.size())
        broken(QStringLiteral("工作簿记录不完整"));
    r.id = le16(p);
    r.data = QByteArrayView(p + 4, len);
    r.next = at + 4 + len;
    return true;
}

QVector<QByteArrayView> BiffBook::continued(qint64 at) const
{
    QVector<QByteArrayView> parts;
    Record r;
    record(at, r);
    parts << r.data;
    while (record(r.next, r) && r.id == kContinue)
        parts << r.data;
    return parts;
}

// SST: counts, then the strings, running on over CONTINUE records.
void BiffBook::readStrings(qint64 at)
{
    Parts parts(continued(at));
    quint32 total = 0, unique = 0;
    if (!parts.u32(total) || !parts.u32(unique))
        broken(QStringLiteral("共享字符串表不完整"));
    auto strings = std::make_shared<SharedTexts>();
    QString text;
    for (quint32 i = 0; i < unique && !parts.atEnd(); ++i) {
        if (!parts.string(text, false))
            broken(QStringLiteral("共享字符串表的第 %1 项不完整").arg(i + 1));
        strings->append(text);
    }
    strings->squeeze();
    m_strings = std::move(strings);
}

QString BiffBook::byteText(QByteArrayView bytes) const
{
    const auto latin1 = [&] { return QString::fromLatin1(bytes); };
    iconv_t cd = iconv_open("UTF-16LE", m_codec.constData());
    if (cd == iconv_t(-1))
        return latin1();
    QByteArray out(4 * bytes.size() + 4, Qt::Uninitialized);
    char* in = const_cast<char*>(bytes.data());
    char* to = out.data();
    size_t inLeft = size_t(bytes.size()), outLeft = size_t(out.size());
    const size_t rc = iconv(cd, &in, &inLeft, &to, &outLeft);
    iconv_close(cd);
    if (rc == size_t(-1))
        return latin1();
    const qsizetype units = (out.size() - qsizetype(outLeft)) / 2;
    QString text(units, Qt::Uninitialized);
    for (qsizetype i = 0; i < units; ++i)
        text[i] = QChar(le16(out.constData() + 2 * i));
    return text;
}

QVariant BiffBook::number(quint16 xf, double value) const
{
    if (xf < m_dateXfs.size() && m_dateXfs[xf]) {
        const QString date = serialDateText(value, m_date1904);
        if (!date.isEmpty())
            return date;
    }
    return numberText(value);
}

// The text a formula gives: the STRING record after it (shared-formula, array and table
// records may come between).
QVariant BiffBook::formulaText(qint64 formula) const
{
    Record r;
    record(formula, r);
    for (qint64 at = r.next; record(at, r); at = r.next) {
        if (r.id == kSharedFormula || r.id == kArray || r.id == kTable)
            continue;
        if (r.id != kString)
            return QVariant();
        QString text;
        if (m_biff8) {
            if (!Parts(continued(at)).string(text, false))
                broken(QStringLiteral("公式的文本结果不完整"));
            return text;
        }
        if (r.data.size() < 2 || le16(r.data.data()) > r.data.size() - 2)
            broken(QStringLiteral("公式的文本结果不完整"));
        return byteText(r.data.sliced(2, le16(r.data.data())));
    }
    return QVariant();
}

void BiffBook::broken(const QString& what) const { damaged(m_path, what); }

} // namespace extdb
