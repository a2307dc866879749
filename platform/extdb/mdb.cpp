// .mdb: Access files (Jet3, Jet4) through libmdb.
#include "platform/extdb/extdb.h"
#include "platform/core/vberror.h"
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QVector>
#include <QtEndian>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <vector>
#include <glib.h>   // before mdbtools.h, which includes it inside extern "C"
#include <iconv.h>
#include <mdbtools.h>

namespace extdb {
namespace {

// The pages and usage maps the tables read so far hold. Each belongs to one table, once:
// so a loop is seen, and reading every table costs no more than the file.
struct Claims {
    QHash<quint32, quint32> pages;   // definition, usage-map and data pages: the table's definition page
    QSet<quint32> maps;              // usage-map rows, as page << 8 | row
    QSet<quint32> mapPages;          // the pages holding them
};

struct Handle {
    MdbHandle* mdb = nullptr;
    QString path;
    qint64 pageCount = 0;   // whole pages the file holds
    std::vector<std::unique_ptr<MdbCatalogEntry>> catalog;   // the tables
    Claims claims;          // every table's, once the catalogue is read
    iconv_t jet3Codec = iconv_t(-1);   // a Jet3 file's code page to UTF-16
    ~Handle()
    {
        if (mdb)
            mdb_close(mdb);
        if (jet3Codec != iconv_t(-1))
            iconv_close(jet3Codec);
    }
    bool jet3() const { return mdb->f->jet_version == MDB_VER_JET3; }
    // The name of the table whose definition starts at page; "" when none does.
    QString tableAt(quint32 page) const
    {
        for (const auto& entry : catalog)
            if (quint32(entry->table_pg) == page)
                return QString::fromUtf8(entry->object_name);
        return QString();
    }
};

// The iconv name of the code page a Jet3 header names; CP936 when none or unknown.
QByteArray jet3Charset(unsigned codePage)
{
    const QByteArray name = codePage ? "CP" + QByteArray::number(codePage) : QByteArray("CP936");
    iconv_t probe = iconv_open("UTF-8", name.constData());
    if (probe == iconv_t(-1))
        return "CP936";
    iconv_close(probe);
    return name;
}

// libmdb reads MDB_JET3_CHARSET only while it opens a file.
MdbHandle* openWithCharset(const QString& path, const QByteArray& charset)
{
    const bool had = qEnvironmentVariableIsSet("MDB_JET3_CHARSET");
    const QByteArray previous = qgetenv("MDB_JET3_CHARSET");
    qputenv("MDB_JET3_CHARSET", charset);
    MdbHandle* mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (had)
        qputenv("MDB_JET3_CHARSET", previous);
    else
        qunsetenv("MDB_JET3_CHARSET");
    return mdb;
}

using TableDef = std::unique_ptr<MdbTableDef, void (*)(MdbTableDef*)>;

QString tableName(const MdbCatalogEntry* entry) { return QString::fromUtf8(entry->object_name); }

// Where a data page's row offsets end: no row starts before.
int rowsStart(const MdbHandle* mdb, const uchar* page)
{
    return mdb->fmt->row_count_offset + 2 + 2 * qFromLittleEndian<quint16>(page + mdb->fmt->row_count_offset);
}

// Row pageRow (page << 8 | row) of a data page: the page must lie inside the file, be a data
// page and hold that row, which starts past its row offsets. What is wrong, or "" with the
// row found; the page is left in mdb->alt_pg_buf.
QString findRow(MdbHandle* mdb, quint32 pageRow, qint64 pageCount, const uchar*& bytes, size_t& size)
{
    const quint32 page = pageRow >> 8, row = pageRow & 0xFF;
    void* buf = nullptr;
    int offset = 0;
    const auto pageBytes = static_cast<const uchar*>(mdb->alt_pg_buf);
    if (page < 1 || page >= pageCount || mdb_find_pg_row(mdb, int(pageRow), &buf, &offset, &size) != 0 ||
        pageBytes[0] != 0x01 || row >= qFromLittleEndian<quint16>(pageBytes + mdb->fmt->row_count_offset))
        return QStringLiteral("没有第 %1 行").arg(row);
    if (offset < rowsStart(mdb, pageBytes))
        return QStringLiteral("第 %1 行始于该页的行位置表内").arg(row);
    bytes = pageBytes + offset;
    return QString();
}

// A table's definition runs from its page along the pages each names at offset 4, which
// libmdb follows without looking. Each must be a definition page inside the file, none
// read before, and together they must hold the column entries and names the first counts;
// its usage map must be a row of a data page that no other table's is.
void checkDefinition(const QString& path, const MdbCatalogEntry* entry, qint64 pageCount, Claims& claims)
{
    MdbHandle* mdb = entry->mdb;
    const MdbFormatConstants* fmt = mdb->fmt;
    const QString name = tableName(entry);
    const auto pageBytes = reinterpret_cast<const char*>(mdb->alt_pg_buf);
    QByteArray bytes;   // as libmdb reads it: the first page whole, the others after their heads
    quint32 page = quint32(entry->table_pg), last = page;
    do {
        if (page < 1 || page >= pageCount)
            damaged(path, QStringLiteral("表 %1 的定义页 %2 超出文件末尾").arg(name).arg(page));
        if (claims.pages.contains(page))
            damaged(path, QStringLiteral("表 %1 的定义回到已读过的页 %2").arg(name).arg(page));
        claims.pages.insert(page, quint32(entry->table_pg));
        if (mdb_read_alt_pg(mdb, page) != fmt->pg_size || pageBytes[0] != 0x02)
            damaged(path, QStringLiteral("表 %1 的定义页 %2 不是定义页").arg(name).arg(page));
        const int head = bytes.isEmpty() ? 0 : 8;
        bytes.append(pageBytes + head, fmt->pg_size - head);
        last = page;
        page = qFromLittleEndian<quint32>(pageBytes + 4);
    } while (page != 0);
    // A little-endian number of size bytes; 0 past the end.
    const auto number = [&](qint64 offset, int size) {
        quint32 value = 0;
        for (int i = size - 1; i >= 0 && offset + size <= bytes.size(); --i)
            value = value << 8 | uchar(bytes[offset + i]);
        return value;
    };
    const quint32 columns = number(fmt->tab_num_cols_offset, 2);
    if (columns > 255)   // all Access allows; libmdb cracks every row against each
        damaged(path, QStringLiteral("表 %1 的定义有 %2 列，超过 255 列").arg(name).arg(columns));
    qint64 end = fmt->tab_cols_start_offset + qint64(number(fmt->tab_num_ridxs_offset, 4)) * fmt->tab_ridx_entry_size +
                 qint64(columns) * fmt->tab_col_entry_size;
    const int lengthSize = mdb->f->jet_version == MDB_VER_JET3 ? 1 : 2;
    for (quint32 i = 0; i < columns && end < bytes.size(); ++i)
        end += lengthSize + number(end, lengthSize);
    if (end > bytes.size())
        damaged(path, QStringLiteral("表 %1 的定义在页 %2 之后中断").arg(name).arg(last));
    // The map's row: libmdb would take a zeroed page for one that names no page.
    const quint32 map = number(fmt->tab_usage_map_offset, 4);
    const uchar* row = nullptr;
    size_t size = 0;
    if (!findRow(mdb, map, pageCount, row, size).isEmpty())
        damaged(path, QStringLiteral("表 %1 的页面分配图不在页 %2 第 %3 行").arg(name).arg(map >> 8).arg(map & 0xFF));
    if (claims.maps.contains(map))
        damaged(path, QStringLiteral("表 %1 的页面分配图(页 %2 第 %3 行)已属于另一个表").arg(name).arg(map >> 8).arg(map & 0xFF));
    claims.maps.insert(map);
    claims.mapPages.insert(map >> 8);
}

// The pages a table's usage map names, in rising order. Each must lie inside the file (a
// file cut short loses pages its tables still claim) and belong to no other table.
std::vector<quint32> dataPages(const QString& path, MdbTableDef* table, qint64 pageCount, Claims& claims)
{
    MdbHandle* mdb = table->entry->mdb;
    const QString name = tableName(table->entry);
    if (!table->usage_map || table->map_sz < 1)
        damaged(path, QStringLiteral("表 %1 没有页面分配图").arg(name));
    // A map of the second kind lists pages of bits, each of which must be one.
    for (size_t i = 0; table->usage_map[0] == 1 && i < (table->map_sz - 1) / 4; ++i) {
        const quint32 bits = qFromLittleEndian<quint32>(table->usage_map + 1 + 4 * i);
        if (!bits)
            continue;
        if (bits >= pageCount || claims.pages.contains(bits) || mdb_read_alt_pg(mdb, bits) != mdb->fmt->pg_size ||
            mdb->alt_pg_buf[0] != 0x05)
            damaged(path, QStringLiteral("表 %1 的页面分配图页 %2 无效").arg(name).arg(bits));
        claims.pages.insert(bits, quint32(table->entry->table_pg));
    }
    std::vector<quint32> pages;
    gint32 page = 0;
    for (;;) {
        const gint32 last = page;
        page = mdb_map_find_next(mdb, table->usage_map, guint(table->map_sz), guint32(page));
        if (page == 0)
            return pages;
        if (page < 0 || page >= pageCount)
            damaged(path, QStringLiteral("表 %1 的数据页超出文件末尾").arg(name));
        if (page <= last)   // a map whose first page wraps past the largest number
            damaged(path, QStringLiteral("表 %1 的页面分配图无效").arg(name));
        if (claims.pages.contains(quint32(page)))
            damaged(path, QStringLiteral("表 %1 的数据页 %2 已属于别处").arg(name).arg(page));
        claims.pages.insert(quint32(page), quint32(table->entry->table_pg));
        pages.push_back(quint32(page));
    }
}

// Reads a table's definition after checking it, and the pages that hold its rows.
TableDef readTable(const QString& path, MdbCatalogEntry* entry, qint64 pageCount, std::vector<quint32>& pages,
                   Claims& claims)
{
    checkDefinition(path, entry, pageCount, claims);
    TableDef table(mdb_read_table(entry), mdb_free_tabledef);
    if (!table || !mdb_read_columns(table.get()))
        damaged(path, QStringLiteral("无法读取表 %1 的定义").arg(tableName(entry)));
    pages = dataPages(path, table.get(), pageCount, claims);
    return table;
}

// Jet4 text: UTF-16LE, or after FF FE runs of one-byte characters and of UTF-16 units, a NUL
// byte switching from one to the other. False when the bytes end inside a unit.
bool jet4Text(const uchar* p, size_t n, QString& out)
{
    out.clear();
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
        out.reserve(qsizetype(n));
        bool single = true;
        for (size_t i = 2; i < n;) {
            if (p[i] == 0) {
                single = !single;
                ++i;
            } else if (single) {
                out.append(QChar(char16_t(p[i++])));
            } else if (i + 1 < n) {
                out.append(QChar(qFromLittleEndian<quint16>(p + i)));
                i += 2;
            } else {
                return false;
            }
        }
        return true;
    }
    if (n % 2)
        return false;
    out.resize(qsizetype(n / 2));
    qFromLittleEndian<quint16>(p, qsizetype(n / 2), out.data());
    return true;
}

// Jet3 text in the file's code page. A byte the code page does not know is kept as a lone
// surrogate (U+DC00 and the byte), which no column takes: the row is refused, never changed.
QString jet3Text(iconv_t codec, const uchar* p, size_t n)
{
    iconv(codec, nullptr, nullptr, nullptr, nullptr);
    QByteArray units(qsizetype(n * 4 + 16), Qt::Uninitialized);
    char* in = reinterpret_cast<char*>(const_cast<uchar*>(p));
    size_t left = n;
    char* out = units.data();
    size_t room = size_t(units.size());
    while (left) {
        if (iconv(codec, &in, &left, &out, &room) != size_t(-1))
            break;
        if (errno == E2BIG || room < 2) {
            const qsizetype used = out - units.data();
            units.resize(units.size() * 2);
            out = units.data() + used;
            room = size_t(units.size() - used);
            continue;
        }
        qToLittleEndian<quint16>(quint16(0xDC00 | uchar(*in)), out);
        out += 2;
        room -= 2;
        ++in;
        --left;
        iconv(codec, nullptr, nullptr, nullptr, nullptr);
    }
    QString text(qsizetype((out - units.data()) / 2), Qt::Uninitialized);
    qFromLittleEndian<quint16>(units.constData(), text.size(), text.data());
    return text;
}

// Access's day count from 1899-12-30; before it the fraction still counts forward.
bool accessDateText(double serial, QString& text)
{
    if (!std::isfinite(serial) || std::fabs(serial) > 2958466)   // about years 100 to 9999
        return false;
    const double whole = std::trunc(serial);
    qint64 seconds = std::llround(std::fabs(serial - whole) * 86400.0);
    QDate day = QDate(1899, 12, 30).addDays(qint64(whole));
    if (seconds >= 86400) {
        day = day.addDays(1);
        seconds -= 86400;
    }
    text = dayTimeText(day, int(seconds));
    return !text.isEmpty();
}

// The largest scale Access gives a Decimal column.
constexpr int kMaxDecimalScale = 28;

class MdbTable : public Table {
public:
    // Reads the columns named in only, every column when it is empty; the others come Null.
    MdbTable(std::shared_ptr<Handle> handle, MdbCatalogEntry* entry, const QStringList& only = {})
        : m_handle(std::move(handle)), m_table([&] {
              Claims claims;
              return readTable(m_handle->path, entry, m_handle->pageCount, m_pages, claims);
          }())
    {
        for (int i = 0; i < int(m_table->num_cols); ++i) {
            auto col = static_cast<MdbColumn*>(g_ptr_array_index(m_table->columns, i));
            m_columns.append(QString::fromUtf8(col->name));
            m_cols.append(col);
            m_wanted.append(only.isEmpty() || only.contains(m_columns.last()));
        }
    }

protected:
    // The rows of the pages the usage map names, in its order, whatever count the definition
    // keeps. What libmdb would pass over quietly is refused: a page that is not one of this
    // table's data pages, a row that does not lie inside its page.
    bool fetch(Row& cells, qint64& number) override
    {
        MdbHandle* mdb = m_handle->mdb;
        const int countAt = mdb->fmt->row_count_offset;
        for (;;) {
            if (m_row >= m_rowsOnPage) {
                if (m_nextPage >= m_pages.size())
                    return false;
                m_page = m_pages[m_nextPage++];
                m_row = 0;
                m_rowsOnPage = 0;
            }
            if (mdb_read_pg(mdb, m_page) != mdb->fmt->pg_size || mdb->pg_buf[0] != 0x01 ||
                qFromLittleEndian<quint32>(mdb->pg_buf + 4) != quint32(m_table->entry->table_pg))
                damaged(m_handle->path, QStringLiteral("表 %1 的第 %2 页不是它的数据页").arg(tableName(m_table->entry)).arg(m_page));
            if (m_row == 0) {
                m_rowsOnPage = qFromLittleEndian<quint16>(mdb->pg_buf + countAt);
                if (countAt + 2 + 2 * m_rowsOnPage > mdb->fmt->pg_size)
                    damaged(m_handle->path, QStringLiteral("表 %1 第 %2 页的行数 %3 超出其页")
                                                .arg(tableName(m_table->entry)).arg(m_page).arg(m_rowsOnPage));
                if (m_rowsOnPage == 0)
                    continue;
            }
            const int row = m_row++;
            // Deleted, or moved to another page where it is read (libmdb's reading).
            if (qFromLittleEndian<quint16>(mdb->pg_buf + countAt + 2 + 2 * row) & 0x4000)
                continue;
            int start = 0;
            size_t size = 0;
            if (mdb_find_row(mdb, row, &start, &size) != 0 || size == 0)
                damaged(m_handle->path, QStringLiteral("表 %1 第 %2 页的第 %3 行超出其页")
                                            .arg(tableName(m_table->entry)).arg(m_page).arg(row));
            if ((start & 0x1FFF) < rowsStart(mdb, mdb->pg_buf))
                damaged(m_handle->path, QStringLiteral("表 %1 第 %2 页的第 %3 行始于该页的行位置表内")
                                            .arg(tableName(m_table->entry)).arg(m_page).arg(row));
            if (!mdb_read_row(m_table.get(), unsigned(row)))   // a value past the row's end
                damaged(m_handle->path, QStringLiteral("表 %1 第 %2 页的第 %3 行的值超出该行")
                                            .arg(tableName(m_table->entry)).arg(m_page).arg(row));
            break;
        }
        number = ++m_read;
        cells.clear();
        for (int i = 0; i < m_columns.size(); ++i) {
            if (m_wanted[i])
                cells.append(i, value(i));
        }
        return true;
    }

private:
    // The bytes libmdb reads for a value of a fixed-size type, whatever the row says.
    static int fixedSize(int type)
    {
        switch (type) {
        case MDB_BYTE: return 1;
        case MDB_INT: return 2;
        case MDB_LONGINT: case MDB_COMPLEX: case MDB_FLOAT: return 4;
        case MDB_DOUBLE: case MDB_MONEY: case MDB_DATETIME: return 8;
        case MDB_REPID: return 16;
        case MDB_NUMERIC: return 17;
        default: return 0;
        }
    }

    // A text libmdb wrote, freed once read.
    static QString taken(char* written)
    {
        const QString text = QString::fromLatin1(written);
        g_free(written);
        return text;
    }

    // A number as libmdb writes it, in its shortest form.
    static QVariant number(char* written)
    {
        const QString text = taken(written);
        bool ok = false;
        const double d = text.toDouble(&ok);
        return ok ? numberText(d) : text;
    }

    // A Decimal or Currency value as libmdb writes it, every digit and the zeros of its
    // scale ("-12.3400"): its digits as they are, with no double in between, less the zeros
    // ending a fraction; any zero is "0".
    static QVariant exact(char* written)
    {
        QString text = taken(written);
        if (text.contains(QLatin1Char('.'))) {
            while (text.endsWith(QLatin1Char('0')))
                text.chop(1);
            if (text.endsWith(QLatin1Char('.')))
                text.chop(1);
        }
        return text == QLatin1String("-0") ? QStringLiteral("0") : text;
    }

    [[noreturn]] void refuse(int column, const QString& what) const
    {
        damaged(m_handle->path, QStringLiteral("表 %1 第 %2 行的 %3 列%4")
                                    .arg(QString::fromUtf8(m_table->entry->object_name))
                                    .arg(m_read)
                                    .arg(m_columns[column], what));
    }

    // A value from the row's bytes, which no column is bound to: libmdb only finds where each
    // lies. Whatever libmdb converts is checked to lie inside the page first.
    QVariant value(int i)
    {
        const MdbColumn* col = m_cols[i];
        if (col->col_type == MDB_BOOL)   // kept in the null mask: its length is 1 for No
            return col->cur_value_len ? QStringLiteral("False") : QStringLiteral("True");
        const int start = col->cur_value_start;
        const int size = col->cur_value_len;
        if (size == 0)
            return QVariant();
        MdbHandle* mdb = m_handle->mdb;
        if (size < 0 || start < 0 || start + qint64(qMax(size, fixedSize(col->col_type))) > qint64(mdb->fmt->pg_size))
            refuse(i, QStringLiteral("超出其数据页"));
        const uchar* field = mdb->pg_buf + start;
        switch (col->col_type) {
        case MDB_TEXT: return text(i, field, size_t(size));
        case MDB_NUMERIC:
            // libmdb names the scale col_prec, and writes digits past its 40 for no larger one
            if (col->col_prec > kMaxDecimalScale)
                refuse(i, QStringLiteral("的小数位数 %1 超过 %2").arg(col->col_prec).arg(kMaxDecimalScale));
            return exact(mdb_numeric_to_string(mdb, start, col->col_scale, col->col_prec));
        case MDB_MONEY: return exact(mdb_col_to_string(mdb, mdb->pg_buf, start, col->col_type, size));
        case MDB_DOUBLE: return numberText(qFromLittleEndian<double>(field));   // libmdb keeps 16 digits
        case MDB_FLOAT: return number(mdb_col_to_string(mdb, mdb->pg_buf, start, col->col_type, size));
        case MDB_BYTE:
        case MDB_INT:
        case MDB_LONGINT:
        case MDB_COMPLEX:
        case MDB_REPID: return taken(mdb_col_to_string(mdb, mdb->pg_buf, start, col->col_type, size));
        case MDB_DATETIME: {
            QString text;
            if (size != 8 || !accessDateText(qFromLittleEndian<double>(field), text))
                refuse(i, QStringLiteral("的日期值无效"));
            return text;
        }
        case MDB_BINARY: return QVariant();
        case MDB_OLE: longValue(i, field, size); return QVariant();
        case MDB_MEMO: {
            const QByteArray bytes = longValue(i, field, size);
            return text(i, reinterpret_cast<const uchar*>(bytes.constData()), size_t(bytes.size()));
        }
        default: return QVariant();   // a type no import column takes
        }
    }

    QString text(int i, const uchar* p, size_t n) const
    {
        if (m_handle->jet3())
            return jet3Text(m_handle->jet3Codec, p, n);
        QString out;
        if (!jet4Text(p, n, out))
            refuse(i, QStringLiteral("的文本长度不是整数个字符"));
        return out;
    }

    // A memo's or OLE value's bytes. Its 12-byte head gives the length and where the bytes
    // lie: in the row, in one row of another page, or along a chain of such rows, each
    // starting with the next one's page and row. Exactly that length, or the file is refused;
    // a row of another page read twice in the table, as a loop would, refuses it too, as does
    // a row on a page this table's long values may not use.
    QByteArray longValue(int i, const uchar* field, int size)
    {
        if (size < MDB_MEMO_OVERHEAD)
            refuse(i, QStringLiteral("的长值头不全"));
        const quint32 head = qFromLittleEndian<quint32>(field);
        const qint64 length = head & 0x3FFFFFFF;
        MdbHandle* mdb = m_handle->mdb;
        if (length > m_handle->pageCount * mdb->fmt->pg_size)
            refuse(i, QStringLiteral("的长度 %1 超出文件").arg(length));
        if (head & 0x80000000) {
            if (size - MDB_MEMO_OVERHEAD < length)
                refuse(i, QStringLiteral("应有 %1 字节，行中只有 %2 字节").arg(length).arg(size - MDB_MEMO_OVERHEAD));
            return QByteArray(reinterpret_cast<const char*>(field) + MDB_MEMO_OVERHEAD, qsizetype(length));
        }
        quint32 pageRow = qFromLittleEndian<quint32>(field + 4);
        const bool chained = !(head & 0x40000000);
        QByteArray bytes;
        bytes.reserve(qsizetype(length));
        while (bytes.size() < length) {
            if (!pageRow)
                refuse(i, QStringLiteral("应有 %1 字节，只读出 %2 字节").arg(length).arg(bytes.size()));
            const quint32 page = pageRow >> 8;
            if (page < 1 || page >= m_handle->pageCount)
                refuse(i, QStringLiteral("的长值页 %1 超出文件末尾").arg(page));
            if (m_longRows.contains(pageRow))   // each piece belongs to one value, read once
                refuse(i, QStringLiteral("的长值回到已读过的页 %1 第 %2 行").arg(page).arg(pageRow & 0xFF));
            m_longRows.insert(pageRow);
            const uchar* piece = nullptr;
            size_t rowSize = 0;
            QString wrong = findRow(mdb, pageRow, m_handle->pageCount, piece, rowSize);
            if (wrong.isEmpty())
                wrong = notLongValuePage(page, qFromLittleEndian<quint32>(mdb->alt_pg_buf + 4));
            if (!wrong.isEmpty())
                refuse(i, QStringLiteral("的长值页 %1 %2").arg(page).arg(wrong));
            if (chained) {
                if (rowSize <= 4)
                    refuse(i, QStringLiteral("的长值页 %1 上的一段是空的").arg(page));
                pageRow = qFromLittleEndian<quint32>(piece);
                piece += 4;
                rowSize -= 4;
            } else {
                pageRow = 0;
            }
            bytes.append(reinterpret_cast<const char*>(piece), qsizetype(qMin<qint64>(qint64(rowSize), length - bytes.size())));
        }
        return bytes;
    }

    // Why page, whose owner field holds owner, is no page for this table's long values; ""
    // when it is one. Long values lie on pages of their own, marked "LVAL" where a data page
    // names its table, or on this table's pages; never on a page holding usage maps, nor on
    // one that another table claims or names.
    QString notLongValuePage(quint32 page, quint32 owner) const
    {
        const quint32 own = quint32(m_table->entry->table_pg);
        const quint32 claimed = m_handle->claims.pages.value(page, own);
        if (m_handle->claims.mapPages.contains(page))
            return QStringLiteral("是页面分配图所在的页");
        if (claimed == own && (owner == own || owner == qFromLittleEndian<quint32>("LVAL")))
            return QString();
        const QString other = m_handle->tableAt(claimed != own ? claimed : owner);
        return other.isEmpty() ? QStringLiteral("不是长值页") : QStringLiteral("是表 %1 的页").arg(other);
    }

    std::shared_ptr<Handle> m_handle;
    std::vector<quint32> m_pages;   // the data pages; declared first, m_table's reading fills it
    TableDef m_table;
    QVector<const MdbColumn*> m_cols;
    QVector<bool> m_wanted;
    size_t m_nextPage = 0;    // in m_pages
    quint32 m_page = 0;       // the page read now, its rows and the next of them
    int m_rowsOnPage = 0, m_row = 0;
    qint64 m_read = 0;        // rows delivered
    QSet<quint32> m_longRows;   // the long-value rows read, as page << 8 | row
};

class MdbSource : public Source {
public:
    explicit MdbSource(const QString& path) : m_handle(std::make_shared<Handle>())
    {
        m_handle->path = path;
        m_handle->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
        if (!m_handle->mdb)
            damaged(path, QStringLiteral("不是可读的Access数据库"));
        if (m_handle->mdb->f->jet_version == MDB_VER_JET3) {
            const QByteArray charset = jet3Charset(m_handle->mdb->f->code_page);
            mdb_close(m_handle->mdb);
            m_handle->mdb = openWithCharset(path, charset);
            if (!m_handle->mdb)
                damaged(path, QStringLiteral("不是可读的Access数据库"));
            m_handle->jet3Codec = iconv_open("UTF-16LE", charset.constData());
            if (m_handle->jet3Codec == iconv_t(-1))
                damaged(path, QStringLiteral("无法转换代码页 %1").arg(QString::fromLatin1(charset)));
        }
        MdbHandle* mdb = m_handle->mdb;
        // A file cut short or holding a part page; then every table the catalogue names,
        // queries, forms and the rest left aside, must have its definition and its pages.
        const qint64 size = QFileInfo(path).size();
        const qint64 pageSize = mdb->fmt->pg_size;
        if (pageSize <= 0 || size < 2 * pageSize || size % pageSize != 0)
            damaged(path, QStringLiteral("文件大小 %1 不是整数个数据页").arg(size));
        m_handle->pageCount = size / pageSize;
        // The catalogue's own rows, read here without the objects' properties, which
        // libmdb would parse at length from the garbage of a damaged file.
        MdbCatalogEntry objects{};
        objects.mdb = mdb;
        objects.object_type = MDB_TABLE;
        objects.table_pg = 2;
        qstrncpy(objects.object_name, "MSysObjects", sizeof objects.object_name);
        {
            MdbTable catalog(m_handle, &objects, {QStringLiteral("Id"), QStringLiteral("Name"), QStringLiteral("Type"),
                                                  QStringLiteral("Flags")});
            const int id = catalog.columnIndex(QStringLiteral("Id")), name = catalog.columnIndex(QStringLiteral("Name")),
                      type = catalog.columnIndex(QStringLiteral("Type")), flags = catalog.columnIndex(QStringLiteral("Flags"));
            if (id < 0 || name < 0 || type < 0 || flags < 0)
                damaged(path, QStringLiteral("无法读取表目录"));
            Row row;
            qint64 number = 0;
            while (catalog.next(row, number)) {
                if (row.value(type).toInt() != MDB_TABLE)
                    continue;
                auto entry = std::make_unique<MdbCatalogEntry>();
                *entry = MdbCatalogEntry{};
                entry->mdb = mdb;
                entry->object_type = MDB_TABLE;
                entry->table_pg = row.value(id).toLongLong() & 0x00FFFFFF;
                entry->flags = row.value(flags).toInt();
                qstrncpy(entry->object_name, row.value(name).toString().toUtf8().constData(), sizeof entry->object_name);
                m_handle->catalog.push_back(std::move(entry));
            }
        }
        if (m_handle->catalog.empty())
            damaged(path, QStringLiteral("无法读取表目录"));
        // Every table the catalogue names must have its definition and its pages.
        for (const auto& entry : m_handle->catalog) {
            std::vector<quint32> pages;
            readTable(path, entry.get(), m_handle->pageCount, pages, m_handle->claims);
            if (!mdb_is_system_table(entry.get())) {
                m_names.append(QString::fromUtf8(entry->object_name));
                m_entries.append(entry.get());
            }
        }
        m_index.emplace(m_names);
    }

    QString kind() const override { return QStringLiteral("Microsoft Access"); }
    QStringList tableNames() const override { return m_names; }

    std::unique_ptr<Table> openTable(const QString& name) override
    {
        return std::make_unique<MdbTable>(m_handle, m_entries.at(m_index->find(name)));
    }

private:
    std::shared_ptr<Handle> m_handle;
    QStringList m_names;
    QVector<MdbCatalogEntry*> m_entries;
    std::optional<TableIndex> m_index;
};

} // namespace

std::unique_ptr<Source> openMdb(const QString& path) { return std::make_unique<MdbSource>(path); }

} // namespace extdb
