// SPDX-License-Identifier: MIT
// The Qt front end in this process on the private Xvfb (96 dpi): the watcher
// pump on the X clipboard, the history list, the signals; the preview for
// texts too large for QPlainTextEdit, where whatever the shape of the text,
// scrolling to the end brings its last characters into view; and the windows
// built from the design data: the progress windows, which the program does
// not show yet, rendered off screen, and the fonts every window resolves to.

#include "LinuxTestSupport.h"

#include "app/Design.h"
#include "history/ClipboardWatcher.h"
#include "history/Fakes.h"
#include "history/TextHistory.h"
#include "platform/linux/DesignWindow.h"
#include "platform/linux/HistoryListModel.h"
#include "platform/linux/LargeTextView.h"
#include "platform/linux/QtClipboard.h"
#include "platform/linux/QuitOnSignal.h"
#include "platform/linux/WatcherPump.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFontInfo>
#include <QImage>
#include <QKeyEvent>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

namespace tarnquill::test {
namespace {

// A history watched through the X clipboard of this process.
class WatcherPumpTest : public ::testing::Test {
protected:
    WatcherPumpTest() { settle(); }

    testing::FakeFileSystem files;
    TextHistory history{files, "/store/tcb.txt"};
    QClipboard& system = *QGuiApplication::clipboard();
    QtClipboard clipboard{system};
    ClipboardWatcher watcher{clipboard, history};
    WatcherPump pump{watcher, system};
};

TEST_F(WatcherPumpTest, RecordsEachCopyAndRestsWhileNothingChanges)
{
    pump.start();
    ASSERT_TRUE(waitUntil([&] { return !pump.isTicking(); }));

    // The last owner stays: the clipboard is read again after the history
    // changes below.
    std::unique_ptr<ChildProcess> xclip;
    for (const char* text : {"first copy", "second copy"}) {
        xclip = std::make_unique<ChildProcess>(QStringLiteral("xclip"),
                                               QStringList{"-quiet", "-selection", "clipboard", "-i"}, text);
        ASSERT_TRUE(waitUntil([&] { return history.slot(0) == text && !pump.isTicking(); })) << text;
    }
    EXPECT_EQ(history.slot(1), "first copy");

    // A change of the history alone, with the clipboard as it was, must wake
    // the watcher too: the clipboard now differs from the newest entry.
    history.addt(std::string("typed elsewhere"));
    pump.wake();
    ASSERT_TRUE(waitUntil([&] { return history.slot(0) == "second copy" && !pump.isTicking(); }));
    EXPECT_EQ(history.slot(1), "typed elsewhere");
}

// The event loop runs before the main window loads and reads the store. A
// copy in that moment once ticked the watcher, which added it to the empty
// slots and saved them over the store.
TEST_F(WatcherPumpTest, ACopyBeforeTheStartTicksNothing)
{
    ChildProcess xclip(QStringLiteral("xclip"), {"-quiet", "-selection", "clipboard", "-i"}, "before the load");
    ASSERT_TRUE(waitUntil([&] { return system.text() == QStringLiteral("before the load"); }));
    pump.wake();
    QCoreApplication::processEvents();
    EXPECT_FALSE(pump.isTicking());
    EXPECT_TRUE(files.files.empty()) << "nothing saved over the store";
    EXPECT_EQ(history.slot(0), "");

    // Once started, the copy that is there is recorded.
    pump.start();
    EXPECT_TRUE(waitUntil([&] { return history.slot(0) == "before the load"; }));
}

TEST(HistoryListModelTest, RowsShowTheFirstTenCharactersOfEachSlotAndFollowResets)
{
    testing::FakeFileSystem files;
    TextHistory history(files, "/store/tcb.txt");
    HistoryListModel model(history);
    history.setListView(&model);
    EXPECT_EQ(model.rowCount(), 0);

    history.addt(std::string("\xC3\xBCnic\xC3\xB8" "de \xE2\x9C\x93 and more"));
    ASSERT_EQ(model.rowCount(), 500);
    EXPECT_EQ(model.data(model.index(0)).toString(), QString::fromUtf8("\xC3\xBCnic\xC3\xB8" "de \xE2\x9C\x93 "));
    EXPECT_EQ(model.data(model.index(1)).toString(), QString());

    ASSERT_TRUE(history.eraseAll());
    EXPECT_EQ(model.rowCount(), 0);
    history.setListView(nullptr);
}

// Raises `signalNumber` from the event loop and runs the loop until
// something ends it; 1 after ten seconds.
int raiseAndRunLoop(int signalNumber)
{
    QObject deadline; // its end takes the deadline away
    QTimer::singleShot(10000, &deadline, [] { QCoreApplication::exit(1); });
    QTimer::singleShot(0, [signalNumber] { ::raise(signalNumber); });
    return QCoreApplication::exec();
}

// A signal reaches the given handler from the event loop; by default TERM
// ends the loop instead of the process.
TEST(QuitOnSignalTest, SignalsReachTheHandlerFromTheEventLoop)
{
    int calls = 0;
    {
        QuitOnSignal onSignal({SIGHUP, SIGINT}, [&calls] {
            ++calls;
            QCoreApplication::exit(0);
        });
        EXPECT_EQ(raiseAndRunLoop(SIGHUP), 0);
    }
    EXPECT_EQ(calls, 1);
    QuitOnSignal quitOnSignal({SIGTERM});
    EXPECT_EQ(raiseAndRunLoop(SIGTERM), 0);
}

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

// The shapes of text, each blank but for its last characters: nothing shows
// at the start, and they show once the view is scrolled to the end, whole,
// short of the right edge.
std::vector<std::pair<const char*, std::string>> shapes()
{
    std::string crLf, accented;
    for (int i = 0; i < 100; ++i)
        crLf += std::string(20'000, ' ') + "\r\n";
    for (int i = 0; i < 100'000; ++i)
        accented += "\xC2\xA0"; // no-break space
    return {{"one long line", std::string(3'000'000, ' ') + "WWWW"},
            {"many lines", std::string(200'000, '\n') + "WWWW"},
            {"long lines with CR LF", crLf + std::string(20'000, ' ') + "WWWW\r\n"},
            // Two-byte characters: columns count bytes, never splitting one.
            {"accented", accented + "\xC3\x89\xC3\x89\xC3\x89"},
            // The longest line in bytes is narrow; a shorter one of wide
            // characters still ends in view.
            {"wide characters on a shorter line",
             std::string(300'000, ' ') + "\n" + std::string(299'985, ' ') + "WWWWWWWWWW"}};
}

TEST(LargeTextViewTest, ScrollingToTheEndShowsTheLastCharacters)
{
    for (const auto& [shape, text] : shapes()) {
        SCOPED_TRACE(shape);
        LargeTextView view;
        view.resize(262, 147);
        view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        view.setText(std::make_shared<const std::string>(text));
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
}

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

TEST(ProgressWindowTest, ShowsItsBarsWithTheLoadingBarCutOffAtTheRightEdge)
{
    for (const app::WindowId id : {app::WindowId::Form2, app::WindowId::form3}) {
        SCOPED_TRACE(app::window(id).name);
        DesignWindow window(app::window(id));
        const QImage image = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(image.size(), QSize(218, 79));

        // Title and message bars: their colours inside a one-pixel frame.
        EXPECT_EQ(image.pixel(2, 2), qRgb(220, 230, 235)) << "window back";
        EXPECT_EQ(image.pixel(10, 22), qRgb(220, 230, 235)) << "Label25";
        EXPECT_EQ(qGray(image.pixel(8, 12)), qGray(qRgb(0, 0, 0))) << "Label25's frame";
        EXPECT_EQ(image.pixel(10, 46), qRgb(128, 128, 255)) << "Label1(1)";

        // Label1(0) runs from the left edge to past the right one, 13 pixels
        // high from y 56, without a frame; its caption begins with two blanks.
        for (int x : {0, 1, 2, 3, 216, 217})
            EXPECT_EQ(image.pixel(x, 62), qRgb(0, 0, 64)) << "bar at x " << x;
        EXPECT_EQ(image.pixel(100, 70), qRgb(220, 230, 235)) << "below the bar";
        int firstWhite = -1;
        for (int x = 0; x < image.width() && firstWhite < 0; ++x)
            for (int y = 56; y < 69 && firstWhite < 0; ++y)
                if (qRed(image.pixel(x, y)) > 200 && qGreen(image.pixel(x, y)) > 200 && qBlue(image.pixel(x, y)) > 200)
                    firstWhite = x;
        EXPECT_GE(firstWhite, 5) << "the caption's leading blanks are gone";
        EXPECT_LE(firstWhite, 12) << "no caption in the bar";
    }
}

// Check1's and Check2's captions fit their boxes in one size, both ticked.
TEST(DesignWindowFontTest, DesignFacesResolveToVerdanaOrAMetricCompatibleFaceAtFractionalSizes)
{
    for (const app::WindowDesign& design : app::windows()) {
        DesignWindow window(design);
        for (const app::ControlDesign& control : design.controls) {
            QWidget* widget = window.control(control.name, control.index);
            if (!widget || control.font.isDefault)
                continue;
            const std::string where = std::string(design.name) + "." + app::qualifiedName(control);
            const QFont font = widget->font();
            const QString family = QFontInfo(font).family();
            EXPECT_TRUE(family == QLatin1String("Verdana") || family == QLatin1String("DejaVu Sans"))
                << where << ": " << family.toStdString();
            EXPECT_DOUBLE_EQ(font.pointSizeF(), control.font.points) << where;
            EXPECT_EQ(QFontInfo(font).bold(), control.font.weight == app::Font::kBold) << where;
        }
    }

    DesignWindow window(app::window(app::WindowId::Form1));
    auto* check1 = window.control<QCheckBox>("Check1");
    auto* check2 = window.control<QCheckBox>("Check2");
    ASSERT_TRUE(check1 && check2);
    for (QCheckBox* check : {check1, check2})
        EXPECT_LE(check->sizeHint().width(), check->width()) << check->objectName().toStdString();
    EXPECT_EQ(check1->font(), check2->font());
    EXPECT_TRUE(check1->isChecked() && check2->isChecked());
}

} // namespace
} // namespace tarnquill::test
