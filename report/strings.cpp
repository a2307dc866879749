#include "report/strings.h"

namespace parvel {

namespace {
const res::StringEntry kEntries[] = {
    {sNoData, u"数据集为空，无可供打印的数据。", nullptr},
    {sPreparing, u"正在准备打印数据。", nullptr},
    {sTooWide, u"报表列数太多或某些字段太长，无法自动生成报表。", nullptr},
    {sSizing, u"正在计算最佳列宽。", nullptr},
    {sPrintingPage, u"正在打印第*页。", nullptr},
    {sCancelled, u"打印过程被用户取消。", nullptr},
    {sOperator, u"操作员：", nullptr},
    {sFontFace, u"宋体", nullptr},
    {sPageText, u"第$P页 共$T页", nullptr},
    {sNoRoom, u"页边距、列数或列宽使页面上放不下一行数据，无法打印报表。", nullptr},
    {sBusy, u"另一个报表正在打印，请等它结束后再打印。", nullptr},
};
} // namespace

const res::StringTable& strings()
{
    static const res::StringTable t(kEntries);
    return t;
}

QString str(int id) { return strings().text(id); }

} // namespace parvel
