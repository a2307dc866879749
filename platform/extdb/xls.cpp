// .xls: BIFF5 and BIFF8 workbooks in a compound file, through freexl.
#include "platform/extdb/biff.h"
#include "platform/extdb/extdb.h"
#include "platform/extdb/sheet.h"
#include "platform/core/vberror.h"
#include <QFile>
#include <freexl.h>

namespace extdb {
namespace {

struct Handle {
    const void* h = nullptr;
    QString path;
    std::unique_ptr<BiffCells> cells;
    ~Handle()
    {
        if (h)
            freexl_close(h);
    }
};

class XlsTable : public SheetTable {
public:
    XlsTable(std::shared_ptr<Handle> handle, unsigned short sheet, const QString& name)
        : m_handle(std::move(handle)), m_sheet(sheet), m_cells(m_handle->cells->cells(name, sheet))
    {
        select();
        if (freexl_worksheet_dimensions(m_handle->h, &m_rows, &m_columns) != FREEXL_OK)
            damaged(m_handle->path, QStringLiteral("无法读取工作表的大小"));
        readHeading();
    }

protected:
    bool fetchRaw(qint64& sheetRow, Row& cells) override
    {
        if (m_next >= m_rows)
            return false;
        select();
        cells = Row(m_columns);
        for (unsigned short c = 0; c < m_columns; ++c) {
            FreeXL_CellValue v;
            if (freexl_get_cell_value(m_handle->h, m_next, c, &v) != FREEXL_OK)
                damaged(m_handle->path, QStringLiteral("无法读取第 %1 行第 %2 列的单元格").arg(m_next + 1).arg(c + 1));
            const auto own = m_cells.constFind(quint32(m_next) << 16 | c);
            cells[c] = own == m_cells.constEnd() ? value(v) : *own;
        }
        sheetRow = qint64(++m_next);
        return true;
    }

    void rewind() override { m_next = 0; }

private:
    // Only one sheet of a handle is active at a time.
    void select()
    {
        if (freexl_select_active_worksheet(m_handle->h, m_sheet) != FREEXL_OK)
            damaged(m_handle->path, QStringLiteral("无法选择工作表"));
    }

    static QVariant value(const FreeXL_CellValue& v)
    {
        const auto text = [&] { return v.value.text_value ? QString::fromUtf8(v.value.text_value) : QString(); };
        switch (v.type) {
        case FREEXL_CELL_INT: return QString::number(v.value.int_value);
        case FREEXL_CELL_DOUBLE: return numberText(v.value.double_value);
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT: return text();
        case FREEXL_CELL_DATE: return text() + QStringLiteral(" 00:00:00");
        case FREEXL_CELL_DATETIME: return text();
        case FREEXL_CELL_TIME: return QStringLiteral("1899-12-30 ") + text();
        default: return QVariant();
        }
    }

    std::shared_ptr<Handle> m_handle;
    unsigned short m_sheet;
    QHash<quint32, QVariant> m_cells;   // read past freexl
    unsigned int m_rows = 0;
    unsigned short m_columns = 0;
    unsigned int m_next = 0;
};

class XlsSource : public Source {
public:
    explicit XlsSource(const QString& path) : m_handle(std::make_shared<Handle>())
    {
        m_handle->path = path;
        const int rc = freexl_open(QFile::encodeName(path).constData(), &m_handle->h);
        // freexl may answer success without a handle.
        if (rc != FREEXL_OK || !m_handle->h)
            damaged(path, QStringLiteral("不是可读的Excel工作簿 (freexl %1)").arg(rc));
        unsigned int info = 0;
        if (freexl_get_info(m_handle->h, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK && info == FREEXL_BIFF_OBFUSCATED)
            damaged(path, QStringLiteral("工作簿有密码保护"));
        if (freexl_get_info(m_handle->h, FREEXL_BIFF_VERSION, &info) != FREEXL_OK ||
            (info != FREEXL_BIFF_VER_5 && info != FREEXL_BIFF_VER_8))
            damaged(path, QStringLiteral("不支持的Excel版本 (BIFF%1)").arg(info));
        m_handle->cells = std::make_unique<BiffCells>(path);
        m_kind = info == FREEXL_BIFF_VER_8 ? QStringLiteral("Excel 8.0") : QStringLiteral("Excel 5.0");
        unsigned int sheets = 0;
        if (freexl_get_info(m_handle->h, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK)
            damaged(path, QStringLiteral("无法读取工作表目录"));
        for (unsigned int i = 0; i < sheets && i < 65535; ++i) {
            const char* name = nullptr;
            if (freexl_get_worksheet_name(m_handle->h, (unsigned short)i, &name) != FREEXL_OK)
                damaged(path, QStringLiteral("无法读取工作表名称"));
            m_names.append(name ? QString::fromUtf8(name) : QString());
        }
    }

    QString kind() const override { return m_kind; }
    QStringList tableNames() const override { return m_names; }

    std::unique_ptr<Table> openTable(const QString& name) override
    {
        const int i = findTable(m_names, name);
        return std::make_unique<XlsTable>(m_handle, (unsigned short)i, m_names[i]);
    }

private:
    std::shared_ptr<Handle> m_handle;
    QString m_kind;
    QStringList m_names;
};

} // namespace

std::unique_ptr<Source> openXls(const QString& path) { return std::make_unique<XlsSource>(path); }

} // namespace extdb
