// SPDX-License-Identifier: MIT
#include "history/TextEncoding.h"

#include <gtest/gtest.h>

namespace tarnquill {
namespace {

TEST(TextEncoding, Utf8Validation)
{
    EXPECT_TRUE(isValidUtf8("plain ascii, long enough to use the fast path"));
    EXPECT_TRUE(isValidUtf8("\xF0\x9F\x98\x80 \xE2\x82\xAC \xC3\xA9"));
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));         // overlong
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80")); // past U+10FFFF
    EXPECT_FALSE(isValidUtf8("abc\xE2\x82"));      // cut short
    EXPECT_FALSE(isValidUtf8("12345678\xE9"));
}

TEST(TextEncoding, Windows1252IsReadWithoutLoss)
{
    EXPECT_EQ(windows1252ToUtf8("caf\xE9 \x80 \x93q\x94"), "caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D");
    // The bytes the code page leaves undefined become the C1 controls.
    EXPECT_EQ(windows1252ToUtf8("\x81\x8D\x8F\x90\x9D\xFF"), "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D\xC3\xBF");
}

TEST(TextEncoding, ListRowsShowTheFirstTenCharacters)
{
    EXPECT_EQ(firstCharacters("short", 10), "short");
    EXPECT_EQ(firstCharacters("0123456789abc", 10), "0123456789");
    EXPECT_EQ(firstCharacters("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xF0\x9F\x98\x80xyz", 10),
              "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xF0\x9F\x98\x80");
}

} // namespace
} // namespace tarnquill
