// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarnquill {

// Ends every record of the store file.
inline constexpr std::string_view HistorySeparator = "||!o@!@#w@#$!@#$%z||";

inline constexpr std::size_t kHistorySlots = 500;

// Slot text is immutable and shared, so shifting the history or handing a
// snapshot to the writer moves pointers, not text.
using SharedText = std::shared_ptr<const std::string>;

// The store file's bytes for the given slots: each slot's text followed by the
// separator, then CR LF. Text that would not come back whole (it holds the
// separator or the byte 0x10, or ends in a start of the separator that would
// run into the following one) is escaped; every other text is written as it is.
std::string encodeStore(const std::array<SharedText, kHistorySlots>& slots);

// The same bytes as encodeStore, handed out piece by piece (the slots' own
// texts among them), so that a large store is written without a copy of it
// in memory. The slots must outlive the encoder.
class StoreEncoder {
public:
    explicit StoreEncoder(const std::array<SharedText, kHistorySlots>& slots);

    // The number of bytes writeTo hands out.
    std::size_t size() const { return m_size; }

    // Calls `write` with each piece in order; stops at, and returns, the
    // first false.
    template <typename Write>
    bool writeTo(Write&& write) const
    {
        if (m_byteOrderMark && !write(std::string_view("\xEF\xBB\xBF")))
            return false;
        auto escaped = m_escaped.begin();
        for (std::size_t i = 0; i < kHistorySlots; ++i) {
            std::string_view text;
            if (escaped != m_escaped.end() && escaped->first == i)
                text = (escaped++)->second;
            else if (m_slots[i])
                text = *m_slots[i];
            if ((!text.empty() && !write(text)) || !write(HistorySeparator))
                return false;
        }
        return write(std::string_view("\r\n"));
    }

private:
    const std::array<SharedText, kHistorySlots>& m_slots;
    std::vector<std::pair<std::size_t, std::string>> m_escaped; // by slot, the few texts that need it
    bool m_byteOrderMark = false;
    std::size_t m_size = 0;
};

// The escaped form of one entry (the entry itself when it needs no escape).
std::string escapeEntry(std::string_view text);
// Undoes escapeEntry; text without the escape byte comes back unchanged.
std::string unescapeEntry(std::string_view stored);

// Turns the bytes of a legacy store, written in the system's single-byte
// ANSI code page, into UTF-8.
using LegacyDecoder = std::string (*)(std::string_view bytes);

// Splits store bytes into entries: at every separator, each piece unescaped.
// A piece that is not valid UTF-8 is read through `legacy` first (Windows-1252
// unless the front end knows the machine's code page); a leading UTF-8
// byte-order mark is dropped; a file with a UTF-16 byte-order mark is read as
// UTF-16. At most `maxPieces` pieces are returned (the trailing line end is a
// piece of its own).
std::vector<std::string> decodeStore(std::string_view bytes, std::size_t maxPieces = SIZE_MAX,
                                     LegacyDecoder legacy = nullptr);

// False when decoding the bytes converts some of them (UTF-16, legacy code
// page), so that saving the entries again would not give the same bytes.
bool decodesLosslessly(std::string_view bytes);

} // namespace tarnquill
