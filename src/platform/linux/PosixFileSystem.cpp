#include "PosixFileSystem.h"

#include "platform/NativePaths.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <system_error>

namespace tarnquill {

namespace {

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
            return false;
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

} // namespace

bool PosixFileSystem::touch(const std::filesystem::path& file)
{
    FileDescriptor fd(::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600));
    return fd.valid() && fd.close();
}

std::optional<std::string> PosixFileSystem::readAll(const std::filesystem::path& file)
{
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid())
        return std::nullopt;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || S_ISDIR(info.st_mode))
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
    const auto folder = folderOf(file);
    std::string temp = (folder / (file.filename().string() + ".XXXXXX")).string();
    // mkstemp creates the file with mode 0600.
    FileDescriptor fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (!fd.valid())
        return false;

    const bool written = writeAll(fd.get(), bytes) && ::fsync(fd.get()) == 0 && fd.close();
    if (!written || ::rename(temp.c_str(), file.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    syncFolder(folder);
    return true;
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
