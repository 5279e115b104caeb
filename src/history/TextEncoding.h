// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

namespace tarnquill {

// The byte-order mark of UTF-8, which some editors put in front of a file.
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// Whether the bytes are UTF-8: no overlong forms, surrogates or values past
// U+10FFFF, no character cut short.
bool isValidUtf8(std::string_view bytes);

// Windows-1252 bytes as UTF-8; the five bytes the code page leaves undefined
// become the C1 controls of the same number, as Windows converts them.
std::string windows1252ToUtf8(std::string_view bytes);

// Whether the bytes begin with a UTF-16 byte-order mark, in either byte order.
bool hasUtf16ByteOrderMark(std::string_view bytes);

// UTF-16 that begins with its byte-order mark (dropped) as UTF-8; an unpaired
// surrogate becomes U+FFFD, an odd last byte is dropped.
std::string utf16ToUtf8(std::string_view bytes);

// The first `count` characters (code points) of UTF-8 text, as a list row shows them.
std::string_view firstCharacters(std::string_view utf8, std::size_t count);

} // namespace tarnquill
