// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace tarnquill::registry {

// A file association as HKEY_CLASSES_ROOT holds it: `.extension` names the
// class, whose shell\open\command is the command line ("%1" the file).
struct ClassAssociation {
    std::string extension; // without its dot
    std::string className;
    std::string displayName; // the class key's default value
    std::string command;
};

// A command for every file: *\shell\NAME\Command.
struct FileVerb {
    std::string name;
    std::string command;
};

struct ClassesSnapshot {
    std::vector<ClassAssociation> associations;
    std::vector<FileVerb> verbs;
};

// Where the desktop looks for what the live classes write.
struct LiveClassesFolders {
    // $XDG_DATA_HOME: mime/packages, applications, kio/servicemenus,
    // nautilus/scripts. Empty: the classes are not mirrored at all.
    std::filesystem::path dataHome;
    // $XDG_CONFIG_HOME: mimeapps.list, the user's default applications.
    std::filesystem::path configHome;
    // $XDG_DATA_DIRS: the MIME types the system already knows.
    std::vector<std::filesystem::path> dataDirs;
};

// The desktop's side of HKEY_CLASSES_ROOT for one user. A file association
// becomes a MIME glob in the user's MIME database (or, for an extension the
// system already knows, that type), a desktop entry whose Exec runs the
// command with the file in place of "%1", and the default application of the
// type in mimeapps.list. A command for every file becomes a Dolphin service
// menu and a Nautilus script.
//
// Every file written carries a marker naming the class or verb it stands for;
// only files with the marker are ever rewritten or deleted, and of
// mimeapps.list only the lines that name an entry written here.
class LiveClasses final {
public:
    explicit LiveClasses(LiveClassesFolders folders);

    bool enabled() const { return !m_folders.dataHome.empty(); }

    // Brings the files in line with the classes: writes what is missing or
    // changed, deletes what no longer has a key, and refreshes the MIME and
    // desktop databases when their files changed. Best effort: a file that
    // cannot be written is skipped.
    void sync(const ClassesSnapshot& classes);

    // The MIME type a class's own extensions get.
    static std::string mimeTypeOf(const std::string& className);
    // The Exec line for a Windows command line: the program (a Linux path
    // with "\" turned to "/", a missing "x.exe" found as "x"), its arguments,
    // "%1" as the file (appended when the command has none).
    static std::string execOf(const std::string& command);

private:
    std::string knownTypeOf(const std::string& extension) const;

    LiveClassesFolders m_folders;
};

} // namespace tarnquill::registry
