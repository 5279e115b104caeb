// SPDX-License-Identifier: MIT
// Construction, the screen-geometry properties, the pixel/twip conversions,
// SetMousePos and the member catalogue.

#include "winapi/CWinAPI.h"

#include <cstdint>
#include <string_view>
#include <utility>

namespace tarnquill {

namespace {

// SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE on a read of the work area: the
// system ignores both for a "get" action, and the class has always passed them.
constexpr UINT kWorkAreaReadFlags = SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE;

// The catalogue is a fixed text, not generated from the members: it keeps its
// own spellings ("PlayAudioCD", "RegistryDeleteKey") and leaves members out.
constexpr std::string_view kCatalogue[] = {
    "Delay ",
    "DiskSpace ",
    "DocumentList ",
    "ExecuteFile ",
    "ExitWindows ",
    "FindFilesAPI ",
    "Launch ",
    "MakeTransparentForm ",
    "MenuBitmaps ",
    "MoveFormWithoutBorders ",
    "OpenWebSite ",
    "PlayAudioCD ",
    "PlayAvi ",
    "PlaySound ",
    "RegistryValueS ",
    "RegistryValueD ",
    "RegistryRun ",
    "RegistryDeleteValue ",
    "RegistryNewKey ",
    "RegistryDeleteKey ",
    "RegistryCreateRightClickAccess ",
    "RegistryCreateAssociation ",
    "RetrieveIcon ",
    "SendEmail ",
    "SetDeskWallPaper ",
    "SetHotKey ",
    "SetMousePos ",
    "SetMyPosOnDesktop ",
    "SetMyPosTopMost ",
    "SetSysWorkArea ",
    "ShowMouse ",
    "ShowRecycleBin ",
    "StartScreenSaver ",
    "TaskBar ",
    "TrayIcon ",
    "**********Functions**********",
    "GetSystemFolders()",
    "RetrieveFileTypeName()",
    "SoundCardDetect()",
    "TtoP()",
    "PtoT()",
    "**********Properties**********",
    "WorkAreaLeft, WorkAreaRight, WorkAreaTop, WorkAreaBottom",
    "MouseX, MouseY ",
};

} // namespace

CWinAPI::CWinAPI(Win32Api& api, std::string appTitle)
    : m_api(api)
    , m_appTitle(std::move(appTitle))
{
    initialise();
}

void CWinAPI::initialise()
{
    m_workAreaLeft = m_workAreaTop = m_workAreaRight = m_workAreaBottom = 0;
    m_mouseX = m_mouseY = 0;

    m_api.SystemParametersInfoA(SPI_GETWORKAREA, 0, m_workAreaRect, kWorkAreaReadFlags);
    const double twipsX = m_api.TwipsPerPixelX();
    const double twipsY = m_api.TwipsPerPixelY();
    m_workAreaLeft = m_workAreaRect.left * twipsX;
    m_workAreaTop = m_workAreaRect.top * twipsY;
    m_workAreaRight = m_workAreaRect.right * twipsX;
    m_workAreaBottom = m_workAreaRect.bottom * twipsY;

    m_api.GetCursorPos(m_cursorPoint);
    m_mouseX = m_cursorPoint.x * static_cast<double>(m_api.TwipsPerPixelX());
    m_mouseY = m_cursorPoint.y * static_cast<double>(m_api.TwipsPerPixelY());
}

std::int16_t CWinAPI::WorkAreaLeft()
{
    initialise();
    return toInt16(m_workAreaLeft);
}

std::int16_t CWinAPI::WorkAreaTop()
{
    initialise();
    return toInt16(m_workAreaTop);
}

std::int16_t CWinAPI::WorkAreaRight()
{
    initialise();
    return toInt16(m_workAreaRight);
}

std::int16_t CWinAPI::MouseX()
{
    initialise();
    return toInt16(m_mouseX);
}

std::int16_t CWinAPI::MouseY()
{
    initialise();
    return toInt16(m_mouseY);
}

std::int16_t CWinAPI::WorkAreaBottom()
{
    initialise();
    return toInt16(m_workAreaBottom);
}

Variant CWinAPI::PtoT(const Variant& no, const Bool16& YValue)
{
    // The factor is a single; the product is taken in double precision.
    const float factor = YValue != 0 ? m_api.TwipsPerPixelY() : m_api.TwipsPerPixelX();
    return toDouble(no) * static_cast<double>(factor);
}

Variant CWinAPI::TtoP(const Variant& no, const Bool16& YValue)
{
    const float factor = YValue != 0 ? m_api.TwipsPerPixelY() : m_api.TwipsPerPixelX();
    // An integer division: both sides rounded first (halves to even), the
    // quotient truncated, so 22 twips at 15 are 1 pixel, not 1.47 rounded.
    const std::int32_t twips = toInt32(no);
    const std::int32_t perPixel = toInt32(static_cast<double>(factor));
    if (perPixel == 0)
        throw RuntimeError(RuntimeError::kDivisionByZero);
    if (perPixel == -1 && twips == INT32_MIN)
        throw RuntimeError(RuntimeError::kOverflow);
    return twips / perPixel;
}

void CWinAPI::SetMousePos(const std::int32_t& xx, const std::int32_t& yy)
{
    m_api.SetCursorPos(xx, yy);
}

void CWinAPI::ListFunc()
{
    std::string text;
    for (const std::string_view line : kCatalogue) {
        text += "\r\n";
        text += line;
    }
    m_api.MessageBoxA(0, text, m_appTitle, MB_OK);
}

} // namespace tarnquill
