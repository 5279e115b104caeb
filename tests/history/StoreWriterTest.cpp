// SPDX-License-Identifier: MIT
#include "Fakes.h"

#include "history/StoreJournal.h"
#include "history/TextHistory.h"

#include <gtest/gtest.h>

#include <mutex>
#include <random>

namespace tarnquill {
namespace {

namespace fs = std::filesystem;
using testing::FakeFileSystem;

const fs::path kStore = "/app/tcb.txt";

TEST(StoreJournal, ACutAnywhereKeepsEveryWholeRecordBeforeItAndNothingElse)
{
    const auto base = journal::baseOf("store bytes");
    const std::vector<std::string> texts = {"one", std::string("two\n\0+x", 7), "three\r\n"};
    std::string bytes = journal::header(base);
    std::vector<std::size_t> recordEnds;
    for (const auto& text : texts) {
        bytes += journal::record(text);
        recordEnds.push_back(bytes.size());
    }
    for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
        const auto whole = static_cast<std::size_t>(
            std::count_if(recordEnds.begin(), recordEnds.end(), [&](std::size_t end) { return end <= cut; }));
        const auto got = journal::replay(std::string_view(bytes).substr(0, cut), base);
        ASSERT_EQ(got, std::vector<std::string>(texts.begin(), texts.begin() + whole)) << "cut at " << cut;
    }
    EXPECT_TRUE(journal::replay(bytes, journal::baseOf("another store")).empty());

    std::string flipped = bytes;
    flipped[recordEnds[0] + 22] ^= 1; // inside the second record's text
    EXPECT_EQ(journal::replay(flipped, base).size(), 1u);
}

// Keeps a copy of the whole disk after every change, as a kill at that
// moment would leave it. Thread-safe: the writer's threads call it.
class CrashPointFileSystem final : public FakeFileSystem {
    std::mutex m_mutex;
    template <typename F>
    auto locked(F&& call, bool change = true)
    {
        std::lock_guard lock(m_mutex);
        auto result = call();
        if (change)
            states.push_back(files);
        return result;
    }

public:
    std::vector<std::map<fs::path, std::string>> states;
    std::uint64_t bytesWritten = 0;
    std::chrono::milliseconds storeDelay{0};

    std::map<fs::path, std::string> copyOfDisk() { return locked([&] { return files; }, false); }

    bool touch(const fs::path& file) override { return locked([&] { return FakeFileSystem::touch(file); }); }
    std::optional<std::string> readAll(const fs::path& file) override
    {
        return locked([&] { return FakeFileSystem::readAll(file); }, false);
    }
    bool replaceAtomically(const fs::path& file, std::string_view bytes) override
    {
        // A slow disk: additions keep arriving while the store is rewritten.
        if (file == kStore)
            std::this_thread::sleep_for(storeDelay);
        return locked([&] {
            bytesWritten += bytes.size();
            return FakeFileSystem::replaceAtomically(file, bytes);
        });
    }
    // As a real disk does it: the new content takes a while to write before
    // the journal's successor is made, and the rename comes a while after.
    bool replaceAtomically(const fs::path& file, std::string_view bytes,
                           const std::function<bool()>& beforeRename) override
    {
        if (file == kStore)
            std::this_thread::sleep_for(storeDelay);
        return beforeRename() && replaceAtomically(file, bytes);
    }
    bool appendDurably(const fs::path& file, std::string_view bytes) override
    {
        return locked([&] {
            bytesWritten += bytes.size();
            // Half of the record first: a kill can come in the middle.
            files[file].append(bytes.substr(0, bytes.size() / 2));
            states.push_back(files);
            files[file].append(bytes.substr(bytes.size() / 2));
            return true;
        });
    }
    bool remove(const fs::path& file) override { return locked([&] { return FakeFileSystem::remove(file); }); }
    bool exists(const fs::path& path) override { return locked([&] { return FakeFileSystem::exists(path); }); }
    bool renameNoReplace(const fs::path& from, const fs::path& to) override
    {
        return locked([&] { return FakeFileSystem::renameNoReplace(from, to); });
    }

};

// What a new start would load from a copy of the disk (the load replays a
// journal and saves, so the disk itself stays as it is).
std::vector<std::string> loadedFrom(const std::map<fs::path, std::string>& disk)
{
    FakeFileSystem files;
    files.files = disk;
    TextHistory history(files, kStore);
    history.loadt();
    return testing::entriesOf(history);
}

// Every moment of a run of additions, journaled and rewritten by the writer
// threads, is taken as the moment of a kill: the store and journal left then
// load as the history after some number of additions, never fewer than were
// on disk before, never a mix, a duplicate or a partial text.
TEST(StoreWriter, AKillAtAnyMomentLeavesTheHistoryOfSomeWholeNumberOfAdditions)
{
    CrashPointFileSystem files;
    files.storeDelay = std::chrono::milliseconds(3);
    std::vector<std::vector<std::string>> expected; // after 0, 1, 2, ... additions
    {
        TextHistory history(files, kStore);
        history.saveInBackground({.rewriteAtOnceBytes = 40, .quietPeriod = std::chrono::milliseconds(15),
                                  .maxDelay = std::chrono::milliseconds(30)});
        history.loadt();
        expected.push_back(testing::entriesOf(history));
        std::mt19937 random(7);
        for (int i = 0; i < 60; ++i) {
            history.addt("text " + std::to_string(i) + std::string(random() % 30, '.'));
            expected.push_back(testing::entriesOf(history));
            if (random() % 4 == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(random() % 8));
            if (random() % 6 == 0) {
                // Once the writer says everything is on disk, a start loads all of it.
                history.flushWrites();
                ASSERT_EQ(loadedFrom(files.copyOfDisk()), expected.back()) << "after addition " << i;
            }
        }
        history.flushWrites();
        ASSERT_TRUE(history.savet());
    }
    const auto& states = files.states;
    ASSERT_GT(states.size(), 30u); // coalescing varies with the timer; enough moments either way
    std::size_t atLeast = 0;
    for (std::size_t s = 0; s < states.size(); ++s) {
        const auto loaded = loadedFrom(states[s]);
        const auto found = std::find(expected.begin() + static_cast<std::ptrdiff_t>(atLeast), expected.end(), loaded);
        ASSERT_NE(found, expected.end()) << "after change " << s << " of " << states.size();
        atLeast = static_cast<std::size_t>(found - expected.begin());
    }
    EXPECT_EQ(atLeast, expected.size() - 1);
    EXPECT_EQ(files.files.count(StoreWriter::journalFile(kStore)), 0u);
    // The exit's save leaves the store current on its own.
    EXPECT_TRUE(loadedFrom({{kStore, files.files.at(kStore)}}) == expected.back());
}

TEST(StoreWriter, ACopyOnALargeStoreWritesOnlyTheCopyUntilTheAdditionsPause)
{
    CrashPointFileSystem files;
    files.files[kStore] = std::string(3000, 'x');
    TextHistory history(files, kStore);
    history.saveInBackground({.rewriteAtOnceBytes = 1000, .quietPeriod = std::chrono::hours(1),
                              .maxDelay = std::chrono::hours(1)});
    history.loadt();
    history.addt(std::string(100, 'n'));
    history.flushWrites();
    EXPECT_LT(files.bytesWritten, 200u);
    EXPECT_EQ(loadedFrom(files.files).at(0), std::string(100, 'n'));
    EXPECT_TRUE(files.files.at(kStore) == std::string(3000, 'x'));
    ASSERT_TRUE(history.savet()); // the exit folds the journal in
    EXPECT_EQ(files.files.at(kStore).substr(0, 100), std::string(100, 'n'));
}

// Called on the writer's thread; read once flushWrites has returned.
class RecordingListener final : public StoreStatusListener {
public:
    void storeSaveFailed(const fs::path& file, const std::string& reason) override
    {
        events.push_back("failed " + file.string() + ": " + reason);
    }
    void storeSaveRecovered(const fs::path& file) override { events.push_back("saved " + file.string()); }
    std::vector<std::string> events;
};

TEST(StoreWriter, AFailureEpisodeIsToldOnceAndRetriedWithTheNextAddition)
{
    FakeFileSystem files;
    RecordingListener listener;
    TextHistory history(files, kStore);
    history.setStatusListener(&listener);
    history.saveInBackground();
    history.loadt();
    history.addt("kept");
    history.flushWrites();
    const std::string before = files.files.at(kStore);

    files.failWrites = true;
    history.addt("a");
    history.flushWrites();
    history.addt("b");
    history.flushWrites();
    EXPECT_EQ(files.files.at(kStore), before);
    EXPECT_FALSE(history.savet());

    files.failWrites = false;
    history.addt("c");
    history.flushWrites();
    EXPECT_EQ(loadedFrom(files.files).at(2), "a");
    EXPECT_EQ(listener.events, (std::vector<std::string>{"failed /app/tcb.txt: the file could not be written",
                                                         "saved /app/tcb.txt"}));
}

} // namespace
} // namespace tarnquill
