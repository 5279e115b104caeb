// SPDX-License-Identifier: MIT
#include "platform/windows/Win32SingleInstance.h"

#include <cstdint>
#include <cwchar>
#include <string>

namespace tarnquill {

namespace {

constexpr wchar_t kKeyProperty[] = L"Tarnquill.StoreKey";

// Mutex names may not hold backslashes and are limited in length, so the
// path enters the name as a hash.
std::uint64_t fnv1a(const std::wstring& text)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const wchar_t unit : text) {
        hash ^= static_cast<std::uint16_t>(unit);
        hash *= 1099511628211ull;
    }
    return hash;
}

std::wstring keyOf(const std::filesystem::path& storeFile)
{
    std::error_code error;
    std::wstring path = std::filesystem::absolute(storeFile, error).lexically_normal().wstring();
    if (path.empty())
        path = storeFile.wstring();
    ::CharLowerBuffW(path.data(), static_cast<::DWORD>(path.size()));
    wchar_t hex[17];
    std::swprintf(hex, 17, L"%016llx", static_cast<unsigned long long>(fnv1a(path)));
    return hex;
}

struct Search {
    ::HANDLE key;
    ::HWND found = nullptr;
};

::BOOL CALLBACK matchWindow(::HWND window, ::LPARAM parameter)
{
    auto* search = reinterpret_cast<Search*>(parameter);
    if (::GetPropW(window, kKeyProperty) == search->key) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

::HANDLE propertyValue(const std::wstring& key)
{
    return reinterpret_cast<::HANDLE>(static_cast<std::uintptr_t>(std::wcstoull(key.c_str(), nullptr, 16) | 1));
}

} // namespace

Win32SingleInstance::Win32SingleInstance(const std::filesystem::path& storeFile)
    : m_key(keyOf(storeFile))
{
}

Win32SingleInstance::~Win32SingleInstance()
{
    release();
}

::UINT Win32SingleInstance::showMessage()
{
    static const ::UINT message = ::RegisterWindowMessageW(L"Tarnquill.ShowRunning");
    return message;
}

bool Win32SingleInstance::acquire()
{
    const std::wstring name = L"Local\\Tarnquill-" + m_key;
    m_mutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
    if (m_mutex && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(m_mutex);
        m_mutex = nullptr;
        return false;
    }
    return true;
}

void Win32SingleInstance::markWindow(::HWND window)
{
    ::SetPropW(window, kKeyProperty, propertyValue(m_key));
}

bool Win32SingleInstance::askRunningToShow()
{
    // The first start may still be making its window: look for a moment.
    for (int attempt = 0; attempt < 50; ++attempt) {
        Search search{propertyValue(m_key)};
        ::EnumWindows(&matchWindow, reinterpret_cast<::LPARAM>(&search));
        if (search.found) {
            ::DWORD process = 0;
            ::GetWindowThreadProcessId(search.found, &process);
            // The running program may take the foreground, which a process
            // that is not in front may otherwise not give it.
            ::AllowSetForegroundWindow(process);
            ::PostMessageW(search.found, showMessage(), 0, 0);
            return true;
        }
        ::Sleep(100);
    }
    return false;
}

void Win32SingleInstance::release()
{
    if (m_mutex) {
        ::CloseHandle(m_mutex);
        m_mutex = nullptr;
    }
}

} // namespace tarnquill
