// SPDX-License-Identifier: MIT
// The registry contract against LinuxWin32Api: the program reaches the store
// through the seam's signatures (references, fixed-length buffers), and must
// get the answers the store gives directly (RegistryStoreTest) and the
// system's registry gives under Wine (AdvapiContractTest). And against the
// tests' in-memory registry, seen through RecordingWin32Api as the tests of
// RegStuff and Form1 see it, so that the fake answers as the real ones do.

#include "RegistryContract.h"
#include "SeamRegistryAdapter.h"
#include "RegistryFixture.h"

#include "platform/linux/LinuxWin32Api.h"
#include "platform/linux/QtHandleTable.h"
#include "platform/linux/registry/RegistryStore.h"
#include "winapi/RecordingWin32Api.h"

namespace tarnquill::registry::testing {

// The registry needs no QApplication; nothing here touches the desktop.
struct LinuxApiTraits {
    struct Backend {
        contract::SeamRegistry& api() { return m_registry; }
        test::TempFolder m_folder;
        RegistryStore m_store{locationsIn(m_folder.path())};
        QtHandleTable m_handles;
        LinuxWin32Api m_api{m_store, m_handles};
        contract::SeamRegistry m_registry{m_api};
    };
};

} // namespace tarnquill::registry::testing

namespace tarnquill::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(RegistryLinuxApiContract, RegistryContract, registry::testing::LinuxApiTraits);
INSTANTIATE_TYPED_TEST_SUITE_P(InMemoryRegistryContract, RegistryContract, SeamTraits<testing::RecordingWin32Api>);
} // namespace tarnquill::contract
