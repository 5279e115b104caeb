// SPDX-License-Identifier: MIT
// Several processes writing one store at once lose no write.

#include "Hammer.h"
#include "RegistryFixture.h"

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

extern char** environ;

namespace tarnquill::registry::testing {
namespace {

constexpr int kCount = 150;

std::string rootName(HKEY root)
{
    return root == HKEY_LOCAL_MACHINE ? "machine" : "user";
}

// Runs a hammer in a process of its own, the stores named by environment
// variables as a user's program would find them.
pid_t spawnHammer(const RegistryLocations& locations, HKEY root, const std::string& prefix)
{
    std::vector<std::string> environment{
        "TARNQUILL_USER_REGISTRY=" + locations.userRegistry.string(),
        "TARNQUILL_MACHINE_REGISTRY=" + locations.machineRegistry.string(),
        "TARNQUILL_MACHINE_AUTOSTART=" + locations.machineAutostart.string(),
        "XDG_CONFIG_HOME=" + locations.userAutostart.parent_path().string(),
        "HOME=" + locations.userAutostart.parent_path().parent_path().string(),
    };
    std::vector<std::string> args{REGISTRY_HAMMER_PATH, rootName(root), prefix, std::to_string(kCount)};
    const auto pointers = [](std::vector<std::string>& texts) {
        std::vector<char*> list;
        for (auto& text : texts)
            list.push_back(text.data());
        list.push_back(nullptr);
        return list;
    };
    pid_t pid = 0;
    EXPECT_EQ(::posix_spawn(&pid, args[0].c_str(), nullptr, nullptr, pointers(args).data(),
                            pointers(environment).data()),
              0);
    return pid;
}

int waitFor(pid_t pid)
{
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class ConcurrentWriters : public RegistryTest, public ::testing::WithParamInterface<HKEY> {};

TEST_P(ConcurrentWriters, TwoProcessesAndThisOneLoseNoWrite)
{
    const HKEY root = GetParam();
    const pid_t first = spawnHammer(locations, root, "first");
    const pid_t second = spawnHammer(locations, root, "second");
    EXPECT_EQ(hammer(registry(), root, "third", kCount), ERROR_SUCCESS);
    EXPECT_EQ(waitFor(first), 0);
    EXPECT_EQ(waitFor(second), 0);

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
