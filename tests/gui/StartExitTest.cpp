// SPDX-License-Identifier: MIT
// The whole program from its start to its end on a private X server at 96
// dpi: the loading window that comes first, the drag by the title, the tray
// (under trayer), the Run entry following Check2, and every way out saving
// the history and applying the Run entry.

#include "WindowTest.h"

#include "history/StoreFormat.h"
#include "platform/linux/registry/AutostartFolder.h"

#include <algorithm>
#include <csignal>
#include <sstream>
#include <thread>

namespace tarnquill::gui {
namespace {

namespace fs = std::filesystem;

constexpr int kTrayHeight = 24;

// Map and unmap events of the root's children, as xev prints them.
struct MapEvent {
    bool mapped = false;
    unsigned long window = 0;
};

std::vector<MapEvent> mapEvents(const std::string& xevOutput)
{
    std::vector<MapEvent> events;
    std::istringstream lines(xevOutput);
    std::string line;
    std::optional<bool> pending;
    while (std::getline(lines, line)) {
        if (line.starts_with("MapNotify event")) {
            pending = true;
        } else if (line.starts_with("UnmapNotify event")) {
            // Qt also sends the synthetic unmap that ICCCM asks of a client
            // withdrawing a window; one is enough.
            pending = line.find("synthetic YES") == std::string::npos ? std::optional<bool>(false) : std::nullopt;
        } else if (pending) {
            const auto at = line.find(", window 0x");
            if (at != std::string::npos) {
                events.push_back({*pending, std::stoul(line.substr(at + 9), nullptr, 16)});
                pending.reset();
            }
        }
    }
    return events;
}

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
        for (const char* tool : {"xev", "trayer"})
            ASSERT_FALSE(findProgram(tool).empty()) << tool << " is needed";
        WindowTest::SetUp();
    }

    void TearDown() override
    {
        WindowTest::TearDown();
        if (m_trayer.valid())
            m_trayer.terminate(5s);
    }

    void startTray()
    {
        m_trayer = m_x->spawn({"trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height",
                               std::to_string(kTrayHeight), "--transparent", "false", "--SetDockType", "true"});
        ASSERT_TRUE(waitFor([&] { return !m_x->windowsOf(m_trayer.pid()).empty(); }, 10s, 20ms))
            << "trayer showed no panel";
    }

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

    // The store as the exit leaves it: all 500 records, empty.
    void expectWholeEmptyStore()
    {
        std::array<SharedText, kHistorySlots> expected;
        expected.fill(std::make_shared<const std::string>());
        EXPECT_EQ(m_app->store(), encodeStore(expected)) << "the store holds other than all 500 records";
    }

    Process m_trayer;
};

// ---- start ------------------------------------------------------------------

// One start without a tray: the windows at start, then drags by the title,
// then Send to Tray.
TEST_F(StartExitTest, TheLoadingWindowComesFirstTheTitleDragsAndSendToTrayMinimisesWithoutATray)
{
    SpawnOptions options;
    options.pipeStdout = true;
    Process xev = m_x->spawn({"xev", "-root", "-event", "substructure", "-event", "property"}, options);
    // xev listens once it reports a change of a root property; only then
    // does the program start.
    ASSERT_TRUE(waitFor(
        [&] {
            m_x->run({"xprop", "-root", "-f", "TARNQUILL_TEST_READY", "8s", "-set", "TARNQUILL_TEST_READY", "1"});
            return xev.waitForOutput("PropertyNotify", 50ms);
        },
        10s));
    start();
    std::vector<MapEvent> events;
    ASSERT_TRUE(waitFor(
        [&] {
            xev.drainOutput();
            events = mapEvents(xev.stdoutText());
            return !events.empty() && events.back().mapped && events.back().window == m_window;
        },
        5s));
    xev.terminate(2s);

    ASSERT_EQ(events.size(), 3u) << xev.stdoutText();
    const unsigned long loading = events[0].window;
    EXPECT_TRUE(events[0].mapped);
    EXPECT_EQ(m_x->windowName(loading), "Form2");
    EXPECT_FALSE(events[1].mapped);
    EXPECT_EQ(events[1].window, loading);
    EXPECT_EQ(m_x->windowName(m_window), "Tarnquill");
    // Hidden, not destroyed: the loading window is never unloaded.
    EXPECT_FALSE(m_x->windowName(loading).empty());
    const ScreenRect loadingPlace = windowGeometry(*m_x, loading);
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

        ScreenRect moved;
        EXPECT_TRUE(waitFor(
            [&] {
                moved = windowGeometry(*m_x, m_window);
                return moved.left != from.left || moved.top != from.top;
            },
            5s));
        // Settled: nothing more arrives after the release.
        std::this_thread::sleep_for(200ms);
        moved = windowGeometry(*m_x, m_window);
        EXPECT_EQ(moved.left - from.left, 20);
        EXPECT_EQ(moved.top - from.top, 10);

        // The drag ended with the release: the pointer moving over the title
        // without a button moves nothing.
        ASSERT_TRUE(m_x->run({"xdotool", "mousemove", std::to_string(x + 60), std::to_string(y + 10)}).ok());
        std::this_thread::sleep_for(200ms);
        EXPECT_EQ(windowGeometry(*m_x, m_window).left, moved.left);
    }

    // Send to Tray with no trayer (nothing owns the tray selection).
    m_origin = windowGeometry(*m_x, m_window);
    click("Label6");
    ASSERT_TRUE(waitFor(
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
    ASSERT_TRUE(waitFor([&] { return !mainWindowShown() && (icon = trayIcon()); }, 10s, 20ms))
        << "the window did not go into the tray";
    const ScreenRect iconPlace = windowGeometry(*m_x, *icon);
    const ScreenRect panel = windowGeometry(*m_x, m_x->windowsOf(m_trayer.pid()).front());
    EXPECT_LE(iconPlace.bottom(), kTrayHeight) << "docked in the panel: " << iconPlace;
    EXPECT_GE(iconPlace.left, panel.left);
    // The program keeps running with nothing of it on the screen but the icon.
    const Screenshot inTray = shot();
    EXPECT_NE(inTray.at(before.left + 20, before.top + 20), kPaleBack);

    clickAt(*m_x, iconPlace.centreX(), iconPlace.centreY(), 3);
    std::this_thread::sleep_for(500ms);
    EXPECT_FALSE(mainWindowShown()) << "a right click restored the window";
    EXPECT_TRUE(trayIcon()) << "a right click removed the icon";

    clickAt(*m_x, iconPlace.centreX(), iconPlace.centreY(), 1);
    ASSERT_TRUE(waitFor([&] { return mainWindowShown() && !trayIcon(); }, 10s, 20ms))
        << "a left click did not bring the window back from the tray";
    const ScreenRect after = windowGeometry(*m_x, m_window);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_TRUE(m_app->running());

    // Into the tray again: a second start of the program brings it out.
    click("Label1", 0);
    ASSERT_TRUE(waitFor([&] { return !mainWindowShown() && trayIcon(); }, 10s, 20ms));

    SpawnOptions options;
    options.env = m_app->env();
    Process second = m_x->spawn({m_app->program().string()}, options);
    ASSERT_TRUE(second.wait(10s)) << "the second start is still running";
    EXPECT_TRUE(waitFor([&] { return mainWindowShown() && !trayIcon(); }, 10s, 20ms))
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
        case Way::UnderscoreWithoutTray:
            clickBox("Check1");
            std::this_thread::sleep_for(200ms);
            click("Label1", 0);
            break;
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
            ASSERT_TRUE(waitFor([&] { return trayIcon().has_value(); }, 10s, 20ms));
            m_app->process().sendSignal(SIGTERM);
            break;
        }
    };
    endThrough(exitCase.way);

    const auto status = m_app->process().wait(10s);
    ASSERT_TRUE(status) << "the program did not end";
    EXPECT_TRUE(status->exited() && status->exitCode() == 0) << status->describe();
    expectWholeEmptyStore();
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

// Check2 "Run Tarnquill at windows Start-up": each click (and each key
// released on the box) makes the Run entry follow the box at once, and on
// Linux the Run entry is an XDG autostart file. Where the machine-wide
// registry may be written the entry is the machine's; where it may not (an
// ordinary user), the user's own.
class RunEntryTest : public StartExitTest {
protected:
    // The machine-wide store where nobody can create it, whoever runs the
    // test (root included): its folder is a file.
    void makeMachineStoreUnwritable()
    {
        writeFile(m_temp / "blocked", "not a folder");
        m_app->env()["TARNQUILL_MACHINE_REGISTRY"] = (m_temp / "blocked" / "registry.sqlite3").string();
    }

    void clickCheck2() { clickBox("Check2"); }

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
