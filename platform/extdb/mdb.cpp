// .mdb: Access files (Jet3, Jet4) through libmdb.
#include "platform/extdb/extdb.h"
#include "platform/core/vberror.h"
#include <QFile>
#include <QFileInfo>
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

struct Handle {
    MdbHandle* mdb = nullptr;
    QString path;
    qint64 pageCount = 0;   // whole pages the file holds
    std::vector<std::unique_ptr<MdbCatalogEntry>> catalog;   // the tables
    iconv_t jet3Codec = iconv_t(-1);   // a Jet3 file's code page to UTF-16
    ~Handle()
    {
        if (mdb)
            mdb_close(mdb);
        if (jet3Codec != iconv_t(-1))
            iconv_close(jet3Codec);
    }
    bool jet3() const { return mdb->f->jet_version == MDB_VER_JET3; }
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

// The pages a table's usage map names must lie inside the file: a file cut short loses
// pages its tables still claim. Raises naming the table.
void checkPages(const QString& path, MdbTableDef* table, qint64 pageCount)
{
    MdbHandle* mdb = table->entry->mdb;
    const QString name = QString::fromUtf8(table->entry->object_name);
    if (!table->usage_map || table->map_sz < 1)
        damaged(path, QStringLiteral("表 %1 没有页面分配图").arg(name));
    gint32 page = 0;
    for (;;) {
        const gint32 last = page;
        page = mdb_map_find_next(mdb, table->usage_map, guint(table->map_sz), guint32(page));
        if (page == 0)
            return;
        if (page < 0 || page >= pageCount)
            damaged(path, QStringLiteral("表 %1 的数据页超出文件末尾").arg(name));
        if (page <= last)   // a map whose first page wraps past the largest number
            damaged(path, QStringLiteral("表 %1 的页面分配图无效").arg(name));
    }
}

// Reads a table's definition and checks its pages; nullptr after raising never happens.
MdbTableDef* readTable(const QString& path, MdbCatalogEntry* entry, qint64 pageCount)
{
    if (entry->table_pg < 1 || qint64(entry->table_pg) >= pageCount)
        damaged(path, QStringLiteral("表 %1 的定义页 %2 超出文件末尾").arg(QString::fromUtf8(entry->object_name)).arg(entry->table_pg));
    MdbTableDef* table = mdb_read_table(entry);
    if (!table || !mdb_read_columns(table)) {
        if (table)
            mdb_free_tabledef(table);
        damaged(path, QStringLiteral("无法读取表 %1 的定义").arg(QString::fromUtf8(entry->object_name)));
    }
    try {
        checkPages(path, table, pageCount);
    } catch (...) {
        mdb_free_tabledef(table);
        throw;
    }
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
    if (!std::isfinite(serial) || std::fabs(serial) > 2958466)   // years 100 to 9999 and a day
        return false;
    const double whole = std::trunc(serial);
    qint64 seconds = std::llround(std::fabs(serial - whole) * 86400.0);
    QDate day = QDate(1899, 12, 30).addDays(qint64(whole));
    if (seconds >= 86400) {
        day = day.addDays(1);
        seconds -= 86400;
    }
    text = dayTimeText(day, int(seconds));
    return true;
}

class MdbTable : public Table {
public:
    // Reads the columns named in only, every column when it is empty; the others come Null.
    MdbTable(std::shared_ptr<Handle> handle, MdbCatalogEntry* entry, const QStringList& only = {})
        : m_handle(std::move(handle))
    {
        m_table = readTable(m_handle->path, entry, m_handle->pageCount);
        mdb_rewind_table(m_table);
        for (int i = 0; i < int(m_table->num_cols); ++i) {
            auto col = static_cast<MdbColumn*>(g_ptr_array_index(m_table->columns, i));
            m_columns.append(QString::fromUtf8(col->name));
            m_cols.append(col);
            m_wanted.append(only.isEmpty() || only.contains(m_columns.last()));
        }
    }
    ~MdbTable() override
    {
        if (m_table)
            mdb_free_tabledef(m_table);
    }

protected:
    bool fetch(Row& cells, qint64& number) override
    {
        if (!mdb_fetch_row(m_table)) {
            if (m_read < qint64(m_table->num_rows))
                damaged(m_handle->path, QStringLiteral("表中应有 %1 行，只读出 %2 行").arg(m_table->num_rows).arg(m_read));
            return false;
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

    [[noreturn]] void refuse(int column, const QString& what) const
    {
        damaged(m_handle->path, QStringLiteral("表 %1 第 %2 行的 %3 列%4")
                                    .arg(QString::fromUtf8(m_table->entry->object_name))
                                    .arg(m_read)
                                    .arg(m_columns[column], what));
    }

    // A value from the row's bytes, which no column is bound to: libmdb only finds where each
    // lies. Whatever libmdb converts is checked to lie inside the page first.
    QVariant value(int i) const
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
        case MDB_NUMERIC: return number(mdb_numeric_to_string(mdb, start, col->col_scale, col->col_prec));
        case MDB_FLOAT:
        case MDB_DOUBLE:
        case MDB_MONEY: return number(mdb_col_to_string(mdb, mdb->pg_buf, start, col->col_type, size));
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
    // starting with the next one's page and row. Exactly that length, or the file is refused.
    QByteArray longValue(int i, const uchar* field, int size) const
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
            void* buf = nullptr;
            int offset = 0;
            size_t rowSize = 0;
            const auto pageBytes = static_cast<const uchar*>(static_cast<void*>(mdb->alt_pg_buf));
            if (mdb_find_pg_row(mdb, int(pageRow), &buf, &offset, &rowSize) != 0 ||
                (pageRow & 0xFF) >= qFromLittleEndian<quint16>(pageBytes + mdb->fmt->row_count_offset))
                refuse(i, QStringLiteral("的长值页 %1 没有第 %2 行").arg(page).arg(pageRow & 0xFF));
            const uchar* piece = static_cast<const uchar*>(buf) + offset;
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

    std::shared_ptr<Handle> m_handle;
    MdbTableDef* m_table = nullptr;
    QVector<const MdbColumn*> m_cols;
    QVector<bool> m_wanted;
    qint64 m_read = 0;
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
            mdb_free_tabledef(readTable(path, entry.get(), m_handle->pageCount));
            if (!mdb_is_system_table(entry.get())) {
                m_names.append(QString::fromUtf8(entry->object_name));
                m_entries.append(entry.get());
            }
        }
    }

    QString kind() const override { return QStringLiteral("Microsoft Access"); }
    QStringList tableNames() const override { return m_names; }

    std::unique_ptr<Table> openTable(const QString& name) override
    {
        return std::make_unique<MdbTable>(m_handle, m_entries.at(findTable(m_names, name)));
    }

private:
    std::shared_ptr<Handle> m_handle;
    QStringList m_names;
    QVector<MdbCatalogEntry*> m_entries;
};

} // namespace

std::unique_ptr<Source> openMdb(const QString& path) { return std::make_unique<MdbSource>(path); }

} // namespace extdb
