// SPDX-License-Identifier: MIT
#include "platform/linux/QtProgressView.h"

#include "platform/linux/DesignControls.h"

#include <QLabel>

#include <stdexcept>

namespace tarnquill {

QtProgressView::QtProgressView(app::WindowId id)
    : m_window(app::window(id))
    , m_label1(m_window.control<QLabel>("Label1", 0))
{
    if (!m_label1)
        throw std::logic_error("a progress window's design lacks Label1(0)");
    const app::ControlDesign* timer = app::findControl(m_window.design(), "Timer1");
    if (!timer)
        throw std::logic_error("a progress window's design lacks Timer1");
    m_timer1.setInterval(timer->intervalMs);
}

void QtProgressView::routeTo(app::ProgressForm& handlers)
{
    QObject::connect(&m_timer1, &QTimer::timeout, &m_window, [&handlers] { handlers.Timer1_Timer(); });
}

std::string QtProgressView::Label1Caption() const
{
    return m_label1->text().toStdString();
}

void QtProgressView::setLabel1Caption(const std::string& caption)
{
    m_label1->setText(toQString(caption));
}

void QtProgressView::Show()
{
    m_window.show();
    m_window.raise();
}

void QtProgressView::Hide()
{
    m_window.hide();
}

void QtProgressView::setTimer1Enabled(bool enabled)
{
    if (enabled)
        m_timer1.start();
    else
        m_timer1.stop();
}

QtProgressView& LazyQtProgressView::view() const
{
    if (!m_view) {
        m_view.emplace(m_id);
        if (m_handlers)
            m_view->routeTo(*m_handlers);
    }
    return *m_view;
}

} // namespace tarnquill
