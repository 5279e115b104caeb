// SPDX-License-Identifier: MIT
#include "platform/linux/registry/AutostartFolder.h"

#include "platform/linux/registry/DesktopFiles.h"

#include "platform/linux/registry/RegistryNames.h"
#include "platform/linux/registry/RegistryFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <system_error>

namespace tarnquill::registry {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kEntryGroup = "[Desktop Entry]";

} // namespace

// The escapes of the "string" value type of desktop files.
std::string escapeString(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    return out;
}

namespace {

std::string unescapeString(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        switch (text[++i]) {
        case 's': out += ' '; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case '\\': out += '\\'; break;
        default: out += '\\'; out += text[i];
        }
    }
    return out;
}

} // namespace

// CommandLineToArgvW's rules: the program name runs to its closing quote with
// no escapes; in the arguments 2n backslashes before a quote give n and a
// quote that opens or closes, 2n+1 give n and a literal quote, "" inside
// quotes a literal quote.
std::vector<std::string> splitWindowsCommandLine(std::string_view line)
{
    std::vector<std::string> args;
    std::size_t i = 0;
    const auto blank = [&](std::size_t k) { return line[k] == ' ' || line[k] == '\t'; };
    if (!line.empty() && line[0] == '"') {
        const std::size_t close = line.find('"', 1);
        args.emplace_back(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
        i = close == std::string_view::npos ? line.size() : close + 1;
    } else {
        while (i < line.size() && !blank(i))
            ++i;
        args.emplace_back(line.substr(0, i));
    }
    while (true) {
        while (i < line.size() && blank(i))
            ++i;
        if (i >= line.size())
            break;
        std::string arg;
        bool quoted = false;
        while (i < line.size() && (quoted || !blank(i))) {
            if (line[i] == '\\') {
                std::size_t count = 0;
                while (i < line.size() && line[i] == '\\')
                    ++count, ++i;
                if (i < line.size() && line[i] == '"') {
                    arg.append(count / 2, '\\');
                    if (count % 2 == 1) {
                        arg += '"';
                        ++i;
                    }
                } else {
                    arg.append(count, '\\');
                }
            } else if (line[i] == '"') {
                if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                    arg += '"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                arg += line[i++];
            }
        }
        args.push_back(std::move(arg));
    }
    return args;
}

namespace {

bool needsQuotes(std::string_view arg)
{
    return arg.empty() || arg.find_first_of(" \t\n\"'\\><~|&;$*?#`()") != std::string_view::npos;
}

} // namespace

std::string quoteArgument(std::string_view arg)
{
    std::string out;
    const bool quote = needsQuotes(arg);
    if (quote)
        out += '"';
    for (const char c : arg) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\'))
            out += '\\';
        out += c;
        if (c == '%')
            out += '%';
    }
    if (quote)
        out += '"';
    return out;
}

LONG statusFromErrno(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT:
        return ERROR_DISK_FULL;
    default:
        return ERROR_WRITE_FAULT;
    }
}

std::optional<std::string> readFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

LONG writeFileAtomically(const fs::path& file, const std::string& text, mode_t mode)
{
    std::string temp = (file.parent_path() / ("." + file.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return statusFromErrno(errno);
    bool ok = ::fchmod(fd, mode) == 0;
    std::size_t written = 0;
    while (ok && written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            written += static_cast<std::size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    const int writeError = errno;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(temp.c_str(), file.c_str()) != 0) {
        const int error = ok ? errno : writeError;
        ::unlink(temp.c_str());
        return statusFromErrno(error);
    }
    return ERROR_SUCCESS;
}

namespace {

std::string entryText(std::string_view valueName, std::string_view command)
{
    std::string text;
    text += kEntryGroup;
    text += "\nType=Application\nName=";
    text += escapeString(valueName);
    text += "\nComment=Started at log-on by the registry's Run key\nExec=";
    text += escapeString(desktopExec(command));
    text += "\nTerminal=false\n";
    text += kRunValueKey;
    text += '=';
    text += escapeString(valueName);
    text += '\n';
    return text;
}

} // namespace

std::string desktopExec(std::string_view command)
{
    std::vector<std::string> args;
    if (!command.empty() && command.front() == '"')
        args = splitWindowsCommandLine(command);
    else
        args.emplace_back(command);
    // A Linux path is taken as it stands: a backslash is an ordinary
    // character of a Linux file name (a folder "back\slash"), not a separator.
    // GLib looks for the program of an Exec line before it undoes "%%", so
    // it would not find a program whose path holds a "%" and would skip the
    // entry; a shell that is handed the path as $0 starts it instead.
    if (args.front().find('%') != std::string::npos)
        args.insert(args.begin(), {"sh", "-c", "exec \"$0\" \"$@\""});
    std::string exec;
    for (const auto& arg : args) {
        if (!exec.empty())
            exec += ' ';
        exec += quoteArgument(arg);
    }
    return exec;
}

std::string autostartFileStem(std::string_view valueName)
{
    std::string stem;
    for (const char c : valueName) {
        const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-'
                       || c == '_' || c == '.';
        stem += safe ? c : '_';
        if (stem.size() == 100)
            break;
    }
    if (stem.empty())
        return "_";
    if (stem.front() == '.')
        stem.front() = '_';
    return stem;
}

std::optional<std::string> runValueOfEntry(std::string_view text)
{
    bool inEntry = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty() && line.front() == '[') {
            inEntry = line == kEntryGroup;
            continue;
        }
        if (!inEntry || line.substr(0, kRunValueKey.size()) != kRunValueKey)
            continue;
        std::string_view rest = line.substr(kRunValueKey.size());
        while (!rest.empty() && rest.front() == ' ')
            rest.remove_prefix(1);
        if (rest.empty() || rest.front() != '=')
            continue;
        rest.remove_prefix(1);
        while (!rest.empty() && rest.front() == ' ')
            rest.remove_prefix(1);
        return unescapeString(rest);
    }
    return std::nullopt;
}

AutostartFolder::AutostartFolder(fs::path folder, std::vector<fs::path> avoid, mode_t folderMode)
    : m_folder(std::move(folder))
    , m_avoid(std::move(avoid))
    , m_folderMode(folderMode)
{
}

std::vector<fs::path> AutostartFolder::entriesOf(std::string_view valueName) const
{
    std::vector<fs::path> found;
    const std::string wanted = foldName(valueName);
    std::error_code error;
    for (fs::directory_iterator it(m_folder, error), end; !error && it != end; it.increment(error)) {
        const fs::path& file = it->path();
        if (file.extension() != ".desktop" || !it->is_regular_file(error))
            continue;
        const auto text = readFile(file);
        if (!text)
            continue;
        const auto owner = runValueOfEntry(*text);
        if (owner && foldName(*owner) == wanted)
            found.push_back(file);
    }
    return found;
}

bool AutostartFolder::nameIsFree(const std::string& fileName) const
{
    std::error_code error;
    if (fs::exists(fs::symlink_status(m_folder / fileName, error)))
        return false;
    for (const auto& folder : m_avoid)
        if (fs::exists(folder / fileName, error))
            return false;
    return true;
}

LONG AutostartFolder::put(std::string_view valueName, std::string_view command)
{
    const std::string text = entryText(valueName, command);
    const auto existing = entriesOf(valueName);
    if (!existing.empty()) {
        if (readFile(existing.front()) == text)
            return ERROR_SUCCESS;
        return writeFileAtomically(existing.front(), text);
    }
    if (!makeFolders(m_folder, m_folderMode))
        return statusFromErrno(errno);
    const std::string stem = autostartFileStem(valueName);
    for (int n = 1; n <= 1000; ++n) {
        const std::string fileName = stem + (n == 1 ? "" : "-" + std::to_string(n)) + ".desktop";
        if (nameIsFree(fileName))
            return writeFileAtomically(m_folder / fileName, text);
    }
    return ERROR_WRITE_FAULT;
}

LONG AutostartFolder::remove(std::string_view valueName)
{
    for (const auto& file : entriesOf(valueName)) {
        if (::unlink(file.c_str()) != 0 && errno != ENOENT)
            return statusFromErrno(errno);
    }
    return ERROR_SUCCESS;
}

} // namespace tarnquill::registry
