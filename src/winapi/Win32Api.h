// SPDX-License-Identifier: MIT
#pragma once

#include "winapi/Win32Types.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarnquill {

// The seam between CWinAPI / RegStuff and the desktop: every platform function
// they call, under its Windows name, with its argument order and value types.
// NativeWin32Api forwards each method to the system, LinuxWin32Api stands in
// for it on a Linux desktop, RecordingWin32Api (tests) records it.
//
// Conventions:
// - Handles are 32-bit integers (Win32Types.h); 0 is the null handle.
// - Text is UTF-8 in a std::string. The A in a name tells the call's shape
//   (one byte per unit in buffers and sizes), not its code page: buffers and
//   byte counts are in UTF-8 bytes, and NativeWin32Api reaches the system
//   through the W functions so no character is lost.
// - A `const std::optional<std::string>&` argument is a pointer to text that
//   may be NULL; nullopt is NULL, which differs from "".
// - A `std::string&` buffer comes filled by the caller (usually with spaces)
//   and is overwritten in place, up to the size passed beside it, the way the
//   system writes into a caller's buffer; its length never changes.
// - Value data (registry) is raw bytes in a std::string / std::string_view.
// - Records with a fixed layout (NOTIFYICONDATA, SHFILEINFO, WIN32_FIND_DATA)
//   are the structs of Win32Types.h.
// - Arguments that Windows declares reserved and that callers always pass as
//   NULL (security attributes, lpReserved pointers) are left out.
// - Failures come back as the function's own result, as on Windows; no method
//   throws for a platform failure. A stand-in without an equivalent fails the
//   way the Windows function fails (FALSE, NULL, ERROR_CALL_NOT_IMPLEMENTED).
class Win32Api {
public:
    Win32Api() = default;
    Win32Api(const Win32Api&) = delete;
    Win32Api& operator=(const Win32Api&) = delete;
    virtual ~Win32Api() = default;

    // ---- Screen, cursor, message box -------------------------------------

    // Work-area get/set (SPI_GETWORKAREA fills `rect`, SPI_SETWORKAREA reads it); nonzero on success.
    virtual BOOL SystemParametersInfoA(UINT uiAction, UINT uiParam, WinRect& rect, UINT fWinIni) = 0;
    // A text parameter (SPI_SETDESKWALLPAPER: the bitmap file, "(None)" removes the wallpaper).
    virtual BOOL SystemParametersInfoA(UINT uiAction, UINT uiParam, const std::string& text, UINT fWinIni) = 0;
    // A 32-bit slot parameter (SPI_SETSCREENSAVERRUNNING: receives the previous state).
    virtual BOOL SystemParametersInfoA(UINT uiAction, UINT uiParam, BOOL& slot, UINT fWinIni) = 0;
    // The cursor position in screen pixels.
    virtual BOOL GetCursorPos(WinPoint& point) = 0;
    // Moves the cursor to screen pixel (X, Y).
    virtual BOOL SetCursorPos(int X, int Y) = 0;
    // A modal message box; returns the button pressed (IDOK), 0 on failure.
    virtual int MessageBoxA(HWND hWnd, const std::string& text, const std::string& caption, UINT uType) = 0;
    // Twips per pixel on the horizontal axis: 1440 / the screen's logical dpi (15 at 96), read afresh.
    virtual float TwipsPerPixelX() = 0;
    // The same on the vertical axis.
    virtual float TwipsPerPixelY() = 0;

    // ---- Notification area and menus ----------------------------------------

    // Adds (NIM_ADD), changes (NIM_MODIFY) or removes (NIM_DELETE) the icon (hWnd, uID) of `data`.
    virtual BOOL Shell_NotifyIconA(DWORD dwMessage, const NotifyIconDataA& data) = 0;
    // The menu bar of a window, 0 when it has none.
    virtual HMENU GetMenu(HWND hWnd) = 0;
    // The drop-down menu at zero-based position nPos of a menu, 0 when there is none.
    virtual HMENU GetSubMenu(HMENU hMenu, int nPos) = 0;
    // The command identifier of the item at position nPos, 0xFFFFFFFF when there is none.
    virtual UINT GetMenuItemID(HMENU hMenu, int nPos) = 0;
    // Sets an item's unchecked and checked images (by command id unless MF_BYPOSITION).
    virtual BOOL SetMenuItemBitmaps(HMENU hMenu, UINT uPosition, UINT uFlags, HBITMAP hBitmapUnchecked, HBITMAP hBitmapChecked) = 0;

    // ---- Windows and desktop -----------------------------------------------------

    // Z-order, position, size and show state of a window in one call.
    virtual BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags) = 0;
    // Replaces a window long (GWL_EXSTYLE: the extended style); returns the previous value.
    virtual LONG SetWindowLongA(HWND hWnd, int nIndex, LONG dwNewLong) = 0;
    // A top-level window by class and/or title (nullopt matches any); 0 when none.
    virtual HWND FindWindowA(const std::optional<std::string>& className, const std::optional<std::string>& windowName) = 0;
    // A child of hWndParent after hWndChildAfter (0: the first) by class and/or title; 0 when none.
    virtual HWND FindWindowExA(HWND hWndParent, HWND hWndChildAfter, const std::optional<std::string>& className, const std::optional<std::string>& windowName) = 0;
    // Sends a message with numeric parameters and waits for its result.
    virtual LRESULT SendMessageA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) = 0;
    // Sends a message whose lParam is a NUL-terminated text (LB_ADDSTRING).
    virtual LRESULT SendMessageA(HWND hWnd, UINT msg, WPARAM wParam, const std::string& lParam) = 0;
    // The default window procedure's handling of a message.
    virtual LRESULT DefWindowProcA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) = 0;
    // Releases the mouse capture of this thread's windows.
    virtual BOOL ReleaseCapture() = 0;
    // Logs off, shuts down or restarts (EWX_*).
    virtual BOOL ExitWindowsEx(UINT uFlags, DWORD dwReason) = 0;
    // Moves the cursor display counter up (bShow nonzero) or down; returns the new count.
    virtual int ShowCursor(BOOL bShow) = 0;

    // ---- Sound, media, timing -----------------------------------------------------------

    // Plays a wave file or a system sound alias (SND_ALIAS).
    virtual BOOL sndPlaySoundA(const std::string& sound, UINT fuSound) = 0;
    // A multimedia command string; the reply is written into `returnString` (size cchReturn).
    virtual MCIERROR mciSendStringA(const std::string& command, std::string& returnString, UINT cchReturn, HWND hwndCallback) = 0;
    // The number of wave output devices.
    virtual UINT waveOutGetNumDevs() = 0;
    // Lets the user interface process its pending events, then returns.
    virtual void DoEvents() = 0;
    // Handles the user interface's events as they arrive, sleeping while there
    // are none, and returns after the first batch or when the clock (Now)
    // reaches `until`, whichever comes first; at once when it already has.
    virtual void WaitForEvents(std::int64_t until) = 0;
    // The current local date and time in whole seconds (any fixed epoch).
    virtual std::int64_t Now() = 0;

    // ---- Shell and the running program ----------------------------------------------------------

    // Opens a file or address with the program associated to it; a result of 32 or less is an error code.
    virtual HINSTANCE ShellExecuteA(HWND hWnd, const std::optional<std::string>& operation, const std::string& file, const std::optional<std::string>& parameters, const std::optional<std::string>& directory, int nShowCmd) = 0;
    // Starts a command line as a new process without waiting; a result of 31 or less is an error code.
    virtual UINT WinExec(const std::string& cmdLine, UINT uCmdShow) = 0;
    // Synthesises one keyboard event (flags 0: key down, KEYEVENTF_KEYUP: key up).
    virtual void keybd_event(BYTE bVk, BYTE bScan, DWORD dwFlags, DWORD dwExtraInfo) = 0;
    // Adds a file to the recent-documents list (SHARD_PATH), or clears the list with nullopt.
    virtual void SHAddToRecentDocs(UINT uFlags, const std::optional<std::string>& path) = 0;
    // Fills `info` for a file; with SHGFI_SYSICONINDEX returns the system image list.
    virtual std::int32_t SHGetFileInfoA(const std::string& path, DWORD dwFileAttributes, ShFileInfoA& info, UINT cbFileInfo, UINT uFlags) = 0;
    // Draws image i of an image list into a device context at (x, y).
    virtual BOOL ImageList_Draw(HIMAGELIST himl, int i, HDC hdcDst, int x, int y, UINT fStyle) = 0;
    // Writes the Windows folder into `buffer` (NUL-terminated); returns its length.
    virtual UINT GetWindowsDirectoryA(std::string& buffer, UINT uSize) = 0;
    // Writes the system folder into `buffer`; returns its length.
    virtual UINT GetSystemDirectoryA(std::string& buffer, UINT uSize) = 0;
    // Writes the temporary-files folder, with its trailing separator, into `buffer`; returns its length.
    virtual DWORD GetTempPathA(DWORD nBufferLength, std::string& buffer) = 0;
    // The folder of the running executable, without a trailing separator unless it is a root.
    virtual std::string AppPath() = 0;
    // The running executable's file name without its extension.
    virtual std::string AppExeName() = 0;
    // The arguments the process was started with, as one text ("" when none).
    virtual std::string AppCommandLine() = 0;

    // ---- Registry --------------------------------------------------------------------------------

    // Opens an existing key (never creates). `result` is set to 0 when the
    // open fails, as the system sets it, so a caller that closes whatever it
    // holds never closes a stale handle.
    virtual LONG RegOpenKeyExA(HKEY hKey, const std::string& subKey, DWORD ulOptions, REGSAM samDesired, HKEY& result) = 0;
    // Opens a key, creating it and every missing key on its path; disposition REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY.
    virtual LONG RegCreateKeyExA(HKEY hKey, const std::string& subKey, DWORD reserved, const std::optional<std::string>& className, DWORD dwOptions, REGSAM samDesired, HKEY& result, DWORD& disposition) = 0;
    // Writes a value: cbData bytes of `data` of type dwType (a REG_SZ carries its NUL).
    virtual LONG RegSetValueExA(HKEY hKey, const std::string& valueName, DWORD reserved, DWORD dwType, std::string_view data, DWORD cbData) = 0;
    // Reads a value into `data` (capacity cbData on entry, bytes stored on return); ERROR_MORE_DATA when it does not fit.
    virtual LONG RegQueryValueExA(HKEY hKey, const std::string& valueName, DWORD& type, std::string& data, DWORD& cbData) = 0;
    // Deletes a subkey of an open key.
    virtual LONG RegDeleteKeyA(HKEY hKey, const std::string& subKey) = 0;
    // Deletes a value of an open key ("" is the default value).
    virtual LONG RegDeleteValueA(HKEY hKey, const std::string& valueName) = 0;
    // Closes a key that RegOpenKeyExA or RegCreateKeyExA opened.
    virtual LONG RegCloseKey(HKEY hKey) = 0;
    // Counts and longest lengths of a key's subkeys, class and values (lengths without NUL). The key's own class
    // goes into className as RegEnumKeyExA's does; a class buffer of size 0 asks for its length alone.
    virtual LONG RegQueryInfoKeyA(HKEY hKey, std::string& className, DWORD& cchClass, DWORD& subKeys, DWORD& maxSubKeyLen, DWORD& maxClassLen, DWORD& values, DWORD& maxValueNameLen, DWORD& maxValueLen, DWORD& cbSecurityDescriptor, FileTime& lastWriteTime) = 0;
    // The subkey at `index`: name and class. cchName and cchClass count as the system counts them: on the way
    // in, the buffer's size with room for the NUL; on success, the text's length without it (the NUL is written
    // after the text). A name or class that does not fit with its NUL gives ERROR_MORE_DATA and leaves buffers and
    // lengths as they were; ERROR_NO_MORE_ITEMS past the end.
    virtual LONG RegEnumKeyExA(HKEY hKey, DWORD index, std::string& name, DWORD& cchName, std::string& className, DWORD& cchClass, FileTime& lastWriteTime) = 0;
    // The value at `index`: name, type and data; cchValueName counts as RegEnumKeyExA's cchName, cbData as
    // RegQueryValueExA's (too small: ERROR_MORE_DATA, with the type and the data size needed).
    virtual LONG RegEnumValueA(HKEY hKey, DWORD index, std::string& valueName, DWORD& cchValueName, DWORD& type, std::string& data, DWORD& cbData) = 0;

    // ---- Files and machine ---------------------------------------------------------------------------

    // Starts a wildcard search; INVALID_HANDLE_VALUE when nothing matches.
    virtual HANDLE FindFirstFileA(const std::string& pattern, Win32FindDataA& data) = 0;
    // The next match; FALSE when there is none.
    virtual BOOL FindNextFileA(HANDLE hFindFile, Win32FindDataA& data) = 0;
    // Ends a search.
    virtual BOOL FindClose(HANDLE hFindFile) = 0;
    // The attribute bits of a file or folder; INVALID_FILE_ATTRIBUTES on failure.
    virtual DWORD GetFileAttributesA(const std::string& path) = 0;
    // Cluster geometry and counts of the volume holding `rootPath`.
    virtual BOOL GetDiskFreeSpaceA(const std::string& rootPath, DWORD& sectorsPerCluster, DWORD& bytesPerSector, DWORD& freeClusters, DWORD& totalClusters) = 0;
    // Label, serial number, name-length limit, flags and file-system name of a volume.
    virtual BOOL GetVolumeInformationA(const std::string& rootPath, std::string& volumeName, DWORD volumeNameSize, DWORD& serialNumber, DWORD& maxComponentLength, DWORD& fileSystemFlags, std::string& fileSystemName, DWORD fileSystemNameSize) = 0;
    // Writes the computer name into `buffer` (nSize in: capacity, out: length).
    virtual BOOL GetComputerNameA(std::string& buffer, DWORD& nSize) = 0;
    // Sets the computer name for the next start.
    virtual BOOL SetComputerNameA(const std::string& name) = 0;
    // Writes the user's logon name into `buffer` (nSize in: capacity, out: length with NUL).
    virtual BOOL GetUserNameA(std::string& buffer, DWORD& nSize) = 0;
};

} // namespace tarnquill
