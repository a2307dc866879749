#include "main/reports/frmfilter.h"

namespace ostrel {

frmFilter::frmFilter(QWidget* owner) : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("frmFilter"));
}

} // namespace ostrel
