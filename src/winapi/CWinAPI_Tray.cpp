// SPDX-License-Identifier: MIT
// The tray icon and its notifications, and menu check-mark bitmaps.

#include "winapi/CWinAPI.h"

#include <cmath>

#include <algorithm>

namespace tarnquill {

namespace {

// The class manages one icon per callback window.
constexpr UINT kTrayIconId = 1;
// The shell reports the mouse over the icon as a mouse-move to the callback
// window, with the real mouse message as its x coordinate.
constexpr UINT kTrayCallbackMessage = WM_MOUSEMOVE;

// Flag 4 is what the class has always passed (MF_BITMAP's value). What it
// needs from it is that MF_BYPOSITION is clear: the item is addressed by its
// command identifier on the menu bar, which finds it in any drop-down menu.
constexpr UINT kMenuBitmapFlags = MF_BITMAP;

constexpr bool isContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// sName and one NUL, stored left-aligned in the 64-byte tip: cut to 64 bytes
// (then without NUL) or padded with spaces. A cut never splits a UTF-8
// character; the bytes of a character that does not fit whole become padding,
// so the shell is never handed half a character.
void fillTip(NotifyIconDataA& record, const std::string& sName)
{
    auto& tip = record.szTip;
    std::fill(tip.begin(), tip.end(), ' ');
    const std::size_t copied = std::min(sName.size(), tip.size());
    std::copy_n(sName.begin(), copied, tip.begin());
    if (copied < tip.size()) {
        tip[copied] = '\0';
        return;
    }
    if (sName.size() > tip.size() && isContinuationByte(sName[tip.size()])) {
        std::size_t lead = tip.size();
        while (lead > 0 && isContinuationByte(tip[lead - 1]))
            --lead;
        if (lead > 0)
            --lead; // the lead byte of the split character
        std::fill(tip.begin() + static_cast<std::ptrdiff_t>(lead), tip.end(), ' ');
    }
}

} // namespace

void CWinAPI::TrayIcon(const std::int32_t& func, const HWND& h, const std::string& sName, const Picture& p)
{
    NotifyIconDataA record;
    record.cbSize = NotifyIconDataA::kSize;
    record.hWnd = h;
    record.uID = kTrayIconId;
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = kTrayCallbackMessage;
    // Before the action is looked at: a missing picture fails every call.
    record.hIcon = p.value();
    fillTip(record, sName);

    switch (func) {
    case 0:
        m_api.Shell_NotifyIconA(NIM_ADD, record);
        break;
    case 1:
        m_api.Shell_NotifyIconA(NIM_MODIFY, record);
        break;
    case 2:
        m_api.Shell_NotifyIconA(NIM_DELETE, record);
        break;
    default:
        break;
    }
}

std::int32_t CWinAPI::TryIcnRtnMsg(float& X)
{
    // The callback window reports x in twips, the shell put the message number
    // there in pixels. Both sides are rounded first and the quotient is
    // truncated, so any x from 7710 to 7724 at 15 twips per pixel gives 514.
    const float twipsPerPixel = m_api.TwipsPerPixelX();
    const std::int32_t twips = toInt32(static_cast<double>(X));
    const std::int32_t perPixel = toInt32(static_cast<double>(twipsPerPixel));
    if (perPixel == 0)
        throw RuntimeError(RuntimeError::kDivisionByZero);
    if (perPixel == -1 && twips == INT32_MIN)
        throw RuntimeError(RuntimeError::kOverflow);
    std::int32_t message = twips / perPixel;
    if (static_cast<float>(perPixel) != twipsPerPixel) {
        // At a dots-per-inch that does not divide 1440 (192 dpi gives 7.5
        // twips per pixel) the rounded factor would decode a left-button
        // release as 481 and the window would never come back: the x that
        // arrived is a whole number of pixels times the exact factor, so
        // divide by that and take the nearest whole number.
        message = toInt32(std::nearbyint(static_cast<double>(X) / static_cast<double>(twipsPerPixel)));
    }
    X = static_cast<float>(message);
    if (message >= static_cast<std::int32_t>(WM_MOUSEMOVE) && message <= static_cast<std::int32_t>(WM_MBUTTONDBLCLK))
        return message;
    return 0;
}

void CWinAPI::MenuBitmaps(const HWND& h, const std::uint8_t& subMenu, const std::uint8_t& MenuID, const Picture& chkbmp)
{
    const HMENU menuBar = m_api.GetMenu(h);
    const HMENU dropDown = m_api.GetSubMenu(menuBar, subMenu);
    const UINT commandId = m_api.GetMenuItemID(dropDown, MenuID);
    // Read after the three menu calls, as the bitmap arguments are evaluated
    // last: a missing picture fails after them and before the change.
    const HBITMAP unchecked = chkbmp.value();
    const HBITMAP checked = chkbmp.value();
    m_api.SetMenuItemBitmaps(menuBar, commandId, kMenuBitmapFlags, unchecked, checked);
}

} // namespace tarnquill
