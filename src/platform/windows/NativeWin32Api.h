// SPDX-License-Identifier: MIT
#pragma once

#include "platform/windows/SeamHandles.h"
#include "winapi/Win32Api.h"

namespace tarnquill {

// The Win32 seam on Windows: each method calls the system function.
//
// Text: UTF-8 at the seam, UTF-16 at the system. Every call goes through the
// W function, so no character outside the ANSI code page becomes '?'. Names,
// REG_SZ / REG_EXPAND_SZ / REG_MULTI_SZ data, paths and reply buffers are
// converted; sizes and lengths at the seam are UTF-8 byte counts, so a reply
// that does not fit reports the UTF-8 size it needs. Text that is not valid
// UTF-8 (bytes of an older ANSI file) is read in the ANSI code page instead of
// being replaced by U+FFFD. Byte layouts stay as the caller made them: a
// REG_SZ keeps its NUL, or lacks it, exactly as given.
//
// Handles: registry keys live in a table of their own (small numbers handed
// out by the open and create calls, never reused), so a closed or unknown
// handle answers ERROR_INVALID_HANDLE instead of reaching a key that a later
// open happened to get; the predefined roots 0x80000000 and up are the
// system's own, sign-extended. Window, icon, menu, bitmap and device-context
// handles resolve through `userHandles()`, which the Windows front end fills
// for the objects it owns; a value it has not bound is taken as the system's
// own handle, sign-extended, since user and GDI handles are 32-bit significant
// on 64-bit Windows. Search handles and image lists are pointers there, so
// they too cross through tables.
//
// Screen: the constructor makes the process system-DPI-aware, so the work
// area, the cursor and windows are in real pixels and TwipsPerPixelX/Y follow
// the screen's logical dpi (10 at 144 dpi, 15 at 96). Per-monitor awareness is
// not asked for: the program converts twips with one factor per axis. The
// awareness is process-wide and must be set before the first window exists,
// so the front end constructs this object first. When the process already has
// an awareness (a manifest), that one stays.
//
// Calls without a sound equivalent here fail the way Windows fails them; the
// .cpp files name them.
class NativeWin32Api final : public Win32Api {
public:
    NativeWin32Api();
    ~NativeWin32Api() override;

    // The table of window, icon, menu, bitmap and device-context handles.
    SeamHandles& userHandles() { return m_userHandles; }

    BOOL SystemParametersInfoA(UINT uiAction, UINT uiParam, WinRect& rect, UINT fWinIni) override;
    BOOL SystemParametersInfoA(UINT uiAction, UINT uiParam, const std::string& text, UINT fWinIni) override;
    BOOL SystemParametersInfoA(UINT uiAction, UINT uiParam, BOOL& slot, UINT fWinIni) override;
    BOOL GetCursorPos(WinPoint& point) override;
    BOOL SetCursorPos(int X, int Y) override;
    int MessageBoxA(HWND hWnd, const std::string& text, const std::string& caption, UINT uType) override;
    float TwipsPerPixelX() override;
    float TwipsPerPixelY() override;

    BOOL Shell_NotifyIconA(DWORD dwMessage, const NotifyIconDataA& data) override;
    HMENU GetMenu(HWND hWnd) override;
    HMENU GetSubMenu(HMENU hMenu, int nPos) override;
    UINT GetMenuItemID(HMENU hMenu, int nPos) override;
    BOOL SetMenuItemBitmaps(HMENU hMenu, UINT uPosition, UINT uFlags, HBITMAP hBitmapUnchecked, HBITMAP hBitmapChecked) override;

    BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags) override;
    LONG SetWindowLongA(HWND hWnd, int nIndex, LONG dwNewLong) override;
    HWND FindWindowA(const std::optional<std::string>& className, const std::optional<std::string>& windowName) override;
    HWND FindWindowExA(HWND hWndParent, HWND hWndChildAfter, const std::optional<std::string>& className, const std::optional<std::string>& windowName) override;
    LRESULT SendMessageA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
    LRESULT SendMessageA(HWND hWnd, UINT msg, WPARAM wParam, const std::string& lParam) override;
    LRESULT DefWindowProcA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL ReleaseCapture() override;
    BOOL ExitWindowsEx(UINT uFlags, DWORD dwReason) override;
    int ShowCursor(BOOL bShow) override;

    BOOL sndPlaySoundA(const std::string& sound, UINT fuSound) override;
    MCIERROR mciSendStringA(const std::string& command, std::string& returnString, UINT cchReturn, HWND hwndCallback) override;
    UINT waveOutGetNumDevs() override;
    void DoEvents() override;
    void WaitForEvents(std::int64_t until) override;
    std::int64_t Now() override;

    HINSTANCE ShellExecuteA(HWND hWnd, const std::optional<std::string>& operation, const std::string& file, const std::optional<std::string>& parameters, const std::optional<std::string>& directory, int nShowCmd) override;
    UINT WinExec(const std::string& cmdLine, UINT uCmdShow) override;
    void keybd_event(BYTE bVk, BYTE bScan, DWORD dwFlags, DWORD dwExtraInfo) override;
    void SHAddToRecentDocs(UINT uFlags, const std::optional<std::string>& path) override;
    std::int32_t SHGetFileInfoA(const std::string& path, DWORD dwFileAttributes, ShFileInfoA& info, UINT cbFileInfo, UINT uFlags) override;
    BOOL ImageList_Draw(HIMAGELIST himl, int i, HDC hdcDst, int x, int y, UINT fStyle) override;
    UINT GetWindowsDirectoryA(std::string& buffer, UINT uSize) override;
    UINT GetSystemDirectoryA(std::string& buffer, UINT uSize) override;
    DWORD GetTempPathA(DWORD nBufferLength, std::string& buffer) override;
    std::string AppPath() override;
    std::string AppExeName() override;
    std::string AppCommandLine() override;

    LONG RegOpenKeyExA(HKEY hKey, const std::string& subKey, DWORD ulOptions, REGSAM samDesired, HKEY& result) override;
    LONG RegCreateKeyExA(HKEY hKey, const std::string& subKey, DWORD reserved, const std::optional<std::string>& className, DWORD dwOptions, REGSAM samDesired, HKEY& result, DWORD& disposition) override;
    LONG RegSetValueExA(HKEY hKey, const std::string& valueName, DWORD reserved, DWORD dwType, std::string_view data, DWORD cbData) override;
    LONG RegQueryValueExA(HKEY hKey, const std::string& valueName, DWORD& type, std::string& data, DWORD& cbData) override;
    LONG RegDeleteKeyA(HKEY hKey, const std::string& subKey) override;
    LONG RegDeleteValueA(HKEY hKey, const std::string& valueName) override;
    LONG RegCloseKey(HKEY hKey) override;
    LONG RegQueryInfoKeyA(HKEY hKey, std::string& className, DWORD& cchClass, DWORD& subKeys, DWORD& maxSubKeyLen, DWORD& maxClassLen, DWORD& values, DWORD& maxValueNameLen, DWORD& maxValueLen, DWORD& cbSecurityDescriptor, FileTime& lastWriteTime) override;
    LONG RegEnumKeyExA(HKEY hKey, DWORD index, std::string& name, DWORD& cchName, std::string& className, DWORD& cchClass, FileTime& lastWriteTime) override;
    LONG RegEnumValueA(HKEY hKey, DWORD index, std::string& valueName, DWORD& cchValueName, DWORD& type, std::string& data, DWORD& cbData) override;

    HANDLE FindFirstFileA(const std::string& pattern, Win32FindDataA& data) override;
    BOOL FindNextFileA(HANDLE hFindFile, Win32FindDataA& data) override;
    BOOL FindClose(HANDLE hFindFile) override;
    DWORD GetFileAttributesA(const std::string& path) override;
    BOOL GetDiskFreeSpaceA(const std::string& rootPath, DWORD& sectorsPerCluster, DWORD& bytesPerSector, DWORD& freeClusters, DWORD& totalClusters) override;
    BOOL GetVolumeInformationA(const std::string& rootPath, std::string& volumeName, DWORD volumeNameSize, DWORD& serialNumber, DWORD& maxComponentLength, DWORD& fileSystemFlags, std::string& fileSystemName, DWORD fileSystemNameSize) override;
    BOOL GetComputerNameA(std::string& buffer, DWORD& nSize) override;
    BOOL SetComputerNameA(const std::string& name) override;
    BOOL GetUserNameA(std::string& buffer, DWORD& nSize) override;

private:
    // The system's handle for a seam key: a root sign-extended, an opened key
    // from the table, nullptr for 0 and for a number the table does not hold.
    void* systemKey(HKEY hKey);
    // The seam number for a key the system opened (a root keeps its own).
    HKEY seamKey(void* systemKey);

    SeamHandles m_userHandles{SeamHandles::Fallback::SignExtend};
    // Closed by the destructor if the program left them open.
    SeamHandles m_keys{SeamHandles::Fallback::None};
    SeamHandles m_searches{SeamHandles::Fallback::None};
    SeamHandles m_imageLists{SeamHandles::Fallback::None};
};

} // namespace tarnquill
