// The rule's entry points to its designer windows: create, place, set up, show, destroy.
#include "rulegen/designer/windows.h"
#include "rulegen/engine/codeclass.h"
#include "rulegen/engine/strings.h"
#include "rulegen/engine/textutil.h"
#include "platform/core/events.h"
#include "platform/core/msgbox.h"
#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <memory>

namespace tessaly {

DesignerWindows& designerWindows()
{
    static DesignerWindows w;
    return w;
}

namespace {

std::function<void(QDialog*)>& modalHook()
{
    static std::function<void(QDialog*)> h;
    return h;
}

QDialog* standIn(const QString& caption)
{
    auto* d = new QDialog;
    d->setWindowTitle(caption);
    return d;
}

// Over the library's active window, else centred; never past the screen's right or bottom edge.
void place(QDialog* d)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect s = screen->geometry();
    const QSize size = d->frameGeometry().size();
    int left, top;
    QWidget* active = QApplication::activeWindow();
    if (active && isLibraryWindow(active)) {
        const QRect a = active->frameGeometry();
        left = a.left() + int(0.3 * a.width());
        top = a.top() + int(0.3 * a.height());
    } else {
        left = (s.width() - size.width()) / 2;
        top = (s.height() - size.height()) / 2;
    }
    if (left + size.width() > s.width())
        left = (s.width() - size.width()) / 2;
    if (top + size.height() > s.height())
        top = (s.height() - size.height()) / 2;
    d->move(left, top);
}

// The common frame: every error is shown and swallowed; the window never outlives the call.
void run(const std::function<QDialog*()>& prepare, bool placeIt)
{
    std::unique_ptr<QDialog> window;
    try {
        window.reset(prepare());
        if (!window)
            return;
        markLibraryWindow(window.get());
        if (placeIt)
            place(window.get());
        ui::DoEvents();
        showModal(window.get());
    } catch (const vb::Error& e) {
        ui::MsgBox(e.description(), ui::vbExclamation, appTitle());
        ui::DoEvents();
    } catch (const std::exception& e) {
        ui::MsgBox(QString::fromLocal8Bit(e.what()), ui::vbExclamation, appTitle());
        ui::DoEvents();
    }
    if (window)
        window->hide();
}

} // namespace

void setModalHook(std::function<void(QDialog*)> hook) { modalHook() = std::move(hook); }

void showModal(QDialog* dialog)
{
    if (ui::script::enabled()) {
        if (modalHook())
            modalHook()(dialog);
        return;
    }
    dialog->exec();
}

bool isLibraryWindow(const QWidget* w) { return w && w->property("tessalyWindow").toBool(); }
void markLibraryWindow(QWidget* w) { w->setProperty("tessalyWindow", true); }

void CodeClassImpl::ShowDesigner(const QString& sTitle, bool AllowSetup)
{
    com::ComPtr<ICodeClass> keep(this);
    run([&]() -> QDialog* {
        m_allowSetup = AllowSetup;
        if (designerWindows().designer)
            return designerWindows().designer(*this, sTitle);
        return standIn(sTitle.isEmpty() ? msg(1500) : sTitle);
    }, false);
}

void CodeClassImpl::ShowFieldManage(const QString& sTitle)
{
    com::ComPtr<ICodeClass> keep(this);
    run([&]() -> QDialog* {
        if (designerWindows().fieldManage)
            return designerWindows().fieldManage(*this, -1, sTitle);
        const QString t = text::trim(sTitle);
        return standIn(t.isEmpty() ? msg(1803) : t);
    }, true);
}

void CodeClassImpl::ShowOptions(const QString& sTitle)
{
    com::ComPtr<ICodeClass> keep(this);
    run([&]() -> QDialog* {
        if (designerWindows().options)
            return designerWindows().options(*this, sTitle);
        const QString t = text::trim(sTitle);
        return standIn(t.isEmpty() ? msg(1901) : t);
    }, true);
}

void CodeClassImpl::ShowAddBandDialog(QString& referenceBand, qint32& position)
{
    com::ComPtr<ICodeClass> keep(this);
    run([&]() -> QDialog* {
        if (!referenceBand.isEmpty()) {
            BandImpl* b = findBand(referenceBand);
            if (!b)
                throw errorJoined(2018, referenceBand);
            referenceBand = b->Name();
        }
        if (designerWindows().addBand)
            return designerWindows().addBand(*this, referenceBand, position);
        return standIn(msg(1811));
    }, true);
}

void CodeClassImpl::ShowRelationDialog(const QVariant& band, const QVariant& referenceNode, bool modify,
                                       qint32& relationship)
{
    com::ComPtr<ICodeClass> keep(this);
    run([&]() -> QDialog* {
        if (m_bands.isEmpty())
            throw error(2003, msg(1001));
        com::ComPtr<IBand> b = Band(band);
        if (!b->Relations())
            throw error(2003);
        if (designerWindows().addNode)
            return designerWindows().addNode(*this, *static_cast<BandImpl*>(b.get()), referenceNode, modify,
                                             relationship);
        return standIn(msg(modify ? 1865 : 1851));
    }, true);
}

} // namespace tessaly
