// SPDX-License-Identifier: MIT
// The registry functions of the seam, through advapi32's W functions.
//
// The A functions' answers are kept, measured in UTF-8: a name or a string
// value that does not fit the caller's buffer gives ERROR_MORE_DATA and the
// UTF-8 size it needs, and RegQueryInfoKeyA reports the longest names, class
// and data in UTF-8 bytes, so a buffer sized from it holds every entry of the
// key. Wherever the system's A functions differ in what they leave in the
// caller's variables on failure, these follow them (see each function).

#include "winapi/RegistryBuffers.h"
#include "winapi/Win32Types.h"

#include "platform/windows/NativeWin32Api.h"
#include "platform/windows/WideText.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace tarnquill {

namespace {

using registry::capacityOf;
using registry::endStringData;
using registry::isStringType;

// How often a call is repeated with a larger buffer when the key changed
// between our size question and the read (another process writing).
constexpr int kRetries = 8;
// The longest key name, and the longest value name, in UTF-16 units.
constexpr std::size_t kMaxKeyName = 255;
constexpr std::size_t kMaxValueName = 16383;

// The predefined roots are 0x80000000 and up: negative as an int32.
bool isRoot(std::intptr_t value)
{
    return value < 0 && value >= static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80000000u));
}

FileTime toFileTime(const FILETIME& time)
{
    return FileTime{time.dwLowDateTime, time.dwHighDateTime};
}

// The bytes of a value as the seam carries them: string types as UTF-8 (an odd
// last byte dropped, as the A functions drop it), others as stored.
std::string seamData(::DWORD type, const BYTE* bytes, std::size_t size)
{
    if (!isStringType(type))
        return std::string(reinterpret_cast<const char*>(bytes), size);
    std::wstring units(size / 2, L'\0');
    std::memcpy(units.data(), bytes, units.size() * sizeof(wchar_t));
    return wide::toUtf8(units);
}

std::string seamData(::DWORD type, const std::vector<BYTE>& bytes)
{
    return seamData(type, bytes.data(), bytes.size());
}

// Text and its NUL into a buffer known to hold them.
void putWithNul(std::string& buffer, std::string_view text)
{
    std::copy(text.begin(), text.end(), buffer.begin());
    buffer[text.size()] = '\0';
}

struct StoredValue {
    ::DWORD type = 0;
    std::vector<BYTE> bytes;
};

LONG readValue(::HKEY key, const std::wstring& name, StoredValue& value)
{
    value.bytes.resize(256);
    for (int attempt = 0;; ++attempt) {
        ::DWORD type = 0;
        ::DWORD size = static_cast<::DWORD>(value.bytes.size());
        const LONG status = ::RegQueryValueExW(key, name.c_str(), nullptr, &type, value.bytes.data(), &size);
        if (status == ERROR_MORE_DATA && attempt < kRetries) {
            // HKEY_PERFORMANCE_DATA answers without the size; double then.
            value.bytes.resize(std::max<std::size_t>(size, value.bytes.size() * 2));
            continue;
        }
        if (status == ERROR_SUCCESS) {
            value.type = type;
            value.bytes.resize(size);
        }
        return status;
    }
}

} // namespace

void* NativeWin32Api::systemKey(HKEY hKey)
{
    if (isRoot(hKey))
        return reinterpret_cast<void*>(static_cast<std::intptr_t>(hKey));
    if (hKey == 0)
        return nullptr;
    return m_keys.find(hKey);
}

HKEY NativeWin32Api::seamKey(void* key)
{
    const auto value = reinterpret_cast<std::intptr_t>(key);
    // Opening "" under a root may hand back the root itself.
    if (isRoot(value))
        return static_cast<HKEY>(value);
    return m_keys.add(key);
}

LONG NativeWin32Api::RegOpenKeyExA(HKEY hKey, const std::string& subKey, DWORD ulOptions, REGSAM samDesired,
                                   HKEY& result)
{
    // 0 on any failure, as the system leaves it.
    result = 0;
    const auto base = static_cast<::HKEY>(systemKey(hKey));
    if (base == nullptr)
        return ERROR_INVALID_HANDLE;
    ::HKEY opened = nullptr;
    const LONG status = ::RegOpenKeyExW(base, wide::fromUtf8(subKey).c_str(), ulOptions, samDesired, &opened);
    if (status == ERROR_SUCCESS)
        result = seamKey(opened);
    return status;
}

LONG NativeWin32Api::RegCreateKeyExA(HKEY hKey, const std::string& subKey, DWORD reserved,
                                     const std::optional<std::string>& className, DWORD dwOptions,
                                     REGSAM samDesired, HKEY& result, DWORD& disposition)
{
    const auto base = static_cast<::HKEY>(systemKey(hKey));
    if (base == nullptr)
        return ERROR_INVALID_HANDLE;
    std::optional<std::wstring> keyClass = wide::fromUtf8Optional(className);
    ::HKEY created = nullptr;
    ::DWORD how = 0;
    const LONG status = ::RegCreateKeyExW(base, wide::fromUtf8(subKey).c_str(), reserved,
                                          keyClass ? keyClass->data() : nullptr, dwOptions, samDesired, nullptr,
                                          &created, &how);
    if (status == ERROR_SUCCESS) {
        result = seamKey(created);
        disposition = how;
    }
    return status;
}

LONG NativeWin32Api::RegSetValueExA(HKEY hKey, const std::string& valueName, DWORD reserved, DWORD dwType,
                                    std::string_view data, DWORD cbData)
{
    const auto key = static_cast<::HKEY>(systemKey(hKey));
    if (key == nullptr)
        return ERROR_INVALID_HANDLE;
    // The system would read past the caller's bytes; refuse instead.
    if (registry::claimsTooMuch(data, cbData))
        return ERROR_INVALID_PARAMETER;
    const std::string_view bytes = data.substr(0, cbData);
    const std::wstring name = wide::fromUtf8(valueName);
    if (!isStringType(dwType)) {
        return ::RegSetValueExW(key, name.c_str(), reserved, dwType, reinterpret_cast<const BYTE*>(bytes.data()),
                                cbData);
    }
    // Every byte converted, the NULs included: a REG_SZ keeps its NUL (or
    // lacks it), a REG_MULTI_SZ its separators, as the caller laid them out.
    // RegSetValueExW looks one character past the data it is given and, when
    // the text lacks its NUL and a NUL happens to follow, stores that too
    // (NT does; Wine copies it). A non-NUL unit past the end keeps the value
    // to exactly the caller's bytes.
    std::wstring units = wide::fromUtf8(bytes);
    const auto size = static_cast<::DWORD>(units.size() * sizeof(wchar_t));
    units.push_back(L'\xFFFF');
    return ::RegSetValueExW(key, name.c_str(), reserved, dwType, reinterpret_cast<const BYTE*>(units.data()), size);
}

LONG NativeWin32Api::RegQueryValueExA(HKEY hKey, const std::string& valueName, DWORD& type, std::string& data,
                                      DWORD& cbData)
{
    const auto key = static_cast<::HKEY>(systemKey(hKey));
    if (key == nullptr)
        return ERROR_INVALID_HANDLE;
    StoredValue value;
    if (const LONG status = readValue(key, wide::fromUtf8(valueName), value); status != ERROR_SUCCESS)
        return status;

    // As RegQueryValueExA: the type in every case, and the size needed when
    // the buffer is too small, which is then left as it was.
    const std::string bytes = seamData(value.type, value.bytes);
    const std::size_t capacity = capacityOf(data, cbData);
    type = value.type;
    cbData = static_cast<DWORD>(bytes.size());
    if (bytes.size() > capacity)
        return ERROR_MORE_DATA;
    std::copy(bytes.begin(), bytes.end(), data.begin());
    endStringData(value.type, data, capacity, bytes.size());
    return ERROR_SUCCESS;
}

LONG NativeWin32Api::RegDeleteKeyA(HKEY hKey, const std::string& subKey)
{
    const auto key = static_cast<::HKEY>(systemKey(hKey));
    if (key == nullptr)
        return ERROR_INVALID_HANDLE;
    return ::RegDeleteKeyW(key, wide::fromUtf8(subKey).c_str());
}

LONG NativeWin32Api::RegDeleteValueA(HKEY hKey, const std::string& valueName)
{
    const auto key = static_cast<::HKEY>(systemKey(hKey));
    if (key == nullptr)
        return ERROR_INVALID_HANDLE;
    return ::RegDeleteValueW(key, wide::fromUtf8(valueName).c_str());
}

LONG NativeWin32Api::RegCloseKey(HKEY hKey)
{
    // Closing a root is allowed and changes nothing the program can see.
    if (isRoot(hKey))
        return ::RegCloseKey(reinterpret_cast<::HKEY>(static_cast<std::intptr_t>(hKey)));
    void* key = hKey == 0 ? nullptr : m_keys.take(hKey);
    if (key == nullptr)
        return ERROR_INVALID_HANDLE;
    return ::RegCloseKey(static_cast<::HKEY>(key));
}

LONG NativeWin32Api::RegQueryInfoKeyA(HKEY hKey, std::string& className, DWORD& cchClass, DWORD& subKeys,
                                      DWORD& maxSubKeyLen, DWORD& maxClassLen, DWORD& values,
                                      DWORD& maxValueNameLen, DWORD& maxValueLen, DWORD& cbSecurityDescriptor,
                                      FileTime& lastWriteTime)
{
    const auto key = static_cast<::HKEY>(systemKey(hKey));
    if (key == nullptr)
        return ERROR_INVALID_HANDLE;

    // The key's figures in UTF-16, with its class read whole.
    std::wstring keyClass(256, L'\0');
    ::DWORD classUnits = 0, subKeyCount = 0, longestSubKey = 0, longestClass = 0, valueCount = 0,
            longestValueName = 0, longestData = 0, security = 0;
    FILETIME written{};
    LONG status = ERROR_SUCCESS;
    for (int attempt = 0;; ++attempt) {
        classUnits = static_cast<::DWORD>(keyClass.size());
        status = ::RegQueryInfoKeyW(key, keyClass.data(), &classUnits, nullptr, &subKeyCount, &longestSubKey,
                                    &longestClass, &valueCount, &longestValueName, &longestData, &security,
                                    &written);
        if (status == ERROR_MORE_DATA && attempt < kRetries) {
            keyClass.resize(std::max<std::size_t>(classUnits + 1, keyClass.size() * 2));
            continue;
        }
        break;
    }
    if (status != ERROR_SUCCESS)
        return status;
    keyClass.resize(std::min<std::size_t>(classUnits, keyClass.size()));

    // The longest lengths in UTF-8, which only the entries themselves tell.
    // Names never shrink from UTF-16 to UTF-8, so the system's figures stay a
    // floor if the key changes while it is read; data may shrink (ASCII text
    // halves), so the data figure is the UTF-8 one once every value was seen.
    std::size_t subKeyBytes = longestSubKey, classBytes = longestClass, nameBytes = longestValueName;
    std::size_t dataBytes = 0;
    if (subKeyCount > 0) {
        std::wstring name(kMaxKeyName + 1, L'\0');
        std::wstring subKeyClass(longestClass + 1, L'\0');
        int retries = 0;
        for (::DWORD index = 0;;) {
            ::DWORD nameUnits = static_cast<::DWORD>(name.size());
            ::DWORD classLength = static_cast<::DWORD>(subKeyClass.size());
            const LONG listed = ::RegEnumKeyExW(key, index, name.data(), &nameUnits, nullptr, subKeyClass.data(),
                                                &classLength, nullptr);
            if (listed == ERROR_MORE_DATA && ++retries <= kRetries) {
                name.resize(name.size() * 2);
                subKeyClass.resize(subKeyClass.size() * 2);
                continue;
            }
            if (listed != ERROR_SUCCESS)
                break;
            subKeyBytes = std::max(subKeyBytes, wide::toUtf8(std::wstring_view(name.data(), nameUnits)).size());
            classBytes =
                std::max(classBytes, wide::toUtf8(std::wstring_view(subKeyClass.data(), classLength)).size());
            ++index;
            retries = 0;
        }
    }
    if (valueCount > 0) {
        std::wstring name(std::min<std::size_t>(longestValueName, kMaxValueName) + 1, L'\0');
        std::vector<BYTE> bytes(longestData + 2);
        bool sawAll = false;
        int retries = 0;
        for (::DWORD index = 0;;) {
            ::DWORD nameUnits = static_cast<::DWORD>(name.size());
            ::DWORD size = static_cast<::DWORD>(bytes.size());
            ::DWORD type = 0;
            const LONG listed =
                ::RegEnumValueW(key, index, name.data(), &nameUnits, nullptr, &type, bytes.data(), &size);
            if (listed == ERROR_MORE_DATA && ++retries <= kRetries) {
                name.resize(kMaxValueName + 1);
                bytes.resize(std::max<std::size_t>(size, bytes.size() * 2));
                continue;
            }
            if (listed != ERROR_SUCCESS) {
                sawAll = listed == ERROR_NO_MORE_ITEMS;
                break;
            }
            nameBytes = std::max(nameBytes, wide::toUtf8(std::wstring_view(name.data(), nameUnits)).size());
            dataBytes = std::max(dataBytes, seamData(type, bytes.data(), size).size());
            ++index;
            retries = 0;
        }
        if (!sawAll)
            dataBytes = std::max<std::size_t>(dataBytes, longestData);
    }

    // The class: as RegQueryInfoKeyA, its length in every case and
    // ERROR_MORE_DATA when the buffer cannot hold it and its NUL; a buffer of
    // size 0 asks for the length alone.
    const std::string classText = wide::toUtf8(keyClass);
    const std::size_t capacity = capacityOf(className, cchClass);
    if (capacity > 0) {
        if (classText.size() + 1 > capacity)
            status = ERROR_MORE_DATA;
        else
            putWithNul(className, classText);
    }
    cchClass = static_cast<DWORD>(classText.size());
    subKeys = subKeyCount;
    maxSubKeyLen = static_cast<DWORD>(subKeyBytes);
    maxClassLen = static_cast<DWORD>(classBytes);
    values = valueCount;
    maxValueNameLen = static_cast<DWORD>(nameBytes);
    maxValueLen = static_cast<DWORD>(dataBytes);
    cbSecurityDescriptor = security;
    lastWriteTime = toFileTime(written);
    return status;
}

LONG NativeWin32Api::RegEnumKeyExA(HKEY hKey, DWORD index, std::string& name, DWORD& cchName, std::string& className,
                                   DWORD& cchClass, FileTime& lastWriteTime)
{
    const auto key = static_cast<::HKEY>(systemKey(hKey));
    if (key == nullptr)
        return ERROR_INVALID_HANDLE;

    std::wstring nameUnits(kMaxKeyName + 1, L'\0');
    std::wstring classUnits(256, L'\0');
    ::DWORD nameLength = 0, classLength = 0;
    FILETIME written{};
    LONG status = ERROR_SUCCESS;
    for (int attempt = 0;; ++attempt) {
        nameLength = static_cast<::DWORD>(nameUnits.size());
        classLength = static_cast<::DWORD>(classUnits.size());
        status = ::RegEnumKeyExW(key, index, nameUnits.data(), &nameLength, nullptr, classUnits.data(), &classLength,
                                 &written);
        if (status == ERROR_MORE_DATA && attempt < kRetries) {
            nameUnits.resize(nameUnits.size() * 2);
            classUnits.resize(classUnits.size() * 2);
            continue;
        }
        break;
    }
    if (status != ERROR_SUCCESS)
        return status;

    // As RegEnumKeyExA: each length counts the buffer with its NUL on the way
    // in and the text without it on the way out; a name or class that does
    // not fit leaves both buffers and both lengths as they were.
    const std::string nameText = wide::toUtf8(std::wstring_view(nameUnits.data(), nameLength));
    const std::string classText = wide::toUtf8(std::wstring_view(classUnits.data(), classLength));
    if (nameText.size() >= capacityOf(name, cchName) || classText.size() >= capacityOf(className, cchClass))
        return ERROR_MORE_DATA;
    putWithNul(name, nameText);
    cchName = static_cast<DWORD>(nameText.size());
    putWithNul(className, classText);
    cchClass = static_cast<DWORD>(classText.size());
    lastWriteTime = toFileTime(written);
    return ERROR_SUCCESS;
}

LONG NativeWin32Api::RegEnumValueA(HKEY hKey, DWORD index, std::string& valueName, DWORD& cchValueName, DWORD& type,
                                   std::string& data, DWORD& cbData)
{
    const auto key = static_cast<::HKEY>(systemKey(hKey));
    if (key == nullptr)
        return ERROR_INVALID_HANDLE;

    std::wstring nameUnits(kMaxValueName + 1, L'\0');
    std::vector<BYTE> bytes(1024);
    ::DWORD nameLength = 0, storedType = 0;
    LONG status = ERROR_SUCCESS;
    for (int attempt = 0;; ++attempt) {
        nameLength = static_cast<::DWORD>(nameUnits.size());
        ::DWORD size = static_cast<::DWORD>(bytes.size());
        status = ::RegEnumValueW(key, index, nameUnits.data(), &nameLength, nullptr, &storedType, bytes.data(), &size);
        if (status == ERROR_MORE_DATA && attempt < kRetries) {
            bytes.resize(std::max<std::size_t>(size, bytes.size() * 2));
            continue;
        }
        if (status == ERROR_SUCCESS)
            bytes.resize(size);
        break;
    }
    if (status != ERROR_SUCCESS)
        return status;

    // In RegEnumValueA's order: the data first (too small: ERROR_MORE_DATA,
    // and the name is not looked at), then the name (too small:
    // ERROR_MORE_DATA, with as much of it as fits, its length left as it was);
    // type and the data size needed are given back in both cases.
    const std::string dataBytes = seamData(storedType, bytes);
    const std::size_t dataCapacity = capacityOf(data, cbData);
    if (dataBytes.size() > dataCapacity) {
        status = ERROR_MORE_DATA;
    } else {
        std::copy(dataBytes.begin(), dataBytes.end(), data.begin());
        endStringData(storedType, data, dataCapacity, dataBytes.size());
        const std::string nameText = wide::toUtf8(std::wstring_view(nameUnits.data(), nameLength));
        const std::size_t nameCapacity = capacityOf(valueName, cchValueName);
        if (nameText.size() >= nameCapacity) {
            status = ERROR_MORE_DATA;
            if (nameCapacity > 0)
                putWithNul(valueName, wide::cutAtCharacter(nameText, nameCapacity - 1));
        } else {
            putWithNul(valueName, nameText);
            cchValueName = static_cast<DWORD>(nameText.size());
        }
    }
    type = storedType;
    cbData = static_cast<DWORD>(dataBytes.size());
    return status;
}

} // namespace tarnquill
