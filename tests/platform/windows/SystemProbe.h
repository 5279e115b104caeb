// SPDX-License-Identifier: MIT
#pragma once

// What the tests of NativeWin32Api read from the system directly, past the
// seam, to see what reached it. Kept apart so that the tests themselves use
// the seam's names only (<windows.h> redefines them as macros).

#include "winapi/Win32Types.h"

#include <future>
#include <optional>
#include <string>
#include <string_view>

namespace tarnquill::probe {

// ---- Registry (paths under HKEY_CURRENT_USER) ----------------------------------

// A value's type and bytes as the system holds them.
struct Stored {
    DWORD type = 0;
    std::string bytes;
    bool operator==(const Stored&) const = default;
};
std::optional<Stored> systemValue(const std::wstring& keyPath, const std::wstring& valueName);
// The bytes of a UTF-16 text as the system stores it.
std::string bytesOf(std::wstring_view text);
// Writes a value through the W function, bytes as given.
bool writeSystemValue(const std::wstring& keyPath, const std::wstring& valueName, DWORD type, std::wstring_view text);
// Deletes a key and everything below it.
void deleteSystemTree(const std::wstring& keyPath);
// The UTF-16 text the ANSI code page makes of `bytes`.
std::wstring fromAnsi(std::string_view bytes);

// The system's own single-byte RegEnumValueA and RegQueryValueExA on
// HKEY_CURRENT_USER\keyPath, for comparing answers.
struct EnumAnswer {
    LONG status = 0;
    std::string name;
    DWORD nameLength = 0;
    DWORD type = 0;
    std::string data;
    DWORD size = 0;
    bool operator==(const EnumAnswer&) const = default;
};
EnumAnswer systemEnumValueA(const std::wstring& keyPath, DWORD index, std::string name, DWORD nameLength,
                            std::string data, DWORD size);
EnumAnswer systemQueryValueA(const std::wstring& keyPath, const std::string& valueName, std::string data, DWORD size);

// ---- Desktop ----------------------------------------------------------------------

// Wine with no X display to draw on: the console test programs run so, and
// nothing that needs a desktop can be checked there.
bool wineWithoutDisplay();

// A hidden top-level window of this thread, destroyed with the object.
class TestWindow final {
public:
    TestWindow();
    ~TestWindow();
    TestWindow(TestWindow&&) = delete;
    // Its handle as the seam carries it (low 32 bits).
    HWND seam() const;
    void* system() const { return m_window; }

private:
    void* m_window = nullptr;
};

// The system's application icon, as the seam carries it.
HICON applicationIcon();

WinRect systemWorkArea();
// Whether this process sees the screen in real pixels (system-DPI-aware or more).
bool processIsDpiAware();
// The screen's logical dots per inch across (or down).
int screenDpi(bool vertical);

// Waits (up to 10 s) for a dialog titled `caption` and presses its OK button;
// true when it found one.
std::future<bool> pressOkOnDialog(const std::wstring& caption);

} // namespace tarnquill::probe
