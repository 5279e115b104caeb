#pragma once

#include "history/FileSystem.h"

#include <filesystem>

namespace tarnquill {

inline constexpr const char* kStoreFileName = "tcb.txt";

// The folder that holds the store: the program's own folder when files can be
// written there, otherwise the per-user data folder (created when missing),
// as the system's file virtualisation does for a program that writes beside
// itself. When neither can be written the program folder is kept, so every
// save is tried again there. An installed program (`programInstalled`) never
// keeps its store beside itself, even where an administrator could write
// there: the per-user data folder is used whenever there is one.
std::filesystem::path chooseStoreFolder(FileSystem& files,
                                        const std::filesystem::path& programFolder,
                                        const std::filesystem::path& userDataFolder,
                                        bool programInstalled = false);

} // namespace tarnquill
