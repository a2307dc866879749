#pragma once
// Asking before relations are cleared: string 2025 with their number, No preselected.
#include <QtGlobal>

class QWidget;

namespace tessaly {

// True when count relations may go: there are none, or the user answered Yes.
bool confirmClearRelations(qint32 count, QWidget* parent = nullptr);

} // namespace tessaly
