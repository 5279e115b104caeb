// SPDX-License-Identifier: MIT
#pragma once

#include "LinuxTestSupport.h"

#include "platform/linux/LinuxWin32Api.h"
#include "platform/linux/QtHandleTable.h"
#include "platform/linux/registry/RegistryStore.h"

namespace tarnquill::test {

// LinuxWin32Api with its registry and autostart folders in a temporary
// folder: what every test of the stand-ins starts from.
struct StandIns {
    TempFolder m_folder;
    registry::RegistryStore m_store{registryLocationsIn(m_folder.path())};
    QtHandleTable m_handles;
    LinuxWin32Api m_api{m_store, m_handles};
};

} // namespace tarnquill::test
