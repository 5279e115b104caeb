// SPDX-License-Identifier: MIT
// Several processes writing one store at once lose no write.

#include "RegistryFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace tarnquill::registry::testing {
namespace {

constexpr int kCount = 150;

std::string rootName(HKEY root)
{
    return root == HKEY_LOCAL_MACHINE ? "machine" : "user";
}

// Runs registry_hammer, the stores named by environment variables as a
// user's program would find them.
test::Process spawnHammer(const RegistryLocations& locations, HKEY root, const std::string& prefix)
{
    test::SpawnOptions options;
    options.pipeStderr = true;
    options.env = {{"TARNQUILL_USER_REGISTRY", locations.userRegistry.string()},
                   {"TARNQUILL_MACHINE_REGISTRY", locations.machineRegistry.string()},
                   {"TARNQUILL_MACHINE_AUTOSTART", locations.machineAutostart.string()},
                   {"XDG_CONFIG_HOME", locations.userAutostart.parent_path().string()},
                   {"HOME", locations.userAutostart.parent_path().parent_path().string()}};
    return test::Process::spawn({REGISTRY_HAMMER_PATH, rootName(root), prefix, std::to_string(kCount)}, options);
}

class ConcurrentWriters : public RegistryTest, public ::testing::WithParamInterface<HKEY> {};

TEST_P(ConcurrentWriters, ThreeProcessesLoseNoWrite)
{
    const HKEY root = GetParam();
    std::vector<test::Process> hammers;
    for (const char* prefix : {"first", "second", "third"})
        hammers.push_back(spawnHammer(locations, root, prefix));
    for (test::Process& child : hammers) {
        const auto end = child.wait(std::chrono::seconds(60));
        EXPECT_TRUE(end && end->success()) << child.stderrText();
    }

    // Every value of every hammer, read by a store opened afresh.
    RegistryStore reader(locations);
    const HKEY key = openKey(reader, root, "Software\\Hammer", KEY_READ);
    DWORD subKeys = 0, values = 0;
    ASSERT_EQ(reader.RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                                      nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 3u * kCount);
    EXPECT_EQ(subKeys, 3u * ((kCount + 9) / 10));
    for (const std::string prefix : {"first", "second", "third"})
        for (int i = 0; i < kCount; ++i)
            ASSERT_EQ(queryBytes(reader, key, prefix + "-" + std::to_string(i)),
                      std::string(reinterpret_cast<const char*>(&i), 4))
                << prefix << "-" << i;
}

INSTANTIATE_TEST_SUITE_P(RegistryStore, ConcurrentWriters, ::testing::Values(HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE),
                         [](const auto& info) { return rootName(info.param); });

} // namespace
} // namespace tarnquill::registry::testing
