// SPDX-License-Identifier: MIT
#include "platform/windows/Win32ProgressView.h"

#include <stdexcept>

namespace tarnquill {

namespace {

constexpr UINT_PTR kTimer1 = 1;

::UINT timerInterval(app::WindowId id)
{
    const app::ControlDesign* timer = app::findControl(app::window(id), "Timer1");
    if (!timer)
        throw std::logic_error("a progress window's design lacks Timer1");
    return static_cast<::UINT>(timer->intervalMs);
}

} // namespace

Win32ProgressView::Win32ProgressView(app::WindowId id, ::HICON programIcon)
    : m_window(app::window(id), programIcon)
    , m_intervalMs(timerInterval(id))
{
    if (!m_window.control("Label1", 0))
        throw std::logic_error("a progress window's design lacks Label1(0)");
}

void Win32ProgressView::routeTo(app::ProgressForm& handlers)
{
    m_window.events().message = [&handlers](::UINT message, ::WPARAM wParam, ::LPARAM, ::LRESULT& result) {
        if (message != WM_TIMER || wParam != kTimer1)
            return false;
        handlers.Timer1_Timer();
        result = 0;
        return true;
    };
}

std::string Win32ProgressView::Label1Caption() const
{
    return m_window.text("Label1", 0);
}

void Win32ProgressView::setLabel1Caption(const std::string& caption)
{
    m_window.setText("Label1", 0, caption);
}

void Win32ProgressView::Show()
{
    ::ShowWindow(m_window.hwnd(), SW_SHOW);
    ::SetWindowPos(m_window.hwnd(), nullptr /* HWND_TOP */, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::UpdateWindow(m_window.hwnd());
}

void Win32ProgressView::Hide()
{
    ::ShowWindow(m_window.hwnd(), SW_HIDE);
}

void Win32ProgressView::setTimer1Enabled(bool enabled)
{
    if (enabled)
        ::SetTimer(m_window.hwnd(), kTimer1, m_intervalMs, nullptr);
    else
        ::KillTimer(m_window.hwnd(), kTimer1);
}

} // namespace tarnquill
