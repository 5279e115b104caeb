// SPDX-License-Identifier: MIT
// Prints the history a start would load from a store file (with its journal):
// for each of the 500 slots, newest first, the length in bytes on a line of
// its own, then the text. Exits 1 when the store cannot be read. Loading
// folds a journal into the store, so point it at a copy.
#include "history/TextHistory.h"
#include "platform/NativePaths.h"

#include <cstdio>

int main(int argc, char* argv[])
{
    using namespace tarnquill;
    if (argc != 2) {
        std::fprintf(stderr, "usage: store_dump STORE\n");
        return 2;
    }
    const auto files = native::makeFileSystem();
    if (!files->readAll(argv[1]))
        return 1;
    TextHistory history(*files, argv[1]);
    history.loadt();
    for (std::size_t i = 0; i < kHistorySlots; ++i) {
        const auto& text = history.slot(i);
        std::printf("%zu\n", text.size());
        std::fwrite(text.data(), 1, text.size(), stdout);
    }
    return 0;
}
