// SPDX-License-Identifier: MIT
#pragma once

#include "InMemoryRegistry.h"

#include "winapi/Values.h"
#include "winapi/Win32Api.h"

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace tarnquill::testing {

// A Win32Api that records every platform call, in order, as one readable line
// ("Name(arg, arg, ...)"), and answers from a script.
//
// Line format: numbers in decimal; registry roots by name (HKEY_LOCAL_MACHINE)
// and access masks in hex (0x3F); texts in double quotes with control
// characters escaped (\r, \n, \t, \0, \xHH) and nothing else; NULL for an
// absent text; a pure output argument as `out`; a buffer of spaces as
// <N spaces>; bytes (value data, records) as <N bytes 61 62 00>; a rectangle
// as {left, top, right, bottom}. TwipsPerPixelX/Y, Now and the App* readings
// are not platform calls and are not recorded.
//
// Answers: each platform function has a hook with the method's own signature
// (onRegOpenKeyExA, ...). When a hook is set it decides the result and the
// outputs. When it is not, an action succeeds in the plainest way (TRUE,
// ERROR_SUCCESS, a fresh handle 100, 101, ... wherever one is returned); the
// work area and the cursor come from `workArea` and `cursor`
// (SPI_SETWORKAREA stores into `workArea`); a call that would fill a buffer
// or a record fails and leaves it untouched (0, FALSE, ERROR_FILE_NOT_FOUND
// for a value query); searches and enumerations find nothing
// (INVALID_HANDLE_VALUE, ERROR_NO_MORE_ITEMS).
// WaitForEvents, unscripted, sets `now` to the end it was given, as a wait
// that saw no event would.
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
    // When set, the registry functions without a hook answer from it (and are
    // still recorded), so a test can judge what they left behind.
    InMemoryRegistry* registry = nullptr;

    // Hooks, in the seam's order.
    std::function<BOOL(UINT, UINT, WinRect&, UINT)> onSystemParametersInfoRect;
    std::function<BOOL(UINT, UINT, const std::string&, UINT)> onSystemParametersInfoText;
    std::function<BOOL(UINT, UINT, BOOL&, UINT)> onSystemParametersInfoSlot;
    std::function<BOOL(WinPoint&)> onGetCursorPos;
    std::function<BOOL(int, int)> onSetCursorPos;
    std::function<int(HWND, const std::string&, const std::string&, UINT)> onMessageBoxA;
    std::function<BOOL(DWORD, const NotifyIconDataA&)> onShell_NotifyIconA;
    std::function<HMENU(HWND)> onGetMenu;
    std::function<HMENU(HMENU, int)> onGetSubMenu;
    std::function<UINT(HMENU, int)> onGetMenuItemID;
    std::function<BOOL(HMENU, UINT, UINT, HBITMAP, HBITMAP)> onSetMenuItemBitmaps;
    std::function<BOOL(HWND, HWND, int, int, int, int, UINT)> onSetWindowPos;
    std::function<LONG(HWND, int, LONG)> onSetWindowLongA;
    std::function<HWND(const std::optional<std::string>&, const std::optional<std::string>&)> onFindWindowA;
    std::function<HWND(HWND, HWND, const std::optional<std::string>&, const std::optional<std::string>&)> onFindWindowExA;
    std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> onSendMessageA;
    std::function<LRESULT(HWND, UINT, WPARAM, const std::string&)> onSendMessageText;
    std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> onDefWindowProcA;
    std::function<BOOL()> onReleaseCapture;
    std::function<BOOL(UINT, DWORD)> onExitWindowsEx;
    std::function<int(BOOL)> onShowCursor;
    std::function<BOOL(const std::string&, UINT)> onSndPlaySoundA;
    std::function<MCIERROR(const std::string&, std::string&, UINT, HWND)> onMciSendStringA;
    std::function<UINT()> onWaveOutGetNumDevs;
    std::function<void()> onDoEvents;
    std::function<void(std::int64_t)> onWaitForEvents;
    std::function<HINSTANCE(HWND, const std::optional<std::string>&, const std::string&, const std::optional<std::string>&,
                            const std::optional<std::string>&, int)>
        onShellExecuteA;
    std::function<UINT(const std::string&, UINT)> onWinExec;
    std::function<void(BYTE, BYTE, DWORD, DWORD)> onKeybd_event;
    std::function<void(UINT, const std::optional<std::string>&)> onSHAddToRecentDocs;
    std::function<std::int32_t(const std::string&, DWORD, ShFileInfoA&, UINT, UINT)> onSHGetFileInfoA;
    std::function<BOOL(HIMAGELIST, int, HDC, int, int, UINT)> onImageList_Draw;
    std::function<UINT(std::string&, UINT)> onGetWindowsDirectoryA;
    std::function<UINT(std::string&, UINT)> onGetSystemDirectoryA;
    std::function<DWORD(DWORD, std::string&)> onGetTempPathA;
    std::function<LONG(HKEY, const std::string&, DWORD, REGSAM, HKEY&)> onRegOpenKeyExA;
    std::function<LONG(HKEY, const std::string&, DWORD, const std::optional<std::string>&, DWORD, REGSAM, HKEY&, DWORD&)>
        onRegCreateKeyExA;
    std::function<LONG(HKEY, const std::string&, DWORD, DWORD, std::string_view, DWORD)> onRegSetValueExA;
    std::function<LONG(HKEY, const std::string&, DWORD&, std::string&, DWORD&)> onRegQueryValueExA;
    std::function<LONG(HKEY, const std::string&)> onRegDeleteKeyA;
    std::function<LONG(HKEY, const std::string&)> onRegDeleteValueA;
    std::function<LONG(HKEY)> onRegCloseKey;
    std::function<LONG(HKEY, std::string&, DWORD&, DWORD&, DWORD&, DWORD&, DWORD&, DWORD&, DWORD&, DWORD&, FileTime&)>
        onRegQueryInfoKeyA;
    std::function<LONG(HKEY, DWORD, std::string&, DWORD&, std::string&, DWORD&, FileTime&)> onRegEnumKeyExA;
    std::function<LONG(HKEY, DWORD, std::string&, DWORD&, DWORD&, std::string&, DWORD&)> onRegEnumValueA;
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
    BOOL SystemParametersInfoA(UINT uiAction, UINT uiParam, const std::string& text, UINT fWinIni) override;
    BOOL SystemParametersInfoA(UINT uiAction, UINT uiParam, BOOL& slot, UINT fWinIni) override;
    BOOL GetCursorPos(WinPoint& point) override;
    BOOL SetCursorPos(int X, int Y) override;
    int MessageBoxA(HWND hWnd, const std::string& text, const std::string& caption, UINT uType) override;
    float TwipsPerPixelX() override { return twipsPerPixelX; }
    float TwipsPerPixelY() override { return twipsPerPixelY; }

    BOOL Shell_NotifyIconA(DWORD dwMessage, const NotifyIconDataA& data) override;
    HMENU GetMenu(HWND hWnd) override;
    HMENU GetSubMenu(HMENU hMenu, int nPos) override;
    UINT GetMenuItemID(HMENU hMenu, int nPos) override;
    BOOL SetMenuItemBitmaps(HMENU hMenu, UINT uPosition, UINT uFlags, HBITMAP hBitmapUnchecked,
                            HBITMAP hBitmapChecked) override;

    BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags) override;
    LONG SetWindowLongA(HWND hWnd, int nIndex, LONG dwNewLong) override;
    HWND FindWindowA(const std::optional<std::string>& className, const std::optional<std::string>& windowName) override;
    HWND FindWindowExA(HWND hWndParent, HWND hWndChildAfter, const std::optional<std::string>& className,
                       const std::optional<std::string>& windowName) override;
    LRESULT SendMessageA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
    LRESULT SendMessageA(HWND hWnd, UINT msg, WPARAM wParam, const std::string& lParam) override;
    LRESULT DefWindowProcA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL ReleaseCapture() override;
    BOOL ExitWindowsEx(UINT uFlags, DWORD dwReason) override;
    int ShowCursor(BOOL bShow) override;

    BOOL sndPlaySoundA(const std::string& sound, UINT fuSound) override;
    MCIERROR mciSendStringA(const std::string& command, std::string& returnString, UINT cchReturn,
                            HWND hwndCallback) override;
    UINT waveOutGetNumDevs() override;
    void DoEvents() override;
    void WaitForEvents(std::int64_t until) override;
    std::int64_t Now() override { return now; }

    HINSTANCE ShellExecuteA(HWND hWnd, const std::optional<std::string>& operation, const std::string& file,
                            const std::optional<std::string>& parameters, const std::optional<std::string>& directory,
                            int nShowCmd) override;
    UINT WinExec(const std::string& cmdLine, UINT uCmdShow) override;
    void keybd_event(BYTE bVk, BYTE bScan, DWORD dwFlags, DWORD dwExtraInfo) override;
    void SHAddToRecentDocs(UINT uFlags, const std::optional<std::string>& path) override;
    std::int32_t SHGetFileInfoA(const std::string& path, DWORD dwFileAttributes, ShFileInfoA& info, UINT cbFileInfo,
                                UINT uFlags) override;
    BOOL ImageList_Draw(HIMAGELIST himl, int i, HDC hdcDst, int x, int y, UINT fStyle) override;
    UINT GetWindowsDirectoryA(std::string& buffer, UINT uSize) override;
    UINT GetSystemDirectoryA(std::string& buffer, UINT uSize) override;
    DWORD GetTempPathA(DWORD nBufferLength, std::string& buffer) override;
    std::string AppPath() override { return appPath; }
    std::string AppExeName() override { return appExeName; }
    std::string AppCommandLine() override { return appCommandLine; }

    LONG RegOpenKeyExA(HKEY hKey, const std::string& subKey, DWORD ulOptions, REGSAM samDesired, HKEY& result) override;
    LONG RegCreateKeyExA(HKEY hKey, const std::string& subKey, DWORD reserved, const std::optional<std::string>& className,
                         DWORD dwOptions, REGSAM samDesired, HKEY& result, DWORD& disposition) override;
    LONG RegSetValueExA(HKEY hKey, const std::string& valueName, DWORD reserved, DWORD dwType, std::string_view data,
                        DWORD cbData) override;
    LONG RegQueryValueExA(HKEY hKey, const std::string& valueName, DWORD& type, std::string& data, DWORD& cbData) override;
    LONG RegDeleteKeyA(HKEY hKey, const std::string& subKey) override;
    LONG RegDeleteValueA(HKEY hKey, const std::string& valueName) override;
    LONG RegCloseKey(HKEY hKey) override;
    LONG RegQueryInfoKeyA(HKEY hKey, std::string& className, DWORD& cchClass, DWORD& subKeys, DWORD& maxSubKeyLen,
                          DWORD& maxClassLen, DWORD& values, DWORD& maxValueNameLen, DWORD& maxValueLen,
                          DWORD& cbSecurityDescriptor, FileTime& lastWriteTime) override;
    LONG RegEnumKeyExA(HKEY hKey, DWORD index, std::string& name, DWORD& cchName, std::string& className,
                       DWORD& cchClass, FileTime& lastWriteTime) override;
    LONG RegEnumValueA(HKEY hKey, DWORD index, std::string& valueName, DWORD& cchValueName, DWORD& type,
                       std::string& data, DWORD& cbData) override;

    HANDLE FindFirstFileA(const std::string& pattern, Win32FindDataA& data) override;
    BOOL FindNextFileA(HANDLE hFindFile, Win32FindDataA& data) override;
    BOOL FindClose(HANDLE hFindFile) override;
    DWORD GetFileAttributesA(const std::string& path) override;
    BOOL GetDiskFreeSpaceA(const std::string& rootPath, DWORD& sectorsPerCluster, DWORD& bytesPerSector,
                           DWORD& freeClusters, DWORD& totalClusters) override;
    BOOL GetVolumeInformationA(const std::string& rootPath, std::string& volumeName, DWORD volumeNameSize,
                               DWORD& serialNumber, DWORD& maxComponentLength, DWORD& fileSystemFlags,
                               std::string& fileSystemName, DWORD fileSystemNameSize) override;
    BOOL GetComputerNameA(std::string& buffer, DWORD& nSize) override;
    BOOL SetComputerNameA(const std::string& name) override;
    BOOL GetUserNameA(std::string& buffer, DWORD& nSize) override;

private:
    void record(std::string_view name, std::initializer_list<std::string> args);
};

// Helpers for writing expected lines.
std::string quoted(std::string_view text);                // "text"
std::string byteList(std::string_view bytes);             // <N bytes 61 62 00>
std::string keyName(HKEY key);                            // HKEY_LOCAL_MACHINE, or the number
std::string hexNumber(std::uint32_t value);               // 0x3F

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
