// SPDX-License-Identifier: MIT
#include "platform/linux/registry/LiveClasses.h"

#include "platform/linux/registry/AutostartFolder.h"
#include "platform/linux/registry/DesktopFiles.h"
#include "platform/linux/registry/RegistryFile.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <system_error>

extern char** environ;

namespace tarnquill::registry {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kClassMarker = "X-Tarnquill-Class";
constexpr std::string_view kVerbMarker = "X-Tarnquill-Verb";
constexpr std::string_view kOwnTypePrefix = "application/x-tarnquill-";
constexpr std::string_view kEntryPrefix = "tarnquill-";
constexpr std::string_view kDefaultsGroup = "[Default Applications]";

std::string lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string xmlEscape(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

// A comment may not hold "--".
std::string commentSafe(std::string_view text)
{
    std::string out(text);
    for (std::size_t at; (at = out.find("--")) != std::string::npos;)
        out.replace(at, 2, "- -");
    return out;
}

std::string shellQuote(std::string_view arg)
{
    std::string out = "'";
    for (const char c : arg) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

// The program and arguments of a command line as a Linux desktop starts them.
std::vector<std::string> commandArguments(const std::string& command)
{
    std::vector<std::string> args = splitWindowsCommandLine(command);
    std::string& program = args.front();
    if (!program.empty() && program.front() == '/') {
        std::replace(program.begin(), program.end(), '\\', '/');
        // The class writes "folder\name.exe" for the running program, whose
        // file on Linux has no extension.
        std::error_code error;
        if (program.size() > 4 && lower(program.substr(program.size() - 4)) == ".exe" && !fs::exists(program, error)
            && fs::exists(program.substr(0, program.size() - 4), error))
            program.resize(program.size() - 4);
    }
    if (std::find(args.begin() + 1, args.end(), "%1") == args.end())
        args.emplace_back("%1");
    return args;
}

bool isOwnedBy(const std::string& text, std::string_view marker)
{
    return text.find(marker) != std::string::npos;
}

// Runs a database tool (update-mime-database, update-desktop-database) on a
// folder and waits for it; a tool that is not installed is skipped.
void runTool(const char* tool, const fs::path& folder)
{
    const std::string path = folder.string();
    char* argv[] = {const_cast<char*>(tool), const_cast<char*>(path.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawnp(&pid, tool, &actions, nullptr, argv, environ) == 0) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    posix_spawn_file_actions_destroy(&actions);
}

// The files the live classes want, by path, and whether each changed.
class Plan {
public:
    void want(const fs::path& file, std::string text, mode_t mode = 0644)
    {
        m_files[file] = {std::move(text), mode};
    }

    // Writes wanted files that differ from what is there (never over a file
    // of someone else's), deletes owned files in `folder` that are not
    // wanted. True when anything in the folder changed.
    bool apply(const fs::path& folder, std::string_view marker, mode_t folderMode = 0755)
    {
        bool changed = false;
        std::error_code error;
        for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
            const fs::path file = it->path();
            if (m_files.count(file) != 0 || !it->is_regular_file(error))
                continue;
            const auto text = readFile(file);
            if (text && isOwnedBy(*text, marker) && ::unlink(file.c_str()) == 0)
                changed = true;
        }
        for (const auto& [file, wanted] : m_files) {
            if (file.parent_path() != folder)
                continue;
            const auto text = readFile(file);
            if (text && *text == wanted.text)
                continue;
            if (text && !isOwnedBy(*text, marker))
                continue;
            if (!makeFolders(folder, folderMode))
                continue;
            if (writeFileAtomically(file, wanted.text, wanted.mode) == ERROR_SUCCESS)
                changed = true;
        }
        return changed;
    }

private:
    struct Wanted {
        std::string text;
        mode_t mode;
    };
    std::map<fs::path, Wanted> m_files;
};

std::string packageText(const std::string& className, const std::string& type, const std::string& displayName,
                        const std::set<std::string>& extensions)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- ";
    text += kClassMarker;
    text += ": " + commentSafe(className) + " -->\n";
    text += "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n";
    text += "  <mime-type type=\"" + type + "\">\n";
    text += "    <comment>" + xmlEscape(displayName.empty() ? className : displayName) + "</comment>\n";
    for (const auto& extension : extensions)
        text += "    <glob pattern=\"*." + xmlEscape(extension) + "\"/>\n";
    text += "  </mime-type>\n</mime-info>\n";
    return text;
}

std::string applicationText(const ClassAssociation& association, const std::set<std::string>& types)
{
    std::string text = "[Desktop Entry]\nType=Application\nName=";
    text += escapeString(association.displayName.empty() ? association.className : association.displayName);
    text += "\nExec=" + escapeString(LiveClasses::execOf(association.command));
    text += "\nMimeType=";
    for (const auto& type : types)
        text += type + ";";
    text += "\nNoDisplay=true\nTerminal=false\n";
    text += kClassMarker;
    text += "=" + escapeString(association.className) + "\n";
    return text;
}

std::string serviceMenuText(const FileVerb& verb)
{
    std::string text = "[Desktop Entry]\nType=Service\nMimeType=all/allfiles;\n"
                       "X-KDE-ServiceTypes=KonqPopupMenu/Plugin\nActions=run\n";
    text += kVerbMarker;
    text += "=" + escapeString(verb.name) + "\n\n[Desktop Action run]\nName=" + escapeString(verb.name);
    text += "\nExec=" + escapeString(LiveClasses::execOf(verb.command)) + "\n";
    return text;
}

std::string nautilusScriptText(const FileVerb& verb)
{
    std::string command;
    for (const auto& arg : commandArguments(verb.command)) {
        if (!command.empty())
            command += ' ';
        command += arg == "%1" ? "\"$file\"" : shellQuote(arg);
    }
    std::string text = "#!/bin/sh\n# ";
    text += kVerbMarker;
    text += "=" + verb.name + "\n";
    text += "# Nautilus passes the selected files as arguments.\nfor file in \"$@\"; do\n    " + command
          + " &\ndone\n";
    return text;
}

// A script's file name is the menu item's text: the verb's name, without
// what a file name cannot hold.
std::string scriptName(const std::string& name)
{
    std::string out;
    for (const char c : name)
        out += (c == '/' || c == '\0') ? '_' : c;
    if (out.empty() || out == "." || out == "..")
        out = "_" + out;
    return out;
}

// mimeapps.list with the defaults of the live classes: lines that named one
// of their entries go, the wanted ones come (replacing the line of the same
// type), everything else stays as it was.
std::optional<std::string> withDefaults(const std::string& original,
                                        const std::map<std::string, std::string>& defaults)
{
    std::vector<std::string> lines;
    std::istringstream in(original);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);

    const auto ownsLine = [&](const std::string& line) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            return false;
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        return defaults.count(key) != 0
            || (value.rfind(std::string(kEntryPrefix), 0) == 0 && value.find(".desktop") != std::string::npos);
    };

    std::vector<std::string> out, dropped, added;
    for (const auto& [type, entry] : defaults)
        added.push_back(type + "=" + entry + ";");
    bool inDefaults = false, sawDefaults = false;
    for (const auto& line : lines) {
        if (!line.empty() && line.front() == '[') {
            if (inDefaults) {
                for (const auto& [type, entry] : defaults)
                    out.push_back(type + "=" + entry + ";");
            }
            inDefaults = line == kDefaultsGroup;
            sawDefaults = sawDefaults || inDefaults;
            out.push_back(line);
            continue;
        }
        if (inDefaults && ownsLine(line)) {
            dropped.push_back(line);
            continue;
        }
        out.push_back(line);
    }
    if (inDefaults) {
        for (const auto& [type, entry] : defaults)
            out.push_back(type + "=" + entry + ";");
    } else if (!sawDefaults && !defaults.empty()) {
        out.emplace_back(kDefaultsGroup);
        for (const auto& [type, entry] : defaults)
            out.push_back(type + "=" + entry + ";");
    }
    // The user's file is rewritten only when a line of ours comes or goes.
    std::sort(dropped.begin(), dropped.end());
    if (dropped == added)
        return std::nullopt;
    std::string text;
    for (const auto& line : out)
        text += line + "\n";
    return text;
}

} // namespace

LiveClasses::LiveClasses(LiveClassesFolders folders)
    : m_folders(std::move(folders))
{
}

std::string LiveClasses::mimeTypeOf(const std::string& className)
{
    std::string name;
    for (const char c : lower(className)) {
        const bool safe = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '+';
        name += safe ? c : '-';
    }
    return std::string(kOwnTypePrefix) + name;
}

std::string LiveClasses::execOf(const std::string& command)
{
    std::vector<std::string> args = commandArguments(command);
    // GLib looks for the program before it undoes "%%" (see desktopExec).
    if (args.front().find('%') != std::string::npos)
        args.insert(args.begin(), {"sh", "-c", "exec \"$0\" \"$@\""});
    std::string exec;
    for (const auto& arg : args) {
        if (!exec.empty())
            exec += ' ';
        exec += arg == "%1" ? "%f" : quoteArgument(arg);
    }
    return exec;
}

std::string LiveClasses::knownTypeOf(const std::string& extension) const
{
    // The system's globs, weight:type:pattern per line; the user's own
    // database holds this class's types too, which do not count.
    const std::string pattern = "*." + lower(extension);
    std::vector<fs::path> dirs = m_folders.dataDirs;
    for (const auto& dir : dirs) {
        std::ifstream in(dir / "mime" / "globs2");
        for (std::string line; std::getline(in, line);) {
            if (line.empty() || line.front() == '#')
                continue;
            const std::size_t first = line.find(':');
            const std::size_t second = line.find(':', first + 1);
            if (first == std::string::npos || second == std::string::npos)
                continue;
            const std::size_t third = line.find(':', second + 1);
            const std::string glob = line.substr(second + 1, third == std::string::npos ? third : third - second - 1);
            const std::string type = line.substr(first + 1, second - first - 1);
            if (lower(glob) == pattern && type.rfind(std::string(kOwnTypePrefix), 0) != 0)
                return type;
        }
    }
    return {};
}

void LiveClasses::sync(const ClassesSnapshot& classes)
{
    if (!enabled())
        return;
    const fs::path packages = m_folders.dataHome / "mime" / "packages";
    const fs::path applications = m_folders.dataHome / "applications";
    const fs::path serviceMenus = m_folders.dataHome / "kio" / "servicemenus";
    const fs::path scripts = m_folders.dataHome / "nautilus" / "scripts";

    // Per class: its own extensions (a glob of its own type) and the types of
    // the extensions the system already knows.
    struct ClassFiles {
        const ClassAssociation* association = nullptr;
        std::set<std::string> ownExtensions;
        std::set<std::string> types;
    };
    std::map<std::string, ClassFiles> byClass;
    for (const auto& association : classes.associations) {
        if (association.command.empty() || association.className.empty() || association.extension.empty())
            continue;
        ClassFiles& files = byClass[lower(association.className)];
        files.association = &association;
        const std::string known = knownTypeOf(association.extension);
        if (known.empty()) {
            files.ownExtensions.insert(lower(association.extension));
            files.types.insert(mimeTypeOf(association.className));
        } else {
            files.types.insert(known);
        }
    }

    Plan plan;
    std::map<std::string, std::string> defaults;
    for (const auto& [key, files] : byClass) {
        const std::string stem = std::string(kEntryPrefix) + autostartFileStem(key);
        if (!files.ownExtensions.empty())
            plan.want(packages / (stem + ".xml"),
                      packageText(files.association->className, mimeTypeOf(files.association->className),
                                  files.association->displayName, files.ownExtensions));
        plan.want(applications / (stem + ".desktop"), applicationText(*files.association, files.types));
        for (const auto& type : files.types)
            defaults[type] = stem + ".desktop";
    }
    for (const auto& verb : classes.verbs) {
        if (verb.command.empty())
            continue;
        plan.want(serviceMenus / (std::string(kEntryPrefix) + autostartFileStem(verb.name) + ".desktop"),
                  serviceMenuText(verb), 0755);
        plan.want(scripts / scriptName(verb.name), nautilusScriptText(verb), 0755);
    }

    if (plan.apply(packages, kClassMarker))
        runTool("update-mime-database", m_folders.dataHome / "mime");
    if (plan.apply(applications, kClassMarker))
        runTool("update-desktop-database", applications);
    plan.apply(serviceMenus, kVerbMarker);
    plan.apply(scripts, kVerbMarker);

    const fs::path list = m_folders.configHome / "mimeapps.list";
    const auto updated = withDefaults(readFile(list).value_or(""), defaults);
    if (updated && makeFolders(m_folders.configHome, 0700))
        writeFileAtomically(list, *updated);
}

} // namespace tarnquill::registry
