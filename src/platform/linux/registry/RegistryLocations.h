// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <functional>
#include <vector>

namespace tarnquill::registry {

// Where the registry keeps its two stores and where the Run keys' autostart
// entries go.
struct RegistryLocations {
    // HKEY_CURRENT_USER (and HKEY_CLASSES_ROOT, its Software\Classes).
    std::filesystem::path userRegistry;
    // HKEY_LOCAL_MACHINE, HKEY_USERS and HKEY_CURRENT_CONFIG.
    std::filesystem::path machineRegistry;
    // Autostart folders for the per-user and the machine-wide Run key.
    std::filesystem::path userAutostart;
    std::filesystem::path machineAutostart;
    // Autostart folders whose entries a per-user entry must not hide: a user
    // entry with the same file name as a system one replaces it for that user,
    // while on Windows the two Run keys add up.
    std::vector<std::filesystem::path> systemAutostart;
    // The desktop's folders that HKEY_CLASSES_ROOT is mirrored into
    // (LiveClasses): $XDG_DATA_HOME, $XDG_CONFIG_HOME and $XDG_DATA_DIRS. An
    // empty dataHome mirrors nothing.
    std::filesystem::path dataHome;
    std::filesystem::path configHome;
    std::vector<std::filesystem::path> dataDirs;

    using Getenv = std::function<const char*(const char*)>;

    // The standard places: $XDG_CONFIG_HOME/tarnquill/registry.sqlite3 (else
    // ~/.config/...), /var/lib/tarnquill/registry.sqlite3, $XDG_CONFIG_HOME/autostart
    // and /etc/xdg/autostart, each overridable for tests by
    // TARNQUILL_USER_REGISTRY, TARNQUILL_MACHINE_REGISTRY and
    // TARNQUILL_MACHINE_AUTOSTART; the system folders from $XDG_CONFIG_DIRS.
    static RegistryLocations fromEnvironment(const Getenv& getenv);
    static RegistryLocations fromEnvironment();
};

} // namespace tarnquill::registry
