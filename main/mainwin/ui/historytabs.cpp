#include "main/mainwin/ui/historytabs.h"
#include "main/core/filehelpers.h"
#include "main/core/ui/mdlwidgets.h"
#include "platform/core/events.h"
#include "platform/ui/command.h"
#include "platform/ui/shell.h"
#include <QDateTime>
#include <QMap>
#include <QTreeWidget>

namespace ostrel::mainwin {

using namespace Qt::StringLiterals;

const QVector<HistoryTab>& HistoryTabs()
{
    const auto text = [](const char16_t* f) { return HistoryColumn{QString::fromUtf16(f), QString(), false}; };
    const auto code = [](const char16_t* f, const char16_t* type) {
        return HistoryColumn{QString::fromUtf16(f), QString::fromUtf16(type), false};
    };
    const auto date = [](const char16_t* f) { return HistoryColumn{QString::fromUtf16(f), QString(), true}; };
    static const QVector<HistoryTab> tabs = {
        {u"Trans"_s, 0, u"Transfer"_s, u"原使用单位;现使用单位;原安装地点;现安装地点;时间;经办人;备注"_s, u"日期"_s,
         {code(u"Sur_ID", u"Departs"), code(u"Tar_ID", u"Departs"), text(u"调前地点"), text(u"调后地点"),
          date(u"日期"), code(u"经办人", u"Trans"), text(u"备注")},
         &UsrInfos::PrvTrans},
        {u"Maintain"_s, 1, u"Maintain"_s, u"分类;费用,1;维修商;日期;经办人;备注"_s, u"日期"_s,
         {code(u"MType", u"MTypes"), text(u"费用"), code(u"Main_ID", u"Mains"), date(u"日期"),
          code(u"经办人", u"Trans"), text(u"备注")},
         &UsrInfos::PrvMaintain},
        {u"Checks"_s, 2, u"Checks"_s, u"原验收状况;现验收状况;日期;经办人;备注"_s, QString(),
         {code(u"原验收状况", u"Check"), code(u"现验收状况", u"Check"), date(u"日期"), code(u"经办人", u"Trans"),
          text(u"备注")},
         &UsrInfos::PrvCheck},
        {u"Discard"_s, 3, u"Discard"_s, u"处理结果;残值收入;日期;经办人;备注"_s, u"日期"_s,
         {text(u"Result"), text(u"残值收入"), date(u"日期"), code(u"经办人", u"Trans"), text(u"备注")},
         &UsrInfos::PrvDiscard},
        {u"Docs"_s, 4, u"Dev_Docs"_s, u"文件名;类型;日期;经办人;备注"_s, u"Date"_s,
         {text(u"Name"), code(u"Type", u"DType"), date(u"Date"), code(u"M_ID", u"Trans"), text(u"Memo")},
         &UsrInfos::PrvDocs},
    };
    return tabs;
}

const HistoryTab* FindHistoryTab(const QString& key)
{
    for (const HistoryTab& tab : HistoryTabs())
        if (tab.key == key)
            return &tab;
    return nullptr;
}

QString DocIcons::typeKey(const QString& storedName)
{
    const QString name = SplitPath(storedName, false, false);
    const int dot = name.indexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.mid(dot + 1);
}

QIcon DocIcons::icon(const QString& storedName)
{
    const QString key = typeKey(storedName);
    auto it = m_entries.constFind(key);
    if (it != m_entries.constEnd())
        return it->icon;
    const QString name = SplitPath(storedName, false, false);
    Entry entry{QIcon(ui::fileIconForName(name, false)), ui::fileTypeNameForName(name)};
    m_entries.insert(key, entry);
    ui::DoEvents();
    return entry.icon;
}

namespace {

QString shownText(const QVariant& v, const HistoryColumn& column, const QMap<QString, CodeTable>& codes)
{
    if (v.isNull() || !v.isValid())
        return QString();
    if (!column.codeType.isEmpty())
        return LookupCode(codes.value(column.codeType), v, false);
    if (column.date)
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    return v.toString();
}

} // namespace

void LoadHistory(const HistoryTab& tab, qint32 devId, QTreeWidget* list, DocIcons& icons)
{
    QMap<QString, CodeTable> codes;
    for (const HistoryColumn& c : tab.shown)
        if (!c.codeType.isEmpty() && !codes.contains(c.codeType))
            LoadCodeList(c.codeType, codes[c.codeType], false);

    const bool docs = tab.key == QLatin1String("Docs");
    dao::Recordset rs;
    RecordsetCloser closer(rs);
    ui::runCommand([&] {
        QString sql = QStringLiteral("SELECT ALL * FROM ") + SqlName(tab.table) + QStringLiteral(" WHERE [Dev_ID]=") +
                      QString::number(devId);
        if (!tab.orderBy.isEmpty())
            sql += QStringLiteral(" ORDER BY ") + SqlName(tab.orderBy);
        rs = RequireDatabase().OpenRecordset(sql + QLatin1Char(';'), dao::dbOpenSnapshot);
        list->clear();
        while (!rs.Eof()) {
            auto item = new QTreeWidgetItem;
            for (int i = 0; i < tab.shown.size(); ++i) {
                item->setText(i, shownText(rs.Fields(tab.shown[i].field).Value(), tab.shown[i], codes));
                item->setTextAlignment(i, list->headerItem()->textAlignment(i));
            }
            if (docs)
                item->setIcon(0, icons.icon(item->text(0)));
            item->setData(0, Qt::UserRole, rs.Fields(QStringLiteral("ID")).Value());
            list->addTopLevelItem(item);
            rs.MoveNext();
        }
    }, list->window());
}

} // namespace ostrel::mainwin
