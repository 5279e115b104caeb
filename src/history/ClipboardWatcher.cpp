// SPDX-License-Identifier: MIT
#include "history/ClipboardWatcher.h"

namespace tarnquill {

namespace {

const SharedText& noText()
{
    static const SharedText empty = std::make_shared<const std::string>();
    return empty;
}

} // namespace

ClipboardWatcher::ClipboardWatcher(Clipboard& clipboard, TextHistory& history)
    : m_clipboard(clipboard)
    , m_history(history)
{
}

SharedText ClipboardWatcher::readText()
{
    // Take the counter before reading: a change while the text is transferred
    // moves it again, and the next read fetches the newer text.
    // The kept text stands for a fresh read only while the history is as it
    // was then: after an erase the next decision must see the clipboard as
    // it is now, held open by another program perhaps, as a tick that reads
    // every time would.
    const auto count = m_clipboard.changeCount();
    if (count && m_cached && m_cachedCount == count && m_cachedGeneration == m_history.generation())
        return m_cached;

    ClipboardRead read = m_clipboard.readText();
    if (read.status == ClipboardRead::Status::Busy) {
        // Not cached: the clipboard may free up without a change of content.
        m_lastReadFailed = true;
        m_cached.reset();
        return noText();
    }
    m_cached = (read.status == ClipboardRead::Status::Text && !read.text.empty())
        ? std::make_shared<const std::string>(std::move(read.text))
        : noText();
    m_cachedCount = count;
    m_cachedGeneration = m_history.generation();
    return m_cached;
}

void ClipboardWatcher::Timer1_Timer()
{
    m_ticked = true;
    m_lastReadFailed = false;
    m_countAtTick = m_clipboard.changeCount();
    m_generationAtTick = m_history.generation();

    const SharedText t1 = readText();
    const SharedText t2 = readText();
    const SharedText& newest = m_history.sharedSlot(0);
    const bool differsFromNewest = t1 != newest && *t1 != *newest;
    if (differsFromNewest && *t2 != kMarkerText) {
        m_history.addt(readText());
        // Recording the kept text changes nothing a new read would show.
        m_cachedGeneration = m_history.generation();
    }
}

bool ClipboardWatcher::needsTick() const
{
    return !m_ticked || m_lastReadFailed || !m_countAtTick
        || m_clipboard.changeCount() != m_countAtTick || m_history.generation() != m_generationAtTick;
}

} // namespace tarnquill
