// SPDX-License-Identifier: MIT
#pragma once

// A fixture for tests that drive the real program on a private X server (96
// dpi unless a test announces another), with real clipboard owners: the
// program started and its main window painted, the controls' places on the
// screen from the window design, clicks on them and screenshots kept in the
// test's folder.

#include "ProgramUnderTest.h"
#include "Screen.h"

#include "app/Design.h"
#include "app/Twips.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace tarnquill::test {

inline constexpr Rgb kPaleBack{220, 230, 235};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"Xvfb", "xclip", "xdotool", "xwininfo", "xprop", "import"})
            ASSERT_FALSE(findProgram(tool).empty()) << tool << " is needed";
        m_x = std::make_unique<XvfbSession>();
        m_clipboard = std::make_unique<ClipboardOwner>(*m_x);
        m_app = std::make_unique<Tarnquill>(*m_x, m_temp.path());
    }

    void TearDown() override
    {
        if (HasFailure() && m_app)
            std::fprintf(stderr, "program output:\n%s\nscreenshots in %s (TARNQUILL_KEEP_TEMP=1 keeps them)\n",
                         m_app->log().c_str(), m_temp.path().c_str());
    }

    // Starts the program over a store holding `newestFirst` (none when empty)
    // and waits until its main window, alone, is painted.
    void start(const std::vector<std::string>& newestFirst = {})
    {
        if (!newestFirst.empty())
            writeFile(m_app->storeFile(), storeOf(newestFirst));
        if (m_dpi != 96) {
            // As a desktop announces a denser screen to its programs.
            writeFile(m_temp / "resources", "Xft.dpi: " + std::to_string(m_dpi) + "\n");
            ASSERT_TRUE(m_x->run({"xrdb", "-merge", (m_temp / "resources").string()}).ok());
        }
        m_app->start();
        const auto windows = m_x->windowsOf(m_app->process().pid());
        ASSERT_EQ(windows.size(), 1u) << "only the main window shows at start";
        m_window = windows.front();
        m_origin = windowGeometry(*m_x, m_window);
        const ScreenRect title = place("Label25");
        ASSERT_TRUE(waitUntil([&] { return shot().at(title.left + 3, title.bottom() - 3) == kPaleBack; }, 10s))
            << "the window was never painted";
    }

    // A control's place on the screen, from the design at m_dpi.
    ScreenRect place(std::string_view name, int index = app::kNoIndex) const
    {
        const app::PixelRect p = app::toPixels(app::control(app::WindowId::Form1, name, index).place, m_dpi);
        return {m_origin.left + p.left, m_origin.top + p.top, p.width, p.height};
    }

    void click(std::string_view name, int index = app::kNoIndex)
    {
        const ScreenRect r = place(name, index);
        clickAt(*m_x, r.centreX(), r.centreY());
    }

    // On a check box's square, which a click toggles wherever the caption ends.
    void clickBox(std::string_view checkBox)
    {
        const ScreenRect r = place(checkBox);
        clickAt(*m_x, r.left + 6, r.centreY());
    }

    std::string barrier() { return m_app->barrier(*m_clipboard); }

    virtual Screenshot shot()
    {
        return Screenshot::take(*m_x, m_temp / ("shot" + std::to_string(++m_shots) + ".ppm"));
    }

    TempFolder m_temp{"tarnquill-gui"};
    std::unique_ptr<XvfbSession> m_x;
    std::unique_ptr<ClipboardOwner> m_clipboard;
    std::unique_ptr<Tarnquill> m_app;
    // The density the program was told of (Xft.dpi); the server's is 96.
    int m_dpi = 96;
    unsigned long m_window = 0;
    ScreenRect m_origin;
    int m_shots = 0;
};

} // namespace tarnquill::test
