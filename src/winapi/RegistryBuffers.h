// SPDX-License-Identifier: MIT
#pragma once

// The buffer rules of the seam's registry functions, which every backend of
// the seam keeps alike: a buffer is the caller's std::string with a size
// claimed beside it, and the A functions' habits with NULs and string types.

#include "winapi/Win32Types.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnquill::registry {

// REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ: the types whose data is text.
bool isStringType(DWORD type);

// What a buffer can take: the smaller of its length and the size the caller
// claims, so no claim makes a backend write past the string.
std::size_t capacityOf(const std::string& buffer, DWORD claimed);

// The system's A functions end a string value stored without its NUL with one
// when the buffer has room (not counted in the size); a caller that looks for
// the NUL, as the utility class does, finds it on every backend.
void endStringData(DWORD type, std::string& buffer, std::size_t capacity, std::size_t length);

// Writing cbData bytes of `data` would read past the caller's bytes: the
// backends refuse with ERROR_INVALID_PARAMETER rather than read on.
inline bool claimsTooMuch(std::string_view data, DWORD cbData)
{
    return cbData > data.size();
}

// A 32-bit value as its four stored bytes, least significant first, and back
// (missing bytes of a short buffer count as 0).
std::string dwordBytes(std::uint32_t value);
std::uint32_t dwordOf(std::string_view bytes);

} // namespace tarnquill::registry
