// SPDX-License-Identifier: MIT
#pragma once

// What the tests of the SQLite registry share: folders of their own for every
// registry and autostart folder (nothing of the user's is touched), and the
// registry calls in the short forms the tests write them in.

#include "RegistryCalls.h"

#include "platform/linux/registry/RegistryStore.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>
#include <thread>

namespace tarnquill::registry::testing {

inline const std::string kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// A fresh folder under the system's temporary folder, removed with all it holds.
class TempFolder final {
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarnquill-registry-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            ADD_FAILURE() << "mkdtemp " << pattern;
        m_path = pattern;
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }

    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

    RegistryLocations locations() const
    {
        RegistryLocations locations;
        locations.userRegistry = m_path / "config" / "tarnquill" / "registry.sqlite3";
        locations.machineRegistry = m_path / "var" / "registry.sqlite3";
        locations.userAutostart = m_path / "config" / "autostart";
        locations.machineAutostart = m_path / "xdg" / "autostart";
        locations.systemAutostart = {locations.machineAutostart};
        return locations;
    }

private:
    std::filesystem::path m_path;
};

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

    TempFolder folder;
    RegistryLocations locations = folder.locations();

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

inline std::string readFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Whether `program` is an executable in a folder of PATH.
inline bool onPath(const char* program)
{
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');)
        if (!folder.empty() && ::access((std::filesystem::path(folder) / program).c_str(), X_OK) == 0)
            return true;
    return false;
}

// The text of a file that a program started by the test writes, once it has
// some (given up after 10 s).
inline std::string readWhenWritten(const std::filesystem::path& file)
{
    for (int i = 0; i < 200 && readFile(file).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return readFile(file);
}

} // namespace tarnquill::registry::testing
