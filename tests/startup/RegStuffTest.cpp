// SPDX-License-Identifier: MIT
#include "winapi/RecordingWin32Api.h"

#include "startup/RegStuff.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace tarnquill {
namespace {

using testing::RecordingWin32Api;
using testing::runtimeErrorOf;

const std::string kRunPath(kRunSubKey);

class RegStuffTest : public ::testing::Test {
protected:
    // The Run value `name` under a root, as stored.
    std::optional<testing::InMemoryRegistry::Stored> runValue(HKEY root, const std::string& name = "tool") const
    {
        return registry.value(root, kRunPath, name);
    }

    RecordingWin32Api api;
    testing::InMemoryRegistry& registry = *api.registry;
    RegStuff regStuff{api, "C:\\Apps\\Clip"};
};

const testing::InMemoryRegistry::Stored kEntry{REG_SZ, std::string("C:\\Apps\\Clip\\tool\0", 18)};

// The access mask and the key's spelling are fixed; no outcome shows them.
TEST_F(RegStuffTest, AddOpensTheMachineWideRunKeyWithAccess3F)
{
    regStuff.AddRunEntry("tool");
    ASSERT_FALSE(api.calls.empty());
    EXPECT_EQ(api.calls.front(),
              R"(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\MICROSOFT\WINDOWS\CURRENTVERSION\RUN\", 0, 0x3F, out))");
    EXPECT_EQ(runValue(HKEY_CURRENT_USER), std::nullopt);
    EXPECT_EQ(registry.openHandles(), 0u);
}

TEST_F(RegStuffTest, AMachineWideWriteThatFailsFallsBackToThePerUserKey)
{
    int sets = 0;
    api.onRegSetValueExA = [&](HKEY key, const std::string& name, DWORD reserved, DWORD type, std::string_view data,
                               DWORD size) {
        return ++sets == 1 ? ERROR_ACCESS_DENIED : registry.RegSetValueExA(key, name, reserved, type, data, size);
    };
    regStuff.AddRunEntry("tool");
    EXPECT_EQ(runValue(HKEY_CURRENT_USER), kEntry);
    EXPECT_EQ(registry.openHandles(), 0u);
}

TEST_F(RegStuffTest, WithNoKeyWritableNothingIsWrittenAndNothingRaised)
{
    registry.machineWritable = false;
    api.onRegCreateKeyExA = [](HKEY, const std::string&, DWORD, const std::optional<std::string>&, DWORD, REGSAM,
                               HKEY&, DWORD&) { return ERROR_ACCESS_DENIED; };
    regStuff.AddRunEntry("tool");
    EXPECT_EQ(runValue(HKEY_CURRENT_USER), std::nullopt);
    EXPECT_EQ(runValue(HKEY_LOCAL_MACHINE), std::nullopt);
}

// An ordinary user's entry is per user, its Run key made when missing.
TEST_F(RegStuffTest, CheckBoxStateChoosesAddOrRemoveUnderBothRoots)
{
    registry.machineWritable = false;
    ASSERT_EQ(api.RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run"),
              ERROR_SUCCESS);
    applyRunAtStartup(regStuff, 1, "tool");
    EXPECT_EQ(runValue(HKEY_CURRENT_USER), kEntry);
    EXPECT_EQ(runValue(HKEY_LOCAL_MACHINE), std::nullopt);
    registry.machineWritable = true;
    applyRunAtStartup(regStuff, 1, "tool");
    EXPECT_EQ(runValue(HKEY_LOCAL_MACHINE), kEntry);

    applyRunAtStartup(regStuff, 2, "tool"); // greyed counts as not checked
    EXPECT_EQ(runValue(HKEY_LOCAL_MACHINE), std::nullopt);
    EXPECT_EQ(runValue(HKEY_CURRENT_USER), std::nullopt);
    EXPECT_EQ(registry.openHandles(), 0u);
}

TEST(RunEntryData, IsTheFolderASeparatorAndTheName)
{
    const std::tuple<std::string, std::string, std::string> rows[] = {
        {"C:\\Apps\\Clip", "tool", "C:\\Apps\\Clip\\tool"}, {"C:\\", "tool", "C:\\tool"},
        {"\\\\server\\share", "tq", "\\\\server\\share\\tq"}, {"/opt/tq", "tarnquill", "/opt/tq/tarnquill"},
        {"/opt/tq/", "tarnquill", "/opt/tq/tarnquill"}, {"/", "tarnquill", "/tarnquill"},
        {"/opt/tq\\", "tarnquill", "/opt/tq\\/tarnquill"}, // a Linux folder whose name ends in a backslash
        {"C:\\Program Files\\Tq", "tq", "C:\\Program Files\\Tq\\tq"}, // blanks stay unquoted
    };
    for (const auto& [folder, exeName, data] : rows)
        EXPECT_EQ(runEntryData(folder, exeName), data) << folder;
}

struct ValueCase {
    const char* name;
    DWORD type;
    Variant value;
    std::string bytes; // empty: no call expected
    int error;
};

class SetValueOnOpenKey : public RegStuffTest, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(SetValueOnOpenKey, StoresTheValuesBytesForItsType)
{
    const auto& c = GetParam();
    LONG status = -1;
    EXPECT_EQ(runtimeErrorOf([&] { status = regStuff.WriteValue(HKEY_CURRENT_USER, "Software", "v", c.value, c.type); }),
              c.error);
    const auto stored = registry.value(HKEY_CURRENT_USER, "Software", "v");
    if (c.bytes.empty()) {
        EXPECT_EQ(stored, std::nullopt);
    } else {
        EXPECT_EQ(status, ERROR_SUCCESS);
        EXPECT_EQ(stored, (testing::InMemoryRegistry::Stored{c.type, c.bytes}));
    }
    EXPECT_EQ(registry.openHandles(), 0u) << "closed on every way out";
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

TEST_F(RegStuffTest, AKeyThatCannotBeOpenedIsNeitherCreatedNorWritten)
{
    EXPECT_EQ(regStuff.WriteValue(HKEY_CURRENT_USER, "Software\\Missing", "v", std::string("x"), REG_SZ),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(regStuff.DeleteValue(HKEY_CURRENT_USER, "Software\\Missing", "v"), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(registry.keyExists(HKEY_CURRENT_USER, "Software\\Missing"));
}

} // namespace
} // namespace tarnquill
