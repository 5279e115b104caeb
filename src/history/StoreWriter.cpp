// SPDX-License-Identifier: MIT
#include "history/StoreWriter.h"

#include <algorithm>
#include <optional>

namespace tarnquill {

namespace {

std::string concatenated(const std::vector<SharedText>& texts)
{
    std::string out;
    for (const auto& text : texts)
        out += journal::record(*text);
    return out;
}

} // namespace

StoreWriter::StoreWriter(FileSystem& files, std::filesystem::path storeFile, Timing timing)
    : m_files(files)
    , m_store(std::move(storeFile))
    , m_journal(journalFile(m_store))
    , m_nextJournal(nextJournalFile(m_store))
    , m_timing(timing)
    , m_base(journal::baseOf({}))
{
    m_journalThread = std::thread([this] { journalLoop(); });
    m_rewriteThread = std::thread([this] { rewriteLoop(); });
}

StoreWriter::~StoreWriter()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_journalThread.join();
    m_rewriteThread.join();
}

std::filesystem::path StoreWriter::journalFile(const std::filesystem::path& storeFile)
{
    return storeFile.parent_path() / (storeFile.filename().string() + ".journal");
}

std::filesystem::path StoreWriter::nextJournalFile(const std::filesystem::path& storeFile)
{
    return storeFile.parent_path() / (storeFile.filename().string() + ".journal-next");
}

void StoreWriter::setListener(StoreStatusListener* listener)
{
    // Waits for a call in progress, so a listener that is removed is never
    // called again once this returns.
    std::lock_guard lock(m_listenerMutex);
    m_listener = listener;
}

void StoreWriter::start(journal::Base base, const std::vector<SharedText>& replayed, Snapshot slots,
                        std::size_t storeBytes)
{
    {
        std::lock_guard lock(m_mutex);
        m_base = base;
        m_latest = std::move(slots);
        m_large = storeBytes > m_timing.rewriteAtOnceBytes;
        for (const auto& text : replayed)
            m_records.push_back({++m_latestSeq, text});
        // The journal already holds the replayed additions; the store gets
        // them with the first rewrite, which starts at once.
        m_journaledSeq = m_latestSeq;
        m_journalCurrent = m_journalOnDisk = !replayed.empty();
        m_firstPending = m_lastAddition = Clock::now() - m_timing.maxDelay;
    }
    m_changed.notify_all();
}

void StoreWriter::added(SharedText text, Snapshot slots, std::size_t storeBytes)
{
    {
        std::lock_guard lock(m_mutex);
        const auto now = Clock::now();
        if (m_latestSeq == m_rewrittenSeq)
            m_firstPending = now;
        m_lastAddition = now;
        m_latest = std::move(slots);
        m_records.push_back({++m_latestSeq, std::move(text)});
        // Only the last 500 additions decide what the slots hold.
        if (m_records.size() > kHistorySlots)
            m_records.pop_front();
        m_large = storeBytes > m_timing.rewriteAtOnceBytes;
        m_journalFailed = false;
    }
    m_changed.notify_all();
}

bool StoreWriter::saveNow(Snapshot slots)
{
    std::unique_lock lock(m_mutex);
    m_latest = std::move(slots);
    m_saveNowPending = true;
    const auto id = ++m_saveNowAsked;
    m_changed.notify_all();
    m_changed.wait(lock, [&] { return m_saveNowDone >= id; });
    return m_saveNowResult;
}

void StoreWriter::flush()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] {
        const auto covered = std::max({m_rewrittenSeq, m_large ? m_journaledSeq : 0, m_failedSeq});
        return !m_busy && (covered >= m_latestSeq || (m_large && m_journalFailed && m_failedSeq > 0));
    });
}

bool StoreWriter::eraseFiles()
{
    std::lock_guard rewriting(m_rewriteMutex);
    std::lock_guard journaling(m_journalMutex);
    if (!m_files.remove(m_store))
        return false;
    m_files.remove(m_journal);
    m_files.remove(m_nextJournal);
    std::lock_guard lock(m_mutex);
    m_records.clear();
    m_rewrittenSeq = m_journaledSeq = m_latestSeq;
    m_failedSeq = 0;
    m_base = journal::baseOf({});
    m_journalCurrent = m_journalOnDisk = false;
    return true;
}

std::vector<SharedText> StoreWriter::textsAfterLocked(std::uint64_t seq, std::uint64_t& upTo) const
{
    std::vector<SharedText> texts;
    for (const auto& record : m_records) {
        if (record.seq > seq) {
            texts.push_back(record.text);
            upTo = record.seq;
        }
    }
    return texts;
}

void StoreWriter::journalLoop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [&] {
            return m_stop
                || (m_large && !m_journalFailed && m_latestSeq > std::max(m_journaledSeq, m_rewrittenSeq));
        });
        if (m_stop)
            return;
        lock.unlock();

        std::unique_lock journaling(m_journalMutex);
        lock.lock();
        const bool fresh = !m_journalCurrent;
        const auto from = fresh ? m_rewrittenSeq : std::max(m_journaledSeq, m_rewrittenSeq);
        std::uint64_t upTo = from;
        const auto texts = textsAfterLocked(from, upTo);
        const auto base = m_base;
        lock.unlock();

        // A journal that does not start from the store on disk is written
        // anew, header first; otherwise the new records are appended.
        std::string bytes = fresh ? journal::header(base) : std::string();
        bytes += concatenated(texts);
        const bool ok = fresh ? m_files.replaceAtomically(m_journal, bytes) : m_files.appendDurably(m_journal, bytes);
        const std::string reason = ok ? std::string() : m_files.lastError();

        lock.lock();
        if (ok) {
            m_journaledSeq = std::max(m_journaledSeq, upTo);
            m_journalCurrent = m_journalOnDisk = true;
        } else {
            // A part of the records may have been appended: the next try
            // writes the journal anew. Tried again with the next addition.
            m_journalCurrent = false;
            m_journalOnDisk = true;
            m_journalFailed = true;
        }
        lock.unlock();
        journaling.unlock();
        // Only a rewrite of the store ends a failure episode: a journal that
        // can be written says nothing about a store that cannot.
        if (!ok)
            report(false, reason);
        lock.lock();
        m_changed.notify_all();
    }
}

bool StoreWriter::rewriteDue(Clock::time_point now, Clock::time_point& wakeAt) const
{
    if (m_saveNowPending)
        return true;
    if (m_latestSeq <= m_rewrittenSeq || m_latestSeq <= m_failedSeq)
        return false;
    if (m_stop || !m_large)
        return true;
    // A large store waits for a pause in the additions, so a burst of copies
    // costs one rewrite; each of them is in the journal meanwhile.
    wakeAt = std::min(m_lastAddition + m_timing.quietPeriod, m_firstPending + m_timing.maxDelay);
    return now >= wakeAt;
}

void StoreWriter::rewriteLoop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        Clock::time_point wakeAt{};
        if (rewriteDue(Clock::now(), wakeAt)) {
            rewrite(lock);
            continue;
        }
        if (m_stop)
            return;
        if (wakeAt != Clock::time_point{})
            m_changed.wait_until(lock, wakeAt);
        else
            m_changed.wait(lock);
    }
}

bool StoreWriter::rewrite(std::unique_lock<std::mutex>& lock)
{
    const Snapshot slots = m_latest;
    const auto seq = m_latestSeq;
    const bool asked = m_saveNowPending;
    const auto askedId = m_saveNowAsked;
    m_saveNowPending = false;
    m_busy = true;
    lock.unlock();

    std::unique_lock rewriting(m_rewriteMutex);
    // Written straight from the slots: a large store is never copied whole
    // into memory. Its hash is taken on the way, before the rename needs it.
    std::optional<StoreEncoder> encoder;
    if (slots)
        encoder.emplace(*slots);
    journal::Base newBase{0, encoder ? encoder->size() : 0};
    journal::ContentHasher hasher(newBase.size);

    // The journal's successor (the additions made during this rewrite, on
    // top of the new store) is on disk before the new store replaces the old
    // one: a kill at any point leaves a store and a journal that match.
    std::unique_lock journaling(m_journalMutex, std::defer_lock);
    bool swapJournal = false;
    std::string nextJournal;
    std::uint64_t nextJournalUpTo = seq;
    auto beforeRename = [&] {
        newBase.hash = hasher.value();
        journaling.lock();
        std::vector<SharedText> later;
        {
            std::lock_guard guard(m_mutex);
            swapJournal = m_journalOnDisk;
            later = textsAfterLocked(seq, nextJournalUpTo);
        }
        if (!swapJournal || later.empty())
            return true;
        nextJournal = journal::header(newBase) + concatenated(later);
        return m_files.replaceAtomically(m_nextJournal, nextJournal);
    };
    const auto source = [&](const FileSystem::ByteSink& write) {
        return encoder->writeTo([&](std::string_view piece) {
            hasher.add(piece);
            return write(piece);
        });
    };
    const bool ok = encoder && m_files.replaceStreamed(m_store, source, beforeRename);
    const std::string reason = ok ? std::string() : m_files.lastError();

    bool journalCurrent = false;
    if (swapJournal && ok) {
        if (nextJournal.empty()) {
            m_files.remove(m_journal);
        } else {
            journalCurrent = m_files.replaceAtomically(m_journal, nextJournal);
            if (journalCurrent)
                m_files.remove(m_nextJournal);
        }
    } else if (!nextJournal.empty()) {
        m_files.remove(m_nextJournal);
    }

    lock.lock();
    if (ok) {
        m_rewrittenSeq = std::max(m_rewrittenSeq, seq);
        m_base = newBase;
        while (!m_records.empty() && m_records.front().seq <= seq)
            m_records.pop_front();
        m_failedSeq = 0;
        if (swapJournal) {
            m_journalOnDisk = !nextJournal.empty();
            m_journalCurrent = journalCurrent;
            m_journaledSeq = journalCurrent ? nextJournalUpTo : seq;
        } else {
            m_journalCurrent = false;
            m_journaledSeq = std::max(m_journaledSeq, seq);
        }
        if (m_latestSeq > seq)
            m_firstPending = Clock::now();
    } else {
        m_failedSeq = seq;
    }
    if (asked) {
        m_saveNowResult = ok;
        m_saveNowDone = askedId;
    }
    m_busy = false;
    lock.unlock();
    if (journaling.owns_lock())
        journaling.unlock();
    rewriting.unlock();
    report(ok, reason);
    lock.lock();
    m_changed.notify_all();
    return ok;
}

void StoreWriter::report(bool ok, const std::string& reason)
{
    std::lock_guard calling(m_listenerMutex);
    {
        std::lock_guard lock(m_mutex);
        if (ok == !m_failing)
            return;
        m_failing = !ok;
    }
    if (!m_listener)
        return;
    if (ok)
        m_listener->storeSaveRecovered(m_store);
    else
        m_listener->storeSaveFailed(m_store, reason.empty() ? std::string("the file could not be written") : reason);
}

} // namespace tarnquill
