// SPDX-License-Identifier: MIT
// The Run keys as XDG autostart entries: which values become entries, where,
// under which file name, and whether a session can start what the entry names.

#include "RegistryFixture.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace tarnquill::registry::testing {
namespace {

namespace fs = std::filesystem;

// file name -> text of every desktop entry in a folder.
std::map<std::string, std::string> entriesIn(const fs::path& folder)
{
    std::map<std::string, std::string> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->path().extension() == ".desktop")
            entries[it->path().filename().string()] = readFile(it->path()).value_or("");
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

// The user's Run key, opened for writing.
class AutostartTest : public RegistryTest {
protected:
    HKEY run() { return m_run ? m_run : (m_run = openKey(registry(), HKEY_CURRENT_USER, kRunKey)); }
    LONG setRun(const std::string& name, const std::string& command)
    {
        return setBytes(registry(), run(), name, REG_SZ, sz(command));
    }
    std::map<std::string, std::string> userEntries() const { return entriesIn(locations.userAutostart); }

private:
    HKEY m_run = 0;
};

// The comments say what a session runs from the line (string escapes first,
// then quoted arguments, then "%%" as "%").
TEST_F(AutostartTest, TheExecLineStartsWhatTheValueNames)
{
    const std::pair<std::string, std::string> rows[] = {
        {"/usr/bin/tarnquill", "/usr/bin/tarnquill"},
        // The start-up entry; runs "/home/me/My Apps/tarnquill".
        {"/home/me/My Apps/tarnquill", R"("/home/me/My Apps/tarnquill")"},
        // A backslash is part of a Linux file name; runs "/home/me/back\slash/tarnquill".
        {"/home/me/back\\slash/tarnquill", R"("/home/me/back\\\\slash/tarnquill")"},
        // Runs "/opt/it's $HOME `x`/run".
        {"/opt/it's $HOME `x`/run", R"("/opt/it's \\$HOME \\`x\\`/run")"},
        // Runs sh -c 'exec "$0" "$@"' "/srv/100% sure/run".
        {"/srv/100% sure/run", R"(sh -c "exec \\"\\$0\\" \\"\\$@\\"" "/srv/100%% sure/run")"},
        // A quoted program and arguments, split as Windows splits a command
        // line: "C:\Program Files\Tool\tool.exe", "/min", "two words", "50%".
        {R"("C:\Program Files\Tool\tool.exe" /min "two words" 50%)",
         R"("C:\\\\Program Files\\\\Tool\\\\tool.exe" /min "two words" 50%%)"},
        // "/opt/My Apps/tool", "--name=a "b"" and "".
        {R"("/opt/My Apps/tool" --name="a \"b\"" "")", R"("/opt/My Apps/tool" "--name=a \\"b\\"" "")"},
        {"tool", "tool"},
    };
    for (const auto& [data, line] : rows) {
        ASSERT_EQ(setRun("Tool", data), ERROR_SUCCESS);
        EXPECT_EQ(keyOf(userEntries()["Tool.desktop"], "Exec"), line) << data;
    }
}

struct RunKeyRoute {
    const char* label;
    HKEY root;
    std::string first;  // opened from the root
    std::string second; // opened from the first, when not empty
    bool machine;
};

class RunKeyEntries : public RegistryTest, public ::testing::WithParamInterface<RunKeyRoute> {};

TEST_P(RunKeyEntries, FollowTheRegSzValuesOfTheKey)
{
    const RunKeyRoute& route = GetParam();
    HKEY run = openKey(registry(), route.root, route.first, 0x3F);
    if (!route.second.empty())
        run = openKey(registry(), run, route.second, 0x3F);
    const fs::path& mine = route.machine ? locations.machineAutostart : locations.userAutostart;
    const fs::path& other = route.machine ? locations.userAutostart : locations.machineAutostart;

    ASSERT_EQ(setBytes(registry(), run, "Tool", REG_SZ, sz("/opt/tool/tool")), ERROR_SUCCESS);
    auto entries = entriesIn(mine);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries.begin()->first, "Tool.desktop");
    const std::string& text = entries.begin()->second;
    EXPECT_EQ(keyOf(text, "Type") + " " + keyOf(text, "Name") + " " + keyOf(text, "Exec"),
              "Application Tool /opt/tool/tool");
    EXPECT_TRUE(entriesIn(other).empty());

    ASSERT_EQ(setBytes(registry(), run, "TOOL", REG_SZ, sz("/opt/tool/v2")), ERROR_SUCCESS);
    entries = entriesIn(mine);
    ASSERT_EQ(entries.size(), 1u) << "the same value, written again";
    EXPECT_EQ(keyOf(entries.begin()->second, "Exec"), "/opt/tool/v2");
    EXPECT_EQ(keyOf(entries.begin()->second, "Name"), "Tool");

    ASSERT_EQ(setBytes(registry(), run, "Tool", REG_DWORD, std::string(4, '\0')), ERROR_SUCCESS);
    EXPECT_TRUE(entriesIn(mine).empty()) << "only a text starts a program";

    ASSERT_EQ(setBytes(registry(), run, "Tool", REG_SZ, sz("/opt/tool/tool")), ERROR_SUCCESS);
    ASSERT_EQ(registry().RegDeleteValueA(run, "tool"), ERROR_SUCCESS);
    EXPECT_TRUE(entriesIn(mine).empty());
}

INSTANTIATE_TEST_SUITE_P(
    RegistryStore, RunKeyEntries,
    ::testing::Values(RunKeyRoute{"user", HKEY_CURRENT_USER, kRunKey, "", false},
                      RunKeyRoute{"user_lower_case_trailing_separator", HKEY_CURRENT_USER,
                                  "software\\microsoft\\windows\\currentversion\\run\\", "", false},
                      RunKeyRoute{"user_in_two_steps", HKEY_CURRENT_USER, "Software\\Microsoft",
                                  "Windows\\\\CurrentVersion\\Run\\", false},
                      RunKeyRoute{"machine_as_the_start_up_entry", HKEY_LOCAL_MACHINE,
                                  "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN\\", "", true}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(AutostartTest, OtherKeysTheDefaultValueAndEmptyTextsMakeNoEntry)
{
    for (const auto& [root, path] : std::vector<std::pair<HKEY, std::string>>{
             {HKEY_CURRENT_USER, kRunKey + "Once"},
             {HKEY_CURRENT_USER, kRunKey + "\\Sub"},
             {HKEY_CLASSES_ROOT, "Microsoft\\Windows\\CurrentVersion\\Run"},
             {HKEY_USERS, ".DEFAULT\\" + kRunKey},
             {HKEY_LOCAL_MACHINE, "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run"}})
        ASSERT_EQ(setBytes(registry(), createKey(registry(), root, path), "Tool", REG_SZ, sz("/opt/tool/tool")),
                  ERROR_SUCCESS)
            << path;
    ASSERT_EQ(setRun("", "/opt/tool/tool"), ERROR_SUCCESS);
    ASSERT_EQ(setRun("Nothing", ""), ERROR_SUCCESS);
    EXPECT_TRUE(userEntries().empty());
    EXPECT_TRUE(entriesIn(locations.machineAutostart).empty());
}

TEST_F(AutostartTest, FilesItDidNotWriteAreNeitherReplacedNorHiddenNorDeleted)
{
    fs::create_directories(locations.userAutostart);
    fs::create_directories(locations.machineAutostart);
    const std::string foreign = "[Desktop Entry]\nType=Application\nName=Tool\nExec=/usr/bin/other\n";
    std::ofstream(locations.userAutostart / "Tool.desktop") << foreign;
    std::ofstream(locations.machineAutostart / "Session.desktop") << foreign;

    ASSERT_EQ(setRun("Tool", "/opt/tool/tool"), ERROR_SUCCESS);
    // A user entry named like a system one would hide it for this user.
    ASSERT_EQ(setRun("Session", "/opt/tool/session"), ERROR_SUCCESS);
    auto entries = userEntries();
    EXPECT_EQ(entries["Tool.desktop"], foreign);
    EXPECT_EQ(keyOf(entries["Tool-2.desktop"], "Exec"), "/opt/tool/tool");
    EXPECT_EQ(keyOf(entries["Session-2.desktop"], "Exec"), "/opt/tool/session");
    EXPECT_EQ(entries.count("Session.desktop"), 0u);

    ASSERT_EQ(registry().RegDeleteValueA(run(), "Tool"), ERROR_SUCCESS);
    ASSERT_EQ(registry().RegDeleteValueA(run(), "Session"), ERROR_SUCCESS);
    EXPECT_EQ(userEntries(), (std::map<std::string, std::string>{{"Tool.desktop", foreign}}));
    EXPECT_EQ(readFile(locations.machineAutostart / "Session.desktop"), foreign);
}

TEST_F(AutostartTest, NamesThatAreNoFileNamesAreMadeSafe)
{
    ASSERT_EQ(setRun("a/b c", "/bin/a"), ERROR_SUCCESS);
    ASSERT_EQ(setRun("a_b c", "/bin/b"), ERROR_SUCCESS);
    ASSERT_EQ(setRun("../up", "/bin/c"), ERROR_SUCCESS);
    ASSERT_EQ(setRun("Zeile\nzwei", "/bin/d"), ERROR_SUCCESS);
    auto entries = userEntries();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(keyOf(entries["a_b_c.desktop"], "Exec"), "/bin/a");
    EXPECT_EQ(keyOf(entries["a_b_c-2.desktop"], "Exec"), "/bin/b") << "a second value with the same safe name";
    EXPECT_EQ(keyOf(entries["_._up.desktop"], "Exec"), "/bin/c") << "no hidden file, no way out of the folder";
    EXPECT_EQ(keyOf(entries["Zeile_zwei.desktop"], "Name"), "Zeile\\nzwei");

    ASSERT_EQ(registry().RegDeleteValueA(run(), "A/B C"), ERROR_SUCCESS);
    entries = userEntries();
    EXPECT_EQ(entries.count("a_b_c.desktop"), 0u);
    EXPECT_EQ(entries.count("a_b_c-2.desktop"), 1u) << "the other value's entry stays";

    ASSERT_EQ(registry().RegDeleteKeyA(HKEY_CURRENT_USER, kRunKey), ERROR_SUCCESS);
    EXPECT_TRUE(userEntries().empty()) << "deleting the key removes every entry of it";
}

TEST_F(AutostartTest, AValueWhoseEntryCannotBeWrittenIsNotStored)
{
    std::ofstream(folder / "plain-file") << "not a folder";
    locations.userAutostart = folder / "plain-file" / "autostart";
    EXPECT_NE(setRun("Tool", "/bin/tool"), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(registry().RegQueryValueExA(run(), "Tool", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(setBytes(registry(), run(), "Tool", REG_BINARY, "1"), ERROR_SUCCESS) << "other types need no entry";
}

// The proof that counts: GLib's own launcher starts the entry, from a folder
// whose name needs every kind of quoting.
TEST_F(AutostartTest, AnEntryIsStartedByTheDesktopsLauncher)
{
    if (test::findProgram("gio").empty())
        GTEST_SKIP() << "gio (GLib's launcher) is not installed";
    const fs::path programFolder = folder / "My Apps 100% $HOME 'x' back\\slash";
    fs::create_directories(programFolder);
    const fs::path output = folder / "started.txt";
    const fs::path program = programFolder / "tarnquill";
    std::ofstream(program) << "#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" > '" << output.string() << "'\n";
    fs::permissions(program, fs::perms::owner_all);

    ASSERT_EQ(setRun("tarnquill", program.string()), ERROR_SUCCESS);
    const auto entries = userEntries();
    ASSERT_EQ(entries.size(), 1u);
    ASSERT_TRUE(test::run({"gio", "launch", (locations.userAutostart / entries.begin()->first).string()}).ok())
        << entries.begin()->second;
    EXPECT_EQ(readWhenWritten(output), program.string() + "\n");
}

} // namespace
} // namespace tarnquill::registry::testing
