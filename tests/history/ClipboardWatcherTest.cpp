// SPDX-License-Identifier: MIT
#include "ClipboardContract.h"
#include "Fakes.h"

#include "history/ClipboardWatcher.h"

#include <gtest/gtest.h>

#include <random>

namespace tarnquill {
namespace {

using testing::FakeClipboard;
using testing::FakeFileSystem;
using Status = ClipboardRead::Status;

// The fake the watcher's tests run on passes the checks the desktop's
// clipboards pass (tests/linux/ClipboardTest.cpp).
struct FakeClipboardBackend {
    FakeClipboard fake;

    Clipboard& clipboard() { return fake; }
    void offer(Status kind, const std::string& text)
    {
        fake.setBusy(false), fake.copy(kind == Status::NoText ? "" : text, kind);
    }
    void hang() { fake.copy("frozen"), fake.setBusy(true); }
    bool waitUntil(const std::function<bool()>& condition) { return condition(); }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Fake, ClipboardContract, FakeClipboardBackend);

class ClipboardWatcherTest : public ::testing::Test {
protected:
    std::vector<std::string> entries() const { return testing::entriesOf(history); }

    FakeFileSystem files;
    FakeClipboard clipboard;
    TextHistory history{files, "/app/tcb.txt"};
    ClipboardWatcher watcher{clipboard, history};
};

// Also at a start: only a text other than the stored newest is added.
TEST_F(ClipboardWatcherTest, RecordsOnlyChangesAgainstTheNewestEntry)
{
    for (const char* text : {"A", "A", "B", "A", "a"}) { // the same text again; letter case counts
        clipboard.copy(text);
        watcher.Timer1_Timer();
        watcher.Timer1_Timer();
    }
    ClipboardWatcher fresh(clipboard, history);
    fresh.Timer1_Timer();
    EXPECT_EQ(entries(), (std::vector<std::string>{"a", "A", "B", "A"}));

    clipboard.copy("copied while not running");
    ClipboardWatcher later(clipboard, history);
    later.Timer1_Timer();
    EXPECT_EQ(entries(), (std::vector<std::string>{"copied while not running", "a", "A", "B", "A"}));
}

TEST_F(ClipboardWatcherTest, IgnoresTheMarkerEmptyAndNonTextClipboards)
{
    for (const auto& [text, status] : std::vector<std::pair<std::string, Status>>{
             {"Wrenfold temp clipboard", Status::Text}, {"", Status::Text}, {"", Status::NoText},
             {"hunter2", Status::Secret}}) {
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

// A watcher that sleeps whenever needsTick() allows it must end with the same
// history as one that ticks every 10 ms without fail and reads the clipboard
// on every tick, its clipboard counting no changes: the reference shares no
// cached read with the watcher under test. This covers the wake-ups: after a
// busy read, and after an erase with the same text still on the clipboard.
TEST(ClipboardWatcherSleep, DecidesExactlyAsATickEveryTenMilliseconds)
{
    std::mt19937 random(7);
    const std::vector<std::string> texts = {"A", "B", "", "Wrenfold temp clipboard", "C"};
    for (int run = 0; run < 20; ++run) {
        FakeFileSystem sleepyFiles, eagerFiles;
        FakeClipboard sleepyClipboard, eagerClipboard;
        TextHistory sleepyHistory(sleepyFiles, "/s"), eagerHistory(eagerFiles, "/e");
        eagerClipboard.countsChanges = false;
        ClipboardWatcher sleepy(sleepyClipboard, sleepyHistory), eager(eagerClipboard, eagerHistory);
        for (int step = 0; step < 300; ++step) {
            const int event = std::uniform_int_distribution<>(0, 9)(random);
            const auto& text = texts[random() % texts.size()];
            const bool locked = random() % 2;
            for (const auto& [clipboard, files, history] :
                 {std::tuple{&sleepyClipboard, &sleepyFiles, &sleepyHistory},
                  std::tuple{&eagerClipboard, &eagerFiles, &eagerHistory}}) {
                if (event < 2) {
                    clipboard->copy(text);
                } else if (event == 2) {
                    clipboard->setBusy(locked);
                } else if (event == 3) {
                    files->touch(history->storeFile()); // the erase needs a file to delete
                    history->eraseAll();
                }
            }
            eager.Timer1_Timer();
            if (sleepy.needsTick())
                sleepy.Timer1_Timer();
            for (std::size_t i = 0; i < kHistorySlots; ++i)
                ASSERT_EQ(sleepyHistory.slot(i), eagerHistory.slot(i)) << "run " << run << " step " << step;
        }
    }
}

// The timer sleeps only while the clipboard counts changes and none came. A
// busy clipboard reads empty and is tried again: no change will be reported
// when it frees up. A lock that began while the watcher slept, then an erase:
// a watcher that ticks reads the locked clipboard as empty and records the
// text only once the lock is gone; the sleeping one would record it at once
// from the read it kept.
TEST_F(ClipboardWatcherTest, SleepsOnlyWhileNothingChangedAndAnEraseWhileLockedRecordsNothingUntilFree)
{
    clipboard.copy("A");
    watcher.Timer1_Timer(); // adds
    EXPECT_TRUE(watcher.needsTick()); // slot 0 changed: the next tick decides differently
    watcher.Timer1_Timer();
    EXPECT_FALSE(watcher.needsTick());

    clipboard.copy("B");
    EXPECT_TRUE(watcher.needsTick());
    clipboard.setBusy(true);
    watcher.Timer1_Timer();
    EXPECT_EQ(entries(), std::vector<std::string>{"A"});
    EXPECT_TRUE(watcher.needsTick());
    clipboard.setBusy(false);
    watcher.Timer1_Timer();
    watcher.Timer1_Timer();
    ASSERT_FALSE(watcher.needsTick());

    clipboard.setBusy(true); // another program holds the clipboard open; its content stays
    ASSERT_TRUE(history.eraseAll());
    watcher.Timer1_Timer();
    EXPECT_TRUE(entries().empty());
    clipboard.setBusy(false);
    watcher.Timer1_Timer();
    EXPECT_EQ(entries(), std::vector<std::string>{"B"});

    clipboard.countsChanges = false;
    watcher.Timer1_Timer();
    watcher.Timer1_Timer();
    EXPECT_TRUE(watcher.needsTick());
}

} // namespace
} // namespace tarnquill
