// Check2 "Run Tarnquill at windows Start-up" in the real program: each click
// (and each key released on the box) makes the Run entry follow the box at
// once, and on Linux the Run entry is an XDG autostart file. Where the
// machine-wide registry may be written the entry is the machine's; where it
// may not (an ordinary user), the user's own.

#include "WindowTest.h"

#include "platform/linux/registry/AutostartFolder.h"

namespace tarnquill::gui {
namespace {

namespace fs = std::filesystem;

struct Entry {
    fs::path file;
    std::string text;
};

// The autostart files in `folder` that stand for the Run value `name`.
std::vector<Entry> entriesFor(const fs::path& folder, const std::string& name)
{
    std::vector<Entry> found;
    std::error_code error;
    for (const auto& item : fs::directory_iterator(folder, error)) {
        const auto text = readFile(item.path());
        if (text && registry::runValueOfEntry(*text) == name)
            found.push_back({item.path(), *text});
    }
    return found;
}

class RunEntryTest : public WindowTest {
protected:
    // The machine-wide store where nobody can create it, whoever runs the
    // test (root included): its folder is a file.
    void makeMachineStoreUnwritable()
    {
        writeFile(m_temp / "blocked", "not a folder");
        m_app->env()["TARNQUILL_MACHINE_REGISTRY"] = (m_temp / "blocked" / "registry.sqlite3").string();
    }

    void clickCheck2() { clickBox("Check2"); }

    std::string name() const { return m_app->program().filename().string(); }
    fs::path userFolder() const { return m_app->home() / ".config/autostart"; }
    fs::path machineFolder() const { return m_app->systemFolder() / "xdg/autostart"; }

    bool waitForEntries(const fs::path& folder, std::size_t count)
    {
        return waitFor([&] { return entriesFor(folder, name()).size() == count; }, 10s, 20ms);
    }
};

TEST_F(RunEntryTest, WithoutRightsToTheMachineTheEntryIsTheUsersAndFollowsEachClick)
{
    makeMachineStoreUnwritable();
    start();
    // Nothing is written at start; the box starts checked whatever is there.
    EXPECT_TRUE(entriesFor(userFolder(), name()).empty());

    clickCheck2(); // cleared: the entry is deleted, of which there is none
    clickCheck2(); // checked again: written
    ASSERT_TRUE(waitForEntries(userFolder(), 1)) << "no autostart entry in " << userFolder();
    const Entry entry = entriesFor(userFolder(), name()).front();
    EXPECT_NE(entry.text.find("Exec=" + m_app->program().string()), std::string::npos)
        << "starts this copy of the program:\n" << entry.text;
    EXPECT_TRUE(entriesFor(machineFolder(), name()).empty());

    clickCheck2();
    EXPECT_TRUE(waitForEntries(userFolder(), 0)) << "cleared, yet the entry stays";
}

TEST_F(RunEntryTest, WithRightsToTheMachineTheEntryIsTheMachinesAndAKeyUpAppliesTheBoxAgain)
{
    start();
    clickCheck2();
    clickCheck2();
    ASSERT_TRUE(waitForEntries(machineFolder(), 1)) << "no autostart entry in " << machineFolder();
    EXPECT_TRUE(entriesFor(userFolder(), name()).empty()) << "the user's own key is left alone";

    // The space bar toggles the focused box: cleared, the entry goes.
    pressKey(*m_x, "space");
    ASSERT_TRUE(waitForEntries(machineFolder(), 0));
    pressKey(*m_x, "space");
    ASSERT_TRUE(waitForEntries(machineFolder(), 1));

    // Any other key leaves the box as it is, but its release writes the
    // entry again: a file deleted behind the program's back comes back.
    fs::remove(entriesFor(machineFolder(), name()).front().file);
    pressKey(*m_x, "a");
    EXPECT_TRUE(waitForEntries(machineFolder(), 1)) << "the key-up did not apply the box";
}

} // namespace
} // namespace tarnquill::gui
