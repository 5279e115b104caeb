// SPDX-License-Identifier: MIT
#include "history/StoreJournal.h"
#include "history/StoreLocation.h"
#include "history/TextHistory.h"
#include "platform/NativePaths.h"

#include "Fakes.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <set>
#include <thread>
#include <type_traits>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tarnquill {
namespace {

namespace fs = std::filesystem;

// The platform's own file system, in a fresh temporary folder.
struct NativeBackend {
    std::size_t entriesIn(const fs::path& dir) const
    {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
    }

    std::unique_ptr<FileSystem> files = native::makeFileSystem();
    test::TempFolder temp;
    const fs::path& folder = temp.path();
};

// The fake the other history tests run on.
struct FakeBackend {
    std::size_t entriesIn(const fs::path& dir) const
    {
        const auto& all = static_cast<const testing::FakeFileSystem&>(*files).files;
        return static_cast<std::size_t>(
            std::count_if(all.begin(), all.end(), [&](const auto& file) { return file.first.parent_path() == dir; }));
    }

    std::unique_ptr<FileSystem> files = std::make_unique<testing::FakeFileSystem>();
    fs::path folder = "/fake/folder";
};

// What the history relies on of every file system, checked on the real one
// and on the fake, so that the fake cannot drift from the real thing.
template <typename Backend>
class FileSystemContract : public ::testing::Test, protected Backend {};

struct BackendNames {
    template <typename Backend>
    static std::string GetName(int) { return std::is_same_v<Backend, NativeBackend> ? "Native" : "Fake"; }
};

using Backends = ::testing::Types<NativeBackend, FakeBackend>;
TYPED_TEST_SUITE(FileSystemContract, Backends, BackendNames);

// A replace writes the whole content and leaves no temporary file; touch
// creates an empty file but never truncates; remove reports a missing file;
// a rename never replaces an existing name.
TYPED_TEST(FileSystemContract, ReplaceTouchRemoveAndRename)
{
    const fs::path store = this->folder / "tcb.txt";
    FileSystem& files = *this->files;
    EXPECT_EQ(files.readAll(store), std::nullopt);

    ASSERT_TRUE(files.replaceAtomically(store, std::string("first\r\n\0binary", 14)));
    EXPECT_EQ(files.readAll(store), std::string("first\r\n\0binary", 14));
    ASSERT_TRUE(files.replaceAtomically(store, "second"));
    EXPECT_EQ(files.readAll(store), "second");
    EXPECT_EQ(this->entriesIn(this->folder), 1u);
    // A save abandoned before its rename leaves the old content.
    EXPECT_FALSE(files.replaceAtomically(store, "third", [] { return false; }));
    EXPECT_EQ(files.readAll(store), "second");
    EXPECT_EQ(this->entriesIn(this->folder), 1u);

    EXPECT_TRUE(files.remove(store));
    EXPECT_FALSE(files.exists(store));
    EXPECT_FALSE(files.remove(store));
    ASSERT_TRUE(files.touch(store));
    EXPECT_EQ(files.readAll(store), "");
    ASSERT_TRUE(files.replaceAtomically(store, "kept"));
    ASSERT_TRUE(files.touch(store));
    EXPECT_EQ(files.readAll(store), "kept");

    const fs::path& folder = this->folder;
    ASSERT_TRUE(files.replaceAtomically(folder / "a", "A"));
    EXPECT_FALSE(files.renameNoReplace(folder / "a", folder / "tcb.txt"));
    EXPECT_EQ(files.readAll(store), "kept");
    EXPECT_TRUE(files.renameNoReplace(folder / "a", folder / "c"));
    EXPECT_FALSE(files.exists(folder / "a"));
    EXPECT_EQ(files.readAll(folder / "c"), "A");
    EXPECT_FALSE(files.renameNoReplace(folder / "missing", folder / "d"));
}

// A store written piece by piece from its slots (small separators gathered,
// entries larger than the write buffer passed on whole) is byte for byte the
// encoded store, and the hash taken on the way is the whole file's.
TYPED_TEST(FileSystemContract, AStreamedStoreIsTheEncodedStore)
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

    const fs::path store = this->folder / "tcb.txt";
    journal::ContentHasher hasher(encoder.size());
    std::uint64_t hashAtRename = 0;
    ASSERT_TRUE(this->files->replaceStreamed(
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
    EXPECT_TRUE(this->files->readAll(store) == expected);
    EXPECT_EQ(hashAtRename, journal::contentHash(expected));
    EXPECT_EQ(this->entriesIn(this->folder), 1u);
}

// What only a real disk can show: folders that are files, links, FIFOs,
// permissions.
class NativeFileSystemTest : public ::testing::Test, protected NativeBackend {};

// A regular file standing where the folder should be: even an administrator
// cannot create anything below it, and the store moves to the user's folder.
TEST_F(NativeFileSystemTest, AFolderThatCannotHoldFilesFailsEveryWriteAndTheStoreMovesToTheUserFolder)
{
    const fs::path blocker = folder / "program";
    std::ofstream(blocker) << "x";
    const fs::path store = blocker / "tcb.txt";

    EXPECT_FALSE(files->isWritableFolder(blocker, true));
    EXPECT_FALSE(files->touch(store));
    EXPECT_FALSE(files->replaceAtomically(store, "lost?"));
    EXPECT_EQ(files->readAll(store), std::nullopt);
    EXPECT_EQ(files->readAll(folder), std::nullopt); // a folder is not a store

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

// A folder in the store's place cannot be read as a store, by anyone, and
// makes the final rename of a replace fail after the temporary file was
// written in full.
TEST_F(NativeFileSystemTest, AStoreThatCannotBeReadIsKeptAsideNotOverwritten)
{
    const fs::path store = folder / "tcb.txt";
    fs::create_directories(store / "kept");
    EXPECT_FALSE(files->replaceAtomically(store, "new"));
    EXPECT_EQ(entriesIn(folder), 1u);
    TextHistory history(*files, store);
    history.loadt();
    history.addt("new");
    EXPECT_EQ(files->readAll(store).value_or("").substr(0, 3), "new");
    std::size_t keptAside = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        keptAside += fs::exists(entry.path() / "kept");
    EXPECT_EQ(keptAside, 1u);
}

// A second name for the journal sees the appended bytes only when they are
// written into the file itself, not into a rewritten copy. Windows keeps
// per-user files private through the folder's ACL.
TEST_F(NativeFileSystemTest, FilesArePrivateToTheirOwnerAndAppendsGoToTheSameFileInPlace)
{
    const fs::path store = folder / "tcb.txt";
    const fs::path journal = folder / "tcb.txt.journal";
    ASSERT_TRUE(files->touch(store));
    ASSERT_TRUE(files->replaceAtomically(folder / "replaced", "secret"));
    ASSERT_TRUE(files->appendDurably(journal, "one\n"));
#ifndef _WIN32
    for (const fs::path& file : {store, folder / "replaced", journal})
        EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
#endif
    fs::create_hard_link(journal, folder / "same-file");
    ASSERT_TRUE(files->appendDurably(journal, std::string("two\0\n", 5)));
    EXPECT_EQ(files->readAll(folder / "same-file"), std::string("one\ntwo\0\n", 9));
    EXPECT_EQ(entriesIn(folder), 4u);
    EXPECT_FALSE(files->appendDurably(folder / "missing-folder" / "j", "x"));
    EXPECT_FALSE(files->lastError().empty());
}

TEST_F(NativeFileSystemTest, SavesGoThroughASymbolicLinkAndSpareAReadOnlyStore)
{
    const fs::path elsewhere = folder / "elsewhere";
    fs::create_directories(elsewhere);
    const fs::path store = folder / "tcb.txt";
    // Saved through the link when there is one; a read-only store either way.
    fs::path real = elsewhere / "real.txt";
#ifdef _WIN32
    std::ofstream(real).flush();
    // 2: SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE (developer mode). Some
    // systems report success and make nothing.
    ::CreateSymbolicLinkW(store.c_str(), L"elsewhere\\real.txt", 2);
    const auto isLink = [&] {
        const DWORD attributes = ::GetFileAttributesW(store.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    };
#else
    fs::create_symlink("elsewhere/real.txt", store);
    const auto isLink = [&] { return fs::is_symlink(store); };
#endif
    const bool linked = isLink();
    if (!linked)
        real = store;
    TextHistory history(*files, store);
    history.loadt();
    history.addt("through the link");
    EXPECT_EQ(files->readAll(real).value_or("").substr(0, 16), "through the link");
    EXPECT_TRUE(!linked || (isLink() && entriesIn(elsewhere) == 1)) << "the link was replaced";

    fs::permissions(real, fs::perms::owner_read | fs::perms::group_read);
    const auto before = files->readAll(store);
    EXPECT_FALSE(files->replaceAtomically(store, "replaced"));
    EXPECT_EQ(files->lastError(), "the file is read-only");
    EXPECT_EQ(files->readAll(store), before);
    EXPECT_EQ(fs::status(store).permissions() & fs::perms::owner_write, fs::perms::none);
#ifndef _WIN32
    EXPECT_EQ(fs::status(store).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::group_read);
#endif
    if (!linked)
        GTEST_SKIP() << "no symbolic link could be made here; only the read-only store was tried";
}

TEST_F(NativeFileSystemTest, SomethingOtherThanAFileInTheStoresPlaceNeitherBlocksNorIsReplaced)
{
#ifdef _WIN32
    // A named pipe whose server waits for one client: opening it as the
    // store would take that place (and a read would wait for data).
    const fs::path store = L"\\\\.\\pipe\\" + folder.filename().wstring();
    const HANDLE server = ::CreateNamedPipeW(store.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096,
                                             4096, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    const auto stillWaiting = [&] {
        const HANDLE client = ::CreateFileW(store.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (client == INVALID_HANDLE_VALUE)
            return false;
        ::CloseHandle(client);
        return true;
    };
    const auto unblock = [&] { ::CloseHandle(server); };
    EXPECT_EQ(files->kindOf(L"NUL"), FileSystem::Kind::Special);
    EXPECT_EQ(files->kindOf(folder / "com1.txt"), FileSystem::Kind::Special);
#else
    const fs::path store = folder / "tcb.txt";
    ASSERT_EQ(::mkfifo(store.c_str(), 0600), 0);
    const auto stillWaiting = [&] { return fs::is_fifo(store); };
    // Lets each blocked open of the FIFO return, so the test can end.
    const auto unblock = [&] { ::close(::open(store.c_str(), O_RDWR | O_NONBLOCK)); };
#endif
    EXPECT_EQ(files->kindOf(store), FileSystem::Kind::Special);
    EXPECT_EQ(files->kindOf(folder), FileSystem::Kind::Folder);
    EXPECT_EQ(files->kindOf(folder / "missing"), FileSystem::Kind::Missing);
    EXPECT_FALSE(files->appendDurably(store, "x"));
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
        ADD_FAILURE() << "opening the store blocked";
        while (!done)
            unblock();
    }
    run.join();
    EXPECT_TRUE(stillWaiting());
#ifdef _WIN32
    ::CloseHandle(server);
#endif
}

TEST_F(NativeFileSystemTest, LeftoverTemporaryFilesOfTheStoreAreRemovedAndNothingElse)
{
    const fs::path store = folder / "tcb.txt";
    for (const char* name : {"tcb.txt", "tcb.txt.Ab3xQz", "tcb.txt.tmp-abcdef", "tcb.txt.journal.tmp-q1W2e3",
                             "tcb.txt.backup", "tcb.txt.journal", "tcb.txt.journal-next", "other.txt.Ab3xQz"})
        std::ofstream(folder / name) << "x";
    fs::create_directories(folder / "tcb.txt.tmp-folder");
    files->removeLeftovers(store);
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(folder))
        left.insert(entry.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"tcb.txt", "tcb.txt.backup", "tcb.txt.journal", "tcb.txt.journal-next",
                                           "other.txt.Ab3xQz", "tcb.txt.tmp-folder"}));
}

} // namespace
} // namespace tarnquill
