// SPDX-License-Identifier: MIT
#include "SystemProbe.h"

#include <windows.h>

#include <chrono>
#include <thread>

// At file scope, where the macro's HKEY is the system's type.
static const ::HKEY kSystemCurrentUser = HKEY_CURRENT_USER;

namespace tarnquill::probe {

namespace {

class Key final {
public:
    explicit Key(const std::wstring& path, REGSAM access = KEY_ALL_ACCESS)
    {
        if (::RegOpenKeyExW(kSystemCurrentUser, path.c_str(), 0, access, &m_key) != ERROR_SUCCESS)
            m_key = nullptr;
    }
    ~Key()
    {
        if (m_key)
            ::RegCloseKey(m_key);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ::HKEY get() const { return m_key; }

private:
    ::HKEY m_key = nullptr;
};

} // namespace

std::optional<Stored> systemValue(const std::wstring& keyPath, const std::wstring& valueName)
{
    Key key(keyPath, KEY_READ);
    if (!key.get())
        return std::nullopt;
    std::string bytes(65536, '\0');
    ::DWORD type = 0;
    ::DWORD size = static_cast<::DWORD>(bytes.size());
    if (::RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()),
                           &size) != ERROR_SUCCESS)
        return std::nullopt;
    bytes.resize(size);
    return Stored{type, bytes};
}

std::string bytesOf(std::wstring_view text)
{
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

bool writeSystemValue(const std::wstring& keyPath, const std::wstring& valueName, DWORD type, std::wstring_view text)
{
    Key key(keyPath);
    // A non-NUL unit after the text: the system would store a NUL that
    // follows a text without one.
    std::wstring units(text);
    units.push_back(L'x');
    return key.get() && ::RegSetValueExW(key.get(), valueName.c_str(), 0, type,
                                         reinterpret_cast<const BYTE*>(units.data()),
                                         static_cast<::DWORD>(text.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

void deleteSystemTree(const std::wstring& keyPath)
{
    ::RegDeleteTreeW(kSystemCurrentUser, keyPath.c_str());
    ::RegDeleteKeyW(kSystemCurrentUser, keyPath.c_str());
}

std::wstring fromAnsi(std::string_view bytes)
{
    const int length = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), length);
    return text;
}

EnumAnswer systemEnumValueA(const std::wstring& keyPath, DWORD index, std::string name, DWORD nameLength,
                            std::string data, DWORD size)
{
    Key key(keyPath, KEY_READ);
    ::DWORD nameCount = nameLength, type = 0, dataSize = size;
    const LONG status = ::RegEnumValueA(key.get(), index, name.data(), &nameCount, nullptr, &type,
                                        reinterpret_cast<BYTE*>(data.data()), &dataSize);
    return {status, name, DWORD(nameCount), DWORD(type), data, DWORD(dataSize)};
}

EnumAnswer systemQueryValueA(const std::wstring& keyPath, const std::string& valueName, std::string data, DWORD size)
{
    Key key(keyPath, KEY_READ);
    ::DWORD type = 0, dataSize = size;
    const LONG status = ::RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &type,
                                           reinterpret_cast<BYTE*>(data.data()), &dataSize);
    return {status, "", 0, DWORD(type), data, DWORD(dataSize)};
}

bool wineWithoutDisplay()
{
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    if (!ntdll || !::GetProcAddress(ntdll, "wine_get_version"))
        return false;
    // Wine copies the Unix environment into the Windows one; unset and empty
    // are alike to it.
    wchar_t display[2] = {};
    return ::GetEnvironmentVariableW(L"DISPLAY", display, 2) == 0;
}

TestWindow::TestWindow()
{
    static const wchar_t* const kClass = L"TarnquillSeamTestWindow";
    static const ATOM registered = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = ::DefWindowProcW;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kClass;
        return ::RegisterClassW(&windowClass);
    }();
    (void)registered;
    m_window = ::CreateWindowExW(0, kClass, L"Tarnquill seam test", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                 nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

TestWindow::~TestWindow()
{
    if (m_window)
        ::DestroyWindow(static_cast<::HWND>(m_window));
}

HWND TestWindow::seam() const
{
    return static_cast<HWND>(reinterpret_cast<std::intptr_t>(m_window));
}

HICON applicationIcon()
{
    return static_cast<HICON>(reinterpret_cast<std::intptr_t>(::LoadIconW(nullptr, MAKEINTRESOURCEW(32512)) /* IDI_APPLICATION */));
}

WinRect systemWorkArea()
{
    RECT area{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return WinRect{area.left, area.top, area.right, area.bottom};
}

bool processIsDpiAware()
{
    return ::IsProcessDPIAware() != FALSE;
}

int screenDpi(bool vertical)
{
    const ::HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, vertical ? LOGPIXELSY : LOGPIXELSX);
    ::ReleaseDC(nullptr, screen);
    return dpi;
}

std::future<bool> pressOkOnDialog(const std::wstring& caption)
{
    const ::DWORD caller = ::GetCurrentThreadId();
    return std::async(std::launch::async, [caption, caller] {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < until) {
            // #32770: the class of dialog boxes, message boxes among them.
            if (const ::HWND box = ::FindWindowW(L"#32770", caption.c_str())) {
                ::PostMessageW(box, WM_COMMAND, IDOK, 0);
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        // Not found under that caption: close whatever box the caller shows,
        // so that a failing test ends instead of waiting for a click.
        ::EnumThreadWindows(
            caller,
            [](::HWND window, ::LPARAM) -> ::BOOL {
                wchar_t name[16] = {};
                ::GetClassNameW(window, name, 16);
                if (std::wstring_view(name) == L"#32770")
                    ::PostMessageW(window, WM_COMMAND, IDOK, 0);
                return TRUE;
            },
            0);
        return false;
    });
}

} // namespace tarnquill::probe
