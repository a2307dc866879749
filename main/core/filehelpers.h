#pragma once
// Files outside the database: keyed lines of a text file, cutting paths apart, and
// opening an outside file as a database (icons, documents and file dialogs: ui/fileshell.h).
#include "platform/dao/dao.h"
#include "platform/core/vberror.h"
#include "platform/extdb/extdb.h"
#include <QString>
#include <optional>

class QTextStream;

namespace ostrel {

// The rest of the first line that begins with key (exact, letter case counts), lines
// trimmed of blanks first; empty lines and lines beginning with "'" are skipped. An
// empty key gives the first line left. "" at the end of the file or when the stream
// cannot be read. The stream stays after the line returned.
QString GetLineValue(QTextStream* file, const QString& key);

// The folder part (with a trailing separator when withSlash and the folder is not
// empty) or the file part of a path. Both "/" and "\" separate, so a name stored by
// another system is cut the same way.
QString SplitPath(const QString& path, bool folderPart, bool withSlash);

// The text up to its first NUL character.
QString TrimNull(const QString& text);

// A name that is safe to place in a folder: the file part of a stored name; "" when
// nothing usable is left (empty, "." or "..").
QString SafeFileName(const QString& storedName);

// Writes a stored document out as a new file, named by the file part of the stored name,
// and returns its path. Each running copy writes to a folder of its own (0700), inside
// "Temp" of the program's folder. Other users may write the program's folder: "Temp" is
// used only as a folder of this user's that no one else may write; a link or anything
// else at its name, or an empty folder of someone else's, is removed and the folder made
// anew. Where it holds another user's folder, the copy's folder goes inside a folder of
// this user's own (0700) in the system's temporary folder. Raises vb::Error with the
// reason.
QString WriteTempDocument(const QString& storedName, const QByteArray& bytes);

// Removes this copy's documents and folder, and those that copies of this user's that
// died left behind, never a running copy's (nothing is followed through a link).
void ClearTempDocuments();

// Opens an outside file read-only through the reader its content calls for (Access,
// Excel 97-2003 and 5.0/95, Excel 2007 and later); returns the connect type that stands
// for it followed by ";" ("Microsoft Access;", "Excel 8.0;", "Excel 5.0;",
// "Excel 12.0 Xml;") and sets database, or returns "" and leaves database unchanged; a
// file of a known kind that its reader refuses sets refusal to the reader's error.
// dBase, FoxPro, Paradox and Btrieve files are not read.
QString OpenExternalDatabase(const QString& path, std::unique_ptr<extdb::Source>& database,
                             std::optional<vb::Error>* refusal = nullptr);

} // namespace ostrel
