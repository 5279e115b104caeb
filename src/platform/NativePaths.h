// SPDX-License-Identifier: MIT
#pragma once

#include "history/FileSystem.h"
#include "history/StoreLocation.h"

#include <filesystem>
#include <memory>

// Implemented once per platform folder (library tarnquill_native); the core
// never includes this header.
namespace tarnquill::native {

// The file system of this platform, with durable whole-file replacement.
std::unique_ptr<FileSystem> makeFileSystem();

// The real folder of the running executable (symbolic links resolved).
std::filesystem::path programFolder();

// Whether `folder`, the program's folder, is an installation: a bin folder
// with the program's desktop entry under its prefix on Linux (the layout of
// `cmake --install` and the packages), Program Files on Windows. An installed
// program never keeps its store beside itself, even where an administrator
// could write there.
bool isInstalledProgramFolder(const std::filesystem::path& folder);

// The per-user data folder for Tarnquill (not created here):
// $XDG_DATA_HOME/tarnquill or ~/.local/share/tarnquill on Linux,
// %LOCALAPPDATA%\Tarnquill on Windows.
std::filesystem::path userDataFolder();

// The program's folder, the per-user data folder and whether the program is
// installed, together.
inline ProgramFolders programFolders()
{
    const auto folder = programFolder();
    return {folder, userDataFolder(), isInstalledProgramFolder(folder)};
}

} // namespace tarnquill::native
