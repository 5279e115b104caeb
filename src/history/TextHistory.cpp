#include "history/TextHistory.h"

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
    std::move_backward(m_slots.begin(), m_slots.end() - 1, m_slots.end());
    m_slots[0] = std::move(text);
    ++m_generation;
    listt();
    savet();
}

void TextHistory::loadt()
{
    // A missing store becomes an empty file, as the first save would make it.
    m_files.touch(m_storeFile);
    const auto content = m_files.readAll(m_storeFile);
    // A store that is there but cannot be read (a read error, no right to
    // read it, too large for memory) must not be overwritten by the first
    // save: it is kept aside under another name first.
    m_storeUnread = !content.has_value();
    if (!content || content->empty())
        return;
    auto pieces = decodeStore(*content, kHistorySlots, m_legacy);
    for (std::size_t i = 0; i < pieces.size(); ++i)
        m_slots[i] = pieces[i].empty() ? emptyText() : std::make_shared<const std::string>(std::move(pieces[i]));
    ++m_generation;
}

void TextHistory::listt()
{
    if (m_view)
        m_view->listReset(kHistorySlots);
}

bool TextHistory::savet()
{
    if (m_storeUnread && !keepUnreadStoreAside())
        return false;
    return m_files.replaceAtomically(m_storeFile, encodeStore(m_slots));
}

bool TextHistory::keepUnreadStoreAside()
{
    // Named after the moment, so an older copy kept the same way stays too.
    const auto now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::gmtime(&now));
    const std::string base = m_storeFile.filename().string() + ".unreadable-" + stamp;
    for (int attempt = 1; attempt <= 9; ++attempt) {
        const std::string name = attempt == 1 ? base : base + "-" + std::to_string(attempt);
        if (m_files.renameNoReplace(m_storeFile, m_storeFile.parent_path() / name)) {
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
    if (!m_files.remove(m_storeFile))
        return false;
    m_slots.fill(emptyText());
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
