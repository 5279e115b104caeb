// SPDX-License-Identifier: MIT
#pragma once

#include "history/Clipboard.h"

#include <QObject>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QClipboard;

namespace tarnquill {

class Notifier;

// Copied texts larger than this (128 MB) are not recorded: held in the history, the
// list, the store and its writer, such a text would cost the memory of several
// copies of it.
inline constexpr std::size_t kMaxClipboardTextBytes = 128'000'000;

struct XcbClipboardOptions {
    // How long an owner may take to answer one step of a transfer.
    int answerDeadlineMs = 1000;
    // Largest text read; a larger one reads as NoText and is reported
    // through the refusal callback.
    std::size_t maxTextBytes = kMaxClipboardTextBytes;
};

// The X clipboard (the CLIPBOARD selection) read on an X connection and a
// thread of its own, so that an owner that answers slowly or never cannot
// hold up the user-interface thread.
//
// The reader hears of every new owner through XFixes, asks it for its targets
// and its text with a deadline (INCR transfers included), and publishes the
// finished read: readText() returns the latest one without waiting, and the
// change counter moves each time a read is published. A new owner abandons a
// read still waiting on the previous one. An owner that misses the deadline
// reads as Busy and is asked again later, ever less often.
//
// Writing stays with Qt's clipboard, which only talks to the X server when it
// takes the selection; Qt serves other programs' requests from its event loop.
class XcbClipboard final : public Clipboard {
public:
    static constexpr std::size_t kMaxTextBytes = kMaxClipboardTextBytes;

    using Options = XcbClipboardOptions;

    // `display` empty: $DISPLAY, as Qt uses it.
    explicit XcbClipboard(QClipboard& writer, const std::string& display = {}, Options options = {});
    ~XcbClipboard() override;

    // False when the X server could not be reached or lacks XFixes; the
    // caller then uses another clipboard.
    bool isValid() const;

    // Runs on the thread that made this object (its event loop) after each
    // published read.
    void setOnChange(std::function<void()> onChange);
    // Runs there too when a text larger than the limit was not read, with its
    // size in bytes.
    void setOnRefused(std::function<void(std::size_t)> onRefused);

    // Whether the latest answer of the clipboard's owner was a text; does not
    // wait and takes nothing.
    bool offersText() const;

    ClipboardRead readText() override;
    std::optional<std::uint64_t> changeCount() const override;
    bool setText(std::string_view utf8) override;

    class Reader;

private:
    QClipboard& m_writer;
    // Context of the calls posted from the reader thread: destroyed with this
    // object, after the thread has ended, so no call outlives it.
    QObject m_context;
    std::function<void()> m_onChange;
    std::function<void(std::size_t)> m_onRefused;
    std::unique_ptr<Reader> m_reader;
};

// The clipboard the program watches: on X11 (XFixes present) an XcbClipboard,
// elsewhere Qt's own (QtClipboard), whose changes reach the caller through
// QClipboard::dataChanged instead. `onChange` runs after each read an
// XcbClipboard publishes. A text above the limit is reported to the user
// through `notifier`.
std::unique_ptr<Clipboard> makeSystemClipboard(QClipboard& clipboard, std::function<void()> onChange,
                                               Notifier& notifier);

// For an XcbClipboard its offersText(); for another clipboard true, as that
// one cannot tell without asking the owner.
bool clipboardOffersText(const Clipboard& clipboard);

} // namespace tarnquill
