// SPDX-License-Identifier: MIT
#pragma once

// The registry calls the registry tests make, over any backend of the ten
// registry functions in their pointer form (the SQLite store, the system's
// own, a seam through SeamRegistryAdapter.h). The numbers are the seam's
// (Win32Types.h), so a file that also includes <windows.h> includes this
// header first.

#include "winapi/Win32Types.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace tarnquill::contract {

using Handle = HKEY;
using Status = LONG;
using Dword = DWORD;

struct Value {
    Status status = ERROR_SUCCESS;
    Dword type = 0;
    std::string bytes;

    bool operator==(const Value&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Value& value)
{
    out << "{status " << value.status << ", type " << value.type << ", " << value.bytes.size() << " bytes:";
    for (const unsigned char c : value.bytes)
        out << ' ' << std::hex << static_cast<int>(c) << std::dec;
    return out << '}';
}

inline std::string sz(const std::string& text)
{
    return text + '\0';
}

// The names of a key's subkeys in enumeration order, through any backend.
template <class Api>
std::vector<std::string> subkeyNames(Api& api, Handle key)
{
    std::vector<std::string> names;
    while (true) {
        char name[256];
        Dword length = sizeof name;
        const Status status =
            api.RegEnumKeyExA(key, static_cast<Dword>(names.size()), name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) {
            EXPECT_EQ(status, ERROR_NO_MORE_ITEMS);
            return names;
        }
        names.emplace_back(name, length);
    }
}

// A key's (name, value) pairs in enumeration order, through any backend.
template <class Api>
std::vector<std::pair<std::string, Value>> valueList(Api& api, Handle key)
{
    std::vector<std::pair<std::string, Value>> found;
    while (true) {
        char name[256];
        Dword length = sizeof name;
        Value value;
        value.bytes.assign(1024, '\0');
        Dword size = 1024;
        value.status = api.RegEnumValueA(key, static_cast<Dword>(found.size()), name, &length, nullptr, &value.type,
                                         reinterpret_cast<std::uint8_t*>(value.bytes.data()), &size);
        if (value.status != ERROR_SUCCESS) {
            EXPECT_EQ(value.status, ERROR_NO_MORE_ITEMS);
            return found;
        }
        value.bytes.resize(size);
        found.emplace_back(std::string(name, length), value);
    }
}

// A value's type and bytes, however long.
template <class Api>
Value queryValue(Api& api, Handle key, const std::string& name)
{
    Value value;
    Dword size = 0;
    value.status = api.RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size);
    if (value.status != ERROR_SUCCESS)
        return value;
    value.bytes.assign(size, '\0');
    value.status = api.RegQueryValueExA(key, name, nullptr, &value.type,
                                        reinterpret_cast<std::uint8_t*>(value.bytes.data()), &size);
    value.bytes.resize(size);
    return value;
}

// Deletes a key and everything under it with the ten functions alone.
template <class Api>
void deleteTree(Api& api, Handle base, const std::string& path)
{
    Handle key = 0;
    if (api.RegOpenKeyExA(base, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    for (const std::string& name : subkeyNames(api, key))
        deleteTree(api, key, name);
    api.RegCloseKey(key);
    api.RegDeleteKeyA(base, path);
}

} // namespace tarnquill::contract
