// SPDX-License-Identifier: MIT
// Costs of the history's operations: one addition on a full history, and a
// save and load of a 32 MiB store beside a plain write and read of the same bytes.
#include "history/TextHistory.h"
#include "platform/NativePaths.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace tarnquill;
namespace fs = std::filesystem;

// Keeps nothing: isolates the in-memory part of an addition (shift, list
// rebuild, store encoding) from the disk.
class DiscardingFileSystem final : public FileSystem {
public:
    bool touch(const fs::path&) override { return true; }
    std::optional<std::string> readAll(const fs::path&) override { return std::nullopt; }
    bool replaceAtomically(const fs::path&, std::string_view bytes) override
    {
        benchmark::DoNotOptimize(bytes.data());
        return true;
    }
    bool remove(const fs::path&) override { return true; }
    bool exists(const fs::path&) override { return false; }
    bool renameNoReplace(const fs::path&, const fs::path&) override { return true; }
    bool isWritableFolder(const fs::path&, bool) override { return true; }
};

fs::path benchFolder()
{
    const fs::path folder = fs::temp_directory_path() / "tarnquill-bench";
    fs::create_directories(folder);
    return folder;
}

void fill(TextHistory& history, std::size_t entryBytes)
{
    for (std::size_t i = 0; i < kHistorySlots; ++i)
        history.addt(std::string(entryBytes, static_cast<char>('a' + i % 26)));
}

// 500 entries of 64 KiB: a 32 MiB store.
constexpr std::size_t kBigEntry = 64 * 1024;

void addtInMemory(benchmark::State& state)
{
    DiscardingFileSystem files;
    TextHistory history(files, "unused");
    const auto size = static_cast<std::size_t>(state.range(0));
    fill(history, size);
    const std::string text(size, 'x');
    for (auto _ : state)
        history.addt(text);
    state.SetLabel("shift + encode, no disk");
}
BENCHMARK(addtInMemory)->Arg(100)->Arg(64 * 1024)->Unit(benchmark::kMicrosecond);

void addtToDisk(benchmark::State& state)
{
    auto files = native::makeFileSystem();
    TextHistory history(*files, benchFolder() / "tcb.txt");
    const auto size = static_cast<std::size_t>(state.range(0));
    fill(history, size);
    const std::string text(size, 'x');
    for (auto _ : state)
        history.addt(text);
    state.SetLabel("including the durable save");
}
BENCHMARK(addtToDisk)->Arg(100)->Arg(64 * 1024)->Unit(benchmark::kMillisecond)->UseRealTime();


// What the UI thread spends on one addition to a full 32 MiB history when the
// writer thread saves: the shift, the list rebuild and the snapshot handed over.
void addtWithWriterThread(benchmark::State& state)
{
    auto files = native::makeFileSystem();
    const fs::path folder = benchFolder() / "writer";
    fs::remove_all(folder);
    fs::create_directories(folder);
    TextHistory history(*files, folder / "tcb.txt");
    history.saveInBackground();
    history.loadt();
    fill(history, kBigEntry);
    history.flushWrites();
    const auto text = std::make_shared<const std::string>(kBigEntry, 'x');
    for (auto _ : state)
        history.addt(text);
    history.flushWrites();
    state.SetLabel("UI thread; 64 KiB entries, the writer thread saves");
}
BENCHMARK(addtWithWriterThread)->Unit(benchmark::kMicrosecond)->UseRealTime();

void savet32MiB(benchmark::State& state)
{
    auto files = native::makeFileSystem();
    TextHistory history(*files, benchFolder() / "tcb.txt");
    {
        DiscardingFileSystem none;
        TextHistory filler(none, "unused");
        fill(filler, kBigEntry);
        for (std::size_t i = kHistorySlots; i-- > 0;)
            history.addt(filler.sharedSlot(i)); // the last one saves
    }
    for (auto _ : state)
        history.savet();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 32 * 1024 * 1024);
}
BENCHMARK(savet32MiB)->Unit(benchmark::kMillisecond)->UseRealTime();

void loadt32MiB(benchmark::State& state)
{
    auto files = native::makeFileSystem();
    const fs::path store = benchFolder() / "tcb.txt";
    {
        TextHistory writer(*files, store);
        fill(writer, kBigEntry);
    }
    for (auto _ : state) {
        TextHistory history(*files, store);
        history.loadt();
        benchmark::DoNotOptimize(history.slot(499).size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 32 * 1024 * 1024);
}
BENCHMARK(loadt32MiB)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: the same number of bytes written with one write and fsync, and read back.
void plainWrite32MiB(benchmark::State& state)
{
    const std::string bytes(kHistorySlots * (kBigEntry + 20) + 2, 'p');
    const std::string path = (benchFolder() / "plain.bin").string();
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        benchmark::DoNotOptimize(::write(fd, bytes.data(), bytes.size()));
        ::fsync(fd);
        ::close(fd);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 32 * 1024 * 1024);
}
BENCHMARK(plainWrite32MiB)->Unit(benchmark::kMillisecond)->UseRealTime();

void plainRead32MiB(benchmark::State& state)
{
    const std::string path = (benchFolder() / "plain.bin").string();
    {
        const std::string bytes(kHistorySlots * (kBigEntry + 20) + 2, 'p');
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        benchmark::DoNotOptimize(::write(fd, bytes.data(), bytes.size()));
        ::close(fd);
    }
    std::string buffer(kHistorySlots * (kBigEntry + 20) + 2, '\0');
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY);
        std::size_t got = 0;
        for (ssize_t n; (n = ::read(fd, buffer.data() + got, buffer.size() - got)) > 0;)
            got += static_cast<std::size_t>(n);
        ::close(fd);
        benchmark::DoNotOptimize(got);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 32 * 1024 * 1024);
}
BENCHMARK(plainRead32MiB)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
