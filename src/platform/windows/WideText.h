// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Text between the program (UTF-8) and the W functions (UTF-16). No Windows
// header here: wchar_t is the system's 16-bit unit on Windows.
namespace tarnquill::wide {

// Every byte of `text`, NULs included, as UTF-16. Text that is not valid UTF-8
// is read in the ANSI code page: bytes from an older, single-byte file or
// registry reach the system as the characters they were written as, not as
// U+FFFD.
std::wstring fromUtf8(std::string_view text);

// Bytes in the system's ANSI code page (GetACP), as UTF-8.
std::string ansiToUtf8(std::string_view bytes);

// Every unit of `text`, NULs included, as UTF-8 (a lone surrogate becomes U+FFFD).
std::string toUtf8(std::wstring_view text);

// The text up to its first NUL (a system reply in a fixed buffer), as UTF-8.
std::string toUtf8UpToNul(const wchar_t* text, std::size_t capacity);

// For an optional text argument: the UTF-16 form, or nothing for NULL.
std::optional<std::wstring> fromUtf8Optional(const std::optional<std::string>& text);

// nullptr for an absent text, else the string's NUL-terminated characters.
inline const wchar_t* pointerOrNull(const std::optional<std::wstring>& text)
{
    return text ? text->c_str() : nullptr;
}

// The longest prefix of `text` of at most `limit` bytes that ends on a
// character boundary, so that a cut reply never ends in half a character.
std::string_view cutAtCharacter(std::string_view text, std::size_t limit);

} // namespace tarnquill::wide
