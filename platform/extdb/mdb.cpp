// .mdb: Access files (Jet3, Jet4) through libmdb.
#include "platform/extdb/extdb.h"
#include "platform/core/vberror.h"
#include <QFile>
#include <QVector>
#include <glib.h>   // before mdbtools.h, which includes it inside extern "C"
#include <iconv.h>
#include <mdbtools.h>

namespace extdb {
namespace {

constexpr size_t kBindSize = 256 * 1024;   // one cell's text, a memo's too

struct Handle {
    MdbHandle* mdb = nullptr;
    QString path;
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

class MdbTable : public Table {
public:
    MdbTable(std::shared_ptr<Handle> handle, MdbCatalogEntry* entry) : m_handle(std::move(handle))
    {
        m_table = mdb_read_table(entry);
        if (!m_table || !mdb_read_columns(m_table))
            damaged(m_handle->path, QStringLiteral("无法读取表 %1 的定义").arg(QString::fromUtf8(entry->object_name)));
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

bool catalogComplete(MdbHandle* mdb)
{
    char name[] = "MSysObjects";
    MdbTableDef* objects = mdb_read_table_by_name(mdb, name, MDB_TABLE);
    if (!objects)
        return false;
    const bool complete = mdb->num_catalog > 0 && mdb->num_catalog >= objects->num_rows;
    mdb_free_tabledef(objects);
    return complete;
}

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
        // Every row of the catalog table must have been read, else the file is cut short.
        if (!mdb_read_catalog(mdb, MDB_ANY) || !catalogComplete(mdb))
            damaged(path, QStringLiteral("无法读取表目录"));
        for (unsigned i = 0; i < mdb->num_catalog; ++i) {
            auto entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
            if (entry->object_type == MDB_TABLE && !mdb_is_system_table(entry)) {
                m_names.append(QString::fromUtf8(entry->object_name));
                m_entries.append(entry);
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
