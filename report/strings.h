#pragma once
// The report library's string table.
#include "shared/res/strings.h"

namespace parvel {

enum StringId : int {
    sNoData = 1001,          // 数据集为空…
    sPreparing = 1002,
    sTooWide = 1003,
    sSizing = 1004,
    sPrintingPage = 1005,    // "*" = page/pages
    sCancelled = 1006,
    sOperator = 1007,
    sFontFace = 1008,
    sPageText = 1009,        // "$P", "$T"
    sNoRoom = 1010,          // the page holds no row
    sBusy = 1011,            // a report is being printed already
};

const res::StringTable& strings();
QString str(int id);

} // namespace parvel
