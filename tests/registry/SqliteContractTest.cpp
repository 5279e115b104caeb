// SPDX-License-Identifier: MIT
// The registry contract against the SQLite store, each test on stores of its own.

#include "RegistryContract.h"
#include "RegistryFixture.h"

namespace tarnquill::registry::testing {

struct SqliteRegistryTraits {
    class Backend {
    public:
        RegistryStore& api() { return m_store; }

    private:
        test::TempFolder m_folder;
        RegistryStore m_store{locationsIn(m_folder.path())};
    };
};

} // namespace tarnquill::registry::testing

namespace tarnquill::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(RegistryStoreContract, RegistryContract, registry::testing::SqliteRegistryTraits);
} // namespace tarnquill::contract
