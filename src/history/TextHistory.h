// SPDX-License-Identifier: MIT
#pragma once

#include "history/FileSystem.h"
#include "history/StoreFormat.h"
#include "history/StoreWriter.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <vector>
#include <memory>
#include <string>

namespace tarnquill {

// The list that shows one row per slot (List1). Rows are read back from the
// history on demand, so a rebuild only tells how many rows there are.
class HistoryListView {
public:
    HistoryListView() = default;
    HistoryListView(const HistoryListView&) = delete;
    HistoryListView& operator=(const HistoryListView&) = delete;
    virtual ~HistoryListView() = default;

    // The list now holds `rows` rows (500 after a rebuild, 0 after an erase);
    // any selection is gone.
    virtual void listReset(std::size_t rows) = 0;
};

// The 500 text slots, newest first, mirrored into the store file.
class TextHistory final {
public:
    TextHistory(FileSystem& files, std::filesystem::path storeFile);
    ~TextHistory();

    // From now on the store is written by a writer thread (with a journal for
    // large stores) instead of on the caller's thread; savet still waits.
    // Call before loadt.
    void saveInBackground(StoreWriter::Timing timing = {});
    // Told when saving starts failing and when it works again (any thread).
    void setStatusListener(StoreStatusListener* listener);
    // Waits until every addition so far is on disk (or failed): for tests.
    void flushWrites();

    void setListView(HistoryListView* view) { m_view = view; }
    // How a legacy store that is not UTF-8 is read: the machine's ANSI code
    // page on Windows (the front end supplies it), Windows-1252 by default.
    void setLegacyDecoder(LegacyDecoder legacy) { m_legacy = legacy; }

    // Adds a non-empty text as the newest entry, rebuilds the list, saves.
    void addt(std::string text);
    void addt(SharedText text);
    // Fills the slots from the store file (creating an empty one when missing).
    void loadt();
    // Rebuilds the list: 500 rows, row i showing slot i.
    void listt();
    // Rewrites the store file from the slots. False when the write failed;
    // the previous file is then left whole and the next save tries again.
    bool savet();

    // Deletes the store file and, only when that worked, empties every slot
    // and leaves the list without rows. False when the file could not be deleted.
    bool eraseAll();

    const std::string& slot(std::size_t index) const { return *m_slots.at(index); }
    const SharedText& sharedSlot(std::size_t index) const { return m_slots.at(index); }
    // The row text of slot `index`: its first 10 characters.
    std::string_view listLine(std::size_t index) const;

    // Moves whenever any slot changes.
    std::uint64_t generation() const { return m_generation; }

    const std::filesystem::path& storeFile() const { return m_storeFile; }

private:
    FileSystem& m_files;
    std::filesystem::path m_storeFile;
    HistoryListView* m_view = nullptr;
    LegacyDecoder m_legacy = nullptr;
    std::array<SharedText, kHistorySlots> m_slots;
    std::uint64_t m_generation = 0;
    bool m_storeUnread = false;
    // Something other than a file stands where the store should be (a FIFO,
    // a device): it is neither read nor replaced.
    bool m_storeUnusable = false;
    std::size_t m_textBytes = 0;
    StoreStatusListener* m_statusListener = nullptr;
    std::unique_ptr<StoreWriter> m_writer;

    const char* m_asideReason = "unreadable";

    bool keepUnreadStoreAside();
    void keepLegacyStore(const std::string& content);
    std::vector<std::filesystem::path> asideNames(const char* why) const;
    Snapshot snapshot() const;
    std::vector<SharedText> replayJournal(std::string_view storeBytes);
};

} // namespace tarnquill
