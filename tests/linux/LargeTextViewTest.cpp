// SPDX-License-Identifier: MIT
// The preview for texts too large for QPlainTextEdit, in this process on the
// private Xvfb: whatever the shape of the text, scrolling to the end brings
// its last characters into view.

#include "LinuxTestSupport.h"

#include "platform/linux/LargeTextView.h"

#include <QApplication>
#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <QScrollBar>

#include <gtest/gtest.h>

namespace tarnquill::test {
namespace {

struct Ink {
    int pixels = 0;
    int right = -1; // the rightmost dark column
};

Ink inkOf(LargeTextView& view)
{
    const QImage image = view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    Ink ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                ++ink.pixels;
                ink.right = std::max(ink.right, x);
            }
    return ink;
}

void press(LargeTextView& view, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(&view, &event);
}

struct Shape {
    const char* name;
    std::string text;
};

void PrintTo(const Shape& shape, std::ostream* out)
{
    *out << shape.name;
}

class LargeTextViewTest : public ::testing::TestWithParam<Shape> {};

// Each text is blank but for its last characters: nothing shows at the start,
// and they show once the view is scrolled to the end, whole, short of the
// right edge.
TEST_P(LargeTextViewTest, ScrollingToTheEndShowsTheLastCharacters)
{
    LargeTextView view;
    view.resize(262, 147);
    view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view.setText(std::make_shared<const std::string>(GetParam().text));
    EXPECT_EQ(inkOf(view).pixels, 0);
    ASSERT_TRUE(waitUntil([&] { return view.isIndexed(); }));
    // To the last line (Ctrl+End), then as far right as any line goes (End).
    press(view, Qt::Key_End, Qt::ControlModifier);
    press(view, Qt::Key_End);
    const Ink end = inkOf(view);
    EXPECT_GT(end.pixels, 20) << "column " << view.firstColumn() << " line " << view.firstLine();
    EXPECT_LT(end.right, view.viewport()->width() - 2) << "cut off at the right edge";
    press(view, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(inkOf(view).pixels, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, LargeTextViewTest,
    ::testing::Values(Shape{"OneLongLine", std::string(3'000'000, ' ') + "WWWW"},
                      Shape{"ManyLines", std::string(200'000, '\n') + "WWWW"},
                      Shape{"LongLinesWithCrLf", [] {
                                std::string text;
                                for (int i = 0; i < 100; ++i)
                                    text += std::string(20'000, ' ') + "\r\n";
                                return text + std::string(20'000, ' ') + "WWWW\r\n";
                            }()},
                      // Two-byte characters: columns count bytes, never splitting one.
                      Shape{"Accented", [] {
                                std::string text;
                                for (int i = 0; i < 100'000; ++i)
                                    text += "\xC2\xA0"; // no-break space
                                return text + "\xC3\x89\xC3\x89\xC3\x89";
                            }()},
                      // The longest line in bytes is narrow; a shorter one of
                      // wide characters still ends in view.
                      Shape{"WideCharactersOnAShorterLine",
                            std::string(300'000, ' ') + "\n" + std::string(299'985, ' ') + "WWWWWWWWWW"}),
    [](const auto& info) { return std::string(info.param.name); });

// Millions of lines are indexed off the UI thread; a text shown meanwhile
// is never replaced by the older text's index when that arrives.
TEST(LargeTextViewIndexTest, ANewTextWhileTheLastIsIndexedKeepsOnlyTheNewOne)
{
    LargeTextView view;
    auto old = std::make_shared<const std::string>(std::string(4'000'000, '\n'));
    view.setText(old);
    EXPECT_FALSE(view.isIndexed());
    view.setText(std::make_shared<const std::string>("one\ntwo"));
    EXPECT_TRUE(view.isIndexed());
    // The indexing thread holds the old text until it has ended, having
    // posted its index or not; then what it posted is delivered.
    const std::weak_ptr<const std::string> held = old;
    old.reset();
    ASSERT_TRUE(waitUntil([&] { return held.expired(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(view.lineCount(), 2u);
    EXPECT_EQ(view.line(1), "two");
}

} // namespace
} // namespace tarnquill::test
