#pragma once
// What the desktop offers for files: opening a document with its program, a file's
// icon and type name, and the help file.
#include <QPixmap>
#include <QString>
#include <QStringList>

class QWidget;

namespace ui {

// Results of shellOpen below 33 are failures, numbered as the classic shell numbers them.
enum ShellResult : int {
    shellFileNotFound = 2,
    shellPathNotFound = 3,
    shellAccessDenied = 5,
    shellNoAssociation = 31,
    shellOpened = 42,
};

// Opens a file (or a URL such as "https://...") with the program the desktop associates
// with it. Returns shellOpened, or one of the failures. A relative path is taken in the
// program's folder.
int shellOpen(const QString& path);

// The icon of a file as the desktop shows it: 32 pixels when large, else 16. A null
// pixmap when the file does not exist.
QPixmap fileIcon(const QString& path, bool large);

// The type name of a file ("PNG 图像", "文本文档", ...); for a type the desktop does not
// know, the extension in capitals and " 文件". Empty when the file does not exist.
QString fileTypeName(const QString& path);

// The same from a file name alone, through the MIME database: no file needs to exist.
// A type without an icon of its own gets the desktop's plain file icon.
QPixmap fileIconForName(const QString& name, bool large);
QString fileTypeNameForName(const QString& name);

// Help commands.
enum HelpCommand : int { helpContents = 3, helpPartialKey = 261 };
// Opens the help file (a relative name is taken in the program's folder) for a command.
// A missing file is reported in a message box with the exclamation icon; returns
// whether the file was opened.
bool WinHelp(QWidget* owner, const QString& helpFile, int command, quint32 data = 0);

namespace script {
// While message boxes are scripted, nothing is really opened: the paths are recorded
// and the queued results returned (shellOpened when none is queued).
void answerShell(int result);
QStringList openedDocuments();
} // namespace script

} // namespace ui
