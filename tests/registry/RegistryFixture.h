// SPDX-License-Identifier: MIT
#pragma once

// What the tests of the SQLite registry share: folders of their own for every
// registry and autostart folder (nothing of the user's is touched), and the
// registry calls in the short forms the tests write them in.

#include "RegistryCalls.h"

#include "platform/linux/registry/RegistryStore.h"
#include "support/Process.h"
#include "support/TempFolder.h"
#include "support/Wait.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace tarnquill::registry::testing {

inline const std::string kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// Registry and autostart folders of a test's own below `folder`.
inline RegistryLocations locationsIn(const std::filesystem::path& folder)
{
    RegistryLocations locations;
    locations.userRegistry = folder / "config" / "tarnquill" / "registry.sqlite3";
    locations.machineRegistry = folder / "var" / "registry.sqlite3";
    locations.userAutostart = folder / "config" / "autostart";
    locations.machineAutostart = folder / "xdg" / "autostart";
    locations.systemAutostart = {locations.machineAutostart};
    return locations;
}

// A test with folders of its own and a registry on them, made at first use so
// that the test may change the locations before.
class RegistryTest : public ::testing::Test {
protected:
    RegistryStore& registry()
    {
        if (!m_registry)
            m_registry.emplace(locations);
        return *m_registry;
    }

    test::TempFolder folder;
    RegistryLocations locations = locationsIn(folder.path());

private:
    std::optional<RegistryStore> m_registry;
};

using contract::sz;

inline LONG setBytes(RegistryStore& registry, HKEY key, const std::string& name, DWORD type, const std::string& bytes)
{
    return registry.RegSetValueExA(key, name, 0, type, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                static_cast<DWORD>(bytes.size()));
}

// The value's bytes; "" when it cannot be read.
inline std::string queryBytes(RegistryStore& registry, HKEY key, const std::string& name)
{
    return contract::queryValue(registry, key, name).bytes;
}

// Handles of keys the test expects to be there (or to be made); 0 otherwise.
inline HKEY createKey(RegistryStore& registry, HKEY base, const std::string& path, const char* keyClass = nullptr)
{
    HKEY key = 0;
    DWORD disposition = 0;
    EXPECT_EQ(registry.RegCreateKeyExA(base, path, 0, keyClass, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_SUCCESS)
        << path;
    return key;
}

inline HKEY openKey(RegistryStore& registry, HKEY base, const std::string& path, REGSAM access = KEY_ALL_ACCESS)
{
    HKEY key = 0;
    EXPECT_EQ(registry.RegOpenKeyExA(base, path, 0, access, &key), ERROR_SUCCESS) << path;
    return key;
}

using test::readFile;

// The text of a file that a program started by the test writes, once it has
// some (given up after 10 s).
inline std::string readWhenWritten(const std::filesystem::path& file)
{
    test::waitUntil([&] { return !readFile(file).value_or("").empty(); }, std::chrono::seconds(10));
    return readFile(file).value_or("");
}

} // namespace tarnquill::registry::testing
