#include "report/rowsource.h"
#include "platform/dao/dao.h"

namespace parvel {

namespace {

class DaoSource final : public RowSource {
public:
    explicit DaoSource(dao::Recordset rs) : m_rs(std::move(rs)) {}
    bool atEnd() const override { return m_rs.Eof(); }
    bool atStart() const override { return m_rs.Bof(); }
    void moveFirst() override { m_rs.MoveFirst(); }
    void moveLast() override { m_rs.MoveLast(); }
    void moveNext() override { m_rs.MoveNext(); }
    int recordCount() const override { return m_rs.RecordCount(); }
    int fieldIndex(const QString& name) const override
    {
        // An unknown name raises the layer's 3265 here, once, instead of on every row.
        const dao::Fields fields = m_rs.Fields();
        const QString wanted = fields.Item(name).Name();
        for (int i = 0; i < fields.Count(); ++i)
            if (fields.Item(i).Name() == wanted)
                return i;
        throw vb::Error(3265, QStringLiteral("此集合中找不到项目。"), QStringLiteral("DAO"));
    }
    QVariant value(int field) const override { return m_rs.Fields(field).Value(); }
    void requery() override { m_rs.Requery(); }
    std::unique_ptr<RowSource> clone() const override { return std::make_unique<DaoSource>(m_rs.Clone()); }
    void close() override { m_rs.Close(); }

private:
    dao::Recordset m_rs;
};

} // namespace

std::unique_ptr<RowSource> recordsetSource(const dao::Recordset& rs) { return std::make_unique<DaoSource>(rs); }

} // namespace parvel
