// SPDX-License-Identifier: MIT
// The seam's screen, tray, menu, window, media and shell functions on Windows,
// each through the system's W function.
//
// Calls whose record or argument the seam cannot describe safely fail the way
// Windows fails a bad argument (FALSE and ERROR_INVALID_PARAMETER, or 0):
// SystemParametersInfoA with an action other than the work area, the
// wallpaper and the screen-saver flag (their records have other sizes), and
// SHGetFileInfoA with SHGFI_PIDL (the seam passes a path, never an item list).

#include "winapi/Win32Types.h"

#include "platform/windows/NativeWin32Api.h"
#include "platform/windows/WideText.h"

#include <windows.h>

#include <commctrl.h>
#include <mmsystem.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

namespace tarnquill {

namespace {

// SetProcessDpiAwarenessContext's argument; user32 of Windows 10 1703 and later.
const auto kSystemAwareContext = reinterpret_cast<::HANDLE>(static_cast<std::intptr_t>(-2));

void makeSystemDpiAware()
{
    using SetContext = ::BOOL(WINAPI*)(::HANDLE);
    const HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    const FARPROC proc = user32 ? ::GetProcAddress(user32, "SetProcessDpiAwarenessContext") : nullptr;
    if (proc != nullptr) {
        // Fails with ERROR_ACCESS_DENIED when a manifest or an earlier call
        // set the awareness; that one is kept.
        reinterpret_cast<SetContext>(reinterpret_cast<void*>(proc))(kSystemAwareContext);
        return;
    }
    ::SetProcessDPIAware();
}

float twipsPerPixel(int axis)
{
    const ::HDC screen = ::GetDC(nullptr);
    int dpi = screen != nullptr ? ::GetDeviceCaps(screen, axis) : 0;
    if (screen != nullptr)
        ::ReleaseDC(nullptr, screen);
    // Without a screen to ask, the dpi Windows assumes for one.
    if (dpi <= 0)
        dpi = 96;
    return 1440.0f / static_cast<float>(dpi);
}

// Text and its NUL into a buffer known to hold them.
void putWithNul(std::string& buffer, std::string_view text)
{
    std::copy(text.begin(), text.end(), buffer.begin());
    buffer[text.size()] = '\0';
}

// A reply into a fixed char array: as much as fits with its NUL, cut on a
// character boundary.
template <std::size_t N>
void putInArray(std::array<char, N>& field, std::string_view text)
{
    field.fill('\0');
    const std::string_view cut = wide::cutAtCharacter(text, N - 1);
    std::copy(cut.begin(), cut.end(), field.begin());
}

// The reply convention of GetWindowsDirectoryA and its kin: the length
// without NUL when it fits, else the size needed with its NUL and the buffer
// left alone.
tarnquill::DWORD copyReply(const std::string& text, std::string& buffer, tarnquill::DWORD size)
{
    const std::size_t capacity = std::min<std::size_t>(buffer.size(), size);
    if (text.size() + 1 > capacity)
        return static_cast<tarnquill::DWORD>(text.size() + 1);
    putWithNul(buffer, text);
    return static_cast<tarnquill::DWORD>(text.size());
}

// A system function that writes a folder into a buffer of `size` units and
// returns its length, or the size it needs.
template <class Call>
std::string folderReply(Call call)
{
    std::wstring buffer(MAX_PATH + 1, L'\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ::UINT length = call(buffer.data(), static_cast<::UINT>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size())
            return wide::toUtf8(std::wstring_view(buffer.data(), length));
        buffer.resize(length + 1);
    }
    return {};
}

std::wstring moduleFileName()
{
    std::wstring buffer(MAX_PATH, L'\0');
    while (true) {
        const ::DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<::DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

tarnquill::DWORD lowPart(std::uint64_t value)
{
    return static_cast<tarnquill::DWORD>(value & 0xFFFFFFFFu);
}

void fillFindData(const WIN32_FIND_DATAW& from, Win32FindDataA& to)
{
    to.dwFileAttributes = from.dwFileAttributes;
    to.ftCreationTime = {from.ftCreationTime.dwLowDateTime, from.ftCreationTime.dwHighDateTime};
    to.ftLastAccessTime = {from.ftLastAccessTime.dwLowDateTime, from.ftLastAccessTime.dwHighDateTime};
    to.ftLastWriteTime = {from.ftLastWriteTime.dwLowDateTime, from.ftLastWriteTime.dwHighDateTime};
    to.nFileSizeHigh = from.nFileSizeHigh;
    to.nFileSizeLow = from.nFileSizeLow;
    to.dwReserved0 = from.dwReserved0;
    to.dwReserved1 = from.dwReserved1;
    // A name whose UTF-8 form passes MAX_PATH bytes (long names in a script of
    // three-byte characters) is cut on a character; the short name stays whole.
    putInArray(to.cFileName, wide::toUtf8UpToNul(from.cFileName, std::size(from.cFileName)));
    putInArray(to.cAlternateFileName, wide::toUtf8UpToNul(from.cAlternateFileName, std::size(from.cAlternateFileName)));
}

} // namespace

NativeWin32Api::NativeWin32Api()
{
    makeSystemDpiAware();
}

NativeWin32Api::~NativeWin32Api()
{
    for (void* key : m_keys.all())
        ::RegCloseKey(static_cast<::HKEY>(key));
    for (void* search : m_searches.all())
        ::FindClose(static_cast<::HANDLE>(search));
    // The image lists are the shell's system lists: not ours to destroy.
}

// ---- Screen, cursor, message box --------------------------------------------

BOOL NativeWin32Api::SystemParametersInfoA(UINT uiAction, UINT uiParam, WinRect& rect, UINT fWinIni)
{
    if (uiAction != SPI_GETWORKAREA && uiAction != SPI_SETWORKAREA) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    RECT area{rect.left, rect.top, rect.right, rect.bottom};
    const BOOL ok = ::SystemParametersInfoW(uiAction, uiParam, &area, fWinIni);
    if (ok && uiAction == SPI_GETWORKAREA)
        rect = WinRect{area.left, area.top, area.right, area.bottom};
    return ok;
}

BOOL NativeWin32Api::SystemParametersInfoA(UINT uiAction, UINT uiParam, const std::string& text, UINT fWinIni)
{
    if (uiAction != SPI_SETDESKWALLPAPER) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::wstring file = wide::fromUtf8(text);
    return ::SystemParametersInfoW(uiAction, uiParam, file.data(), fWinIni);
}

BOOL NativeWin32Api::SystemParametersInfoA(UINT uiAction, UINT uiParam, BOOL& slot, UINT fWinIni)
{
    if (uiAction != SPI_SETSCREENSAVERRUNNING) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ::BOOL previous = slot;
    const BOOL ok = ::SystemParametersInfoW(uiAction, uiParam, &previous, fWinIni);
    if (ok)
        slot = previous;
    return ok;
}

BOOL NativeWin32Api::GetCursorPos(WinPoint& point)
{
    POINT position{};
    if (!::GetCursorPos(&position))
        return FALSE;
    point = WinPoint{position.x, position.y};
    return TRUE;
}

BOOL NativeWin32Api::SetCursorPos(int X, int Y)
{
    return ::SetCursorPos(X, Y);
}

int NativeWin32Api::MessageBoxA(HWND hWnd, const std::string& text, const std::string& caption, UINT uType)
{
    return ::MessageBoxW(static_cast<::HWND>(m_userHandles.find(hWnd)), wide::fromUtf8(text).c_str(),
                         wide::fromUtf8(caption).c_str(), uType);
}

float NativeWin32Api::TwipsPerPixelX()
{
    return twipsPerPixel(LOGPIXELSX);
}

float NativeWin32Api::TwipsPerPixelY()
{
    return twipsPerPixel(LOGPIXELSY);
}

// ---- Notification area and menus ----------------------------------------------

BOOL NativeWin32Api::Shell_NotifyIconA(DWORD dwMessage, const NotifyIconDataA& data)
{
    // The seam's record is the 88-byte single-byte form; the shell gets the
    // full wide record with the same fields, so a 64-byte tip keeps all its
    // characters (the wide tip holds 127). Flags for fields the seam's record
    // does not have (state, balloon, GUID) are dropped rather than sent with
    // zeros the shell would act on.
    NOTIFYICONDATAW record{};
    record.cbSize = sizeof record;
    record.hWnd = static_cast<::HWND>(m_userHandles.find(data.hWnd));
    record.uID = data.uID;
    record.uFlags = data.uFlags & (NIF_MESSAGE | NIF_ICON | NIF_TIP);
    record.uCallbackMessage = data.uCallbackMessage;
    record.hIcon = static_cast<::HICON>(m_userHandles.find(data.hIcon));
    const std::wstring tip = wide::fromUtf8(data.tip());
    std::size_t units = std::min(tip.size(), std::size(record.szTip) - 1);
    if (units > 0 && units < tip.size() && tip[units - 1] >= 0xD800 && tip[units - 1] <= 0xDBFF)
        --units; // never half a surrogate pair
    std::copy_n(tip.begin(), units, record.szTip);
    record.szTip[units] = L'\0';
    return ::Shell_NotifyIconW(dwMessage, &record);
}

HMENU NativeWin32Api::GetMenu(HWND hWnd)
{
    return m_userHandles.seamOf(::GetMenu(static_cast<::HWND>(m_userHandles.find(hWnd))));
}

HMENU NativeWin32Api::GetSubMenu(HMENU hMenu, int nPos)
{
    return m_userHandles.seamOf(::GetSubMenu(static_cast<::HMENU>(m_userHandles.find(hMenu)), nPos));
}

UINT NativeWin32Api::GetMenuItemID(HMENU hMenu, int nPos)
{
    return ::GetMenuItemID(static_cast<::HMENU>(m_userHandles.find(hMenu)), nPos);
}

BOOL NativeWin32Api::SetMenuItemBitmaps(HMENU hMenu, UINT uPosition, UINT uFlags, HBITMAP hBitmapUnchecked,
                                        HBITMAP hBitmapChecked)
{
    return ::SetMenuItemBitmaps(static_cast<::HMENU>(m_userHandles.find(hMenu)), uPosition, uFlags,
                                static_cast<::HBITMAP>(m_userHandles.find(hBitmapUnchecked)),
                                static_cast<::HBITMAP>(m_userHandles.find(hBitmapChecked)));
}

// ---- Windows and desktop ----------------------------------------------------------

BOOL NativeWin32Api::SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags)
{
    // HWND_TOPMOST (-1) and HWND_NOTOPMOST (-2) sign-extend to the system's values.
    return ::SetWindowPos(static_cast<::HWND>(m_userHandles.find(hWnd)),
                          static_cast<::HWND>(m_userHandles.find(hWndInsertAfter)), X, Y, cx, cy, uFlags);
}

LONG NativeWin32Api::SetWindowLongA(HWND hWnd, int nIndex, LONG dwNewLong)
{
    return ::SetWindowLongW(static_cast<::HWND>(m_userHandles.find(hWnd)), nIndex, dwNewLong);
}

HWND NativeWin32Api::FindWindowA(const std::optional<std::string>& className,
                                 const std::optional<std::string>& windowName)
{
    const auto windowClass = wide::fromUtf8Optional(className);
    const auto title = wide::fromUtf8Optional(windowName);
    return m_userHandles.seamOf(::FindWindowW(wide::pointerOrNull(windowClass), wide::pointerOrNull(title)));
}

HWND NativeWin32Api::FindWindowExA(HWND hWndParent, HWND hWndChildAfter, const std::optional<std::string>& className,
                                   const std::optional<std::string>& windowName)
{
    const auto windowClass = wide::fromUtf8Optional(className);
    const auto title = wide::fromUtf8Optional(windowName);
    return m_userHandles.seamOf(::FindWindowExW(static_cast<::HWND>(m_userHandles.find(hWndParent)),
                                                static_cast<::HWND>(m_userHandles.find(hWndChildAfter)),
                                                wide::pointerOrNull(windowClass), wide::pointerOrNull(title)));
}

LRESULT NativeWin32Api::SendMessageA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Both parameters sign-extended: a -1 that means "all" or "none" stays -1.
    return static_cast<LRESULT>(::SendMessageW(static_cast<::HWND>(m_userHandles.find(hWnd)), msg,
                                               static_cast<::WPARAM>(static_cast<::LONG_PTR>(wParam)),
                                               static_cast<::LPARAM>(lParam)));
}

LRESULT NativeWin32Api::SendMessageA(HWND hWnd, UINT msg, WPARAM wParam, const std::string& lParam)
{
    // The W message: the system converts it for a window of the A kind.
    const std::wstring text = wide::fromUtf8(lParam);
    return static_cast<LRESULT>(::SendMessageW(static_cast<::HWND>(m_userHandles.find(hWnd)), msg,
                                               static_cast<::WPARAM>(static_cast<::LONG_PTR>(wParam)),
                                               reinterpret_cast<::LPARAM>(text.c_str())));
}

LRESULT NativeWin32Api::DefWindowProcA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return static_cast<LRESULT>(::DefWindowProcW(static_cast<::HWND>(m_userHandles.find(hWnd)), msg,
                                                 static_cast<::WPARAM>(static_cast<::LONG_PTR>(wParam)),
                                                 static_cast<::LPARAM>(lParam)));
}

BOOL NativeWin32Api::ReleaseCapture()
{
    return ::ReleaseCapture();
}

BOOL NativeWin32Api::ExitWindowsEx(UINT uFlags, DWORD dwReason)
{
    return ::ExitWindowsEx(uFlags, dwReason);
}

int NativeWin32Api::ShowCursor(BOOL bShow)
{
    return ::ShowCursor(bShow);
}

// ---- Sound, media, timing ---------------------------------------------------------------

BOOL NativeWin32Api::sndPlaySoundA(const std::string& sound, UINT fuSound)
{
    return ::sndPlaySoundW(wide::fromUtf8(sound).c_str(), fuSound);
}

MCIERROR NativeWin32Api::mciSendStringA(const std::string& command, std::string& returnString, UINT cchReturn,
                                        HWND hwndCallback)
{
    // A reply that fits `capacity` UTF-8 bytes fits as many UTF-16 units.
    const std::size_t capacity = std::min<std::size_t>(cchReturn, returnString.size());
    std::wstring reply(std::max<std::size_t>(capacity, 1), L'\0');
    const MCIERROR error =
        ::mciSendStringW(wide::fromUtf8(command).c_str(), capacity > 0 ? reply.data() : nullptr,
                         static_cast<::UINT>(capacity), static_cast<::HWND>(m_userHandles.find(hwndCallback)));
    if (capacity > 0)
        putWithNul(returnString,
                   wide::cutAtCharacter(wide::toUtf8UpToNul(reply.data(), reply.size()), capacity - 1));
    return error;
}

UINT NativeWin32Api::waveOutGetNumDevs()
{
    return ::waveOutGetNumDevs();
}

void NativeWin32Api::DoEvents()
{
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Left for the main loop, which ends on it.
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

void NativeWin32Api::WaitForEvents(std::int64_t until)
{
    // Now() counts whole local seconds; the wait ends at the start of the
    // second `until`, measured in milliseconds from one reading of the clock.
    SYSTEMTIME local{};
    ::GetLocalTime(&local);
    FILETIME ticks{};
    ::SystemTimeToFileTime(&local, &ticks);
    const std::uint64_t hundredNanoseconds = (static_cast<std::uint64_t>(ticks.dwHighDateTime) << 32) | ticks.dwLowDateTime;
    const auto nowMilliseconds = static_cast<std::int64_t>(hundredNanoseconds / 10'000u);
    const std::int64_t left = until * 1000 - nowMilliseconds;
    if (left <= 0)
        return;
    const auto timeout = static_cast<DWORD>(std::min<std::int64_t>(left, 24 * 3600 * 1000));
    ::MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    DoEvents();
}

std::int64_t NativeWin32Api::Now()
{
    SYSTEMTIME local{};
    ::GetLocalTime(&local);
    FILETIME ticks{};
    ::SystemTimeToFileTime(&local, &ticks);
    const std::uint64_t hundredNanoseconds = (static_cast<std::uint64_t>(ticks.dwHighDateTime) << 32) | ticks.dwLowDateTime;
    return static_cast<std::int64_t>(hundredNanoseconds / 10'000'000u);
}

// ---- Shell and the running program ----------------------------------------------

HINSTANCE NativeWin32Api::ShellExecuteA(HWND hWnd, const std::optional<std::string>& operation, const std::string& file,
                                        const std::optional<std::string>& parameters,
                                        const std::optional<std::string>& directory, int nShowCmd)
{
    const auto verb = wide::fromUtf8Optional(operation);
    const auto arguments = wide::fromUtf8Optional(parameters);
    const auto folder = wide::fromUtf8Optional(directory);
    const auto result = reinterpret_cast<std::intptr_t>(
        ::ShellExecuteW(static_cast<::HWND>(m_userHandles.find(hWnd)), wide::pointerOrNull(verb),
                        wide::fromUtf8(file).c_str(), wide::pointerOrNull(arguments), wide::pointerOrNull(folder),
                        nShowCmd));
    // Not a real instance: an error code up to 32, anything above is success.
    // Kept above 32 when it is cut to 32 bits.
    if (result > 32)
        return static_cast<HINSTANCE>(std::min<std::intptr_t>(result, INT32_MAX));
    return static_cast<HINSTANCE>(result);
}

UINT NativeWin32Api::WinExec(const std::string& cmdLine, UINT uCmdShow)
{
    // WinExec has no W form; CreateProcessW with the command line alone
    // searches for the program as it does, and keeps the text whole.
    std::wstring line = wide::fromUtf8(cmdLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(uCmdShow);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        switch (::GetLastError()) {
        case ERROR_FILE_NOT_FOUND:
            return 2;
        case ERROR_PATH_NOT_FOUND:
            return 3;
        case ERROR_BAD_EXE_FORMAT:
            return 11;
        default:
            return 0;
        }
    }
    // As WinExec: back once the new program waits for input, or after 30 s.
    ::WaitForInputIdle(process.hProcess, 30000);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return 33;
}

void NativeWin32Api::keybd_event(BYTE bVk, BYTE bScan, DWORD dwFlags, DWORD dwExtraInfo)
{
    ::keybd_event(bVk, bScan, dwFlags, dwExtraInfo);
}

void NativeWin32Api::SHAddToRecentDocs(UINT uFlags, const std::optional<std::string>& path)
{
    if (!path) {
        ::SHAddToRecentDocs(uFlags, nullptr);
        return;
    }
    // With a text only SHARD_PATH means anything; its wide form is SHARD_PATHW.
    if (uFlags == SHARD_PATH)
        ::SHAddToRecentDocs(SHARD_PATHW, wide::fromUtf8(*path).c_str());
}

std::int32_t NativeWin32Api::SHGetFileInfoA(const std::string& path, DWORD dwFileAttributes, ShFileInfoA& info,
                                            UINT /*cbFileInfo*/, UINT uFlags)
{
    if (uFlags & SHGFI_PIDL)
        return 0;
    SHFILEINFOW found{};
    const DWORD_PTR result =
        ::SHGetFileInfoW(wide::fromUtf8(path).c_str(), dwFileAttributes, &found, sizeof found, uFlags);
    // Only the fields the flags ask for are the system's; the others keep
    // what the caller's record held, as with the single-byte record.
    if (result != 0) {
        if (uFlags & (SHGFI_ICON | SHGFI_SYSICONINDEX))
            info.iIcon = found.iIcon;
        if (uFlags & SHGFI_ICON)
            info.hIcon = m_userHandles.seamOf(found.hIcon);
        if (uFlags & SHGFI_ATTRIBUTES)
            info.dwAttributes = found.dwAttributes;
        if (uFlags & SHGFI_DISPLAYNAME)
            putInArray(info.szDisplayName, wide::toUtf8UpToNul(found.szDisplayName, std::size(found.szDisplayName)));
        if (uFlags & SHGFI_TYPENAME)
            putInArray(info.szTypeName, wide::toUtf8UpToNul(found.szTypeName, std::size(found.szTypeName)));
    }
    if (uFlags & SHGFI_SYSICONINDEX) {
        // The system image list: a pointer, so it crosses through a table.
        if (result == 0)
            return 0;
        void* list = reinterpret_cast<void*>(result);
        const std::int32_t known = m_imageLists.seamOf(list);
        return known != 0 ? known : m_imageLists.add(list);
    }
    // SHGFI_EXETYPE answers a 32-bit word; the others TRUE.
    return static_cast<std::int32_t>(lowPart(result));
}

BOOL NativeWin32Api::ImageList_Draw(HIMAGELIST himl, int i, HDC hdcDst, int x, int y, UINT fStyle)
{
    void* list = m_imageLists.find(himl);
    if (list == nullptr)
        return FALSE;
    return ::ImageList_Draw(static_cast<::HIMAGELIST>(list), i, static_cast<::HDC>(m_userHandles.find(hdcDst)), x, y,
                            fStyle);
}

UINT NativeWin32Api::GetWindowsDirectoryA(std::string& buffer, UINT uSize)
{
    const std::string folder = folderReply([](wchar_t* out, ::UINT size) { return ::GetWindowsDirectoryW(out, size); });
    return folder.empty() ? 0 : copyReply(folder, buffer, uSize);
}

UINT NativeWin32Api::GetSystemDirectoryA(std::string& buffer, UINT uSize)
{
    const std::string folder = folderReply([](wchar_t* out, ::UINT size) { return ::GetSystemDirectoryW(out, size); });
    return folder.empty() ? 0 : copyReply(folder, buffer, uSize);
}

DWORD NativeWin32Api::GetTempPathA(DWORD nBufferLength, std::string& buffer)
{
    const std::string folder = folderReply(
        [](wchar_t* out, ::UINT size) { return static_cast<::UINT>(::GetTempPathW(size, out)); });
    return folder.empty() ? 0 : copyReply(folder, buffer, nBufferLength);
}

std::string NativeWin32Api::AppPath()
{
    std::wstring file = moduleFileName();
    const std::size_t slash = file.find_last_of(L"\\/");
    if (slash == std::wstring::npos)
        return {};
    std::wstring folder = file.substr(0, slash);
    if (folder.size() == 2 && folder[1] == L':')
        folder += L'\\'; // a drive root keeps its separator
    return wide::toUtf8(folder);
}

std::string NativeWin32Api::AppExeName()
{
    std::wstring file = moduleFileName();
    const std::size_t slash = file.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? file : file.substr(slash + 1);
    if (const std::size_t dot = name.rfind(L'.'); dot != std::wstring::npos && dot > 0)
        name.resize(dot);
    return wide::toUtf8(name);
}

std::string NativeWin32Api::AppCommandLine()
{
    // The command line less the program's own name, quoted or not, and the
    // blanks after it.
    const std::wstring_view line = ::GetCommandLineW();
    std::size_t at = 0;
    if (!line.empty() && line[0] == L'"') {
        const std::size_t close = line.find(L'"', 1);
        at = close == std::wstring_view::npos ? line.size() : close + 1;
    } else {
        at = std::min(line.find_first_of(L" \t"), line.size());
    }
    while (at < line.size() && (line[at] == L' ' || line[at] == L'\t'))
        ++at;
    return wide::toUtf8(line.substr(at));
}

// ---- Files and machine -------------------------------------------------------------------

HANDLE NativeWin32Api::FindFirstFileA(const std::string& pattern, Win32FindDataA& data)
{
    WIN32_FIND_DATAW found{};
    const ::HANDLE search = ::FindFirstFileW(wide::fromUtf8(pattern).c_str(), &found);
    if (search == reinterpret_cast<::HANDLE>(static_cast<std::intptr_t>(-1)))
        return -1;
    fillFindData(found, data);
    return m_searches.add(search);
}

BOOL NativeWin32Api::FindNextFileA(HANDLE hFindFile, Win32FindDataA& data)
{
    void* search = m_searches.find(hFindFile);
    if (search == nullptr) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    WIN32_FIND_DATAW found{};
    if (!::FindNextFileW(static_cast<::HANDLE>(search), &found))
        return FALSE;
    fillFindData(found, data);
    return TRUE;
}

BOOL NativeWin32Api::FindClose(HANDLE hFindFile)
{
    void* search = m_searches.take(hFindFile);
    if (search == nullptr) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return ::FindClose(static_cast<::HANDLE>(search));
}

DWORD NativeWin32Api::GetFileAttributesA(const std::string& path)
{
    return ::GetFileAttributesW(wide::fromUtf8(path).c_str());
}

BOOL NativeWin32Api::GetDiskFreeSpaceA(const std::string& rootPath, DWORD& sectorsPerCluster, DWORD& bytesPerSector,
                                       DWORD& freeClusters, DWORD& totalClusters)
{
    ::DWORD sectors = 0, bytes = 0, free = 0, total = 0;
    if (!::GetDiskFreeSpaceW(wide::fromUtf8(rootPath).c_str(), &sectors, &bytes, &free, &total))
        return FALSE;
    sectorsPerCluster = sectors;
    bytesPerSector = bytes;
    freeClusters = free;
    totalClusters = total;
    return TRUE;
}

BOOL NativeWin32Api::GetVolumeInformationA(const std::string& rootPath, std::string& volumeName, DWORD volumeNameSize,
                                           DWORD& serialNumber, DWORD& maxComponentLength, DWORD& fileSystemFlags,
                                           std::string& fileSystemName, DWORD fileSystemNameSize)
{
    wchar_t label[MAX_PATH + 1] = {};
    wchar_t system[MAX_PATH + 1] = {};
    ::DWORD serial = 0, longest = 0, flags = 0;
    if (!::GetVolumeInformationW(wide::fromUtf8(rootPath).c_str(), label, MAX_PATH + 1, &serial, &longest, &flags,
                                 system, MAX_PATH + 1))
        return FALSE;
    const std::string labelText = wide::toUtf8UpToNul(label, MAX_PATH + 1);
    const std::string systemText = wide::toUtf8UpToNul(system, MAX_PATH + 1);
    const std::size_t labelCapacity = std::min<std::size_t>(volumeNameSize, volumeName.size());
    const std::size_t systemCapacity = std::min<std::size_t>(fileSystemNameSize, fileSystemName.size());
    // A buffer of size 0 is not asked for; one too small fails the call as
    // the system fails it.
    if ((labelCapacity > 0 && labelText.size() + 1 > labelCapacity) ||
        (systemCapacity > 0 && systemText.size() + 1 > systemCapacity)) {
        ::SetLastError(ERROR_BAD_LENGTH);
        return FALSE;
    }
    if (labelCapacity > 0)
        putWithNul(volumeName, labelText);
    if (systemCapacity > 0)
        putWithNul(fileSystemName, systemText);
    serialNumber = serial;
    maxComponentLength = longest;
    fileSystemFlags = flags;
    return TRUE;
}

BOOL NativeWin32Api::GetComputerNameA(std::string& buffer, DWORD& nSize)
{
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 64] = {};
    ::DWORD length = std::size(name);
    if (!::GetComputerNameW(name, &length))
        return FALSE;
    const std::string text = wide::toUtf8(std::wstring_view(name, length));
    // As GetComputerNameA: too small gives the size needed with its NUL.
    if (text.size() + 1 > std::min<std::size_t>(nSize, buffer.size())) {
        nSize = static_cast<DWORD>(text.size() + 1);
        ::SetLastError(ERROR_BUFFER_OVERFLOW);
        return FALSE;
    }
    putWithNul(buffer, text);
    nSize = static_cast<DWORD>(text.size());
    return TRUE;
}

BOOL NativeWin32Api::SetComputerNameA(const std::string& name)
{
    return ::SetComputerNameW(wide::fromUtf8(name).c_str());
}

BOOL NativeWin32Api::GetUserNameA(std::string& buffer, DWORD& nSize)
{
    wchar_t name[512] = {};
    ::DWORD length = std::size(name);
    if (!::GetUserNameW(name, &length))
        return FALSE;
    const std::string text = wide::toUtf8UpToNul(name, std::size(name));
    // As GetUserNameA: the size counts the NUL, on success and when too small.
    const std::size_t capacity = std::min<std::size_t>(nSize, buffer.size());
    nSize = static_cast<DWORD>(text.size() + 1);
    if (text.size() + 1 > capacity) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    putWithNul(buffer, text);
    return TRUE;
}

} // namespace tarnquill
