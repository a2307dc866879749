// .xls: BIFF5 and BIFF8 workbooks in a compound file, read from the workbook stream itself.
#include "platform/extdb/biff.h"
#include "platform/extdb/compound.h"
#include "platform/extdb/extdb.h"
#include "platform/extdb/sheet.h"
#include <QFile>
#include <optional>

namespace extdb {
namespace {

class XlsTable : public SheetTable {
public:
    XlsTable(std::shared_ptr<const BiffBook> book, int sheet) : m_book(std::move(book)), m_cells(m_book->cells(sheet))
    {
        readHeading();
    }

protected:
    bool fetchRaw(qint64& sheetRow, Row& cells) override
    {
        if (m_next >= m_cells.size())
            return false;
        const quint32 row = m_cells[m_next].key >> 16;
        cells.clear();
        cells.share(m_book->strings());
        for (; m_next < m_cells.size() && m_cells[m_next].key >> 16 == row; ++m_next) {
            const BiffBook::Cell& c = m_cells[m_next];
            const int column = int(c.key & 0xFFFF);
            const qint32 shared = m_book->sharedString(c);
            if (shared >= 0)
                cells.appendShared(column, shared);
            else
                cells.append(column, m_book->value(c));
        }
        sheetRow = qint64(row) + 1;
        return true;
    }

    void rewind() override { m_next = 0; }

private:
    std::shared_ptr<const BiffBook> m_book;
    std::vector<BiffBook::Cell> m_cells;
    size_t m_next = 0;
};

class XlsSource : public Source {
public:
    XlsSource(QByteArrayView bytes, const QString& path)
    {
        QString name;
        QByteArray stream = CompoundFile(bytes, path).stream({QStringLiteral("Workbook"), QStringLiteral("Book")}, &name);
        if (stream.isNull())
            damaged(path, QStringLiteral("没有工作簿流"));
        m_book = std::make_shared<const BiffBook>(std::move(stream), path);
        m_names = m_book->sheetNames();
        m_index.emplace(m_names);
    }

    QString kind() const override { return m_book->biff8() ? QStringLiteral("Excel 8.0") : QStringLiteral("Excel 5.0"); }
    QStringList tableNames() const override { return m_names; }

    std::unique_ptr<Table> openTable(const QString& name) override
    {
        return std::make_unique<XlsTable>(m_book, m_index->find(name));
    }

private:
    std::shared_ptr<const BiffBook> m_book;
    QStringList m_names;
    std::optional<TableIndex> m_index;
};

} // namespace

std::unique_ptr<Source> openXls(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        damaged(path, QStringLiteral("无法读取文件"));
    // The file is mapped for as long as its streams are read out of it.
    const qint64 size = f.size();
    const uchar* mapped = size > 0 ? f.map(0, size) : nullptr;
    if (mapped)
        return std::make_unique<XlsSource>(QByteArrayView(mapped, size), path);
    const QByteArray bytes = f.readAll();
    return std::make_unique<XlsSource>(bytes, path);
}

std::unique_ptr<Source> openXlsData(const QByteArray& bytes, const QString& name)
{
    return std::make_unique<XlsSource>(bytes, name);
}

} // namespace extdb
