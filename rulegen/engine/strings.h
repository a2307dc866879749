#pragma once
// The library's string table and the errors it raises.
#include "platform/core/vberror.h"
#include "shared/res/strings.h"
#include <QString>
#include <functional>

namespace tessaly {

const res::StringTable& strings();
inline QString msg(int id) { return strings().text(id); }

// The title of every message box of the library.
inline QString appTitle() { return msg(1500); }

// 0x80040000 + id with the message as description.
vb::Error error(int id);
// The message, a blank line (CR LF twice) and a detail.
vb::Error error(int id, const QString& detail);
// The message followed directly by a text.
vb::Error errorJoined(int id, const QString& tail);
// One of the runtime's own errors (5, 9, 91, 457).
vb::Error runtimeError(int number);

// Runs f; the error 2004 (property read only) is skipped, any other raised again.
void unlessReadOnly(const std::function<void()>& f);

inline QString blankLine() { return QStringLiteral("\r\n\r\n"); }

} // namespace tessaly
