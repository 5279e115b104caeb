// Window and desktop operations: Z-order and visibility, the work area, toolbar
// style, click-through windows, dragging a borderless window, wallpaper, log-off
// and shutdown, the taskbar, the cursor, the screen saver, hot keys and the
// secure-attention keys.
//
// Not written yet: each member raises NotImplemented.

#include "winapi/CWinAPI.h"

namespace tarnquill {

void CWinAPI::SetMyPosTopMost(const HWND&, const Bool16&)
{
    throw NotImplemented("CWinAPI::SetMyPosTopMost");
}

void CWinAPI::SetMyPosOnDesktop(const HWND&)
{
    throw NotImplemented("CWinAPI::SetMyPosOnDesktop");
}

void CWinAPI::HideWindow(const HWND&, const Bool16&)
{
    throw NotImplemented("CWinAPI::HideWindow");
}

void CWinAPI::SetSysWorkArea(const std::int16_t&, const std::int16_t&, const std::int16_t&, const std::int16_t&)
{
    throw NotImplemented("CWinAPI::SetSysWorkArea");
}

void CWinAPI::ChangeToolBarStyle(const HWND&)
{
    throw NotImplemented("CWinAPI::ChangeToolBarStyle");
}

void CWinAPI::MakeTransparentForm(const HWND&)
{
    throw NotImplemented("CWinAPI::MakeTransparentForm");
}

void CWinAPI::MoveFormWithoutBorders(const HWND&)
{
    throw NotImplemented("CWinAPI::MoveFormWithoutBorders");
}

void CWinAPI::SetDeskWallPaper(const std::uint8_t&, const std::string&)
{
    throw NotImplemented("CWinAPI::SetDeskWallPaper");
}

void CWinAPI::ExitWindows(const std::int32_t&)
{
    throw NotImplemented("CWinAPI::ExitWindows");
}

void CWinAPI::TaskBar(const std::uint8_t&)
{
    throw NotImplemented("CWinAPI::TaskBar");
}

void CWinAPI::ShowMouse(const std::int32_t&)
{
    throw NotImplemented("CWinAPI::ShowMouse");
}

void CWinAPI::StartScreenSaver(const HWND&)
{
    throw NotImplemented("CWinAPI::StartScreenSaver");
}

void CWinAPI::SetHotKey(const HWND&, const std::int32_t&)
{
    throw NotImplemented("CWinAPI::SetHotKey");
}

void CWinAPI::DisableCtrlAltDelete(const Bool16&)
{
    throw NotImplemented("CWinAPI::DisableCtrlAltDelete");
}

} // namespace tarnquill
