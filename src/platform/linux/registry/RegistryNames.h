// SPDX-License-Identifier: MIT
#pragma once

#include "winapi/Win32Types.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarnquill::registry {

// The form under which key and value names are compared and sorted: every
// character upper-cased by its simple Unicode mapping, as the Windows registry
// compares names (so "_" sorts after the letters, as it does there). Names are
// UTF-8; bytes that are not valid UTF-8 are kept as they stand, ASCII letters
// among them still upper-cased.
std::string foldName(std::string_view name);

// Longest key name component, in characters, that Windows accepts.
inline constexpr std::size_t kMaxKeyNameLength = 255;

struct KeyPath {
    LONG status = ERROR_SUCCESS;
    std::vector<std::string> components;
};

// Splits a sub-key path at its backslashes the way the Windows registry parses
// one: empty components (a trailing "\" or a doubled separator) are skipped,
// so "a\\b\" names the same key as "a\b"; a path that starts with "\" is
// refused with ERROR_BAD_PATHNAME, and a component longer than 255 characters
// with ERROR_INVALID_PARAMETER.
KeyPath splitKeyPath(std::string_view path);

} // namespace tarnquill::registry
