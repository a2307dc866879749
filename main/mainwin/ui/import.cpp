// The menu command "导入外部数据..".
#include "main/mainwin/ui/import.h"
#include "main/core/ui/fileshell.h"
#include "main/core/ui/mdlwidgets.h"
#include "main/core/globals.h"
#include "main/core/usrinfos.h"
#include "platform/core/events.h"
#include "platform/core/msgbox.h"
#include "platform/ui/command.h"
#include "platform/ui/hwnd.h"

namespace ostrel {

void mnuFileImport_Click(QWidget* parent, const std::function<void()>& reloaded)
{
    ui::runCommand(
        [&] {
            if (!gUsrInfos || !gUsrInfos->PrvAddDev())
                throw vb::Error(1000, QStringLiteral("当前用户没有登记设备的权限，不能导入外部数据。"));
            QString defExt = QStringLiteral("xls");
            const QString path = GetOpenFile(ui::windowHandle(parent), QStringLiteral("数据文件"), false, QString(),
                                             defExt,
                                             QStringLiteral("Excel文件(*.xls,*.xlsx);*.xls,*.xlsx;Access文件(*.mdb);*.mdb"),
                                             QString(), true);
            if (path.isEmpty())
                return;
            qint32 count = 0;
            {
                ui::BusyCursor busy;
                count = ImportDevices(path, ImportOptions{gCodes.get(), gUsrInfos->UsrID(), PostStatus});
            }
            ui::MsgBox(QStringLiteral("导入数据成功!共计") + QString::number(count) + QStringLiteral("条。"), ui::vbOKOnly,
                       QString(), parent);
            if (reloaded)
                reloaded();
        },
        parent);
}

} // namespace ostrel
