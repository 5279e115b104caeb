// SPDX-License-Identifier: MIT
#pragma once

// What the live keys of the registry share in writing desktop files: the
// Desktop Entry escapes, Windows command lines, atomic file writes.

#include "winapi/Win32Types.h"

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnquill::registry {

// The escapes of the "string" value type of desktop files.
std::string escapeString(std::string_view text);

// CommandLineToArgvW's rules: the program name runs to its closing quote with
// no escapes (or to the first blank), then arguments as Windows splits them.
std::vector<std::string> splitWindowsCommandLine(std::string_view line);

// One argument of an Exec line: quoted and escaped where the Desktop Entry
// rules require, "%" doubled.
std::string quoteArgument(std::string_view arg);

// The Windows status for an errno of a failed file operation.
LONG statusFromErrno(int error);

std::optional<std::string> readFile(const std::filesystem::path& file);

// Writes the whole file beside its final name and renames it into place, so
// a desktop reading meanwhile never sees half a file.
LONG writeFileAtomically(const std::filesystem::path& file, const std::string& text, mode_t mode = 0644);

} // namespace tarnquill::registry
