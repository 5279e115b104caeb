#include "history/StoreJournal.h"
#include "history/StoreLocation.h"
#include "history/TextHistory.h"
#include "platform/NativePaths.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <random>
#include <set>
#include <thread>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tarnquill {
namespace {

namespace fs = std::filesystem;

// Runs on the file system of whichever platform the tests were built for.
class NativeFileSystemTest : public ::testing::Test {
protected:
    NativeFileSystemTest()
    {
        std::random_device seed;
        folder = fs::temp_directory_path() / ("tarnquill-test-" + std::to_string(seed()));
        fs::create_directories(folder);
    }
    ~NativeFileSystemTest() override
    {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    std::size_t entriesIn(const fs::path& dir) const
    {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
    }

    std::unique_ptr<FileSystem> files = native::makeFileSystem();
    fs::path folder;
};

TEST_F(NativeFileSystemTest, ReplaceWritesTheWholeContentAndLeavesNoTemporaryFile)
{
    const fs::path store = folder / "tcb.txt";
    EXPECT_EQ(files->readAll(store), std::nullopt);

    ASSERT_TRUE(files->replaceAtomically(store, std::string("first\r\n\0binary", 14)));
    EXPECT_EQ(files->readAll(store), std::string("first\r\n\0binary", 14));
    ASSERT_TRUE(files->replaceAtomically(store, "second"));
    EXPECT_EQ(files->readAll(store), "second");
    EXPECT_EQ(entriesIn(folder), 1u);
}

// A store written piece by piece from its slots (small separators gathered,
// entries larger than the write buffer passed on whole) is byte for byte the
// encoded store, and the hash taken on the way is the whole file's.
TEST_F(NativeFileSystemTest, AStreamedStoreIsTheEncodedStore)
{
    std::array<SharedText, kHistorySlots> slots;
    slots[0] = std::make_shared<const std::string>("\xEF\xBB\xBF" "begins with a byte-order mark");
    slots[1] = std::make_shared<const std::string>(std::string(3'000'001, 'L'));
    slots[2] = std::make_shared<const std::string>("holds the separator " + std::string(HistorySeparator));
    for (std::size_t i = 3; i < kHistorySlots; i += 7)
        slots[i] = std::make_shared<const std::string>(std::string(i * 13, 'a' + i % 26));
    const StoreEncoder encoder(slots);
    const std::string expected = encodeStore(slots);
    ASSERT_EQ(encoder.size(), expected.size());

    const fs::path store = folder / "tcb.txt";
    journal::ContentHasher hasher(encoder.size());
    std::uint64_t hashAtRename = 0;
    ASSERT_TRUE(files->replaceStreamed(
        store,
        [&](const FileSystem::ByteSink& write) {
            return encoder.writeTo([&](std::string_view piece) {
                hasher.add(piece);
                return write(piece);
            });
        },
        [&] {
            hashAtRename = hasher.value();
            return true;
        }));
    EXPECT_TRUE(files->readAll(store) == expected);
    EXPECT_EQ(hashAtRename, journal::contentHash(expected));
    EXPECT_EQ(entriesIn(folder), 1u);
}

TEST_F(NativeFileSystemTest, TouchCreatesAnEmptyFileButNeverTruncates)
{
    const fs::path store = folder / "tcb.txt";
    ASSERT_TRUE(files->touch(store));
    EXPECT_EQ(files->readAll(store), "");
    ASSERT_TRUE(files->replaceAtomically(store, "kept"));
    ASSERT_TRUE(files->touch(store));
    EXPECT_EQ(files->readAll(store), "kept");
}

TEST_F(NativeFileSystemTest, RemoveReportsAMissingFile)
{
    const fs::path store = folder / "tcb.txt";
    ASSERT_TRUE(files->replaceAtomically(store, "x"));
    EXPECT_TRUE(files->remove(store));
    EXPECT_FALSE(fs::exists(store));
    EXPECT_FALSE(files->remove(store));
}

TEST_F(NativeFileSystemTest, AFolderThatCannotHoldFilesFailsEveryWrite)
{
    // A regular file standing where the folder should be: even an
    // administrator cannot create anything below it.
    const fs::path blocker = folder / "not-a-folder";
    std::ofstream(blocker) << "x";
    const fs::path store = blocker / "tcb.txt";

    EXPECT_FALSE(files->isWritableFolder(blocker, true));
    EXPECT_FALSE(files->touch(store));
    EXPECT_FALSE(files->replaceAtomically(store, "lost?"));
    EXPECT_EQ(files->readAll(store), std::nullopt);
    EXPECT_EQ(files->readAll(folder), std::nullopt); // a folder is not a store
}

TEST_F(NativeFileSystemTest, AReplaceThatCannotRenameKeepsTheOldFile)
{
    // A folder in the store's place makes the final rename fail after the
    // temporary file was written in full.
    const fs::path store = folder / "tcb.txt";
    fs::create_directories(store / "inside");
    EXPECT_FALSE(files->replaceAtomically(store, "new"));
    EXPECT_TRUE(fs::is_directory(store / "inside"));
    EXPECT_EQ(entriesIn(folder), 1u);
}

TEST_F(NativeFileSystemTest, TheStoreMovesToTheUserFolderWhenTheProgramFolderCannotBeWritten)
{
    const fs::path blocker = folder / "program";
    std::ofstream(blocker) << "x";
    const fs::path userFolder = folder / "data" / "tarnquill";

    EXPECT_EQ(chooseStoreFolder(*files, folder, userFolder), folder);
    EXPECT_EQ(chooseStoreFolder(*files, blocker, userFolder), userFolder);
    EXPECT_TRUE(fs::is_directory(userFolder));
    EXPECT_EQ(entriesIn(userFolder), 0u); // the probe file is gone again
    // An installed program's writable folder is never the store's.
    const fs::path otherUser = folder / "other" / "tarnquill";
    EXPECT_EQ(chooseStoreFolder(*files, folder, otherUser, true), otherUser);
    EXPECT_TRUE(fs::is_directory(otherUser));
}

TEST_F(NativeFileSystemTest, RenamingNeverReplacesAnExistingName)
{
    ASSERT_TRUE(files->replaceAtomically(folder / "a", "A"));
    ASSERT_TRUE(files->replaceAtomically(folder / "b", "B"));
    EXPECT_FALSE(files->renameNoReplace(folder / "a", folder / "b"));
    EXPECT_EQ(files->readAll(folder / "b"), "B");
    EXPECT_TRUE(files->renameNoReplace(folder / "a", folder / "c"));
    EXPECT_FALSE(files->exists(folder / "a"));
    EXPECT_EQ(files->readAll(folder / "c"), "A");
    EXPECT_FALSE(files->renameNoReplace(folder / "missing", folder / "d"));
}

TEST_F(NativeFileSystemTest, AStoreThatCannotBeReadIsKeptAsideNotOverwritten)
{
    // A folder in the store's place cannot be read as a store, by anyone.
    const fs::path store = folder / "tcb.txt";
    fs::create_directories(store / "kept");
    TextHistory history(*files, store);
    history.loadt();
    history.addt("new");
    EXPECT_EQ(files->readAll(store).value_or("").substr(0, 3), "new");
    std::size_t keptAside = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        keptAside += fs::exists(entry.path() / "kept");
    EXPECT_EQ(keptAside, 1u);
}

TEST_F(NativeFileSystemTest, TheStoreIsPrivateToItsOwner)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows keeps per-user files private through the folder's ACL";
#else
    const fs::path store = folder / "tcb.txt";
    ASSERT_TRUE(files->touch(store));
    EXPECT_EQ(fs::status(store).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    fs::remove(store);
    ASSERT_TRUE(files->replaceAtomically(store, "secret"));
    EXPECT_EQ(fs::status(store).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
#endif
}

#ifndef _WIN32
TEST_F(NativeFileSystemTest, SavesGoThroughASymbolicLinkAndSpareAReadOnlyStore)
{
    const fs::path elsewhere = folder / "elsewhere";
    fs::create_directories(elsewhere);
    const fs::path store = folder / "tcb.txt";
    fs::create_symlink("elsewhere/real.txt", store);
    TextHistory history(*files, store);
    history.loadt();
    history.addt("through the link");
    EXPECT_TRUE(fs::is_symlink(store));
    EXPECT_EQ(files->readAll(elsewhere / "real.txt").value_or("").substr(0, 16), "through the link");
    EXPECT_EQ(entriesIn(elsewhere), 1u);

    fs::permissions(elsewhere / "real.txt", fs::perms::owner_read | fs::perms::group_read);
    const auto before = files->readAll(store);
    EXPECT_FALSE(files->replaceAtomically(store, "replaced"));
    EXPECT_EQ(files->lastError(), "the file is read-only");
    EXPECT_EQ(files->readAll(store), before);
    EXPECT_EQ(fs::status(store).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::group_read);
}

TEST_F(NativeFileSystemTest, AFifoInTheStoresPlaceNeitherBlocksNorIsReplaced)
{
    const fs::path store = folder / "tcb.txt";
    ASSERT_EQ(::mkfifo(store.c_str(), 0600), 0);
    std::atomic<bool> done = false;
    std::thread run([&] {
        TextHistory history(*files, store);
        history.loadt();
        history.addt("kept in memory");
        EXPECT_FALSE(history.savet());
        done = true;
    });
    for (int i = 0; i < 500 && !done; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!done) {
        ADD_FAILURE() << "opening the store blocked on a FIFO";
        // Lets each blocked open of the FIFO return, so the test can end.
        while (!done)
            ::close(::open(store.c_str(), O_RDWR | O_NONBLOCK));
    }
    run.join();
    EXPECT_TRUE(fs::is_fifo(store));
}

TEST_F(NativeFileSystemTest, LeftoverTemporaryFilesOfTheStoreAreRemovedAndNothingElse)
{
    const fs::path store = folder / "tcb.txt";
    for (const char* name : {"tcb.txt", "tcb.txt.Ab3xQz", "tcb.txt.tmp-abcdef", "tcb.txt.journal.tmp-q1W2e3",
                             "tcb.txt.backup", "tcb.txt.journal", "tcb.txt.journal-next", "other.txt.Ab3xQz"})
        std::ofstream(folder / name) << "x";
    files->removeLeftovers(store);
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(folder))
        left.insert(entry.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"tcb.txt", "tcb.txt.backup", "tcb.txt.journal", "tcb.txt.journal-next",
                                           "other.txt.Ab3xQz"}));
}
#endif

TEST(NativePaths, TheProgramFolderHoldsThisExecutable)
{
    const fs::path folder = native::programFolder();
    EXPECT_TRUE(folder.is_absolute());
    EXPECT_TRUE(fs::exists(folder / "history_tests") || fs::exists(folder / "history_tests.exe"));
}

} // namespace
} // namespace tarnquill
