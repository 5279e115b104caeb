// SPDX-License-Identifier: MIT
#include "platform/windows/Win32CaretBlinkLimiter.h"

namespace tarnquill {

Win32CaretBlinkLimiter::Win32CaretBlinkLimiter(::UINT idleMilliseconds)
    : m_idleMilliseconds(idleMilliseconds)
{
    restart();
}

Win32CaretBlinkLimiter::~Win32CaretBlinkLimiter()
{
    if (m_timer)
        ::KillTimer(nullptr, m_timer);
}

void Win32CaretBlinkLimiter::restart()
{
    // A thread timer: its WM_TIMER reaches the loop with no window.
    m_timer = ::SetTimer(nullptr, m_timer, m_idleMilliseconds, nullptr);
}

void Win32CaretBlinkLimiter::caretChanged()
{
    // The caret that was hidden is gone with the focus; one made now is shown.
    m_hiddenOn = nullptr;
    restart();
}

bool Win32CaretBlinkLimiter::notice(const MSG& message)
{
    switch (message.message) {
    case WM_TIMER:
        if (message.hwnd || message.wParam != m_timer)
            return false;
        ::KillTimer(nullptr, m_timer);
        m_timer = 0;
        // The caret belongs to the window with the focus; one without a
        // caret refuses, which leaves nothing to show again later.
        if (const ::HWND focus = ::GetFocus(); focus && focus != m_hiddenOn && ::HideCaret(focus))
            m_hiddenOn = focus;
        return true;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_MOUSEWHEEL:
        if (m_hiddenOn) {
            // Fails harmlessly when the focus moved on and the caret is gone.
            ::ShowCaret(m_hiddenOn);
            m_hiddenOn = nullptr;
        }
        restart();
        return false;
    default:
        return false;
    }
}

} // namespace tarnquill
