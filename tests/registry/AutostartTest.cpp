// The Run keys as XDG autostart entries: which values become entries, where,
// under which file name, and whether a session can start what the entry names.

#include "TempFolder.h"

#include "platform/linux/registry/RegistryStore.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

namespace tarnquill::registry {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

const std::string kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string sz(const std::string& text)
{
    return text + std::string(1, '\0');
}

LONG setBytes(RegistryStore& store, HKEY key, const std::string& name, DWORD type, const std::string& bytes)
{
    return store.RegSetValueExA(key, name, 0, type, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                static_cast<DWORD>(bytes.size()));
}

std::string readFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// file name -> text of every desktop entry in a folder.
std::map<std::string, std::string> entriesIn(const fs::path& folder)
{
    std::map<std::string, std::string> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->path().extension() == ".desktop")
            entries[it->path().filename().string()] = readFile(it->path());
    return entries;
}

std::string keyOf(const std::string& text, const std::string& key)
{
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(key + "=", 0) == 0)
            return line.substr(key.size() + 1);
    return "<missing " + key + ">";
}

// The reading side of the Desktop Entry rules, written apart from the store:
// string escapes first, then quoted arguments, then "%%" as "%".
std::vector<std::string> decodeExec(const std::string& value)
{
    std::string unescaped;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char next = value[++i];
            unescaped += next == 's' ? ' ' : next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next;
        } else {
            unescaped += value[i];
        }
    }
    std::vector<std::string> args;
    std::string arg;
    bool inArg = false, quoted = false;
    for (std::size_t i = 0; i < unescaped.size(); ++i) {
        const char c = unescaped[i];
        if (quoted) {
            if (c == '"')
                quoted = false;
            else if (c == '\\' && i + 1 < unescaped.size() && std::string("\"`$\\").find(unescaped[i + 1]) != std::string::npos)
                arg += unescaped[++i];
            else
                arg += c;
        } else if (c == ' ') {
            if (inArg)
                args.push_back(arg);
            arg.clear();
            inArg = false;
        } else {
            inArg = true;
            if (c == '"')
                quoted = true;
            else
                arg += c;
        }
    }
    if (inArg)
        args.push_back(arg);
    for (auto& a : args) {
        std::string out;
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (a[i] == '%') {
                EXPECT_TRUE(i + 1 < a.size() && a[i + 1] == '%') << "a field code in " << a;
                ++i;
            }
            out += a[i];
        }
        a = out;
    }
    return args;
}

struct ExecRow {
    const char* label;
    std::string data;
    std::string line;
    std::vector<std::string> argv;
};

std::ostream& operator<<(std::ostream& out, const ExecRow& row)
{
    return out << row.label;
}

class ExecLine : public ::testing::TestWithParam<ExecRow> {};

TEST_P(ExecLine, StartsWhatTheValueNames)
{
    TempFolder folder;
    const RegistryLocations locations = folder.locations();
    RegistryStore store(locations);
    HKEY run = 0;
    ASSERT_EQ(store.RegOpenKeyExA(HKEY_CURRENT_USER, kRun, 0, KEY_ALL_ACCESS, &run), ERROR_SUCCESS);
    ASSERT_EQ(setBytes(store, run, "Tool", REG_SZ, sz(GetParam().data)), ERROR_SUCCESS);
    const auto entries = entriesIn(locations.userAutostart);
    ASSERT_EQ(entries.size(), 1u);
    const std::string exec = keyOf(entries.begin()->second, "Exec");
    EXPECT_EQ(exec, GetParam().line);
    EXPECT_EQ(decodeExec(exec), GetParam().argv);
}

INSTANTIATE_TEST_SUITE_P(
    RegistryStore, ExecLine,
    ::testing::Values(
        ExecRow{"plain_path", "/usr/bin/tarnquill", "/usr/bin/tarnquill", {"/usr/bin/tarnquill"}},
        // The start-up entry: the folder, "\" and the name.
        ExecRow{"start_up_entry_with_blanks", "/home/me/My Apps\\tarnquill", R"("/home/me/My Apps/tarnquill")", {"/home/me/My Apps/tarnquill"}},
        ExecRow{"shell_characters", "/opt/it's $HOME `x`/run", R"("/opt/it's \\$HOME \\`x\\`/run")", {"/opt/it's $HOME `x`/run"}},
        ExecRow{"percent_in_the_program", "/srv/100% sure/run",
                R"(sh -c "exec \\"\\$0\\" \\"\\$@\\"" "/srv/100%% sure/run")",
                {"sh", "-c", R"(exec "$0" "$@")", "/srv/100% sure/run"}},
        // A quoted program and arguments, split as Windows splits a command line.
        ExecRow{"windows_command_line", R"("C:\Program Files\Tool\tool.exe" /min "two words" 50%)",
                R"("C:\\\\Program Files\\\\Tool\\\\tool.exe" /min "two words" 50%%)",
                {R"(C:\Program Files\Tool\tool.exe)", "/min", "two words", "50%"}},
        ExecRow{"quoted_arguments", R"("/opt/My Apps/tool" --name="a \"b\"" "")",
                R"("/opt/My Apps/tool" "--name=a \\"b\\"" "")",
                {"/opt/My Apps/tool", R"(--name=a "b")", ""}},
        ExecRow{"bare_name", "tool", "tool", {"tool"}}),
    [](const auto& info) { return std::string(info.param.label); });

struct RunKeyRoute {
    const char* label;
    HKEY root;
    std::string first;  // opened from the root
    std::string second; // opened from the first, when not empty
    bool machine;
};

std::ostream& operator<<(std::ostream& out, const RunKeyRoute& route)
{
    return out << route.label;
}

class RunKeyEntries : public ::testing::TestWithParam<RunKeyRoute> {};

TEST_P(RunKeyEntries, FollowTheRegSzValuesOfTheKey)
{
    TempFolder folder;
    const RegistryLocations locations = folder.locations();
    RegistryStore store(locations);
    const RunKeyRoute& route = GetParam();
    HKEY run = 0;
    ASSERT_EQ(store.RegOpenKeyExA(route.root, route.first, 0, 0x3F, &run), ERROR_SUCCESS);
    if (!route.second.empty()) {
        HKEY below = 0;
        ASSERT_EQ(store.RegOpenKeyExA(run, route.second, 0, 0x3F, &below), ERROR_SUCCESS);
        run = below;
    }
    const fs::path& mine = route.machine ? locations.machineAutostart : locations.userAutostart;
    const fs::path& other = route.machine ? locations.userAutostart : locations.machineAutostart;

    ASSERT_EQ(setBytes(store, run, "Tool", REG_SZ, sz("/opt/tool/tool")), ERROR_SUCCESS);
    auto entries = entriesIn(mine);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries.begin()->first, "Tool.desktop");
    const std::string& text = entries.begin()->second;
    EXPECT_EQ(keyOf(text, "Type"), "Application");
    EXPECT_EQ(keyOf(text, "Name"), "Tool");
    EXPECT_EQ(keyOf(text, "Exec"), "/opt/tool/tool");
    EXPECT_TRUE(entriesIn(other).empty());

    ASSERT_EQ(setBytes(store, run, "TOOL", REG_SZ, sz("/opt/tool/v2")), ERROR_SUCCESS);
    entries = entriesIn(mine);
    ASSERT_EQ(entries.size(), 1u) << "the same value, written again";
    EXPECT_EQ(keyOf(entries.begin()->second, "Exec"), "/opt/tool/v2");
    EXPECT_EQ(keyOf(entries.begin()->second, "Name"), "Tool");

    ASSERT_EQ(setBytes(store, run, "Tool", REG_DWORD, std::string(4, '\0')), ERROR_SUCCESS);
    EXPECT_TRUE(entriesIn(mine).empty()) << "only a text starts a program";

    ASSERT_EQ(setBytes(store, run, "Tool", REG_SZ, sz("/opt/tool/tool")), ERROR_SUCCESS);
    ASSERT_EQ(store.RegDeleteValueA(run, "tool"), ERROR_SUCCESS);
    EXPECT_TRUE(entriesIn(mine).empty());
}

INSTANTIATE_TEST_SUITE_P(
    RegistryStore, RunKeyEntries,
    ::testing::Values(RunKeyRoute{"user", HKEY_CURRENT_USER, kRun, "", false},
                      RunKeyRoute{"user_lower_case_trailing_separator", HKEY_CURRENT_USER,
                                  "software\\microsoft\\windows\\currentversion\\run\\", "", false},
                      RunKeyRoute{"user_in_two_steps", HKEY_CURRENT_USER, "Software\\Microsoft",
                                  "Windows\\\\CurrentVersion\\Run\\", false},
                      RunKeyRoute{"machine_as_the_start_up_entry", HKEY_LOCAL_MACHINE,
                                  "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN\\", "", true},
                      RunKeyRoute{"machine_lower_case", HKEY_LOCAL_MACHINE,
                                  "software\\microsoft\\windows\\currentversion\\run", "", true}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(RegistryStore, OtherKeysTheDefaultValueAndEmptyTextsMakeNoEntry)
{
    TempFolder folder;
    const RegistryLocations locations = folder.locations();
    RegistryStore store(locations);
    for (const auto& [root, path] : std::vector<std::pair<HKEY, std::string>>{
             {HKEY_CURRENT_USER, kRun + "Once"},
             {HKEY_CURRENT_USER, kRun + "\\Sub"},
             {HKEY_CLASSES_ROOT, "Microsoft\\Windows\\CurrentVersion\\Run"},
             {HKEY_USERS, ".DEFAULT\\" + kRun},
             {HKEY_LOCAL_MACHINE, "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run"}}) {
        HKEY key = 0;
        DWORD disposition = 0;
        ASSERT_EQ(store.RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition),
                  ERROR_SUCCESS);
        ASSERT_EQ(setBytes(store, key, "Tool", REG_SZ, sz("/opt/tool/tool")), ERROR_SUCCESS) << path;
    }
    HKEY run = 0;
    ASSERT_EQ(store.RegOpenKeyExA(HKEY_CURRENT_USER, kRun, 0, KEY_ALL_ACCESS, &run), ERROR_SUCCESS);
    ASSERT_EQ(setBytes(store, run, "", REG_SZ, sz("/opt/tool/tool")), ERROR_SUCCESS);
    ASSERT_EQ(setBytes(store, run, "Nothing", REG_SZ, sz("")), ERROR_SUCCESS);
    EXPECT_TRUE(entriesIn(locations.userAutostart).empty());
    EXPECT_TRUE(entriesIn(locations.machineAutostart).empty());
}

TEST(RegistryStore, FilesItDidNotWriteAreNeitherReplacedNorHiddenNorDeleted)
{
    TempFolder folder;
    const RegistryLocations locations = folder.locations();
    fs::create_directories(locations.userAutostart);
    fs::create_directories(locations.machineAutostart);
    const std::string foreign = "[Desktop Entry]\nType=Application\nName=Tool\nExec=/usr/bin/other\n";
    std::ofstream(locations.userAutostart / "Tool.desktop") << foreign;
    std::ofstream(locations.machineAutostart / "Session.desktop") << foreign;

    RegistryStore store(locations);
    HKEY run = 0;
    ASSERT_EQ(store.RegOpenKeyExA(HKEY_CURRENT_USER, kRun, 0, KEY_ALL_ACCESS, &run), ERROR_SUCCESS);
    ASSERT_EQ(setBytes(store, run, "Tool", REG_SZ, sz("/opt/tool/tool")), ERROR_SUCCESS);
    // A user entry named like a system one would hide it for this user.
    ASSERT_EQ(setBytes(store, run, "Session", REG_SZ, sz("/opt/tool/session")), ERROR_SUCCESS);

    auto entries = entriesIn(locations.userAutostart);
    EXPECT_EQ(entries["Tool.desktop"], foreign);
    EXPECT_EQ(keyOf(entries["Tool-2.desktop"], "Exec"), "/opt/tool/tool");
    EXPECT_EQ(keyOf(entries["Session-2.desktop"], "Exec"), "/opt/tool/session");
    EXPECT_EQ(entries.count("Session.desktop"), 0u);

    ASSERT_EQ(store.RegDeleteValueA(run, "Tool"), ERROR_SUCCESS);
    ASSERT_EQ(store.RegDeleteValueA(run, "Session"), ERROR_SUCCESS);
    entries = entriesIn(locations.userAutostart);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries["Tool.desktop"], foreign);
    EXPECT_EQ(readFile(locations.machineAutostart / "Session.desktop"), foreign);
}

TEST(RegistryStore, NamesThatAreNoFileNamesAreMadeSafe)
{
    TempFolder folder;
    const RegistryLocations locations = folder.locations();
    RegistryStore store(locations);
    HKEY run = 0;
    ASSERT_EQ(store.RegOpenKeyExA(HKEY_CURRENT_USER, kRun, 0, KEY_ALL_ACCESS, &run), ERROR_SUCCESS);
    ASSERT_EQ(setBytes(store, run, "a/b c", REG_SZ, sz("/bin/a")), ERROR_SUCCESS);
    ASSERT_EQ(setBytes(store, run, "a_b c", REG_SZ, sz("/bin/b")), ERROR_SUCCESS);
    ASSERT_EQ(setBytes(store, run, "../up", REG_SZ, sz("/bin/c")), ERROR_SUCCESS);
    ASSERT_EQ(setBytes(store, run, "Zeile\nzwei", REG_SZ, sz("/bin/d")), ERROR_SUCCESS);
    auto entries = entriesIn(locations.userAutostart);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(keyOf(entries["a_b_c.desktop"], "Exec"), "/bin/a");
    EXPECT_EQ(keyOf(entries["a_b_c-2.desktop"], "Exec"), "/bin/b") << "a second value with the same safe name";
    EXPECT_EQ(keyOf(entries["_._up.desktop"], "Exec"), "/bin/c") << "no hidden file, no way out of the folder";
    EXPECT_EQ(keyOf(entries["Zeile_zwei.desktop"], "Name"), "Zeile\\nzwei");

    ASSERT_EQ(store.RegDeleteValueA(run, "A/B C"), ERROR_SUCCESS);
    entries = entriesIn(locations.userAutostart);
    EXPECT_EQ(entries.count("a_b_c.desktop"), 0u);
    EXPECT_EQ(entries.count("a_b_c-2.desktop"), 1u) << "the other value's entry stays";
}

TEST(RegistryStore, DeletingTheRunKeyRemovesItsEntries)
{
    TempFolder folder;
    const RegistryLocations locations = folder.locations();
    RegistryStore store(locations);
    HKEY run = 0;
    ASSERT_EQ(store.RegOpenKeyExA(HKEY_CURRENT_USER, kRun, 0, KEY_ALL_ACCESS, &run), ERROR_SUCCESS);
    ASSERT_EQ(setBytes(store, run, "One", REG_SZ, sz("/bin/one")), ERROR_SUCCESS);
    ASSERT_EQ(setBytes(store, run, "Two", REG_SZ, sz("/bin/two")), ERROR_SUCCESS);
    ASSERT_EQ(entriesIn(locations.userAutostart).size(), 2u);
    ASSERT_EQ(store.RegDeleteKeyA(HKEY_CURRENT_USER, kRun), ERROR_SUCCESS);
    EXPECT_TRUE(entriesIn(locations.userAutostart).empty());
}

TEST(RegistryStore, AValueWhoseEntryCannotBeWrittenIsNotStored)
{
    TempFolder folder;
    RegistryLocations locations = folder.locations();
    std::ofstream(folder / "plain-file") << "not a folder";
    locations.userAutostart = folder / "plain-file" / "autostart";
    RegistryStore store(locations);
    HKEY run = 0;
    ASSERT_EQ(store.RegOpenKeyExA(HKEY_CURRENT_USER, kRun, 0, KEY_ALL_ACCESS, &run), ERROR_SUCCESS);
    EXPECT_NE(setBytes(store, run, "Tool", REG_SZ, sz("/bin/tool")), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(store.RegQueryValueExA(run, "Tool", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(setBytes(store, run, "Tool", REG_BINARY, "1"), ERROR_SUCCESS) << "other types need no entry";
}

bool onPath(const char* program)
{
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');)
        if (!folder.empty() && ::access((fs::path(folder) / program).c_str(), X_OK) == 0)
            return true;
    return false;
}

// The proof that counts: GLib's own launcher starts the entry, from a folder
// whose name needs every kind of quoting.
TEST(RegistryStore, AnEntryIsStartedByTheDesktopsLauncher)
{
    if (!onPath("gio"))
        GTEST_SKIP() << "gio (GLib's launcher) is not installed";
    TempFolder folder;
    const RegistryLocations locations = folder.locations();
    const fs::path programFolder = folder / "My Apps 100% $HOME 'x'";
    fs::create_directories(programFolder);
    const fs::path output = folder / "started.txt";
    const fs::path program = programFolder / "tarnquill";
    std::ofstream(program) << "#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" > '" << output.string() << "'\n";
    fs::permissions(program, fs::perms::owner_all);

    RegistryStore store(locations);
    HKEY run = 0;
    ASSERT_EQ(store.RegOpenKeyExA(HKEY_CURRENT_USER, kRun, 0, 0x3F, &run), ERROR_SUCCESS);
    ASSERT_EQ(setBytes(store, run, "tarnquill", REG_SZ, sz(programFolder.string() + "\\tarnquill")), ERROR_SUCCESS);
    const auto entries = entriesIn(locations.userAutostart);
    ASSERT_EQ(entries.size(), 1u);

    const std::string command = "gio launch '" + (locations.userAutostart / entries.begin()->first).string()
                              + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << entries.begin()->second;
    for (int i = 0; i < 200 && readFile(output).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(readFile(output), program.string() + "\n");
}

} // namespace
} // namespace tarnquill::registry
