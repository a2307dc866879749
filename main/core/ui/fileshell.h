#pragma once
// Files through the shell: a file's icon and type name, opening documents, and the file
// dialogs with a remembered folder.
#include "main/core/filehelpers.h"
#include "platform/ui/hwnd.h"
#include <QPixmap>
#include <QString>

namespace ostrel {

// The shell's icon of a file: large (32 pixels) for iconSize 2, else small. Null when
// the shell knows none.
QPixmap GetFileIcon(const QString& path, qint32 iconSize);
QString GetFileTypeName(const QString& path);

// Opens a document with its associated program. A result of 32 or less is a failure,
// whose text, naming the file, has been shown in a plain message box.
qint32 StartDoc(const QString& path);
// The text shown for a failed StartDoc result on path.
QString StartDocErrorText(qint32 result, const QString& path);

// The open (or, with saveDialog, the save) dialog. Without initDir it starts in the
// remembered folder ("ExportPath", the program's folder when none). filter holds
// description and pattern pairs joined by ";"; several patterns of one choice are
// joined by ",". A dotless defExt gets its dot (written back) and is appended to a
// chosen name without extension. Returns the chosen path, or "" when cancelled.
QString GetOpenFile(ui::HWND ownerWnd, const QString& title, bool saveDialog, const QString& fileName,
                    QString& defExt, const QString& filter, const QString& initDir, bool rememberFolder);

} // namespace ostrel
