// SPDX-License-Identifier: MIT
#pragma once

#include "winapi/Win32Types.h"

#include <windows.h>

namespace tarnquill {

// Stops the text caret from blinking once the user has left the program alone
// for a while (ten seconds, as GNOME does and as Windows' own caret timeout
// does). Text1 holds the focus from the start, and a blinking caret wakes the
// program twice a second for as long as the window is up: the only work an
// idle program would otherwise do. The caret is hidden, not its blink rate
// changed, which is the whole desktop's setting; the next key or click shows
// it again.
class Win32CaretBlinkLimiter final {
public:
    explicit Win32CaretBlinkLimiter(::UINT idleMilliseconds = 10000);
    ~Win32CaretBlinkLimiter();
    Win32CaretBlinkLimiter(const Win32CaretBlinkLimiter&) = delete;
    Win32CaretBlinkLimiter& operator=(const Win32CaretBlinkLimiter&) = delete;

    // Every message of the thread's loop, before it is dispatched. True when
    // it was this object's own timer (the caller drops it).
    bool notice(const MSG& message);
    // A text box took the focus, with a new caret, or lost it with its
    // caret: a new caret blinks for the idle time from now.
    void caretChanged();

private:
    void restart();

    ::UINT m_idleMilliseconds;
    ::UINT_PTR m_timer = 0;
    ::HWND m_hiddenOn = nullptr;
};

} // namespace tarnquill
