// SPDX-License-Identifier: MIT
#include "RecordingWin32Api.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace tarnquill::testing {

namespace {

std::string num(std::int64_t value)
{
    return std::to_string(value);
}

std::string optText(const std::optional<std::string>& text)
{
    return text ? quoted(*text) : "NULL";
}

// A caller's buffer as it arrives: its spaces, or its bytes.
std::string buffer(std::string_view bytes)
{
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == ' '; }))
        return "<" + num(static_cast<std::int64_t>(bytes.size())) + " spaces>";
    return byteList(bytes);
}

std::string rect(const WinRect& r)
{
    return "{" + num(r.left) + ", " + num(r.top) + ", " + num(r.right) + ", " + num(r.bottom) + "}";
}

const std::string kOut = "out";

// Two upper-case hex digits.
std::string hexDigits(unsigned char byte)
{
    char text[3];
    std::snprintf(text, sizeof text, "%02X", byte);
    return text;
}

} // namespace

std::string quoted(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (const char* named = c == '\r' ? "\\r" : c == '\n' ? "\\n" : c == '\t' ? "\\t" : c == '\0' ? "\\0" : nullptr)
            out += named;
        else if (byte < 0x20)
            out += "\\x" + hexDigits(byte);
        else
            out += c;
    }
    return out + "\"";
}

std::string byteList(std::string_view bytes)
{
    std::string out = "<" + num(static_cast<std::int64_t>(bytes.size())) + " bytes";
    for (const char c : bytes)
        out += " " + hexDigits(static_cast<unsigned char>(c));
    return out + ">";
}

std::string keyName(HKEY key)
{
    static const char* const kRoots[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                                         "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};
    const std::uint32_t index = static_cast<std::uint32_t>(key) - static_cast<std::uint32_t>(HKEY_CLASSES_ROOT);
    return index < std::size(kRoots) ? kRoots[index] : num(key);
}

std::string hexNumber(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
    return text;
}

void RecordingWin32Api::record(std::string_view name, std::initializer_list<std::string> args)
{
    std::string line(name);
    line += '(';
    bool first = true;
    for (const std::string& arg : args) {
        if (!first)
            line += ", ";
        line += arg;
        first = false;
    }
    calls.push_back(line + ')');
}

std::vector<std::string> RecordingWin32Api::callsTo(std::string_view name) const
{
    std::vector<std::string> found;
    for (const std::string& call : calls)
        if (call.size() > name.size() && call.compare(0, name.size(), name) == 0 && call[name.size()] == '(')
            found.push_back(call);
    return found;
}

// ---- Screen, cursor, message box -----------------------------------------------

BOOL RecordingWin32Api::SystemParametersInfoA(UINT uiAction, UINT uiParam, WinRect& r, UINT fWinIni)
{
    record("SystemParametersInfoA", {num(uiAction), num(uiParam), rect(r), num(fWinIni)});
    if (onSystemParametersInfoRect)
        return onSystemParametersInfoRect(uiAction, uiParam, r, fWinIni);
    if (uiAction == SPI_GETWORKAREA)
        r = workArea;
    else if (uiAction == SPI_SETWORKAREA)
        workArea = r;
    return 1;
}

BOOL RecordingWin32Api::SystemParametersInfoA(UINT uiAction, UINT uiParam, const std::string& text, UINT fWinIni)
{
    record("SystemParametersInfoA", {num(uiAction), num(uiParam), quoted(text), num(fWinIni)});
    return onSystemParametersInfoText ? onSystemParametersInfoText(uiAction, uiParam, text, fWinIni) : 1;
}

BOOL RecordingWin32Api::SystemParametersInfoA(UINT uiAction, UINT uiParam, BOOL& slot, UINT fWinIni)
{
    record("SystemParametersInfoA", {num(uiAction), num(uiParam), kOut, num(fWinIni)});
    return onSystemParametersInfoSlot ? onSystemParametersInfoSlot(uiAction, uiParam, slot, fWinIni) : 1;
}

BOOL RecordingWin32Api::GetCursorPos(WinPoint& point)
{
    record("GetCursorPos", {kOut});
    if (onGetCursorPos)
        return onGetCursorPos(point);
    point = cursor;
    return 1;
}

BOOL RecordingWin32Api::SetCursorPos(int X, int Y)
{
    record("SetCursorPos", {num(X), num(Y)});
    return onSetCursorPos ? onSetCursorPos(X, Y) : 1;
}

int RecordingWin32Api::MessageBoxA(HWND hWnd, const std::string& text, const std::string& caption, UINT uType)
{
    record("MessageBoxA", {num(hWnd), quoted(text), quoted(caption), num(uType)});
    return onMessageBoxA ? onMessageBoxA(hWnd, text, caption, uType) : IDOK;
}

// ---- Notification area and menus -------------------------------------------------

BOOL RecordingWin32Api::Shell_NotifyIconA(DWORD dwMessage, const NotifyIconDataA& data)
{
    const auto bytes = data.bytes();
    record("Shell_NotifyIconA",
           {num(dwMessage), byteList({reinterpret_cast<const char*>(bytes.data()), bytes.size()})});
    return onShell_NotifyIconA ? onShell_NotifyIconA(dwMessage, data) : 1;
}

HMENU RecordingWin32Api::GetMenu(HWND hWnd)
{
    record("GetMenu", {num(hWnd)});
    return onGetMenu ? onGetMenu(hWnd) : nextHandle++;
}

HMENU RecordingWin32Api::GetSubMenu(HMENU hMenu, int nPos)
{
    record("GetSubMenu", {num(hMenu), num(nPos)});
    return onGetSubMenu ? onGetSubMenu(hMenu, nPos) : nextHandle++;
}

UINT RecordingWin32Api::GetMenuItemID(HMENU hMenu, int nPos)
{
    record("GetMenuItemID", {num(hMenu), num(nPos)});
    return onGetMenuItemID ? onGetMenuItemID(hMenu, nPos) : static_cast<UINT>(nextHandle++);
}

BOOL RecordingWin32Api::SetMenuItemBitmaps(HMENU hMenu, UINT uPosition, UINT uFlags, HBITMAP hBitmapUnchecked,
                                           HBITMAP hBitmapChecked)
{
    record("SetMenuItemBitmaps", {num(hMenu), num(uPosition), num(uFlags), num(hBitmapUnchecked), num(hBitmapChecked)});
    return onSetMenuItemBitmaps ? onSetMenuItemBitmaps(hMenu, uPosition, uFlags, hBitmapUnchecked, hBitmapChecked) : 1;
}

// ---- Windows and desktop ---------------------------------------------------------

BOOL RecordingWin32Api::SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags)
{
    record("SetWindowPos", {num(hWnd), num(hWndInsertAfter), num(X), num(Y), num(cx), num(cy), num(uFlags)});
    return onSetWindowPos ? onSetWindowPos(hWnd, hWndInsertAfter, X, Y, cx, cy, uFlags) : 1;
}

LONG RecordingWin32Api::SetWindowLongA(HWND hWnd, int nIndex, LONG dwNewLong)
{
    record("SetWindowLongA", {num(hWnd), num(nIndex), num(dwNewLong)});
    return onSetWindowLongA ? onSetWindowLongA(hWnd, nIndex, dwNewLong) : 0;
}

HWND RecordingWin32Api::FindWindowA(const std::optional<std::string>& className,
                                    const std::optional<std::string>& windowName)
{
    record("FindWindowA", {optText(className), optText(windowName)});
    return onFindWindowA ? onFindWindowA(className, windowName) : nextHandle++;
}

HWND RecordingWin32Api::FindWindowExA(HWND hWndParent, HWND hWndChildAfter, const std::optional<std::string>& className,
                                      const std::optional<std::string>& windowName)
{
    record("FindWindowExA", {num(hWndParent), num(hWndChildAfter), optText(className), optText(windowName)});
    return onFindWindowExA ? onFindWindowExA(hWndParent, hWndChildAfter, className, windowName) : nextHandle++;
}

LRESULT RecordingWin32Api::SendMessageA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    record("SendMessageA", {num(hWnd), num(msg), num(wParam), num(lParam)});
    return onSendMessageA ? onSendMessageA(hWnd, msg, wParam, lParam) : 0;
}

LRESULT RecordingWin32Api::SendMessageA(HWND hWnd, UINT msg, WPARAM wParam, const std::string& lParam)
{
    record("SendMessageA", {num(hWnd), num(msg), num(wParam), quoted(lParam)});
    return onSendMessageText ? onSendMessageText(hWnd, msg, wParam, lParam) : 0;
}

LRESULT RecordingWin32Api::DefWindowProcA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    record("DefWindowProcA", {num(hWnd), num(msg), num(wParam), num(lParam)});
    return onDefWindowProcA ? onDefWindowProcA(hWnd, msg, wParam, lParam) : 0;
}

BOOL RecordingWin32Api::ReleaseCapture()
{
    record("ReleaseCapture", {});
    return onReleaseCapture ? onReleaseCapture() : 1;
}

BOOL RecordingWin32Api::ExitWindowsEx(UINT uFlags, DWORD dwReason)
{
    record("ExitWindowsEx", {num(uFlags), num(dwReason)});
    return onExitWindowsEx ? onExitWindowsEx(uFlags, dwReason) : 1;
}

int RecordingWin32Api::ShowCursor(BOOL bShow)
{
    record("ShowCursor", {num(bShow)});
    return onShowCursor ? onShowCursor(bShow) : 0;
}

// ---- Sound, media, timing ---------------------------------------------------------

BOOL RecordingWin32Api::sndPlaySoundA(const std::string& sound, UINT fuSound)
{
    record("sndPlaySoundA", {quoted(sound), num(fuSound)});
    return onSndPlaySoundA ? onSndPlaySoundA(sound, fuSound) : 1;
}

MCIERROR RecordingWin32Api::mciSendStringA(const std::string& command, std::string& returnString, UINT cchReturn,
                                           HWND hwndCallback)
{
    record("mciSendStringA", {quoted(command), buffer(returnString), num(cchReturn), num(hwndCallback)});
    return onMciSendStringA ? onMciSendStringA(command, returnString, cchReturn, hwndCallback) : 0;
}

UINT RecordingWin32Api::waveOutGetNumDevs()
{
    record("waveOutGetNumDevs", {});
    return onWaveOutGetNumDevs ? onWaveOutGetNumDevs() : 1;
}

void RecordingWin32Api::DoEvents()
{
    record("DoEvents", {});
    if (onDoEvents)
        onDoEvents();
}

void RecordingWin32Api::WaitForEvents(std::int64_t until)
{
    record("WaitForEvents", {num(until)});
    // Unscripted, the wait lasts until the end: the clock jumps there.
    if (onWaitForEvents)
        onWaitForEvents(until);
    else
        now = std::max(now, until);
}

// ---- Shell and the running program ------------------------------------------------

HINSTANCE RecordingWin32Api::ShellExecuteA(HWND hWnd, const std::optional<std::string>& operation,
                                           const std::string& file, const std::optional<std::string>& parameters,
                                           const std::optional<std::string>& directory, int nShowCmd)
{
    record("ShellExecuteA",
           {num(hWnd), optText(operation), quoted(file), optText(parameters), optText(directory), num(nShowCmd)});
    return onShellExecuteA ? onShellExecuteA(hWnd, operation, file, parameters, directory, nShowCmd) : 42;
}

UINT RecordingWin32Api::WinExec(const std::string& cmdLine, UINT uCmdShow)
{
    record("WinExec", {quoted(cmdLine), num(uCmdShow)});
    return onWinExec ? onWinExec(cmdLine, uCmdShow) : 33;
}

void RecordingWin32Api::keybd_event(BYTE bVk, BYTE bScan, DWORD dwFlags, DWORD dwExtraInfo)
{
    record("keybd_event", {num(bVk), num(bScan), num(dwFlags), num(dwExtraInfo)});
    if (onKeybd_event)
        onKeybd_event(bVk, bScan, dwFlags, dwExtraInfo);
}

void RecordingWin32Api::SHAddToRecentDocs(UINT uFlags, const std::optional<std::string>& path)
{
    record("SHAddToRecentDocs", {num(uFlags), optText(path)});
    if (onSHAddToRecentDocs)
        onSHAddToRecentDocs(uFlags, path);
}

std::int32_t RecordingWin32Api::SHGetFileInfoA(const std::string& path, DWORD dwFileAttributes, ShFileInfoA& info,
                                               UINT cbFileInfo, UINT uFlags)
{
    record("SHGetFileInfoA", {quoted(path), num(dwFileAttributes), kOut, num(cbFileInfo), num(uFlags)});
    return onSHGetFileInfoA ? onSHGetFileInfoA(path, dwFileAttributes, info, cbFileInfo, uFlags) : nextHandle++;
}

BOOL RecordingWin32Api::ImageList_Draw(HIMAGELIST himl, int i, HDC hdcDst, int x, int y, UINT fStyle)
{
    record("ImageList_Draw", {num(himl), num(i), num(hdcDst), num(x), num(y), num(fStyle)});
    return onImageList_Draw ? onImageList_Draw(himl, i, hdcDst, x, y, fStyle) : 1;
}

UINT RecordingWin32Api::GetWindowsDirectoryA(std::string& buf, UINT uSize)
{
    record("GetWindowsDirectoryA", {buffer(buf), num(uSize)});
    return onGetWindowsDirectoryA ? onGetWindowsDirectoryA(buf, uSize) : 0;
}

UINT RecordingWin32Api::GetSystemDirectoryA(std::string& buf, UINT uSize)
{
    record("GetSystemDirectoryA", {buffer(buf), num(uSize)});
    return onGetSystemDirectoryA ? onGetSystemDirectoryA(buf, uSize) : 0;
}

DWORD RecordingWin32Api::GetTempPathA(DWORD nBufferLength, std::string& buf)
{
    record("GetTempPathA", {num(nBufferLength), buffer(buf)});
    return onGetTempPathA ? onGetTempPathA(nBufferLength, buf) : 0;
}

// ---- Registry -----------------------------------------------------------------------

LONG RecordingWin32Api::RegOpenKeyExA(HKEY hKey, const std::string& subKey, DWORD ulOptions, REGSAM samDesired,
                                      HKEY& result)
{
    record("RegOpenKeyExA", {keyName(hKey), quoted(subKey), num(ulOptions), hexNumber(samDesired), kOut});
    if (onRegOpenKeyExA)
        return onRegOpenKeyExA(hKey, subKey, ulOptions, samDesired, result);
    if (registry)
        return registry->RegOpenKeyExA(hKey, subKey, ulOptions, samDesired, result);
    result = nextHandle++;
    return ERROR_SUCCESS;
}

LONG RecordingWin32Api::RegCreateKeyExA(HKEY hKey, const std::string& subKey, DWORD reserved,
                                        const std::optional<std::string>& className, DWORD dwOptions,
                                        REGSAM samDesired, HKEY& result, DWORD& disposition)
{
    record("RegCreateKeyExA", {keyName(hKey), quoted(subKey), num(reserved), optText(className), num(dwOptions),
                               hexNumber(samDesired), kOut, kOut});
    if (onRegCreateKeyExA)
        return onRegCreateKeyExA(hKey, subKey, reserved, className, dwOptions, samDesired, result, disposition);
    if (registry)
        return registry->RegCreateKeyExA(hKey, subKey, reserved, className, dwOptions, samDesired, result, disposition);
    result = nextHandle++;
    disposition = REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG RecordingWin32Api::RegSetValueExA(HKEY hKey, const std::string& valueName, DWORD reserved, DWORD dwType,
                                       std::string_view data, DWORD cbData)
{
    record("RegSetValueExA",
           {keyName(hKey), quoted(valueName), num(reserved), num(dwType), byteList(data), num(cbData)});
    if (onRegSetValueExA)
        return onRegSetValueExA(hKey, valueName, reserved, dwType, data, cbData);
    return registry ? registry->RegSetValueExA(hKey, valueName, reserved, dwType, data, cbData) : ERROR_SUCCESS;
}

LONG RecordingWin32Api::RegQueryValueExA(HKEY hKey, const std::string& valueName, DWORD& type, std::string& data,
                                         DWORD& cbData)
{
    record("RegQueryValueExA", {keyName(hKey), quoted(valueName), num(type), buffer(data), num(cbData)});
    if (onRegQueryValueExA)
        return onRegQueryValueExA(hKey, valueName, type, data, cbData);
    return registry ? registry->RegQueryValueExA(hKey, valueName, type, data, cbData) : ERROR_FILE_NOT_FOUND;
}

LONG RecordingWin32Api::RegDeleteKeyA(HKEY hKey, const std::string& subKey)
{
    record("RegDeleteKeyA", {keyName(hKey), quoted(subKey)});
    if (onRegDeleteKeyA)
        return onRegDeleteKeyA(hKey, subKey);
    return registry ? registry->RegDeleteKeyA(hKey, subKey) : ERROR_SUCCESS;
}

LONG RecordingWin32Api::RegDeleteValueA(HKEY hKey, const std::string& valueName)
{
    record("RegDeleteValueA", {keyName(hKey), quoted(valueName)});
    if (onRegDeleteValueA)
        return onRegDeleteValueA(hKey, valueName);
    return registry ? registry->RegDeleteValueA(hKey, valueName) : ERROR_SUCCESS;
}

LONG RecordingWin32Api::RegCloseKey(HKEY hKey)
{
    record("RegCloseKey", {keyName(hKey)});
    if (onRegCloseKey)
        return onRegCloseKey(hKey);
    return registry ? registry->RegCloseKey(hKey) : ERROR_SUCCESS;
}

LONG RecordingWin32Api::RegQueryInfoKeyA(HKEY hKey, std::string& className, DWORD& cchClass, DWORD& subKeys,
                                         DWORD& maxSubKeyLen, DWORD& maxClassLen, DWORD& values,
                                         DWORD& maxValueNameLen, DWORD& maxValueLen, DWORD& cbSecurityDescriptor,
                                         FileTime& lastWriteTime)
{
    record("RegQueryInfoKeyA", {keyName(hKey), buffer(className), num(cchClass), kOut, kOut, kOut, kOut, kOut, kOut,
                                kOut, kOut});
    if (onRegQueryInfoKeyA)
        return onRegQueryInfoKeyA(hKey, className, cchClass, subKeys, maxSubKeyLen, maxClassLen, values,
                                  maxValueNameLen, maxValueLen, cbSecurityDescriptor, lastWriteTime);
    if (registry)
        return registry->RegQueryInfoKeyA(hKey, className, cchClass, subKeys, maxSubKeyLen, maxClassLen, values,
                                          maxValueNameLen, maxValueLen, cbSecurityDescriptor, lastWriteTime);
    cchClass = subKeys = maxSubKeyLen = maxClassLen = values = maxValueNameLen = maxValueLen = 0;
    cbSecurityDescriptor = 0;
    lastWriteTime = {};
    return ERROR_SUCCESS;
}

LONG RecordingWin32Api::RegEnumKeyExA(HKEY hKey, DWORD index, std::string& name, DWORD& cchName,
                                      std::string& className, DWORD& cchClass, FileTime& lastWriteTime)
{
    record("RegEnumKeyExA",
           {keyName(hKey), num(index), buffer(name), num(cchName), buffer(className), num(cchClass), kOut});
    if (onRegEnumKeyExA)
        return onRegEnumKeyExA(hKey, index, name, cchName, className, cchClass, lastWriteTime);
    return registry ? registry->RegEnumKeyExA(hKey, index, name, cchName, className, cchClass, lastWriteTime)
                    : ERROR_NO_MORE_ITEMS;
}

LONG RecordingWin32Api::RegEnumValueA(HKEY hKey, DWORD index, std::string& valueName, DWORD& cchValueName,
                                      DWORD& type, std::string& data, DWORD& cbData)
{
    record("RegEnumValueA",
           {keyName(hKey), num(index), buffer(valueName), num(cchValueName), kOut, buffer(data), num(cbData)});
    if (onRegEnumValueA)
        return onRegEnumValueA(hKey, index, valueName, cchValueName, type, data, cbData);
    return registry ? registry->RegEnumValueA(hKey, index, valueName, cchValueName, type, data, cbData)
                    : ERROR_NO_MORE_ITEMS;
}

// ---- Files and machine -----------------------------------------------------------------

HANDLE RecordingWin32Api::FindFirstFileA(const std::string& pattern, Win32FindDataA& data)
{
    record("FindFirstFileA", {quoted(pattern), kOut});
    return onFindFirstFileA ? onFindFirstFileA(pattern, data) : INVALID_HANDLE_VALUE;
}

BOOL RecordingWin32Api::FindNextFileA(HANDLE hFindFile, Win32FindDataA& data)
{
    record("FindNextFileA", {num(hFindFile), kOut});
    return onFindNextFileA ? onFindNextFileA(hFindFile, data) : 0;
}

BOOL RecordingWin32Api::FindClose(HANDLE hFindFile)
{
    record("FindClose", {num(hFindFile)});
    return onFindClose ? onFindClose(hFindFile) : 1;
}

DWORD RecordingWin32Api::GetFileAttributesA(const std::string& path)
{
    record("GetFileAttributesA", {quoted(path)});
    return onGetFileAttributesA ? onGetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
}

BOOL RecordingWin32Api::GetDiskFreeSpaceA(const std::string& rootPath, DWORD& sectorsPerCluster, DWORD& bytesPerSector,
                                          DWORD& freeClusters, DWORD& totalClusters)
{
    record("GetDiskFreeSpaceA", {quoted(rootPath), kOut, kOut, kOut, kOut});
    return onGetDiskFreeSpaceA
        ? onGetDiskFreeSpaceA(rootPath, sectorsPerCluster, bytesPerSector, freeClusters, totalClusters)
        : 0;
}

BOOL RecordingWin32Api::GetVolumeInformationA(const std::string& rootPath, std::string& volumeName,
                                              DWORD volumeNameSize, DWORD& serialNumber, DWORD& maxComponentLength,
                                              DWORD& fileSystemFlags, std::string& fileSystemName,
                                              DWORD fileSystemNameSize)
{
    record("GetVolumeInformationA", {quoted(rootPath), buffer(volumeName), num(volumeNameSize), kOut, kOut, kOut,
                                     buffer(fileSystemName), num(fileSystemNameSize)});
    return onGetVolumeInformationA
        ? onGetVolumeInformationA(rootPath, volumeName, volumeNameSize, serialNumber, maxComponentLength,
                                  fileSystemFlags, fileSystemName, fileSystemNameSize)
        : 0;
}

BOOL RecordingWin32Api::GetComputerNameA(std::string& buf, DWORD& nSize)
{
    record("GetComputerNameA", {buffer(buf), num(nSize)});
    return onGetComputerNameA ? onGetComputerNameA(buf, nSize) : 0;
}

BOOL RecordingWin32Api::SetComputerNameA(const std::string& name)
{
    record("SetComputerNameA", {quoted(name)});
    return onSetComputerNameA ? onSetComputerNameA(name) : 1;
}

BOOL RecordingWin32Api::GetUserNameA(std::string& buf, DWORD& nSize)
{
    record("GetUserNameA", {buffer(buf), num(nSize)});
    return onGetUserNameA ? onGetUserNameA(buf, nSize) : 0;
}

} // namespace tarnquill::testing
