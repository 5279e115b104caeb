// SPDX-License-Identifier: MIT
#include "platform/linux/registry/RegistryNames.h"

#include <algorithm>
#include <clocale>
#include <cwctype>
#include <locale.h>

namespace tarnquill::registry {

namespace {

// glibc's C.UTF-8 locale carries the full simple case mappings whatever the
// user's own locale is, so names fold alike in every process.
locale_t utf8Locale()
{
    static const locale_t locale = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        return l;
    }();
    return locale;
}

// Decodes one UTF-8 sequence at text[i]; returns its length, or 0 when the
// bytes there are not a valid, shortest-form sequence.
std::size_t decodeUtf8(std::string_view text, std::size_t i, char32_t& out)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length;
    char32_t value;
    if (lead < 0x80)
        return out = lead, 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2, value = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3, value = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4, value = lead & 0x07;
    else
        return 0;
    if (i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (byte(i + k) & 0x3F);
    }
    const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
    if (overlong || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    out = value;
    return length;
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

char32_t upper(char32_t c)
{
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') ? c - ('a' - 'A') : c;
    const locale_t locale = utf8Locale();
    if (locale == static_cast<locale_t>(nullptr))
        return c;
    const wint_t mapped = towupper_l(static_cast<wint_t>(c), locale);
    // Windows maps one UTF-16 unit to one; keep characters whose upper case
    // would leave the plane they are in (none today, but the table may grow).
    if ((c < 0x10000) != (static_cast<char32_t>(mapped) < 0x10000))
        return c;
    return static_cast<char32_t>(mapped);
}

std::size_t characterCount(std::string_view text)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size();) {
        char32_t c;
        const std::size_t length = decodeUtf8(text, i, c);
        i += length == 0 ? 1 : length;
        ++count;
    }
    return count;
}

} // namespace

std::string foldName(std::string_view name)
{
    std::string folded;
    folded.reserve(name.size());
    for (std::size_t i = 0; i < name.size();) {
        char32_t c;
        const std::size_t length = decodeUtf8(name, i, c);
        if (length == 0) {
            folded += name[i];
            ++i;
            continue;
        }
        appendUtf8(folded, upper(c));
        i += length;
    }
    return folded;
}

KeyPath splitKeyPath(std::string_view path)
{
    KeyPath result;
    if (!path.empty() && path.front() == '\\') {
        result.status = ERROR_BAD_PATHNAME;
        return result;
    }
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        const std::string_view component = path.substr(start, end - start);
        if (!component.empty()) {
            if (characterCount(component) > kMaxKeyNameLength) {
                result.status = ERROR_INVALID_PARAMETER;
                result.components.clear();
                return result;
            }
            result.components.emplace_back(component);
        }
        start = end + 1;
    }
    return result;
}

} // namespace tarnquill::registry
