// SPDX-License-Identifier: MIT
// Files and machine: wildcard searches in NTFS's order, attributes, disk
// space, volume data, and the computer and user names.

#include "platform/linux/LinuxWin32Api.h"

#include "platform/linux/WindowsPaths.h"

#include <blkid/blkid.h>
#include <gio/gio.h>

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

namespace tarnquill {

namespace {

// TRUE and FALSE are GLib's (1 and 0, as the system's).

constexpr DWORD kReadOnly = 0x01;
constexpr DWORD kHidden = 0x02;
constexpr DWORD kNormal = 0x80;
constexpr DWORD kReparsePoint = 0x400;

// File-system flags (FILE_*), as Windows reports them for its own volumes.
constexpr DWORD kCaseSensitiveSearch = 0x1;
constexpr DWORD kCasePreservedNames = 0x2;
constexpr DWORD kUnicodeOnDisk = 0x4;
constexpr DWORD kPersistentAcls = 0x8;
constexpr DWORD kSparseFiles = 0x40;
constexpr DWORD kReparsePoints = 0x80;
constexpr DWORD kReadOnlyVolume = 0x80000;
constexpr DWORD kHardLinks = 0x400000;

// Seconds from 1601-01-01 (FILETIME's epoch) to 1970-01-01.
constexpr std::int64_t kEpochOffset = 11644473600;

FileTime fileTime(const timespec& time)
{
    const auto ticks = static_cast<std::uint64_t>((time.tv_sec + kEpochOffset) * 10000000 + time.tv_nsec / 100);
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The attribute bits of an entry whose stat (links followed) is `info`.
DWORD attributesOf(const std::string& path, const std::string& name, const struct stat& info)
{
    DWORD attributes = 0;
    if (S_ISDIR(info.st_mode))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (access(path.c_str(), W_OK) != 0 && !S_ISDIR(info.st_mode))
        attributes |= kReadOnly;
    if (name.size() > 1 && name[0] == '.' && name != "..")
        attributes |= kHidden;
    return attributes == 0 ? kNormal : attributes;
}

// A link to a folder that is the folder it stands in, or one of the folders
// the path went through to get there, would be searched for ever: such a
// link counts as a plain reparse point, not as a folder. The walk goes up the
// path as written, so a loop through several links ends at its first repeat.
bool closesALoop(const std::string& linuxPath, const struct stat& target)
{
    std::string ancestor = linuxPath;
    while (true) {
        const std::size_t cut = ancestor.find_last_of('/');
        if (cut == std::string::npos)
            ancestor = ".";
        else
            ancestor.erase(cut == 0 ? 1 : cut);
        struct stat info {};
        if (::stat(ancestor.c_str(), &info) == 0 && sameFile(info, target))
            return true;
        if (ancestor == "/" || ancestor == ".")
            return false;
    }
}

void putName(Win32FindDataA& record, const std::string& name)
{
    record.cFileName.fill('\0');
    std::memcpy(record.cFileName.data(), name.data(), std::min(name.size(), record.cFileName.size() - 1));
}

// Writes `text` and a NUL into a caller's buffer of `capacity` (never past
// the buffer's own end); false when they do not fit.
bool putWithNul(std::string& buffer, DWORD capacity, const std::string& text)
{
    if (text.size() + 1 > std::min<std::size_t>(capacity, buffer.size()))
        return false;
    buffer.replace(0, text.size(), text);
    buffer[text.size()] = '\0';
    return true;
}

struct Mount {
    std::string mountPoint;
    std::string type;
    std::string source;
    bool readOnly = false;
};

// The mount-table line of the file system holding `device`, the deepest one
// when several mounts share it.
std::optional<Mount> mountOf(dev_t device, const std::string& realPath)
{
    std::ifstream table("/proc/self/mountinfo");
    std::optional<Mount> found;
    const std::string wanted = std::to_string(major(device)) + ":" + std::to_string(minor(device));
    for (std::string line; std::getline(table, line);) {
        std::istringstream fields(line);
        std::string id, parent, numbers, root, mountPoint, options;
        fields >> id >> parent >> numbers >> root >> mountPoint >> options;
        if (numbers != wanted)
            continue;
        std::string field;
        while (fields >> field && field != "-") {
        }
        Mount mount;
        fields >> mount.type >> mount.source;
        mount.mountPoint = mountPoint;
        mount.readOnly = ("," + options + ",").find(",ro,") != std::string::npos;
        const bool holdsPath = realPath.compare(0, mountPoint.size(), mountPoint) == 0;
        if (!found || (holdsPath && mountPoint.size() >= found->mountPoint.size()))
            found = mount;
    }
    return found;
}

struct BlkidProbe {
    void operator()(blkid_probe probe) const { blkid_free_probe(probe); }
};

// The label and UUID the volume's superblock carries; empty when its device
// cannot be read (no device, not allowed).
std::pair<std::string, std::string> superblockLabel(const std::string& device)
{
    if (device.rfind("/dev/", 0) != 0)
        return {};
    const std::unique_ptr<blkid_struct_probe, BlkidProbe> probe(blkid_new_probe_from_filename(device.c_str()));
    if (!probe)
        return {};
    blkid_probe_enable_superblocks(probe.get(), 1);
    blkid_probe_set_superblocks_flags(probe.get(), BLKID_SUBLKS_LABEL | BLKID_SUBLKS_UUID);
    if (blkid_do_safeprobe(probe.get()) != 0)
        return {};
    const char* value = nullptr;
    std::pair<std::string, std::string> result;
    if (blkid_probe_lookup_value(probe.get(), "LABEL", &value, nullptr) == 0)
        result.first = value;
    if (blkid_probe_lookup_value(probe.get(), "UUID", &value, nullptr) == 0)
        result.second = value;
    return result;
}

// A volume's 32-bit serial: the first eight hex digits of its UUID (a FAT
// volume's "ABCD-1234" is its serial 0xABCD1234 exactly), else the low word
// of the file-system id.
std::optional<DWORD> serialFromUuid(const std::string& uuid)
{
    std::string digits;
    for (const char c : uuid) {
        if (std::isxdigit(static_cast<unsigned char>(c)))
            digits += c;
        if (digits.size() == 8)
            return static_cast<DWORD>(std::stoul(digits, nullptr, 16));
    }
    return std::nullopt;
}

DWORD volumeFlags(const std::string& type, bool readOnly)
{
    DWORD flags = 0;
    if (type == "vfat" || type == "msdos" || type == "exfat")
        flags = kCasePreservedNames | kUnicodeOnDisk;
    else if (type == "ntfs" || type == "ntfs3" || type == "fuseblk")
        flags = kCasePreservedNames | kUnicodeOnDisk | kPersistentAcls | kSparseFiles | kReparsePoints | kHardLinks;
    else
        flags = kCaseSensitiveSearch | kCasePreservedNames | kUnicodeOnDisk | kPersistentAcls | kSparseFiles |
            kReparsePoints | kHardLinks;
    return readOnly ? flags | kReadOnlyVolume : flags;
}

} // namespace

HANDLE LinuxWin32Api::FindFirstFileA(const std::string& pattern, Win32FindDataA& data)
{
    const auto mapped = windowspaths::toLinux(pattern);
    if (!mapped)
        return INVALID_HANDLE_VALUE;
    const std::size_t cut = mapped->find_last_of('/');
    const std::string folder = cut == std::string::npos ? "." : mapped->substr(0, cut + 1);
    const std::string wildcard = cut == std::string::npos ? *mapped : mapped->substr(cut + 1);
    if (wildcard.empty())
        return INVALID_HANDLE_VALUE;

    const std::unique_ptr<DIR, int (*)(DIR*)> directory(opendir(folder.c_str()), closedir);
    if (!directory)
        return INVALID_HANDLE_VALUE;
    std::vector<std::string> names;
    while (const dirent* entry = readdir(directory.get())) {
        const std::string name = entry->d_name;
        // The root has no parent entries, as a drive's root has none.
        if (folder == "/" && (name == "." || name == ".."))
            continue;
        if (windowspaths::wildcardMatch(name, wildcard))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end(), windowspaths::ntfsLess);

    FileSearch search;
    for (const std::string& name : names) {
        const std::string path = folder + name;
        struct stat info {};
        struct stat link {};
        if (::lstat(path.c_str(), &link) != 0)
            continue;
        const bool followed = ::stat(path.c_str(), &info) == 0;
        Win32FindDataA record;
        record.dwFileAttributes = followed ? attributesOf(path, name, info) : kReparsePoint;
        const struct stat& shown = followed ? info : link;
        if (S_ISLNK(link.st_mode))
            record.dwFileAttributes |= kReparsePoint;
        if (!S_ISDIR(shown.st_mode)) {
            const auto size = static_cast<std::uint64_t>(shown.st_size);
            record.nFileSizeHigh = static_cast<DWORD>(size >> 32);
            record.nFileSizeLow = static_cast<DWORD>(size);
        }
        record.ftCreationTime = fileTime(shown.st_mtim);
        record.ftLastAccessTime = fileTime(shown.st_atim);
        record.ftLastWriteTime = fileTime(shown.st_mtim);
        putName(record, name);
        search.entries.push_back(record);
    }
    if (search.entries.empty())
        return INVALID_HANDLE_VALUE;
    data = search.entries.front();
    search.next = 1;
    do {
        m_lastFileSearch = m_lastFileSearch == 0x3FFFFFFF ? 1 : m_lastFileSearch + 1;
    } while (m_fileSearches.count(m_lastFileSearch) != 0);
    m_fileSearches.emplace(m_lastFileSearch, std::move(search));
    return m_lastFileSearch;
}

BOOL LinuxWin32Api::FindNextFileA(HANDLE hFindFile, Win32FindDataA& data)
{
    const auto found = m_fileSearches.find(hFindFile);
    if (found == m_fileSearches.end() || found->second.next >= found->second.entries.size())
        return FALSE;
    data = found->second.entries[found->second.next++];
    return TRUE;
}

BOOL LinuxWin32Api::FindClose(HANDLE hFindFile)
{
    return m_fileSearches.erase(hFindFile) != 0 ? TRUE : FALSE;
}

DWORD LinuxWin32Api::GetFileAttributesA(const std::string& path)
{
    auto mapped = windowspaths::toLinux(path);
    if (!mapped)
        return INVALID_FILE_ATTRIBUTES;
    while (mapped->size() > 1 && mapped->back() == '/')
        mapped->pop_back();
    struct stat link {};
    struct stat info {};
    if (::lstat(mapped->c_str(), &link) != 0)
        return INVALID_FILE_ATTRIBUTES;
    if (::stat(mapped->c_str(), &info) != 0)
        return kReparsePoint; // a dangling link
    const std::size_t cut = mapped->find_last_of('/');
    const std::string name = cut == std::string::npos ? *mapped : mapped->substr(cut + 1);
    DWORD attributes = attributesOf(*mapped, name, info);
    if (S_ISLNK(link.st_mode)) {
        attributes |= kReparsePoint;
        if (S_ISDIR(info.st_mode) && closesALoop(*mapped, info))
            attributes &= ~FILE_ATTRIBUTE_DIRECTORY;
    }
    return attributes;
}

BOOL LinuxWin32Api::GetDiskFreeSpaceA(const std::string& rootPath, DWORD& sectorsPerCluster, DWORD& bytesPerSector,
                                      DWORD& freeClusters, DWORD& totalClusters)
{
    const auto mapped = windowspaths::toLinux(rootPath);
    struct statvfs volume {};
    if (!mapped || mapped->empty() || ::statvfs(mapped->c_str(), &volume) != 0)
        return FALSE;
    std::uint64_t clusterBytes = volume.f_frsize != 0 ? volume.f_frsize : volume.f_bsize;
    std::uint64_t sector = clusterBytes % 512 == 0 ? 512 : clusterBytes;
    std::uint64_t sectors = clusterBytes / sector;
    // Free space is what this user may still write (df's "Avail").
    std::uint64_t available = volume.f_bavail;
    std::uint64_t total = volume.f_blocks;
    // Larger clusters until the counts fit their 32 bits.
    while (total > 0xFFFFFFFFu) {
        sectors *= 2;
        total /= 2;
        available /= 2;
    }
    sectorsPerCluster = static_cast<DWORD>(sectors);
    bytesPerSector = static_cast<DWORD>(sector);
    freeClusters = static_cast<DWORD>(available);
    totalClusters = static_cast<DWORD>(total);
    return TRUE;
}

BOOL LinuxWin32Api::GetVolumeInformationA(const std::string& rootPath, std::string& volumeName, DWORD volumeNameSize,
                                          DWORD& serialNumber, DWORD& maxComponentLength, DWORD& fileSystemFlags,
                                          std::string& fileSystemName, DWORD fileSystemNameSize)
{
    const auto mapped = windowspaths::toLinux(rootPath);
    struct stat info {};
    struct statvfs volume {};
    if (!mapped || mapped->empty() || ::stat(mapped->c_str(), &info) != 0 || ::statvfs(mapped->c_str(), &volume) != 0)
        return FALSE;
    char* resolved = realpath(mapped->c_str(), nullptr);
    const std::string realPath = resolved != nullptr ? resolved : *mapped;
    std::free(resolved);
    const std::optional<Mount> mount = mountOf(info.st_dev, realPath);
    if (!mount)
        return FALSE;
    const auto [label, uuid] = superblockLabel(mount->source);

    // A buffer of size 0 is not asked for; one too small fails the call.
    if ((volumeNameSize > 0 && label.size() + 1 > std::min<std::size_t>(volumeNameSize, volumeName.size())) ||
        (fileSystemNameSize > 0 &&
         mount->type.size() + 1 > std::min<std::size_t>(fileSystemNameSize, fileSystemName.size())))
        return FALSE;
    if (volumeNameSize > 0)
        putWithNul(volumeName, volumeNameSize, label);
    if (fileSystemNameSize > 0)
        putWithNul(fileSystemName, fileSystemNameSize, mount->type);
    serialNumber = serialFromUuid(uuid).value_or(static_cast<DWORD>(volume.f_fsid));
    maxComponentLength = static_cast<DWORD>(volume.f_namemax);
    fileSystemFlags = volumeFlags(mount->type, mount->readOnly || (volume.f_flag & ST_RDONLY) != 0);
    return TRUE;
}

BOOL LinuxWin32Api::GetComputerNameA(std::string& buffer, DWORD& nSize)
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return FALSE;
    const std::string text = name;
    // As GetComputerNameA: too small gives the size needed with its NUL.
    if (!putWithNul(buffer, nSize, text)) {
        nSize = static_cast<DWORD>(text.size() + 1);
        return FALSE;
    }
    nSize = static_cast<DWORD>(text.size());
    return TRUE;
}

BOOL LinuxWin32Api::SetComputerNameA(const std::string& name)
{
    // The static host name, which the system takes at its next start, as
    // Windows takes a new computer name. Through systemd's host-name service
    // on the system bus, which asks for authorisation where it is needed; a
    // refusal is Windows' access denied (FALSE). A connection of its own per
    // call, so the bus address is the one in force now.
    GError* error = nullptr;
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SYSTEM, nullptr, &error);
    if (address == nullptr) {
        g_clear_error(&error);
        return FALSE;
    }
    GDBusConnection* connection = g_dbus_connection_new_for_address_sync(
        address,
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    g_free(address);
    if (connection == nullptr) {
        g_clear_error(&error);
        return FALSE;
    }
    GVariant* reply = g_dbus_connection_call_sync(
        connection, "org.freedesktop.hostname1", "/org/freedesktop/hostname1", "org.freedesktop.hostname1",
        "SetStaticHostname", g_variant_new("(sb)", name.c_str(), TRUE), nullptr, G_DBUS_CALL_FLAGS_NONE, 25000,
        nullptr, &error);
    g_dbus_connection_close_sync(connection, nullptr, nullptr);
    g_object_unref(connection);
    if (reply == nullptr) {
        g_clear_error(&error);
        return FALSE;
    }
    g_variant_unref(reply);
    return TRUE;
}

BOOL LinuxWin32Api::GetUserNameA(std::string& buffer, DWORD& nSize)
{
    std::string text;
    std::vector<char> scratch(16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, scratch.data(), scratch.size(), &found) == 0 && found != nullptr)
        text = found->pw_name;
    else
        return FALSE;
    // As GetUserNameA: the size counts the NUL, on success and when too small.
    const bool fits = putWithNul(buffer, nSize, text);
    nSize = static_cast<DWORD>(text.size() + 1);
    return fits ? TRUE : FALSE;
}

} // namespace tarnquill
