// SPDX-License-Identifier: MIT
#include "LinuxTestSupport.h"

#include "history/ClipboardWatcher.h"
#include "history/Fakes.h"
#include "history/TextHistory.h"
#include "platform/linux/HistoryListModel.h"
#include "platform/linux/QtClipboard.h"
#include "platform/linux/QuitOnSignal.h"
#include "platform/linux/WatcherPump.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
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
// something ends it; 1 when nothing did within ten seconds.
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

} // namespace
} // namespace tarnquill::test
