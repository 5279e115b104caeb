// SPDX-License-Identifier: MIT
#pragma once

#include "history/Clipboard.h"
#include "history/TextHistory.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace tarnquill {

// Clipboard text equal to this is never recorded.
inline constexpr std::string_view kMarkerText = "Wrenfold temp clipboard";

// Timer1 of the main window: every tick compares the clipboard's text with the
// newest entry and the marker text and adds it when it is new.
//
// The clipboard's text is read again only after its change counter moved, so
// an unchanged clipboard costs no transfer. needsTick() tells the caller when a
// tick could not decide otherwise than the last one did, so the caller may
// stop ticking until the clipboard reports a change or the history changes.
class ClipboardWatcher final {
public:
    ClipboardWatcher(Clipboard& clipboard, TextHistory& history);

    void Timer1_Timer();

    // False when the clipboard (by its change counter) and the history are as
    // they were at the previous tick and that tick read the clipboard
    // successfully: the next tick would decide exactly as that one did.
    bool needsTick() const;

private:
    // The clipboard's current text; busy, secret or non-text clipboards read
    // as empty text.
    SharedText readText();

    Clipboard& m_clipboard;
    TextHistory& m_history;

    // The text read after the last change, valid while the counter stays.
    SharedText m_cached;
    std::optional<std::uint64_t> m_cachedCount;
    std::uint64_t m_cachedGeneration = 0;

    bool m_ticked = false;
    bool m_lastReadFailed = false;
    std::optional<std::uint64_t> m_countAtTick;
    std::uint64_t m_generationAtTick = 0;
};

} // namespace tarnquill
