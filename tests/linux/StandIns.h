// SPDX-License-Identifier: MIT
#pragma once

#include "LinuxTestSupport.h"

#include "platform/linux/LinuxWin32Api.h"
#include "platform/linux/QtHandleTable.h"
#include "platform/linux/registry/RegistryLocations.h"
#include "platform/linux/registry/RegistryStore.h"

namespace tarnquill::test {

// LinuxWin32Api with its registry and autostart folders in a temporary
// folder: what every test of the stand-ins starts from. The registry itself
// is the registry tests' (tests/registry).
struct StandIns {
    TempFolder m_folder;
    registry::RegistryStore m_store{[this] {
        registry::RegistryLocations where;
        where.userRegistry = m_folder / "user.sqlite3";
        where.machineRegistry = m_folder / "machine.sqlite3";
        where.userAutostart = m_folder / "autostart";
        where.machineAutostart = m_folder / "xdg-autostart";
        return where;
    }()};
    QtHandleTable m_handles;
    LinuxWin32Api m_api{m_store, m_handles};
};

} // namespace tarnquill::test
