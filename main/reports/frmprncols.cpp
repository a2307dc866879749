#include "main/reports/frmprncols.h"

namespace ostrel {

frmPrnCols::frmPrnCols(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPrnCols"));
    setWindowTitle(QStringLiteral("选择打印的列"));
}

void frmPrnCols::Init(QString& ViewWhere, QString& FilterText)
{
    m_viewWhere = ViewWhere;
    m_filterText = FilterText;
}

} // namespace ostrel
