// SPDX-License-Identifier: MIT
#include "tools/ToolValues.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

namespace tarnquill::tool {

namespace {

// A whole number in decimal (optionally signed) or 0x hex. Hex gives the bit
// pattern as an unsigned number, which the caller narrows to its width.
struct Integer {
    std::int64_t value = 0;
    bool hex = false;
};

Integer parseInteger(std::string_view word)
{
    Integer result;
    std::string_view digits = word;
    bool negative = false;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        result.hex = true;
        digits.remove_prefix(2);
    } else if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) {
        negative = digits[0] == '-';
        digits.remove_prefix(1);
    }
    // from_chars would take a second sign; digits only from here on.
    if (digits.empty() || digits[0] == '-' || digits[0] == '+')
        throw BadArgument("is not a whole number");
    std::uint64_t magnitude = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), magnitude, result.hex ? 16 : 10);
    if (end != digits.data() + digits.size())
        throw BadArgument("is not a whole number");
    if (error != std::errc() || magnitude > 0xFFFFFFFFull)
        throw BadArgument("is out of range");
    result.value = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    return result;
}

// Decimal within [min, max]; hex up to the width's all-ones pattern, taken as
// that pattern (two's complement).
template <typename Int>
Int parseSized(std::string_view word)
{
    const Integer number = parseInteger(word);
    using Unsigned = std::make_unsigned_t<Int>;
    if (number.hex) {
        if (number.value > static_cast<std::int64_t>(std::numeric_limits<Unsigned>::max()))
            throw BadArgument("is out of range");
        return static_cast<Int>(static_cast<Unsigned>(number.value));
    }
    if (number.value < std::numeric_limits<Int>::min() || number.value > std::numeric_limits<Int>::max())
        throw BadArgument("is out of range");
    return static_cast<Int>(number.value);
}

double parseReal(std::string_view word)
{
    std::string_view digits = word;
    if (!digits.empty() && digits[0] == '+')
        digits.remove_prefix(1);
    double number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    // from_chars also reads "inf" and "nan", which no member means.
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || !std::isfinite(number))
        throw BadArgument("is not a number");
    return number;
}

constexpr std::pair<std::string_view, HKEY> kRootKeys[] = {
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {"HKCR", HKEY_CLASSES_ROOT},
    {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKCU", HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKLM", HKEY_LOCAL_MACHINE},
    {"HKEY_USERS", HKEY_USERS},
    {"HKU", HKEY_USERS},
    {"HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA},
    {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
    {"HKCC", HKEY_CURRENT_CONFIG},
    {"HKEY_DYN_DATA", HKEY_DYN_DATA},
};

Value parseVariant(std::string_view word)
{
    if (word == "@empty")
        return Value(std::in_place_type<tarnquill::Variant>);
    try {
        return Value(std::in_place_type<tarnquill::Variant>, parseSized<std::int32_t>(word));
    } catch (const BadArgument&) {
    }
    try {
        return Value(std::in_place_type<tarnquill::Variant>, parseReal(word));
    } catch (const BadArgument&) {
    }
    return Value(std::in_place_type<tarnquill::Variant>, std::string(word));
}

// The length of the valid UTF-8 sequence at the start of `text`, 0 when it
// does not start with one (overlong forms, surrogates and code points above
// U+10FFFF are not valid).
std::size_t utf8SequenceLength(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    std::uint32_t codePoint = 0;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (byte(i) & 0x3F);
    }
    constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (codePoint < kSmallest[length] || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return length;
}

std::string hexByte(const char* prefix, unsigned char byte)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%s%02X", prefix, byte);
    return buffer;
}

// Texts escaped for people or for JSON: the two differ only in how they show
// a byte that is not printable text.
std::string quoted(std::string_view bytes, bool json)
{
    std::string result = "\"";
    while (!bytes.empty()) {
        const unsigned char c = static_cast<unsigned char>(bytes[0]);
        const std::size_t length = utf8SequenceLength(bytes);
        if (length > 1) {
            result.append(bytes.substr(0, length));
            bytes.remove_prefix(length);
            continue;
        }
        bytes.remove_prefix(1);
        switch (c) {
        case '"':
            result += "\\\"";
            break;
        case '\\':
            result += "\\\\";
            break;
        case '\n':
            result += "\\n";
            break;
        case '\r':
            result += "\\r";
            break;
        case '\t':
            result += "\\t";
            break;
        default:
            if (length == 1 && c >= 0x20 && c != 0x7F)
                result += static_cast<char>(c);
            else
                result += hexByte(json ? "\\u00" : "\\x", c);
        }
    }
    result += '"';
    return result;
}

template <typename Real>
std::string shortest(Real value)
{
    std::array<char, 64> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return error == std::errc() ? std::string(buffer.data(), end) : std::string("?");
}

std::string formatNumber(double value, bool json)
{
    if (!std::isfinite(value))
        return json ? "null" : shortest(value);
    return shortest(value);
}

std::string formatVariant(const tarnquill::Variant& value, bool json)
{
    struct Visitor {
        bool json;
        std::string operator()(std::monostate) const { return json ? "null" : "Empty"; }
        std::string operator()(double v) const { return formatNumber(v, json); }
        std::string operator()(std::int16_t v) const { return std::to_string(v); }
        std::string operator()(std::int32_t v) const { return std::to_string(v); }
        std::string operator()(const std::string& v) const { return quoted(v, json); }
    };
    return std::visit(Visitor{json}, value);
}

std::string format(Type type, const Value& value, bool json)
{
    if (std::holds_alternative<std::monostate>(value))
        return json ? "null" : "None";
    if (type == Type::Boolean) {
        const std::int16_t flag = std::get<std::int16_t>(value);
        if (flag == kTrue || flag == kFalse)
            return flag == kTrue ? "true" : "false";
        return std::to_string(flag);
    }
    struct Visitor {
        bool json;
        std::string operator()(std::monostate) const { return json ? "null" : "None"; }
        std::string operator()(std::int32_t v) const { return std::to_string(v); }
        std::string operator()(std::int16_t v) const { return std::to_string(v); }
        std::string operator()(std::uint8_t v) const { return std::to_string(v); }
        std::string operator()(float v) const
        {
            return std::isfinite(v) ? shortest(v) : formatNumber(v, json);
        }
        std::string operator()(double v) const { return formatNumber(v, json); }
        std::string operator()(const std::string& v) const { return quoted(v, json); }
        std::string operator()(const tarnquill::Variant& v) const { return formatVariant(v, json); }
        std::string operator()(const Picture& v) const
        {
            return v.isSet() ? std::to_string(v.value()) : (json ? "null" : "Nothing");
        }
    };
    return std::visit(Visitor{json}, value);
}

} // namespace

bool sameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::string_view typeName(Type type)
{
    switch (type) {
    case Type::Int32:
        return "int32";
    case Type::Int16:
        return "int16";
    case Type::UInt8:
        return "uint8";
    case Type::Boolean:
        return "boolean";
    case Type::Single:
        return "single";
    case Type::Double:
        return "double";
    case Type::String:
        return "string";
    case Type::Variant:
        return "variant";
    case Type::Picture:
        return "picture";
    case Type::Key:
        return "key";
    case Type::ListBox:
        return "listbox";
    }
    return "?";
}

Value defaultValue(Type type)
{
    switch (type) {
    case Type::Int32:
    case Type::Key:
    case Type::ListBox:
        return std::int32_t{0};
    case Type::Int16:
    case Type::Boolean:
        return std::int16_t{0};
    case Type::UInt8:
        return std::uint8_t{0};
    case Type::Single:
        return 0.0f;
    case Type::Double:
        return 0.0;
    case Type::String:
        return std::string();
    case Type::Variant:
        return Value(std::in_place_type<tarnquill::Variant>);
    case Type::Picture:
        return Picture{};
    }
    return {};
}

Value parseValue(Type type, std::string_view word)
{
    switch (type) {
    case Type::Key:
        for (const auto& [name, key] : kRootKeys) {
            if (sameIgnoringCase(word, name))
                return key;
        }
        return parseSized<std::int32_t>(word);
    case Type::Int32:
    case Type::ListBox:
        return parseSized<std::int32_t>(word);
    case Type::Int16:
        return parseSized<std::int16_t>(word);
    case Type::UInt8: {
        const Integer number = parseInteger(word);
        if (number.value < 0 || number.value > 0xFF)
            throw BadArgument("is out of range");
        return static_cast<std::uint8_t>(number.value);
    }
    case Type::Boolean:
        if (sameIgnoringCase(word, "true") || word == "-1")
            return kTrue;
        if (sameIgnoringCase(word, "false") || word == "0")
            return kFalse;
        throw BadArgument("is not true, false, -1 or 0");
    case Type::Single: {
        const double number = parseReal(word);
        if (std::fabs(number) > std::numeric_limits<float>::max())
            throw BadArgument("is out of range");
        return static_cast<float>(number);
    }
    case Type::Double:
        return parseReal(word);
    case Type::String:
        return std::string(word);
    case Type::Variant:
        return parseVariant(word);
    case Type::Picture:
        if (word == "@nothing")
            return Picture{};
        return Picture(parseSized<std::int32_t>(word));
    }
    throw BadArgument("has an unknown type");
}

std::string formatHuman(Type type, const Value& value)
{
    return format(type, value, false);
}

std::string formatJson(Type type, const Value& value)
{
    return format(type, value, true);
}

std::string jsonString(std::string_view bytes)
{
    return quoted(bytes, true);
}

} // namespace tarnquill::tool
