// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnquill::windowspaths {

// A path as the Win32 seam's callers write it, as a Linux path: `\` and `/`
// are both separators, and a drive root maps to a folder the way Wine's
// default drives do: `Z:` and `C:` are the root folder `/` (Z: is Wine's
// whole file system, C: the system's own drive), and `/:` (a root built from
// the first character of a Linux path) is `/` as well. Any other drive
// letter names a drive that does not exist: nullopt.
std::optional<std::string> toLinux(std::string_view windowsPath);

// `*` any run of characters, `?` any one character, letters compared without
// case; a pattern ending in ".*" also matches the names without that
// extension, so `*.*` matches every name, dotted or not.
bool wildcardMatch(std::string_view name, std::string_view pattern);

// NTFS's order of names: by their upper-cased form (ASCII letters), then byte
// by byte.
bool ntfsLess(std::string_view a, std::string_view b);

} // namespace tarnquill::windowspaths
