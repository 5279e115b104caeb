// SPDX-License-Identifier: MIT
#include "platform/linux/CaretBlinkLimiter.h"

#include <QEvent>
#include <QGuiApplication>
#include <QStyleHints>

namespace tarnquill {

CaretBlinkLimiter::CaretBlinkLimiter(int idleMilliseconds)
    : m_flashTime(QGuiApplication::styleHints()->cursorFlashTime())
{
    m_idle.setSingleShot(true);
    m_idle.setInterval(idleMilliseconds);
    connect(&m_idle, &QTimer::timeout, this, [this] { stopBlinking(); });
    qApp->installEventFilter(this);
    m_idle.start();
}

CaretBlinkLimiter::~CaretBlinkLimiter()
{
    qApp->removeEventFilter(this);
}

bool CaretBlinkLimiter::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::FocusIn:
    case QEvent::WindowActivate:
        if (m_stopped) {
            m_stopped = false;
            QGuiApplication::styleHints()->setCursorFlashTime(m_flashTime);
        }
        m_idle.start();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void CaretBlinkLimiter::stopBlinking()
{
    if (m_flashTime <= 0)
        return;
    m_stopped = true;
    // A flash time of 0 leaves the caret shown and still.
    QGuiApplication::styleHints()->setCursorFlashTime(0);
}

} // namespace tarnquill
