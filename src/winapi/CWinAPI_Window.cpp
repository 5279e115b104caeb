// SPDX-License-Identifier: MIT
// Window and desktop operations: Z-order and visibility, the work area, toolbar
// style, click-through windows, dragging a borderless window, wallpaper, log-off
// and shutdown, the taskbar, the cursor, the screen saver, hot keys and the
// secure-attention keys.
//
// Each member is one fixed sequence of platform calls. The choice among
// constants is made before the first call; an argument outside the listed
// values makes no call at all.

#include "winapi/CWinAPI.h"

#include <optional>

namespace tarnquill {

namespace {

// The settings are written to the user's profile and every window is told.
constexpr UINT kUpdateAndBroadcast = SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE;

constexpr UINT kKeepPlace = SWP_NOMOVE | SWP_NOSIZE;

// The taskbar's class; its title is the empty text, not an absent one.
constexpr const char* kTaskbarClass = "Shell_traywnd";
constexpr const char* kToolbarClass = "ToolbarWindow32";

constexpr const char* kHotKeyRefused = "You need another hotkey";
constexpr const char* kHotKeyCaption = "Error";

} // namespace

void CWinAPI::SetMyPosTopMost(const HWND& h, const Bool16& TakeOffMyPosTopMost)
{
    // Only exactly true takes the state off: 1 or any other non-zero value
    // still makes the window topmost.
    const HWND insertAfter = TakeOffMyPosTopMost == kTrue ? HWND_NOTOPMOST : HWND_TOPMOST;
    m_api.SetWindowPos(h, insertAfter, 0, 0, 0, 0, kKeepPlace);
}

void CWinAPI::SetMyPosOnDesktop(const HWND& h)
{
    m_api.SetWindowPos(h, HWND_BOTTOM, 0, 0, 0, 0, kKeepPlace | SWP_NOACTIVATE);
}

void CWinAPI::HideWindow(const HWND& h, const Bool16& ShowMe)
{
    // No SWP_NOMOVE/SWP_NOSIZE: with a show or hide flag the system keeps the
    // window's place and size anyway.
    m_api.SetWindowPos(h, HWND_BOTTOM, 0, 0, 0, 0, ShowMe != 0 ? SWP_SHOWWINDOW : SWP_HIDEWINDOW);
}

void CWinAPI::SetSysWorkArea(const std::int16_t& l, const std::int16_t& t, const std::int16_t& r, const std::int16_t& b)
{
    m_workAreaRect = WinRect{l, t, r, b};
    m_api.SystemParametersInfoA(SPI_SETWORKAREA, 0, m_workAreaRect, kUpdateAndBroadcast);
}

void CWinAPI::ChangeToolBarStyle(const HWND& ToolBarh)
{
    // ToolBarh is the window that holds the toolbar control. Without one the
    // messages go to the null window and do nothing.
    const HWND toolbar = m_api.FindWindowExA(ToolBarh, 0, std::string(kToolbarClass), std::nullopt);
    const LRESULT style = m_api.SendMessageA(toolbar, TB_GETSTYLE, 0, 0);
    m_api.SendMessageA(toolbar, TB_SETSTYLE, 0, style | TBSTYLE_FLAT);
}

void CWinAPI::MakeTransparentForm(const HWND& h)
{
    // The extended style becomes WS_EX_TRANSPARENT alone; the frame change
    // makes the system apply it.
    m_api.SetWindowLongA(h, GWL_EXSTYLE, WS_EX_TRANSPARENT);
    m_api.SetWindowPos(h, HWND_NOTOPMOST, 0, 0, 0, 0, kKeepPlace | SWP_FRAMECHANGED);
}

void CWinAPI::MoveFormWithoutBorders(const HWND& h)
{
    // Called from h's mouse-down handler: a caption hit makes the system drag
    // the window as if its title bar had been grabbed.
    m_api.ReleaseCapture();
    m_api.SendMessageA(h, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void CWinAPI::SetDeskWallPaper(const std::uint8_t& func, const std::string& sBitmapFile)
{
    if (func == 1)
        m_api.SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, sBitmapFile, kUpdateAndBroadcast);
    else if (func == 0)
        m_api.SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, std::string("(None)"), kUpdateAndBroadcast);
}

void CWinAPI::ExitWindows(const std::int32_t& func)
{
    UINT flags = 0;
    switch (func) {
    case 0:
        flags = EWX_SHUTDOWN;
        break;
    case 1:
        flags = EWX_REBOOT;
        break;
    case 2:
        flags = EWX_FORCE;
        break;
    case 3:
        flags = EWX_LOGOFF;
        break;
    default:
        return;
    }
    m_api.ExitWindowsEx(flags, 0);
}

void CWinAPI::TaskBar(const std::uint8_t& func)
{
    if (func != 0 && func != 1)
        return;
    const HWND taskbar = m_api.FindWindowA(std::string(kTaskbarClass), std::string());
    m_api.SetWindowPos(taskbar, HWND_TOP, 0, 0, 0, 0, func == 0 ? SWP_HIDEWINDOW : SWP_SHOWWINDOW);
}

void CWinAPI::ShowMouse(const std::int32_t& cur)
{
    // -1 shows (the counter goes up), 0 hides; the value itself is passed.
    if (cur == -1 || cur == 0)
        m_api.ShowCursor(cur);
}

void CWinAPI::StartScreenSaver(const HWND& handle)
{
    m_api.SendMessageA(handle, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
}

void CWinAPI::SetHotKey(const HWND& h, const std::int32_t& key)
{
    // Only 1 is a plain success: 2 (the key is assigned, but another window
    // has it too), 0 and -1 (a bad window or key) all ask for another key.
    const LRESULT result = m_api.SendMessageA(h, WM_SETHOTKEY, key, 0);
    if (result != 1)
        m_api.MessageBoxA(0, kHotKeyRefused, kHotKeyCaption, MB_OK);
    m_api.DefWindowProcA(h, WM_SHOWWINDOW, 0, 0);
}

void CWinAPI::DisableCtrlAltDelete(const Bool16& bDisable)
{
    // True widens to -1, which the parameter carries as all bits set.
    BOOL previous = 0;
    m_api.SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, static_cast<UINT>(static_cast<std::int32_t>(bDisable)),
                                previous, 0);
}

} // namespace tarnquill
