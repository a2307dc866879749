#include "platform/ui/shell.h"
#include "platform/core/app.h"
#include "platform/core/msgbox.h"
#include <QDesktopServices>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QQueue>
#include <QUrl>

namespace ui {
namespace {
struct ShellScript {
    QQueue<int> results;
    QStringList opened;
};
ShellScript& shellScript() { return script::serviceState<ShellScript>(); }

bool isUrl(const QString& path)
{
    const int colon = path.indexOf(QStringLiteral("://"));
    return colon > 1 && !path.left(colon).contains(QLatin1Char('/')) && !path.left(colon).contains(QLatin1Char('\\'));
}

// Paths may come written with "\" between folders.
QString absolute(const QString& path)
{
    QString p = path.trimmed();
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QFileInfo(p).isRelative() ? plat::appFile(p) : p;
}
} // namespace

int shellOpen(const QString& path)
{
    if (path.trimmed().isEmpty())
        return shellFileNotFound;
    QUrl url;
    if (isUrl(path.trimmed())) {
        url = QUrl(path.trimmed());
    } else {
        const QFileInfo fi(absolute(path));
        if (!fi.exists())
            return fi.absoluteDir().exists() ? shellFileNotFound : shellPathNotFound;
        if (!fi.isReadable())
            return shellAccessDenied;
        url = QUrl::fromLocalFile(fi.absoluteFilePath());
    }
    if (script::enabled()) {
        ShellScript& s = shellScript();
        s.opened.append(url.isLocalFile() ? url.toLocalFile() : url.toString());
        return s.results.isEmpty() ? int(shellOpened) : s.results.dequeue();
    }
    return QDesktopServices::openUrl(url) ? int(shellOpened) : int(shellNoAssociation);
}

QPixmap fileIcon(const QString& path, bool large)
{
    const QFileInfo fi(absolute(path));
    if (path.trimmed().isEmpty() || !fi.exists())
        return QPixmap();
    static QFileIconProvider provider;
    const QIcon icon = provider.icon(fi);
    if (icon.isNull())
        return QPixmap();
    const int side = large ? 32 : 16;
    return icon.pixmap(side, side);
}

namespace {
QString typeNameOf(const QMimeType& type, const QString& suffix)
{
    if (!type.isValid() || type.isDefault()) {
        if (suffix.isEmpty())
            return QStringLiteral("文件");
        return suffix.toUpper() + QStringLiteral(" 文件");
    }
    const QString comment = type.comment();
    return comment.isEmpty() ? suffix.toUpper() + QStringLiteral(" 文件") : comment;
}

const QMimeDatabase& mimeDatabase()
{
    static const QMimeDatabase db;
    return db;
}
} // namespace

QString fileTypeName(const QString& path)
{
    const QFileInfo fi(absolute(path));
    if (path.trimmed().isEmpty() || !fi.exists())
        return QString();
    if (fi.isDir())
        return QStringLiteral("文件夹");
    return typeNameOf(mimeDatabase().mimeTypeForFile(fi, QMimeDatabase::MatchExtension), fi.suffix());
}

QPixmap fileIconForName(const QString& name, bool large)
{
    const QMimeType type = mimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName());
    if (icon.isNull()) {
        static QFileIconProvider provider;
        icon = provider.icon(QAbstractFileIconProvider::File);
    }
    const int side = large ? 32 : 16;
    return icon.isNull() ? QPixmap() : icon.pixmap(side, side);
}

QString fileTypeNameForName(const QString& name)
{
    return typeNameOf(mimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension), QFileInfo(name).suffix());
}

bool WinHelp(QWidget* owner, const QString& helpFile, int command, quint32 data)
{
    Q_UNUSED(owner);
    Q_UNUSED(command);
    Q_UNUSED(data);
    const int r = shellOpen(helpFile);
    if (r > 32)
        return true;
    const QString shown = QDir::toNativeSeparators(absolute(helpFile));
    ui::MsgBox(r == shellNoAssociation ? QStringLiteral("无法打开帮助文件：") + shown
                                       : QStringLiteral("找不到帮助文件：") + shown,
               vbExclamation);
    return false;
}

namespace script {
void answerShell(int result) { shellScript().results.enqueue(result); }
QStringList openedDocuments() { return shellScript().opened; }
} // namespace script

} // namespace ui
