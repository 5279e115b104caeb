#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
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

// The escaped form of one entry (the entry itself when it needs no escape).
std::string escapeEntry(std::string_view text);
// Undoes escapeEntry; text without the escape byte comes back unchanged.
std::string unescapeEntry(std::string_view stored);

// Turns the bytes of a legacy store, written in the system's single-byte
// ANSI code page, into UTF-8.
using LegacyDecoder = std::string (*)(std::string_view bytes);

// Splits store bytes into entries: at every separator, each piece unescaped.
// Bytes that are not valid UTF-8 are read through `legacy` first (Windows-1252
// unless the front end knows the machine's code page); a leading UTF-8
// byte-order mark is dropped. At most `maxPieces` pieces are returned (the
// trailing line end is a piece of its own).
std::vector<std::string> decodeStore(std::string_view bytes, std::size_t maxPieces = SIZE_MAX,
                                     LegacyDecoder legacy = nullptr);

// Encoding helpers, exposed for tests.
bool isValidUtf8(std::string_view bytes);
std::string windows1252ToUtf8(std::string_view bytes);

// The first `count` characters (code points) of UTF-8 text, as a list row shows them.
std::string_view firstCharacters(std::string_view utf8, std::size_t count);

} // namespace tarnquill
