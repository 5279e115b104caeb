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

// <N bytes 61 62 00>, as a line shows bytes.
std::string byteList(std::string_view bytes);

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
// Answers: every platform call but the work-area and cursor readings has a
// hook (on<Name>, the method's own signature; onSendMessageText and
// onSystemParametersInfoText/Slot for the overloads) that answers when set.
// Otherwise an action succeeds plainly (TRUE, ERROR_SUCCESS, a fresh handle
// 100, 101, ...); the work area and the cursor come from `workArea` (which
// SPI_SETWORKAREA sets) and `cursor`; a call that would fill a buffer or a
// record fails and leaves it untouched; searches find nothing; the registry
// functions answer from `registry`; WaitForEvents sets `now` to its end, as a
// wait that saw no event would.
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

    // The recorded lines whose function name is `name`.
    std::vector<std::string> callsTo(std::string_view name) const;

// A seam function: recorded, then answered by its hook (on<Name>, the
// method's own signature) when one is set, else by `fallback`.
#define TQ_HOOKED_AS(Hook, R, Name, Fallback, Params, ...)                                                         \
    std::function<R Params> Hook;                                                                                  \
    R Name Params override { return answer(#Name, Hook, Fallback __VA_OPT__(, ) __VA_ARGS__); }
#define TQ_HOOKED(R, Name, Fallback, Params, ...) TQ_HOOKED_AS(on##Name, R, Name, Fallback, Params, __VA_ARGS__)
// A registry function: recorded with `Shown`, answered by its hook or by `registry`.
#define TQ_REGISTRY(Name, Params, Shown, ...)                                                                      \
    std::function<LONG Params> on##Name;                                                                           \
    LONG Name Params override { record(#Name, TQ_UNPAREN Shown);                                                   \
        return on##Name ? on##Name(__VA_ARGS__) : registry->Name(__VA_ARGS__); }
#define TQ_UNPAREN(...) __VA_ARGS__

    BOOL SystemParametersInfoA(UINT uiAction, UINT uiParam, WinRect& rect, UINT fWinIni) override;
    TQ_HOOKED_AS(onSystemParametersInfoText, BOOL, SystemParametersInfoA, 1,
                 (UINT uiAction, UINT uiParam, const std::string& text, UINT fWinIni), uiAction, uiParam, text, fWinIni)
    TQ_HOOKED_AS(onSystemParametersInfoSlot, BOOL, SystemParametersInfoA, 1,
                 (UINT uiAction, UINT uiParam, BOOL& slot, UINT fWinIni), uiAction, uiParam, slot, fWinIni)
    BOOL GetCursorPos(WinPoint& point) override { record("GetCursorPos", point); point = cursor; return 1; }
    TQ_HOOKED(BOOL, SetCursorPos, 1, (int X, int Y), X, Y)
    TQ_HOOKED(int, MessageBoxA, IDOK, (HWND hWnd, const std::string& text, const std::string& caption, UINT uType),
              hWnd, text, caption, uType)
    float TwipsPerPixelX() override { return twipsPerPixelX; }
    float TwipsPerPixelY() override { return twipsPerPixelY; }

    TQ_HOOKED(BOOL, Shell_NotifyIconA, 1, (DWORD dwMessage, const NotifyIconDataA& data), dwMessage, data)
    TQ_HOOKED(HMENU, GetMenu, fresh(), (HWND hWnd), hWnd)
    TQ_HOOKED(HMENU, GetSubMenu, fresh(), (HMENU hMenu, int nPos), hMenu, nPos)
    TQ_HOOKED(UINT, GetMenuItemID, fresh(), (HMENU hMenu, int nPos), hMenu, nPos)
    TQ_HOOKED(BOOL, SetMenuItemBitmaps, 1,
              (HMENU hMenu, UINT uPosition, UINT uFlags, HBITMAP hBitmapUnchecked, HBITMAP hBitmapChecked), hMenu,
              uPosition, uFlags, hBitmapUnchecked, hBitmapChecked)

    TQ_HOOKED(BOOL, SetWindowPos, 1, (HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags),
              hWnd, hWndInsertAfter, X, Y, cx, cy, uFlags)
    TQ_HOOKED(LONG, SetWindowLongA, 0, (HWND hWnd, int nIndex, LONG dwNewLong), hWnd, nIndex, dwNewLong)
    TQ_HOOKED(HWND, FindWindowA, fresh(),
              (const std::optional<std::string>& className, const std::optional<std::string>& windowName), className,
              windowName)
    TQ_HOOKED(HWND, FindWindowExA, fresh(),
              (HWND hWndParent, HWND hWndChildAfter, const std::optional<std::string>& className,
               const std::optional<std::string>& windowName),
              hWndParent, hWndChildAfter, className, windowName)
    TQ_HOOKED(LRESULT, SendMessageA, 0, (HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam), hWnd, msg, wParam,
              lParam)
    TQ_HOOKED_AS(onSendMessageText, LRESULT, SendMessageA, 0,
                 (HWND hWnd, UINT msg, WPARAM wParam, const std::string& lParam), hWnd, msg, wParam, lParam)
    TQ_HOOKED(LRESULT, DefWindowProcA, 0, (HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam), hWnd, msg, wParam,
              lParam)
    TQ_HOOKED(BOOL, ReleaseCapture, 1, ())
    TQ_HOOKED(BOOL, ExitWindowsEx, 1, (UINT uFlags, DWORD dwReason), uFlags, dwReason)
    TQ_HOOKED(int, ShowCursor, 0, (BOOL bShow), bShow)

    TQ_HOOKED_AS(onSndPlaySoundA, BOOL, sndPlaySoundA, 1, (const std::string& sound, UINT fuSound), sound, fuSound)
    TQ_HOOKED_AS(onMciSendStringA, MCIERROR, mciSendStringA, 0,
              (const std::string& command, std::string& returnString, UINT cchReturn, HWND hwndCallback), command,
              returnString, cchReturn, hwndCallback)
    TQ_HOOKED_AS(onWaveOutGetNumDevs, UINT, waveOutGetNumDevs, 1, ())
    TQ_HOOKED(void, DoEvents, 0, ())
    void WaitForEvents(std::int64_t until) override;
    std::function<void(std::int64_t)> onWaitForEvents;
    std::int64_t Now() override { return now; }

    TQ_HOOKED(HINSTANCE, ShellExecuteA, 42,
              (HWND hWnd, const std::optional<std::string>& operation, const std::string& file,
               const std::optional<std::string>& parameters, const std::optional<std::string>& directory,
               int nShowCmd),
              hWnd, operation, file, parameters, directory, nShowCmd)
    TQ_HOOKED(UINT, WinExec, 33, (const std::string& cmdLine, UINT uCmdShow), cmdLine, uCmdShow)
    TQ_HOOKED_AS(onKeybdEvent, void, keybd_event, 0, (BYTE bVk, BYTE bScan, DWORD dwFlags, DWORD dwExtraInfo), bVk,
                 bScan, dwFlags, dwExtraInfo)
    TQ_HOOKED(void, SHAddToRecentDocs, 0, (UINT uFlags, const std::optional<std::string>& path), uFlags, path)
    TQ_HOOKED(std::int32_t, SHGetFileInfoA, fresh(),
              (const std::string& path, DWORD dwFileAttributes, ShFileInfoA& info, UINT cbFileInfo, UINT uFlags), path,
              dwFileAttributes, info, cbFileInfo, uFlags)
    TQ_HOOKED(BOOL, ImageList_Draw, 1, (HIMAGELIST himl, int i, HDC hdcDst, int x, int y, UINT fStyle), himl, i,
              hdcDst, x, y, fStyle)
    TQ_HOOKED(UINT, GetWindowsDirectoryA, 0, (std::string& buffer, UINT uSize), buffer, uSize)
    TQ_HOOKED(UINT, GetSystemDirectoryA, 0, (std::string& buffer, UINT uSize), buffer, uSize)
    TQ_HOOKED(DWORD, GetTempPathA, 0, (DWORD nBufferLength, std::string& buffer), nBufferLength, buffer)
    std::string AppPath() override { return appPath; }
    std::string AppExeName() override { return appExeName; }
    std::string AppCommandLine() override { return appCommandLine; }

    TQ_REGISTRY(RegOpenKeyExA, (HKEY hKey, const std::string& subKey, DWORD ulOptions, REGSAM samDesired, HKEY& result),
                (root(hKey), subKey, ulOptions, mask(samDesired), Raw{"out"}), hKey, subKey, ulOptions, samDesired,
                result)
    TQ_REGISTRY(RegCreateKeyExA,
                (HKEY hKey, const std::string& subKey, DWORD reserved, const std::optional<std::string>& className,
                 DWORD dwOptions, REGSAM samDesired, HKEY& result, DWORD& disposition),
                (root(hKey), subKey, reserved, className, dwOptions, mask(samDesired)), hKey, subKey, reserved,
                className, dwOptions, samDesired, result, disposition)
    TQ_REGISTRY(RegSetValueExA,
                (HKEY hKey, const std::string& valueName, DWORD reserved, DWORD dwType, std::string_view data,
                 DWORD cbData),
                (root(hKey), valueName, reserved, dwType, data, cbData), hKey, valueName, reserved, dwType, data,
                cbData)
    TQ_REGISTRY(RegQueryValueExA,
                (HKEY hKey, const std::string& valueName, DWORD& type, std::string& data, DWORD& cbData),
                (root(hKey), valueName, type, data, cbData), hKey, valueName, type, data, cbData)
    TQ_REGISTRY(RegDeleteKeyA, (HKEY hKey, const std::string& subKey), (root(hKey), subKey), hKey, subKey)
    TQ_REGISTRY(RegDeleteValueA, (HKEY hKey, const std::string& valueName), (root(hKey), valueName), hKey, valueName)
    TQ_REGISTRY(RegCloseKey, (HKEY hKey), (root(hKey)), hKey)
    TQ_REGISTRY(RegQueryInfoKeyA,
                (HKEY hKey, std::string& className, DWORD& cchClass, DWORD& subKeys, DWORD& maxSubKeyLen,
                 DWORD& maxClassLen, DWORD& values, DWORD& maxValueNameLen, DWORD& maxValueLen,
                 DWORD& cbSecurityDescriptor, FileTime& lastWriteTime),
                (root(hKey), className, cchClass), hKey, className, cchClass, subKeys, maxSubKeyLen, maxClassLen,
                values, maxValueNameLen, maxValueLen, cbSecurityDescriptor, lastWriteTime)
    TQ_REGISTRY(RegEnumKeyExA,
                (HKEY hKey, DWORD index, std::string& name, DWORD& cchName, std::string& className, DWORD& cchClass,
                 FileTime& lastWriteTime),
                (root(hKey), index, name, cchName, className, cchClass), hKey, index, name, cchName, className,
                cchClass, lastWriteTime)
    TQ_REGISTRY(RegEnumValueA,
                (HKEY hKey, DWORD index, std::string& valueName, DWORD& cchValueName, DWORD& type, std::string& data,
                 DWORD& cbData),
                (root(hKey), index, valueName, cchValueName, type, data, cbData), hKey, index, valueName,
                cchValueName, type, data, cbData)

    TQ_HOOKED(HANDLE, FindFirstFileA, INVALID_HANDLE_VALUE, (const std::string& pattern, Win32FindDataA& data),
              pattern, data)
    TQ_HOOKED(BOOL, FindNextFileA, 0, (HANDLE hFindFile, Win32FindDataA& data), hFindFile, data)
    TQ_HOOKED(BOOL, FindClose, 1, (HANDLE hFindFile), hFindFile)
    TQ_HOOKED(DWORD, GetFileAttributesA, INVALID_FILE_ATTRIBUTES, (const std::string& path), path)
    TQ_HOOKED(BOOL, GetDiskFreeSpaceA, 0,
              (const std::string& rootPath, DWORD& sectorsPerCluster, DWORD& bytesPerSector, DWORD& freeClusters,
               DWORD& totalClusters),
              rootPath, sectorsPerCluster, bytesPerSector, freeClusters, totalClusters)
    TQ_HOOKED(BOOL, GetVolumeInformationA, 0,
              (const std::string& rootPath, std::string& volumeName, DWORD volumeNameSize, DWORD& serialNumber,
               DWORD& maxComponentLength, DWORD& fileSystemFlags, std::string& fileSystemName,
               DWORD fileSystemNameSize),
              rootPath, volumeName, volumeNameSize, serialNumber, maxComponentLength, fileSystemFlags, fileSystemName,
              fileSystemNameSize)
    TQ_HOOKED(BOOL, GetComputerNameA, 0, (std::string& buffer, DWORD& nSize), buffer, nSize)
    TQ_HOOKED(BOOL, SetComputerNameA, 1, (const std::string& name), name)
    TQ_HOOKED(BOOL, GetUserNameA, 0, (std::string& buffer, DWORD& nSize), buffer, nSize)
#undef TQ_HOOKED
#undef TQ_HOOKED_AS
#undef TQ_REGISTRY
#undef TQ_UNPAREN

private:
    InMemoryRegistry m_registry;

    // One argument as the line shows it (see the class comment).
    static std::string shown(std::string& buffer);
    static std::string shown(const std::string& text);
    static std::string shown(const std::optional<std::string>& text) { return text ? shown(*text) : "NULL"; }
    static std::string shown(std::string_view bytes) { return byteList(bytes); }
    static std::string shown(const WinRect& rect);
    static std::string shown(const NotifyIconDataA& record);
    struct Raw { std::string text; };
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
};

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
