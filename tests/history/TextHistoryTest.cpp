// SPDX-License-Identifier: MIT
#include "Fakes.h"

#include "history/TextHistory.h"

#include <gtest/gtest.h>

namespace tarnquill {
namespace {

using testing::CountingListView;
using testing::FakeFileSystem;

const std::filesystem::path kStore = "/app/tcb.txt";
const std::string kSep(HistorySeparator);

class TextHistoryTest : public ::testing::Test {
protected:
    TextHistoryTest() { history.setListView(&list); }

    std::string stored() const { return files.files.at(kStore); }

    FakeFileSystem files;
    CountingListView list;
    TextHistory history{files, kStore};
};

TEST_F(TextHistoryTest, AddingPutsTheTextFirstRebuildsTheListAndSavesButEmptyTextChangesNothing)
{
    history.addt("");
    history.addt(SharedText{});
    EXPECT_TRUE(files.files.empty());
    EXPECT_EQ(list.resets, 0);
    EXPECT_EQ(history.generation(), 0u);

    history.addt("first");
    history.addt("second\r\nline");
    EXPECT_EQ(history.slot(0), "second\r\nline");
    EXPECT_EQ(list.rows, 500u);
    EXPECT_EQ(list.resets, 2);
    EXPECT_EQ(stored().substr(0, 40), "second\r\nline" + kSep + "first" + kSep.substr(0, 3));
}

TEST_F(TextHistoryTest, LoadingWithoutAStoreCreatesAnEmptyOneAndTheFiveHundredAndFirstAdditionDropsTheOldest)
{
    history.loadt();
    history.listt();
    EXPECT_EQ(stored(), "");
    EXPECT_EQ(list.rows, 500u);
    EXPECT_EQ(history.listLine(0), "");

    for (int i = 1; i <= 501; ++i)
        history.addt("text " + std::to_string(i));
    EXPECT_EQ(history.slot(0), "text 501");
    EXPECT_EQ(history.slot(499), "text 2");

    TextHistory reloaded(files, kStore);
    reloaded.loadt();
    EXPECT_EQ(testing::entriesOf(reloaded), testing::entriesOf(history));
}

TEST_F(TextHistoryTest, AFailedSaveKeepsThePreviousFileAndTheNextSaveRetries)
{
    history.addt("kept");
    const std::string before = stored();

    files.failWrites = true;
    history.addt("pending");
    EXPECT_FALSE(history.savet());
    EXPECT_EQ(stored(), before);
    EXPECT_EQ(history.slot(0), "pending");

    files.failWrites = false;
    EXPECT_TRUE(history.savet());
    EXPECT_EQ(stored().substr(0, 7), "pending");
}

TEST_F(TextHistoryTest, AStoreThatCannotBeReadIsKeptAsideBeforeTheFirstSave)
{
    files.files[kStore] = "old entry" + kSep;
    files.unreadable.insert(kStore);
    history.loadt();
    EXPECT_EQ(history.slot(0), "");

    // The folder refuses the rename: nothing is written over the old file.
    files.failRenames = true;
    history.addt("new");
    EXPECT_EQ(files.files.at(kStore), "old entry" + kSep);

    files.failRenames = false;
    history.addt("newer");
    ASSERT_EQ(files.files.size(), 2u);
    const auto aside = std::next(files.files.begin())->first;
    EXPECT_EQ(aside.filename().string().rfind("tcb.txt.unreadable-", 0), 0u) << aside;
    EXPECT_EQ(files.files.at(aside), "old entry" + kSep);
    EXPECT_EQ(stored().substr(0, 8 + kSep.size()), "newer" + kSep + "new");

    // Kept once: later saves replace the new store as usual.
    history.addt("newest");
    EXPECT_EQ(files.files.size(), 2u);
}

TEST_F(TextHistoryTest, AStoreThatWouldNotBeSavedBackAsItWasIsCopiedAsideAtLoad)
{
    const std::string legacy = "caf\xE9" + kSep + "plain" + kSep;
    files.files[kStore] = legacy;
    history.loadt();
    ASSERT_EQ(files.files.size(), 2u);
    const auto aside = std::next(files.files.begin())->first;
    EXPECT_EQ(aside.filename().string().rfind("tcb.txt.legacy-", 0), 0u) << aside;
    EXPECT_EQ(files.files.at(aside), legacy);
    EXPECT_EQ(stored(), legacy);

    history.addt("new");
    EXPECT_EQ(stored().substr(0, 3 + kSep.size() + 5), "new" + kSep + "caf\xC3\xA9");
    EXPECT_EQ(files.files.size(), 2u);
}

TEST_F(TextHistoryTest, AnUnreadStoreThatWentAwayMeanwhileIsSimplyWritten)
{
    files.files[kStore] = "x";
    files.unreadable.insert(kStore);
    history.loadt();
    files.files.clear();
    history.addt("new");
    EXPECT_EQ(files.files.size(), 1u);
    EXPECT_EQ(stored().substr(0, 3), "new");
}

TEST_F(TextHistoryTest, EraseEmptiesEverythingOnlyWhenTheFileCouldBeDeleted)
{
    history.addt("a");
    history.addt("b");

    files.failRemoves = true;
    EXPECT_FALSE(history.eraseAll());
    EXPECT_EQ(history.slot(0), "b");
    EXPECT_EQ(list.rows, 500u);

    files.failRemoves = false;
    const auto generation = history.generation();
    EXPECT_TRUE(history.eraseAll());
    EXPECT_EQ(files.files.count(kStore), 0u);
    EXPECT_EQ(history.slot(1), "");
    EXPECT_EQ(list.rows, 0u);
    EXPECT_NE(history.generation(), generation);

    // The file is gone now, so a second erase does nothing at all.
    const int resets = list.resets;
    EXPECT_FALSE(history.eraseAll());
    EXPECT_EQ(list.resets, resets);
}

} // namespace
} // namespace tarnquill
