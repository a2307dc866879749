#include "main/core/ui/mdlwidgets.h"
#include "main/core/strings.h"
#include "main/core/ui/status.h"
#include "platform/core/events.h"
#include "platform/core/msgbox.h"
#include "platform/ui/command.h"
#include <QComboBox>
#include <QHeaderView>
#include <QScopeGuard>
#include <QScreen>
#include <QTreeWidget>
#include <algorithm>

namespace ostrel {

void PostStatus(const QString& text)
{
    PostStatus(text, -1, 0);
}

void ReportError(const std::exception& e) { ui::reportError(e); }

void LoadComboList(QComboBox* combo, const QString& type, const QString& sql, bool addNone, bool selectFirst,
                   const QString& allowedCodes)
{
    dao::Recordset rs;
    RecordsetCloser closer(rs);
    bool progressOn = false;
    const auto progressOff = qScopeGuard([&] {
        if (progressOn)
            ShowProgress(false);
    });
    try {
        QStringList allowed;
        const bool filter = !allowedCodes.isEmpty();
        if (filter)
            allowed = allowedCodes.split(QLatin1Char(','));
        const QString stmt = !type.isEmpty() ? QStringLiteral("SELECT [Value],[No] FROM [SysInfo] WHERE [Type]=") +
                                                   SqlText(type) + QStringLiteral(" ORDER BY [No];")
                                             : sql;
        rs = RequireDatabase().OpenRecordset(stmt, dao::dbOpenSnapshot);
        int count = 0;
        if (!rs.Eof()) {
            rs.MoveLast();
            count = rs.AbsolutePosition() + 1;
            rs.MoveFirst();
        }
        const bool useData = rs.Fields().Count() > 1;
        combo->clear();
        if (addNone)
            combo->addItem(QStringLiteral("(无)"), QVariant(0));
        ShowProgress(true);
        progressOn = true;
        int pos = 0;
        while (!rs.Eof()) {
            try {
                const QVariant text = rs.Fields(0).Value();
                if (filter) {
                    const QVariant code = rs.Fields(1).Value();
                    double c = 0;
                    if (NumberOf(code, &c)) {
                        for (const QString& a : allowed) {
                            double n = 0;
                            if (NumberOf(a, &n) && qint32(n) == qint32(c)) {
                                combo->addItem(text.toString(), code);
                                break;
                            }
                        }
                    }
                } else if (useData) {
                    combo->addItem(text.toString(), rs.Fields(1).Value());
                } else {
                    combo->addItem(text.toString());
                }
            } catch (const vb::Error& e) {
                if (e.number() != dao::err::Locked)
                    throw;
            }
            ++pos;
            if (pos % 50 == 0) {
                SetProgress(pos, count, true);
                ui::DoEvents();
            }
            rs.MoveNext();
        }
        // the combo box itself selects the first entry added
        combo->setCurrentIndex(selectFirst && combo->count() > 0 ? 0 : -1);
    } catch (const vb::Error& e) {
        if (e.number() != dao::err::Locked)
            ReportError(e);
    }
}

void SelectComboItem(QComboBox* combo, const QVariant& value, const QString& text, bool afterBlank)
{
    const bool noValue = (value.isNull() || !value.isValid() || value.toString().isEmpty());
    if (noValue && text.isEmpty())
        return;
    int found = -1;
    for (int i = 0; i < combo->count() && found < 0; ++i) {
        if (!noValue) {
            if (SameValue(combo->itemData(i), value))
                found = i;
        } else {
            QString entry = combo->itemText(i);
            if (afterBlank) {
                const int blank = entry.indexOf(QLatin1Char(' '));
                if (blank >= 0)
                    entry = entry.mid(blank + 1).trimmed();
            }
            if (entry == text)
                found = i;
        }
    }
    if (found < 0) {
        ReportError(vb::Error(1000, QStringLiteral("列表中无指定跟踪值。")));
        return;
    }
    combo->setCurrentIndex(found);
}

void PlaceOverOwner(QWidget* window)
{
    QWidget* owner = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    if (!owner)
        return;
    // a window never resized takes its size hint when shown
    QRect r(QPoint(), window->testAttribute(Qt::WA_Resized) ? window->size() : window->sizeHint());
    r.moveCenter(owner->frameGeometry().center());
    if (const QScreen* screen = owner->screen()) {
        const QRect area = screen->availableGeometry();
        r.moveLeft(std::max(area.left(), std::min(r.left(), area.right() + 1 - r.width())));
        r.moveTop(std::max(area.top(), std::min(r.top(), area.bottom() + 1 - r.height())));
    }
    window->move(r.topLeft());
}

const QString kDateSample = QStringLiteral("0000-00-00 00:00");
const QString kDeviceNoSample = QStringLiteral("0000000000000000");
const QString kNameSample = QStringLiteral("设备名称设备名称");

void SizeColumns(QTreeView* view, const QStringList& samples)
{
    QHeaderView* header = view->header();
    const QAbstractItemModel* model = view->model();
    const QFontMetrics fm(view->font());
    const QFontMetrics headerFm(header->font());
    const int padding = 2 * fm.averageCharWidth();
    for (int c = 0; c < header->count(); ++c) {
        const QString caption = model ? model->headerData(c, Qt::Horizontal).toString() : QString();
        const QString sample = samples.value(c);
        int width = sample.isEmpty() ? header->defaultSectionSize() : fm.horizontalAdvance(sample) + padding;
        width = std::max(width, headerFm.horizontalAdvance(caption) + 2 * headerFm.averageCharWidth());
        header->resizeSection(c, width);
    }
}

void SetupColumns(QTreeWidget* list, const QString& spec, const QStringList& samples)
{
    list->clear();
    QStringList captions;
    QList<bool> right;
    for (const QString& part : spec.split(QLatin1Char(';'))) {
        const QStringList fields = part.split(QLatin1Char(','));
        captions.append(fields.value(0));
        right.append(fields.size() > 1);
    }
    bool same = list->columnCount() == captions.size();
    for (int i = 0; same && i < captions.size(); ++i)
        same = list->headerItem()->text(i) == captions[i] &&
               bool(list->headerItem()->textAlignment(i) & Qt::AlignRight) == right[i];
    if (same)
        return;
    list->setColumnCount(0);
    list->setColumnCount(captions.size());
    list->setHeaderLabels(captions);
    for (int i = 0; i < right.size(); ++i)
        list->headerItem()->setTextAlignment(i, (right[i] ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    SizeColumns(list, samples);
}


QString GetCodeValue(const QString& type, const QVariant& no)
{
    QString result;
    ui::runCommand([&] { result = CodeValue(type, no); });
    return result;
}

QString ReadSysInfo(const QString& type, const QString& defaultText, dao::Database* database, const QString& column)
{
    QString result = defaultText;
    ui::runCommand([&] {
        try {
            result = SysInfoText(type, defaultText, database, column);
        } catch (const vb::Error& e) {
            // still locked after the retries: the default stands
            if (e.number() != dao::err::Locked)
                throw;
        }
    });
    return result;
}

bool WriteSysInfo(const QString& type, const QString& value, const QString& column)
{
    if (gDatabase.isNothing() || value.isEmpty())
        return false;
    bool stored = false;
    ui::runCommand([&] {
        try {
            StoreSysInfo(type, value, column);
            stored = true;
        } catch (const vb::Error& e) {
            if (e.number() != vb::errTypeMismatch)
                throw;
            ui::MsgBox(QStringLiteral("对不起!您输入的字符不合法!"), ui::vbInformation);
            ui::DoEvents();
        }
    });
    return stored;
}

void LoadCodeList(const QString& type, CodeTable& table, bool indexed)
{
    ui::runCommand([&] {
        CodeTable t = CodeList(type, indexed);
        if (!t.isEmpty())
            table = t;
    });
}

QVariant DeleteDevice(qint32 devId, const QString& devNo)
{
    if (ui::MsgBox(Str(1082, devNo), ui::vbYesNo | ui::vbQuestion) != ui::vbYes)
        return QVariant();
    ui::BusyCursor busy;
    const bool done = ui::runCommand([&] { DeleteDeviceRows(devId, [](const QString& t) { PostStatus(t); }); });
    if (!done)
        PostStatus(QString());
    return done ? QVariant(1) : QVariant();
}

QVariant DeleteDynaRecord(qint32 devId, qint32 id, const QString& table)
{
    if (ui::MsgBox(QStringLiteral("确实要删除指定的信息吗？"), ui::vbYesNo | ui::vbQuestion) != ui::vbYes)
        return QVariant();
    return ui::runCommand([&] { DeleteHistoryRecord(devId, id, table); }) ? QVariant(1) : QVariant();
}

} // namespace ostrel
