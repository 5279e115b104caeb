// SPDX-License-Identifier: MIT
#include "app/Design.h"
#include "app/Twips.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <stdexcept>
#include <utility>

namespace tarnquill::app {
namespace {

bool isDrawn(const ControlDesign& c)
{
    return c.kind != ControlKind::Timer && c.visible;
}

// Names and tab numbers are unique; every control that takes the focus has a
// tab number, and the tab stops are the visible ones in their order. Every
// coordinate is a multiple of 15, so at 96 dpi nothing rounds and the windows
// look exactly as drawn.
TEST(Design, EveryControlIsFoundByItsNameAndIndexAndTabsInItsOrder)
{
    for (const auto& w : windows()) {
        ASSERT_EQ(findWindow(w.name), &w);
        ASSERT_EQ(&window(w.id), &w);
        std::set<std::string> names;
        std::set<int> numbers;
        for (const auto& c : w.controls) {
            EXPECT_TRUE(names.insert(qualifiedName(c)).second) << w.name << " repeats " << qualifiedName(c);
            EXPECT_EQ(findControl(w, c.name, c.index), &c);
            EXPECT_TRUE(c.tabIndex ? numbers.insert(*c.tabIndex).second : !takesFocus(c))
                << w.name << " " << qualifiedName(c);
            const auto& p = c.place;
            EXPECT_TRUE(p.left % 15 == 0 && p.top % 15 == 0 && p.width % 15 == 0 && p.height % 15 == 0)
                << w.name << " " << qualifiedName(c);
        }
        const auto stops = tabOrder(w);
        EXPECT_TRUE(std::ranges::is_sorted(stops, {}, [](const ControlDesign* c) { return *c->tabIndex; }));
        for (const auto* c : stops)
            EXPECT_TRUE(c->visible && c->kind != ControlKind::Label && c->kind != ControlKind::PictureBox);
    }
    EXPECT_EQ(initialFocus(window(WindowId::Form1)), &control(WindowId::Form1, "Text1"));
    EXPECT_EQ(initialFocus(window(WindowId::Form2)), nullptr); // labels only
    EXPECT_EQ(findWindow("form1"), nullptr); // names are case-sensitive
    EXPECT_EQ(findControl(window(WindowId::Form1), "Label2", 1), nullptr);
    EXPECT_EQ(findControl(window(WindowId::Form1), "Label2"), nullptr); // an array needs its index
    EXPECT_THROW(control(WindowId::Form2, "List1"), std::out_of_range);
    EXPECT_EQ(qualifiedName(control(WindowId::Form1, "Label1", 0)), "Label1(0)");
}

// The progress bar alone runs off the right edge, so that the dots added to
// it are cut off rather than wrapped. Controls overlap only where the design
// stacks them (behind, in front); Shape1 frames everything from behind.
TEST(Design, VisibleControlsLieInsideTheirWindowAndOverlapOnlyWhereStacked)
{
    const std::set<std::pair<std::string, std::string>> stacked = {
        {"Text1", "Picture2"},
        {"Label4", "List1"}, // the list covers the bottom edge of its heading
    };
    for (const auto& w : windows()) {
        for (auto back = w.controls.begin(); back != w.controls.end(); ++back) {
            if (!isDrawn(*back))
                continue;
            const auto& p = back->place;
            const bool progressBar = w.id != WindowId::Form1 && back->name == "Label1" && back->index == 0;
            EXPECT_TRUE(p.left >= 0 && p.top >= 0 && p.bottom() <= w.clientHeight
                        && (p.right() <= w.clientWidth) != progressBar)
                << w.name << " " << qualifiedName(*back);
            for (auto front = back + 1; front != w.controls.end(); ++front) {
                const auto& q = front->place;
                const bool overlap = isDrawn(*front) && back->name != "Shape1" && p.left < q.right()
                                     && q.left < p.right() && p.top < q.bottom() && q.top < p.bottom();
                EXPECT_TRUE(!overlap || stacked.contains({qualifiedName(*back), qualifiedName(*front)}))
                    << w.name << ": " << qualifiedName(*front) << " over " << qualifiedName(*back);
            }
        }
    }
    const auto& form1 = window(WindowId::Form1);
    EXPECT_EQ(form1.controls.front().name, "Shape1");
    EXPECT_TRUE(form1.controls.front().transparentBack);
}

// The square where Text1's scroll bars meet would show the grey scroll-bar
// face; Picture2 hides it in Text1's own colour, and must reach exactly to
// Text1's bottom-right corner at every screen density.
TEST(Design, Picture2CoversTheScrollBarCornerOfText1)
{
    const auto& text1 = control(WindowId::Form1, "Text1");
    const auto& picture2 = control(WindowId::Form1, "Picture2");
    EXPECT_EQ(picture2.back, text1.back);

    for (double dpi : {96.0, 110.0, 120.0, 144.0, 168.0, 192.0, 288.0}) {
        const auto t = toPixels(text1.place, dpi);
        const auto p = toPixels(picture2.place, dpi);
        EXPECT_EQ(std::pair(p.right(), p.bottom()), std::pair(t.right(), t.bottom())) << dpi << " dpi";
        EXPECT_TRUE(p.left > t.left && p.top > t.top) << dpi << " dpi";
    }
}

// Text3 is a multi-line edit control: only CR LF breaks its lines.
TEST(Design, AboutTextHasCrLfLinesAndOnlyExampleAddresses)
{
    const std::string_view about = aboutText();
    EXPECT_EQ(control(WindowId::Form1, "Text3").text, about);
    ASSERT_TRUE(about.ends_with("\r\n"));
    for (std::size_t start = 0; start < about.size();) {
        const auto end = about.find("\r\n", start);
        const auto line = about.substr(start, end - start);
        EXPECT_EQ(line.find_first_of("\r\n"), std::string_view::npos) << "bare line break in: " << line;
        EXPECT_TRUE(line.find('@') == std::string_view::npos || line.ends_with("@example.org>")) << line;
        start = end + 2;
    }
}

TEST(Twips, RoundsHalvesUpAndConvertsEdgesNotExtents)
{
    EXPECT_EQ(clientPixels(window(WindowId::Form1), 96).width, 383);

    EXPECT_EQ(twipsToPixels(1650, 120), 138); // 137.5
    EXPECT_EQ(twipsToPixels(1644, 120), 137); // 137.0
    EXPECT_EQ(twipsToPixels(1649, 120), 137); // 137.41...
    // Left 137.5 and right 465 give 327 wide, though 3930 twips alone would
    // round to 328: the right edge stays where the next control's edge is.
    EXPECT_EQ(toPixels(TwipRect{1650, 300, 3930, 2205}, 120), (PixelRect{138, 25, 327, 184}));
    EXPECT_EQ(toPixels(TwipPoint{90, 2820}, 144), (PixelPoint{9, 282}));
    // A screen that reports no density is taken as 96 dpi.
    EXPECT_EQ(twipsToPixels(5745, 0), 383);
    EXPECT_DOUBLE_EQ(pixelsToTwips(1, -1), 15.0);
}

TEST(Twips, SideBySideRectanglesNeitherGapNorOverlapAtAnyDensity)
{
    for (double dpi = 72; dpi <= 300; dpi += 0.75) {
        for (int left = 0; left < 60; left += 7) {
            const auto a = toPixels(TwipRect{left, 0, 97, 10}, dpi);
            const auto b = toPixels(TwipRect{left + 97, 0, 113, 10}, dpi);
            ASSERT_EQ(a.right(), b.left) << dpi << " dpi, left " << left;
        }
    }
}

} // namespace
} // namespace tarnquill::app
