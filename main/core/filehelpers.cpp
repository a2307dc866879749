#include "main/core/filehelpers.h"
#include "platform/core/app.h"
#include "platform/core/vbrt.h"
#include <QIODevice>
#include <QTextStream>

namespace ostrel {
namespace {

const QChar kSep(u'/');

int lastSeparator(const QString& path)
{
    return qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
}

} // namespace

QString GetLineValue(QTextStream* file, const QString& key)
{
    if (!file || !file->device() || !file->device()->isReadable())
        return QString();
    while (!file->atEnd()) {
        const QString line = vb::Trim(file->readLine());
        if (file->status() != QTextStream::Ok)
            return QString();
        if (line.isEmpty() || line.startsWith(QLatin1Char('\'')))
            continue;
        if (key.isEmpty())
            return line;
        if (line.startsWith(key))
            return line.mid(key.size());
    }
    return QString();
}

QString SplitPath(const QString& path, bool folderPart, bool withSlash)
{
    const int at = lastSeparator(path);
    if (!folderPart)
        return at < 0 ? path : path.mid(at + 1);
    if (at < 0)
        return QString();
    if (at == 0)                     // a file in the root folder
        return path.left(1);
    QString folder = path.left(at);
    if (withSlash)
        folder += path.at(at);
    return folder;
}

QString TrimNull(const QString& text)
{
    const int at = text.indexOf(QChar(u'\0'));
    return at < 0 ? text : text.left(at);
}

QString SafeFileName(const QString& storedName)
{
    const QString name = TrimNull(SplitPath(storedName, false, false)).trimmed();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return QString();
    return name;
}

QString TempDocumentPath(const QString& storedName)
{
    const QString name = SafeFileName(storedName);
    return name.isEmpty() ? QString() : plat::appFile(QStringLiteral("Temp")) + kSep + name;
}

QString OpenExternalDatabase(const QString& path, std::unique_ptr<extdb::Source>& database,
                             std::optional<vb::Error>* refusal)
{
    try {
        std::unique_ptr<extdb::Source> source = extdb::open(path);
        if (!source)
            return QString();
        const QString type = source->kind() + QLatin1Char(';');
        database = std::move(source);
        return type;
    } catch (const vb::Error& e) {
        // A damaged file opens as nothing; the reader says why.
        if (refusal)
            *refusal = e;
    }
    return QString();
}

} // namespace ostrel
