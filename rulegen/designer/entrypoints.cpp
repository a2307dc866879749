// The rule's entry points to its designer windows: create, place, set up, show, destroy.
#include "rulegen/designer/windows.h"
#include "rulegen/engine/codeclass.h"
#include "rulegen/engine/strings.h"
#include "rulegen/engine/textutil.h"
#include "platform/core/events.h"
#include "platform/core/msgbox.h"
#include "platform/ui/command.h"
#include "shared/forms/forms.h"
#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <memory>
#include <optional>

namespace tessaly {

DesignerWindows& designerWindows()
{
    static DesignerWindows w;
    return w;
}

namespace {

// An empty dialog with its caption's string number, as the designer windows carry it.
QDialog* standIn(int captionId)
{
    auto* d = new QDialog;
    d->setProperty(forms::kTag, captionId);
    return d;
}

// The set-up of a stand-in: a title that is not empty replaces the caption.
void standInSetUp(QDialog* d, const QString& title)
{
    const QString t = text::trim(title);
    if (!t.isEmpty())
        d->setWindowTitle(t);
}

void place(QDialog* d, const QPointF& over)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QWidget* active = QApplication::activeWindow();
    const QRect a = active && isLibraryWindow(active) ? active->frameGeometry() : QRect();
    d->move(dialogPlace(d->frameGeometry().size(), a, screen->geometry(), over));
}

// Where the dialogs go over the active window (fractions of its width and height).
const QPointF kOverWindow(0.3, 0.3);
const QPointF kRelationOverWindow(0.4, 0.5);

// The common frame: every error is shown and swallowed; the window never outlives the call.
// A dialog is placed at `over` of the active window; the designer (no `over`) is not placed.
void run(const std::function<void()>& checks, const std::function<QDialog*()>& create,
         const std::function<void(QDialog*)>& setUp, std::optional<QPointF> over, bool breathe)
{
    std::unique_ptr<QDialog> window;
    ui::runCommand(
        [&] {
            checks();
            window.reset(create());
            if (!window)
                return;
            markLibraryWindow(window.get());
            ui::DoEvents();
            if (over)
                place(window.get(), *over);
            forms::LoadResStrings(window.get(), strings(), true);
            setUp(window.get());
            if (breathe)
                ui::DoEvents();
            showModal(window.get());
        },
        nullptr, appTitle());
    if (window)
        window->hide();
}

} // namespace

QPoint dialogPlace(const QSize& size, const QRect& active, const QRect& s, const QPointF& over)
{
    int left, top;
    if (active.isValid()) {
        left = active.left() + int(over.x() * active.width());
        top = active.top() + int(over.y() * active.height());
    } else {
        left = (s.width() - size.width()) / 2;
        top = (s.height() - size.height()) / 2;
    }
    if (left + size.width() > s.width())
        left = (s.width() - size.width()) / 2;
    if (top + size.height() > s.height())
        top = (s.height() - size.height()) / 2;
    return QPoint(left, top);
}

bool isLibraryWindow(const QWidget* w) { return w && w->property("tessalyWindow").toBool(); }
void markLibraryWindow(QWidget* w) { w->setProperty("tessalyWindow", true); }

void CodeClassImpl::ShowDesigner(const QString& sTitle, bool AllowSetup)
{
    com::ComPtr<ICodeClass> keep(this);
    const DesignerWindows& w = designerWindows();
    run([] {},
        [&] { return w.createDesigner ? w.createDesigner() : standIn(1500); },
        [&](QDialog* d) {
            m_allowSetup = AllowSetup;
            if (w.loadBands && w.createDesigner)
                w.loadBands(d, *this, sTitle);
            else if (!sTitle.isEmpty())
                d->setWindowTitle(sTitle);
        },
        std::nullopt, true);
}

void CodeClassImpl::ShowFieldManage(const QString& sTitle)
{
    com::ComPtr<ICodeClass> keep(this);
    const DesignerWindows& w = designerWindows();
    run([] {},
        [&] { return w.createFieldManager ? w.createFieldManager() : standIn(1803); },
        [&](QDialog* d) {
            if (w.showFields && w.createFieldManager)
                w.showFields(d, *this, -1, sTitle);
            else
                standInSetUp(d, sTitle);
        },
        kOverWindow, true);
}

void CodeClassImpl::ShowOptions(const QString& sTitle)
{
    com::ComPtr<ICodeClass> keep(this);
    const DesignerWindows& w = designerWindows();
    run([] {},
        [&] { return w.createOptions ? w.createOptions() : standIn(1901); },
        [&](QDialog* d) {
            if (w.showOptions && w.createOptions)
                w.showOptions(d, *this, sTitle);
            else
                standInSetUp(d, sTitle);
        },
        kOverWindow, true);
}

void CodeClassImpl::ShowAddBandDialog(QString& referenceBand, qint32& position)
{
    com::ComPtr<ICodeClass> keep(this);
    const DesignerWindows& w = designerWindows();
    run([&] {
            if (referenceBand.isEmpty())
                return;
            BandImpl* b = findBand(referenceBand);
            if (!b)
                throw errorJoined(2018, referenceBand);
            referenceBand = b->Name();
        },
        [&] { return w.createAddBand ? w.createAddBand() : standIn(1811); },
        [&](QDialog* d) {
            if (w.showAddBand && w.createAddBand)
                w.showAddBand(d, *this, referenceBand, position);
        },
        kOverWindow, false);
}

void CodeClassImpl::ShowRelationDialog(const QVariant& band, const QVariant& referenceNode, bool modify,
                                       qint32& relationship)
{
    com::ComPtr<ICodeClass> keep(this);
    const DesignerWindows& w = designerWindows();
    com::ComPtr<IBand> target;
    run([&] {
            if (m_bands.isEmpty())
                throw error(2003, msg(1001));
            target = Band(band);
            if (!target->Relations())
                throw error(2003);
        },
        [&] { return w.createAddNode ? w.createAddNode() : standIn(modify ? 1865 : 1851); },
        [&](QDialog* d) {
            if (w.showAddNode && w.createAddNode)
                w.showAddNode(d, *static_cast<BandImpl*>(target.get()), referenceNode, modify, relationship);
        },
        kRelationOverWindow, true);
}

} // namespace tessaly
