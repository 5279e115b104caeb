// SPDX-License-Identifier: MIT
// The registry members' call sequences where the class fixes them and no
// outcome on a registry shows them: the access each key is opened with, that
// a value member never creates its key, the argument order of
// RegistryDeletekey, the retries of RegEnumKeys. What the members store and
// list is checked on real registries (tests/registry/MemberScenarios.h).

#include "RecordingWin32Api.h"

#include "winapi/CWinAPI.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace tarnquill {
namespace {

using testing::RecordingWin32Api;
using testing::runtimeErrorOf;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class CWinAPIRegistryTest : public ::testing::Test {
protected:
    CWinAPIRegistryTest() { api.calls.clear(); }

    RecordingWin32Api api;
    CWinAPI winapi{api};
};

struct OpenCase {
    const char* member;
    std::function<void(CWinAPI&)> call;
    const char* open;
};

class CWinAPIRegistryOpen : public CWinAPIRegistryTest, public ::testing::WithParamInterface<OpenCase> {};

// Every value member opens an existing key with query and set access and
// creates nothing, and closes what it opened.
TEST_P(CWinAPIRegistryOpen, OpensWithAccess3AndNeverCreates)
{
    GetParam().call(winapi);
    ASSERT_FALSE(api.calls.empty());
    EXPECT_EQ(api.calls.front(), GetParam().open);
    EXPECT_THAT(api.callsTo("RegCreateKeyExA"), IsEmpty());
    EXPECT_EQ(api.calls.back(), "RegCloseKey(100)");
}

INSTANTIATE_TEST_SUITE_P(
    Members, CWinAPIRegistryOpen,
    ::testing::Values(
        OpenCase{"ValueS", [](CWinAPI& w) { w.RegistryValueS("K", "n", "v", HKEY_CURRENT_USER); },
                 R"(RegOpenKeyExA(HKEY_CURRENT_USER, "K", 0, 0x3, out))"},
        OpenCase{"ValueD", [](CWinAPI& w) { w.RegistryValueD("K", "n", "1", HKEY_USERS); },
                 R"(RegOpenKeyExA(HKEY_USERS, "K", 0, 0x3, out))"},
        OpenCase{"ValueB", [](CWinAPI& w) { w.RegistryValueB("K", "n", 1, HKEY_CLASSES_ROOT); },
                 R"(RegOpenKeyExA(HKEY_CLASSES_ROOT, "K", 0, 0x3, out))"},
        OpenCase{"GetValue",
                 [](CWinAPI& w) {
                     Variant v;
                     std::int32_t type = REG_SZ;
                     w.RegistryGetValue("K", "n", v, type, HKEY_CURRENT_USER);
                 },
                 R"(RegOpenKeyExA(HKEY_CURRENT_USER, "K", 0, 0x3, out))"},
        OpenCase{"Run", [](CWinAPI& w) { w.RegistryRun("n", "v"); },
                 R"(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\microsoft\windows\currentversion\run", 0, 0x3, out))"},
        OpenCase{"DeleteValue", [](CWinAPI& w) { w.RegistryDeleteValue("K", "n", HKEY_CURRENT_USER); },
                 R"(RegOpenKeyExA(HKEY_CURRENT_USER, "K", 0, 0x3, out))"},
        OpenCase{"AutoRun", [](CWinAPI& w) { w.AutoRun(149); },
                 R"(RegOpenKeyExA(HKEY_CURRENT_USER, "software\microsoft\windows\currentversion\policies\explorer", 0, 0x3, out))"}),
    [](const auto& info) { return std::string(info.param.member); });

TEST_F(CWinAPIRegistryTest, DeletekeyTakesTheSubkeyFirstAndItsParentSecond)
{
    winapi.RegistryDeletekey("Old", "Software\\Example", HKEY_CURRENT_USER);
    EXPECT_THAT(api.calls, ElementsAre(R"(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\Example", 0, 0x3, out))",
                                       R"(RegDeleteKeyA(100, "Old"))", "RegCloseKey(100)"));
}

TEST_F(CWinAPIRegistryTest, ConversionErrorsComeBeforeAnyWriteAndCloseTheKey)
{
    EXPECT_EQ(runtimeErrorOf([&] { winapi.AutoRun(256); }), RuntimeError::kOverflow);
    EXPECT_THAT(api.calls, IsEmpty());
    EXPECT_EQ(runtimeErrorOf([&] { winapi.RegistryValueD("K", "n", "12abc", HKEY_CURRENT_USER); }),
              RuntimeError::kTypeMismatch);
    EXPECT_THAT(api.calls, ElementsAre(R"(RegOpenKeyExA(HKEY_CURRENT_USER, "K", 0, 0x3, out))", "RegCloseKey(100)"));
}

struct CommandCase {
    const char* appPath;
    const char* commandLine;
    const char* command;
};

class CWinAPIRightClick : public CWinAPIRegistryTest, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(CWinAPIRightClick, CommandNamesTheProgramItsArgumentsAndTheFile)
{
    api.appPath = GetParam().appPath;
    api.appCommandLine = GetParam().commandLine;
    std::string path = "ignored";
    winapi.RegistryCreateRightClickAccess("Open with tool", path);
    EXPECT_EQ(path, GetParam().command);
    EXPECT_THAT(api.calls,
                ElementsAre(R"(RegCreateKeyExA(HKEY_CLASSES_ROOT, "*\shell\Open with tool\Command", 0, NULL, 0, 0x3, out, out))",
                            "RegCloseKey(100)",
                            R"(RegOpenKeyExA(HKEY_CLASSES_ROOT, "*\shell\Open with tool\Command", 0, 0x3, out))",
                            "RegSetValueExA(101, \"\", 0, 1, " + testing::byteList(path + '\0') + ", " +
                                std::to_string(path.size() + 1) + ")",
                            "RegCloseKey(101)"));
}

INSTANTIATE_TEST_SUITE_P(Folders, CWinAPIRightClick,
                         ::testing::Values(CommandCase{"C:\\Apps", "", "C:\\Apps\\tool.exe  %1"},
                                           CommandCase{"C:\\", "-x", "C:\\tool.exe -x %1"}));

// A name as long as the longest the key reports draws ERROR_MORE_DATA (the
// length passed leaves no room for the NUL) and is listed on the retry with
// both buffers grown by 5.
TEST_F(CWinAPIRegistryTest, EnumKeysRetriesWithBuffersGrownByFive)
{
    api.onRegQueryInfoKeyA = [](HKEY, std::string&, DWORD&, DWORD& subKeys, DWORD& maxSubKeyLen, DWORD& maxClassLen,
                                DWORD&, DWORD&, DWORD&, DWORD&, FileTime&) {
        subKeys = 2;
        maxSubKeyLen = 6;
        maxClassLen = 0;
        return ERROR_SUCCESS;
    };
    const std::string names[] = {"Ab", "Abcdef"};
    api.onRegEnumKeyExA = [&](HKEY, DWORD index, std::string& name, DWORD& cchName, std::string&, DWORD& cchClass,
                              FileTime&) {
        if (index >= 2)
            return ERROR_NO_MORE_ITEMS;
        if (names[index].size() + 1 > cchName)
            return ERROR_MORE_DATA;
        name.replace(0, names[index].size() + 1, names[index] + '\0');
        cchName = static_cast<DWORD>(names[index].size());
        cchClass = 0;
        return ERROR_SUCCESS;
    };
    EXPECT_EQ(winapi.RegEnumKeys("K", 7, HKEY_CURRENT_USER), 0);
    EXPECT_THAT(
        api.calls,
        ElementsAre(R"(RegOpenKeyExA(HKEY_CURRENT_USER, "K", 0, 0x20019, out))",
                    "RegQueryInfoKeyA(100, <255 spaces>, 255, out, out, out, out, out, out, out, out)",
                    "RegEnumKeyExA(100, 0, <7 spaces>, 6, <1 spaces>, 0, out)", R"(SendMessageA(7, 384, -1, "Ab"))",
                    "RegEnumKeyExA(100, 1, <7 spaces>, 6, <1 spaces>, 0, out)",
                    "RegEnumKeyExA(100, 1, <12 spaces>, 11, <6 spaces>, 5, out)",
                    R"(SendMessageA(7, 384, -1, "Abcdef"))",
                    "RegEnumKeyExA(100, 2, <12 spaces>, 11, <6 spaces>, 5, out)", "RegCloseKey(100)"));
}

TEST_F(CWinAPIRegistryTest, EnumValuesMakesNoCloseWhenTheOpenFails)
{
    api.onRegOpenKeyExA = [](HKEY, const std::string&, DWORD, REGSAM, HKEY& result) {
        result = 0;
        return ERROR_FILE_NOT_FOUND;
    };
    winapi.RegistryEnumerateValues("K", 1, 2, HKEY_CURRENT_USER);
    EXPECT_THAT(api.calls, ElementsAre(R"(RegOpenKeyExA(HKEY_CURRENT_USER, "K", 0, 0x20019, out))"));
}

} // namespace
} // namespace tarnquill
