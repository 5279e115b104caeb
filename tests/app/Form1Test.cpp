#include "history/Fakes.h"

#include "app/Form1.h"
#include "history/ClipboardWatcher.h"

#include <gtest/gtest.h>

namespace tarnquill::app {
namespace {

using tarnquill::testing::CountingListView;
using tarnquill::testing::FakeClipboard;
using tarnquill::testing::FakeFileSystem;

const std::filesystem::path kStore = "/home/user/.local/share/tarnquill/tcb.txt";

class FakeForm1View final : public Form1View {
public:
    int selected = -1;
    std::string text1 = "(what the user typed)";
    int text1Writes = 0;

    int List1_ListIndex() const override { return selected; }
    void setText1(const std::string& text) override
    {
        text1 = text;
        ++text1Writes;
    }
};

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
        list.resets = 0;
    }

    std::optional<std::uint64_t> clipboardCount() const { return clipboard.changeCount(); }
    std::string clipboardText() { return clipboard.readText().text; }

    FakeFileSystem files;
    FakeClipboard clipboard;
    CountingListView list;
    FakeForm1View view;
    TextHistory history{files, kStore};
    Form1 form{view, history, clipboard};
};

TEST_F(Form1Test, SelectingARowPreviewsTheWholeEntry)
{
    view.selected = 1;
    form.List1_Click();
    EXPECT_EQ(view.text1, "line one\r\nline two\r\n");

    view.selected = 499; // a free slot
    form.List1_Click();
    EXPECT_EQ(view.text1, "");
}

TEST_F(Form1Test, WithoutASelectionThePreviewStaysAsItIs)
{
    for (int row : {-1, 500, -7}) {
        view.selected = row;
        form.List1_Click();
    }
    EXPECT_EQ(view.text1Writes, 0);
    EXPECT_EQ(view.text1, "(what the user typed)");
}

TEST_F(Form1Test, ResendPutsTheSlotTextBackByteForByte)
{
    view.selected = 1;
    form.Label2_Click(Form1::kResendIndex);
    EXPECT_EQ(clipboardText(), "line one\r\nline two\r\n");
    // The history itself is the watcher's business, not the command's.
    EXPECT_EQ(history.slot(0), "newest");
}

TEST_F(Form1Test, ResendUsesTheSlotNotWhatWasTypedIntoThePreview)
{
    view.selected = 0;
    form.List1_Click();
    view.text1 = "edited in Text1";
    form.Label2_Click(Form1::kResendIndex);
    EXPECT_EQ(clipboardText(), "newest");
}

TEST_F(Form1Test, ResendOfAFreeSlotPutsEmptyText)
{
    view.selected = 499;
    const auto before = clipboardCount();
    form.Label2_Click(Form1::kResendIndex);
    EXPECT_NE(clipboardCount(), before);
    EXPECT_EQ(clipboard.readText().status, ClipboardRead::Status::Text);
    EXPECT_EQ(clipboardText(), "");
}

TEST_F(Form1Test, ResendWithoutASelectionLeavesTheClipboardAlone)
{
    for (int row : {-1, 500}) {
        view.selected = row;
        const auto before = clipboardCount();
        form.Label2_Click(Form1::kResendIndex);
        EXPECT_EQ(clipboardCount(), before) << "row " << row;
    }
    EXPECT_EQ(clipboardText(), "on the clipboard");
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

TEST_F(Form1Test, EraseWithTheStoreFileMissingKeepsTheHistory)
{
    files.files.erase(kStore); // deleted behind the program's back
    form.Label2_Click(Form1::kEraseIndex);
    EXPECT_EQ(history.slot(0), "newest");
    EXPECT_EQ(history.slot(1), "line one\r\nline two\r\n");
    EXPECT_EQ(list.resets, 0);
}

TEST_F(Form1Test, EraseThatCannotDeleteTheStoreKeepsTheHistory)
{
    files.failRemoves = true; // held open by another program, or a read-only folder
    const std::string stored = files.files.at(kStore);
    const auto generation = history.generation();

    form.Label2_Click(Form1::kEraseIndex);
    EXPECT_EQ(files.files.at(kStore), stored);
    EXPECT_EQ(history.slot(0), "newest");
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

} // namespace
} // namespace tarnquill::app
