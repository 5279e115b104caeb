// SPDX-License-Identifier: MIT
#pragma once

#include "history/FileSystem.h"

namespace tarnquill {

// Files on a POSIX system. Every file it creates is private to its owner
// (mode 0600): the history may hold whatever the user copied.
class PosixFileSystem final : public FileSystem {
public:
    bool touch(const std::filesystem::path& file) override;
    std::optional<std::string> readAll(const std::filesystem::path& file) override;
    bool replaceAtomically(const std::filesystem::path& file, std::string_view bytes) override;
    bool remove(const std::filesystem::path& file) override;
    bool exists(const std::filesystem::path& path) override;
    bool renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) override;
    bool isWritableFolder(const std::filesystem::path& folder, bool create) override;
    Kind kindOf(const std::filesystem::path& path) override;
    bool replaceAtomically(const std::filesystem::path& file, std::string_view bytes,
                           const std::function<bool()>& beforeRename) override;
    bool replaceStreamed(const std::filesystem::path& file, const ByteSource& source,
                         const std::function<bool()>& beforeRename) override;
    bool appendDurably(const std::filesystem::path& file, std::string_view bytes) override;
    void removeLeftovers(const std::filesystem::path& file) override;
    std::string lastError() const override;
};

} // namespace tarnquill
