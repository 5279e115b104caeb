// SPDX-License-Identifier: MIT
// The whole program from its start to its end on a private X server at 96
// dpi: the loading window, the drag by the title, the tray (under trayer),
// the Run entry following Check2, and every way out saving the history and
// applying the Run entry.

#include "WindowTest.h"

#include "platform/linux/registry/AutostartFolder.h"
#include "support/TrayHost.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>

namespace tarnquill::test {
namespace {

namespace fs = std::filesystem;

// The autostart files in `folder` that stand for the Run value `name`.
std::vector<fs::path> entriesFor(const fs::path& folder, const std::string& name)
{
    std::vector<fs::path> found;
    std::error_code error;
    for (const auto& item : fs::directory_iterator(folder, error))
        if (registry::runValueOfEntry(readFile(item.path()).value_or("")) == name)
            found.push_back(item.path());
    return found;
}

// Asks the window to close as a window manager does for its close button or
// Alt+F4 (the test servers run none): WM_DELETE_WINDOW in a WM_PROTOCOLS
// message. False when the server could not be reached.
bool sendCloseRequest(const std::string& display, unsigned long window)
{
    xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
    const auto atom = [&](std::string_view name) {
        const auto cookie = xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.data());
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    };
    xcb_client_message_event_t message{.response_type = XCB_CLIENT_MESSAGE, .format = 32, .sequence = 0,
                                       .window = static_cast<xcb_window_t>(window), .type = atom("WM_PROTOCOLS"),
                                       .data = {}};
    message.data.data32[0] = atom("WM_DELETE_WINDOW");
    xcb_send_event(connection, 0, message.window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
    // A round trip: the message is with the server when this returns.
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    const bool sent = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return sent;
}

class StartExitTest : public WindowTest {
protected:
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

// One start without a tray: the loading window, drags by the title, then
// Send to Tray.
TEST_F(StartExitTest, TheLoadingWindowStaysHiddenTheTitleDragsAndSendToTrayMinimisesWithoutATray)
{
    start();
    // The loading window came first (Form1Test checks the order) and is
    // hidden, not destroyed: it is never unloaded.
    EXPECT_TRUE(m_x->run({"xdotool", "search", "--pid", std::to_string(m_app->process().pid()), "--name", "^Form2$"})
                    .ok())
        << "no loading window";

    // Dragged by the title 300 twips right and 150 down (20 and 10 pixels at 96 dpi) with either
    // button, in one move or in thirty sent at once: later moves reach the
    // program before the server has moved the window for the earlier ones.
    for (const auto& [button, moves] : {std::pair{1, 1}, {3, 1}, {1, 30}, {3, 30}}) {
        SCOPED_TRACE("button " + std::to_string(button) + ", " + std::to_string(moves) + " moves");
        const ScreenRect from = m_origin = windowGeometry(*m_x, m_window);
        const int x = place("Label25").left + 100;
        const int y = place("Label25").centreY();
        std::vector<std::string> args{"mousemove", std::to_string(x), std::to_string(y), "mousedown",
                                      std::to_string(button)};
        for (int i = 1; i <= moves; ++i)
            args.insert(args.end(), {"mousemove", std::to_string(x + 20 * i / moves), std::to_string(y + 10 * i / moves)});
        args.insert(args.end(), {"mouseup", std::to_string(button)});
        xdotool(*m_x, args);

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

enum class Way { ExitLabel, UnderscoreWithoutTray, Signal, CloseRequest };

struct ExitCase {
    const char* name;
    Way way;
    int signal = 0;
    // In the tray (under trayer) when the way out is taken.
    bool inTray = false;
};

class ExitTest : public StartExitTest, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(ExitTest, SavesTheWholeHistoryAppliesTheRunEntryAndEnds)
{
    const ExitCase& exitCase = GetParam();
    if (exitCase.inTray)
        startTray();
    // No store: the start leaves an empty file, so what is in it at the end
    // is the exit's save.
    start();
    ASSERT_EQ(m_app->store().value_or("?"), "");
    ASSERT_EQ(runEntries(), 0u) << "nothing is written at start";
    if (exitCase.inTray) {
        click("Label1", 0);
        ASSERT_TRUE(waitUntil([&] { return trayIcon().has_value(); }, 10s));
    }

    switch (exitCase.way) {
    case Way::ExitLabel:
        click("Label3");
        break;
    case Way::UnderscoreWithoutTray: {
        // Check1's square without its caption, whose focus frame would add
        // dark pixels: cleared, its tick goes.
        const ScreenRect box{place("Check1").left, place("Check1").top, 13, place("Check1").height};
        const int ticked = shot().countDark(box);
        clickBox("Check1");
        ASSERT_TRUE(waitUntil([&] { return shot().countDark(box) < ticked; }, 5s)) << "Check1 was not cleared";
        click("Label1", 0);
        break;
    }
    case Way::Signal:
        m_app->process().sendSignal(exitCase.signal);
        break;
    case Way::CloseRequest:
        ASSERT_TRUE(sendCloseRequest(m_x->display(), m_window));
        break;
    }

    const auto status = m_app->process().wait(10s);
    ASSERT_TRUE(status) << "the program did not end";
    EXPECT_TRUE(status->success()) << status->describe();
    EXPECT_EQ(m_app->store(), storeOf({})) << "the store holds other than all 500 records, empty";
    EXPECT_EQ(runEntries(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, ExitTest,
    ::testing::Values(ExitCase{"ExitLabel", Way::ExitLabel},
                      ExitCase{"UnderscoreWithCheck1Cleared", Way::UnderscoreWithoutTray},
                      ExitCase{"Sigterm", Way::Signal, SIGTERM}, ExitCase{"Sigint", Way::Signal, SIGINT},
                      ExitCase{"Sighup", Way::Signal, SIGHUP}, ExitCase{"WindowClosed", Way::CloseRequest},
                      ExitCase{"SigtermInTheTray", Way::Signal, SIGTERM, true}),
    [](const auto& info) { return std::string(info.param.name); });

// Check2 "Run Tarnquill at windows Start-up": each click, and each key
// released on the box (Form1Test: any key's), makes the Run entry (an XDG
// autostart file) follow the box at once. Where the machine-wide registry may
// be written the entry is the machine's; where it may not (an ordinary user;
// here its folder is a file, whoever runs the test), the user's own.
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
    const std::string entry = readFile(entriesFor(folder, name()).front()).value_or("");
    EXPECT_NE(entry.find("Exec=" + m_app->program().string()), std::string::npos) << entry;
    EXPECT_EQ(runEntries(), 1u) << "an entry in the other folder too";

    // The space bar toggles the focused box.
    xdotool(*m_x, {"key", "space"});
    ASSERT_TRUE(entries(0)) << "cleared, yet the entry stays";
    xdotool(*m_x, {"key", "space"});
    EXPECT_TRUE(entries(1));
}

INSTANTIATE_TEST_SUITE_P(Rights, RunEntryTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Machine" : "UserOnly"; });

} // namespace
} // namespace tarnquill::test
