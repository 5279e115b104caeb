// SPDX-License-Identifier: MIT
#include "platform/linux/WindowsPaths.h"

#include <algorithm>
#include <cctype>

namespace tarnquill::windowspaths {

namespace {

char upper(char c)
{
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool match(std::string_view name, std::string_view pattern)
{
    // Iterative glob with one backtracking point for the last `*`.
    std::size_t n = 0;
    std::size_t p = 0;
    std::size_t starPattern = std::string_view::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || upper(pattern[p]) == upper(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starPattern = p++;
            starName = n;
        } else if (starPattern != std::string_view::npos) {
            p = starPattern + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace

std::optional<std::string> toLinux(std::string_view windowsPath)
{
    std::string path(windowsPath);
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.size() >= 2 && path[1] == ':') {
        const char drive = upper(path[0]);
        if (drive != '/' && drive != 'C' && drive != 'Z')
            return std::nullopt;
        path = "/" + path.substr(2);
    }
    return path;
}

bool wildcardMatch(std::string_view name, std::string_view pattern)
{
    if (match(name, pattern))
        return true;
    return pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
        match(name, pattern.substr(0, pattern.size() - 2));
}

bool ntfsLess(std::string_view a, std::string_view b)
{
    const auto byUpper = [](char x, char y) {
        return static_cast<unsigned char>(upper(x)) < static_cast<unsigned char>(upper(y));
    };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), byUpper))
        return true;
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), byUpper))
        return false;
    return a < b;
}

} // namespace tarnquill::windowspaths
