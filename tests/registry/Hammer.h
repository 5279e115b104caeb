// SPDX-License-Identifier: MIT
#pragma once

// The writes of one hammer in the concurrency tests: `count` DWORD values
// PREFIX-i under Software\Hammer of the root, each read back, every tenth
// also made a subkey. ERROR_SUCCESS when every call succeeded and read back
// what it wrote.

#include "platform/linux/registry/RegistryStore.h"

#include <string>

namespace tarnquill::registry::testing {

inline LONG hammer(RegistryStore& store, HKEY root, const std::string& prefix, int count)
{
    for (int i = 0; i < count; ++i) {
        HKEY key = 0, child = 0;
        DWORD disposition = 0, size = 4;
        LONG status = store.RegCreateKeyExA(root, "Software\\Hammer", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                            &disposition);
        const std::string name = prefix + "-" + std::to_string(i);
        const auto value = static_cast<std::uint32_t>(i);
        std::uint32_t back = ~value;
        if (status == ERROR_SUCCESS)
            status = store.RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const std::uint8_t*>(&value), 4);
        if (status == ERROR_SUCCESS)
            status = store.RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<std::uint8_t*>(&back), &size);
        if (status == ERROR_SUCCESS && back != value)
            status = -1;
        if (status == ERROR_SUCCESS && i % 10 == 0) {
            status = store.RegCreateKeyExA(key, name, 0, nullptr, 0, KEY_READ, nullptr, &child, &disposition);
            store.RegCloseKey(child);
        }
        store.RegCloseKey(key);
        if (status != ERROR_SUCCESS)
            return status;
    }
    return ERROR_SUCCESS;
}

} // namespace tarnquill::registry::testing
