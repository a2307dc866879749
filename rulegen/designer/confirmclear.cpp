#include "rulegen/designer/confirmclear.h"
#include "platform/core/msgbox.h"
#include "rulegen/engine/strings.h"

namespace tessaly {

bool confirmClearRelations(qint32 count, QWidget* parent)
{
    if (count <= 0)
        return true;
    QString m = msg(2025);
    m.replace(QLatin1Char('*'), QString::number(count));
    return ui::MsgBox(m, ui::vbYesNo | ui::vbQuestion | ui::vbDefaultButton2, appTitle(), parent) == ui::vbYes;
}

} // namespace tessaly
