#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tarnquill {

// The few file operations the history needs, so that each platform can make a
// save durable in its own way and tests can inject faults. Paths are UTF-8.
class FileSystem {
public:
    FileSystem() = default;
    FileSystem(const FileSystem&) = delete;
    FileSystem& operator=(const FileSystem&) = delete;
    virtual ~FileSystem() = default;

    // Creates an empty file (private to its owner) when none exists; leaves an
    // existing one untouched. False when the file cannot be created.
    virtual bool touch(const std::filesystem::path& file) = 0;

    // The whole content of the file; nullopt when it is missing or unreadable.
    virtual std::optional<std::string> readAll(const std::filesystem::path& file) = 0;

    // Replaces the file's content as a whole: writes a temporary file in the
    // same folder, flushes it to disk and renames it over the file. On any
    // failure the previous file stays as it was and false is returned.
    virtual bool replaceAtomically(const std::filesystem::path& file, std::string_view bytes) = 0;

    // Deletes the file. False when it does not exist or cannot be deleted.
    virtual bool remove(const std::filesystem::path& file) = 0;

    // True when something (a file, a folder) stands at the path.
    virtual bool exists(const std::filesystem::path& path) = 0;

    // Gives the file another name in the same folder, replacing nothing: false
    // when `to` exists already or the file cannot be renamed.
    virtual bool renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) = 0;

    // True when files can be created in the folder (tried, not guessed from
    // permission bits, so read-only mounts and ACLs count). Creates the
    // folder first when `create` is set.
    virtual bool isWritableFolder(const std::filesystem::path& folder, bool create) = 0;
};

} // namespace tarnquill
