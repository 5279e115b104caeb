// SPDX-License-Identifier: MIT
#pragma once

#include "InMemoryRegistry.h"

#include "winapi/Values.h"
#include "winapi/Win32Api.h"

#include <functional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace tarnquill::testing {

// A Win32Api that records every platform call, in order, as one readable line
// ("Name(arg, arg, ...)"), and answers from a script.
//
// Line format: numbers in decimal (an in/out number as it went in); texts in
// double quotes with control characters escaped (\r, \n, \t, \0, \xHH); NULL
// for an absent text; a caller's buffer as <N spaces> or <N bytes 61 62 00>;
// value data and the notification record as bytes; a rectangle as
// {left, top, right, bottom}; any other record as `out`. Registry roots by
// name (HKEY_LOCAL_MACHINE), access masks in hex (0x3F). TwipsPerPixelX/Y,
// Now and the App* readings are not platform calls and are not recorded.
//
// Answers: a function with a hook (onSetCursorPos, ...; the method's own
// signature) answers as the hook decides. Otherwise an action succeeds in the
// plainest way (TRUE, ERROR_SUCCESS, a fresh handle 100, 101, ... wherever
// one is returned); the work area and the cursor come from `workArea` and
// `cursor` (SPI_SETWORKAREA stores into `workArea`); a call that would fill
// a buffer or a record fails and leaves it untouched; searches and
// enumerations find nothing. The registry functions answer from `registry`.
// WaitForEvents, unscripted, sets `now` to the end it was
// given, as a wait that saw no event would.
class RecordingWin32Api final : public Win32Api {
public:
    std::vector<std::string> calls;

    float twipsPerPixelX = 15;
    float twipsPerPixelY = 15;
    WinRect workArea{0, 0, 1024, 738};
    WinPoint cursor{0, 0};
    std::int64_t now = 0;
    std::string appPath = "C:\\Apps\\Clip";
    std::string appExeName = "tool";
    std::string appCommandLine;
    HANDLE nextHandle = 100;
    // The registry the registry functions answer from (a fresh one of the
    // double's own unless a test sets its own), so a test can judge what
    // they left behind.
    InMemoryRegistry* registry = &m_registry;

    // Hooks, in the seam's order.
    std::function<BOOL(int, int)> onSetCursorPos;
    std::function<BOOL(DWORD, const NotifyIconDataA&)> onShell_NotifyIconA;
    std::function<HMENU(HWND)> onGetMenu;
    std::function<HMENU(HMENU, int)> onGetSubMenu;
    std::function<UINT(HMENU, int)> onGetMenuItemID;
    std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> onSendMessageA;
    std::function<LRESULT(HWND, UINT, WPARAM, const std::string&)> onSendMessageText;
    std::function<MCIERROR(const std::string&, std::string&, UINT, HWND)> onMciSendStringA;
    std::function<UINT()> onWaveOutGetNumDevs;
    std::function<void(std::int64_t)> onWaitForEvents;
    std::function<HINSTANCE(HWND, const std::optional<std::string>&, const std::string&, const std::optional<std::string>&,
                            const std::optional<std::string>&, int)>
        onShellExecuteA;
    std::function<UINT(const std::string&, UINT)> onWinExec;
    std::function<std::int32_t(const std::string&, DWORD, ShFileInfoA&, UINT, UINT)> onSHGetFileInfoA;
    std::function<UINT(std::string&, UINT)> onGetWindowsDirectoryA;
    std::function<DWORD(DWORD, std::string&)> onGetTempPathA;
    std::function<LONG(HKEY, const std::string&, DWORD, const std::optional<std::string>&, DWORD, REGSAM, HKEY&, DWORD&)>
        onRegCreateKeyExA;
    std::function<LONG(HKEY, const std::string&, DWORD, DWORD, std::string_view, DWORD)> onRegSetValueExA;
    std::function<HANDLE(const std::string&, Win32FindDataA&)> onFindFirstFileA;
    std::function<BOOL(HANDLE, Win32FindDataA&)> onFindNextFileA;
    std::function<BOOL(HANDLE)> onFindClose;
    std::function<DWORD(const std::string&)> onGetFileAttributesA;
    std::function<BOOL(const std::string&, DWORD&, DWORD&, DWORD&, DWORD&)> onGetDiskFreeSpaceA;
    std::function<BOOL(const std::string&, std::string&, DWORD, DWORD&, DWORD&, DWORD&, std::string&, DWORD)>
        onGetVolumeInformationA;
    std::function<BOOL(std::string&, DWORD&)> onGetComputerNameA;
    std::function<BOOL(const std::string&)> onSetComputerNameA;
    std::function<BOOL(std::string&, DWORD&)> onGetUserNameA;

    // The recorded lines whose function name is `name`.
    std::vector<std::string> callsTo(std::string_view name) const;

    BOOL SystemParametersInfoA(UINT uiAction, UINT uiParam, WinRect& rect, UINT fWinIni) override;
    BOOL SystemParametersInfoA(UINT uiAction, UINT uiParam, const std::string& text, UINT fWinIni) override
    {
        return answer("SystemParametersInfoA", 1, uiAction, uiParam, text, fWinIni);
    }
    BOOL SystemParametersInfoA(UINT uiAction, UINT uiParam, BOOL& slot, UINT fWinIni) override
    {
        return answer("SystemParametersInfoA", 1, uiAction, uiParam, slot, fWinIni);
    }
    BOOL GetCursorPos(WinPoint& point) override;
    BOOL SetCursorPos(int X, int Y) override { return answer("SetCursorPos", onSetCursorPos, 1, X, Y); }
    int MessageBoxA(HWND hWnd, const std::string& text, const std::string& caption, UINT uType) override
    {
        return answer("MessageBoxA", IDOK, hWnd, text, caption, uType);
    }
    float TwipsPerPixelX() override { return twipsPerPixelX; }
    float TwipsPerPixelY() override { return twipsPerPixelY; }

    BOOL Shell_NotifyIconA(DWORD dwMessage, const NotifyIconDataA& data) override
    {
        return answer("Shell_NotifyIconA", onShell_NotifyIconA, 1, dwMessage, data);
    }
    HMENU GetMenu(HWND hWnd) override { return answer("GetMenu", onGetMenu, fresh(), hWnd); }
    HMENU GetSubMenu(HMENU hMenu, int nPos) override { return answer("GetSubMenu", onGetSubMenu, fresh(), hMenu, nPos); }
    UINT GetMenuItemID(HMENU hMenu, int nPos) override
    {
        return answer("GetMenuItemID", onGetMenuItemID, [this] { return static_cast<UINT>(nextHandle++); }, hMenu,
                      nPos);
    }
    BOOL SetMenuItemBitmaps(HMENU hMenu, UINT uPosition, UINT uFlags, HBITMAP hBitmapUnchecked,
                            HBITMAP hBitmapChecked) override
    {
        return answer("SetMenuItemBitmaps", 1, hMenu, uPosition, uFlags, hBitmapUnchecked, hBitmapChecked);
    }

    BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags) override
    {
        return answer("SetWindowPos", 1, hWnd, hWndInsertAfter, X, Y, cx, cy, uFlags);
    }
    LONG SetWindowLongA(HWND hWnd, int nIndex, LONG dwNewLong) override
    {
        return answer("SetWindowLongA", 0, hWnd, nIndex, dwNewLong);
    }
    HWND FindWindowA(const std::optional<std::string>& className, const std::optional<std::string>& windowName) override
    {
        return answer("FindWindowA", nextHandle++, className, windowName);
    }
    HWND FindWindowExA(HWND hWndParent, HWND hWndChildAfter, const std::optional<std::string>& className,
                       const std::optional<std::string>& windowName) override
    {
        return answer("FindWindowExA", nextHandle++, hWndParent, hWndChildAfter, className, windowName);
    }
    LRESULT SendMessageA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        return answer("SendMessageA", onSendMessageA, 0, hWnd, msg, wParam, lParam);
    }
    LRESULT SendMessageA(HWND hWnd, UINT msg, WPARAM wParam, const std::string& lParam) override
    {
        return answer("SendMessageA", onSendMessageText, 0, hWnd, msg, wParam, lParam);
    }
    LRESULT DefWindowProcA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        return answer("DefWindowProcA", 0, hWnd, msg, wParam, lParam);
    }
    BOOL ReleaseCapture() override { return answer("ReleaseCapture", 1); }
    BOOL ExitWindowsEx(UINT uFlags, DWORD dwReason) override { return answer("ExitWindowsEx", 1, uFlags, dwReason); }
    int ShowCursor(BOOL bShow) override { return answer("ShowCursor", 0, bShow); }

    BOOL sndPlaySoundA(const std::string& sound, UINT fuSound) override
    {
        return answer("sndPlaySoundA", 1, sound, fuSound);
    }
    MCIERROR mciSendStringA(const std::string& command, std::string& returnString, UINT cchReturn,
                            HWND hwndCallback) override
    {
        return answer("mciSendStringA", onMciSendStringA, 0, command, returnString, cchReturn, hwndCallback);
    }
    UINT waveOutGetNumDevs() override { return answer("waveOutGetNumDevs", onWaveOutGetNumDevs, 1); }
    void DoEvents() override { record("DoEvents"); }
    void WaitForEvents(std::int64_t until) override;
    std::int64_t Now() override { return now; }

    HINSTANCE ShellExecuteA(HWND hWnd, const std::optional<std::string>& operation, const std::string& file,
                            const std::optional<std::string>& parameters, const std::optional<std::string>& directory,
                            int nShowCmd) override
    {
        return answer("ShellExecuteA", onShellExecuteA, 42, hWnd, operation, file, parameters, directory, nShowCmd);
    }
    UINT WinExec(const std::string& cmdLine, UINT uCmdShow) override
    {
        return answer("WinExec", onWinExec, 33, cmdLine, uCmdShow);
    }
    void keybd_event(BYTE bVk, BYTE bScan, DWORD dwFlags, DWORD dwExtraInfo) override
    {
        record("keybd_event", bVk, bScan, dwFlags, dwExtraInfo);
    }
    void SHAddToRecentDocs(UINT uFlags, const std::optional<std::string>& path) override
    {
        record("SHAddToRecentDocs", uFlags, path);
    }
    std::int32_t SHGetFileInfoA(const std::string& path, DWORD dwFileAttributes, ShFileInfoA& info, UINT cbFileInfo,
                                UINT uFlags) override
    {
        return answer("SHGetFileInfoA", onSHGetFileInfoA, fresh(), path, dwFileAttributes, info, cbFileInfo, uFlags);
    }
    BOOL ImageList_Draw(HIMAGELIST himl, int i, HDC hdcDst, int x, int y, UINT fStyle) override
    {
        return answer("ImageList_Draw", 1, himl, i, hdcDst, x, y, fStyle);
    }
    UINT GetWindowsDirectoryA(std::string& buffer, UINT uSize) override
    {
        return answer("GetWindowsDirectoryA", onGetWindowsDirectoryA, 0, buffer, uSize);
    }
    UINT GetSystemDirectoryA(std::string& buffer, UINT uSize) override
    {
        return answer("GetSystemDirectoryA", 0, buffer, uSize);
    }
    DWORD GetTempPathA(DWORD nBufferLength, std::string& buffer) override
    {
        return answer("GetTempPathA", onGetTempPathA, 0, nBufferLength, buffer);
    }
    std::string AppPath() override { return appPath; }
    std::string AppExeName() override { return appExeName; }
    std::string AppCommandLine() override { return appCommandLine; }

    LONG RegOpenKeyExA(HKEY hKey, const std::string& subKey, DWORD ulOptions, REGSAM samDesired, HKEY& result) override
    {
        record("RegOpenKeyExA", root(hKey), subKey, ulOptions, mask(samDesired), Raw{"out"});
        return registry->RegOpenKeyExA(hKey, subKey, ulOptions, samDesired, result);
    }
    LONG RegCreateKeyExA(HKEY hKey, const std::string& subKey, DWORD reserved,
                         const std::optional<std::string>& className, DWORD dwOptions, REGSAM samDesired, HKEY& result,
                         DWORD& disposition) override
    {
        record("RegCreateKeyExA", root(hKey), subKey, reserved, className, dwOptions, mask(samDesired));
        if (onRegCreateKeyExA)
            return onRegCreateKeyExA(hKey, subKey, reserved, className, dwOptions, samDesired, result, disposition);
        return registry->RegCreateKeyExA(hKey, subKey, reserved, className, dwOptions, samDesired, result, disposition);
    }
    LONG RegSetValueExA(HKEY hKey, const std::string& valueName, DWORD reserved, DWORD dwType, std::string_view data,
                        DWORD cbData) override
    {
        record("RegSetValueExA", root(hKey), valueName, reserved, dwType, data, cbData);
        if (onRegSetValueExA)
            return onRegSetValueExA(hKey, valueName, reserved, dwType, data, cbData);
        return registry->RegSetValueExA(hKey, valueName, reserved, dwType, data, cbData);
    }
    LONG RegQueryValueExA(HKEY hKey, const std::string& valueName, DWORD& type, std::string& data,
                          DWORD& cbData) override
    {
        record("RegQueryValueExA", root(hKey), valueName, type, data, cbData);
        return registry->RegQueryValueExA(hKey, valueName, type, data, cbData);
    }
    LONG RegDeleteKeyA(HKEY hKey, const std::string& subKey) override
    {
        record("RegDeleteKeyA", root(hKey), subKey);
        return registry->RegDeleteKeyA(hKey, subKey);
    }
    LONG RegDeleteValueA(HKEY hKey, const std::string& valueName) override
    {
        record("RegDeleteValueA", root(hKey), valueName);
        return registry->RegDeleteValueA(hKey, valueName);
    }
    LONG RegCloseKey(HKEY hKey) override
    {
        record("RegCloseKey", root(hKey));
        return registry->RegCloseKey(hKey);
    }
    LONG RegQueryInfoKeyA(HKEY hKey, std::string& className, DWORD& cchClass, DWORD& subKeys, DWORD& maxSubKeyLen,
                          DWORD& maxClassLen, DWORD& values, DWORD& maxValueNameLen, DWORD& maxValueLen,
                          DWORD& cbSecurityDescriptor, FileTime& lastWriteTime) override
    {
        record("RegQueryInfoKeyA", root(hKey), className, cchClass);
        return registry->RegQueryInfoKeyA(hKey, className, cchClass, subKeys, maxSubKeyLen, maxClassLen, values,
                                          maxValueNameLen, maxValueLen, cbSecurityDescriptor, lastWriteTime);
    }
    LONG RegEnumKeyExA(HKEY hKey, DWORD index, std::string& name, DWORD& cchName, std::string& className,
                       DWORD& cchClass, FileTime& lastWriteTime) override
    {
        record("RegEnumKeyExA", root(hKey), index, name, cchName, className, cchClass);
        return registry->RegEnumKeyExA(hKey, index, name, cchName, className, cchClass, lastWriteTime);
    }
    LONG RegEnumValueA(HKEY hKey, DWORD index, std::string& valueName, DWORD& cchValueName, DWORD& type,
                       std::string& data, DWORD& cbData) override
    {
        record("RegEnumValueA", root(hKey), index, valueName, cchValueName, type, data, cbData);
        return registry->RegEnumValueA(hKey, index, valueName, cchValueName, type, data, cbData);
    }

    HANDLE FindFirstFileA(const std::string& pattern, Win32FindDataA& data) override
    {
        return answer("FindFirstFileA", onFindFirstFileA, INVALID_HANDLE_VALUE, pattern, data);
    }
    BOOL FindNextFileA(HANDLE hFindFile, Win32FindDataA& data) override
    {
        return answer("FindNextFileA", onFindNextFileA, 0, hFindFile, data);
    }
    BOOL FindClose(HANDLE hFindFile) override { return answer("FindClose", onFindClose, 1, hFindFile); }
    DWORD GetFileAttributesA(const std::string& path) override
    {
        return answer("GetFileAttributesA", onGetFileAttributesA, INVALID_FILE_ATTRIBUTES, path);
    }
    BOOL GetDiskFreeSpaceA(const std::string& rootPath, DWORD& sectorsPerCluster, DWORD& bytesPerSector,
                           DWORD& freeClusters, DWORD& totalClusters) override
    {
        return answer("GetDiskFreeSpaceA", onGetDiskFreeSpaceA, 0, rootPath, sectorsPerCluster, bytesPerSector,
                      freeClusters, totalClusters);
    }
    BOOL GetVolumeInformationA(const std::string& rootPath, std::string& volumeName, DWORD volumeNameSize,
                               DWORD& serialNumber, DWORD& maxComponentLength, DWORD& fileSystemFlags,
                               std::string& fileSystemName, DWORD fileSystemNameSize) override
    {
        return answer("GetVolumeInformationA", onGetVolumeInformationA, 0, rootPath, volumeName, volumeNameSize,
                      serialNumber, maxComponentLength, fileSystemFlags, fileSystemName, fileSystemNameSize);
    }
    BOOL GetComputerNameA(std::string& buffer, DWORD& nSize) override
    {
        return answer("GetComputerNameA", onGetComputerNameA, 0, buffer, nSize);
    }
    BOOL SetComputerNameA(const std::string& name) override
    {
        return answer("SetComputerNameA", onSetComputerNameA, 1, name);
    }
    BOOL GetUserNameA(std::string& buffer, DWORD& nSize) override
    {
        return answer("GetUserNameA", onGetUserNameA, 0, buffer, nSize);
    }

private:
    InMemoryRegistry m_registry;

    // One argument as the line shows it (see the class comment).
    static std::string shown(std::string& buffer);
    static std::string shown(const std::string& text);
    static std::string shown(const std::optional<std::string>& text);
    static std::string shown(std::string_view bytes);
    static std::string shown(const WinRect& rect);
    static std::string shown(const NotifyIconDataA& record);
    struct Raw {
        std::string text;
    };
    static std::string shown(const Raw& raw) { return raw.text; }
    // A registry root by name, an access mask in hex.
    static Raw root(HKEY key);
    static Raw mask(REGSAM access);
    template <class T>
    static std::string shown(const T& value)
    {
        if constexpr (std::is_arithmetic_v<T>)
            return std::to_string(value);
        else
            return "out";
    }

    template <class... A>
    void record(std::string_view name, A&&... args)
    {
        std::string line(name);
        line += '(';
        ((line += shown(args), line += ", "), ...);
        if constexpr (sizeof...(A) > 0)
            line.resize(line.size() - 2);
        calls.push_back(line + ')');
    }

    // A fresh handle, taken only when the answer is the default one.
    std::function<HANDLE()> fresh()
    {
        return [this] { return nextHandle++; };
    }

    // Records the call; the hook's answer when it is set, else `fallback`
    // (a value, or a function giving it).
    template <class R, class... P, class Fallback, class... A>
    R answer(std::string_view name, const std::function<R(P...)>& hook, Fallback&& fallback, A&... args)
    {
        record(name, args...);
        if (hook)
            return hook(args...);
        if constexpr (std::is_invocable_v<Fallback>)
            return static_cast<R>(fallback());
        else
            return static_cast<R>(fallback);
    }
    // A function without a hook: recorded, answered with `result`.
    template <class R, class... A>
    R answer(std::string_view name, R result, A&... args)
    {
        record(name, args...);
        return result;
    }
};

// <N bytes 61 62 00>, as a line shows bytes.
std::string byteList(std::string_view bytes);

// The number of the RuntimeError that `action` raised, or 0 when it raised none.
template <typename Action>
int runtimeErrorOf(Action&& action)
{
    try {
        action();
    } catch (const RuntimeError& error) {
        return error.number();
    }
    return 0;
}

} // namespace tarnquill::testing
