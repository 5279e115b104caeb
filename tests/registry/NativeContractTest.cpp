// SPDX-License-Identifier: MIT
// The registry contract against NativeWin32Api, the program's own way to the
// system's registry (Wine's under the cross build): through the seam it must
// answer as advapi32 answers (AdvapiContractTest) and as the Linux store does.

#include "RegistryContract.h"
#include "SeamRegistryAdapter.h"

#include "platform/windows/NativeWin32Api.h"

namespace {

struct NativeTraits {
    class Backend {
    public:
        tarnquill::contract::SeamRegistry& api() { return m_registry; }

    private:
        tarnquill::NativeWin32Api m_api;
        tarnquill::contract::SeamRegistry m_registry{m_api};
    };
};

} // namespace

namespace tarnquill::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(RegistryNativeContract, RegistryContract, NativeTraits);
} // namespace tarnquill::contract
