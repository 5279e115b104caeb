// SPDX-License-Identifier: MIT
// The main window on screens denser than 96 dpi, as a desktop announces them
// to its programs: the Xft.dpi resource. Every framed control shows its whole
// frame at the place the design gives at that density, and the window has
// the design's size there.

#include "WindowTest.h"

namespace tarnquill::test {
namespace {

class DpiTest : public WindowTest, public ::testing::WithParamInterface<int> {};

// Whether one of the rows (`horizontal`) or columns within a pixel of `at`
// is dark along nearly all of [from, to): Picture2 lies over the last tenth
// of Text1's right edge.
bool edgeShows(const Screenshot& shot, bool horizontal, int at, int from, int to)
{
    for (int line = at - 1; line <= at + 1; ++line)
        if (shot.countDark(horizontal ? ScreenRect{from, line, to - from, 1} : ScreenRect{line, from, 1, to - from}) * 100
            >= (to - from) * 85)
            return true;
    return false;
}

TEST_P(DpiTest, EveryFramedControlShowsWholeAtTheDesignsPlace)
{
    m_dpi = GetParam();
    start();
    const app::WindowDesign& design = app::window(app::WindowId::Form1);
    const app::PixelRect client = app::clientPixels(design, m_dpi);
    EXPECT_NEAR(m_origin.width, client.width, 2);
    EXPECT_NEAR(m_origin.height, client.height, 2);

    const Screenshot s = shot();
    int checked = 0;
    for (const app::ControlDesign& control : design.controls) {
        if (control.border != app::Border::Single || !control.visible)
            continue;
        const ScreenRect r = place(control.name, control.index);
        const std::string name = app::qualifiedName(control);
        EXPECT_TRUE(edgeShows(s, true, r.top, r.left + 2, r.right() - 2)) << name << " top at " << m_dpi << " dpi";
        EXPECT_TRUE(edgeShows(s, true, r.bottom() - 1, r.left + 2, r.right() - 2)) << name << " bottom";
        EXPECT_TRUE(edgeShows(s, false, r.left, r.top + 2, r.bottom() - 2)) << name << " left";
        EXPECT_TRUE(edgeShows(s, false, r.right() - 1, r.top + 2, r.bottom() - 2)) << name << " right";
        ++checked;
    }
    EXPECT_GE(checked, 8);
}

INSTANTIATE_TEST_SUITE_P(Densities, DpiTest, ::testing::Values(120, 144, 192),
                         [](const auto& info) { return std::to_string(info.param) + "dpi"; });

} // namespace
} // namespace tarnquill::test
