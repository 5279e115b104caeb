// SPDX-License-Identifier: MIT
// HKEY_CLASSES_ROOT as the desktop sees it: an association written by the
// utility class makes the desktop's own tools (xdg-mime, gio) open a file of
// that extension with the program, a command for every file becomes the file
// managers' actions, and deleting the keys takes all of it away again.

#include "RegistryFixture.h"

#include "platform/linux/LinuxWin32Api.h"
#include "platform/linux/QtHandleTable.h"
#include "winapi/CWinAPI.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnquill::registry::testing {
namespace {

namespace fs = std::filesystem;

class LiveClassesTest : public RegistryTest {
protected:
    void SetUp() override
    {
        for (const char* tool : {"xdg-mime", "gio", "update-mime-database"})
            if (test::findProgram(tool).empty())
                GTEST_SKIP() << tool << " is not installed";
        locations.dataHome = folder / "data";
        locations.configHome = folder / "config";
        locations.dataDirs = {"/usr/share"};
        m_api.emplace(registry(), m_handles);
        m_winapi.emplace(*m_api);
    }

    // A desktop tool run on the test's folders (xdg-mime asks gio for file
    // types on a GNOME desktop).
    test::RunResult tool(const std::vector<std::string>& argv)
    {
        test::SpawnOptions options;
        options.env = {{"XDG_DATA_HOME", locations.dataHome.string()},
                       {"XDG_CONFIG_HOME", locations.configHome.string()},
                       {"XDG_DATA_DIRS", locations.dataHome.string() + ":/usr/share"},
                       {"XDG_CURRENT_DESKTOP", "GNOME"}};
        return test::run(argv, options);
    }
    std::string firstLine(const std::vector<std::string>& argv)
    {
        const std::string out = tool(argv).out;
        return out.substr(0, out.find_first_of("\r\n"));
    }

    CWinAPI& winapi() { return *m_winapi; }

private:
    QtHandleTable m_handles;
    std::optional<LinuxWin32Api> m_api;
    std::optional<CWinAPI> m_winapi;
};

TEST_F(LiveClassesTest, AnAssociationOpensItsFilesWithTheProgramUntilItsKeysAreDeleted)
{
    const fs::path opened = folder / "opened.txt";
    const fs::path program = folder / "My Opener";
    std::ofstream(program) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << opened.string() << "'\n";
    fs::permissions(program, fs::perms::owner_all);
    const fs::path sample = folder / "sample file.tqtest";
    std::ofstream(sample) << "not a known format";
    // A desktop entry of the user's own, which no registry change may touch.
    fs::create_directories(locations.dataHome / "applications");
    const fs::path users = locations.dataHome / "applications" / "tarnquill-tarnquilltest.other.desktop";
    std::ofstream(users) << "[Desktop Entry]\nType=Application\nName=Mine\nExec=true\n";

    std::string command = "\"" + program.string() + "\"";
    winapi().RegistryCreateAssociation("tqtest", "TarnquillTest.File", command, "Tarnquill test file");

    const std::string type = firstLine({"xdg-mime", "query", "filetype", sample.string()});
    EXPECT_EQ(type, "application/x-tarnquill-tarnquilltest.file");
    EXPECT_EQ(firstLine({"xdg-mime", "query", "default", type}), "tarnquill-tarnquilltest.file.desktop");
    ASSERT_TRUE(tool({"gio", "open", sample.string()}).ok());
    EXPECT_EQ(readWhenWritten(opened), sample.string() + "\n");

    // Deleted child first, as the class's callers delete.
    winapi().RegistryDeletekey("command", "TarnquillTest.File\\shell\\open", HKEY_CLASSES_ROOT);
    winapi().RegistryDeletekey(".tqtest", "", HKEY_CLASSES_ROOT);
    EXPECT_NE(firstLine({"xdg-mime", "query", "filetype", sample.string()}), type);
    EXPECT_EQ(firstLine({"xdg-mime", "query", "default", type}), "");
    EXPECT_FALSE(fs::exists(locations.dataHome / "applications" / "tarnquill-tarnquilltest.file.desktop"));
    EXPECT_FALSE(fs::exists(locations.dataHome / "mime" / "packages" / "tarnquill-tarnquilltest.file.xml"));
    EXPECT_EQ(readFile(users), "[Desktop Entry]\nType=Application\nName=Mine\nExec=true\n");
}

TEST_F(LiveClassesTest, AnExtensionTheSystemKnowsKeepsItsTypeAndGetsTheProgramAsDefault)
{
    fs::create_directories(locations.configHome);
    std::ofstream(locations.configHome / "mimeapps.list")
        << "[Default Applications]\nimage/png=viewer.desktop;\n\n[Added Associations]\ntext/plain=ed.desktop;\n";
    std::string command = "/usr/bin/true %1";
    winapi().RegistryCreateAssociation("txt", "TarnquillTest.Text", command);
    EXPECT_EQ(firstLine({"xdg-mime", "query", "default", "text/plain"}), "tarnquill-tarnquilltest.text.desktop");
    EXPECT_FALSE(fs::exists(locations.dataHome / "mime" / "packages" / "tarnquill-tarnquilltest.text.xml"));

    winapi().RegistryDeleteValue("TarnquillTest.Text\\shell\\open\\command", "", HKEY_CLASSES_ROOT);
    EXPECT_EQ(readFile(locations.configHome / "mimeapps.list"),
              "[Default Applications]\nimage/png=viewer.desktop;\n\n[Added Associations]\ntext/plain=ed.desktop;\n");
}

TEST_F(LiveClassesTest, ACommandForEveryFileIsAFileManagerActionWhileItsKeyLasts)
{
    std::string command;
    winapi().RegistryCreateRightClickAccess("Send to Tarnquill", command);
    const fs::path serviceMenu = locations.dataHome / "kio" / "servicemenus" / "tarnquill-Send_to_Tarnquill.desktop";
    const fs::path script = locations.dataHome / "nautilus" / "scripts" / "Send to Tarnquill";
    const std::string menu = readFile(serviceMenu).value_or("");
    EXPECT_NE(menu.find("MimeType=all/allfiles;"), std::string::npos) << menu;
    EXPECT_NE(menu.find("Name=Send to Tarnquill"), std::string::npos) << menu;
    EXPECT_NE(menu.find(" %f\n"), std::string::npos) << menu;
    EXPECT_EQ(::access(script.c_str(), X_OK), 0);

    winapi().RegistryDeletekey("Command", "*\\shell\\Send to Tarnquill", HKEY_CLASSES_ROOT);
    EXPECT_FALSE(fs::exists(serviceMenu));
    EXPECT_FALSE(fs::exists(script));
}

} // namespace
} // namespace tarnquill::registry::testing
