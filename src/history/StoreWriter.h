// SPDX-License-Identifier: MIT
#pragma once

#include "history/FileSystem.h"
#include "history/StoreFormat.h"
#include "history/StoreJournal.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarnquill {

// The slots as they stood after one change. Immutable and shared: handing one
// to the writer copies 500 pointers, never text.
using Snapshot = std::shared_ptr<const std::array<SharedText, kHistorySlots>>;

// Told when saving the store starts failing and when it works again. Called on
// a writer thread.
class StoreStatusListener {
public:
    StoreStatusListener() = default;
    StoreStatusListener(const StoreStatusListener&) = delete;
    StoreStatusListener& operator=(const StoreStatusListener&) = delete;
    virtual ~StoreStatusListener() = default;

    // The first failure of an episode, with the file and the reason in words.
    virtual void storeSaveFailed(const std::filesystem::path& file, const std::string& reason) = 0;
    // The first success after a failure.
    virtual void storeSaveRecovered(const std::filesystem::path& file) = 0;
};

// Writes the store off the user-interface thread. A small store is rewritten
// as a whole after every addition; a large one gets each addition appended to
// the journal beside it (flushed at once) and is rewritten, with the journal
// folded in, once the additions pause, so that a copy costs disk traffic in
// proportion to the copy. Additions that arrive during a rewrite are
// coalesced into the next one. Two threads: one appends to the journal, one
// rewrites the store, so a long rewrite never holds back an addition.
class StoreWriter final {
public:
    struct Timing {
        // Stores up to this size are rewritten at once, without a journal.
        std::size_t rewriteAtOnceBytes = 1 << 20;
        // A larger store is rewritten this long after the last addition...
        std::chrono::milliseconds quietPeriod{250};
        // ...and at the latest this long after the first one not yet in it.
        std::chrono::milliseconds maxDelay{800};
    };

    StoreWriter(FileSystem& files, std::filesystem::path storeFile, Timing timing);
    StoreWriter(FileSystem& files, std::filesystem::path storeFile) : StoreWriter(files, std::move(storeFile), Timing{}) {}
    StoreWriter(const StoreWriter&) = delete;
    StoreWriter& operator=(const StoreWriter&) = delete;
    // Finishes what is pending, then stops the threads.
    ~StoreWriter();

    static std::filesystem::path journalFile(const std::filesystem::path& storeFile);
    static std::filesystem::path nextJournalFile(const std::filesystem::path& storeFile);

    void setListener(StoreStatusListener* listener);

    // Where the files stand at load: the store's base and the additions a
    // journal held beyond it (already in `slots`). Starts the threads.
    void start(journal::Base base, const std::vector<SharedText>& replayed, Snapshot slots, std::size_t storeBytes);

    // One addition: the new text and the slots after it; `storeBytes` is the
    // size of the texts held, to choose between a rewrite and the journal.
    void added(SharedText text, Snapshot slots, std::size_t storeBytes);

    // Rewrites the store from `slots` now and waits for it: the exit's save.
    bool saveNow(Snapshot slots);

    // Waits until every addition so far is on disk (or has failed).
    void flush();

    // Deletes the store file and the journal, once no write is under way.
    // False (and nothing changed) when the store cannot be deleted.
    bool eraseFiles();

private:
    using Clock = std::chrono::steady_clock;
    struct Record {
        std::uint64_t seq;
        SharedText text;
    };

    void journalLoop();
    void rewriteLoop();
    bool rewrite(std::unique_lock<std::mutex>& lock);
    bool rewriteDue(Clock::time_point now, Clock::time_point& wakeAt) const;
    void report(bool ok, const std::string& reason);
    // The texts of the additions after `seq`; `upTo` becomes the last one's number.
    std::vector<SharedText> textsAfterLocked(std::uint64_t seq, std::uint64_t& upTo) const;

    FileSystem& m_files;
    const std::filesystem::path m_store;
    const std::filesystem::path m_journal;
    const std::filesystem::path m_nextJournal;
    const Timing m_timing;
    StoreStatusListener* m_listener = nullptr;

    std::mutex m_listenerMutex; // held while the listener is called
    // Lock order: m_rewriteMutex, m_journalMutex, m_mutex. The first is held
    // through a rewrite, the second through any change to the journal file,
    // the last only briefly, and the only one the UI thread takes on an addition.
    std::mutex m_rewriteMutex;
    std::mutex m_journalMutex;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;

    Snapshot m_latest;
    std::uint64_t m_latestSeq = 0;
    std::uint64_t m_rewrittenSeq = 0;  // the store file holds every addition up to this
    std::uint64_t m_journaledSeq = 0;  // the journal holds every addition up to this
    std::uint64_t m_failedSeq = 0;     // a rewrite of this failed; retried with the next addition
    std::uint64_t m_saveNowSeq = 0;    // a saveNow waits for the rewrite of this
    bool m_saveNowPending = false;
    bool m_saveNowResult = false;
    std::uint64_t m_saveNowDone = 0;
    std::uint64_t m_saveNowAsked = 0;
    std::deque<Record> m_records;      // additions not yet in the store file
    journal::Base m_base;              // the store file on disk
    bool m_journalCurrent = false;     // the journal file's header is m_base
    bool m_journalOnDisk = false;
    bool m_large = false;
    bool m_journalFailed = false;
    bool m_failing = false;
    bool m_stop = false;
    bool m_busy = false;
    Clock::time_point m_firstPending;
    Clock::time_point m_lastAddition;

    std::thread m_journalThread;
    std::thread m_rewriteThread;
};

} // namespace tarnquill
