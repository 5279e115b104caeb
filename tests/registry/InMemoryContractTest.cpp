// SPDX-License-Identifier: MIT
// The registry contract against the tests' in-memory registry, seen through
// RecordingWin32Api as the tests of RegStuff and Form1 see it: a fake that
// answers as the real registries do.

#include "RegistryContract.h"
#include "SeamRegistryAdapter.h"

#include "winapi/RecordingWin32Api.h"

namespace tarnquill::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(InMemoryRegistryContract, RegistryContract, SeamTraits<tarnquill::testing::RecordingWin32Api>);
} // namespace tarnquill::contract
