// SPDX-License-Identifier: MIT
#pragma once

#include "history/FileSystem.h"

namespace tarnquill {

// Files on Windows, through the W functions (paths are std::filesystem::path,
// whose native form there is UTF-16). Every file it creates is private to its
// owner: a protected DACL grants access to the current user (and SYSTEM) only.
// Only files on a disk are opened as the store: a named pipe or another device
// path is neither read nor written, so it can neither block nor be destroyed.
class Win32FileSystem final : public FileSystem {
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
    bool appendDurably(const std::filesystem::path& file, std::string_view bytes) override;
    void removeLeftovers(const std::filesystem::path& file) override;
    std::string lastError() const override;
};

// The form of `path` to hand to a W function: unchanged when short; made
// absolute, normalised and given the \\?\ prefix when it would pass MAX_PATH.
std::wstring win32PathOf(const std::filesystem::path& path);

} // namespace tarnquill
