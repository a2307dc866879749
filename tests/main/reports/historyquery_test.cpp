#include "main/reports/historyquery.h"
#include <gtest/gtest.h>

using namespace ostrel;
using namespace Qt::StringLiterals;

namespace {

TEST(HistoryCodes, CodeCellsLookUpInsideTheTableOnly)
{
    const CodeTable t{{u"零"_s, QString(), u"二"_s}};
    EXPECT_EQ(CodeCell(t, 0), u"零"_s);
    EXPECT_EQ(CodeCell(t, 2), u"二"_s);
    EXPECT_EQ(CodeCell(t, 1), QString());
    EXPECT_EQ(CodeCell(t, 3), QString());
    EXPECT_EQ(CodeCell(t, -1), QString());
    EXPECT_EQ(CodeCell(t, QVariant()), QString());
    EXPECT_EQ(CodeCell(CodeTable(), 0), QString());
}

TEST(HistoryCodes, CellsFromTheLayersValuesOrFromStoredTexts)
{
    const HistoryCells cells(3, {CodeTable{{QString(), u"张三"_s}}});
    EXPECT_EQ(cells.columns(), (QStringList{u"设备编号"_s, u"设备名称"_s, u"Result"_s, u"残值收入"_s, u"日期"_s,
                                            u"经办人"_s, u"备注"_s, u"Dev_ID"_s}));
    const QVariant fromLayer[] = {u"A-1"_s, QVariant(), u"变卖"_s, 12.5, QDateTime(QDate(2026, 3, 5), QTime(9, 7, 30)),
                                  1, u"x"_s, 42};
    const QVariant fromText[] = {u"A-1"_s, QVariant(), u"变卖"_s, 12.5, u"2026-03-05 09:07:30"_s,
                                 qint64(1), u"x"_s, qint64(42)};
    const QVariant otherText[] = {u"A-1"_s, QVariant(), u"变卖"_s, 12.5, u"2026/3/5 9:07"_s, 1, u"x"_s, 42};
    for (const QVariant* values : {fromLayer, fromText, otherText}) {
        const HistoryRow r = cells.row(values);
        EXPECT_EQ(r.cells, (QStringList{u"A-1"_s, QString(), u"变卖"_s, u"12.5"_s, u"2026-03-05 09:07"_s, u"张三"_s,
                                        u"x"_s}));
        EXPECT_EQ(r.tag, u"42"_s);
    }
}

} // namespace
