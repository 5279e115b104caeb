// SPDX-License-Identifier: MIT
#include "RecordingWin32Api.h"

#include "winapi/Values.h"

#include <gtest/gtest.h>

#include <limits>
#include <tuple>
#include <utility>

namespace tarnquill {
namespace {

TEST(RoundHalfEven, GoesToTheNearestAndHalvesToTheEvenNeighbour)
{
    for (const auto& [in, out] : {std::pair{0.5, 0.0}, {1.5, 2.0}, {2.5, 2.0}, {3.5, 4.0}, {-0.5, 0.0}, {-1.5, -2.0},
                                  {-2.5, -2.0}, {2.4999999, 2.0}, {2.5000001, 3.0}, {-7.6, -8.0}, {7717.5, 7718.0},
                                  {7718.5, 7718.0}})
        EXPECT_EQ(roundHalfEven(in), out) << in;
}

TEST(IntegerRange, OverflowsExactlyWhenTheRoundedValueDoesNotFit)
{
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    // The value, whether it fits an Int16, whether it fits an Int32.
    for (const auto& [in, fitsInt16, fitsInt32] :
         {std::tuple{32767.4, true, true}, {32767.5, false, true}, {-32768.5, true, true}, // rounds to the even -32768
          {-32769.0, false, true}, {2147483647.4, false, true}, {2147483647.5, false, false},
          {-2147483648.5, false, true}, {nan, false, false}, {inf, false, false}}) {
        EXPECT_EQ(testing::runtimeErrorOf([&] { toInt16(in); }), fitsInt16 ? 0 : RuntimeError::kOverflow) << in;
        EXPECT_EQ(testing::runtimeErrorOf([&] { toInt32(in); }), fitsInt32 ? 0 : RuntimeError::kOverflow) << in;
    }
}

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
