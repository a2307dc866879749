#include "main/core/ui/fileshell.h"
#include "main/core/ui/mdlwidgets.h"
#include "platform/core/app.h"
#include "platform/core/events.h"
#include "platform/core/msgbox.h"
#include "platform/core/settings.h"
#include "platform/ui/filedialog.h"
#include "platform/ui/shell.h"

namespace ostrel {
namespace {

const QChar kSep(u'/');

QString withSeparator(const QString& folder)
{
    if (folder.isEmpty() || folder.endsWith(kSep) || folder.endsWith(QLatin1Char('\\')))
        return folder;
    return folder + kSep;
}

} // namespace

QPixmap GetFileIcon(const QString& path, qint32 iconSize) { return ui::fileIcon(path, iconSize == 2); }

QString GetFileTypeName(const QString& path) { return ui::fileTypeName(path); }

QString StartDocErrorText(qint32 result)
{
    switch (result) {
    case 2: return QStringLiteral("File not found");
    case 3: return QStringLiteral("Path not found");
    case 5: return QStringLiteral("Access denied");
    case 8: return QStringLiteral("Out of memory");
    case 11: return QStringLiteral("Invalid EXE file or error in EXE image");
    case 26: return QStringLiteral("A sharing violation occurred");
    case 27: return QStringLiteral("Incomplete or invalid file association");
    case 28: return QStringLiteral("DDE Time out");
    case 29: return QStringLiteral("DDE transaction failed");
    case 30: return QStringLiteral("DDE busy");
    case 31: return QStringLiteral("No association for file extension");
    case 32: return QStringLiteral("DLL not found");
    default: return QStringLiteral("Unknown error");
    }
}

qint32 StartDoc(const QString& path)
{
    qint32 result = 0;
    try {
        result = ui::shellOpen(path);
    } catch (...) {
        result = 0;
    }
    if (result <= 32)
        ui::MsgBox(StartDocErrorText(result), ui::vbOKOnly);
    return result;
}

QString GetOpenFile(ui::HWND ownerWnd, const QString& title, bool saveDialog, const QString& fileName,
                    QString& defExt, const QString& filter, const QString& initDir, bool rememberFolder)
{
    try {
        const QString section = QStringLiteral("Settings");
        const QString key = QStringLiteral("ExportPath");
        QString start = initDir;
        if (start.isEmpty())
            start = plat::GetSetting(gAppName, section, key, plat::appPath());
        start = withSeparator(start);

        // "desc;pattern;desc;pattern" with "," between the patterns of one choice.
        QString windowsFilter = filter;
        windowsFilter.replace(QLatin1Char(';'), QLatin1Char('|'));
        windowsFilter.replace(QLatin1Char(','), QLatin1Char(';'));
        while (windowsFilter.endsWith(QLatin1Char('|')))
            windowsFilter.chop(1);

        ui::FileDialogRequest request;
        request.save = saveDialog;
        request.title = title;
        request.initialFolder = start;
        request.fileName = fileName;
        request.filter = windowsFilter;
        request.filterIndex = 1;

        QWidget* owner = ownerWnd ? ui::windowFromHandle(ownerWnd) : nullptr;
        ui::DoEvents();
        const QString chosen = saveDialog ? ui::GetSaveFileName(request, owner) : ui::GetOpenFileName(request, owner);
        ui::DoEvents();
        const QString path = TrimNull(chosen).trimmed();
        if (path.isEmpty())
            return QString();

        const QString folder = SplitPath(path, true, true);
        QString name = SplitPath(path, false, false);
        if (!defExt.isEmpty() && !defExt.contains(QLatin1Char('.')))
            defExt = QLatin1Char('.') + defExt;
        if (!name.contains(QLatin1Char('.')))
            name += defExt;
        if (rememberFolder)
            plat::SaveSetting(gAppName, section, key, folder);
        return folder + name;
    } catch (const vb::Error& e) {
        if (e.number() != vb::errObjectNotSet)
            ReportError(e);
    } catch (const std::exception& e) {
        ReportError(e);
    }
    return QString();
}

} // namespace ostrel
