// SPDX-License-Identifier: MIT
#include "platform/windows/Win32WatcherPump.h"

// Outside the namespace: the macro casts to HWND, which there is the seam's.
static const ::HWND kMessageOnlyParent = HWND_MESSAGE;

namespace tarnquill {

namespace {

constexpr wchar_t kWindowClass[] = L"TarnquillWatcherPump";
constexpr UINT_PTR kTimerId = 1;
constexpr ::UINT kTickMilliseconds = 10;
// Posted by wake(): the first tick runs from the message loop, not inside
// whatever handler asked for it.
constexpr ::UINT kTickNow = WM_APP + 1;

} // namespace

Win32WatcherPump::Win32WatcherPump(ClipboardWatcher& watcher)
    : m_watcher(watcher)
{
    const ::HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &Win32WatcherPump::windowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    ::RegisterClassW(&windowClass);
    m_window = ::CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, kMessageOnlyParent, nullptr, instance, nullptr);
    if (m_window)
        ::SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Win32WatcherPump::~Win32WatcherPump()
{
    if (m_window)
        ::DestroyWindow(m_window);
}

::LRESULT CALLBACK Win32WatcherPump::windowProc(::HWND window, ::UINT message, ::WPARAM wParam, ::LPARAM lParam)
{
    auto* self = reinterpret_cast<Win32WatcherPump*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && (message == kTickNow || (message == WM_TIMER && wParam == kTimerId))) {
        self->tick();
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

void Win32WatcherPump::start()
{
    m_started = true;
    wake();
}

void Win32WatcherPump::wake()
{
    if (!m_started || m_ticking || !m_window)
        return;
    m_ticking = true;
    ::SetTimer(m_window, kTimerId, kTickMilliseconds, nullptr);
    ::PostMessageW(m_window, kTickNow, 0, 0);
}

void Win32WatcherPump::tick()
{
    // A tick that arrives while one runs (a handler that pumped messages) is
    // dropped: the counter has moved past the running one, so the next tick
    // sees the change anyway.
    if (m_inTick || !m_ticking)
        return;
    m_inTick = true;
    m_watcher.Timer1_Timer();
    m_inTick = false;
    if (!m_watcher.needsTick()) {
        ::KillTimer(m_window, kTimerId);
        m_ticking = false;
    }
}

} // namespace tarnquill
