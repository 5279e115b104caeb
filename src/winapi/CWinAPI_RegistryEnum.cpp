// SPDX-License-Identifier: MIT
// Registry enumeration: the subkeys, or the values and their readable texts, of
// one key, appended to list boxes with LB_ADDSTRING.
//
// The buffers start at the lengths the key reports and grow by 5 whenever the
// platform answers that one was too small. A list box that is not there makes
// each append fail silently; the listing goes on.

#include "winapi/CWinAPI.h"

#include "winapi/RegistryBuffers.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace tarnquill {

namespace {

constexpr DWORD kClassBuffer = 255;
constexpr std::int32_t kGrowth = 5;

// The lengths are 32-bit signed counters.
std::int32_t grown(std::int32_t length)
{
    if (length > std::numeric_limits<std::int32_t>::max() - kGrowth)
        throw RuntimeError(RuntimeError::kOverflow);
    return length + kGrowth;
}

std::int32_t asLength(DWORD length)
{
    if (length > static_cast<DWORD>(std::numeric_limits<std::int32_t>::max() - 1))
        throw RuntimeError(RuntimeError::kOverflow);
    return static_cast<std::int32_t>(length);
}

std::string spaces(std::int32_t length)
{
    return std::string(static_cast<std::size_t>(length) + 1, ' ');
}

struct KeyInfo {
    LONG status = ERROR_SUCCESS;
    DWORD subKeys = 0, longestSubKey = 0, longestClass = 0;
    DWORD values = 0, longestValueName = 0, longestData = 0;
};

KeyInfo queryInfo(Win32Api& api, HKEY key)
{
    KeyInfo info;
    std::string className(kClassBuffer, ' ');
    DWORD classLength = kClassBuffer;
    DWORD security = 0;
    FileTime written;
    info.status = api.RegQueryInfoKeyA(key, className, classLength, info.subKeys, info.longestSubKey,
                                       info.longestClass, info.values, info.longestValueName, info.longestData,
                                       security, written);
    return info;
}

void addLine(Win32Api& api, HWND listBox, const std::string& line)
{
    api.SendMessageA(listBox, LB_ADDSTRING, -1, line);
}

std::string hexByte(unsigned char byte)
{
    char text[3];
    std::snprintf(text, sizeof text, "%02X", byte);
    return text;
}

// The readable text of one value's data bytes, by type.
std::string valueText(DWORD type, std::string data)
{
    switch (type) {
    case REG_MULTI_SZ:
        for (char& c : data)
            if (c == '\0')
                c = ' ';
        break;
    case REG_SZ:
        // The text without its NUL, in quotes; a value of no bytes at all
        // has no NUL to drop.
        if (data.empty())
            throw RuntimeError(RuntimeError::kInvalidArgument);
        data = '"' + data.substr(0, data.size() - 1) + '"';
        break;
    case REG_FULL_RESOURCE_DESCRIPTOR:
        data = "REG_FULL_RESOURCE_DESCRIPTOR";
        break;
    case REG_DWORD: {
        if (data.size() < 4)
            throw RuntimeError(RuntimeError::kInvalidArgument);
        const std::uint32_t v = registry::dwordOf(data);
        char text[32];
        std::snprintf(text, sizeof text, "&H%X (%u)", static_cast<unsigned>(v), static_cast<unsigned>(v));
        data = text;
        break;
    }
    case REG_BINARY: {
        // The byte position is a 16-bit counter.
        if (data.size() > static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max()))
            throw RuntimeError(RuntimeError::kOverflow);
        std::string text;
        text.reserve(data.size() * 3);
        for (const char c : data)
            text += hexByte(static_cast<unsigned char>(c)) + ' ';
        data = std::move(text);
        break;
    }
    default: // REG_EXPAND_SZ and the rest: as stored
        break;
    }
    return data.empty() ? "(value not set)" : data;
}

} // namespace

void CWinAPI::RegistryEnumerateKeys(const std::string& sValue, const HWND& handleListbox, const HKEY& home)
{
    RegEnumKeys(sValue, handleListbox, home);
}

void CWinAPI::RegistryEnumerateValues(const std::string& sValue, const HWND& handleListboxEntries,
                                      const HWND& handleListboxValues, const HKEY& home)
{
    RegEnumValues(sValue, handleListboxEntries, handleListboxValues, home);
}

std::int32_t CWinAPI::RegEnumKeys(const std::string& rgeSubKey, const HWND& handleListbox, const HKEY& rgeMainKey)
{
    HKEY key = 0;
    LONG status = m_api.RegOpenKeyExA(rgeMainKey, rgeSubKey, 0, KEY_READ, key);
    // Asked even when the open failed (the handle is then 0), as always.
    const KeyInfo info = queryInfo(m_api, key);
    std::int32_t nameLength = asLength(info.longestSubKey);
    std::int32_t classLength = asLength(info.longestClass);

    std::int32_t result = status;
    try {
        DWORD index = 0;
        while (status == ERROR_SUCCESS) {
            // The name length passed is the name's longest length, not the
            // buffer's: a name of exactly that length is listed on the retry.
            std::string name = spaces(nameLength);
            std::string className = spaces(classLength);
            DWORD cchName = static_cast<DWORD>(nameLength);
            DWORD cchClass = static_cast<DWORD>(classLength);
            FileTime written;
            status = m_api.RegEnumKeyExA(key, index, name, cchName, className, cchClass, written);
            if (const auto nul = name.find('\0'); nul != std::string::npos && nul > 0)
                name.resize(nul);
            if (status == ERROR_SUCCESS) {
                addLine(m_api, handleListbox, name);
                ++index;
            } else if (status == ERROR_MORE_DATA) {
                nameLength = grown(nameLength);
                classLength = grown(classLength);
                status = ERROR_SUCCESS;
            } else {
                result = status == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : status;
            }
        }
    } catch (...) {
        m_api.RegCloseKey(key);
        throw;
    }
    m_api.RegCloseKey(key);
    return result;
}

void CWinAPI::RegEnumValues(const std::string& rgeSubKey, const HWND& handleListboxEntries,
                            const HWND& handleListboxValues, const HKEY& rgeMainKey)
{
    HKEY key = 0;
    if (m_api.RegOpenKeyExA(rgeMainKey, rgeSubKey, 0, KEY_READ, key) != ERROR_SUCCESS)
        return;

    try {
        const KeyInfo info = queryInfo(m_api, key);
        LONG status = info.status;
        const auto count = static_cast<std::int32_t>(info.values);
        std::int32_t nameLength = asLength(info.longestValueName);
        std::int32_t dataLength = asLength(info.longestData);
        std::int32_t index = 0;
        while (status == ERROR_SUCCESS && index < count) {
            std::string name = spaces(nameLength);
            std::string data = spaces(dataLength);
            DWORD cchName = static_cast<DWORD>(nameLength) + 1;
            DWORD cbData = static_cast<DWORD>(dataLength) + 1;
            DWORD type = 0;
            status = m_api.RegEnumValueA(key, static_cast<DWORD>(index), name, cchName, type, data, cbData);
            if (status == ERROR_MORE_DATA) {
                // The platform tells the data size it needs: a value that grew
                // by megabytes meanwhile is read on the next try, not after a
                // retry per 5 bytes.
                dataLength = std::max(grown(dataLength), asLength(cbData));
                nameLength = grown(nameLength);
                status = ERROR_SUCCESS;
                continue;
            }
            if (status != ERROR_SUCCESS)
                break;
            const std::string nameText = cchName == 0 ? "(Default)" : name.substr(0, cchName);
            const std::string text = valueText(type, data.substr(0, cbData));
            addLine(m_api, handleListboxEntries, nameText);
            addLine(m_api, handleListboxValues, text);
            ++index;
        }
    } catch (...) {
        m_api.RegCloseKey(key);
        throw;
    }
    m_api.RegCloseKey(key);
}

} // namespace tarnquill
