// SPDX-License-Identifier: MIT
#pragma once

#include "winapi/Win32Types.h"

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnquill::registry {

// The Exec line of a desktop entry that starts what a Run value names.
//
// A value whose data starts with a double quote is a Windows command line (a
// quoted program, then arguments split by the Windows rules); any other value
// is one program path, blanks and all, as the start-up entry is written. A
// program path that is absolute on Linux has its Windows separators turned
// into "/": the entry is written as folder + "\" + name whatever the platform.
// Each argument is quoted and escaped as the Desktop Entry rules require
// (reserved characters, "%" as "%%", then the string escapes of the file).
// A program path holding "%" is started through "sh -c", for GLib's sake.
std::string desktopExec(std::string_view command);

// A file name stem for the value: letters, digits, "-", "_" and "." kept,
// anything else "_", no leading dot, at most 100 bytes.
std::string autostartFileStem(std::string_view valueName);

// The key every entry written here carries, holding the Run value's name: the
// store only ever rewrites or deletes files that carry it.
inline constexpr std::string_view kRunValueKey = "X-Tarnquill-Run-Value";

// One XDG autostart folder mirroring one Run key: each REG_SZ value is a
// desktop entry there, named after the value.
class AutostartFolder final {
public:
    // avoid: folders whose file names an entry here must not take, because the
    // entry would hide theirs.
    AutostartFolder(std::filesystem::path folder, std::vector<std::filesystem::path> avoid, mode_t folderMode);

    // Writes the entry of the value, or updates the one written before.
    LONG put(std::string_view valueName, std::string_view command);
    // Deletes the entry of the value; an entry that is not there is no error.
    LONG remove(std::string_view valueName);

    const std::filesystem::path& folder() const { return m_folder; }

private:
    std::vector<std::filesystem::path> entriesOf(std::string_view valueName) const;
    bool nameIsFree(const std::string& fileName) const;

    std::filesystem::path m_folder;
    std::vector<std::filesystem::path> m_avoid;
    mode_t m_folderMode;
};

// The Run value named by a desktop entry's marker, if the entry has one.
std::optional<std::string> runValueOfEntry(std::string_view entryText);

} // namespace tarnquill::registry
