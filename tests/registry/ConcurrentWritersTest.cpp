// Several processes writing one store at once lose no write.

#include "TempFolder.h"

#include "platform/linux/registry/RegistryStore.h"

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

extern char** environ;

namespace tarnquill::registry {
namespace {

using testing::TempFolder;

constexpr int kCount = 150;

std::string rootName(HKEY root)
{
    return root == HKEY_LOCAL_MACHINE ? "machine" : "user";
}

// Runs the hammer in a process of its own, the stores named by environment
// variables as a user's program would find them.
pid_t spawnHammer(const RegistryLocations& locations, HKEY root, const std::string& prefix)
{
    std::vector<std::string> environment{
        "TARNQUILL_USER_REGISTRY=" + locations.userStore.string(),
        "TARNQUILL_MACHINE_REGISTRY=" + locations.machineStore.string(),
        "TARNQUILL_MACHINE_AUTOSTART=" + locations.machineAutostart.string(),
        "XDG_CONFIG_HOME=" + locations.userAutostart.parent_path().string(),
        "HOME=" + locations.userAutostart.parent_path().parent_path().string(),
    };
    std::vector<char*> envp;
    for (auto& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string program = REGISTRY_HAMMER_PATH;
    std::string rootArg = rootName(root);
    std::string prefixArg = prefix;
    std::string countArg = std::to_string(kCount);
    char* argv[] = {program.data(), rootArg.data(), prefixArg.data(), countArg.data(), nullptr};
    pid_t pid = 0;
    EXPECT_EQ(::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, envp.data()), 0);
    return pid;
}

int waitFor(pid_t pid)
{
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// What a hammer leaves: every value, and every tenth as a subkey too.
void expectEverything(RegistryStore& store, HKEY root, const std::vector<std::string>& prefixes)
{
    HKEY key = 0;
    ASSERT_EQ(store.RegOpenKeyExA(root, "Software\\Hammer", 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD subKeys = 0, values = 0;
    ASSERT_EQ(store.RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                                     nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, prefixes.size() * kCount);
    EXPECT_EQ(subKeys, prefixes.size() * ((kCount + 9) / 10));
    for (const auto& prefix : prefixes) {
        for (int i = 0; i < kCount; ++i) {
            std::uint32_t value = 0xFFFFFFFF;
            DWORD size = 4;
            ASSERT_EQ(store.RegQueryValueExA(key, prefix + "-" + std::to_string(i), nullptr, nullptr,
                                             reinterpret_cast<std::uint8_t*>(&value), &size),
                      ERROR_SUCCESS)
                << prefix << "-" << i;
            EXPECT_EQ(value, static_cast<std::uint32_t>(i));
        }
    }
}

class ConcurrentWriters : public ::testing::TestWithParam<HKEY> {};

TEST_P(ConcurrentWriters, TwoProcessesAndThisOneLoseNoWrite)
{
    TempFolder folder;
    const RegistryLocations locations = folder.locations();
    const HKEY root = GetParam();
    const pid_t first = spawnHammer(locations, root, "first");
    const pid_t second = spawnHammer(locations, root, "second");

    RegistryStore store(locations);
    for (int i = 0; i < kCount; ++i) {
        HKEY key = 0;
        DWORD disposition = 0;
        ASSERT_EQ(store.RegCreateKeyExA(root, "Software\\Hammer", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                        &disposition),
                  ERROR_SUCCESS);
        const std::uint32_t value = static_cast<std::uint32_t>(i);
        ASSERT_EQ(store.RegSetValueExA(key, "third-" + std::to_string(i), 0, REG_DWORD,
                                       reinterpret_cast<const std::uint8_t*>(&value), 4),
                  ERROR_SUCCESS);
        if (i % 10 == 0) {
            HKEY child = 0;
            ASSERT_EQ(store.RegCreateKeyExA(key, "third-" + std::to_string(i), 0, nullptr, 0, KEY_READ, nullptr,
                                            &child, &disposition),
                      ERROR_SUCCESS);
            store.RegCloseKey(child);
        }
        store.RegCloseKey(key);
    }
    EXPECT_EQ(waitFor(first), 0);
    EXPECT_EQ(waitFor(second), 0);

    RegistryStore reader(locations);
    expectEverything(reader, root, {"first", "second", "third"});
}

INSTANTIATE_TEST_SUITE_P(RegistryStore, ConcurrentWriters, ::testing::Values(HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE),
                         [](const auto& info) { return rootName(info.param); });

} // namespace
} // namespace tarnquill::registry
