#pragma once

#include "history/FileSystem.h"

#include <filesystem>
#include <memory>

// Implemented once per platform folder (library tarnquill_native); the core
// never includes this header.
namespace tarnquill::native {

// The file system of this platform, with durable whole-file replacement.
std::unique_ptr<FileSystem> makeFileSystem();

// The real folder of the running executable (symbolic links resolved).
std::filesystem::path programFolder();

// The per-user data folder for Tarnquill (not created here):
// $XDG_DATA_HOME/tarnquill or ~/.local/share/tarnquill on Linux,
// %LOCALAPPDATA%\Tarnquill on Windows.
std::filesystem::path userDataFolder();

} // namespace tarnquill::native
