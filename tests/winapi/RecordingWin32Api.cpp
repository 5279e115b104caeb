// SPDX-License-Identifier: MIT
#include "RecordingWin32Api.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace tarnquill::testing {

namespace {

// A number as `format` (a printf format for one unsigned number) writes it.
std::string printed(const char* format, unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

std::string byteList(std::string_view bytes)
{
    std::string out = "<" + std::to_string(bytes.size()) + " bytes";
    for (const char c : bytes)
        out += printed(" %02X", static_cast<unsigned char>(c));
    return out + ">";
}

std::string RecordingWin32Api::shown(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (const char* named = c == '\r' ? "\\r" : c == '\n' ? "\\n" : c == '\t' ? "\\t" : c == '\0' ? "\\0" : nullptr)
            out += named;
        else if (byte < 0x20)
            out += printed("\\x%02X", byte);
        else
            out += c;
    }
    return out + "\"";
}

std::string RecordingWin32Api::shown(std::string& buffer)
{
    const bool blank = std::ranges::all_of(buffer, [](char c) { return c == ' '; });
    return blank ? "<" + std::to_string(buffer.size()) + " spaces>" : byteList(buffer);
}

std::string RecordingWin32Api::shown(const WinRect& r)
{
    return "{" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) + ", "
         + std::to_string(r.bottom) + "}";
}

std::string RecordingWin32Api::shown(const NotifyIconDataA& record)
{
    const auto bytes = record.bytes();
    return byteList({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
}

std::vector<std::string> RecordingWin32Api::callsTo(std::string_view name) const
{
    std::vector<std::string> found;
    std::ranges::copy_if(calls, std::back_inserter(found),
                         [prefix = std::string(name) + '('](const std::string& call) { return call.starts_with(prefix); });
    return found;
}

BOOL RecordingWin32Api::SystemParametersInfoA(UINT uiAction, UINT uiParam, WinRect& r, UINT fWinIni)
{
    record("SystemParametersInfoA", uiAction, uiParam, r, fWinIni);
    if (uiAction == SPI_GETWORKAREA)
        r = workArea;
    else if (uiAction == SPI_SETWORKAREA)
        workArea = r;
    return 1;
}

void RecordingWin32Api::WaitForEvents(std::int64_t until)
{
    record("WaitForEvents", until);
    // Unscripted, the wait lasts until the end: the clock jumps there.
    if (onWaitForEvents)
        onWaitForEvents(until);
    else
        now = std::max(now, until);
}

// ---- Registry: roots by name, access masks in hex ---------------------------------

RecordingWin32Api::Raw RecordingWin32Api::root(HKEY key)
{
    static const char* const kRoots[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                                         "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};
    const std::uint32_t index = static_cast<std::uint32_t>(key) - static_cast<std::uint32_t>(HKEY_CLASSES_ROOT);
    return {index < std::size(kRoots) ? kRoots[index] : std::to_string(key)};
}

RecordingWin32Api::Raw RecordingWin32Api::mask(REGSAM access)
{
    return {printed("0x%X", static_cast<unsigned>(access))};
}

} // namespace tarnquill::testing
