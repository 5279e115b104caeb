// SPDX-License-Identifier: MIT
#include "Win32FileSystem.h"

#include "history/StoreLocation.h"
#include "platform/NativePaths.h"

#include <windows.h>

#include <sddl.h>

#include <atomic>
#include <new>
#include <string>
#include <system_error>

namespace tarnquill {

namespace {

// Per thread, as GetLastError is: the store is written from writer threads.
thread_local std::string t_lastError;

// The system's words for GetLastError(), after `what` ("writing: ...").
bool failed(const char* what)
{
    const DWORD error = ::GetLastError();
    std::string reason = what;
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                              | FORMAT_MESSAGE_IGNORE_INSERTS,
                                          nullptr, error, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::string words;
    if (length > 0 && text) {
        const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
        words.resize(static_cast<std::size_t>(size > 0 ? size : 0));
        if (size > 0)
            ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), words.data(), size, nullptr, nullptr);
        while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' ' || words.back() == '.'))
            words.pop_back();
    }
    if (text)
        ::LocalFree(text);
    reason += ": " + (words.empty() ? "error " + std::to_string(error) : words);
    t_lastError = std::move(reason);
    return false;
}

bool refused(const char* reason)
{
    t_lastError = reason;
    return false;
}

class Handle final {
public:
    explicit Handle(HANDLE handle) : m_handle(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { close(); }

    HANDLE get() const { return m_handle; }
    bool valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    // Closes now and says whether the close succeeded.
    bool close()
    {
        if (m_handle == INVALID_HANDLE_VALUE)
            return true;
        const BOOL result = ::CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
        return result != FALSE;
    }

private:
    HANDLE m_handle;
};

// A security descriptor whose protected DACL lets only the current user and
// SYSTEM in: the Windows form of POSIX mode 0600.
class OwnerOnlySecurity final {
public:
    OwnerOnlySecurity()
    {
        HANDLE token = nullptr;
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
            return;
        Handle tokenHandle(token);
        DWORD size = 0;
        ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        if (size == 0)
            return;
        std::string buffer(size, '\0');
        if (!::GetTokenInformation(token, TokenUser, buffer.data(), size, &size))
            return;
        const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
        LPWSTR sidText = nullptr;
        if (!::ConvertSidToStringSidW(user->User.Sid, &sidText))
            return;
        const std::wstring sddl = L"D:P(A;;FA;;;" + std::wstring(sidText) + L")(A;;FA;;;SY)";
        ::LocalFree(sidText);
        if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                                   &m_descriptor, nullptr))
            m_descriptor = nullptr;
    }
    OwnerOnlySecurity(const OwnerOnlySecurity&) = delete;
    OwnerOnlySecurity& operator=(const OwnerOnlySecurity&) = delete;
    ~OwnerOnlySecurity()
    {
        if (m_descriptor)
            ::LocalFree(m_descriptor);
    }

    // Null (the folder's inherited security) when the descriptor could not be made.
    SECURITY_ATTRIBUTES* attributes()
    {
        if (!m_descriptor)
            return nullptr;
        m_attributes = SECURITY_ATTRIBUTES{sizeof(SECURITY_ATTRIBUTES), m_descriptor, FALSE};
        return &m_attributes;
    }

private:
    PSECURITY_DESCRIPTOR m_descriptor = nullptr;
    SECURITY_ATTRIBUTES m_attributes{};
};

bool writeAll(HANDLE file, std::string_view bytes)
{
    constexpr std::size_t chunk = 1u << 30;
    while (!bytes.empty()) {
        const DWORD toWrite = static_cast<DWORD>(bytes.size() < chunk ? bytes.size() : chunk);
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), toWrite, &written, nullptr) || written == 0)
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

std::filesystem::path folderOf(const std::filesystem::path& file)
{
    auto folder = file.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

// A name for a new file beside `base`, unlikely to exist: base + ".tmp-XXXXXX"
// where the six characters change with the process, the time and a counter.
std::filesystem::path uniqueSibling(const std::filesystem::path& folder, const std::wstring& base)
{
    static std::atomic<unsigned long long> counter{0};
    static constexpr wchar_t digits[] = L"0123456789abcdefghijklmnopqrstuvwxyz";
    LARGE_INTEGER now{};
    ::QueryPerformanceCounter(&now);
    unsigned long long value = static_cast<unsigned long long>(now.QuadPart) * 6364136223846793005ULL
                               + ::GetCurrentProcessId() * 1442695040888963407ULL + counter.fetch_add(1) * 2654435761ULL;
    std::wstring name = base + L".tmp-";
    for (int i = 0; i < 6; ++i) {
        name += digits[value % 36];
        value /= 36;
    }
    return folder / name;
}

// Creates a new file beside `base` for writing; its path goes to `created`.
HANDLE createUniqueFile(const std::filesystem::path& folder, const std::wstring& base, SECURITY_ATTRIBUTES* security,
                        DWORD flags, std::filesystem::path& created)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        created = uniqueSibling(folder, base);
        const HANDLE handle = ::CreateFileW(win32PathOf(created).c_str(), GENERIC_WRITE, 0, security, CREATE_NEW,
                                            FILE_ATTRIBUTE_NORMAL | flags, nullptr);
        if (handle != INVALID_HANDLE_VALUE)
            return handle;
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return INVALID_HANDLE_VALUE;
    }
    return INVALID_HANDLE_VALUE;
}

// A virus scanner or an indexer may hold the file for a moment: a rename that
// meets a sharing violation is tried again a few times before it counts as failed.
bool moveOver(const std::wstring& from, const std::wstring& to)
{
    for (int attempt = 0;; ++attempt) {
        if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = ::GetLastError();
        if (attempt >= 5 || (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION))
            return false;
        ::Sleep(20);
    }
}

bool startsWith(const std::wstring& text, const wchar_t* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

bool isFolder(const std::filesystem::path& folder)
{
    const DWORD attributes = ::GetFileAttributesW(win32PathOf(folder).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool equalsIgnoringCase(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// A path that names a device rather than a file: a named pipe or another
// device in the \\.\ namespace, or a reserved name such as NUL or COM1.
// Such a path is never opened: a read could block forever, and opening a
// pipe would take the place of the client its server waits for.
bool isDevicePath(const std::filesystem::path& path)
{
    const std::wstring& native = path.native();
    if (startsWith(native, L"\\\\.\\") || startsWith(native, L"\\\\?\\") || startsWith(native, L"//./")
        || startsWith(native, L"//?/")) {
        const std::wstring_view rest = std::wstring_view(native).substr(4);
        const bool drive = rest.size() >= 3 && rest[1] == L':' && (rest[2] == L'\\' || rest[2] == L'/');
        const bool unc = rest.size() >= 4 && equalsIgnoringCase(rest.substr(0, 4), L"UNC\\");
        return !drive && !unc;
    }
    std::wstring stem = path.filename().native();
    stem = stem.substr(0, stem.find_first_of(L".:"));
    while (!stem.empty() && stem.back() == L' ')
        stem.pop_back();
    for (const wchar_t* reserved : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (equalsIgnoringCase(stem, reserved))
            return true;
    if (stem.size() == 4 && (equalsIgnoringCase(stem.substr(0, 3), L"COM") || equalsIgnoringCase(stem.substr(0, 3), L"LPT")))
        return stem[3] >= L'1' && stem[3] <= L'9';
    return false;
}

// The file a save has to replace: the final target when `file` is a symbolic
// link (or a chain of them), so the link stays and its target is updated.
// A link whose target is missing is replaced itself.
std::filesystem::path resolveLinks(const std::filesystem::path& file)
{
    const DWORD attributes = ::GetFileAttributesW(win32PathOf(file).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return file;
    // FILE_FLAG_BACKUP_SEMANTICS without FILE_FLAG_OPEN_REPARSE_POINT: the
    // open follows the links to the file at their end.
    Handle handle(::CreateFileW(win32PathOf(file).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.valid())
        return file;
    std::wstring target(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length = ::GetFinalPathNameByHandleW(handle.get(), target.data(), static_cast<DWORD>(target.size()),
                                                         FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0)
            return file;
        if (length < target.size()) {
            target.resize(length);
            return target;
        }
        target.resize(length + 1);
    }
    return file;
}

// Opens an existing or new file for appending, private to its owner when new.
HANDLE openForAppend(const std::filesystem::path& file)
{
    OwnerOnlySecurity security;
    return ::CreateFileW(win32PathOf(file).c_str(), FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                         security.attributes(), OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// std::filesystem::create_directories, but through win32PathOf, so that
// folders past MAX_PATH can be made too.
void createFolders(const std::filesystem::path& folder)
{
    if (folder.empty() || isFolder(folder))
        return;
    const auto parent = folder.parent_path();
    if (parent != folder)
        createFolders(parent);
    ::CreateDirectoryW(win32PathOf(folder).c_str(), nullptr);
}

} // namespace

std::wstring win32PathOf(const std::filesystem::path& path)
{
    // CreateDirectoryW stops at MAX_PATH - 12; stay well below that unprefixed.
    constexpr std::size_t shortEnough = MAX_PATH - 20;
    const std::wstring& native = path.native();
    if (native.size() < shortEnough || startsWith(native, L"\\\\?\\"))
        return native;
    std::error_code error;
    auto absolute = std::filesystem::absolute(path, error);
    if (error)
        return native;
    const std::wstring full = absolute.lexically_normal().make_preferred().native();
    if (startsWith(full, L"\\\\?\\"))
        return full;
    if (startsWith(full, L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

bool Win32FileSystem::touch(const std::filesystem::path& file)
{
    if (isDevicePath(file))
        return refused("it is not a regular file");
    OwnerOnlySecurity security;
    // OPEN_ALWAYS: an existing file is opened and left as it is.
    Handle handle(::CreateFileW(win32PathOf(file).c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, security.attributes(),
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return handle.valid() && handle.close();
}

std::optional<std::string> Win32FileSystem::readAll(const std::filesystem::path& file)
{
    if (isDevicePath(file))
        return std::nullopt;
    // Without FILE_FLAG_BACKUP_SEMANTICS a folder cannot be opened: nullopt.
    Handle handle(::CreateFileW(win32PathOf(file).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    // Only a file on a disk is read; a pipe or a console could block forever.
    if (!handle.valid() || ::GetFileType(handle.get()) != FILE_TYPE_DISK)
        return std::nullopt;

    std::string content;
    try {
        LARGE_INTEGER size{};
        if (::GetFileSizeEx(handle.get(), &size) && size.QuadPart > 0)
            content.reserve(static_cast<std::size_t>(size.QuadPart));
        char buffer[65536];
        for (;;) {
            DWORD got = 0;
            if (!::ReadFile(handle.get(), buffer, sizeof buffer, &got, nullptr))
                return std::nullopt;
            if (got == 0)
                break;
            content.append(buffer, got);
        }
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    } catch (const std::length_error&) {
        return std::nullopt;
    }
    return content;
}

bool Win32FileSystem::replaceAtomically(const std::filesystem::path& file, std::string_view bytes)
{
    return replaceAtomically(file, bytes, [] { return true; });
}

bool Win32FileSystem::replaceAtomically(const std::filesystem::path& file, std::string_view bytes,
                                        const std::function<bool()>& beforeRename)
{
    if (isDevicePath(file))
        return refused("it is not a regular file");
    const auto target = resolveLinks(file);
    const DWORD attributes = ::GetFileAttributesW(win32PathOf(target).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return refused("it is not a regular file");
        // A file the user made read-only is not replaced behind their back.
        if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
            return refused("the file is read-only");
    }
    const auto folder = folderOf(target);
    OwnerOnlySecurity security;
    std::filesystem::path temp;
    Handle handle(createUniqueFile(folder, target.filename().native(), security.attributes(), 0, temp));
    if (!handle.valid())
        return failed("creating a temporary file");

    const std::wstring tempPath = win32PathOf(temp);
    bool written = writeAll(handle.get(), bytes) || failed("writing");
    if (written && !::FlushFileBuffers(handle.get()))
        written = failed("flushing");
    if (written && !handle.close())
        written = failed("closing");
    // MOVEFILE_WRITE_THROUGH returns only once the rename is on disk.
    if (!written || !beforeRename() || (!moveOver(tempPath, win32PathOf(target)) && failed("renaming"))) {
        handle.close();
        ::DeleteFileW(tempPath.c_str());
        return false;
    }
    return true;
}

bool Win32FileSystem::appendDurably(const std::filesystem::path& file, std::string_view bytes)
{
    if (isDevicePath(file))
        return refused("it is not a regular file");
    Handle handle(openForAppend(file));
    if (!handle.valid())
        return failed("opening");
    if (::GetFileType(handle.get()) != FILE_TYPE_DISK)
        return refused("it is not a regular file");
    if (!writeAll(handle.get(), bytes))
        return failed("writing");
    if (!::FlushFileBuffers(handle.get()))
        return failed("flushing");
    if (!handle.close())
        return failed("closing");
    return true;
}

void Win32FileSystem::removeLeftovers(const std::filesystem::path& file)
{
    const auto folder = folderOf(file);
    const std::wstring name = file.filename().native();
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW(win32PathOf(folder / (name + L".*")).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    const auto narrow = [](const std::wstring& text) {
        // The names compared are ASCII; anything else cannot be a leftover.
        std::string result;
        for (const wchar_t c : text)
            result += c < 0x80 ? static_cast<char>(c) : '?';
        return result;
    };
    const std::string storeName = narrow(name);
    do {
        const DWORD kindBits = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
        if ((found.dwFileAttributes & kindBits) == 0 && isLeftoverOfStore(storeName, narrow(found.cFileName)))
            ::DeleteFileW(win32PathOf(folder / found.cFileName).c_str());
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

FileSystem::Kind Win32FileSystem::kindOf(const std::filesystem::path& path)
{
    if (isDevicePath(path))
        return Kind::Special;
    // No access asked for: this only looks at what the path leads to,
    // following symbolic links.
    Handle handle(::CreateFileW(win32PathOf(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.valid()) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Kind::Missing : Kind::Regular;
    }
    if (::GetFileType(handle.get()) != FILE_TYPE_DISK)
        return Kind::Special;
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileInformationByHandle(handle.get(), &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return Kind::Folder;
    return Kind::Regular;
}

std::string Win32FileSystem::lastError() const
{
    return t_lastError;
}

bool Win32FileSystem::remove(const std::filesystem::path& file)
{
    return ::DeleteFileW(win32PathOf(file).c_str()) != FALSE;
}

bool Win32FileSystem::exists(const std::filesystem::path& path)
{
    return ::GetFileAttributesW(win32PathOf(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Win32FileSystem::renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to)
{
    // Without MOVEFILE_REPLACE_EXISTING an existing target makes it fail.
    return ::MoveFileExW(win32PathOf(from).c_str(), win32PathOf(to).c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool Win32FileSystem::isWritableFolder(const std::filesystem::path& folder, bool create)
{
    if (create)
        createFolders(folder);
    if (!isFolder(folder))
        return false;
    // Attributes and ACLs are not read for this: a file is created (and
    // deleted again when its handle closes), so read-only media, ACLs and
    // folders such as Program Files all answer truthfully.
    std::filesystem::path probe;
    Handle handle(createUniqueFile(folder, L".tarnquill-probe", nullptr, FILE_FLAG_DELETE_ON_CLOSE, probe));
    if (!handle.valid())
        return false;
    handle.close();
    return true;
}

namespace native {

std::unique_ptr<FileSystem> makeFileSystem()
{
    return std::make_unique<Win32FileSystem>();
}

} // namespace native

} // namespace tarnquill
