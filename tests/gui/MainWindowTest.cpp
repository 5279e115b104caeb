// SPDX-License-Identifier: MIT
// The main window of the real program on a private X server at 96 dpi: its
// place and looks, read from screenshots at the places the window design
// gives, and the history commands driven by the mouse and keyboard.

#include "WindowTest.h"

#include "history/StoreFormat.h"

#include <functional>
#include <tuple>

namespace tarnquill::test {
namespace {

namespace fs = std::filesystem;

constexpr Rgb kFormBack{237, 242, 245};
constexpr Rgb kLabelBack{193, 209, 219};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kLineColour{9, 24, 49};
// Picture1's back colour: nothing on the screen may ever show it.
constexpr Rgb kPicture1Red{255, 0, 0};

class MainWindowTest : public WindowTest {
protected:
    // Inside the one-pixel frame of a framed control.
    ScreenRect inner(std::string_view name, int index = app::kNoIndex) const
    {
        const ScreenRect r = place(name, index);
        return {r.left + 1, r.top + 1, r.width - 2, r.height - 2};
    }

    // Every screenshot also checks that Picture1 never shows.
    Screenshot shot() override
    {
        Screenshot s = WindowTest::shot();
        EXPECT_FALSE(s.contains(kPicture1Red)) << "Picture1's red shows in shot" << m_shots;
        return s;
    }

    // The height of one List1 row, measured from the highlight of the
    // selected row 0; fails the test when row 0 is not highlighted.
    int rowHeightOfSelectedRow0()
    {
        const ScreenRect list = inner("List1");
        const Screenshot s = shot();
        int height = 0;
        while (height < list.height && s.at(list.left + 1, list.top + height) != kPaleBack)
            ++height;
        EXPECT_GE(height, 8) << "row 0 is not highlighted";
        EXPECT_LE(height, 30);
        return height;
    }

    void clickRow(int row, int rowHeight)
    {
        const ScreenRect list = inner("List1");
        clickAt(*m_x, list.left + 20, list.top + row * rowHeight + rowHeight / 2);
    }

    // The lines of text that Text1 shows (its area left of and above the
    // scroll bars).
    int text1Lines()
    {
        const ScreenRect text = inner("Text1");
        const int bar = 20; // wider than any style's scroll bar
        return shot().darkLines({text.left, text.top, text.width - bar, text.height - bar});
    }
    std::optional<std::string> clipboardText() { return m_clipboard->read(); }
};

// Everything to see at start, the keyboard's focus, then the erase: one start.
TEST_F(MainWindowTest, OpensBorderlessFixedCentredAsDesignedWithTheFocusInText1AndErases)
{
    start({"first entry", "second entry"});
    EXPECT_EQ(m_origin.width, 383);
    EXPECT_EQ(m_origin.height, 312);
    const Screenshot s = shot();
    EXPECT_NEAR(m_origin.left, (s.width() - 383) / 2, 1) << m_origin;
    EXPECT_NEAR(m_origin.top, (s.height() - 312) / 2, 1) << m_origin;

    // Motif hints: flags, functions, decorations; decorations 0 is no frame.
    const auto motif = windowProperty(*m_x, m_window, "_MOTIF_WM_HINTS");
    ASSERT_TRUE(motif);
    EXPECT_EQ(motif->substr(0, 3), "0x2") << *motif;
    EXPECT_NE(motif->find(", 0x0, 0x0, 0x0"), std::string::npos) << *motif;
    const std::string hints = windowProperty(*m_x, m_window, "WM_NORMAL_HINTS").value_or("");
    EXPECT_NE(hints.find("minimum size: 383 by 312"), std::string::npos) << hints;
    EXPECT_NE(hints.find("maximum size: 383 by 312"), std::string::npos) << hints;
    EXPECT_TRUE(windowProperty(*m_x, m_window, "_NET_WM_ICON")) << "no window icon";

    // The design's colours, frames and lines.
    EXPECT_EQ(s.at(m_origin.left + 1, m_origin.top + 1), kFormBack);
    // Each label's colour just inside its frame, below the caption.
    for (const auto& [name, index, back] :
         {std::tuple{"Label25", app::kNoIndex, kPaleBack}, {"Label4", app::kNoIndex, kWhite}, {"Label2", 0, kLabelBack},
          {"Label2", 2, kLabelBack}, {"Label6", app::kNoIndex, kLabelBack}, {"Label3", app::kNoIndex, kLabelBack}}) {
        const ScreenRect r = place(name, index);
        EXPECT_EQ(s.at(r.left + 3, r.bottom() - 3), back) << name << "(" << index << ") at " << r;
        EXPECT_TRUE(s.at(r.left, r.centreY()).isDark()) << name << " has no left border";
        EXPECT_TRUE(s.at(r.right() - 1, r.centreY()).isDark()) << name << " has no right border";
    }
    const auto reddish = [](Rgb c) { return c.red > 150 && c.green < 80 && c.blue < 80; };
    EXPECT_GT(s.count(reddish, inner("Label1", 0)), 0) << "Label1(0)'s \"_\" is not red";
    for (const char* check : {"Check1", "Check2"}) {
        const ScreenRect r = place(check);
        EXPECT_EQ(s.at(r.right() - 2, r.top + 1), kPaleBack) << check;
    }

    // Line1 across the window at its design height, Shape1 framing the content.
    const app::PixelPoint from = app::toPixels(app::control(app::WindowId::Form1, "Line1").lineFrom, m_dpi);
    const app::PixelPoint to = app::toPixels(app::control(app::WindowId::Form1, "Line1").lineTo, m_dpi);
    const int lineY = m_origin.top + from.y;
    EXPECT_TRUE(s.contains(kLineColour, ScreenRect{m_origin.left + from.x, lineY, 10, 1}));
    EXPECT_TRUE(s.contains(kLineColour, ScreenRect{m_origin.left + to.x - 10, lineY, 10, 1}));
    EXPECT_FALSE(s.contains(kLineColour, ScreenRect{m_origin.left + from.x, lineY - 1, to.x - from.x, 1}));
    const ScreenRect frame = place("Shape1");
    EXPECT_TRUE(s.at(frame.left, m_origin.top + 150).isDark());
    EXPECT_EQ(s.at(frame.left - 2, m_origin.top + 150), kFormBack);
    EXPECT_TRUE(s.at(m_origin.left + 150, frame.bottom() - 1).isDark());

    // Text1's scroll bars are there while it is empty, and the square where
    // they meet, under Picture2, is Text1's own background.
    const ScreenRect text = inner("Text1");
    const Rgb textBack = s.at(text.left + text.width / 2, text.top + text.height / 2);
    EXPECT_NE(s.at(text.right() - 7, text.centreY()), textBack) << "no vertical scroll bar";
    EXPECT_NE(s.at(text.centreX(), text.bottom() - 7), textBack) << "no horizontal scroll bar";
    EXPECT_EQ(s.count([&](Rgb c) { return c != textBack; }, place("Picture2")), 0) << "Picture2 shows";

    // The About text shows in Text3 on several lines.
    const ScreenRect about = inner("Text3");
    EXPECT_GE(s.darkLines({about.left, about.top, about.width - 20, about.height}), 4);

    // Typing at start goes into Text1.
    const ScreenRect firstLine{text.left, text.top, 100, 16};
    const int before = shot().countDark(firstLine);
    xdotool(*m_x, {"type", "--delay", "20", "WWWW"});
    EXPECT_TRUE(waitUntil([&] { return shot().countDark(firstLine) > before + 30; }, 5s))
        << "the typed text did not appear in Text1";

    // Erase removes the store and every row.
    const ScreenRect list = inner("List1");
    EXPECT_GT(shot().countDark(list), 0) << "List1 shows no rows";

    click("Label2", 2);
    ASSERT_TRUE(waitUntil([&] { return !fs::exists(m_app->storeFile()); }, 10s)) << "the store file is still there";
    EXPECT_TRUE(waitUntil([&] { return shot().count([](Rgb c) { return c != kPaleBack; }, list) == 0; }, 5s))
        << "List1 still shows rows or a scroll bar";

    // The erased entries stay gone: the next copy is the only entry.
    EXPECT_TRUE(m_app->copyRecorded(*m_clipboard, "after erase"));
    EXPECT_EQ(m_app->store(), storeOf({"after erase"}));
}

TEST_F(MainWindowTest, SelectedRowsAreShownAndResentByteForByteAndEraseWakesTheWatcher)
{
    const std::string twoLines = "second\r\nline two\r\n";
    const std::string third = "third \xE2\x9C\x93 with\ttab\n";
    start({"newest entry", twoLines, third});

    clickRow(0, 8);
    const int rowHeight = rowHeightOfSelectedRow0();
    clickRow(1, rowHeight);
    EXPECT_TRUE(waitUntil([&] { return text1Lines() == 2; }, 5s))
        << "the two-line entry is not previewed on two lines";
    click("Label2", 0);
    EXPECT_TRUE(waitUntil([&] { return clipboardText() == twoLines; }, 10s))
        << "clipboard: " << clipboardText().value_or("(none)");
    // The watcher records the re-sent entry as the newest.
    const std::string afterResend = storeOf({twoLines, "newest entry", twoLines, third});
    EXPECT_TRUE(waitUntil([&] { return m_app->store() == afterResend; }, 10s));

    // The keyboard selects too: row 0, then Down to row 1.
    clickRow(0, rowHeight);
    xdotool(*m_x, {"key", "Down"});
    EXPECT_TRUE(waitUntil([&] { return text1Lines() == 1; }, 5s));
    click("Label2", 0);
    EXPECT_TRUE(waitUntil([&] { return clipboardText() == "newest entry"; }, 10s))
        << "clipboard: " << clipboardText().value_or("(none)");

    // Recorded too. Once the program has come to rest (with the clipboard
    // unchanged the watcher stops ticking), only the erase's wake-up makes
    // it look again and record the text still on the clipboard.
    const std::string resentAgain = storeOf({"newest entry", twoLines, "newest entry", twoLines, third});
    ASSERT_TRUE(waitUntil([&] { return m_app->store() == resentAgain; }, 10s));
    ASSERT_TRUE(m_app->waitUntilIdle()) << "the program never came to rest";
    click("Label2", 2);
    const std::string afterErase = storeOf({"newest entry"});
    EXPECT_TRUE(waitUntil([&] { return m_app->store() == afterErase; }, 10s))
        << "the clipboard's text was not recorded again";
}

// ------------------------------------------------ owners of the clipboard

class ClipboardOwnerTest : public MainWindowTest {};

// Under a clipboard owner that never answers, each command acts well before
// the seconds an answer is waited for.
TEST_F(ClipboardOwnerTest, HungOwnerNeverHoldsUpTheCommandsOrTheNextCopy)
{
    const auto soon = [](const std::function<bool()>& effect) { return waitUntil(effect, 2s); };
    const std::string twoLines = "second\r\nline two\r\n";
    // Nothing asks before the program starts.
    Process atStart = m_clipboard->hang(false);
    start({"newest entry", twoLines});
    m_clipboard->copy("copied");
    EXPECT_TRUE(soon([&] { return m_app->store() == storeOf({"copied", "newest entry", twoLines}); }))
        << "copy after a start under a hung owner";

    Process hung = m_clipboard->hang();
    clickRow(0, 8);
    clickRow(2, rowHeightOfSelectedRow0());
    EXPECT_TRUE(soon([&] { return text1Lines() == 2; })) << "row click (screenshots included)";
    click("Label2", 0);
    EXPECT_TRUE(soon([&] { return clipboardText() == twoLines; })) << "re-send";

    hung = m_clipboard->hang();
    // The preview's context menu would ask the owner whether to offer Paste.
    const ScreenRect text = inner("Text1");
    clickAt(*m_x, text.left + 30, text.top + 30, 3);
    xdotool(*m_x, {"key", "Escape"});
    click("Label2", 2);
    EXPECT_TRUE(soon([&] { return !fs::exists(m_app->storeFile()); })) << "erase";
    m_clipboard->copy("next copy");
    EXPECT_TRUE(soon([&] { return m_app->store() == storeOf({"next copy"}); })) << "copy after the hung owner";

    hung = m_clipboard->hang();
    click("Label3");
    EXPECT_TRUE(soon([&] { return !m_app->running(); })) << "exit";
    EXPECT_EQ(m_app->store(), storeOf({"next copy"}));
}

// The exit hands the text it put on the clipboard to the clipboard manager,
// so it outlives the program.
TEST_F(ClipboardOwnerTest, ExitHandsTheProgramsClipboardTextToTheManager)
{
    Process manager = m_clipboard->manager();
    const std::string text = "kept after the exit \xE2\x9C\x93\r\n";
    start({text, "older"});
    clickRow(0, 8);
    click("Label2", 0);
    ASSERT_TRUE(waitUntil([&] { return clipboardText() == text; }, 10s));

    click("Label3");
    EXPECT_TRUE(waitUntil([&] { return !m_app->running(); }, 2s)) << "the exit with a hand-over hung";
    EXPECT_TRUE(manager.waitForOutput("saved " + std::to_string(text.size()), 1s)) << manager.stdoutText();
    EXPECT_EQ(clipboardText(), text);
}

// One line of 20 MB (minified data, base64) once froze the window for most of
// a minute when its row was clicked, and copies made meanwhile were lost.
TEST_F(MainWindowTest, ALongSingleLineIsPreviewedWithoutHoldingUpTheNextCopy)
{
    std::string line(20'000'000, 'x');
    for (std::size_t i = 0; i < line.size(); i += 7)
        line[i] = 'A' + static_cast<char>(i % 26);
    start({line, "older"});

    clickRow(0, 8);
    m_clipboard->copy("copied after the click");
    const std::string expectedStart = "copied after the click" + std::string(HistorySeparator) + line.substr(0, 100);
    EXPECT_TRUE(waitUntil([&] { return m_app->store().value_or("").starts_with(expectedStart); }, 5s))
        << "the copy after the click was not recorded";
    EXPECT_EQ(text1Lines(), 1) << "the line is not previewed";
}

} // namespace
} // namespace tarnquill::test
