// SPDX-License-Identifier: MIT
// registry_hammer user|machine PREFIX COUNT, for the concurrency tests: COUNT
// DWORD values PREFIX-i under Software\Hammer of the root, each read back,
// every tenth also made a subkey. The stores are found through the
// environment as the program finds them. Exits 0 when every call succeeded
// and read back what it wrote.

#include "platform/linux/registry/RegistryStore.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    using namespace tarnquill;
    if (argc != 4)
        return 2;
    registry::RegistryStore store(registry::RegistryLocations::fromEnvironment());
    const HKEY root = std::strcmp(argv[1], "machine") == 0 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    LONG status = ERROR_SUCCESS;
    for (int i = 0; status == ERROR_SUCCESS && i < std::atoi(argv[3]); ++i) {
        HKEY key = 0, child = 0;
        DWORD disposition = 0, size = 4;
        status = store.RegCreateKeyExA(root, "Software\\Hammer", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                       &disposition);
        const std::string name = std::string(argv[2]) + "-" + std::to_string(i);
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
    }
    if (status != ERROR_SUCCESS)
        std::fprintf(stderr, "%s: status %d\n", argv[2], static_cast<int>(status));
    return status == ERROR_SUCCESS ? 0 : 1;
}
