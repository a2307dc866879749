#pragma once
// The columns of the main window's device list.
class QTreeView;

namespace ostrel {

// First widths of the list's columns in the view's font, wide enough for a whole device
// number, a short name and a large value; the user may change them afterwards.
void SizeDeviceColumns(QTreeView* view);

} // namespace ostrel
