// SPDX-License-Identifier: MIT
#include "RecordingWin32Api.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace tarnquill::testing {

namespace {

// Two upper-case hex digits.
std::string hexDigits(unsigned char byte)
{
    char text[3];
    std::snprintf(text, sizeof text, "%02X", byte);
    return text;
}

} // namespace

std::string byteList(std::string_view bytes)
{
    std::string out = "<" + std::to_string(bytes.size()) + " bytes";
    for (const char c : bytes)
        out += " " + hexDigits(static_cast<unsigned char>(c));
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
            out += "\\x" + hexDigits(byte);
        else
            out += c;
    }
    return out + "\"";
}

std::string RecordingWin32Api::shown(std::string& buffer)
{
    if (std::all_of(buffer.begin(), buffer.end(), [](char c) { return c == ' '; }))
        return "<" + std::to_string(buffer.size()) + " spaces>";
    return byteList(buffer);
}

std::string RecordingWin32Api::shown(const std::optional<std::string>& text)
{
    return text ? shown(*text) : "NULL";
}

std::string RecordingWin32Api::shown(std::string_view bytes)
{
    return byteList(bytes);
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
    for (const std::string& call : calls)
        if (call.starts_with(name) && call.size() > name.size() && call[name.size()] == '(')
            found.push_back(call);
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

BOOL RecordingWin32Api::GetCursorPos(WinPoint& point)
{
    record("GetCursorPos", point);
    point = cursor;
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

namespace {

std::string rootName(HKEY key)
{
    static const char* const kRoots[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                                         "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};
    const std::uint32_t index = static_cast<std::uint32_t>(key) - static_cast<std::uint32_t>(HKEY_CLASSES_ROOT);
    return index < std::size(kRoots) ? kRoots[index] : std::to_string(key);
}

std::string mask(REGSAM access)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(access));
    return text;
}

} // namespace

LONG RecordingWin32Api::RegOpenKeyExA(HKEY hKey, const std::string& subKey, DWORD ulOptions, REGSAM samDesired,
                                      HKEY& result)
{
    record("RegOpenKeyExA", Raw{rootName(hKey)}, subKey, ulOptions, Raw{mask(samDesired)}, Raw{"out"});
    return registry->RegOpenKeyExA(hKey, subKey, ulOptions, samDesired, result);
}

LONG RecordingWin32Api::RegCreateKeyExA(HKEY hKey, const std::string& subKey, DWORD reserved,
                                        const std::optional<std::string>& className, DWORD dwOptions,
                                        REGSAM samDesired, HKEY& result, DWORD& disposition)
{
    record("RegCreateKeyExA", Raw{rootName(hKey)}, subKey, reserved, className, dwOptions, Raw{mask(samDesired)});
    if (onRegCreateKeyExA)
        return onRegCreateKeyExA(hKey, subKey, reserved, className, dwOptions, samDesired, result, disposition);
    return registry->RegCreateKeyExA(hKey, subKey, reserved, className, dwOptions, samDesired, result, disposition);
}

LONG RecordingWin32Api::RegSetValueExA(HKEY hKey, const std::string& valueName, DWORD reserved, DWORD dwType,
                                       std::string_view data, DWORD cbData)
{
    record("RegSetValueExA", Raw{rootName(hKey)}, valueName, reserved, dwType, data, cbData);
    if (onRegSetValueExA)
        return onRegSetValueExA(hKey, valueName, reserved, dwType, data, cbData);
    return registry->RegSetValueExA(hKey, valueName, reserved, dwType, data, cbData);
}

LONG RecordingWin32Api::RegQueryValueExA(HKEY hKey, const std::string& valueName, DWORD& type, std::string& data,
                                         DWORD& cbData)
{
    record("RegQueryValueExA", Raw{rootName(hKey)}, valueName, type, data, cbData);
    return registry->RegQueryValueExA(hKey, valueName, type, data, cbData);
}

LONG RecordingWin32Api::RegDeleteKeyA(HKEY hKey, const std::string& subKey)
{
    record("RegDeleteKeyA", Raw{rootName(hKey)}, subKey);
    return registry->RegDeleteKeyA(hKey, subKey);
}

LONG RecordingWin32Api::RegDeleteValueA(HKEY hKey, const std::string& valueName)
{
    record("RegDeleteValueA", Raw{rootName(hKey)}, valueName);
    return registry->RegDeleteValueA(hKey, valueName);
}

LONG RecordingWin32Api::RegCloseKey(HKEY hKey)
{
    record("RegCloseKey", Raw{rootName(hKey)});
    return registry->RegCloseKey(hKey);
}

LONG RecordingWin32Api::RegQueryInfoKeyA(HKEY hKey, std::string& className, DWORD& cchClass, DWORD& subKeys,
                                         DWORD& maxSubKeyLen, DWORD& maxClassLen, DWORD& values,
                                         DWORD& maxValueNameLen, DWORD& maxValueLen, DWORD& cbSecurityDescriptor,
                                         FileTime& lastWriteTime)
{
    record("RegQueryInfoKeyA", Raw{rootName(hKey)}, className, cchClass);
    return registry->RegQueryInfoKeyA(hKey, className, cchClass, subKeys, maxSubKeyLen, maxClassLen, values,
                                      maxValueNameLen, maxValueLen, cbSecurityDescriptor, lastWriteTime);
}

LONG RecordingWin32Api::RegEnumKeyExA(HKEY hKey, DWORD index, std::string& name, DWORD& cchName,
                                      std::string& className, DWORD& cchClass, FileTime& lastWriteTime)
{
    record("RegEnumKeyExA", Raw{rootName(hKey)}, index, name, cchName, className, cchClass);
    return registry->RegEnumKeyExA(hKey, index, name, cchName, className, cchClass, lastWriteTime);
}

LONG RecordingWin32Api::RegEnumValueA(HKEY hKey, DWORD index, std::string& valueName, DWORD& cchValueName,
                                      DWORD& type, std::string& data, DWORD& cbData)
{
    record("RegEnumValueA", Raw{rootName(hKey)}, index, valueName, cchValueName, type, data, cbData);
    return registry->RegEnumValueA(hKey, index, valueName, cchValueName, type, data, cbData);
}

} // namespace tarnquill::testing
