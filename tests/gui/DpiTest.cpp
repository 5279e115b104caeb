// SPDX-License-Identifier: MIT
// The main window on screens denser than 96 dpi, as a desktop announces them
// to its programs: the Xft.dpi resource. Every framed control shows its whole
// frame at the place the design gives at that density, and the window has
// the design's size there.

#include "ProgramUnderTest.h"
#include "Screen.h"

#include "app/Design.h"
#include "app/Twips.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace tarnquill::test {
namespace {

constexpr Rgb kPaleBack{220, 230, 235};

class DpiTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        for (const char* tool : {"Xvfb", "xrdb", "xdotool", "xwininfo", "import"})
            ASSERT_FALSE(findProgram(tool).empty()) << tool << " is needed";
    }

    TempFolder m_temp{"tarnquill-gui"};
};

// Whether one of the rows (`horizontal`) or columns within a pixel of `at`
// is dark along nearly all of [from, to): Picture2 lies over the last tenth
// of Text1's right edge.
bool edgeShows(const Screenshot& shot, bool horizontal, int at, int from, int to)
{
    for (int line = at - 1; line <= at + 1; ++line) {
        int dark = 0;
        for (int i = from; i < to; ++i)
            dark += (horizontal ? shot.at(i, line) : shot.at(line, i)).isDark() ? 1 : 0;
        if (dark * 100 >= (to - from) * 85)
            return true;
    }
    return false;
}

TEST_P(DpiTest, EveryFramedControlShowsWholeAtTheDesignsPlace)
{
    const int dpi = GetParam();
    XvfbSession x;
    const auto resources = m_temp / "resources";
    writeFile(resources, "Xft.dpi: " + std::to_string(dpi) + "\n");
    ASSERT_TRUE(x.run({"xrdb", "-merge", resources.string()}).ok());

    Tarnquill app(x, m_temp / "program");
    app.start();
    const auto windows = x.windowsOf(app.process().pid());
    ASSERT_EQ(windows.size(), 1u);
    const ScreenRect window = windowGeometry(x, windows.front());
    const app::WindowDesign& design = app::window(app::WindowId::Form1);
    const app::PixelRect client = app::clientPixels(design, dpi);
    EXPECT_NEAR(window.width, client.width, 2);
    EXPECT_NEAR(window.height, client.height, 2);

    const auto onScreen = [&](const app::ControlDesign& control) {
        const app::PixelRect p = app::toPixels(control.place, dpi);
        return ScreenRect{window.left + p.left, window.top + p.top, p.width, p.height};
    };
    const ScreenRect title = onScreen(app::control(app::WindowId::Form1, "Label25"));
    const auto file = [&](int n) { return m_temp / ("shot" + std::to_string(n) + ".ppm"); };
    int shots = 0;
    ASSERT_TRUE(waitUntil(
        [&] { return Screenshot::take(x, file(++shots)).at(title.left + 4, title.bottom() - 4) == kPaleBack; }, 10s))
        << "never painted";
    const Screenshot shot = Screenshot::take(x, file(++shots));

    int checked = 0;
    for (const app::ControlDesign& control : design.controls) {
        if (control.border != app::Border::Single || !control.visible)
            continue;
        const ScreenRect r = onScreen(control);
        const std::string name = app::qualifiedName(control);
        EXPECT_TRUE(edgeShows(shot, true, r.top, r.left + 2, r.right() - 2)) << name << " top at " << dpi << " dpi";
        EXPECT_TRUE(edgeShows(shot, true, r.bottom() - 1, r.left + 2, r.right() - 2)) << name << " bottom";
        EXPECT_TRUE(edgeShows(shot, false, r.left, r.top + 2, r.bottom() - 2)) << name << " left";
        EXPECT_TRUE(edgeShows(shot, false, r.right() - 1, r.top + 2, r.bottom() - 2)) << name << " right";
        ++checked;
    }
    EXPECT_GE(checked, 8);
    if (HasFailure())
        std::fprintf(stderr, "screenshots in %s (TARNQUILL_KEEP_TEMP=1 keeps them)\n", m_temp.path().c_str());
}

INSTANTIATE_TEST_SUITE_P(Densities, DpiTest, ::testing::Values(120, 144, 192),
                         [](const auto& info) { return std::to_string(info.param) + "dpi"; });

} // namespace
} // namespace tarnquill::test
