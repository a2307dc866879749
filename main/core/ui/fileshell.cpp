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

QString StartDocErrorText(qint32 result, const QString& path)
{
    const char16_t* text = u"无法打开文件：%1";
    switch (result) {
    case 2: text = u"找不到文件：%1"; break;
    case 3: text = u"找不到文件所在的文件夹：%1"; break;
    case 5: text = u"没有权限打开文件：%1"; break;
    case 8: text = u"内存不足，无法打开文件：%1"; break;
    case 11: text = u"打开文件的程序无效或已损坏：%1"; break;
    case 26: text = u"文件正被其他程序使用，无法打开：%1"; break;
    case 27: text = u"打开此类文件的程序设置不完整或无效：%1"; break;
    case 28: case 29: case 30: text = u"打开文件的程序没有响应：%1"; break;
    case 31: text = u"没有程序可以打开此类文件：%1"; break;
    case 32: text = u"打开文件所需的组件不存在：%1"; break;
    default: break;
    }
    return QString::fromUtf16(text).arg(path);
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
        ui::MsgBox(StartDocErrorText(result, path), ui::vbOKOnly);
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
