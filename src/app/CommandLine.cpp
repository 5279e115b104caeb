// SPDX-License-Identifier: MIT
#include "app/CommandLine.h"

#ifndef TARNQUILL_VERSION
#define TARNQUILL_VERSION "0"
#endif

namespace tarnquill::app {

namespace {

constexpr const char* kStoreOption = "--store";

CommandLine failure(std::string message)
{
    CommandLine line;
    line.action = CommandLine::Action::Error;
    line.error = std::move(message) + "; --help explains the command line";
    return line;
}

} // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args)
{
    CommandLine line;
    bool storeGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            line.action = CommandLine::Action::Help;
            return line;
        }
        if (arg == "--version") {
            line.action = CommandLine::Action::Version;
            return line;
        }
        std::string file;
        if (arg == kStoreOption) {
            if (i + 1 == args.size())
                return failure("--store needs a FILE");
            file = args[++i];
        } else if (arg.rfind("--store=", 0) == 0) {
            file = arg.substr(8);
        } else {
            return failure("unknown " + std::string(arg.size() > 1 && arg[0] == '-' ? "option" : "argument") + " '"
                           + arg + "'");
        }
        if (file.empty())
            return failure("--store needs a FILE");
        if (storeGiven)
            return failure("--store given twice");
        storeGiven = true;
        line.storeFile = std::move(file);
    }
    return line;
}

std::filesystem::path givenStoreFile(const std::string& given, const std::filesystem::path& currentFolder,
                                     std::string& error)
{
    const std::u8string utf8(reinterpret_cast<const char8_t*>(given.data()), given.size());
    const std::filesystem::path file = (currentFolder / std::filesystem::path(utf8)).lexically_normal();
    const auto shown = [](const std::filesystem::path& path) {
        const std::u8string text = path.u8string();
        return '"' + std::string(reinterpret_cast<const char*>(text.data()), text.size()) + '"';
    };
    std::error_code ignored;
    if (!std::filesystem::is_directory(file.parent_path(), ignored)) {
        error = "no folder " + shown(file.parent_path()) + " for the store";
        return {};
    }
    if (std::filesystem::is_directory(file, ignored)) {
        error = "the store " + shown(file) + " is a folder";
        return {};
    }
    return file;
}

std::filesystem::path storeFileFor(const CommandLine& commandLine, FileSystem& files, ProgramFolders (*folders)(),
                                   std::string& error)
{
    if (commandLine.storeFile.empty()) {
        const ProgramFolders found = folders();
        return chooseStoreFolder(files, found.program, found.userData, found.installed) / kStoreFileName;
    }
    std::error_code ignored;
    return givenStoreFile(commandLine.storeFile, std::filesystem::current_path(ignored), error);
}

std::string helpText()
{
    return "Usage: tarnquill [--store FILE]\n"
           "       tarnquill --help | --version\n"
           "Keeps the texts copied on the desktop and gives them back with a click.\n"
           "\n"
           "  --store FILE  keep the history in FILE instead of the default tcb.txt\n"
           "                (one instance runs per history file)\n"
           "  --help        print this help and exit\n"
           "  --version     print the version and exit\n";
}

std::string versionText()
{
    return std::string("tarnquill ") + TARNQUILL_VERSION + "\n";
}

} // namespace tarnquill::app
