// SPDX-License-Identifier: MIT
#pragma once

#include "history/FileSystem.h"
#include "history/StoreLocation.h"

#include <filesystem>
#include <string>
#include <vector>

namespace tarnquill::app {

// What the program's command line asks for. With no arguments it runs with
// the default store, as it always did.
struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    // --store FILE as given (UTF-8 on Windows, the bytes on Linux); empty for
    // the default store.
    std::string storeFile;
    // For Error: one line, without the program's name or a line end.
    std::string error;
};

// The arguments after the program's name. --help and --version win over
// everything after them; an unknown option, a missing or empty FILE and a
// second --store are errors.
CommandLine parseCommandLine(const std::vector<std::string>& args);

// The file --store names (UTF-8, as parsed): a relative one is taken from
// `currentFolder`, and the result is normalised, so that every spelling of
// one file gives one single-instance key. Empty, with `error` set to one
// line, when the file cannot hold a store: its folder is missing, or it is a
// folder itself.
std::filesystem::path givenStoreFile(const std::string& given, const std::filesystem::path& currentFolder,
                                     std::string& error);

// The store a start uses: the file --store names (see givenStoreFile, from
// the current folder), or tcb.txt in the folder chooseStoreFolder picks among
// `folders()`, which is asked only then. Empty, with `error` set, when --store
// names a file that cannot hold a store.
std::filesystem::path storeFileFor(const CommandLine& commandLine, FileSystem& files, ProgramFolders (*folders)(),
                                   std::string& error);

// The texts printed for --help and --version, each ending in a line end.
std::string helpText();
std::string versionText();

// The exit status of a command line that cannot be run.
inline constexpr int kUsageExitStatus = 2;

} // namespace tarnquill::app
