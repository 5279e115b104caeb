#include "RecordingWin32Api.h"

#include "startup/RegStuff.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace tarnquill {
namespace {

using testing::byteList;
using testing::RecordingWin32Api;
using testing::runtimeErrorOf;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kRun = "\"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN\\\"";

std::string openRun(const char* root)
{
    return std::string("RegOpenKeyExA(") + root + ", " + kRun + ", 0, 0x3F, out)";
}

std::string setText(int key, const std::string& name, const std::string& text)
{
    return "RegSetValueExA(" + std::to_string(key) + ", " + testing::quoted(name) + ", 0, 1, "
        + byteList(text + std::string(1, '\0')) + ", " + std::to_string(text.size() + 1) + ")";
}

// An ordinary user: the machine-wide key refuses write access.
void denyMachineWide(RecordingWin32Api& api)
{
    api.onRegOpenKeyExA = [&api](HKEY root, const std::string&, DWORD, REGSAM, HKEY& key) {
        if (root == HKEY_LOCAL_MACHINE)
            return ERROR_ACCESS_DENIED;
        key = api.nextHandle++;
        return ERROR_SUCCESS;
    };
}

class RegStuffTest : public ::testing::Test {
protected:
    RecordingWin32Api api;
    RegStuff regStuff{api, "C:\\Apps\\Clip"};
};

TEST_F(RegStuffTest, AddWritesTheMachineWideRunValueAsTextWithItsNul)
{
    regStuff.AddRunEntry("tool");
    EXPECT_THAT(api.calls, ElementsAre(openRun("HKEY_LOCAL_MACHINE"), setText(100, "tool", "C:\\Apps\\Clip\\tool"),
                                       "RegCloseKey(100)", openRun("HKEY_CURRENT_USER"),
                                       "RegDeleteValueA(101, \"tool\")", "RegCloseKey(101)"));
}

TEST_F(RegStuffTest, AddFallsBackToThePerUserRunKeyWhenTheMachineWideOneIsRefused)
{
    denyMachineWide(api);
    regStuff.AddRunEntry("tool");
    EXPECT_THAT(api.calls,
                ElementsAre(openRun("HKEY_LOCAL_MACHINE"),
                            "RegCreateKeyExA(HKEY_CURRENT_USER, " + kRun + ", 0, NULL, 0, 0x3F, out, out)",
                            setText(100, "tool", "C:\\Apps\\Clip\\tool"), "RegCloseKey(100)"));
}

TEST_F(RegStuffTest, AddFallsBackWhenTheMachineWideWriteItselfFails)
{
    api.onRegSetValueExA = [](HKEY key, const std::string&, DWORD, DWORD, std::string_view, DWORD) {
        return key == 100 ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
    };
    regStuff.AddRunEntry("tool");
    EXPECT_THAT(api.callsTo("RegSetValueExA"), ElementsAre(setText(100, "tool", "C:\\Apps\\Clip\\tool"),
                                                           setText(101, "tool", "C:\\Apps\\Clip\\tool")));
    EXPECT_THAT(api.callsTo("RegCloseKey"), ElementsAre("RegCloseKey(100)", "RegCloseKey(101)"));
}

TEST_F(RegStuffTest, AddWithNoKeyWritableWritesNothingAndRaisesNothing)
{
    denyMachineWide(api);
    api.onRegCreateKeyExA = [](HKEY, const std::string&, DWORD, const std::optional<std::string>&, DWORD, REGSAM,
                               HKEY&, DWORD&) { return ERROR_ACCESS_DENIED; };
    regStuff.AddRunEntry("tool");
    EXPECT_THAT(api.callsTo("RegSetValueExA"), IsEmpty());
    EXPECT_THAT(api.callsTo("RegCloseKey"), IsEmpty());
}

TEST_F(RegStuffTest, RemoveDeletesTheValueUnderBothRoots)
{
    regStuff.RemoveRunEntry("tool");
    EXPECT_THAT(api.calls, ElementsAre(openRun("HKEY_LOCAL_MACHINE"), "RegDeleteValueA(100, \"tool\")",
                                       "RegCloseKey(100)", openRun("HKEY_CURRENT_USER"),
                                       "RegDeleteValueA(101, \"tool\")", "RegCloseKey(101)"));
}

TEST_F(RegStuffTest, RemoveAsAnOrdinaryUserStillClearsThePerUserValue)
{
    denyMachineWide(api);
    regStuff.RemoveRunEntry("tool");
    EXPECT_THAT(api.calls, ElementsAre(openRun("HKEY_LOCAL_MACHINE"), openRun("HKEY_CURRENT_USER"),
                                       "RegDeleteValueA(100, \"tool\")", "RegCloseKey(100)"));
}

TEST_F(RegStuffTest, CheckBoxStateChoosesAddOrRemove)
{
    applyRunAtStartup(regStuff, 1, "tool");
    EXPECT_EQ(api.callsTo("RegSetValueExA").size(), 1u);
    EXPECT_THAT(api.callsTo("RegDeleteValueA"), ElementsAre("RegDeleteValueA(101, \"tool\")"));

    api.calls.clear();
    applyRunAtStartup(regStuff, 0, "tool");
    applyRunAtStartup(regStuff, 2, "tool"); // greyed counts as not checked
    EXPECT_THAT(api.callsTo("RegSetValueExA"), IsEmpty());
    EXPECT_EQ(api.callsTo("RegDeleteValueA").size(), 4u);
}

struct DataCase {
    const char* name;
    std::string folder;
    std::string exeName;
    std::string data;
};

class RunEntryData : public ::testing::TestWithParam<DataCase> {};

TEST_P(RunEntryData, IsTheFolderASeparatorAndTheName)
{
    EXPECT_EQ(runEntryData(GetParam().folder, GetParam().exeName), GetParam().data);
}

INSTANTIATE_TEST_SUITE_P(
    RegStuff, RunEntryData,
    ::testing::Values(DataCase{"WindowsFolder", "C:\\Apps\\Clip", "tool", "C:\\Apps\\Clip\\tool"},
                      DataCase{"DriveRoot", "C:\\", "tool", "C:\\tool"},
                      DataCase{"UncShare", "\\\\server\\share", "tq", "\\\\server\\share\\tq"},
                      DataCase{"PosixFolder", "/opt/tq", "tarnquill", "/opt/tq/tarnquill"},
                      DataCase{"PosixFolderWithSlash", "/opt/tq/", "tarnquill", "/opt/tq/tarnquill"},
                      DataCase{"PosixRoot", "/", "tarnquill", "/tarnquill"},
                      DataCase{"BlanksStayUnquoted", "C:\\Program Files\\Tq", "tq", "C:\\Program Files\\Tq\\tq"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ValueCase {
    const char* name;
    DWORD type;
    Variant value;
    std::string bytes; // empty: no call expected
    int error;
};

class SetValueOnOpenKey : public ::testing::TestWithParam<ValueCase> {};

TEST_P(SetValueOnOpenKey, WritesTheValuesBytesForItsType)
{
    RecordingWin32Api api;
    RegStuff regStuff(api, "C:\\");
    const auto& c = GetParam();
    LONG status = -1;
    EXPECT_EQ(runtimeErrorOf([&] { status = regStuff.SetValueOnOpenKey(42, "v", c.type, c.value); }), c.error);
    if (c.error != 0 || c.bytes.empty()) {
        EXPECT_THAT(api.calls, IsEmpty());
        if (c.error == 0) {
            EXPECT_EQ(status, ERROR_SUCCESS);
        }
        return;
    }
    EXPECT_THAT(api.calls, ElementsAre("RegSetValueExA(42, \"v\", 0, " + std::to_string(c.type) + ", "
                                       + byteList(c.bytes) + ", " + std::to_string(c.bytes.size()) + ")"));
}

INSTANTIATE_TEST_SUITE_P(
    RegStuff, SetValueOnOpenKey,
    ::testing::Values(
        ValueCase{"Text", REG_SZ, std::string("abc"), std::string("abc\0", 4), 0},
        ValueCase{"EmptyText", REG_SZ, std::string(), std::string(1, '\0'), 0},
        ValueCase{"Utf8TextCountsBytes", REG_SZ, std::string("\xC3\xBC"), std::string("\xC3\xBC\0", 3), 0},
        ValueCase{"NumberAsText", REG_SZ, 2.5, std::string("2.5\0", 4), 0},
        ValueCase{"Dword", REG_DWORD, std::int32_t{16}, std::string("\x10\0\0\0", 4), 0},
        ValueCase{"DwordMinusOne", REG_DWORD, std::int16_t{-1}, std::string("\xFF\xFF\xFF\xFF", 4), 0},
        ValueCase{"DwordHalfDown", REG_DWORD, 2.5, std::string("\x02\0\0\0", 4), 0},
        ValueCase{"DwordFromText", REG_DWORD, std::string("305419896"), std::string("\x78\x56\x34\x12", 4), 0},
        ValueCase{"DwordNotANumber", REG_DWORD, std::string("x"), {}, RuntimeError::kTypeMismatch},
        ValueCase{"OtherTypesWriteNothing", REG_BINARY, std::int32_t{1}, {}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RegStuffStatus, AKeyThatCannotBeOpenedIsNeitherWrittenNorClosed)
{
    RecordingWin32Api api;
    api.onRegOpenKeyExA = [](HKEY, const std::string&, DWORD, REGSAM, HKEY&) { return ERROR_FILE_NOT_FOUND; };
    RegStuff regStuff(api, "C:\\");
    EXPECT_EQ(regStuff.WriteValue(HKEY_CURRENT_USER, "Software\\Missing", "v", std::string("x"), REG_SZ),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(regStuff.DeleteValue(HKEY_CURRENT_USER, "Software\\Missing", "v"), ERROR_FILE_NOT_FOUND);
    EXPECT_THAT(api.calls, ElementsAre("RegOpenKeyExA(HKEY_CURRENT_USER, \"Software\\Missing\", 0, 0x3F, out)",
                                       "RegOpenKeyExA(HKEY_CURRENT_USER, \"Software\\Missing\", 0, 0x3F, out)"));
}

TEST(RegStuffStatus, AKeyIsClosedEvenWhenTheValueCannotBeConverted)
{
    RecordingWin32Api api;
    RegStuff regStuff(api, "C:\\");
    EXPECT_EQ(runtimeErrorOf([&] { regStuff.WriteValue(HKEY_CURRENT_USER, "K", "v", std::string("x"), REG_DWORD); }),
              RuntimeError::kTypeMismatch);
    EXPECT_THAT(api.calls, ElementsAre("RegOpenKeyExA(HKEY_CURRENT_USER, \"K\", 0, 0x3F, out)", "RegCloseKey(100)"));
}

} // namespace
} // namespace tarnquill
