// Check2 "Run Tarnquill at windows Start-up" in the real program: each click
// (and each key released on the box) makes the Run entry follow the box at
// once, and on Linux the Run entry is an XDG autostart file. Where the
// machine-wide registry may be written the entry is the machine's; where it
// may not (an ordinary user), the user's own.

#include "GuiHarness.h"
#include "Screen.h"

#include "app/Design.h"
#include "app/Twips.h"
#include "platform/linux/registry/AutostartFolder.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace tarnquill::gui {
namespace {

namespace fs = std::filesystem;

constexpr double kDpi = 96.0;
constexpr Rgb kPaleBack{220, 230, 235};

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

class RunEntryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"Xvfb", "xdotool", "xwininfo", "import"})
            ASSERT_FALSE(findProgram(tool).empty()) << tool << " is needed";
        m_x = std::make_unique<XvfbSession>();
        m_app = std::make_unique<Tarnquill>(*m_x, m_temp.path());
    }

    void TearDown() override
    {
        if (HasFailure() && m_app)
            std::fprintf(stderr, "program output:\n%s\n", m_app->log().c_str());
    }

    // The machine-wide store where nobody can create it, whoever runs the
    // test (root included): its folder is a file.
    void makeMachineStoreUnwritable()
    {
        writeFile(m_temp / "blocked", "not a folder");
        m_app->env()["TARNQUILL_MACHINE_REGISTRY"] = (m_temp / "blocked" / "registry.sqlite3").string();
    }

    void start()
    {
        m_app->start();
        const auto windows = m_x->windowsOf(m_app->process().pid());
        ASSERT_EQ(windows.size(), 1u);
        const ScreenRect origin = windowGeometry(*m_x, windows.front());
        const app::PixelRect box = app::toPixels(app::control(app::WindowId::Form1, "Check2").place, kDpi);
        m_check2 = {origin.left + box.left, origin.top + box.top, box.width, box.height};
        ASSERT_TRUE(waitFor(
            [&] {
                return Screenshot::take(*m_x, m_temp / "shot.ppm").at(m_check2.right() - 3, m_check2.centreY())
                    == kPaleBack;
            },
            10s, 50ms))
            << "the window was never painted";
    }

    // On the box's square, which a click toggles wherever the caption ends.
    void clickCheck2() { clickAt(*m_x, m_check2.left + 6, m_check2.centreY()); }

    std::string name() const { return m_app->program().filename().string(); }
    fs::path userFolder() const { return m_app->home() / ".config/autostart"; }
    fs::path machineFolder() const { return m_app->systemFolder() / "xdg/autostart"; }

    bool waitForEntries(const fs::path& folder, std::size_t count)
    {
        return waitFor([&] { return entriesFor(folder, name()).size() == count; }, 10s, 20ms);
    }

    TempDir m_temp;
    std::unique_ptr<XvfbSession> m_x;
    std::unique_ptr<Tarnquill> m_app;
    ScreenRect m_check2;
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
