// SPDX-License-Identifier: MIT
#pragma once

#include "winapi/Win32Types.h"

#include <windows.h>

#include <filesystem>

namespace tarnquill {

// One running program per store file, by a named mutex keyed by the store's
// full path (case-insensitive, as Windows paths are). The first start marks
// its main window with the same key, so a second start finds that window,
// asks it to come forward (out of the tray too) and exits without touching
// the store.
class Win32SingleInstance final {
public:
    explicit Win32SingleInstance(const std::filesystem::path& storeFile);
    ~Win32SingleInstance();
    Win32SingleInstance(const Win32SingleInstance&) = delete;
    Win32SingleInstance& operator=(const Win32SingleInstance&) = delete;

    // True when this process is the one for the store. A mutex that cannot be
    // made at all does not stop the program.
    bool acquire();
    // The window that answers a second start's request.
    void markWindow(::HWND window);
    // Posts the request to come forward to the running program's window.
    // False when no such window was found.
    bool askRunningToShow();
    // Closes the mutex: what the exit does before the process ends.
    void release();

    // The message a marked window receives as the request to come forward.
    static ::UINT showMessage();

private:
    std::wstring m_key;
    ::HANDLE m_mutex = nullptr;
};

} // namespace tarnquill
