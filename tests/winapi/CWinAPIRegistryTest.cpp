// SPDX-License-Identifier: MIT
// What the registry members fix beyond what they leave in a registry: the
// access each key is opened with, that a value member never creates its key,
// and that every key opened is closed again, on errors too. What the members
// store and list is checked on real registries (tests/registry/MemberScenarios.h).

#include "CWinAPITest.h"

#include <functional>
#include <tuple>

namespace tarnquill {
namespace {

class CWinAPIRegistryTest : public CWinAPITest {
protected:
    CWinAPIRegistryTest()
    {
        for (const auto& [root, path] : {std::pair{HKEY_CURRENT_USER, "K"}, std::pair{HKEY_USERS, "K"},
                                         std::pair{HKEY_CLASSES_ROOT, "K"}, std::pair{HKEY_CURRENT_USER, kPolicies}}) {
            HKEY key = 0;
            DWORD disposition = 0;
            registry.RegCreateKeyExA(root, path, 0, std::nullopt, 0, KEY_ALL_ACCESS, key, disposition);
            registry.RegCloseKey(key);
        }
    }

    static constexpr const char* kPolicies = "software\\microsoft\\windows\\currentversion\\policies\\explorer";
    testing::InMemoryRegistry& registry = *api.registry;
};

struct OpenCase {
    const char* name;
    std::function<void(CWinAPI&)> call;
    const char* open;
    int error;
};

class CWinAPIRegistryOpen : public CWinAPIRegistryTest, public ::testing::WithParamInterface<OpenCase> {};

// Every value member opens an existing key with query and set access (an
// enumeration: read access) and creates nothing, and closes what it opened; a
// conversion error too.
TEST_P(CWinAPIRegistryOpen, OpensWithItsAccessCreatesNothingAndClosesTheKey)
{
    EXPECT_EQ(runtimeErrorOf([&] { GetParam().call(winapi); }), GetParam().error);
    ASSERT_FALSE(api.calls.empty());
    EXPECT_EQ(api.calls.front(), GetParam().open);
    EXPECT_THAT(api.callsTo("RegCreateKeyExA"), IsEmpty());
    EXPECT_EQ(registry.openHandles(), 0u);
}

constexpr const char* kOpenK = R"(RegOpenKeyExA(HKEY_CURRENT_USER, "K", 0, 0x3, out))";

INSTANTIATE_TEST_SUITE_P(
    Members, CWinAPIRegistryOpen,
    ::testing::Values(
        OpenCase{"ValueS", [](CWinAPI& w) { w.RegistryValueS("K", "n", "v", HKEY_CURRENT_USER); }, kOpenK, 0},
        OpenCase{"ValueD", [](CWinAPI& w) { w.RegistryValueD("K", "n", "1", HKEY_USERS); },
                 R"(RegOpenKeyExA(HKEY_USERS, "K", 0, 0x3, out))", 0},
        OpenCase{"ValueDNotANumber", [](CWinAPI& w) { w.RegistryValueD("K", "n", "12abc", HKEY_CURRENT_USER); },
                 kOpenK, RuntimeError::kTypeMismatch},
        OpenCase{"ValueB", [](CWinAPI& w) { w.RegistryValueB("K", "n", 1, HKEY_CLASSES_ROOT); },
                 R"(RegOpenKeyExA(HKEY_CLASSES_ROOT, "K", 0, 0x3, out))", 0},
        OpenCase{"GetValue",
                 [](CWinAPI& w) {
                     Variant v;
                     std::int32_t type = REG_SZ;
                     w.RegistryGetValue("K", "n", v, type, HKEY_CURRENT_USER);
                 },
                 kOpenK, 0},
        OpenCase{"Run", [](CWinAPI& w) { w.RegistryRun("n", "v"); },
                 R"(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\microsoft\windows\currentversion\run", 0, 0x3, out))",
                 0},
        OpenCase{"DeleteValue", [](CWinAPI& w) { w.RegistryDeleteValue("K", "n", HKEY_CURRENT_USER); }, kOpenK, 0},
        OpenCase{"AutoRun", [](CWinAPI& w) { w.AutoRun(149); },
                 R"(RegOpenKeyExA(HKEY_CURRENT_USER, "software\microsoft\windows\currentversion\policies\explorer", 0, 0x3, out))",
                 0},
        OpenCase{"EnumKeys", [](CWinAPI& w) { w.RegEnumKeys("K", 7, HKEY_CURRENT_USER); },
                 R"(RegOpenKeyExA(HKEY_CURRENT_USER, "K", 0, 0x20019, out))", 0},
        OpenCase{"EnumValuesMissing", [](CWinAPI& w) { w.RegistryEnumerateValues("Missing", 1, 2, HKEY_CURRENT_USER); },
                 R"(RegOpenKeyExA(HKEY_CURRENT_USER, "Missing", 0, 0x20019, out))", 0}),
    kNamed);

// The stored command (tests/registry) is the program's folder, name and
// arguments, then the file.
TEST_F(CWinAPIRegistryTest, RightClickCommandNamesTheProgramItsArgumentsAndTheFile)
{
    for (const auto& [folder, args, command] : {std::tuple{"C:\\Apps", "", "C:\\Apps\\tool.exe  %1"},
                                                std::tuple{"C:\\", "-x", "C:\\tool.exe -x %1"}}) {
        api.appPath = folder;
        api.appCommandLine = args;
        std::string path = "ignored";
        winapi.RegistryCreateRightClickAccess("Open with tool", path);
        EXPECT_EQ(path, command);
    }
}

} // namespace
} // namespace tarnquill
