#include "shared/forms/forms.h"
#include "platform/core/events.h"
#include "platform/core/settings.h"
#include "platform/core/vberror.h"
#include "platform/ui/command.h"
#include "platform/ui/twips.h"
#include "shared/res/strings.h"
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTabBar>
#include <QToolBar>
#include <QVariant>
#include <QWidget>
#include <cmath>
#include <optional>

namespace forms {
namespace {

// A property read as a whole number: the text must be a number as a whole.
std::optional<int> wholeNumber(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return std::nullopt;
    bool ok = false;
    const QString t = v.toString().trimmed();
    const int i = t.toInt(&ok);
    if (ok)
        return i;
    const double d = t.toDouble(&ok);
    if (ok && std::isfinite(d) && std::fabs(d) < 2147483647.0)
        return int(std::nearbyint(d));
    return std::nullopt;
}

// The numeric value of a text's leading digits (blanks skipped); 0 when there are none.
double leadingValue(const QString& text)
{
    QString digits;
    bool seenPoint = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t'))
            continue;
        if (c.isDigit() && c.unicode() < 128)
            digits += c;
        else if (c == QLatin1Char('.') && !seenPoint)
            digits += c, seenPoint = true;
        else if ((c == QLatin1Char('-') || c == QLatin1Char('+')) && digits.isEmpty())
            digits += c;
        else
            break;
    }
    bool ok = false;
    const double d = digits.toDouble(&ok);
    return ok ? d : 0.0;
}

// The table's text of a number; nothing when the table lacks it.
std::optional<QString> lookup(const res::StringTable& table, std::optional<int> id)
{
    if (!id || !table.has(*id))
        return std::nullopt;
    return table.text(*id);
}

bool isMenuAction(const QAction* a)
{
    const auto objects = a->associatedObjects();
    for (QObject* o : objects)
        if (qobject_cast<QMenu*>(o) || qobject_cast<QMenuBar*>(o))
            return true;
    return false;
}

void localiseTabs(QTabBar* bar, const res::StringTable& table)
{
    for (int i = 0; i < bar->count(); ++i) {
        if (auto t = lookup(table, wholeNumber(bar->tabData(i))))
            bar->setTabText(i, *t);
        if (auto t = lookup(table, wholeNumber(bar->tabToolTip(i))))
            bar->setTabToolTip(i, *t);
    }
}

void localiseHeaders(QAbstractItemView* view, const res::StringTable& table)
{
    QAbstractItemModel* m = view->model();
    if (!m)
        return;
    for (int c = 0; c < m->columnCount(); ++c)
        if (auto t = lookup(table, wholeNumber(m->headerData(c, Qt::Horizontal, Qt::UserRole))))
            m->setHeaderData(c, Qt::Horizontal, *t, Qt::DisplayRole);
}

void localiseOther(QWidget* w, const res::StringTable& table)
{
    const double tag = leadingValue(w->property(kTag).toString());
    if (tag > 0) {
        if (auto t = lookup(table, int(tag))) {
            if (auto* b = qobject_cast<QAbstractButton*>(w))
                b->setText(*t);
            else if (auto* g = qobject_cast<QGroupBox*>(w))
                g->setTitle(*t);
        }
    }
    const double tip = leadingValue(w->toolTip());
    if (tip >= 1)
        if (auto t = lookup(table, int(tip)))
            w->setToolTip(*t);
}

} // namespace

void LoadResStrings(QWidget* form, const res::StringTable& table, bool labelColon)
{
    if (!form)
        return;
    if (auto t = lookup(table, wholeNumber(form->property(kTag))))
        form->setWindowTitle(*t);

    QFont font = form->font();
    if (auto name = lookup(table, 20); name && !name->isEmpty())
        font.setFamily(*name);
    if (auto size = wholeNumber(table.has(21) ? QVariant(table.text(21)) : QVariant()); size && *size > 0)
        font.setPointSize(*size);
    form->setFont(font);

    const auto widgets = form->findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        w->setFont(form->font());
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (auto t = lookup(table, wholeNumber(label->property(kTag))))
                label->setText(labelColon ? *t + QLatin1Char(':') : *t);
        } else if (auto* bar = qobject_cast<QTabBar*>(w)) {
            localiseTabs(bar, table);
        } else if (auto* tools = qobject_cast<QToolBar*>(w)) {
            for (QAction* a : tools->actions())
                if (auto t = lookup(table, wholeNumber(a->toolTip())))
                    a->setToolTip(*t);
        } else if (qobject_cast<QHeaderView*>(w) || qobject_cast<QMenu*>(w) || qobject_cast<QMenuBar*>(w)) {
            // Headers belong to their view; menus are done with their entries below.
        } else if (auto* view = qobject_cast<QAbstractItemView*>(w)) {
            localiseHeaders(view, table);
        } else {
            localiseOther(w, table);
        }
    }

    // Menu entries (and submenu titles) whose text is a number.
    const auto actions = form->findChildren<QAction*>();
    for (QAction* a : actions)
        if (isMenuAction(a))
            if (auto t = lookup(table, wholeNumber(a->text())))
                a->setText(*t);
    const auto menus = form->findChildren<QMenu*>();
    for (QMenu* m : menus)
        if (auto t = lookup(table, wholeNumber(m->title())))
            m->setTitle(*t);
}

namespace {

const QString kSection = QStringLiteral("Settings");
const QString kNormal = QStringLiteral("Normal");
const QString kMax = QStringLiteral("Max");

QStringList fiveFields(const QString& text)
{
    QStringList f = text.isEmpty() ? QStringList() : text.split(QLatin1Char(';'));
    while (f.size() < 5)
        f.append(QString());
    return f;
}

void restore(QWidget* form, const QString& key, const QString& defaultText, const QString& defaultState, bool show)
{
    QString text = plat::GetSetting(plat::appName(), kSection, key);
    if (text.isEmpty()) {
        if (!defaultText.isEmpty()) {
            text = defaultText;
        } else {
            const int w = ui::pixelsToTwipsX(form->width());
            const int h = ui::pixelsToTwipsY(form->height());
            text = QStringList{QString::number((ui::screenWidthTwips(form) - w) / 2),
                               QString::number((ui::screenHeightTwips(form) - h) / 2), QString::number(w),
                               QString::number(h)}
                       .join(QLatin1Char(';'));
        }
    }
    QStringList f = text.split(QLatin1Char(';'));
    if (f.size() < 5) {
        f = fiveFields(text);
        if (!defaultState.isEmpty())
            f[4] = defaultState;
    }

    // A maximised or minimised window is placed in its normal state first.
    const Qt::WindowStates before = form->windowState();
    const Qt::WindowStates sizing = Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen;
    if (before & sizing)
        form->setWindowState(before & ~sizing);

    auto pick = [](const QString& field, int present, int (*toPixels)(double)) {
        const double v = leadingValue(field);
        return v > 0 ? toPixels(std::round(v)) : present;
    };
    // The client rectangle: the window frame is not known before the window is shown.
    const QRect g = form->geometry();
    const int x = pick(f[0], g.x(), ui::twipsToPixelsX);
    const int y = pick(f[1], g.y(), ui::twipsToPixelsY);
    const int w = pick(f[2], g.width(), ui::twipsToPixelsX);
    const int h = pick(f[3], g.height(), ui::twipsToPixelsY);
    form->setGeometry(x, y, w, h);

    const Qt::WindowStates normal = form->windowState() & ~sizing;
    if (f[4] == kNormal)
        form->setWindowState(normal);
    else if (f[4] == kMax)
        form->setWindowState(normal | Qt::WindowMaximized);
    else if (before & sizing)
        form->setWindowState(before);

    ui::DoEvents();
    if (show)
        form->show();
}

void store(QWidget* form, const QString& key)
{
    const QString app = plat::appName();
    const QString stored = plat::GetSetting(app, kSection, key);
    if (form->isMinimized()) {
        // Nothing new to keep: what was stored stays.
        ui::DoEvents();
        return;
    }
    QStringList f = fiveFields(stored);
    if (form->isMaximized()) {
        // Keep the stored normal rectangle; where none is stored, take the window's own.
        const QRect n = form->normalGeometry();
        const int values[4] = {ui::pixelsToTwipsX(n.x()), ui::pixelsToTwipsY(n.y()), ui::pixelsToTwipsX(n.width()),
                               ui::pixelsToTwipsY(n.height())};
        if (n.isValid() && !n.isEmpty())
            for (int i = 0; i < 4; ++i)
                if (f[i].toInt() <= 0)
                    f[i] = QString::number(values[i]);
        f[4] = kMax;
    } else {
        const QRect g = form->geometry();
        f[0] = QString::number(ui::pixelsToTwipsX(g.x()));
        f[1] = QString::number(ui::pixelsToTwipsY(g.y()));
        f[2] = QString::number(ui::pixelsToTwipsX(g.width()));
        f[3] = QString::number(ui::pixelsToTwipsY(g.height()));
        f[4] = kNormal;
    }
    plat::SaveSetting(app, kSection, key, f.join(QLatin1Char(';')));
}

} // namespace

void FormLayout(QWidget* form, const QString& key, bool load, const QString& defaultText,
                const QString& defaultState, bool show)
{
    ui::runCommand([&] {
        if (!form)
            throw vb::Error::runtime(vb::errObjectNotSet);
        if (load)
            restore(form, key, defaultText, defaultState, show);
        else
            store(form, key);
    });
}

} // namespace forms
