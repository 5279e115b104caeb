// SPDX-License-Identifier: MIT
#pragma once

#include "history/Clipboard.h"

#include <functional>

struct HWND__;

namespace tarnquill {

// The Windows clipboard for the history's watcher.
//
// The change counter is GetClipboardSequenceNumber, and a message-only window
// listens for WM_CLIPBOARDUPDATE, so the watcher can sleep while nothing
// changes and be woken by `onChange`. Text is read as CF_UNICODETEXT, so no
// character becomes '?'. A clipboard that another program holds open is tried
// again for a few milliseconds and then reads as busy: the window never waits
// on another program. Text whose copying program marks it private
// (ExcludeClipboardContentFromMonitorProcessing present, or
// CanIncludeInClipboardHistory a DWORD 0) reads as secret.
class Win32Clipboard final : public Clipboard {
public:
    // `onChange` runs on this thread after each clipboard change.
    explicit Win32Clipboard(std::function<void()> onChange = {});
    ~Win32Clipboard() override;

    void setOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }

    ClipboardRead readText() override;
    std::optional<std::uint64_t> changeCount() const override;
    // CF_UNICODETEXT alone. The data is handed to the system, not rendered on
    // request, so it stays on the clipboard after the program ends.
    bool setText(std::string_view utf8) override;

    // The listening window (also the clipboard's owner after setText).
    HWND__* window() const { return m_window; }

private:
    static long long __stdcall windowProc(HWND__* window, unsigned message, unsigned long long wParam,
                                          long long lParam);
    bool open();

    std::function<void()> m_onChange;
    HWND__* m_window = nullptr;
};

} // namespace tarnquill
