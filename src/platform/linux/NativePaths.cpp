// SPDX-License-Identifier: MIT
#include "platform/NativePaths.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace tarnquill::native {

std::filesystem::path programFolder()
{
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return std::filesystem::current_path(error);
    return exe.parent_path();
}

bool isInstalledProgramFolder(const std::filesystem::path& folder)
{
    std::error_code error;
    return folder.filename() == "bin"
        && std::filesystem::exists(folder.parent_path() / "share" / "applications" / "tarnquill.desktop", error);
}

std::filesystem::path userDataFolder()
{
    // The XDG base directory rules: a relative XDG_DATA_HOME is invalid and ignored.
    if (const char* dataHome = std::getenv("XDG_DATA_HOME"); dataHome && dataHome[0] == '/')
        return std::filesystem::path(dataHome) / "tarnquill";
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* user = ::getpwuid(::getuid());
        home = user ? user->pw_dir : nullptr;
    }
    if (!home || !*home)
        return {};
    return std::filesystem::path(home) / ".local" / "share" / "tarnquill";
}

} // namespace tarnquill::native
