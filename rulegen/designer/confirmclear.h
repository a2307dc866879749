#pragma once
// Asked before a change clears relations: string 2025 with their number, No preselected.
#include <QtGlobal>

class QWidget;

namespace tessaly {

// True when the change may go on: nothing to clear (count 0) or the user said Yes.
bool confirmClearRelations(qint32 count, QWidget* parent = nullptr);

} // namespace tessaly
