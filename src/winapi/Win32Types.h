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
// same names as macros, so a file that includes <windows.h> must include this
// header first; from then on the macros win, with the same values.
#if defined(HKEY_LOCAL_MACHINE) || defined(ERROR_SUCCESS) || defined(MAX_PATH) || defined(NIM_ADD)
#error "Include winapi/Win32Types.h before <windows.h>: the Windows headers define these names as macros"
#endif

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

inline constexpr HKEY HKEY_CLASSES_ROOT = static_cast<HKEY>(0x80000000u);
inline constexpr HKEY HKEY_CURRENT_USER = static_cast<HKEY>(0x80000001u);
inline constexpr HKEY HKEY_LOCAL_MACHINE = static_cast<HKEY>(0x80000002u);
inline constexpr HKEY HKEY_USERS = static_cast<HKEY>(0x80000003u);
inline constexpr HKEY HKEY_PERFORMANCE_DATA = static_cast<HKEY>(0x80000004u);
inline constexpr HKEY HKEY_CURRENT_CONFIG = static_cast<HKEY>(0x80000005u);
inline constexpr HKEY HKEY_DYN_DATA = static_cast<HKEY>(0x80000006u);

inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_PATH_NOT_FOUND = 3;
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr LONG ERROR_WRITE_FAULT = 29;
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_DISK_FULL = 112;
inline constexpr LONG ERROR_CALL_NOT_IMPLEMENTED = 120;
inline constexpr LONG ERROR_BAD_PATHNAME = 161;
inline constexpr LONG ERROR_BUSY = 170;
inline constexpr LONG ERROR_MORE_DATA = 234;
inline constexpr LONG ERROR_NO_MORE_ITEMS = 259;
inline constexpr LONG ERROR_NOACCESS = 998;
inline constexpr LONG ERROR_BADDB = 1009;
inline constexpr LONG ERROR_REGISTRY_IO_FAILED = 1016;
inline constexpr LONG ERROR_KEY_DELETED = 1018;

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_DWORD_BIG_ENDIAN = 5;
inline constexpr DWORD REG_LINK = 6;
inline constexpr DWORD REG_MULTI_SZ = 7;
inline constexpr DWORD REG_RESOURCE_LIST = 8;
inline constexpr DWORD REG_FULL_RESOURCE_DESCRIPTOR = 9;
inline constexpr DWORD REG_RESOURCE_REQUIREMENTS_LIST = 10;
inline constexpr DWORD REG_QWORD = 11;

inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_CREATE_LINK = 0x0020;
inline constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
inline constexpr REGSAM KEY_WOW64_32KEY = 0x0200;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;
inline constexpr REGSAM DELETE = 0x00010000;
inline constexpr REGSAM WRITE_DAC = 0x00040000;
inline constexpr REGSAM WRITE_OWNER = 0x00080000;
inline constexpr REGSAM MAXIMUM_ALLOWED = 0x02000000;
inline constexpr REGSAM GENERIC_ALL = 0x10000000;
inline constexpr REGSAM GENERIC_EXECUTE = 0x20000000;
inline constexpr REGSAM GENERIC_WRITE = 0x40000000;
inline constexpr REGSAM GENERIC_READ = 0x80000000;

inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// ---- Notification area ----------------------------------------------------

inline constexpr DWORD NIM_ADD = 0;
inline constexpr DWORD NIM_MODIFY = 1;
inline constexpr DWORD NIM_DELETE = 2;
inline constexpr UINT NIF_MESSAGE = 1;
inline constexpr UINT NIF_ICON = 2;
inline constexpr UINT NIF_TIP = 4;

// ---- Window messages --------------------------------------------------------

inline constexpr UINT WM_SHOWWINDOW = 0x0018;
inline constexpr UINT WM_SETHOTKEY = 0x0032;
inline constexpr UINT WM_NCLBUTTONDOWN = 0x00A1;
inline constexpr UINT WM_SYSCOMMAND = 0x0112;
inline constexpr UINT WM_MOUSEMOVE = 0x0200;
inline constexpr UINT WM_LBUTTONDOWN = 0x0201;
inline constexpr UINT WM_LBUTTONUP = 0x0202;
inline constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
inline constexpr UINT WM_RBUTTONDOWN = 0x0204;
inline constexpr UINT WM_RBUTTONUP = 0x0205;
inline constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
inline constexpr UINT WM_MBUTTONDOWN = 0x0207;
inline constexpr UINT WM_MBUTTONUP = 0x0208;
inline constexpr UINT WM_MBUTTONDBLCLK = 0x0209;
inline constexpr UINT WM_USER = 0x0400;
inline constexpr UINT LB_ADDSTRING = 0x0180;
inline constexpr UINT TB_SETSTYLE = WM_USER + 56;
inline constexpr UINT TB_GETSTYLE = WM_USER + 57;
inline constexpr LRESULT TBSTYLE_FLAT = 0x0800;
inline constexpr WPARAM HTCAPTION = 2;
inline constexpr WPARAM SC_SCREENSAVE = 0xF140;

// ---- Windows, desktop and input ---------------------------------------------

inline constexpr HWND HWND_TOP = 0;
inline constexpr HWND HWND_BOTTOM = 1;
inline constexpr HWND HWND_TOPMOST = -1;
inline constexpr HWND HWND_NOTOPMOST = -2;

inline constexpr UINT SWP_NOSIZE = 0x0001;
inline constexpr UINT SWP_NOMOVE = 0x0002;
inline constexpr UINT SWP_NOACTIVATE = 0x0010;
inline constexpr UINT SWP_FRAMECHANGED = 0x0020;
inline constexpr UINT SWP_SHOWWINDOW = 0x0040;
inline constexpr UINT SWP_HIDEWINDOW = 0x0080;

inline constexpr int GWL_EXSTYLE = -20;
inline constexpr LONG WS_EX_TRANSPARENT = 0x00000020;

inline constexpr UINT SPI_SETDESKWALLPAPER = 20;
inline constexpr UINT SPI_SETWORKAREA = 47;
inline constexpr UINT SPI_GETWORKAREA = 48;
inline constexpr UINT SPI_SETSCREENSAVERRUNNING = 97;
inline constexpr UINT SPIF_UPDATEINIFILE = 1;
inline constexpr UINT SPIF_SENDWININICHANGE = 2;

inline constexpr UINT EWX_LOGOFF = 0;
inline constexpr UINT EWX_SHUTDOWN = 1;
inline constexpr UINT EWX_REBOOT = 2;
inline constexpr UINT EWX_FORCE = 4;

inline constexpr UINT MB_OK = 0;
inline constexpr int IDOK = 1;

inline constexpr UINT MF_BYCOMMAND = 0x0000;
inline constexpr UINT MF_BITMAP = 0x0004;
inline constexpr UINT MF_BYPOSITION = 0x0400;

inline constexpr BYTE VK_LWIN = 0x5B;
inline constexpr DWORD KEYEVENTF_KEYUP = 0x0002;

inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWMAXIMIZED = 3;

// ---- Sound and media ----------------------------------------------------------

inline constexpr UINT SND_ASYNC = 0x0001;
inline constexpr UINT SND_NOWAIT = 0x2000;
inline constexpr UINT SND_ALIAS = 0x10000;

// ---- Shell ----------------------------------------------------------------------

inline constexpr UINT SHARD_PATH = 2;
inline constexpr UINT SHGFI_LARGEICON = 0x0000;
inline constexpr UINT SHGFI_SMALLICON = 0x0001;
inline constexpr UINT SHGFI_SHELLICONSIZE = 0x0004;
inline constexpr UINT SHGFI_DISPLAYNAME = 0x0200;
inline constexpr UINT SHGFI_TYPENAME = 0x0400;
inline constexpr UINT SHGFI_EXETYPE = 0x2000;
inline constexpr UINT SHGFI_SYSICONINDEX = 0x4000;
inline constexpr UINT ILD_TRANSPARENT = 0x0001;

// ---- Files --------------------------------------------------------------------------

inline constexpr std::size_t MAX_PATH = 260;
inline constexpr HANDLE INVALID_HANDLE_VALUE = -1;
inline constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;

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
