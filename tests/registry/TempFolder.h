#pragma once

#include "platform/linux/registry/RegistryLocations.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace tarnquill::registry::testing {

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

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

    // Every store and autostart folder below this folder; nothing of the
    // user's own is touched.
    RegistryLocations locations() const
    {
        RegistryLocations locations;
        locations.userStore = m_path / "config" / "tarnquill" / "registry.sqlite3";
        locations.machineStore = m_path / "var" / "registry.sqlite3";
        locations.userAutostart = m_path / "config" / "autostart";
        locations.machineAutostart = m_path / "xdg" / "autostart";
        locations.systemAutostart = {locations.machineAutostart};
        return locations;
    }

private:
    std::filesystem::path m_path;
};

} // namespace tarnquill::registry::testing
