// SPDX-License-Identifier: MIT
#pragma once

#include "history/ClipboardWatcher.h"

#include "winapi/Win32Types.h"

#include <windows.h>

namespace tarnquill {

// Drives the watcher's Timer1 on Win32: a 10 ms tick while something may have
// changed, no tick at all while neither the clipboard nor the history moves.
// The clipboard's change notification and wake() restart the ticking with one
// tick at once, so a copy is recorded without waiting for a poll.
class Win32WatcherPump final {
public:
    explicit Win32WatcherPump(ClipboardWatcher& watcher);
    ~Win32WatcherPump();
    Win32WatcherPump(const Win32WatcherPump&) = delete;
    Win32WatcherPump& operator=(const Win32WatcherPump&) = delete;

    // Starts ticking. Until then neither a clipboard change nor wake() does:
    // a tick before the history is read would save empty slots over the store.
    void start();
    // Something outside the watcher changed the history or the clipboard.
    void wake();

    bool isTicking() const { return m_ticking; }

private:
    static ::LRESULT CALLBACK windowProc(::HWND, ::UINT, ::WPARAM, ::LPARAM);
    void tick();

    ClipboardWatcher& m_watcher;
    ::HWND m_window = nullptr;
    bool m_started = false;
    bool m_ticking = false;
    bool m_inTick = false;
};

} // namespace tarnquill
