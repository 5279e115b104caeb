// Window and desktop functions on a Linux desktop.

#include "platform/linux/LinuxWin32Api.h"

namespace tarnquill {

namespace {

constexpr BOOL FALSE = 0;

} // namespace

BOOL LinuxWin32Api::SetWindowPos(HWND, HWND, int, int, int, int, UINT)
{
    return FALSE;
}

LONG LinuxWin32Api::SetWindowLongA(HWND, int, LONG)
{
    return 0;
}

HWND LinuxWin32Api::FindWindowA(const std::optional<std::string>&, const std::optional<std::string>&)
{
    return 0;
}

HWND LinuxWin32Api::FindWindowExA(HWND, HWND, const std::optional<std::string>&, const std::optional<std::string>&)
{
    return 0;
}

LRESULT LinuxWin32Api::SendMessageA(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

LRESULT LinuxWin32Api::DefWindowProcA(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

BOOL LinuxWin32Api::ReleaseCapture()
{
    return FALSE;
}

BOOL LinuxWin32Api::ExitWindowsEx(UINT, DWORD)
{
    return FALSE;
}

int LinuxWin32Api::ShowCursor(BOOL bShow)
{
    m_cursorCount += bShow ? 1 : -1;
    return m_cursorCount;
}

} // namespace tarnquill
