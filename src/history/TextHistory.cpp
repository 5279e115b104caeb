#include "history/TextHistory.h"

#include <algorithm>
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
    if (!content || content->empty())
        return;
    auto pieces = decodeStore(*content, kHistorySlots);
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
    return m_files.replaceAtomically(m_storeFile, encodeStore(m_slots));
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
