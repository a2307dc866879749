#pragma once
// Rows in memory, read the way the report reads a record set.
#include "report/rowsource.h"
#include "platform/core/vberror.h"
#include <QList>
#include <QStringList>
#include <QVariant>
#include <memory>

namespace testrows {

struct Table {
    QStringList fields;
    QList<QVariantList> rows;
};

class FakeRows final : public parvel::RowSource {
public:
    explicit FakeRows(std::shared_ptr<Table> t) : m_t(std::move(t)) {}
    bool atEnd() const override { return m_t->rows.isEmpty() || m_pos >= m_t->rows.size(); }
    bool atStart() const override { return m_t->rows.isEmpty() || m_pos < 0; }
    void moveFirst() override { m_pos = 0; m_seen = qMax(m_seen, 1); }
    void moveLast() override { m_pos = int(m_t->rows.size()) - 1; m_seen = int(m_t->rows.size()); }
    void moveNext() override
    {
        ++m_pos;
        m_seen = qMax(m_seen, qMin(m_pos + 1, int(m_t->rows.size())));
    }
    int recordCount() const override { return m_seen; }
    int fieldIndex(const QString& name) const override
    {
        for (int i = 0; i < m_t->fields.size(); ++i)
            if (m_t->fields[i].compare(name, Qt::CaseInsensitive) == 0)
                return i;
        throw vb::Error(3265, QStringLiteral("此集合中找不到项目。"));
    }
    QVariant value(int field) const override
    {
        if (atEnd())
            throw vb::Error(3021, QStringLiteral("无当前记录。"));
        return m_t->rows[m_pos][field];
    }
    void requery() override { m_pos = 0; }
    std::unique_ptr<parvel::RowSource> clone() const override
    {
        auto c = std::make_unique<FakeRows>(m_t);
        c->m_pos = 0;
        return c;
    }
    void close() override {}

private:
    std::shared_ptr<Table> m_t;
    int m_pos = 0;
    int m_seen = 0;
};

// n rows of (编号, 名称, 价值, 部门) with the department changing every `groupEvery` rows.
inline std::shared_ptr<Table> devices(int n, int groupEvery = 10)
{
    auto t = std::make_shared<Table>();
    t->fields = {QStringLiteral("编号"), QStringLiteral("名称"), QStringLiteral("价值"), QStringLiteral("部门")};
    for (int i = 0; i < n; ++i)
        t->rows.append({QStringLiteral("D%1").arg(i + 1, 4, 10, QLatin1Char('0')),
                        QStringLiteral("设备%1").arg(i + 1), 100.0 + i,
                        QStringLiteral("部门%1").arg(i / qMax(1, groupEvery) + 1)});
    return t;
}

} // namespace testrows
