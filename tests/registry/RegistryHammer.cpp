// SPDX-License-Identifier: MIT
// registry_hammer user|machine PREFIX COUNT: one hammer (Hammer.h) in a
// process of its own, for the concurrency tests. The stores are found through
// the environment as the program finds them. Exits 0 when every call
// succeeded and read back what it wrote.

#include "Hammer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    using namespace tarnquill;
    if (argc != 4)
        return 2;
    registry::RegistryStore store(registry::RegistryLocations::fromEnvironment());
    const HKEY root = std::strcmp(argv[1], "machine") == 0 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    const LONG status = registry::testing::hammer(store, root, argv[2], std::atoi(argv[3]));
    if (status != ERROR_SUCCESS)
        std::fprintf(stderr, "%s: status %d\n", argv[2], static_cast<int>(status));
    return status == ERROR_SUCCESS ? 0 : 1;
}
