// SPDX-License-Identifier: MIT
#pragma once

#include "winapi/Win32Api.h"
#include "winapi/Win32Types.h"

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

class QSystemTrayIcon;
struct ca_context;

namespace tarnquill {

namespace registry {
class RegistryStore;
}
class QtHandleTable;
class MciDevices;

// The Win32 seam on a Linux desktop (Qt 6 on X11).
//
// What stands in for each family:
// - Registry: forwarded to the SQLite RegistryStore, whose Run keys are live
//   XDG autostart entries. The seam's buffers (std::string with a capacity
//   beside them) are the system's: a buffer is never written past its end
//   whatever size the caller claims, names and string data get their NUL as
//   the A functions write it.
// - Screen: the work area is the window manager's _NET_WORKAREA for the
//   current desktop, else Qt's available geometry of the primary screen; the
//   cursor is Qt's, both in physical (X server) pixels; twips per pixel is
//   1440 / the primary screen's logical dots per inch, which the windows of
//   the Qt front end are placed with.
// - Message box: a modal QMessageBox with the caption given, the buttons and
//   icon of uType.
// - Tray: one QSystemTrayIcon per (window, id). A click on it reaches the
//   callback window (through the QtHandleTable) as the shell sends it:
//   uCallbackMessage, wParam the icon's id, lParam the mouse message that
//   happened over the icon. With WM_MOUSEMOVE as callback, the window's
//   mouse-move handler sees x = that message number, y = 0.
// - Shell: ShellExecuteA opens with the desktop's default application (GIO,
//   an argument vector, never a shell), answering as Windows does (42; 2, 3,
//   31 SE_ERR_NOASSOC); WinExec splits the line by Windows' rules and starts
//   it, or shows an open-with chooser for rundll32's OpenAs_RunDLL;
//   keybd_event is XTest (the Windows key is Super); SHAddToRecentDocs is
//   recently-used.xbel through GLib's bookmark file; SHGetFileInfoA gives the
//   shared MIME database's type name and theme icons, which ImageList_Draw
//   paints into a paint target of the handle table. The system folders are
//   /usr, /usr/bin and $TMPDIR (else /tmp) with its "/".
// - Files and machine (paths: WindowsPaths.h): wildcard searches in NTFS's
//   order, attributes (a link that closes a loop is no folder), statvfs,
//   the mount table and libblkid, the host and user names, and the static
//   host name through systemd's host-name service on the system bus.
// - Also done: DoEvents, Now and the App* readings.
// - List boxes: LB_ADDSTRING (the text form of SendMessageA) appends to a
//   QListWidget registered in the handle table and returns the line's row;
//   any other handle or message answers 0.
// - Windows and desktop (LinuxWin32Api_Window.cpp): a window handle is the X
//   window id of any program's window. SetWindowPos through EWMH (above,
//   restacking, mapping and withdrawing), SetWindowLongA(GWL_EXSTYLE) with
//   WS_EX_TRANSPARENT as an empty input shape, FindWindow* by WM_CLASS and
//   title (the taskbar class finds the first dock window), the numeric
//   SendMessageA for moves (_NET_WM_MOVERESIZE), the screen saver, hot keys
//   (root-window key grabs) and the handle table's toolbars, ShowCursor
//   through XFixes, ExitWindowsEx through logind, the wallpaper where the
//   desktop reads it (Wallpaper.h). SPI_SETWORKAREA and the screen-saver
//   flag fail (FALSE); DefWindowProcA answers 0.
// - Sound and media (LinuxWin32Api_Media.cpp): libcanberra for
//   sndPlaySoundA, the sound server's outputs for waveOutGetNumDevs,
//   MciDevices (GStreamer) for mciSendStringA, WaitForEvents sleeping in
//   the Qt event loop.
// - Not yet available on Linux; each fails as the Windows function fails:
//   the menu functions (0, 0xFFFFFFFF, FALSE).
//
// Everything but the registry needs a QApplication and runs on its thread.
class LinuxWin32Api final : public Win32Api {
public:
    LinuxWin32Api(registry::RegistryStore& registry, QtHandleTable& handles);
    ~LinuxWin32Api() override;

    // The icon shown for (window, id), or nullptr when there is none.
    QSystemTrayIcon* trayIcon(HWND hWnd, UINT uID) const;

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
    BOOL SetMenuItemBitmaps(HMENU hMenu, UINT uPosition, UINT uFlags, HBITMAP hBitmapUnchecked,
                            HBITMAP hBitmapChecked) override;

    BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags) override;
    LONG SetWindowLongA(HWND hWnd, int nIndex, LONG dwNewLong) override;
    HWND FindWindowA(const std::optional<std::string>& className,
                     const std::optional<std::string>& windowName) override;
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
    std::int64_t Now() override;

    HINSTANCE ShellExecuteA(HWND hWnd, const std::optional<std::string>& operation, const std::string& file,
                            const std::optional<std::string>& parameters,
                            const std::optional<std::string>& directory, int nShowCmd) override;
    UINT WinExec(const std::string& cmdLine, UINT uCmdShow) override;
    void keybd_event(BYTE bVk, BYTE bScan, DWORD dwFlags, DWORD dwExtraInfo) override;
    void SHAddToRecentDocs(UINT uFlags, const std::optional<std::string>& path) override;
    std::int32_t SHGetFileInfoA(const std::string& path, DWORD dwFileAttributes, ShFileInfoA& info,
                                UINT cbFileInfo, UINT uFlags) override;
    BOOL ImageList_Draw(HIMAGELIST himl, int i, HDC hdcDst, int x, int y, UINT fStyle) override;
    UINT GetWindowsDirectoryA(std::string& buffer, UINT uSize) override;
    UINT GetSystemDirectoryA(std::string& buffer, UINT uSize) override;
    DWORD GetTempPathA(DWORD nBufferLength, std::string& buffer) override;
    std::string AppPath() override;
    std::string AppExeName() override;
    std::string AppCommandLine() override;

    LONG RegOpenKeyExA(HKEY hKey, const std::string& subKey, DWORD ulOptions, REGSAM samDesired,
                       HKEY& result) override;
    LONG RegCreateKeyExA(HKEY hKey, const std::string& subKey, DWORD reserved,
                         const std::optional<std::string>& className, DWORD dwOptions, REGSAM samDesired,
                         HKEY& result, DWORD& disposition) override;
    LONG RegSetValueExA(HKEY hKey, const std::string& valueName, DWORD reserved, DWORD dwType, std::string_view data,
                        DWORD cbData) override;
    LONG RegQueryValueExA(HKEY hKey, const std::string& valueName, DWORD& type, std::string& data,
                          DWORD& cbData) override;
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
    struct TrayEntry {
        // Owned; deleted with deleteLater when removed, since a removal may
        // come from a handler of the icon's own click.
        QSystemTrayIcon* icon = nullptr;
        // uCallbackMessage, once a record carried NIF_MESSAGE; until then
        // the shell sends the window nothing.
        std::optional<UINT> callbackMessage;
    };
    using TrayKey = std::pair<HWND, UINT>;

    class HotKeys;

    void startMove(HWND hWnd);
    void startScreenSaver();
    LRESULT setHotKey(HWND hWnd, unsigned key);
    LRESULT toolbarStyle(HWND hWnd, UINT msg, LPARAM style);

    void applyTrayRecord(TrayEntry& entry, const NotifyIconDataA& data);
    void deliverTrayClick(const TrayKey& key, UINT mouseMessage);

    // An open FindFirstFileA search: its matches, read in full at the start,
    // and the next one to hand out.
    struct FileSearch {
        std::vector<Win32FindDataA> entries;
        std::size_t next = 0;
    };

    registry::RegistryStore& m_registry;
    QtHandleTable& m_handles;
    std::map<TrayKey, TrayEntry> m_tray;
    int m_cursorCount = 0;
    std::map<HANDLE, FileSearch> m_fileSearches;
    // The icon names behind each index of the image lists SHGetFileInfoA
    // answers with: a file type's theme icon and its fallbacks.
    std::vector<std::vector<std::string>> m_iconNames;
    // X key codes that keybd_event pressed and has not released yet.
    std::set<unsigned> m_heldKeys;
    HANDLE m_lastFileSearch = 0;
    // Made at the first WM_SETHOTKEY; shared_ptr, whose deleter is made
    // where the class is complete.
    std::shared_ptr<HotKeys> m_hotKeys;
    // libcanberra's context for sndPlaySoundA, made at the first sound.
    std::shared_ptr<ca_context> m_canberra;
    // The open multimedia devices of mciSendStringA, made at the first command.
    std::shared_ptr<MciDevices> m_mci;
};

} // namespace tarnquill
