#pragma once
// What the main window's source files share.
#include "main/core/globals.h"
#include "main/core/usrinfos.h"
#include <QString>

namespace ostrel::mainwin {

inline constexpr int kTagRole = Qt::UserRole;          // a node's Tag
inline constexpr int kIndexRole = Qt::UserRole + 1;    // a node's index, the root 1

inline QString rootText()
{
    return QStringLiteral("所有设备");
}

// Runs a step whose errors are ignored, as the unload and layout steps are.
template <typename F>
void ignoringErrors(F&& step)
{
    try {
        step();
    } catch (...) {
    }
}

// The departments the operator may see, codes joined by ",".
inline QString departIds()
{
    return gUsrInfos ? gUsrInfos->DepartIDs() : QString();
}

} // namespace ostrel::mainwin
