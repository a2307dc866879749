// .mdb: Access files (Jet3, Jet4) through libmdb.
#include "platform/extdb/extdb.h"
#include "platform/core/vberror.h"
#include <QFile>
#include <QFileInfo>
#include <QVector>
#include <cstdlib>
#include <vector>
#include <glib.h>   // before mdbtools.h, which includes it inside extern "C"
#include <iconv.h>
#include <mdbtools.h>

namespace extdb {
namespace {

constexpr size_t kBindSize = 256 * 1024;   // one cell's text, a memo's too

struct Handle {
    MdbHandle* mdb = nullptr;
    QString path;
    qint64 pageCount = 0;   // whole pages the file holds
    std::vector<std::unique_ptr<MdbCatalogEntry>> catalog;   // the tables
    ~Handle()
    {
        if (mdb)
            mdb_close(mdb);
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
        page = mdb_map_find_next(mdb, table->usage_map, guint(table->map_sz), guint32(page));
        if (page == 0)
            return;
        if (page < 0 || page >= pageCount)
            damaged(path, QStringLiteral("表 %1 的数据页超出文件末尾").arg(name));
    }
}

// Reads a table's definition and checks its pages; nullptr after raising never happens.
MdbTableDef* readTable(const QString& path, MdbCatalogEntry* entry, qint64 pageCount)
{
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

class MdbTable : public Table {
public:
    MdbTable(std::shared_ptr<Handle> handle, MdbCatalogEntry* entry) : m_handle(std::move(handle))
    {
        m_table = readTable(m_handle->path, entry, m_handle->pageCount);
        mdb_rewind_table(m_table);
        const int n = int(m_table->num_cols);
        m_buffers.resize(n);
        m_lengths.resize(n);
        for (int i = 0; i < n; ++i) {
            auto col = static_cast<MdbColumn*>(g_ptr_array_index(m_table->columns, i));
            m_columns.append(QString::fromUtf8(col->name));
            m_types.append(col->col_type);
            m_buffers[i].resize(kBindSize);
            mdb_bind_column(m_table, i + 1, m_buffers[i].data(), &m_lengths[i]);
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
        cells = Row(m_columns.size());
        for (int i = 0; i < cells.size(); ++i)
            cells[i] = value(i);
        return true;
    }

private:
    QVariant value(int i) const
    {
        const int len = m_lengths[i];
        if (len <= 0)
            return QVariant();
        const QString text = QString::fromUtf8(m_buffers[i].constData(), qMin(len, int(kBindSize)));
        switch (m_types[i]) {
        case MDB_BOOL: return text == u"0" ? QStringLiteral("False") : QStringLiteral("True");
        case MDB_FLOAT:
        case MDB_DOUBLE:
        case MDB_MONEY:
        case MDB_NUMERIC: {
            bool ok = false;
            const double d = text.toDouble(&ok);
            return ok ? numberText(d) : text;
        }
        case MDB_OLE:
        case MDB_BINARY: return QVariant();
        default: return text;
        }
    }

    std::shared_ptr<Handle> m_handle;
    MdbTableDef* m_table = nullptr;
    QVector<int> m_types;
    QVector<QByteArray> m_buffers;
    QVector<int> m_lengths;
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
        }
        MdbHandle* mdb = m_handle->mdb;
        mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");
        mdb_set_shortdate_fmt(mdb, "%Y-%m-%d %H:%M:%S");
        mdb_set_bind_size(mdb, kBindSize);
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
        MdbTableDef* catalog = readTable(path, &objects, m_handle->pageCount);
        QByteArray id(kBindSize, 0), name(kBindSize, 0), type(kBindSize, 0), flags(kBindSize, 0);
        const bool bound = mdb_bind_column_by_name(catalog, const_cast<char*>("Id"), id.data(), nullptr) > 0 &&
                           mdb_bind_column_by_name(catalog, const_cast<char*>("Name"), name.data(), nullptr) > 0 &&
                           mdb_bind_column_by_name(catalog, const_cast<char*>("Type"), type.data(), nullptr) > 0 &&
                           mdb_bind_column_by_name(catalog, const_cast<char*>("Flags"), flags.data(), nullptr) > 0;
        if (bound) {
            mdb_rewind_table(catalog);
            while (mdb_fetch_row(catalog)) {
                if (atoi(type.constData()) != MDB_TABLE)
                    continue;
                auto entry = std::make_unique<MdbCatalogEntry>();
                *entry = MdbCatalogEntry{};
                entry->mdb = mdb;
                entry->object_type = MDB_TABLE;
                entry->table_pg = atol(id.constData()) & 0x00FFFFFF;
                entry->flags = int(atol(flags.constData()));
                qstrncpy(entry->object_name, name.constData(), sizeof entry->object_name);
                m_handle->catalog.push_back(std::move(entry));
            }
        }
        mdb_free_tabledef(catalog);
        if (!bound || m_handle->catalog.empty())
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
