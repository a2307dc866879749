#pragma once
// The registry of component classes: the file "Components.reg" in the program's folder,
// one line per class: class identifier, tab, program identifier, tab, library path. A library
// inside the program's folder is stored by its name relative to that folder, so the folder
// can be moved or copied; entries() gives every library as a whole path.
#include "shared/com/com.h"
#include <QString>
#include <QList>

namespace com::registry {

struct Entry {
    CLSID clsid;
    QString progId;
    QString library;
};

QString filePath();
QList<Entry> entries();
bool find(const CLSID& clsid, Entry* out);
bool findByProgId(const QString& progId, Entry* out);
// Adds or replaces entries (by class identifier); removes entries. Return false when the file can't be written.
bool put(const QList<Entry>& add);
bool remove(const QList<CLSID>& clsids);

} // namespace com::registry
