// SPDX-License-Identifier: MIT
// tarnquill-winapi's command line and outputs, over the recording seam.

#include "winapi/RecordingWin32Api.h"

#include "tools/WinApiTool.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace tarnquill::tool {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// List boxes as plain vectors; the recording seam's LB_ADDSTRING hook fills them.
class FakeListBoxes final : public ListBoxes {
public:
    HWND create() override
    {
        if (fail)
            throw std::runtime_error("no window");
        const HWND handle = 500 + static_cast<HWND>(boxes.size());
        boxes[handle] = preset;
        return handle;
    }
    std::vector<std::string> lines(HWND listBox) override { return boxes[listBox]; }

    std::map<HWND, std::vector<std::string>> boxes;
    // The lines a new box starts with.
    std::vector<std::string> preset;
    bool fail = false;
};

// ---- One word, one value --------------------------------------------------

// The word, in the type given, as JSON; nullptr: the word is refused.
TEST(ParseValueTest, ReadsOrRefusesTheWord)
{
    struct WordCase {
        Type type;
        const char* word;
        const char* json;
    };
    const WordCase cases[] = {
        // Whole numbers: decimal by range, hex by bit pattern, nothing else.
        {Type::Int32, "-2147483648", "-2147483648"}, {Type::Int32, "+7", "7"}, {Type::Int32, "0xFFFFFFFF", "-1"},
        {Type::Int32, "2147483648", nullptr}, {Type::Int32, "0x100000000", nullptr}, {Type::Int32, "-0x1", nullptr},
        {Type::Int32, "--1", nullptr}, {Type::Int32, "0x", nullptr}, {Type::Int32, "12a", nullptr},
        {Type::Int32, "", nullptr}, {Type::Int32, "99999999999999999999999", nullptr}, {Type::Int16, "0xFFFF", "-1"},
        {Type::Int16, "32768", nullptr}, {Type::UInt8, "0xff", "255"}, {Type::UInt8, "256", nullptr},
        {Type::UInt8, "-1", nullptr},
        // Root keys by name in any case, or by number.
        {Type::Key, "hkcu", "-2147483647"}, {Type::Key, "HKEY_LOCAL_MACHINE", "-2147483646"},
        {Type::Key, "0x80000000", "-2147483648"}, {Type::Key, "HKEY_NOWHERE", nullptr},
        // Truth values: the two words and the two numbers only.
        {Type::Boolean, "TRUE", "true"}, {Type::Boolean, "-1", "true"}, {Type::Boolean, "0", "false"},
        {Type::Boolean, "1", nullptr}, {Type::Single, "1.5", "1.5"}, {Type::Single, "1e39", nullptr},
        {Type::Double, "1e3", "1000"}, {Type::Double, "nan", nullptr}, {Type::Double, "inf", nullptr},
        {Type::Double, "1.5x", nullptr},
        // Variants: empty, numbers, and every other word as a text.
        {Type::Variant, "@empty", "null"}, {Type::Variant, "0x10", "16"}, {Type::Variant, "2.5", "2.5"},
        {Type::Variant, "1e400", "\"1e400\""}, {Type::Variant, "Software\\x", "\"Software\\\\x\""},
        {Type::Picture, "@nothing", "null"}, {Type::Picture, "0x162E", "5678"},
        {Type::String, "a \"b\"", "\"a \\\"b\\\"\""}};;
    for (const WordCase& c : cases) {
        if (c.json)
            EXPECT_EQ(formatJson(c.type, parseValue(c.type, c.word)), c.json) << c.word;
        else
            EXPECT_THROW(parseValue(c.type, c.word), BadArgument) << c.word;
    }
}

// ---- Texts in JSON and for people ---------------------------------------------

TEST(JsonStringTest, KeepsUtf8AndEscapesEveryOtherByte)
{
    EXPECT_EQ(jsonString("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), "\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\"");
    EXPECT_EQ(jsonString(std::string("a\0\x01\x7F\r\n\t", 7)), "\"a\\u0000\\u0001\\u007F\\r\\n\\t\"");
    // A Latin-1 byte, an overlong '/', a surrogate, a cut sequence, a code point above U+10FFFF.
    EXPECT_EQ(jsonString("\xE9"), "\"\\u00E9\"");
    EXPECT_EQ(jsonString("\xC0\xAF"), "\"\\u00C0\\u00AF\"");
    EXPECT_EQ(jsonString("\xED\xA0\x80"), "\"\\u00ED\\u00A0\\u0080\"");
    EXPECT_EQ(jsonString("\xE2\x82"), "\"\\u00E2\\u0082\"");
    EXPECT_EQ(jsonString("\xF4\x90\x80\x80"), "\"\\u00F4\\u0090\\u0080\\u0080\"");
}

TEST(FormatHumanTest, ShowsEmptyNothingAndRawBytes)
{
    EXPECT_EQ(formatHuman(Type::Variant, tarnquill::Variant{}), "Empty");
    EXPECT_EQ(formatHuman(Type::Picture, Picture{}), "Nothing");
    EXPECT_EQ(formatHuman(Type::String, std::string("x\xFFy\0", 4)), "\"x\\xFFy\\x00\"");
    EXPECT_EQ(formatHuman(Type::Boolean, std::int16_t{5}), "5");
}

// ---- Whole command lines ------------------------------------------------------------

struct ToolRun {
    int status = 0;
    std::string out;
    std::string err;
};

class WinApiToolTest : public ::testing::Test {
protected:
    ToolRun run(std::vector<std::string> args)
    {
        std::ostringstream out, err;
        const int status = runTool(args, api, lists, out, err);
        return {status, out.str(), err.str()};
    }

    testing::RecordingWin32Api api;
    FakeListBoxes lists;
};

struct LineCase {
    std::vector<std::string> args;
    int status;
    const char* out;   // exactly
    const char* err;   // a part of it
};

class WinApiToolLineTest : public WinApiToolTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(WinApiToolLineTest, StatusAndOutput)
{
    const LineCase& c = GetParam();
    const ToolRun result = run(c.args);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.out, c.out);
    EXPECT_THAT(result.err, HasSubstr(c.err));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, WinApiToolLineTest,
    ::testing::Values(
        LineCase{{"--json", "ptot", "10", "true"}, 0,
                 "{\"member\": \"PtoT\", \"result\": 150, \"out\": {}, \"lists\": {}, \"error\": null}\n", ""},
        // A by-reference argument comes back changed; for people, result first.
        LineCase{{"--json", "TryIcnRtnMsg", "7680"}, 0,
                 "{\"member\": \"TryIcnRtnMsg\", \"result\": 512, \"out\": {\"X\": 512}, \"lists\": {}, "
                 "\"error\": null}\n",
                 ""},
        LineCase{{"TryIcnRtnMsg", "7695"}, 0, "result: 513\nX: 513\n", ""},
        // A run-time error of the class: status 1, its number and description.
        LineCase{{"--json", "TtoP", "1e300"}, 1,
                 "{\"member\": \"TtoP\", \"result\": null, \"out\": {}, \"lists\": {}, "
                 "\"error\": {\"number\": 6, \"description\": \"Overflow\"}}\n",
                 ""},
        LineCase{{"TrayIcon", "2", "1", "x", "@nothing"}, 1, "", "TrayIcon: run-time error 91: Object variable not set"},
        LineCase{{"--json", "SetMousePos", "1"}, 2, "",
                 "SetMousePos takes 2 arguments, not 1; usage: SetMousePos xx:int32 yy:int32"},
        LineCase{{"PtoT", "1", "2", "3"}, 2, "", "usage: PtoT no:variant [YValue:boolean] -> variant"},
        LineCase{{"SetMousePos", "1", "x"}, 2, "", "argument 2 (yy) \"x\" is not a whole number; usage: SetMousePos"},
        LineCase{{"RegEnumKeys", "k", "@list3", "HKCU"}, 2, "", "\"@list3\" is not @list1 or @list2"},
        LineCase{{"NoSuchMember"}, 2, "", "no member named \"NoSuchMember\""},
        LineCase{{"--bogus"}, 2, "", "unknown option \"--bogus\""},
        // The user's words are quoted and escaped, never sent raw to a terminal.
        LineCase{{"No\x1B[2J\xFF"}, 2, "", "no member named \"No\\x1B[2J\\xFF\""},
        LineCase{{}, 2, "", "no member named"}));

TEST_F(WinApiToolTest, ListHelpAndVersion)
{
    const ToolRun list = run({"--list"});
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 60);
    EXPECT_THAT(list.out, HasSubstr("\nRegistryValueB sKey:string sValueName:string sValue:uint8 home:key\n"));
    EXPECT_THAT(run({"--help"}).out, HasSubstr("Exit status"));
    EXPECT_THAT(run({"--version"}).out, ::testing::StartsWith("tarnquill-winapi "));
}

// A seam that fails in a way the class does not know is reported as an
// error, never a crash.
TEST_F(WinApiToolTest, FailuresOutsideTheClassAreErrors)
{
    api.onSetCursorPos = [](int, int) -> BOOL { throw std::runtime_error("disk on fire"); };
    ToolRun result = run({"--json", "SetMousePos", "1", "2"});
    EXPECT_EQ(result.status, 1);
    EXPECT_THAT(result.out, HasSubstr("\"error\": {\"number\": null, \"description\": \"disk on fire\"}"));
    result = run({"SetMousePos", "1", "2"});
    EXPECT_EQ(result.status, 1);
    EXPECT_THAT(result.err, HasSubstr("SetMousePos: disk on fire"));

    lists.fail = true;
    result = run({"--json", "RegEnumKeys", "k", "@list1", "HKCU"});
    EXPECT_EQ(result.status, 1);
    EXPECT_THAT(result.err, HasSubstr("no window"));
}

// @list1 and @list2 make one box each, however often and in whatever order
// they are named, and only once the whole line has read well.
TEST_F(WinApiToolTest, ListBoxWordsMakeOneBoxEach)
{
    const Call call = parseCall({"RegEnumValues", "k", "@list2", "@list1", "HKCU"}, lists);
    EXPECT_EQ(std::get<std::int32_t>(call.args[1]), 500);
    EXPECT_EQ(std::get<std::int32_t>(call.args[2]), 501);
    ASSERT_EQ(call.lists.size(), 2u);
    EXPECT_EQ(call.lists[0].first, "list1");
    EXPECT_EQ(call.lists[1].first, "list2");

    const Call same = parseCall({"RegEnumValues", "k", "@list1", "@list1", "HKCU"}, lists);
    EXPECT_EQ(std::get<std::int32_t>(same.args[1]), std::get<std::int32_t>(same.args[2]));
    EXPECT_EQ(same.lists.size(), 1u);

    EXPECT_THROW(parseCall({"RegEnumValues", "k", "@list1", "@list2", "HKXX"}, lists), UsageError);
    EXPECT_EQ(lists.boxes.size(), 3u);
}

// The boxes' lines are printed after the call, whatever it did, bytes that
// are not UTF-8 included.
TEST_F(WinApiToolTest, ListBoxLinesArePrintedAfterTheCall)
{
    lists.preset = {"Software", "caf\xC3\xA9", "\xFF"};
    const ToolRun json = run({"--json", "RegEnumValues", "k", "@list2", "@list1", "HKCU"});
    EXPECT_THAT(json.out, HasSubstr("\"lists\": {\"list1\": [\"Software\", \"caf\xC3\xA9\", \"\\u00FF\"], "
                                    "\"list2\": [\"Software\", \"caf\xC3\xA9\", \"\\u00FF\"]}"));
    const ToolRun human = run({"RegEnumKeys", "k", "@list1", "HKCU"});
    EXPECT_THAT(human.out, HasSubstr("list1: 3 lines\n  \"Software\"\n  \"caf\xC3\xA9\"\n  \"\\xFF\"\n"));
}

// A batch prints, call by call, what each call prints alone; a line that
// makes no call still answers with one JSON line.
TEST_F(WinApiToolTest, BatchCallsPrintWhatEachPrintsAlone)
{
    const std::string file = ::testing::TempDir() + "tarnquill-winapi-batch.txt";
    {
        std::ofstream batch(file, std::ios::binary);
        batch << "# a comment, then a blank line\n   \n"
                 "ptot 10 true\r\n"
                 "  TtoP 1e300\n"
                 "\"TryIcnRtnMsg\" '7680'\n"
                 "SetMousePos 'a b'\\ c\"d\\\"e\\\\f\\x\" '' \n"
                 "SetMousePos 1\n"
                 "RegEnumKeys 'Soft\\ware' @list1 HKCU\n"
                 "PtoT \"unclosed\n";
    }
    const std::vector<std::vector<std::string>> calls{{"ptot", "10", "true"},
                                                      {"TtoP", "1e300"},
                                                      {"TryIcnRtnMsg", "7680"},
                                                      {"SetMousePos", "a b cd\"e\\f\\x", ""},
                                                      {"SetMousePos", "1"},
                                                      {"RegEnumKeys", "Soft\\ware", "@list1", "HKCU"}};
    lists.preset = {"one"};
    std::string alone;
    for (const auto& words : calls) {
        std::vector<std::string> args{"--json"};
        args.insert(args.end(), words.begin(), words.end());
        const ToolRun single = run(args);
        const std::string message = single.err.substr(0, single.err.size() - 1);
        alone += single.status == 2 ? "{\"exit\": 2, \"message\": " + jsonString(message) + "}\n" : single.out;
    }
    alone += "{\"exit\": 2, \"message\": \"tarnquill-winapi: line 9: a quote is not closed\"}\n";

    const ToolRun batch = run({"--json", "--batch", file});
    EXPECT_EQ(batch.status, 2) << "the highest status of the calls";
    EXPECT_EQ(batch.out, alone);
    EXPECT_THAT(batch.err, HasSubstr("SetMousePos takes 2 arguments"));
    std::remove(file.c_str());

    EXPECT_EQ(run({"--batch", file}).status, 2) << "a file that cannot be read";
    EXPECT_EQ(run({"--batch", file, "PtoT", "1"}).status, 2);
}

} // namespace
} // namespace tarnquill::tool
