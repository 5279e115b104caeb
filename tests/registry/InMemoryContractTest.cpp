// SPDX-License-Identifier: MIT
// The registry contract against the tests' in-memory registry, seen through
// RecordingWin32Api as the tests of RegStuff and Form1 see it: a fake that
// answers as the real registries do.

#include "RegistryContract.h"
#include "SeamRegistryAdapter.h"

#include "winapi/RecordingWin32Api.h"

namespace {

struct InMemoryTraits {
    class Backend {
    public:
        tarnquill::contract::SeamRegistry& api() { return m_seam; }

    private:
        tarnquill::testing::RecordingWin32Api m_api;
        tarnquill::contract::SeamRegistry m_seam{m_api};
    };
};

} // namespace

namespace tarnquill::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(InMemoryRegistryContract, RegistryContract, InMemoryTraits);
} // namespace tarnquill::contract
