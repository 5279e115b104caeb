// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarnquill {

// What one read of the clipboard's text found.
struct ClipboardRead {
    enum class Status {
        Text,   // `text` holds the clipboard's text (possibly empty)
        NoText, // an image, files, or nothing at all
        Busy,   // the clipboard could not be opened or its owner did not answer
        Secret, // text that the copying application asks not to be recorded
    };
    Status status = Status::NoText;
    std::string text; // UTF-8; only meaningful for Status::Text
};

// The system clipboard as the history sees it. Reading and noticing a change
// are separate: the watcher reads again only when the change counter moved.
class Clipboard {
public:
    Clipboard() = default;
    Clipboard(const Clipboard&) = delete;
    Clipboard& operator=(const Clipboard&) = delete;
    virtual ~Clipboard() = default;

    // Reads the current text (plain text, UTF-8).
    virtual ClipboardRead readText() = 0;

    // A counter that moves whenever the clipboard's content changes, or
    // nullopt when this platform cannot tell (the watcher then reads on every
    // tick and never sleeps).
    virtual std::optional<std::uint64_t> changeCount() const = 0;

    // Puts text on the clipboard, replacing every other format it held.
    // False when the clipboard could not be taken.
    virtual bool setText(std::string_view utf8) = 0;
};

} // namespace tarnquill
