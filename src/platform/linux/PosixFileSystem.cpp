// SPDX-License-Identifier: MIT
#include "PosixFileSystem.h"

#include "history/StoreLocation.h"
#include "platform/NativePaths.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <string_view>
#include <system_error>

namespace tarnquill {

namespace {

// Per thread, as errno is: the store is written from writer threads.
thread_local std::string t_lastError;

bool failed(const char* what)
{
    t_lastError = std::string(what) + ": " + std::strerror(errno);
    return false;
}

class FileDescriptor final {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { close(); }

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Closes now and says whether the close reported an error (a late write error on some file systems).
    bool close()
    {
        if (m_fd < 0)
            return true;
        const int result = ::close(m_fd);
        m_fd = -1;
        return result == 0;
    }

private:
    int m_fd;
};

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return failed("writing");
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::filesystem::path folderOf(const std::filesystem::path& file)
{
    auto folder = file.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

// Makes a rename in the folder itself durable.
void syncFolder(const std::filesystem::path& folder)
{
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid())
        ::fsync(dir.get());
}

// The file a save has to replace: the target of a symbolic link (followed to
// its end), so the link stays and its target is updated, as an editor does.
std::filesystem::path resolveLinks(const std::filesystem::path& file)
{
    std::filesystem::path current = file;
    for (int depth = 0; depth < 40; ++depth) {
        std::error_code error;
        if (!std::filesystem::is_symlink(current, error))
            return current;
        const auto target = std::filesystem::read_symlink(current, error);
        if (error)
            return current;
        current = target.is_absolute() ? target : folderOf(current) / target;
    }
    return current;
}

} // namespace

bool PosixFileSystem::touch(const std::filesystem::path& file)
{
    // O_NONBLOCK: a FIFO in the file's place must not hang the program.
    FileDescriptor fd(::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0600));
    return fd.valid() && fd.close();
}

std::optional<std::string> PosixFileSystem::readAll(const std::filesystem::path& file)
{
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.valid())
        return std::nullopt;
    // Only a regular file is read: a FIFO or a device could block forever.
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;

    std::string content;
    try {
        content.reserve(static_cast<std::size_t>(info.st_size));
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                return std::nullopt;
            }
            if (got == 0)
                break;
            content.append(buffer, static_cast<std::size_t>(got));
        }
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    return content;
}

bool PosixFileSystem::replaceAtomically(const std::filesystem::path& file, std::string_view bytes)
{
    return replaceAtomically(file, bytes, [] { return true; });
}

bool PosixFileSystem::replaceAtomically(const std::filesystem::path& file, std::string_view bytes,
                                        const std::function<bool()>& beforeRename)
{
    return replaceStreamed(file, [bytes](const ByteSink& write) { return write(bytes); }, beforeRename);
}

bool PosixFileSystem::replaceStreamed(const std::filesystem::path& file, const ByteSource& source,
                                      const std::function<bool()>& beforeRename)
{
    const auto target = resolveLinks(file);
    struct stat info {};
    const bool present = ::stat(target.c_str(), &info) == 0;
    if (present && !S_ISREG(info.st_mode)) {
        t_lastError = "it is not a regular file";
        return false;
    }
    // A file the user made read-only is not replaced behind their back
    // (a rename needs only the folder's permission).
    if (present && (info.st_mode & S_IWUSR) == 0) {
        t_lastError = "the file is read-only";
        return false;
    }
    const auto folder = folderOf(target);
    std::string temp = (folder / (target.filename().string() + std::string(kTemporaryInfix) + "XXXXXX")).string();
    // mkstemp creates the file with mode 0600.
    FileDescriptor fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (!fd.valid())
        return failed("creating a temporary file");
    // A store the user opened to others stays so.
    if (present)
        ::fchmod(fd.get(), info.st_mode & 07777);

    // Small pieces (the separators between entries) are gathered into one
    // write; large ones go to the file as they are.
    std::string buffer;
    constexpr std::size_t kBufferBytes = 1 << 20;
    const auto flushBuffer = [&] {
        const bool ok = writeAll(fd.get(), buffer);
        buffer.clear();
        return ok;
    };
    bool written = source([&](std::string_view piece) {
        if (buffer.size() + piece.size() <= kBufferBytes) {
            if (buffer.capacity() < kBufferBytes)
                buffer.reserve(kBufferBytes);
            buffer += piece;
            return true;
        }
        return flushBuffer() && writeAll(fd.get(), piece);
    });
    written = written && flushBuffer();
    if (written && ::fsync(fd.get()) != 0)
        written = failed("flushing");
    if (written && !fd.close())
        written = failed("closing");
    if (!written || !beforeRename() || (::rename(temp.c_str(), target.c_str()) != 0 && failed("renaming"))) {
        ::unlink(temp.c_str());
        return false;
    }
    syncFolder(folder);
    return true;
}

bool PosixFileSystem::appendDurably(const std::filesystem::path& file, std::string_view bytes)
{
    FileDescriptor fd(::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0600));
    if (!fd.valid())
        return failed("opening");
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        t_lastError = "it is not a regular file";
        return false;
    }
    const bool created = info.st_size == 0;
    if (!writeAll(fd.get(), bytes))
        return false;
    if (::fdatasync(fd.get()) != 0)
        return failed("flushing");
    if (!fd.close())
        return failed("closing");
    if (created)
        syncFolder(folderOf(file));
    return true;
}

void PosixFileSystem::removeLeftovers(const std::filesystem::path& file)
{
    const auto folder = folderOf(file);
    const std::string name = file.filename().string();
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view candidate = entry->d_name;
        if (!isLeftoverOfStore(name, candidate))
            continue;
        const auto path = folder / std::string(candidate);
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid())
            ::unlink(path.c_str());
    }
    ::closedir(dir);
}

FileSystem::Kind PosixFileSystem::kindOf(const std::filesystem::path& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? Kind::Missing : Kind::Regular;
    if (S_ISDIR(info.st_mode))
        return Kind::Folder;
    return S_ISREG(info.st_mode) ? Kind::Regular : Kind::Special;
}

std::string PosixFileSystem::lastError() const
{
    return t_lastError;
}

bool PosixFileSystem::remove(const std::filesystem::path& file)
{
    return ::unlink(file.c_str()) == 0;
}

bool PosixFileSystem::exists(const std::filesystem::path& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

bool PosixFileSystem::renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to)
{
    // A hard link never replaces an existing name; the old name goes only
    // once the new one stands. Folders cannot be linked: rename those after
    // making sure the name is free.
    if (::link(from.c_str(), to.c_str()) == 0)
        return ::unlink(from.c_str()) == 0;
    std::error_code error;
    if (errno == EEXIST || std::filesystem::exists(to, error))
        return false;
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool PosixFileSystem::isWritableFolder(const std::filesystem::path& folder, bool create)
{
    std::error_code error;
    if (create) {
        std::filesystem::create_directories(folder, error);
        if (!error)
            ::chmod(folder.c_str(), 0700);
    }
    if (!std::filesystem::is_directory(folder, error))
        return false;
    // Permission bits say nothing about read-only mounts, and root passes
    // them all: try to create a file instead.
    std::string probe = (folder / ".tarnquill-probe.XXXXXX").string();
    FileDescriptor fd(::mkostemp(probe.data(), O_CLOEXEC));
    if (!fd.valid())
        return false;
    fd.close();
    ::unlink(probe.c_str());
    return true;
}

namespace native {

std::unique_ptr<FileSystem> makeFileSystem()
{
    return std::make_unique<PosixFileSystem>();
}

} // namespace native

} // namespace tarnquill
