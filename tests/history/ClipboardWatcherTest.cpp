// SPDX-License-Identifier: MIT
#include "Fakes.h"

#include "history/ClipboardWatcher.h"

#include <gtest/gtest.h>

#include <random>

namespace tarnquill {
namespace {

using testing::FakeClipboard;
using testing::FakeFileSystem;
using Status = ClipboardRead::Status;

class ClipboardWatcherTest : public ::testing::Test {
protected:
    std::vector<std::string> entries() const
    {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < kHistorySlots && !history.slot(i).empty(); ++i)
            out.push_back(history.slot(i));
        return out;
    }

    FakeFileSystem files;
    FakeClipboard clipboard;
    TextHistory history{files, "/app/tcb.txt"};
    ClipboardWatcher watcher{clipboard, history};
};

TEST_F(ClipboardWatcherTest, RecordsOnlyChangesAgainstTheNewestEntry)
{
    clipboard.copy("A");
    watcher.Timer1_Timer();
    watcher.Timer1_Timer();
    clipboard.copy("A"); // the same text copied again
    watcher.Timer1_Timer();
    clipboard.copy("B");
    watcher.Timer1_Timer();
    clipboard.copy("A");
    watcher.Timer1_Timer();
    clipboard.copy("a"); // letter case counts
    watcher.Timer1_Timer();
    EXPECT_EQ(entries(), (std::vector<std::string>{"a", "A", "B", "A"}));
}

TEST_F(ClipboardWatcherTest, IgnoresTheMarkerEmptyAndNonTextClipboards)
{
    for (const auto& [text, status] : std::vector<std::pair<std::string, Status>>{
             {"Wrenfold temp clipboard", Status::Text},
             {"", Status::Text},
             {"", Status::NoText},
             {"hunter2", Status::Secret},
         }) {
        clipboard.copy(text, status);
        watcher.Timer1_Timer();
        EXPECT_EQ(entries(), std::vector<std::string>{}) << text;
    }

    clipboard.copy("kept");
    watcher.Timer1_Timer();
    clipboard.copy("", Status::NoText); // an image replaces the text
    watcher.Timer1_Timer();
    EXPECT_EQ(entries(), std::vector<std::string>{"kept"});
}

TEST_F(ClipboardWatcherTest, AtStartupOnlyATextOtherThanTheStoredNewestIsAdded)
{
    history.addt("stored");
    clipboard.copy("stored");
    ClipboardWatcher fresh(clipboard, history);
    fresh.Timer1_Timer();
    EXPECT_EQ(entries(), std::vector<std::string>{"stored"});

    clipboard.copy("copied while not running");
    ClipboardWatcher later(clipboard, history);
    later.Timer1_Timer();
    EXPECT_EQ(entries(), (std::vector<std::string>{"copied while not running", "stored"}));
}

TEST_F(ClipboardWatcherTest, ABusyClipboardReadsEmptyAndIsTriedAgain)
{
    clipboard.copy("while locked");
    clipboard.setBusy(true);
    watcher.Timer1_Timer();
    EXPECT_TRUE(entries().empty());
    EXPECT_TRUE(watcher.needsTick()); // no change will be reported when it frees up

    clipboard.setBusy(false);
    watcher.Timer1_Timer();
    EXPECT_EQ(entries(), std::vector<std::string>{"while locked"});
}

TEST_F(ClipboardWatcherTest, TheTimerSleepsOnlyWhileTheClipboardCountsChangesAndNoneCame)
{
    clipboard.copy("text");
    watcher.Timer1_Timer(); // adds
    EXPECT_TRUE(watcher.needsTick()); // slot 0 changed: the next tick decides differently
    watcher.Timer1_Timer();
    EXPECT_FALSE(watcher.needsTick());
    clipboard.copy("next");
    EXPECT_TRUE(watcher.needsTick());

    clipboard.countsChanges = false;
    for (int i = 0; i < 3; ++i) {
        watcher.Timer1_Timer();
        EXPECT_TRUE(watcher.needsTick());
    }
}

TEST_F(ClipboardWatcherTest, AnEraseWakesTheWatcherToRecordTheClipboardAgain)
{
    files.files["/app/tcb.txt"] = "";
    clipboard.copy("still on the clipboard");
    watcher.Timer1_Timer();
    watcher.Timer1_Timer();
    ASSERT_FALSE(watcher.needsTick());

    ASSERT_TRUE(history.eraseAll());
    EXPECT_TRUE(watcher.needsTick());
    watcher.Timer1_Timer();
    EXPECT_EQ(entries(), std::vector<std::string>{"still on the clipboard"});
}

// A watcher that sleeps whenever needsTick() allows it must end with the same
// history as one that ticks every 10 ms without fail and reads the clipboard
// on every tick, its clipboard counting no changes: the reference shares no
// cached read with the watcher under test.
TEST(ClipboardWatcherSleep, DecidesExactlyAsATickEveryTenMilliseconds)
{
    std::mt19937 random(7);
    for (int run = 0; run < 20; ++run) {
        FakeFileSystem sleepyFiles, eagerFiles;
        FakeClipboard sleepyClipboard, eagerClipboard;
        TextHistory sleepyHistory(sleepyFiles, "/s"), eagerHistory(eagerFiles, "/e");
        eagerClipboard.countsChanges = false;
        ClipboardWatcher sleepy(sleepyClipboard, sleepyHistory), eager(eagerClipboard, eagerHistory);
        const std::vector<std::string> texts = {"A", "B", "", "Wrenfold temp clipboard", "C"};
        bool locked = false;
        for (int step = 0; step < 300; ++step) {
            switch (std::uniform_int_distribution<>(0, 9)(random)) {
            case 0:
            case 1: {
                const auto& text = texts[std::uniform_int_distribution<std::size_t>(0, texts.size() - 1)(random)];
                sleepyClipboard.copy(text);
                eagerClipboard.copy(text);
                break;
            }
            case 2:
                locked = random() % 2;
                sleepyClipboard.setBusy(locked);
                eagerClipboard.setBusy(locked);
                break;
            case 3:
                sleepyFiles.files["/s"];
                eagerFiles.files["/e"];
                sleepyHistory.eraseAll();
                eagerHistory.eraseAll();
                break;
            default:
                break;
            }
            eager.Timer1_Timer();
            if (sleepy.needsTick())
                sleepy.Timer1_Timer();
            for (std::size_t i = 0; i < kHistorySlots; ++i)
                ASSERT_EQ(sleepyHistory.slot(i), eagerHistory.slot(i)) << "run " << run << " step " << step;
        }
    }
}

// A lock that began while the watcher slept, then an erase: a watcher that
// ticks reads the locked clipboard as empty and records the text only once
// the lock is gone; the sleeping one records it at once from the read it kept.
TEST(ClipboardWatcherSleep, AnEraseWhileTheClipboardIsLockedRecordsNothingUntilItIsFree)
{
    FakeFileSystem files;
    FakeClipboard clipboard;
    TextHistory history(files, "/s");
    ClipboardWatcher watcher(clipboard, history);
    clipboard.copy("A");
    watcher.Timer1_Timer();
    watcher.Timer1_Timer();
    ASSERT_FALSE(watcher.needsTick());
    clipboard.setBusy(true); // another program holds the clipboard open; its content stays
    ASSERT_TRUE(history.eraseAll());
    watcher.Timer1_Timer();
    EXPECT_EQ(history.slot(0), "");
    clipboard.setBusy(false);
    watcher.Timer1_Timer();
    EXPECT_EQ(history.slot(0), "A");
}

} // namespace
} // namespace tarnquill
