#include "platform/cindral/cindral.h"
#include "platform/ui/hwnd.h"
#include <QApplication>
#include <QWidget>

namespace cindral {

Messenger::Messenger(QObject* parent) : QObject(parent) {}
Messenger::~Messenger() = default;

void Messenger::PostStatus(const QString& text, qint32, qint16)
{
    m_status = text;
    Q_EMIT NewMessage(text);
}

Hub::Hub(QObject* parent) : QObject(parent) {}

Hub::~Hub()
{
    ProgressDisplay::instance().remove(this);
    // A widget may only go while the application still exists.
    if (QCoreApplication::instance())
        delete m_window.data();
}

void Hub::AttachMessenger(Messenger* messenger) { m_messenger = messenger; }

void Hub::QueryValue(qint32 request, qint32& value)
{
    if (request != ReqWindow)
        return;
    if (!m_window && qobject_cast<QApplication*>(QCoreApplication::instance())) {
        m_window = new QWidget(nullptr, Qt::Tool);
        m_window->setAttribute(Qt::WA_DontShowOnScreen);
        m_window->setObjectName(QStringLiteral("cindralHubWindow"));
    }
    value = ui::windowHandle(m_window);
}

void Hub::ShowProgress(qint32 on)
{
    m_shown = on != 0;
    m_value = 0;
    changed();
}

void Hub::SetProgress(qint32 percent)
{
    m_value = qBound(0, int(percent), 100);
    changed();
}

void Hub::ProgressText(const QString& text)
{
    m_text = text;
    changed();
}

void Hub::EndProgress()
{
    m_shown = false;
    m_value = 0;
    m_text.clear();
    changed();
}

void Hub::changed()
{
    ProgressDisplay::instance().update(this);
    Q_EMIT progressChanged();
}

ProgressDisplay& ProgressDisplay::instance()
{
    static ProgressDisplay* d = new ProgressDisplay; // lives to the end of the process
    return *d;
}

Hub* ProgressDisplay::current() const
{
    for (int i = m_active.size() - 1; i >= 0; --i)
        if (Hub* h = m_active[i].data())
            return h;
    return nullptr;
}

bool ProgressDisplay::isActive() const { return current() != nullptr; }
bool ProgressDisplay::barShown() const { Hub* h = current(); return h && h->progressShown(); }
int ProgressDisplay::value() const { Hub* h = current(); return h ? h->progress() : 0; }
QString ProgressDisplay::text() const { Hub* h = current(); return h ? h->ProgressText() : QString(); }

void ProgressDisplay::update(Hub* hub)
{
    const bool wants = hub->progressShown() || !hub->ProgressText().isEmpty();
    const bool had = m_active.contains(hub);
    if (wants && !had)
        m_active.append(hub);
    else if (!wants && had)
        m_active.removeAll(hub);
    m_active.removeAll(nullptr);
    Q_EMIT changed();
}

void ProgressDisplay::remove(Hub* hub)
{
    if (m_active.removeAll(hub) > 0)
        Q_EMIT changed();
}

} // namespace cindral
