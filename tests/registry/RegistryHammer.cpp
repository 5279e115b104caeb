// Writes many values and keys into one registry key, for the concurrency
// tests: registry_hammer user|machine PREFIX COUNT. The stores are found
// through the environment as the program finds them. Exits 0 when every call
// succeeded and read back what it wrote.

#include "platform/linux/registry/RegistryStore.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace tarnquill;
using namespace tarnquill::registry;

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: registry_hammer user|machine PREFIX COUNT\n");
        return 2;
    }
    const HKEY root = std::strcmp(argv[1], "machine") == 0 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    const std::string prefix = argv[2];
    const int count = std::atoi(argv[3]);
    RegistryStore store(RegistryLocations::fromEnvironment());
    for (int i = 0; i < count; ++i) {
        HKEY key = 0;
        DWORD disposition = 0;
        LONG status = store.RegCreateKeyExA(root, "Software\\Hammer", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                            &disposition);
        const std::string name = prefix + "-" + std::to_string(i);
        const std::uint32_t value = static_cast<std::uint32_t>(i);
        if (status == ERROR_SUCCESS)
            status = store.RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const std::uint8_t*>(&value), 4);
        std::uint32_t back = 0;
        DWORD size = 4;
        if (status == ERROR_SUCCESS)
            status = store.RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<std::uint8_t*>(&back), &size);
        if (status == ERROR_SUCCESS && back != value)
            status = -1;
        if (status == ERROR_SUCCESS && i % 10 == 0) {
            HKEY child = 0;
            status = store.RegCreateKeyExA(key, name, 0, nullptr, 0, KEY_READ, nullptr, &child, &disposition);
            store.RegCloseKey(child);
        }
        store.RegCloseKey(key);
        if (status != ERROR_SUCCESS) {
            std::fprintf(stderr, "%s: status %d at %d\n", prefix.c_str(), status, i);
            return 1;
        }
    }
    return 0;
}
