#include "platform/cindral/progresswidget.h"
#include "platform/cindral/cindral.h"
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

namespace cindral {

ProgressWidget::ProgressWidget(QWidget* parent)
    : QWidget(parent), m_label(new QLabel(this)), m_bar(new QProgressBar(this))
{
    auto* lay = new QHBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(m_label);
    lay->addWidget(m_bar);
    m_label->setObjectName(QStringLiteral("progressText"));
    m_bar->setObjectName(QStringLiteral("progressBar"));
    m_bar->setRange(0, 100);
    m_bar->setMaximumWidth(200);
    m_bar->setTextVisible(true);
    connect(&ProgressDisplay::instance(), &ProgressDisplay::changed, this, &ProgressWidget::refresh);
    refresh();
}

void ProgressWidget::refresh()
{
    const ProgressDisplay& d = ProgressDisplay::instance();
    m_label->setText(d.text());
    m_label->setVisible(!d.text().isEmpty());
    m_bar->setValue(d.value());
    m_bar->setVisible(d.barShown());
    // Never pops up as a window of its own before it has a place to live.
    if (parentWidget() || !d.isActive())
        setVisible(d.isActive());
}

bool ProgressWidget::event(QEvent* e)
{
    if (e->type() == QEvent::ParentChange)
        refresh();
    return QWidget::event(e);
}

} // namespace cindral
