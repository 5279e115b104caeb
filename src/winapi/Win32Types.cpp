// SPDX-License-Identifier: MIT
#include "winapi/Win32Types.h"

#include <algorithm>
#include <cstring>

namespace tarnquill {

namespace {

void putLittleEndian(std::uint8_t* out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

} // namespace

std::array<std::uint8_t, NotifyIconDataA::kSize> NotifyIconDataA::bytes() const
{
    std::array<std::uint8_t, kSize> out{};
    const std::uint32_t fields[] = {
        cbSize,
        static_cast<std::uint32_t>(hWnd),
        uID,
        uFlags,
        uCallbackMessage,
        static_cast<std::uint32_t>(hIcon),
    };
    std::size_t at = 0;
    for (const std::uint32_t field : fields) {
        putLittleEndian(out.data() + at, field);
        at += 4;
    }
    std::memcpy(out.data() + at, szTip.data(), kTipSize);
    return out;
}

std::string_view NotifyIconDataA::tip() const
{
    const auto end = std::find(szTip.begin(), szTip.end(), '\0');
    return {szTip.data(), static_cast<std::size_t>(end - szTip.begin())};
}

} // namespace tarnquill
