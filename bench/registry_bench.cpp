// SPDX-License-Identifier: MIT
// Costs of the registry store's calls as the program makes them: a value
// written and read, the start-up entry written (open, set, close, with its
// autostart file), and a key listed index by index as the enumeration members
// list it. Each call is one SQLite transaction on a file in a temporary folder.
#include "platform/linux/registry/RegistryStore.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace {

using namespace tarnquill;
using namespace tarnquill::registry;
namespace fs = std::filesystem;

class BenchStore {
public:
    BenchStore()
    {
        std::string pattern = (fs::temp_directory_path() / "tarnquill-registry-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        m_folder = pattern;
        RegistryLocations locations;
        locations.userRegistry = m_folder / "user.sqlite3";
        locations.machineRegistry = m_folder / "machine.sqlite3";
        locations.userAutostart = m_folder / "autostart";
        locations.machineAutostart = m_folder / "xdg-autostart";
        m_store.emplace(locations);
    }
    ~BenchStore()
    {
        m_store.reset();
        std::error_code error;
        fs::remove_all(m_folder, error);
    }
    RegistryStore& store() { return *m_store; }
    HKEY create(const std::string& path)
    {
        HKEY key = 0;
        DWORD disposition = 0;
        m_store->RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition);
        return key;
    }

private:
    fs::path m_folder;
    std::optional<RegistryStore> m_store;
};

const std::string kText = std::string("C:\\Apps\\Clip\\tool") + '\0';

void BM_SetValue(benchmark::State& state)
{
    BenchStore bench;
    const HKEY key = bench.create("Software\\Bench");
    for (auto _ : state) {
        bench.store().RegSetValueExA(key, "Value", 0, REG_SZ, reinterpret_cast<const std::uint8_t*>(kText.data()),
                                     static_cast<DWORD>(kText.size()));
    }
}
BENCHMARK(BM_SetValue);

void BM_QueryValue(benchmark::State& state)
{
    BenchStore bench;
    const HKEY key = bench.create("Software\\Bench");
    bench.store().RegSetValueExA(key, "Value", 0, REG_SZ, reinterpret_cast<const std::uint8_t*>(kText.data()),
                                 static_cast<DWORD>(kText.size()));
    std::uint8_t buffer[255];
    for (auto _ : state) {
        DWORD size = sizeof buffer;
        DWORD type = REG_SZ;
        benchmark::DoNotOptimize(bench.store().RegQueryValueExA(key, "Value", nullptr, &type, buffer, &size));
    }
}
BENCHMARK(BM_QueryValue);

// AddRunEntry: open the Run key with 0x3F, write the value, close; the value
// also becomes an autostart file.
void BM_StartUpEntry(benchmark::State& state)
{
    BenchStore bench;
    for (auto _ : state) {
        HKEY run = 0;
        bench.store().RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN\\", 0, 0x3F,
                                    &run);
        bench.store().RegSetValueExA(run, "tool", 0, REG_SZ, reinterpret_cast<const std::uint8_t*>(kText.data()),
                                     static_cast<DWORD>(kText.size()));
        bench.store().RegCloseKey(run);
    }
}
BENCHMARK(BM_StartUpEntry);

// One RegEnumKeyExA per index over a key of N subkeys, the whole listing per
// iteration.
void BM_EnumerateSubkeys(benchmark::State& state)
{
    BenchStore bench;
    const auto count = static_cast<int>(state.range(0));
    const HKEY parent = bench.create("Software\\Wide");
    for (int i = 0; i < count; ++i)
        bench.create("Software\\Wide\\Key" + std::to_string(i));
    for (auto _ : state) {
        char name[256];
        for (DWORD index = 0;; ++index) {
            DWORD length = sizeof name;
            if (bench.store().RegEnumKeyExA(parent, index, name, &length, nullptr, nullptr, nullptr, nullptr)
                != ERROR_SUCCESS)
                break;
        }
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_EnumerateSubkeys)->Arg(10)->Arg(100)->Arg(1000);

} // namespace

BENCHMARK_MAIN();
