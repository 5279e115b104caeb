// The tray icon on a private X server with a real tray host (trayer): the
// icon that CWinAPI::TrayIcon adds through LinuxWin32Api docks in the tray,
// and clicks on it with xdotool come back to the callback window as the
// mouse messages the Windows shell reports, decoded by TryIcnRtnMsg.
//
// The main window cannot be sent to the tray yet, so a small program
// (TrayProbe.cpp) stands for it: the same Qt front-end library, a hidden
// callback control like Picture1, the program icon.

#include "GuiHarness.h"
#include "Screen.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace tarnquill::gui {
namespace {

class TrayIconTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"Xvfb", "trayer", "xdotool", "xwininfo"})
            ASSERT_FALSE(findProgram(tool).empty()) << tool << " is needed";
        m_x = std::make_unique<XvfbSession>();

        m_trayer = m_x->spawn({"trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height",
                               "24", "--transparent", "false", "--SetDockType", "true"});
        ASSERT_TRUE(waitFor([&] { return !m_x->windowsOf(m_trayer.pid()).empty(); }, 10s, 20ms))
            << "trayer showed no panel";
    }

    void TearDown() override
    {
        if (HasFailure() && m_probe.valid()) {
            m_probe.drainOutput();
            std::fprintf(stderr, "probe output:\n%s%s\n", m_probe.stdoutText().c_str(), m_probe.stderrText().c_str());
        }
        if (m_probe.valid())
            m_probe.terminate(5s);
        if (m_trayer.valid())
            m_trayer.terminate(5s);
    }

    // Starts the probe with its folders in the test's temporary folder and
    // waits until its icon is docked; returns the icon's window.
    unsigned long startProbe()
    {
        SpawnOptions options;
        for (const char* sub : {"home/.config", "system/xdg/autostart", "runtime"})
            std::filesystem::create_directories(m_temp / sub);
        std::filesystem::permissions(m_temp / "runtime", std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace);
        options.env["HOME"] = (m_temp / "home").string();
        options.env["XDG_CONFIG_HOME"] = (m_temp / "home/.config").string();
        options.env["XDG_RUNTIME_DIR"] = (m_temp / "runtime").string();
        options.env["TARNQUILL_MACHINE_REGISTRY"] = (m_temp / "system/registry.sqlite3").string();
        options.env["TARNQUILL_MACHINE_AUTOSTART"] = (m_temp / "system/xdg/autostart").string();
        options.pipeStdout = true;
        options.pipeStderr = true;
        m_probe = m_x->spawn({GUI_TRAY_PROBE}, options);
        EXPECT_TRUE(m_probe.waitForOutput("added\n", 10s));

        std::vector<unsigned long> windows;
        EXPECT_TRUE(waitFor([&] { return (windows = m_x->windowsOf(m_probe.pid())).size() == 1; }, 10s, 20ms))
            << "the icon never showed";
        return windows.empty() ? 0 : windows.front();
    }

    std::string probeOutput()
    {
        m_probe.drainOutput();
        return m_probe.stdoutText();
    }

    TempDir m_temp;
    std::unique_ptr<XvfbSession> m_x;
    Process m_trayer;
    Process m_probe;
};

TEST_F(TrayIconTest, ClicksOnTheDockedIconDecodeAsTheShellsMouseMessages)
{
    const unsigned long icon = startProbe();
    ASSERT_NE(icon, 0u);
    const ScreenRect place = windowGeometry(*m_x, icon);
    const ScreenRect panel = windowGeometry(*m_x, m_x->windowsOf(m_trayer.pid()).front());
    EXPECT_GE(place.left, panel.left);
    EXPECT_LE(place.right(), panel.right());
    EXPECT_LE(place.bottom(), 24) << "docked in the panel at the top edge, not a window of its own: " << place;

    // Right and middle buttons: reported, and the icon stays.
    clickAt(*m_x, place.centreX(), place.centreY(), 3);
    ASSERT_TRUE(m_probe.waitForOutput("message 517\n", 10s)) << probeOutput();
    clickAt(*m_x, place.centreX(), place.centreY(), 2);
    ASSERT_TRUE(m_probe.waitForOutput("message 520\n", 10s)) << probeOutput();
    EXPECT_EQ(m_x->windowsOf(m_probe.pid()).size(), 1u);

    // Left button: 514, on which the icon is removed from the tray.
    clickAt(*m_x, place.centreX(), place.centreY(), 1);
    ASSERT_TRUE(m_probe.waitForOutput("removed\n", 10s)) << probeOutput();
    EXPECT_TRUE(waitFor([&] { return m_x->windowsOf(m_probe.pid()).empty(); }, 10s, 20ms))
        << "the icon is still shown";
    EXPECT_EQ(probeOutput(), "added\nmessage 517\nmessage 520\nmessage 514\nremoved\n");
}

} // namespace
} // namespace tarnquill::gui
