// SPDX-License-Identifier: MIT
// Disk traffic of one small copy on a large store: the bytes written within
// 100 ms of a 100-byte addition (write calls of this process, /proc/self/io),
// and how long until tcb.txt itself holds it.
//
//     store_volume [STORE_MB]        (default 500; the store goes to $TMPDIR)
#include "history/TextHistory.h"
#include "platform/NativePaths.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

namespace {

using namespace tarnquill;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

unsigned long long writtenBytes()
{
    std::ifstream io("/proc/self/io");
    std::string key;
    unsigned long long value = 0;
    while (io >> key >> value) {
        if (key == "wchar:")
            return value;
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    const std::size_t megabytes = argc > 1 ? std::stoul(argv[1]) : 500;
    const fs::path folder = fs::temp_directory_path() / "tarnquill-store-volume";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path store = folder / "tcb.txt";
    {
        std::ofstream out(store, std::ios::binary);
        const std::string entry(megabytes * 1024 * 1024 / kHistorySlots, 'v');
        for (std::size_t i = 0; i < kHistorySlots; ++i)
            out << entry << HistorySeparator;
        out << "\r\n";
    }
    auto files = native::makeFileSystem();
    TextHistory history(*files, store);
    history.saveInBackground();
    history.loadt();

    const std::string text = "a copy of one hundred bytes " + std::string(72, '.');
    const auto before = writtenBytes();
    const auto start = Clock::now();
    history.addt(text);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto within100ms = writtenBytes() - before;

    double current = -1;
    for (;;) {
        std::ifstream in(store, std::ios::binary);
        std::string head(text.size(), '\0');
        in.read(head.data(), static_cast<std::streamsize>(head.size()));
        if (head == text) {
            current = std::chrono::duration<double>(Clock::now() - start).count();
            break;
        }
        if (Clock::now() - start > std::chrono::seconds(60))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::printf("store %zu MB: a 100-byte copy wrote %llu bytes within 100 ms; tcb.txt held it after %.3f s\n",
                megabytes, within100ms, current);
    fs::remove_all(folder);
    return 0;
}
