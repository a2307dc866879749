#pragma once
// The running program: its folder and title.
#include <QString>

namespace plat {

// The program's folder: the folder of the executable unless a test set another.
// Never ends with a separator.
QString appPath();
void setAppPath(const QString& folder);

// A file in the program's folder.
QString appFile(const QString& name);

// The user's temporary folder as named ($TMPDIR, or /tmp), also when it is missing.
QString tempFolder();

// The application title of the host program: the default title of its message boxes.
QString appTitle();
void setAppTitle(const QString& title);

} // namespace plat
