#include "rulegen/designer/controls.h"
#include "shared/forms/forms.h"
#include <QPushButton>

namespace tessaly {

QPushButton* commandButton(QWidget* parent, const char* name, int captionId)
{
    auto* b = new QPushButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setProperty(forms::kTag, captionId);
    b->setAutoDefault(false);
    return b;
}

void enableControl(QWidget* w, bool on)
{
    if (w->isEnabled() != on)
        w->setEnabled(on);
}

} // namespace tessaly
