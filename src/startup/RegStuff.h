// SPDX-License-Identifier: MIT
#pragma once

#include "winapi/Values.h"
#include "winapi/Win32Api.h"
#include "winapi/Win32Types.h"

#include <string>
#include <string_view>

namespace tarnquill {

// The Run sub-key, upper case and with its trailing backslash, exactly as the
// program has always written it (the same path under both roots).
inline constexpr std::string_view kRunSubKey = "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN\\";
// KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS
// | KEY_NOTIFY | KEY_CREATE_LINK.
inline constexpr REGSAM kRunKeyAccess = 0x3F;

// The data of the Run entry for `name` in `programFolder`: the folder, a
// separator unless the folder already ends in one, and the name (no
// extension, no arguments). The separator follows the folder: "/" for a
// POSIX path (one that starts with "/"), "\" for every other. Blanks are
// kept as they are, without quotes.
std::string runEntryData(std::string_view programFolder, std::string_view name);

// The registry procedures behind the "Run at start-up" check box, over the
// Win32 seam. Every procedure runs on the user-interface thread and reports
// nothing to the user; a failure leaves the registry as it was.
class RegStuff final {
public:
    // programFolder: the folder of the running executable, native form.
    RegStuff(Win32Api& api, std::string programFolder);
    RegStuff(const RegStuff&) = delete;
    RegStuff& operator=(const RegStuff&) = delete;

    // Writes the Run entry `name` = runEntryData(folder, name) under
    // HKEY_LOCAL_MACHINE. When that key cannot be written (an ordinary user
    // has no right to), writes the same entry under HKEY_CURRENT_USER instead,
    // which starts the program for this user alone. After a machine-wide
    // write it deletes the per-user value of the same name, so an entry left
    // by an earlier fallback does not start the program twice.
    void AddRunEntry(const std::string& name);

    // Deletes the value `name` under the Run key of both roots, so clearing the
    // box undoes whichever AddRunEntry wrote. A missing value is no error.
    void RemoveRunEntry(const std::string& name);

    // Opens root\path (never creating it), writes one value through
    // SetValueOnOpenKey, closes the key. Returns the open's status when the
    // key could not be opened (nothing else is then called), else the write's.
    LONG WriteValue(HKEY root, const std::string& path, const std::string& valueName, const Variant& value, DWORD type);

    // Writes one value under an open key and returns RegSetValueExA's status:
    // REG_SZ as the value's text and one NUL (size: length + 1), REG_DWORD as
    // the value's 4 little-endian bytes (RuntimeError on a value that is no
    // number or does not fit). Any other type writes nothing and returns 0.
    LONG SetValueOnOpenKey(HKEY key, const std::string& valueName, DWORD type, const Variant& value);

    // Opens root\path, deletes the value, closes the key. Returns the open's
    // status when it failed, else RegDeleteValueA's.
    LONG DeleteValue(HKEY root, const std::string& path, const std::string& valueName);

    const std::string& programFolder() const { return m_programFolder; }

private:
    Win32Api& m_api;
    std::string m_programFolder;
};

// What Check2's click and key-up handlers (and the exit sequence) do with the
// box's state: 1 (checked) writes the Run entry, any other state removes it.
// `exeName` is the executable's file name without its extension.
void applyRunAtStartup(RegStuff& regStuff, int check2Value, const std::string& exeName);

} // namespace tarnquill
