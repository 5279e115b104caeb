// SPDX-License-Identifier: MIT
#pragma once

// The value types of CWinAPI's interface and the run-time errors its members
// raise. Widths are part of the interface: a property is an int16 and
// overflows like one, a truth value is a 16-bit -1 or 0.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <variant>

namespace tarnquill {

// A 16-bit truth value: true is -1, false is 0; any non-zero value counts as
// true where a member asks "is it true", and some members ask "is it exactly
// -1" instead (their comments say so).
using Bool16 = std::int16_t;
inline constexpr Bool16 kTrue = -1;
inline constexpr Bool16 kFalse = 0;

// A dynamically typed value: empty, a number or a text (UTF-8).
using Variant = std::variant<std::monostate, double, std::int16_t, std::int32_t, std::string>;

// A run-time error that ends a member and reaches its caller unchanged; the
// number tells which. Members never catch it (except where a member's comment
// says it ignores errors).
class RuntimeError : public std::runtime_error {
public:
    static constexpr int kInvalidArgument = 5;
    static constexpr int kOverflow = 6;
    static constexpr int kDivisionByZero = 11;
    static constexpr int kTypeMismatch = 13;
    static constexpr int kFileNotFound = 53;
    static constexpr int kObjectNotSet = 91;

    explicit RuntimeError(int number);
    int number() const { return m_number; }

private:
    int m_number;
};

// A picture object (an icon or a bitmap). Its default value is its platform
// handle; a picture that was never set stands for no object at all, and asking
// it for its value raises an object-not-set error.
class Picture final {
public:
    Picture() = default; // no object
    explicit Picture(std::int32_t handle)
        : m_handle(handle)
        , m_set(true)
    {
    }

    bool isSet() const { return m_set; }
    // The handle; RuntimeError(kObjectNotSet) when no object is set.
    std::int32_t value() const;

private:
    std::int32_t m_handle = 0;
    bool m_set = false;
};

// To the nearest whole number, halves to the even neighbour (2.5 -> 2,
// 3.5 -> 4, -2.5 -> -2). Written out rather than left to the floating-point
// environment's rounding mode, which another library may have changed.
double roundHalfEven(double value);

// Rounded as above, then range-checked: RuntimeError(kOverflow) when the
// result does not fit (NaN never fits).
std::int16_t toInt16(double value);
std::int32_t toInt32(double value);

// A variant as a number: empty is 0, a text must read as a number
// (RuntimeError(kTypeMismatch) otherwise; blanks around it are allowed).
double toDouble(const Variant& value);
// A variant as an int32, rounded and range-checked as toInt32.
std::int32_t toInt32(const Variant& value);
// A variant as text: empty is "", integers in decimal, doubles in their
// shortest form of up to 15 significant digits ("2.5", "1E+20").
std::string toText(const Variant& value);

} // namespace tarnquill
