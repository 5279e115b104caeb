// SPDX-License-Identifier: MIT
#pragma once

// The values tarnquill-winapi reads from its command line and prints back:
// one kind per type word of CWinAPI's signatures, how a word on the command
// line becomes such a value, and how a value is shown to people and in JSON.

#include "winapi/Values.h"
#include "winapi/Win32Types.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>

namespace tarnquill::tool {

// The type of an argument or a result. Key and ListBox are int32 arguments
// that also take a root key's name or the word @list1 / @list2; Boolean is a
// 16-bit truth value (true -1, false 0).
enum class Type { Int32, Int16, UInt8, Boolean, Single, Double, String, Variant, Picture, Key, ListBox };

// The storage of one argument or result, in the C++ type the member takes.
// Int32, Key and ListBox share int32; Int16 and Boolean share int16.
using Value = std::variant<std::monostate, std::int32_t, std::int16_t, std::uint8_t, float, double, std::string,
                           tarnquill::Variant, Picture>;

// A command-line word that does not read as the argument's type. The message
// says why, without the argument's name, which the caller adds.
class BadArgument : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// ASCII letters compared without regard to case (member and root-key names).
bool sameIgnoringCase(std::string_view a, std::string_view b);

// The type word shown in signatures ("int32", "boolean", "key", ...).
std::string_view typeName(Type type);

// An empty value of the type: what an omitted optional argument is ("" for a
// text, false, 0, an empty variant, no picture).
Value defaultValue(Type type);

// Reads one word as a value of the type; throws BadArgument. ListBox words
// starting with '@' are the caller's business (they name a list box): this
// reads only numbers for them.
//   Int32, Key, ListBox: decimal (-2147483648..2147483647) or 0x hex up to
//     0xFFFFFFFF, taken as its 32-bit pattern (0x80000001 is HKEY_CURRENT_USER);
//     Key also takes HKEY_CLASSES_ROOT, HKCR, HKEY_CURRENT_USER, HKCU,
//     HKEY_LOCAL_MACHINE, HKLM, HKEY_USERS, HKU, HKEY_PERFORMANCE_DATA,
//     HKEY_CURRENT_CONFIG, HKCC, HKEY_DYN_DATA (any letter case).
//   Int16: decimal in range, or hex up to 0xFFFF; UInt8: 0..255 or 0x00..0xFF.
//   Boolean: true, false, -1, 0 (any letter case).
//   Single, Double: a decimal number ("1.5", "-2", "1e3"), finite.
//   String: the word as it stands, bytes and all.
//   Variant: @empty for an empty variant; a whole number that fits an int32
//     is an int32, another number a double, any other word a text.
//   Picture: a handle number, or @nothing for no picture object.
Value parseValue(Type type, std::string_view word);

// For people: numbers in decimal, truth values as true/false, texts in double
// quotes with \" \\ \r \n \t escaped and bytes that are control characters or
// not UTF-8 as \xNN, an empty variant as Empty, no picture as Nothing.
std::string formatHuman(Type type, const Value& value);

// As a JSON value: numbers as numbers (a non-finite one as null), truth
// values as true/false (another 16-bit value as its number), texts as JSON
// strings, an empty variant or no picture as null.
std::string formatJson(Type type, const Value& value);

// A JSON string literal of arbitrary bytes: valid UTF-8 stays as it is
// (control characters escaped), each byte that is not part of a valid UTF-8
// sequence becomes \u00XX.
std::string jsonString(std::string_view bytes);

} // namespace tarnquill::tool
