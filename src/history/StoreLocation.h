// SPDX-License-Identifier: MIT
#pragma once

#include "history/FileSystem.h"

#include <filesystem>
#include <string_view>

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

// What chooseStoreFolder chooses from, as the running program finds it.
struct ProgramFolders {
    std::filesystem::path program;
    std::filesystem::path userData;
    bool installed = false;
};

// Saves write "<file>.tmp-XXXXXX" beside the file and rename it over the
// file; older versions wrote "<file>.XXXXXX". True when `candidate`, a name in
// the store's folder, is such a temporary file of the store or of its journals
// ("<store>.journal", "<store>.journal-next"), which a killed save can leave
// behind. Names such as "tcb.txt.backup" are the user's own and never match.
inline constexpr std::string_view kTemporaryInfix = ".tmp-";
bool isLeftoverOfStore(std::string_view storeName, std::string_view candidate);

} // namespace tarnquill
