// SPDX-License-Identifier: MIT
#include "RecordingWin32Api.h"

#include "winapi/Values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tarnquill {
namespace {

struct RoundCase {
    double in;
    double out;
};

class RoundHalfEven : public ::testing::TestWithParam<RoundCase> {};

TEST_P(RoundHalfEven, GoesToTheNearestAndHalvesToTheEvenNeighbour)
{
    EXPECT_EQ(roundHalfEven(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(Values, RoundHalfEven,
                         ::testing::Values(RoundCase{0.5, 0}, RoundCase{1.5, 2}, RoundCase{2.5, 2},
                                           RoundCase{3.5, 4}, RoundCase{-0.5, 0}, RoundCase{-1.5, -2},
                                           RoundCase{-2.5, -2}, RoundCase{2.4999999, 2}, RoundCase{2.5000001, 3},
                                           RoundCase{-7.6, -8}, RoundCase{7717.5, 7718}, RoundCase{7718.5, 7718}));

struct RangeCase {
    double in;
    bool fitsInt16;
    bool fitsInt32;
};

class IntegerRange : public ::testing::TestWithParam<RangeCase> {};

TEST_P(IntegerRange, OverflowsExactlyWhenTheRoundedValueDoesNotFit)
{
    const double in = GetParam().in;
    EXPECT_EQ(testing::runtimeErrorOf([&] { toInt16(in); }), GetParam().fitsInt16 ? 0 : RuntimeError::kOverflow) << in;
    EXPECT_EQ(testing::runtimeErrorOf([&] { toInt32(in); }), GetParam().fitsInt32 ? 0 : RuntimeError::kOverflow) << in;
}

INSTANTIATE_TEST_SUITE_P(
    Values, IntegerRange,
    ::testing::Values(RangeCase{32767.4, true, true}, RangeCase{32767.5, false, true},
                      RangeCase{-32768.5, true, true}, // rounds to the even -32768
                      RangeCase{-32769, false, true}, RangeCase{2147483647.4, false, true},
                      RangeCase{2147483647.5, false, false}, RangeCase{-2147483648.5, false, true},
                      RangeCase{std::numeric_limits<double>::quiet_NaN(), false, false},
                      RangeCase{std::numeric_limits<double>::infinity(), false, false}));

TEST(VariantConversion, TextMustReadAsANumber)
{
    EXPECT_EQ(toDouble(Variant{std::string(" 150 ")}), 150);
    EXPECT_EQ(toDouble(Variant{std::string("-2.5e1")}), -25);
    EXPECT_EQ(toDouble(Variant{}), 0);
    for (const char* text : {"", "abc", "12abc", "inf", "nan", "1 2"})
        EXPECT_EQ(testing::runtimeErrorOf([&] { toDouble(Variant{std::string(text)}); }), RuntimeError::kTypeMismatch)
            << '"' << text << '"';
}

TEST(VariantConversion, ToTextUsesTheShortestForm)
{
    EXPECT_EQ(toText(Variant{}), "");
    EXPECT_EQ(toText(Variant{2.5}), "2.5");
    EXPECT_EQ(toText(Variant{150.0}), "150");
    EXPECT_EQ(toText(Variant{0.1}), "0.1");
    EXPECT_EQ(toText(Variant{1e20}), "1E+20");
    EXPECT_EQ(toText(Variant{std::int16_t{-7}}), "-7");
    EXPECT_EQ(toText(Variant{std::int32_t{123456789}}), "123456789");
}

TEST(PictureValue, AnUnsetPictureIsNoObject)
{
    EXPECT_EQ(Picture(0).value(), 0);
    EXPECT_EQ(Picture(4711).value(), 4711);
    EXPECT_EQ(testing::runtimeErrorOf([] { Picture().value(); }), RuntimeError::kObjectNotSet);
}

} // namespace
} // namespace tarnquill
