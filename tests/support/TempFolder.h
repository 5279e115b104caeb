// SPDX-License-Identifier: MIT
#pragma once

// Files for tests that never touch the user's own: a fresh folder under the
// system's temporary folder, removed with everything in it, and whole-file
// reads and writes. Builds for Linux and Windows alike.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tarnquill::test {

// A fresh folder under the temporary folder ($TMPDIR, or %TEMP% on Windows),
// removed by the destructor with everything in it, read-only parts included.
// TARNQUILL_KEEP_TEMP=1 keeps it for a post-mortem. Throws when it cannot be
// made.
class TempFolder final {
public:
    explicit TempFolder(std::string_view prefix = "tarnquill-test");
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::filesystem::path& sub) const { return m_path / sub; }

private:
    std::filesystem::path m_path;
};

// The whole content of a file, or nullopt when it cannot be read.
std::optional<std::string> readFile(const std::filesystem::path& path);
// Replaces the file's content with `bytes`; throws when it cannot.
void writeFile(const std::filesystem::path& path, std::string_view bytes);

} // namespace tarnquill::test
