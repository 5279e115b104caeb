// SPDX-License-Identifier: MIT
#include "platform/linux/WatcherPump.h"

#include <QClipboard>

namespace tarnquill {

namespace {
constexpr int kTickMilliseconds = 10;
}

WatcherPump::WatcherPump(ClipboardWatcher& watcher, QClipboard& clipboard)
    : m_watcher(watcher)
{
    m_timer.setInterval(kTickMilliseconds);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { tick(); });
    QObject::connect(&clipboard, &QClipboard::dataChanged, &m_timer, [this] { wake(); });
}

void WatcherPump::start()
{
    m_started = true;
    wake();
}

void WatcherPump::wake()
{
    // The event loop runs before the main window loads (the loading window
    // ticks first), and a copy in that moment must not tick the watcher: it
    // would add to the still empty slots and save them over the store.
    if (!m_started)
        return;
    // Ticking already (say, while an owner has not answered yet), the tick
    // still comes at once rather than at the next interval: a finished read
    // of the clipboard is recorded without waiting up to 10 ms.
    if (!m_timer.isActive())
        m_timer.start();
    QTimer::singleShot(0, &m_timer, [this] { tick(); });
}

void WatcherPump::stop()
{
    m_started = false;
    m_timer.stop();
}

void WatcherPump::tick()
{
    // Reading another program's clipboard waits for its answer; should Qt
    // deliver a tick meanwhile, that tick is dropped: the counter moved past
    // the running one, so the following tick sees the change anyway.
    if (m_inTick)
        return;
    m_inTick = true;
    m_watcher.Timer1_Timer();
    m_inTick = false;
    if (!m_watcher.needsTick())
        m_timer.stop();
}

} // namespace tarnquill
