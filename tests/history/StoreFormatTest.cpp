// SPDX-License-Identifier: MIT
#include "Fakes.h"

#include "history/StoreFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace tarnquill {
namespace {

using testing::slotsOf;

std::string separators(std::size_t count)
{
    std::string out;
    for (std::size_t i = 0; i < count; ++i)
        out += HistorySeparator;
    return out;
}

const std::string kSep(HistorySeparator);

TEST(StoreFormat, PlainEntriesAreWrittenAsTheyAreEachFollowedByASeparatorThenALineEnd)
{
    EXPECT_EQ(encodeStore(slotsOf({})), separators(500) + "\r\n");
    const std::string bytes = encodeStore(slotsOf({"abc", "line one\r\nline two\ttab \"q\"", "", "\xC3\xA9t\xC3\xA9"}));
    EXPECT_EQ(bytes, "abc" + kSep + "line one\r\nline two\ttab \"q\"" + kSep + kSep + "\xC3\xA9t\xC3\xA9"
                         + separators(497) + "\r\n");
}

// Entries that would not come back whole are escaped; near misses are not.
struct EscapeCase {
    const char* name;
    std::string text;
    std::string stored;
};

class EntryEscape : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(EntryEscape, StoredFormAndRoundTrip)
{
    const auto& c = GetParam();
    EXPECT_EQ(escapeEntry(c.text), c.stored);
    EXPECT_EQ(unescapeEntry(c.stored), c.text);

    // Whole store: the entry and its neighbours come back in their slots.
    const auto pieces = decodeStore(encodeStore(slotsOf({"before", c.text, "after"})));
    ASSERT_EQ(pieces.size(), 501u);
    EXPECT_EQ(std::vector(pieces.begin(), pieces.begin() + 3), (std::vector<std::string>{"before", c.text, "after"}));
    EXPECT_EQ(pieces[500], "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EntryEscape,
    ::testing::Values(
        EscapeCase{"Plain", "hello", "hello"},
        EscapeCase{"HoldsSeparator", "a" + kSep + "b", "a\x10Sb"},
        EscapeCase{"IsSeparator", kSep, "\x10S"},
        EscapeCase{"TwoOverlapping", kSep + kSep.substr(2), "\x10S" + kSep.substr(2)},
        EscapeCase{"EscapeByte", "x\x10y", "x\x10\x10y"},
        EscapeCase{"EscapeByteThenS", "\x10S", "\x10\x10S"},
        EscapeCase{"EndsInFirst19", "tail " + kSep.substr(0, 19), "tail " + kSep.substr(0, 19) + "\x10" "E"},
        EscapeCase{"EndsInFirst18", kSep.substr(0, 18), kSep.substr(0, 18) + "\x10" "E"},
        // Seventeen or fewer characters cannot join the next separator early.
        EscapeCase{"EndsInFirst17", "x" + kSep.substr(0, 17), "x" + kSep.substr(0, 17)},
        EscapeCase{"EndsInPipes", "a||", "a||"},
        EscapeCase{"SeparatorThenItsStart", kSep + kSep.substr(0, 19), "\x10S" + kSep.substr(0, 19) + "\x10" "E"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StoreFormat, RandomTextsRoundTrip)
{
    // Texts built from pieces of the separator and the escape characters find
    // the awkward overlaps far faster than arbitrary bytes would.
    const std::vector<std::string> parts = {kSep, kSep.substr(0, 18), kSep.substr(0, 19), kSep.substr(2), "|", "||",
                                            "\x10", "S", "E", "\x10S", "\x10" "E", "a", "\r\n", "\xC3\xA9", "\xE2\x82\xAC"};
    std::mt19937 random(20261206);
    for (int round = 0; round < 40; ++round) {
        std::array<SharedText, kHistorySlots> slots;
        for (auto& slot : slots) {
            std::string text;
            const int length = std::uniform_int_distribution<>(0, 8)(random);
            for (int k = 0; k < length; ++k)
                text += parts[std::uniform_int_distribution<std::size_t>(0, parts.size() - 1)(random)];
            slot = std::make_shared<const std::string>(text);
        }
        const auto pieces = decodeStore(encodeStore(slots));
        ASSERT_EQ(pieces.size(), kHistorySlots + 1);
        for (std::size_t i = 0; i < kHistorySlots; ++i)
            ASSERT_EQ(pieces[i], *slots[i]) << "round " << round << " slot " << i;
    }
}

// Files written by other means split at every separator; of more than 500
// records only the first are kept; an escape byte followed by anything else
// stays as it is. The encoding is decided per record.
TEST(StoreFormat, FilesWrittenByOtherMeans)
{
    EXPECT_EQ(decodeStore("no separator\r\n"), std::vector<std::string>{"no separator\r\n"});
    EXPECT_EQ(decodeStore("a" + kSep + "b" + kSep), (std::vector<std::string>{"a", "b", ""}));
    EXPECT_EQ(decodeStore(separators(700) + "\r\n", kHistorySlots).size(), kHistorySlots);
    EXPECT_EQ(decodeStore("x\x10qy\x10"), std::vector<std::string>{"x\x10qy\x10"});

    const std::string utf8 = "na\xC3\xAFve caf\xC3\xA9 \xE2\x80\x94 \xE6\x97\xA5 \xF0\x9F\x98\x80";
    const auto pieces = decodeStore(utf8 + kSep + "\xFF" + kSep + "cut \xE6\x97");
    EXPECT_EQ(pieces, (std::vector<std::string>{utf8, "\xC3\xBF", "cut \xC3\xA6\xE2\x80\x94"}));
    EXPECT_FALSE(decodesLosslessly(utf8 + kSep + "\xFF"));
    EXPECT_TRUE(decodesLosslessly("\xEF\xBB\xBF" + utf8));

    // A reader drops one byte-order mark at the start: a first entry that
    // begins with one keeps it.
    const auto bom = decodeStore(encodeStore(slotsOf({"\xEF\xBB\xBF" "first", "\xEF\xBB\xBFsecond"})), 2);
    EXPECT_EQ(bom, (std::vector<std::string>{"\xEF\xBB\xBF" "first", "\xEF\xBB\xBFsecond"}));
}

TEST(StoreFormat, AFileWithAUtf16ByteOrderMarkIsReadAsUtf16)
{
    // "h\u00e9" separator U+1F600, in both byte orders.
    std::string little("\xFF\xFEh\0\xE9\0", 6);
    std::string big("\xFE\xFF\0h\0\xE9", 6);
    for (const char c : kSep) {
        little += std::string{c, '\0'};
        big += std::string{'\0', c};
    }
    little += std::string("\x3D\xD8\x00\xDE", 4);
    big += std::string("\xD8\x3D\xDE\x00", 4);
    const std::vector<std::string> expected = {"h\xC3\xA9", "\xF0\x9F\x98\x80"};
    EXPECT_EQ(decodeStore(little), expected);
    EXPECT_EQ(decodeStore(big), expected);
    EXPECT_FALSE(decodesLosslessly(little));
}

// A store that is not UTF-8 is read in the code page the front end names (the
// machine's ANSI code page on Windows); valid UTF-8 never goes through it.
TEST(StoreFormatLegacy, NonUtf8StoreIsReadThroughTheGivenCodePage)
{
    const LegacyDecoder marking = [](std::string_view bytes) {
        std::string text(bytes);
        std::ranges::replace_if(text, [](char c) { return static_cast<unsigned char>(c) >= 0x80; }, '#');
        return text;
    };
    EXPECT_EQ(decodeStore("caf\xE9||!o@!@#w@#$!@#$%z||", SIZE_MAX, marking).front(), "caf#");
    EXPECT_EQ(decodeStore("caf\xC3\xA9||!o@!@#w@#$!@#$%z||", SIZE_MAX, marking).front(), "caf\xC3\xA9");
    EXPECT_EQ(decodeStore("caf\xE9||!o@!@#w@#$!@#$%z||").front(), "caf\xC3\xA9") << "Windows-1252 by default";
}

} // namespace
} // namespace tarnquill
