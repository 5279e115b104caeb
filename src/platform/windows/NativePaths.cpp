// SPDX-License-Identifier: MIT
#include "platform/NativePaths.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <string>
#include <system_error>

namespace tarnquill::native {

namespace {

// The path of this executable, in a buffer that grows past MAX_PATH as needed.
std::wstring modulePath()
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        // A full buffer means the name was cut short.
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        if (buffer.size() >= 32768)
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

// The final path of a file, with symbolic links and junctions resolved;
// empty when it cannot be had.
std::wstring finalPathOf(const std::wstring& file)
{
    const HANDLE handle = ::CreateFileW(file.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return {};
    std::wstring buffer(MAX_PATH, L'\0');
    DWORD length = ::GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()), VOLUME_NAME_DOS);
    if (length >= buffer.size()) {
        buffer.resize(length + 1);
        length = ::GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()), VOLUME_NAME_DOS);
    }
    ::CloseHandle(handle);
    if (length == 0 || length >= buffer.size())
        return {};
    buffer.resize(length);
    // The answer carries the \\?\ prefix; give the usual form where one exists.
    if (buffer.rfind(L"\\\\?\\UNC\\", 0) == 0)
        return L"\\\\" + buffer.substr(8);
    if (buffer.rfind(L"\\\\?\\", 0) == 0 && buffer.size() - 4 < MAX_PATH)
        return buffer.substr(4);
    return buffer;
}

std::wstring environmentVariable(const wchar_t* name)
{
    const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0)
        return {};
    std::wstring value(size, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(name, value.data(), size);
    if (length == 0 || length >= size)
        return {};
    value.resize(length);
    return value;
}

} // namespace

std::filesystem::path programFolder()
{
    const std::wstring module = modulePath();
    if (module.empty()) {
        std::error_code error;
        return std::filesystem::current_path(error);
    }
    const std::wstring resolved = finalPathOf(module);
    return std::filesystem::path(resolved.empty() ? module : resolved).parent_path();
}

bool isInstalledProgramFolder(const std::filesystem::path& folder)
{
    // Both Program Files folders of a 64-bit system, the 32-bit one included.
    for (const KNOWNFOLDERID& id : {FOLDERID_ProgramFiles, FOLDERID_ProgramFilesX86}) {
        PWSTR known = nullptr;
        bool inside = false;
        if (SUCCEEDED(::SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &known)) && known) {
            const std::wstring root = std::filesystem::path(known).lexically_normal().wstring();
            const std::wstring path = folder.lexically_normal().wstring();
            inside = path.size() > root.size() && ::CompareStringOrdinal(path.c_str(), static_cast<int>(root.size()),
                                                                        root.c_str(), static_cast<int>(root.size()),
                                                                        TRUE) == CSTR_EQUAL
                && (path[root.size()] == L'\\' || path[root.size()] == L'/');
        }
        ::CoTaskMemFree(known);
        if (inside)
            return true;
    }
    return false;
}

std::filesystem::path userDataFolder()
{
    // %LOCALAPPDATA% first, as the environment decides on Linux too
    // (XDG_DATA_HOME); a relative value is ignored.
    const std::filesystem::path fromEnvironment(environmentVariable(L"LOCALAPPDATA"));
    if (fromEnvironment.is_absolute())
        return fromEnvironment / L"Tarnquill";

    PWSTR known = nullptr;
    std::filesystem::path folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, &known)) && known)
        folder = std::filesystem::path(known) / L"Tarnquill";
    ::CoTaskMemFree(known);
    return folder;
}

} // namespace tarnquill::native
