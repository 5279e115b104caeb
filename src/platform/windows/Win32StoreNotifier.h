// SPDX-License-Identifier: MIT
#pragma once

#include "history/StoreWriter.h"

#include <windows.h>

#include <functional>

namespace tarnquill {

// Tells the user when the store cannot be saved (once per failure episode,
// naming the file and the reason) and when saving works again, as a balloon
// of the program's tray icon. Without the icon (the window is shown) nothing
// is shown. Callable from any thread: the shell takes the balloon without
// waiting for the program's window.
class Win32StoreNotifier final : public StoreStatusListener {
public:
    // `iconWindow` gives the window the tray icon belongs to; `iconId` is its id.
    Win32StoreNotifier(std::function<::HWND()> iconWindow, ::UINT iconId);

    void storeSaveFailed(const std::filesystem::path& file, const std::string& reason) override;
    void storeSaveRecovered(const std::filesystem::path& file) override;

private:
    void show(const std::wstring& title, const std::wstring& body, bool warning);

    std::function<::HWND()> m_iconWindow;
    ::UINT m_iconId;
};

} // namespace tarnquill
