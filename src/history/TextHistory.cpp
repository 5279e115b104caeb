// SPDX-License-Identifier: MIT
#include "history/TextHistory.h"

#include "history/TextEncoding.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <utility>

namespace tarnquill {

namespace {

const SharedText& emptyText()
{
    static const SharedText empty = std::make_shared<const std::string>();
    return empty;
}

constexpr std::size_t kListLineCharacters = 10;

} // namespace

TextHistory::TextHistory(FileSystem& files, std::filesystem::path storeFile)
    : m_files(files)
    , m_storeFile(std::move(storeFile))
{
    m_slots.fill(emptyText());
}

TextHistory::~TextHistory() = default;

void TextHistory::saveInBackground(StoreWriter::Timing timing)
{
    m_writer = std::make_unique<StoreWriter>(m_files, m_storeFile, timing);
    m_writer->setListener(m_statusListener);
}

void TextHistory::setStatusListener(StoreStatusListener* listener)
{
    m_statusListener = listener;
    if (m_writer)
        m_writer->setListener(listener);
}

void TextHistory::flushWrites()
{
    if (m_writer)
        m_writer->flush();
}

Snapshot TextHistory::snapshot() const
{
    return std::make_shared<const std::array<SharedText, kHistorySlots>>(m_slots);
}

void TextHistory::addt(std::string text)
{
    if (text.empty())
        return;
    addt(std::make_shared<const std::string>(std::move(text)));
}

void TextHistory::addt(SharedText text)
{
    if (!text || text->empty())
        return;
    // Nothing in here hands control back to the event loop, so a watcher tick
    // or the exit can never see a half-shifted history.
    m_textBytes += text->size();
    m_textBytes -= m_slots.back()->size();
    std::move_backward(m_slots.begin(), m_slots.end() - 1, m_slots.end());
    m_slots[0] = text;
    ++m_generation;
    listt();
    if (!m_writer) {
        savet();
        return;
    }
    if (m_storeUnusable || (m_storeUnread && !keepUnreadStoreAside()))
        return;
    m_writer->added(std::move(text), snapshot(), m_textBytes);
}

void TextHistory::loadt()
{
    // A FIFO, socket or device in the store's place would block a read or a
    // write, or be destroyed by a rename over it: it is left alone and the
    // history lives in memory only.
    if (m_files.kindOf(m_storeFile) == FileSystem::Kind::Special) {
        m_storeUnusable = true;
        if (m_statusListener)
            m_statusListener->storeSaveFailed(m_storeFile, "it is not a regular file");
        return;
    }
    // A missing store becomes an empty file, as the first save would make it.
    m_files.touch(m_storeFile);
    const auto content = m_files.readAll(m_storeFile);
    // A store that is there but cannot be read (a read error, no right to
    // read it, too large for memory) must not be overwritten by the first
    // save: it is kept aside under another name first.
    m_storeUnread = !content.has_value();
    if (content && !content->empty()) {
        auto pieces = decodeStore(*content, kHistorySlots, m_legacy);
        for (std::size_t i = 0; i < pieces.size(); ++i)
            m_slots[i] = pieces[i].empty() ? emptyText() : std::make_shared<const std::string>(std::move(pieces[i]));
        ++m_generation;
    }
    if (content && !decodesLosslessly(*content))
        keepLegacyStore(*content);
    const auto replayed = content ? replayJournal(*content) : std::vector<SharedText>();
    m_textBytes = 0;
    for (const auto& text : m_slots)
        m_textBytes += text->size();
    if (m_writer) {
        m_writer->start(journal::baseOf(content.value_or(std::string())), replayed, snapshot(), m_textBytes);
    } else if (!replayed.empty() && savet()) {
        m_files.remove(StoreWriter::journalFile(m_storeFile));
        m_files.remove(StoreWriter::nextJournalFile(m_storeFile));
    }
}

std::vector<SharedText> TextHistory::replayJournal(std::string_view storeBytes)
{
    // The additions a killed process had journaled but not yet written into
    // the store. The successor journal is there only when the kill came in
    // the middle of a rewrite; whichever matches the store on disk counts.
    const auto base = journal::baseOf(storeBytes);
    std::vector<SharedText> replayed;
    for (const auto& file : {StoreWriter::journalFile(m_storeFile), StoreWriter::nextJournalFile(m_storeFile)}) {
        const auto bytes = m_files.exists(file) ? m_files.readAll(file) : std::nullopt;
        if (!bytes)
            continue;
        for (auto& text : journal::replay(*bytes, base)) {
            if (text.empty())
                continue;
            replayed.push_back(std::make_shared<const std::string>(std::move(text)));
            std::move_backward(m_slots.begin(), m_slots.end() - 1, m_slots.end());
            m_slots[0] = replayed.back();
        }
        if (!replayed.empty()) {
            ++m_generation;
            break;
        }
    }
    return replayed;
}

void TextHistory::listt()
{
    if (m_view)
        m_view->listReset(kHistorySlots);
}

bool TextHistory::savet()
{
    if (m_storeUnusable || (m_storeUnread && !keepUnreadStoreAside()))
        return false;
    if (m_writer)
        return m_writer->saveNow(snapshot());
    return m_files.replaceAtomically(m_storeFile, encodeStore(m_slots));
}

std::vector<std::filesystem::path> TextHistory::asideNames(const char* why) const
{
    // Named after the moment, so an older copy kept the same way stays too.
    const auto now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::gmtime(&now));
    const std::string base = m_storeFile.filename().string() + "." + why + "-" + stamp;
    std::vector<std::filesystem::path> names;
    for (int attempt = 1; attempt <= 9; ++attempt)
        names.push_back(m_storeFile.parent_path() / (attempt == 1 ? base : base + "-" + std::to_string(attempt)));
    return names;
}

void TextHistory::keepLegacyStore(const std::string& content)
{
    // Saving converts what was read in the legacy code page or as UTF-16 to
    // UTF-8: the original bytes are copied aside first, the store itself
    // staying in place until the save replaces it.
    for (const auto& name : asideNames("legacy")) {
        if (m_files.exists(name))
            continue;
        if (m_files.replaceAtomically(name, content))
            return;
        break;
    }
    // No copy: the first save moves the original aside instead.
    m_storeUnread = true;
    m_asideReason = "legacy";
}

bool TextHistory::keepUnreadStoreAside()
{
    for (const auto& name : asideNames(m_asideReason)) {
        if (m_files.renameNoReplace(m_storeFile, name)) {
            m_storeUnread = false;
            return true;
        }
    }
    // Nothing to keep when the file has gone meanwhile. Otherwise the folder
    // refuses every change, so writing the store would fail as well: saving
    // is held back until the old file is safe.
    if (m_files.exists(m_storeFile))
        return false;
    m_storeUnread = false;
    return true;
}

bool TextHistory::eraseAll()
{
    if (m_storeUnusable || !(m_writer ? m_writer->eraseFiles() : m_files.remove(m_storeFile)))
        return false;
    m_slots.fill(emptyText());
    m_textBytes = 0;
    ++m_generation;
    if (m_view)
        m_view->listReset(0);
    return true;
}

std::string_view TextHistory::listLine(std::size_t index) const
{
    return firstCharacters(slot(index), kListLineCharacters);
}

} // namespace tarnquill
