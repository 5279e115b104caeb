// SPDX-License-Identifier: MIT
#include "winapi/RegistryBuffers.h"

#include <algorithm>

namespace tarnquill::registry {

bool isStringType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

std::size_t capacityOf(const std::string& buffer, DWORD claimed)
{
    return std::min<std::size_t>(buffer.size(), claimed);
}

void endStringData(DWORD type, std::string& buffer, std::size_t capacity, std::size_t length)
{
    if (isStringType(type) && length > 0 && length < capacity && buffer[length - 1] != '\0')
        buffer[length] = '\0';
}

std::string dwordBytes(std::uint32_t value)
{
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

std::uint32_t dwordOf(std::string_view bytes)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4 && i < bytes.size(); ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    return value;
}

} // namespace tarnquill::registry
