// SPDX-License-Identifier: MIT
// FindFilesAPI over the Linux stand-ins on a generated tree (100 folders of
// 100 files, 20 levels deep in one branch), beside the same walk done with
// std::filesystem, to show what the Windows-shaped search costs: two
// enumerations per folder, sorting, and an attribute call per entry.

#include "platform/linux/LinuxWin32Api.h"
#include "platform/linux/QtHandleTable.h"
#include "platform/linux/registry/RegistryStore.h"
#include "winapi/CWinAPI.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

const fs::path& tree()
{
    static const fs::path root = [] {
        const fs::path path = fs::temp_directory_path() / "tarnquill-find-bench";
        fs::remove_all(path);
        fs::path deep = path;
        for (int folder = 0; folder < 100; ++folder) {
            const fs::path here =
                folder < 20 ? (deep /= "level" + std::to_string(folder)) : path / ("f" + std::to_string(folder));
            fs::create_directories(here);
            for (int file = 0; file < 100; ++file)
                std::ofstream(here / ("file" + std::to_string(file) + (file % 2 ? ".txt" : ".dat"))) << "x";
        }
        return path;
    }();
    return root;
}

void FindFilesApi(benchmark::State& state)
{
    tarnquill::registry::RegistryLocations where;
    where.userRegistry = tree().parent_path() / "tarnquill-find-bench-user.sqlite3";
    where.machineRegistry = tree().parent_path() / "tarnquill-find-bench-machine.sqlite3";
    where.userAutostart = tree().parent_path() / "tarnquill-find-bench-autostart";
    where.machineAutostart = where.userAutostart;
    tarnquill::registry::RegistryStore store(where);
    tarnquill::QtHandleTable handles;
    tarnquill::LinuxWin32Api api(store, handles);
    tarnquill::CWinAPI winapi(api);
    for (auto _ : state) {
        std::string path = tree().string();
        std::int16_t files = 0;
        std::int16_t dirs = 0;
        benchmark::DoNotOptimize(winapi.FindFilesAPI(path, "*.txt", files, dirs));
    }
    state.SetItemsProcessed(state.iterations() * 10100);
}
BENCHMARK(FindFilesApi)->Unit(benchmark::kMillisecond);

void RecursiveDirectoryIterator(benchmark::State& state)
{
    for (auto _ : state) {
        std::uintmax_t total = 0;
        for (const auto& entry : fs::recursive_directory_iterator(tree()))
            if (entry.is_regular_file() && entry.path().extension() == ".txt")
                total += entry.file_size();
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * 10100);
}
BENCHMARK(RecursiveDirectoryIterator)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
