// SPDX-License-Identifier: MIT
#include "platform/linux/registry/RegistryLocations.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <string_view>

namespace tarnquill::registry {

namespace {

std::filesystem::path homeFolder(const RegistryLocations::Getenv& getenv)
{
    if (const char* home = getenv("HOME"); home != nullptr && *home != '\0')
        return home;
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr)
        return entry->pw_dir;
    return "/";
}

// XDG variables count only when set to an absolute path.
const char* absoluteOrNull(const char* value)
{
    return value != nullptr && value[0] == '/' ? value : nullptr;
}

} // namespace

RegistryLocations RegistryLocations::fromEnvironment(const Getenv& getenv)
{
    RegistryLocations locations;
    const char* configHome = absoluteOrNull(getenv("XDG_CONFIG_HOME"));
    const std::filesystem::path config = configHome ? std::filesystem::path(configHome)
                                                    : homeFolder(getenv) / ".config";

    const char* user = getenv("TARNQUILL_USER_REGISTRY");
    locations.userRegistry = (user && *user) ? std::filesystem::path(user) : config / "tarnquill" / "registry.sqlite3";
    const char* machine = getenv("TARNQUILL_MACHINE_REGISTRY");
    locations.machineRegistry = (machine && *machine) ? std::filesystem::path(machine)
                                                   : std::filesystem::path("/var/lib/tarnquill/registry.sqlite3");
    locations.userAutostart = config / "autostart";
    const char* machineAutostart = getenv("TARNQUILL_MACHINE_AUTOSTART");
    locations.machineAutostart = (machineAutostart && *machineAutostart) ? std::filesystem::path(machineAutostart)
                                                                         : std::filesystem::path("/etc/xdg/autostart");

    locations.systemAutostart.push_back(locations.machineAutostart);
    const char* configDirs = getenv("XDG_CONFIG_DIRS");
    std::string_view dirs = (configDirs && *configDirs) ? configDirs : "/etc/xdg";
    while (!dirs.empty()) {
        const std::size_t colon = dirs.find(':');
        const std::string_view dir = dirs.substr(0, colon);
        if (!dir.empty() && dir.front() == '/') {
            auto folder = std::filesystem::path(dir) / "autostart";
            if (folder != locations.machineAutostart)
                locations.systemAutostart.push_back(std::move(folder));
        }
        if (colon == std::string_view::npos)
            break;
        dirs.remove_prefix(colon + 1);
    }
    const char* dataHome = absoluteOrNull(getenv("XDG_DATA_HOME"));
    locations.dataHome = dataHome ? std::filesystem::path(dataHome) : homeFolder(getenv) / ".local" / "share";
    locations.configHome = config;
    const char* dataDirs = getenv("XDG_DATA_DIRS");
    std::string_view data = (dataDirs && *dataDirs) ? dataDirs : "/usr/local/share:/usr/share";
    while (!data.empty()) {
        const std::size_t colon = data.find(':');
        const std::string_view dir = data.substr(0, colon);
        if (!dir.empty() && dir.front() == '/')
            locations.dataDirs.emplace_back(dir);
        if (colon == std::string_view::npos)
            break;
        data.remove_prefix(colon + 1);
    }
    return locations;
}

RegistryLocations RegistryLocations::fromEnvironment()
{
    return fromEnvironment([](const char* name) { return std::getenv(name); });
}

} // namespace tarnquill::registry
