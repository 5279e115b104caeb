// SPDX-License-Identifier: MIT
#pragma once

#include "history/ClipboardWatcher.h"

#include <QTimer>

class QClipboard;

namespace tarnquill {

// Drives the watcher's Timer1: a 10 ms tick while something may have changed,
// no tick at all while neither the clipboard nor the history moves.
//
// The clipboard's change notification and wake() restart the ticking with
// one tick at once, so a copy is recorded without waiting for a poll.
class WatcherPump final {
public:
    // Connect after the clipboard's own change counter (QtClipboard), so the
    // counter has moved by the time the first tick runs.
    WatcherPump(ClipboardWatcher& watcher, QClipboard& clipboard);
    WatcherPump(const WatcherPump&) = delete;
    WatcherPump& operator=(const WatcherPump&) = delete;

    // Starts ticking: the first tick runs from the event loop at once. Until
    // then neither a clipboard change nor wake() makes it tick.
    void start();
    // Something outside the watcher changed the history or the clipboard.
    void wake();
    // Stops ticking for good: the exit has saved the history, and a text
    // recorded after that would be lost.
    void stop();

    bool isTicking() const { return m_timer.isActive(); }

private:
    void tick();

    ClipboardWatcher& m_watcher;
    QTimer m_timer;
    bool m_inTick = false;
    bool m_started = false;
};

} // namespace tarnquill
