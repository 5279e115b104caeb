// SPDX-License-Identifier: MIT
// The whole program from its start to its end on a private X server at 96
// dpi: the loading window, the drag by the title, the tray (under trayer),
// the Run entry following Check2, and every way out saving the history and
// applying the Run entry.

#include "WindowTest.h"

#include "platform/linux/registry/AutostartFolder.h"
#include "support/TrayHost.h"

#include <algorithm>
#include <csignal>

namespace tarnquill::test {
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

class StartExitTest : public WindowTest {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(findProgram("trayer").empty()) << "trayer is needed";
        WindowTest::SetUp();
    }

    void startTray() { m_tray = std::make_unique<TrayHost>(*m_x); }

    bool mainWindowShown() const
    {
        const auto windows = m_x->windowsOf(m_app->process().pid());
        return std::find(windows.begin(), windows.end(), m_window) != windows.end();
    }

    // The program's one visible window that is not the main window: its
    // tray icon.
    std::optional<unsigned long> trayIcon() const
    {
        for (unsigned long window : m_x->windowsOf(m_app->process().pid()))
            if (window != m_window)
                return window;
        return std::nullopt;
    }

    std::string name() const { return m_app->program().filename().string(); }
    fs::path userFolder() const { return m_app->home() / ".config/autostart"; }
    fs::path machineFolder() const { return m_app->systemFolder() / "xdg/autostart"; }
    // The Run entries, machine-wide or the user's.
    std::size_t runEntries() const
    {
        return entriesFor(machineFolder(), name()).size() + entriesFor(userFolder(), name()).size();
    }

    std::unique_ptr<TrayHost> m_tray;
};

// ---- start ------------------------------------------------------------------

// One start without a tray: the loading window, drags by the title, then
// Send to Tray.
TEST_F(StartExitTest, TheLoadingWindowStaysHiddenTheTitleDragsAndSendToTrayMinimisesWithoutATray)
{
    start();
    // The loading window came first (Form1LifecycleTest checks the order) and
    // is hidden, not destroyed: it is never unloaded.
    const RunResult loading = m_x->run(
        {"xdotool", "search", "--pid", std::to_string(m_app->process().pid()), "--name", "^Form2$"});
    ASSERT_TRUE(loading.ok()) << "no loading window";
    const ScreenRect loadingPlace = windowGeometry(*m_x, std::stoul(loading.out));
    EXPECT_EQ(loadingPlace.width, 218);
    EXPECT_EQ(loadingPlace.height, 79);

    // Dragged by the title 300 twips right and 150 down (20 and 10 pixels at 96 dpi) with either
    // button, in one move or in thirty sent at once: later moves reach the
    // program before the server has moved the window for the earlier ones.
    for (const auto& [button, moves] : {std::pair{1, 1}, {3, 1}, {1, 30}, {3, 30}}) {
        SCOPED_TRACE("button " + std::to_string(button) + ", " + std::to_string(moves) + " moves");
        const ScreenRect from = m_origin = windowGeometry(*m_x, m_window);
        const int x = place("Label25").left + 100;
        const int y = place("Label25").centreY();
        std::vector<std::string> args{"xdotool", "mousemove", std::to_string(x), std::to_string(y), "mousedown",
                                      std::to_string(button)};
        for (int i = 1; i <= moves; ++i)
            args.insert(args.end(), {"mousemove", std::to_string(x + 20 * i / moves), std::to_string(y + 10 * i / moves)});
        args.insert(args.end(), {"mouseup", std::to_string(button)});
        ASSERT_TRUE(m_x->run(args).ok());

        // Once a copy made after the release is recorded, every move has
        // reached the program.
        barrier();
        const ScreenRect moved = windowGeometry(*m_x, m_window);
        EXPECT_EQ(moved.left - from.left, 20);
        EXPECT_EQ(moved.top - from.top, 10);
    }

    // Send to Tray with no trayer (nothing owns the tray selection).
    m_origin = windowGeometry(*m_x, m_window);
    click("Label6");
    ASSERT_TRUE(waitUntil(
        [&] {
            return windowProperty(*m_x, m_window, "WM_HINTS").value_or("").find("Iconic") != std::string::npos;
        },
        5s))
        << "the window was not minimised: " << windowProperty(*m_x, m_window, "WM_HINTS").value_or("");
    // Without a window manager nothing takes the minimised window away, so
    // it is still there; what matters is that it was neither hidden out of
    // reach nor closed.
    EXPECT_TRUE(mainWindowShown());
    EXPECT_FALSE(trayIcon());
    EXPECT_TRUE(m_app->running());
}

// ---- tray -------------------------------------------------------------------------

TEST_F(StartExitTest, UnderscoreHidesIntoTheTrayAndALeftClickOrASecondStartBringsTheWindowBack)
{
    startTray();
    start();
    const ScreenRect before = windowGeometry(*m_x, m_window);
    click("Label1", 0);
    std::optional<unsigned long> icon;
    ASSERT_TRUE(waitUntil([&] { return !mainWindowShown() && (icon = trayIcon()); }, 10s))
        << "the window did not go into the tray";
    const ScreenRect iconPlace = windowGeometry(*m_x, *icon);
    const ScreenRect panel = windowGeometry(*m_x, m_tray->panel());
    EXPECT_LE(iconPlace.bottom(), m_tray->height()) << "docked in the panel: " << iconPlace;
    EXPECT_GE(iconPlace.left, panel.left);
    // The program keeps running with nothing of it on the screen but the icon.
    const Screenshot inTray = shot();
    EXPECT_NE(inTray.at(before.left + 20, before.top + 20), kPaleBack);

    clickAt(*m_x, iconPlace.centreX(), iconPlace.centreY(), 1);
    ASSERT_TRUE(waitUntil([&] { return mainWindowShown() && !trayIcon(); }, 10s))
        << "a left click did not bring the window back from the tray";
    const ScreenRect after = windowGeometry(*m_x, m_window);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_TRUE(m_app->running());

    // Into the tray again: a second start of the program brings it out.
    click("Label1", 0);
    ASSERT_TRUE(waitUntil([&] { return !mainWindowShown() && trayIcon(); }, 10s));

    Process second = m_app->startAgain();
    ASSERT_TRUE(second.wait(10s)) << "the second start is still running";
    EXPECT_TRUE(waitUntil([&] { return mainWindowShown() && !trayIcon(); }, 10s))
        << "the window did not come back, or left its icon behind";
}

// ---- every way out ------------------------------------------------------------------

enum class Way { ExitLabel, UnderscoreWithoutTray, Term, Interrupt, HangUp, CloseRequest,
                 TermFromTheTray };

struct ExitCase {
    const char* name;
    Way way;
};

class ExitTest : public StartExitTest, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(ExitTest, SavesTheWholeHistoryAppliesTheRunEntryAndEnds)
{
    const ExitCase& exitCase = GetParam();
    if (exitCase.way == Way::TermFromTheTray)
        startTray();
    // No store: the start leaves an empty file, so what is in it at the end
    // is the exit's save.
    start();
    ASSERT_EQ(m_app->store().value_or("?"), "");
    ASSERT_EQ(runEntries(), 0u) << "nothing is written at start";

    auto endThrough = [&](Way way) {
        switch (way) {
        case Way::ExitLabel:
            click("Label3");
            break;
        case Way::UnderscoreWithoutTray: {
            // Check1's square without its caption, whose focus frame would
            // add dark pixels: cleared, its tick goes.
            const ScreenRect box{place("Check1").left, place("Check1").top, 13, place("Check1").height};
            const int ticked = shot().countDark(box);
            clickBox("Check1");
            ASSERT_TRUE(waitUntil([&] { return shot().countDark(box) < ticked; }, 5s)) << "Check1 was not cleared";
            click("Label1", 0);
            break;
        }
        case Way::Term:
            m_app->process().sendSignal(SIGTERM);
            break;
        case Way::Interrupt:
            m_app->process().sendSignal(SIGINT);
            break;
        case Way::HangUp:
            m_app->process().sendSignal(SIGHUP);
            break;
        case Way::CloseRequest:
            ASSERT_TRUE(m_x->run({GUI_CLOSE_WINDOW, std::to_string(m_window)}).ok());
            break;
        case Way::TermFromTheTray:
            click("Label1", 0);
            ASSERT_TRUE(waitUntil([&] { return trayIcon().has_value(); }, 10s));
            m_app->process().sendSignal(SIGTERM);
            break;
        }
    };
    endThrough(exitCase.way);

    const auto status = m_app->process().wait(10s);
    ASSERT_TRUE(status) << "the program did not end";
    EXPECT_TRUE(status->exited() && status->exitCode() == 0) << status->describe();
    EXPECT_EQ(m_app->store(), storeOf({})) << "the store holds other than all 500 records, empty";
    EXPECT_EQ(runEntries(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, ExitTest,
    ::testing::Values(ExitCase{"ExitLabel", Way::ExitLabel},
                      ExitCase{"UnderscoreWithCheck1Cleared", Way::UnderscoreWithoutTray},
                      ExitCase{"Sigterm", Way::Term},
                      ExitCase{"Sigint", Way::Interrupt}, ExitCase{"Sighup", Way::HangUp},
                      ExitCase{"WindowClosed", Way::CloseRequest},
                      ExitCase{"SigtermInTheTray", Way::TermFromTheTray}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Check2 -----------------------------------------------------------------------

// Check2 "Run Tarnquill at windows Start-up": each click, and each key
// released on the box, makes the Run entry (an XDG autostart file) follow the
// box at once. Where the machine-wide registry may be written the entry is
// the machine's; where it may not (an ordinary user; here its folder is a
// file, whoever runs the test), the user's own.
class RunEntryTest : public StartExitTest, public ::testing::WithParamInterface<bool> {};

TEST_P(RunEntryTest, FollowsEachClickAndKeyUpInTheFolderOfWhoMayWrite)
{
    const bool machineWritable = GetParam();
    if (!machineWritable) {
        writeFile(m_temp / "blocked", "not a folder");
        m_app->env()["TARNQUILL_MACHINE_REGISTRY"] = (m_temp / "blocked" / "registry.sqlite3").string();
    }
    const fs::path folder = machineWritable ? machineFolder() : userFolder();
    const auto entries = [&](std::size_t count) {
        return waitUntil([&] { return entriesFor(folder, name()).size() == count; }, 10s);
    };
    start();
    clickBox("Check2"); // cleared: the entry is deleted, of which there is none
    clickBox("Check2"); // checked again: written
    ASSERT_TRUE(entries(1)) << "no autostart entry in " << folder;
    const Entry entry = entriesFor(folder, name()).front();
    EXPECT_NE(entry.text.find("Exec=" + m_app->program().string()), std::string::npos) << entry.text;
    EXPECT_EQ(runEntries(), 1u) << "an entry in the other folder too";

    // The space bar toggles the focused box.
    pressKey(*m_x, "space");
    ASSERT_TRUE(entries(0)) << "cleared, yet the entry stays";
    pressKey(*m_x, "space");
    ASSERT_TRUE(entries(1));

    // Any other key leaves the box as it is, but its release writes the
    // entry again: a file deleted behind the program's back comes back.
    fs::remove(entriesFor(folder, name()).front().file);
    pressKey(*m_x, "a");
    EXPECT_TRUE(entries(1)) << "the key-up did not apply the box";
}

INSTANTIATE_TEST_SUITE_P(Rights, RunEntryTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Machine" : "UserOnly"; });

} // namespace
} // namespace tarnquill::test
