// SPDX-License-Identifier: MIT
#pragma once

// The value types, constants and records of the Win32 seam (Win32Api.h).
//
// Handles are 32-bit integers here, whatever the pointer width of the system:
// CWinAPI stores and passes every window, icon, menu, device-context, search
// and registry handle as an int32, and its predefined registry roots are the
// 32-bit values 0x80000000 and up. NativeWin32Api widens them at the system's
// door (a root sign-extended, as the Windows headers themselves do).
//
// The constant names are the Windows ones. The Windows headers define the
// same names as macros with the same values: a name already defined as one
// (<windows.h> came first) is left to the macro, and where <windows.h> comes
// later its macros win.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarnquill {

using HWND = std::int32_t;
using HKEY = std::int32_t;
using HDC = std::int32_t;
using HICON = std::int32_t;
using HBITMAP = std::int32_t;
using HMENU = std::int32_t;
using HANDLE = std::int32_t;
using HIMAGELIST = std::int32_t;
using HINSTANCE = std::int32_t;

using BOOL = std::int32_t;
using LONG = std::int32_t;
using BYTE = std::uint8_t;
using UINT = std::uint32_t;
using DWORD = std::uint32_t;
using REGSAM = std::uint32_t;
using WPARAM = std::int32_t;
using LPARAM = std::int32_t;
using LRESULT = std::int32_t;
using MCIERROR = std::uint32_t;

// ---- Registry -------------------------------------------------------------

#ifndef HKEY_CLASSES_ROOT
inline constexpr HKEY HKEY_CLASSES_ROOT = static_cast<HKEY>(0x80000000u);
#endif
#ifndef HKEY_CURRENT_USER
inline constexpr HKEY HKEY_CURRENT_USER = static_cast<HKEY>(0x80000001u);
#endif
#ifndef HKEY_LOCAL_MACHINE
inline constexpr HKEY HKEY_LOCAL_MACHINE = static_cast<HKEY>(0x80000002u);
#endif
#ifndef HKEY_USERS
inline constexpr HKEY HKEY_USERS = static_cast<HKEY>(0x80000003u);
#endif
#ifndef HKEY_PERFORMANCE_DATA
inline constexpr HKEY HKEY_PERFORMANCE_DATA = static_cast<HKEY>(0x80000004u);
#endif
#ifndef HKEY_CURRENT_CONFIG
inline constexpr HKEY HKEY_CURRENT_CONFIG = static_cast<HKEY>(0x80000005u);
#endif
#ifndef HKEY_DYN_DATA
inline constexpr HKEY HKEY_DYN_DATA = static_cast<HKEY>(0x80000006u);
#endif

#ifndef ERROR_SUCCESS
inline constexpr LONG ERROR_SUCCESS = 0;
#endif
#ifndef ERROR_FILE_NOT_FOUND
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
#endif
#ifndef ERROR_PATH_NOT_FOUND
inline constexpr LONG ERROR_PATH_NOT_FOUND = 3;
#endif
#ifndef ERROR_ACCESS_DENIED
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
#endif
#ifndef ERROR_INVALID_HANDLE
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
#endif
#ifndef ERROR_NOT_ENOUGH_MEMORY
inline constexpr LONG ERROR_NOT_ENOUGH_MEMORY = 8;
#endif
#ifndef ERROR_WRITE_FAULT
inline constexpr LONG ERROR_WRITE_FAULT = 29;
#endif
#ifndef ERROR_INVALID_PARAMETER
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
#endif
#ifndef ERROR_DISK_FULL
inline constexpr LONG ERROR_DISK_FULL = 112;
#endif
#ifndef ERROR_CALL_NOT_IMPLEMENTED
inline constexpr LONG ERROR_CALL_NOT_IMPLEMENTED = 120;
#endif
#ifndef ERROR_BAD_PATHNAME
inline constexpr LONG ERROR_BAD_PATHNAME = 161;
#endif
#ifndef ERROR_BUSY
inline constexpr LONG ERROR_BUSY = 170;
#endif
#ifndef ERROR_MORE_DATA
inline constexpr LONG ERROR_MORE_DATA = 234;
#endif
#ifndef ERROR_NO_MORE_ITEMS
inline constexpr LONG ERROR_NO_MORE_ITEMS = 259;
#endif
#ifndef ERROR_NOACCESS
inline constexpr LONG ERROR_NOACCESS = 998;
#endif
#ifndef ERROR_BADDB
inline constexpr LONG ERROR_BADDB = 1009;
#endif
#ifndef ERROR_REGISTRY_IO_FAILED
inline constexpr LONG ERROR_REGISTRY_IO_FAILED = 1016;
#endif
#ifndef ERROR_KEY_DELETED
inline constexpr LONG ERROR_KEY_DELETED = 1018;
#endif

#ifndef REG_NONE
inline constexpr DWORD REG_NONE = 0;
#endif
#ifndef REG_SZ
inline constexpr DWORD REG_SZ = 1;
#endif
#ifndef REG_EXPAND_SZ
inline constexpr DWORD REG_EXPAND_SZ = 2;
#endif
#ifndef REG_BINARY
inline constexpr DWORD REG_BINARY = 3;
#endif
#ifndef REG_DWORD
inline constexpr DWORD REG_DWORD = 4;
#endif
#ifndef REG_DWORD_BIG_ENDIAN
inline constexpr DWORD REG_DWORD_BIG_ENDIAN = 5;
#endif
#ifndef REG_LINK
inline constexpr DWORD REG_LINK = 6;
#endif
#ifndef REG_MULTI_SZ
inline constexpr DWORD REG_MULTI_SZ = 7;
#endif
#ifndef REG_RESOURCE_LIST
inline constexpr DWORD REG_RESOURCE_LIST = 8;
#endif
#ifndef REG_FULL_RESOURCE_DESCRIPTOR
inline constexpr DWORD REG_FULL_RESOURCE_DESCRIPTOR = 9;
#endif
#ifndef REG_RESOURCE_REQUIREMENTS_LIST
inline constexpr DWORD REG_RESOURCE_REQUIREMENTS_LIST = 10;
#endif
#ifndef REG_QWORD
inline constexpr DWORD REG_QWORD = 11;
#endif

#ifndef KEY_QUERY_VALUE
inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
#endif
#ifndef KEY_SET_VALUE
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
#endif
#ifndef KEY_CREATE_SUB_KEY
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
#endif
#ifndef KEY_ENUMERATE_SUB_KEYS
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
#endif
#ifndef KEY_NOTIFY
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
#endif
#ifndef KEY_CREATE_LINK
inline constexpr REGSAM KEY_CREATE_LINK = 0x0020;
#endif
#ifndef KEY_WOW64_64KEY
inline constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
#endif
#ifndef KEY_WOW64_32KEY
inline constexpr REGSAM KEY_WOW64_32KEY = 0x0200;
#endif
#ifndef KEY_READ
inline constexpr REGSAM KEY_READ = 0x20019;
#endif
#ifndef KEY_WRITE
inline constexpr REGSAM KEY_WRITE = 0x20006;
#endif
#ifndef KEY_ALL_ACCESS
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;
#endif
#ifndef DELETE
inline constexpr REGSAM DELETE = 0x00010000;
#endif
#ifndef WRITE_DAC
inline constexpr REGSAM WRITE_DAC = 0x00040000;
#endif
#ifndef WRITE_OWNER
inline constexpr REGSAM WRITE_OWNER = 0x00080000;
#endif
#ifndef MAXIMUM_ALLOWED
inline constexpr REGSAM MAXIMUM_ALLOWED = 0x02000000;
#endif
#ifndef GENERIC_ALL
inline constexpr REGSAM GENERIC_ALL = 0x10000000;
#endif
#ifndef GENERIC_EXECUTE
inline constexpr REGSAM GENERIC_EXECUTE = 0x20000000;
#endif
#ifndef GENERIC_WRITE
inline constexpr REGSAM GENERIC_WRITE = 0x40000000;
#endif
#ifndef GENERIC_READ
inline constexpr REGSAM GENERIC_READ = 0x80000000;
#endif

#ifndef REG_OPTION_NON_VOLATILE
inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
#endif
#ifndef REG_CREATED_NEW_KEY
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
#endif
#ifndef REG_OPENED_EXISTING_KEY
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;
#endif

// ---- Notification area ----------------------------------------------------

#ifndef NIM_ADD
inline constexpr DWORD NIM_ADD = 0;
#endif
#ifndef NIM_MODIFY
inline constexpr DWORD NIM_MODIFY = 1;
#endif
#ifndef NIM_DELETE
inline constexpr DWORD NIM_DELETE = 2;
#endif
#ifndef NIF_MESSAGE
inline constexpr UINT NIF_MESSAGE = 1;
#endif
#ifndef NIF_ICON
inline constexpr UINT NIF_ICON = 2;
#endif
#ifndef NIF_TIP
inline constexpr UINT NIF_TIP = 4;
#endif

// ---- Window messages --------------------------------------------------------

#ifndef WM_SHOWWINDOW
inline constexpr UINT WM_SHOWWINDOW = 0x0018;
#endif
#ifndef WM_SETHOTKEY
inline constexpr UINT WM_SETHOTKEY = 0x0032;
#endif
#ifndef WM_NCLBUTTONDOWN
inline constexpr UINT WM_NCLBUTTONDOWN = 0x00A1;
#endif
#ifndef WM_SYSCOMMAND
inline constexpr UINT WM_SYSCOMMAND = 0x0112;
#endif
#ifndef WM_MOUSEMOVE
inline constexpr UINT WM_MOUSEMOVE = 0x0200;
#endif
#ifndef WM_LBUTTONDOWN
inline constexpr UINT WM_LBUTTONDOWN = 0x0201;
#endif
#ifndef WM_LBUTTONUP
inline constexpr UINT WM_LBUTTONUP = 0x0202;
#endif
#ifndef WM_LBUTTONDBLCLK
inline constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
#endif
#ifndef WM_RBUTTONDOWN
inline constexpr UINT WM_RBUTTONDOWN = 0x0204;
#endif
#ifndef WM_RBUTTONUP
inline constexpr UINT WM_RBUTTONUP = 0x0205;
#endif
#ifndef WM_RBUTTONDBLCLK
inline constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
#endif
#ifndef WM_MBUTTONDOWN
inline constexpr UINT WM_MBUTTONDOWN = 0x0207;
#endif
#ifndef WM_MBUTTONUP
inline constexpr UINT WM_MBUTTONUP = 0x0208;
#endif
#ifndef WM_MBUTTONDBLCLK
inline constexpr UINT WM_MBUTTONDBLCLK = 0x0209;
#endif
#ifndef WM_USER
inline constexpr UINT WM_USER = 0x0400;
#endif
#ifndef LB_ADDSTRING
inline constexpr UINT LB_ADDSTRING = 0x0180;
#endif
#ifndef TB_SETSTYLE
inline constexpr UINT TB_SETSTYLE = WM_USER + 56;
#endif
#ifndef TB_GETSTYLE
inline constexpr UINT TB_GETSTYLE = WM_USER + 57;
#endif
#ifndef TBSTYLE_FLAT
inline constexpr LRESULT TBSTYLE_FLAT = 0x0800;
#endif
#ifndef HTCAPTION
inline constexpr WPARAM HTCAPTION = 2;
#endif
#ifndef SC_SCREENSAVE
inline constexpr WPARAM SC_SCREENSAVE = 0xF140;
#endif

// ---- Windows, desktop and input ---------------------------------------------

#ifndef HWND_TOP
inline constexpr HWND HWND_TOP = 0;
#endif
#ifndef HWND_BOTTOM
inline constexpr HWND HWND_BOTTOM = 1;
#endif
#ifndef HWND_TOPMOST
inline constexpr HWND HWND_TOPMOST = -1;
#endif
#ifndef HWND_NOTOPMOST
inline constexpr HWND HWND_NOTOPMOST = -2;
#endif

#ifndef SWP_NOSIZE
inline constexpr UINT SWP_NOSIZE = 0x0001;
#endif
#ifndef SWP_NOMOVE
inline constexpr UINT SWP_NOMOVE = 0x0002;
#endif
#ifndef SWP_NOACTIVATE
inline constexpr UINT SWP_NOACTIVATE = 0x0010;
#endif
#ifndef SWP_FRAMECHANGED
inline constexpr UINT SWP_FRAMECHANGED = 0x0020;
#endif
#ifndef SWP_SHOWWINDOW
inline constexpr UINT SWP_SHOWWINDOW = 0x0040;
#endif
#ifndef SWP_HIDEWINDOW
inline constexpr UINT SWP_HIDEWINDOW = 0x0080;
#endif

#ifndef GWL_EXSTYLE
inline constexpr int GWL_EXSTYLE = -20;
#endif
#ifndef WS_EX_TRANSPARENT
inline constexpr LONG WS_EX_TRANSPARENT = 0x00000020;
#endif

#ifndef SPI_SETDESKWALLPAPER
inline constexpr UINT SPI_SETDESKWALLPAPER = 20;
#endif
#ifndef SPI_SETWORKAREA
inline constexpr UINT SPI_SETWORKAREA = 47;
#endif
#ifndef SPI_GETWORKAREA
inline constexpr UINT SPI_GETWORKAREA = 48;
#endif
#ifndef SPI_SETSCREENSAVERRUNNING
inline constexpr UINT SPI_SETSCREENSAVERRUNNING = 97;
#endif
#ifndef SPIF_UPDATEINIFILE
inline constexpr UINT SPIF_UPDATEINIFILE = 1;
#endif
#ifndef SPIF_SENDWININICHANGE
inline constexpr UINT SPIF_SENDWININICHANGE = 2;
#endif

#ifndef EWX_LOGOFF
inline constexpr UINT EWX_LOGOFF = 0;
#endif
#ifndef EWX_SHUTDOWN
inline constexpr UINT EWX_SHUTDOWN = 1;
#endif
#ifndef EWX_REBOOT
inline constexpr UINT EWX_REBOOT = 2;
#endif
#ifndef EWX_FORCE
inline constexpr UINT EWX_FORCE = 4;
#endif

#ifndef MB_OK
inline constexpr UINT MB_OK = 0;
#endif
#ifndef IDOK
inline constexpr int IDOK = 1;
#endif

#ifndef MF_BYCOMMAND
inline constexpr UINT MF_BYCOMMAND = 0x0000;
#endif
#ifndef MF_BITMAP
inline constexpr UINT MF_BITMAP = 0x0004;
#endif
#ifndef MF_BYPOSITION
inline constexpr UINT MF_BYPOSITION = 0x0400;
#endif

#ifndef VK_LWIN
inline constexpr BYTE VK_LWIN = 0x5B;
#endif
#ifndef KEYEVENTF_KEYUP
inline constexpr DWORD KEYEVENTF_KEYUP = 0x0002;
#endif

#ifndef SW_HIDE
inline constexpr int SW_HIDE = 0;
#endif
#ifndef SW_SHOWNORMAL
inline constexpr int SW_SHOWNORMAL = 1;
#endif
#ifndef SW_SHOWMAXIMIZED
inline constexpr int SW_SHOWMAXIMIZED = 3;
#endif

// ---- Sound and media ----------------------------------------------------------

#ifndef SND_ASYNC
inline constexpr UINT SND_ASYNC = 0x0001;
#endif
#ifndef SND_NOWAIT
inline constexpr UINT SND_NOWAIT = 0x2000;
#endif
#ifndef SND_ALIAS
inline constexpr UINT SND_ALIAS = 0x10000;
#endif

// ---- Shell ----------------------------------------------------------------------

#ifndef SHARD_PATH
inline constexpr UINT SHARD_PATH = 2;
#endif
#ifndef SHGFI_LARGEICON
inline constexpr UINT SHGFI_LARGEICON = 0x0000;
#endif
#ifndef SHGFI_SMALLICON
inline constexpr UINT SHGFI_SMALLICON = 0x0001;
#endif
#ifndef SHGFI_SHELLICONSIZE
inline constexpr UINT SHGFI_SHELLICONSIZE = 0x0004;
#endif
#ifndef SHGFI_DISPLAYNAME
inline constexpr UINT SHGFI_DISPLAYNAME = 0x0200;
#endif
#ifndef SHGFI_TYPENAME
inline constexpr UINT SHGFI_TYPENAME = 0x0400;
#endif
#ifndef SHGFI_EXETYPE
inline constexpr UINT SHGFI_EXETYPE = 0x2000;
#endif
#ifndef SHGFI_SYSICONINDEX
inline constexpr UINT SHGFI_SYSICONINDEX = 0x4000;
#endif
#ifndef ILD_TRANSPARENT
inline constexpr UINT ILD_TRANSPARENT = 0x0001;
#endif

// ---- Files --------------------------------------------------------------------------

#ifndef MAX_PATH
inline constexpr std::size_t MAX_PATH = 260;
#endif
#ifndef INVALID_HANDLE_VALUE
inline constexpr HANDLE INVALID_HANDLE_VALUE = -1;
#endif
#ifndef INVALID_FILE_ATTRIBUTES
inline constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
#endif
#ifndef FILE_ATTRIBUTE_DIRECTORY
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
#endif

// ---- Records ----------------------------------------------------------------------------

struct WinRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    friend constexpr bool operator==(const WinRect&, const WinRect&) = default;
};

struct WinPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend constexpr bool operator==(const WinPoint&, const WinPoint&) = default;
};

// FILETIME: 100 ns ticks since 1601-01-01 UTC.
struct FileTime {
    DWORD dwLowDateTime = 0;
    DWORD dwHighDateTime = 0;
};

// NOTIFYICONDATA in the 88-byte single-byte form that CWinAPI fixes: six
// little-endian 32-bit fields, then a 64-byte tip. The tip is bytes as the
// class stored them (text, NUL, space padding; no NUL when the text filled it).
struct NotifyIconDataA {
    static constexpr std::size_t kSize = 88;
    static constexpr std::size_t kTipSize = 64;

    DWORD cbSize = kSize;
    HWND hWnd = 0;
    UINT uID = 0;
    UINT uFlags = 0;
    UINT uCallbackMessage = 0;
    HICON hIcon = 0;
    std::array<char, kTipSize> szTip{};

    // The record exactly as it crosses to the shell.
    std::array<std::uint8_t, kSize> bytes() const;
    // The tip up to its first NUL (the whole field when it holds none).
    std::string_view tip() const;
};

// SHFILEINFOA: 352 bytes in its single-byte form.
struct ShFileInfoA {
    static constexpr std::size_t kSize = 352;

    HICON hIcon = 0;
    std::int32_t iIcon = 0;
    DWORD dwAttributes = 0;
    std::array<char, MAX_PATH> szDisplayName{};
    std::array<char, 80> szTypeName{};
};

// WIN32_FIND_DATAA; CWinAPI reads cFileName and the two size words.
struct Win32FindDataA {
    DWORD dwFileAttributes = 0;
    FileTime ftCreationTime;
    FileTime ftLastAccessTime;
    FileTime ftLastWriteTime;
    DWORD nFileSizeHigh = 0;
    DWORD nFileSizeLow = 0;
    DWORD dwReserved0 = 0;
    DWORD dwReserved1 = 0;
    std::array<char, MAX_PATH> cFileName{};
    std::array<char, 14> cAlternateFileName{};
};

} // namespace tarnquill
