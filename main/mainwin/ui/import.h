#pragma once
// The menu command "导入外部数据..", which asks for the file and calls ImportDevices.
#include "main/mainwin/import.h"
#include <functional>

class QWidget;

namespace ostrel {

// The menu command, owned by parent. Refuses a user without PrvAddDev; asks for the file
// (Cancel: nothing happens), imports it with gCodes as the rule, shows the outcome, and
// calls reloaded after rows were added so that the tree and the list show them.
void mnuFileImport_Click(QWidget* parent, const std::function<void()>& reloaded = {});

} // namespace ostrel
