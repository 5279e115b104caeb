// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <functional>
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

    // What stands at the path, following symbolic links. Special: a FIFO, a
    // socket or a device, which would block a read or a write.
    enum class Kind { Missing, Regular, Folder, Special };
    virtual Kind kindOf(const std::filesystem::path& path) { return exists(path) ? Kind::Regular : Kind::Missing; }

    // As replaceAtomically, and `beforeRename` runs once the new content is
    // on disk but before it replaces the file; when it returns false the file
    // is left as it was. A journal uses it to have its own successor durable
    // before the store it refers to changes.
    virtual bool replaceAtomically(const std::filesystem::path& file, std::string_view bytes,
                                   const std::function<bool()>& beforeRename)
    {
        return beforeRename() && replaceAtomically(file, bytes);
    }

    // The new content of a file, handed piece by piece to `write`; false
    // when `write` failed (or the content could not be made).
    using ByteSink = std::function<bool(std::string_view)>;
    using ByteSource = std::function<bool(const ByteSink& write)>;

    // As replaceAtomically with `beforeRename`, the content coming from
    // `source` as it is written, so that it need not be held in memory whole.
    virtual bool replaceStreamed(const std::filesystem::path& file, const ByteSource& source,
                                 const std::function<bool()>& beforeRename)
    {
        std::string bytes;
        if (!source([&bytes](std::string_view piece) {
                bytes += piece;
                return true;
            }))
            return false;
        return replaceAtomically(file, bytes, beforeRename);
    }

    // Appends the bytes to the file (creating it, private to its owner) and
    // flushes them to disk before returning. False on any failure; a part of
    // the bytes may then have been written.
    virtual bool appendDurably(const std::filesystem::path& file, std::string_view bytes)
    {
        auto content = readAll(file).value_or(std::string());
        content.append(bytes);
        return replaceAtomically(file, content);
    }

    // Removes what earlier saves of the file left behind when the process was
    // killed in the middle (their temporary files). Call only while no other
    // process can be saving the same file.
    virtual void removeLeftovers(const std::filesystem::path& file) { (void)file; }

    // Why the last failed call of this thread failed, in words for the user;
    // empty when unknown.
    virtual std::string lastError() const { return {}; }
};

} // namespace tarnquill
