// SPDX-License-Identifier: MIT
#include "history/Fakes.h"

#include "FakeViews.h"
#include "RecordingWin32Api.h"

#include "app/Form1.h"
#include "history/ClipboardWatcher.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tarnquill::app {
namespace {

using tarnquill::testing::FakeForm1View;
using tarnquill::testing::FakeProgressView;
using tarnquill::testing::CountingListView;
using tarnquill::testing::FakeClipboard;
using tarnquill::testing::FakeFileSystem;
using tarnquill::testing::RecordingWin32Api;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::filesystem::path kStore = "/home/user/.local/share/tarnquill/tcb.txt";

class Form1Test : public ::testing::Test {
protected:
    Form1Test()
    {
        history.setListView(&list);
        history.loadt();
        history.addt("oldest");
        history.addt("line one\r\nline two\r\n");
        history.addt("newest");
        clipboard.copy("on the clipboard");
        form.Load();
        list.resets = 0;
        api.calls.clear();
    }

    std::optional<std::uint64_t> clipboardCount() const { return clipboard.changeCount(); }
    std::string clipboardText() { return clipboard.readText().text; }

    FakeFileSystem files;
    FakeClipboard clipboard;
    CountingListView list;
    RecordingWin32Api api;
    FakeForm1View view{api.calls};
    FakeProgressView form2View{"Form2", "  Loading", api.calls};
    FakeProgressView form3View{"form3", "  Saving", api.calls};
    ProgressForm form2{form2View, {}};
    ProgressForm form3{form3View, {}};
    TextHistory history{files, kStore};
    Form1 form{view, history, clipboard, api, form2, form3};
};

TEST_F(Form1Test, WithoutASelectionNeitherThePreviewNorTheClipboardChanges)
{
    const auto before = clipboardCount();
    for (int row : {-1, 500, -7}) {
        view.selected = row;
        form.List1_Click();
        form.Label2_Click(Form1::kResendIndex);
    }
    EXPECT_EQ(view.text1Writes, 0);
    EXPECT_EQ(view.text1, "(what the user typed)");
    EXPECT_EQ(clipboardCount(), before);
    EXPECT_EQ(clipboardText(), "on the clipboard");
}

TEST_F(Form1Test, SelectingARowPreviewsItAndResendPutsTheSlotBackByteForByteNotWhatWasTyped)
{
    for (const auto& [row, text] : {std::pair<int, std::string>{1, "line one\r\nline two\r\n"}, {0, "newest"},
                                    {499, ""}}) {
        view.selected = row;
        form.List1_Click();
        EXPECT_EQ(view.text1, text) << "the preview shows the whole entry";
        view.text1 = "edited in Text1";
        const auto before = clipboardCount();
        form.Label2_Click(Form1::kResendIndex);
        EXPECT_NE(clipboardCount(), before) << "row " << row;
        EXPECT_EQ(clipboard.readText().status, ClipboardRead::Status::Text) << "row " << row;
        EXPECT_EQ(clipboardText(), text) << "row " << row;
    }
    // The history itself is the watcher's business, not the command's.
    EXPECT_EQ(history.slot(0), "newest");
}

TEST_F(Form1Test, ResendToABusyClipboardEndsQuietly)
{
    view.selected = 0;
    clipboard.setBusy(true);
    const auto before = clipboardCount();
    form.Label2_Click(Form1::kResendIndex);
    EXPECT_EQ(clipboardCount(), before);

    // Once the other program lets go, the same click works.
    clipboard.setBusy(false);
    form.Label2_Click(Form1::kResendIndex);
    EXPECT_EQ(clipboardText(), "newest");
}

TEST_F(Form1Test, EraseDeletesTheStoreEmptiesEverySlotAndTheList)
{
    const auto generation = history.generation();
    form.Label2_Click(Form1::kEraseIndex);

    EXPECT_FALSE(files.files.contains(kStore));
    for (std::size_t i = 0; i < kHistorySlots; ++i)
        ASSERT_EQ(history.slot(i), "") << "slot " << i;
    EXPECT_EQ(list.rows, 0u);
    EXPECT_EQ(list.resets, 1);
    EXPECT_NE(history.generation(), generation);
    // Erasing is not a clipboard command.
    EXPECT_EQ(clipboardText(), "on the clipboard");
}

TEST_F(Form1Test, SecondEraseFindsNoFileAndDoesNothing)
{
    form.Label2_Click(Form1::kEraseIndex);
    const auto generation = history.generation();

    form.Label2_Click(Form1::kEraseIndex);
    EXPECT_EQ(history.generation(), generation);
    EXPECT_EQ(list.resets, 1);
    EXPECT_FALSE(files.files.contains(kStore));
}

// The file deleted behind the program's back, or one that cannot be deleted
// (held open by another program, a read-only folder).
TEST_F(Form1Test, EraseThatCannotDeleteTheStoreOrFindsNoFileKeepsTheHistory)
{
    files.failRemoves = true; // held open by another program, or a read-only folder
    const std::string stored = files.files.at(kStore);
    const auto generation = history.generation();
    form.Label2_Click(Form1::kEraseIndex);
    EXPECT_EQ(files.files.at(kStore), stored);

    files.failRemoves = false;
    files.files.erase(kStore); // deleted behind the program's back
    form.Label2_Click(Form1::kEraseIndex);

    EXPECT_EQ(history.slot(0), "newest");
    EXPECT_EQ(history.slot(1), "line one\r\nline two\r\n");
    EXPECT_EQ(history.slot(2), "oldest");
    EXPECT_EQ(list.resets, 0);
    EXPECT_EQ(history.generation(), generation);
}

TEST_F(Form1Test, EraseWakesASleepingWatcher)
{
    ClipboardWatcher watcher(clipboard, history);
    clipboard.copy("newest");
    watcher.Timer1_Timer();
    ASSERT_FALSE(watcher.needsTick()); // asleep: nothing could change its mind

    form.Label2_Click(Form1::kEraseIndex);
    EXPECT_TRUE(watcher.needsTick());
    // The clipboard still holds the text, and slot 0 no longer does.
    watcher.Timer1_Timer();
    EXPECT_EQ(history.slot(0), "newest");
    EXPECT_EQ(history.slot(1), "");
}

class Form1OtherLabel2Elements : public Form1Test, public ::testing::WithParamInterface<int> {};

TEST_P(Form1OtherLabel2Elements, DoNothing)
{
    view.selected = 0;
    const auto clipboardBefore = clipboardCount();
    const std::string stored = files.files.at(kStore);

    form.Label2_Click(GetParam());
    EXPECT_EQ(clipboardCount(), clipboardBefore);
    EXPECT_EQ(files.files.at(kStore), stored);
    EXPECT_EQ(history.slot(0), "newest");
    EXPECT_EQ(list.resets, 0);
    EXPECT_EQ(view.text1Writes, 0);
}

INSTANTIATE_TEST_SUITE_P(Indices, Form1OtherLabel2Elements, ::testing::Values(-1, 1, 3, 500));

// ---- Check2: the Run entry follows the box --------------------------------

class Form1Check2Test : public Form1Test {
protected:
    // The executable is RecordingWin32Api's: "tool" in C:\Apps\Clip.
    Form1Check2Test() { api.registry = &registry; }

    std::optional<testing::InMemoryRegistry::Stored> runValue(HKEY root) const
    {
        return registry.value(root, std::string(kRunSubKey), "tool");
    }

    testing::InMemoryRegistry registry;
};

TEST_F(Form1Check2Test, ClickAndKeyUpWriteTheEntryOfThisExecutableWhenChecked)
{
    const testing::InMemoryRegistry::Stored entry{REG_SZ, std::string("C:\\Apps\\Clip\\tool\0", 18)};
    view.check2 = 1;
    form.Check2_Click();
    EXPECT_EQ(runValue(HKEY_LOCAL_MACHINE), entry);
    registry.machineWritable = false;
    form.Check2_KeyUp(65, 1); // any key, any shift state; an ordinary user's entry is per-user
    EXPECT_EQ(runValue(HKEY_CURRENT_USER), entry);
}

TEST_F(Form1Check2Test, ClickAndKeyUpDeleteTheEntryWhenCleared)
{
    view.check2 = 1;
    registry.machineWritable = false;
    form.Check2_Click();
    registry.machineWritable = true;
    form.Check2_KeyUp(32, 0);
    view.check2 = 0;
    form.Check2_Click();
    EXPECT_EQ(runValue(HKEY_LOCAL_MACHINE), std::nullopt);
    EXPECT_EQ(runValue(HKEY_CURRENT_USER), std::nullopt);

    view.check2 = 1;
    form.Check2_Click();
    view.check2 = 0;
    form.Check2_KeyUp(9, 2);
    EXPECT_EQ(runValue(HKEY_LOCAL_MACHINE), std::nullopt);
}

// ---- Picture1: the tray icon's notifications ----------------------------------

TEST_F(Form1Test, ALeftButtonReleaseOverTheTrayIconShowsTheWindowThenRemovesTheIcon)
{
    api.calls.clear();
    form.Picture1_MouseMove(1, 0, 514 * 15.0f, 0);
    EXPECT_THAT(api.calls, ElementsAre("Show()", testing::trayCall(2)));
}

TEST_F(Form1Test, EveryOtherTrayMessageIsIgnored)
{
    api.calls.clear();
    // Pointer moves, a left press, a double-click, the right and middle
    // buttons; 7665 twips is pixel 511, below the mouse messages.
    for (const int message : {512, 513, 515, 516, 517, 518, 519, 520, 521})
        form.Picture1_MouseMove(1, 0, static_cast<float>(message * 15), 0);
    form.Picture1_MouseMove(0, 0, 7665.0f, 0);
    form.Picture1_MouseMove(0, 0, 0.0f, 0);
    EXPECT_THAT(api.calls, IsEmpty());
}

// The screen's density may change during the run (another monitor, a new
// scaling setting): the release still brings the window back.
TEST_F(Form1Test, TrayMessagesInPixelsAreDecodedWithTheFactorOfTheMomentOfTheClick)
{
    for (const float twipsPerPixel : {15.0f, 12.0f, 10.0f, 7.5f, 1440.0f / 110}) {
        form.Label6_Click();
        api.twipsPerPixelX = twipsPerPixel;
        api.calls.clear();
        form.Picture1_TrayMessage(0, 0, 512, 0);
        EXPECT_THAT(api.calls, IsEmpty()) << "a move at " << twipsPerPixel;
        form.Picture1_TrayMessage(1, 0, 514, 0);
        EXPECT_THAT(api.calls, ElementsAre("Show()", testing::trayCall(2))) << twipsPerPixel;
    }
}

} // namespace
} // namespace tarnquill::app
