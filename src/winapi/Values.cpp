// SPDX-License-Identifier: MIT
#include "winapi/Values.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string_view>

namespace tarnquill {

namespace {

std::string describe(int number)
{
    switch (number) {
    case RuntimeError::kInvalidArgument:
        return "Invalid procedure call or argument";
    case RuntimeError::kOverflow:
        return "Overflow";
    case RuntimeError::kDivisionByZero:
        return "Division by zero";
    case RuntimeError::kTypeMismatch:
        return "Type mismatch";
    case RuntimeError::kFileNotFound:
        return "File not found";
    case RuntimeError::kObjectNotSet:
        return "Object variable not set";
    default:
        return "Run-time error";
    }
}

template <typename Int>
Int toInteger(double value)
{
    const double rounded = roundHalfEven(value);
    if (!(rounded >= static_cast<double>(std::numeric_limits<Int>::min())
          && rounded <= static_cast<double>(std::numeric_limits<Int>::max())))
        throw RuntimeError(RuntimeError::kOverflow);
    return static_cast<Int>(rounded);
}

double parseNumber(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    // from_chars also reads "inf" and "nan", which are no numbers to a user.
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(number))
        throw RuntimeError(RuntimeError::kTypeMismatch);
    return number;
}

} // namespace

RuntimeError::RuntimeError(int number)
    : std::runtime_error("Run-time error " + std::to_string(number) + ": " + describe(number))
    , m_number(number)
{
}

std::int32_t Picture::value() const
{
    if (!m_set)
        throw RuntimeError(RuntimeError::kObjectNotSet);
    return m_handle;
}

double roundHalfEven(double value)
{
    if (!std::isfinite(value))
        return value;
    const double floor = std::floor(value);
    const double fraction = value - floor;
    if (fraction < 0.5)
        return floor;
    if (fraction > 0.5)
        return floor + 1;
    return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

std::int16_t toInt16(double value)
{
    return toInteger<std::int16_t>(value);
}

std::int32_t toInt32(double value)
{
    return toInteger<std::int32_t>(value);
}

double toDouble(const Variant& value)
{
    struct Visitor {
        double operator()(std::monostate) const { return 0; }
        double operator()(double v) const { return v; }
        double operator()(std::int16_t v) const { return v; }
        double operator()(std::int32_t v) const { return v; }
        double operator()(const std::string& v) const { return parseNumber(v); }
    };
    return std::visit(Visitor{}, value);
}

std::int32_t toInt32(const Variant& value)
{
    return toInt32(toDouble(value));
}

std::string toText(const Variant& value)
{
    struct Visitor {
        std::string operator()(std::monostate) const { return {}; }
        std::string operator()(double v) const
        {
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, "%.15G", v);
            return buffer;
        }
        std::string operator()(std::int16_t v) const { return std::to_string(v); }
        std::string operator()(std::int32_t v) const { return std::to_string(v); }
        std::string operator()(const std::string& v) const { return v; }
    };
    return std::visit(Visitor{}, value);
}

} // namespace tarnquill
