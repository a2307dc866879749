#include "main/reports/frmquery.h"

namespace ostrel {

frmQuery::frmQuery(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmQuery"));
}

} // namespace ostrel
