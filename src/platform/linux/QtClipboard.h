// SPDX-License-Identifier: MIT
#pragma once

#include "history/Clipboard.h"

#include <QObject>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

class QClipboard;
struct xcb_connection_t;

namespace tarnquill {

// The system clipboard (mode Clipboard, not the X primary selection) through Qt.
//
// The change counter follows QClipboard::dataChanged. On X11 Qt raises that
// for other programs' copies only because it listens to XFixes selection
// events, so the counter is offered only on the "xcb" platform with XFixes
// present; elsewhere changeCount() is nullopt and the watcher reads every tick.
class QtClipboard final : public Clipboard {
public:
    explicit QtClipboard(QClipboard& clipboard);

    ClipboardRead readText() override;
    std::optional<std::uint64_t> changeCount() const override;
    bool setText(std::string_view utf8) override;

private:
    // True when some client owns the CLIPBOARD selection; only asked on X11.
    bool selectionHasOwner() const;

    QClipboard& m_clipboard;
    // Receiver of the dataChanged connection: destroyed with this object, so
    // the connection cannot outlive it.
    QObject m_receiver;
    std::uint64_t m_count = 0;
    // An owner that did not answer made Qt wait seconds on the UI thread; it
    // is not asked again before this time unless the clipboard changes.
    std::chrono::steady_clock::time_point m_busyUntil{};
    std::chrono::milliseconds m_busyBackoff{0};
    std::uint64_t m_busyCount = 0;
    xcb_connection_t* m_connection = nullptr; // set on the "xcb" platform only
    std::uint32_t m_clipboardAtom = 0;
    bool m_countsChanges = false;
};

} // namespace tarnquill
