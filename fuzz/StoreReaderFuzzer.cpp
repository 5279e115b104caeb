// SPDX-License-Identifier: MIT
// The store file's reader on any bytes, and the writer and reader together on
// any history: decoding never fails, always gives UTF-8, what the writer
// wrote comes back entry for entry, and the store written piece by piece has
// the size and hash of the whole.

#include "history/StoreFormat.h"
#include "history/StoreJournal.h"
#include "history/TextEncoding.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace tarnquill;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const std::string& piece : decodeStore(bytes)) {
        if (!isValidUtf8(piece))
            std::abort();
    }

    // A history made of the same bytes: entries cut at random lengths, in
    // random slots (the texts are UTF-8, as the clipboard hands them over).
    FuzzedDataProvider input(data, size);
    std::array<SharedText, kHistorySlots> slots{};
    while (input.remaining_bytes() > 0) {
        const auto slot = input.ConsumeIntegralInRange<std::size_t>(0, kHistorySlots - 1);
        std::string text = input.ConsumeRandomLengthString(256);
        if (!isValidUtf8(text))
            text = windows1252ToUtf8(text);
        slots[slot] = std::make_shared<const std::string>(std::move(text));
    }
    const std::string stored = encodeStore(slots);
    const StoreEncoder encoder(slots);
    journal::ContentHasher hasher(encoder.size());
    encoder.writeTo([&hasher](std::string_view piece) {
        hasher.add(piece);
        return true;
    });
    if (encoder.size() != stored.size() || hasher.value() != journal::contentHash(stored))
        std::abort();
    const auto pieces = decodeStore(stored);
    // 500 entries and the line end after the last separator.
    if (pieces.size() != kHistorySlots + 1 || pieces.back() != "\r\n")
        std::abort();
    for (std::size_t i = 0; i < kHistorySlots; ++i) {
        const std::string expected = slots[i] ? *slots[i] : std::string();
        if (pieces[i] != expected)
            std::abort();
    }
    return 0;
}
