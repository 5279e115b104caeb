// SPDX-License-Identifier: MIT
#pragma once

// CWinAPI's registry members judged by what they leave in a real registry:
// written with one member, read back with another or with the seam's own
// calls, enumerated into real list boxes. A backend takes part through a
// traits struct:
//
//   struct Traits {
//       class Backend {            // default-constructible, one per test
//       public:
//           Win32Api& api();        // over the backend's registry
//           HWND newListBox();      // an empty list box the api can reach
//           std::vector<std::string> lines(HWND listBox);
//       };
//   };
//
// and is instantiated with INSTANTIATE_TYPED_TEST_SUITE_P(Name, MemberScenarios, Traits).

#include "SeamRegistryAdapter.h"

#include "startup/RegStuff.h"
#include "winapi/CWinAPI.h"
#include "winapi/RecordingWin32Api.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace tarnquill::scenarios {

using Lines = std::vector<std::string>;
using LinePairs = std::vector<std::pair<std::string, std::string>>;

template <class Traits>
class MemberScenarios : public ::testing::Test {
protected:
    static constexpr const char* kParent = "Software\\Tarnquill member tests";

    void SetUp() override
    {
        deleteTree(key);
        winapi().RegistryNewKey(key, HKEY_CURRENT_USER);
    }

    void TearDown() override
    {
        deleteTree(key);
        api().RegDeleteKeyA(HKEY_CURRENT_USER, kParent); // fails while other tests' keys are in it
    }

    Win32Api& api() { return m_backend.api(); }
    CWinAPI& winapi() { return m_winapi; }
    HWND newListBox() { return m_backend.newListBox(); }
    Lines lines(HWND listBox) { return m_backend.lines(listBox); }

    // A value written with the member for its type: RegistryValueS,
    // RegistryValueD or RegistryValueB (`text` read as a number).
    void write(const std::string& name, DWORD type, const std::string& text)
    {
        if (type == REG_SZ)
            winapi().RegistryValueS(key, name, text, HKEY_CURRENT_USER);
        else if (type == REG_DWORD)
            winapi().RegistryValueD(key, name, text, HKEY_CURRENT_USER);
        else
            winapi().RegistryValueB(key, name, static_cast<std::uint8_t>(std::stoi(text)), HKEY_CURRENT_USER);
    }

    // A value written through the seam, for the types no member writes.
    void setRaw(const std::string& name, DWORD type, const std::string& bytes, const std::string& sub = {})
    {
        HKEY handle = 0;
        ASSERT_EQ(api().RegOpenKeyExA(HKEY_CURRENT_USER, sub.empty() ? key : key + "\\" + sub, 0, KEY_SET_VALUE,
                                      handle),
                  ERROR_SUCCESS);
        EXPECT_EQ(api().RegSetValueExA(handle, name, 0, type, bytes, static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
        api().RegCloseKey(handle);
    }

    // The stored type and bytes of a value; status != 0 when it cannot be read.
    contract::Value stored(HKEY root, const std::string& path, const std::string& name)
    {
        HKEY handle = 0;
        contract::Value value;
        value.status = api().RegOpenKeyExA(root, path, 0, KEY_QUERY_VALUE, handle);
        if (value.status == ERROR_SUCCESS) {
            value = contract::queryValue(m_seam, handle, name);
            api().RegCloseKey(handle);
        }
        return value;
    }
    contract::Value stored(const std::string& name) { return stored(HKEY_CURRENT_USER, key, name); }

    // The value lines of `path` (relative to the test's key) as (name, text) pairs, sorted: the two
    // registries may enumerate in different orders, the pairing is what counts.
    LinePairs valueLines(const std::string& path = {})
    {
        const HWND names = newListBox();
        const HWND texts = newListBox();
        winapi().RegistryEnumerateValues(path.empty() ? key : key + "\\" + path, names, texts, HKEY_CURRENT_USER);
        const Lines left = lines(names), right = lines(texts);
        EXPECT_EQ(left.size(), right.size());
        LinePairs pairs;
        for (std::size_t i = 0; i < std::min(left.size(), right.size()); ++i)
            pairs.emplace_back(left[i], right[i]);
        std::sort(pairs.begin(), pairs.end());
        return pairs;
    }
    Lines sortedKeyLines(const std::string& path, std::int32_t* status = nullptr)
    {
        const HWND list = newListBox();
        const std::int32_t result = winapi().RegEnumKeys(path, list, HKEY_CURRENT_USER);
        if (status)
            *status = result;
        Lines names = lines(list);
        std::sort(names.begin(), names.end());
        return names;
    }

    void deleteTree(const std::string& path) { contract::deleteTree(m_seam, HKEY_CURRENT_USER, path); }

private:
    typename Traits::Backend m_backend;
    CWinAPI m_winapi{m_backend.api()};
    contract::SeamRegistry m_seam{m_backend.api()};

protected:
    const std::string key =
        std::string(kParent) + "\\" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
};

TYPED_TEST_SUITE_P(MemberScenarios);

// Both systems the tests run on are little-endian.
inline std::string le32(std::uint32_t v)
{
    return std::string(reinterpret_cast<const char*>(&v), 4);
}

TYPED_TEST_P(MemberScenarios, WrittenValuesReadBackInTheirStoredForm)
{
    auto& w = this->winapi();
    const HKEY root = HKEY_CURRENT_USER;
    struct Row {
        const char* name;
        DWORD type;
        const char* text;
        std::string bytes;
    };
    const Row rows[] = {
        {"abc", REG_SZ, "abc", std::string("abc\0", 4)},    {"", REG_SZ, "", std::string(1, '\0')},
        {"16", REG_DWORD, "16", le32(16)},                  {"minus", REG_DWORD, "-1", le32(0xFFFFFFFF)},
        {"half2", REG_DWORD, "2.5", le32(2)},               {"half3", REG_DWORD, "3.5", le32(4)},
        {"big", REG_DWORD, "305419896", le32(0x12345678)}, {"byte", REG_BINARY, "5", le32(5)},
    };
    for (const Row& row : rows)
        this->write(row.name, row.type, row.text);
    for (const Row& row : rows)
        EXPECT_EQ(this->stored(row.name), (contract::Value{ERROR_SUCCESS, row.type, row.bytes})) << row.name;

    // RegistryGetValue in the form asked for: a text beyond its 255-byte
    // buffer whole, and the 4-byte form reads a REG_BINARY too and reports
    // its type.
    const std::string longText(700, 'x');
    w.RegistryValueS(this->key, "long", longText, root);
    for (const auto& [name, asked, expected, type] :
         {std::tuple{"abc", REG_SZ, Variant(std::string("abc")), REG_SZ},
          std::tuple{"long", REG_SZ, Variant(longText), REG_SZ},
          std::tuple{"big", REG_DWORD, Variant(std::int32_t{305419896}), REG_DWORD},
          std::tuple{"byte", REG_DWORD, Variant(std::int32_t{5}), REG_BINARY}}) {
        Variant value;
        std::int32_t read = asked;
        w.RegistryGetValue(this->key, name, value, read, root);
        EXPECT_EQ(value, expected) << name;
        EXPECT_EQ(read, type) << name;
    }
}

TYPED_TEST_P(MemberScenarios, ReadsOfMissingValuesKeepTheDesignedOutputs)
{
    auto& w = this->winapi();
    const std::string blanks(255, ' ');
    struct Row {
        std::string path;
        std::int32_t type;
        Variant before;
        Variant after;
    };
    const Row rows[] = {
        {this->key, REG_SZ, Variant{}, blanks},
        {this->key + "\\missing key", REG_SZ, std::string("old"), blanks},
        {this->key, REG_DWORD, std::int32_t{7}, std::int32_t{7}},
        {this->key, REG_BINARY, Variant{}, std::int32_t{0}},
        {this->key, REG_EXPAND_SZ, std::string("kept"), std::string("kept")},
    };
    for (const Row& row : rows) {
        Variant value = row.before;
        std::int32_t type = row.type;
        w.RegistryGetValue(row.path, "no such value", value, type, HKEY_CURRENT_USER);
        EXPECT_EQ(value, row.after) << row.path << " type " << row.type;
        EXPECT_EQ(type, row.type);
    }
}

TYPED_TEST_P(MemberScenarios, ConversionErrorsWriteNothing)
{
    auto& w = this->winapi();
    EXPECT_EQ(testing::runtimeErrorOf([&] { w.RegistryValueD(this->key, "v", "abc", HKEY_CURRENT_USER); }),
              RuntimeError::kTypeMismatch);
    EXPECT_EQ(testing::runtimeErrorOf([&] { w.RegistryValueD(this->key, "v", "2147483648", HKEY_CURRENT_USER); }),
              RuntimeError::kOverflow);
    EXPECT_EQ(this->stored("v").status, ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(testing::runtimeErrorOf([&] { w.AutoRun(256); }), RuntimeError::kOverflow);
    EXPECT_EQ(testing::runtimeErrorOf([&] { w.AutoRun(-1); }), RuntimeError::kOverflow);

    w.RegistryValueS(this->key, "text", "hello", HKEY_CURRENT_USER);
    Variant value = std::string("not a number");
    std::int32_t type = REG_DWORD;
    EXPECT_EQ(testing::runtimeErrorOf([&] { w.RegistryGetValue(this->key, "text", value, type, HKEY_CURRENT_USER); }),
              RuntimeError::kTypeMismatch);
}

TYPED_TEST_P(MemberScenarios, KeysAreCreatedListedAndDeletedChildFirst)
{
    auto& w = this->winapi();
    for (const char* name : {"Alpha", "Beta", "Gamma\\Deeper", "Ab", "Abcdef"})
        w.RegistryNewKey(this->key + "\\" + name, HKEY_CURRENT_USER);

    std::int32_t status = -1;
    EXPECT_EQ(this->sortedKeyLines(this->key, &status), (Lines{"Ab", "Abcdef", "Alpha", "Beta", "Gamma"}));
    EXPECT_EQ(status, ERROR_SUCCESS);
    EXPECT_EQ(this->sortedKeyLines(this->key + "\\Beta", &status), Lines{});
    EXPECT_EQ(status, ERROR_SUCCESS);
    this->sortedKeyLines(this->key + "\\missing", &status);
    EXPECT_EQ(status, ERROR_FILE_NOT_FOUND);

    // The subkey to delete comes first, its parent second.
    w.RegistryDeletekey("Beta", this->key, HKEY_CURRENT_USER);
    w.RegistryDeletekey("Deeper", this->key + "\\Gamma", HKEY_CURRENT_USER);
    EXPECT_EQ(this->sortedKeyLines(this->key), (Lines{"Ab", "Abcdef", "Alpha", "Gamma"}));
    EXPECT_EQ(this->sortedKeyLines(this->key + "\\Gamma"), Lines{});

    // Lines follow what a list box already holds.
    const HWND list = this->newListBox();
    w.RegistryEnumerateKeys(this->key + "\\Gamma", list, HKEY_CURRENT_USER);
    w.RegistryNewKey(this->key + "\\Gamma\\One", HKEY_CURRENT_USER);
    w.RegistryEnumerateKeys(this->key + "\\Gamma", list, HKEY_CURRENT_USER);
    w.RegistryEnumerateKeys(this->key + "\\Gamma", list, HKEY_CURRENT_USER);
    EXPECT_EQ(this->lines(list), (Lines{"One", "One"}));
}

TYPED_TEST_P(MemberScenarios, ValuesAreListedWithTheirTexts)
{
    for (const auto& [name, type, text] : {std::tuple{"", REG_SZ, "x"}, std::tuple{"empty", REG_SZ, ""},
                                           std::tuple{"d1", REG_DWORD, "1"}, std::tuple{"dmax", REG_DWORD, "-1"},
                                           std::tuple{"dhigh", REG_DWORD, "-2147483648"},
                                           std::tuple{"d0", REG_DWORD, "0"}})
        this->write(name, type, text);
    this->setRaw("bin", REG_BINARY, std::string("\x00\x0A\xFF", 3));
    this->setRaw("bin0", REG_BINARY, "");
    this->setRaw("multi", REG_MULTI_SZ, std::string("a\0bc\0\0", 6));
    this->setRaw("expand", REG_EXPAND_SZ, std::string("%TEMP%\\x\0", 9));
    this->setRaw("resource", REG_FULL_RESOURCE_DESCRIPTOR, "abc");

    EXPECT_EQ(this->valueLines(),
              (LinePairs{{"(Default)", "\"x\""}, {"bin", "00 0A FF "}, {"bin0", "(value not set)"},
                         {"d0", "&H0 (0)"}, {"d1", "&H1 (1)"}, {"dhigh", "&H80000000 (2147483648)"},
                         {"dmax", "&HFFFFFFFF (4294967295)"}, {"empty", "\"\""}, {"expand", "%TEMP%\\x"},
                         {"multi", "a bc  "}, {"resource", "REG_FULL_RESOURCE_DESCRIPTOR"}}));
    // A missing key lists nothing.
    EXPECT_EQ(this->valueLines("missing"), LinePairs{});
}

// Values the texts cannot be made of end the listing with an error; the lines
// before stay.
TYPED_TEST_P(MemberScenarios, ValueTextLimitsRaiseErrors)
{
    struct Row {
        DWORD type;
        std::string bytes;
        int error;
    };
    const Row rows[] = {
        {REG_SZ, "", RuntimeError::kInvalidArgument},
        {REG_DWORD, "abc", RuntimeError::kInvalidArgument},
        {REG_BINARY, std::string(32768, '\x01'), RuntimeError::kOverflow},
    };
    int i = 0;
    for (const Row& row : rows) {
        const std::string sub = "case" + std::to_string(i++);
        this->winapi().RegistryNewKey(this->key + "\\" + sub, HKEY_CURRENT_USER);
        this->setRaw("bad", row.type, row.bytes, sub);
        const HWND names = this->newListBox();
        const HWND texts = this->newListBox();
        EXPECT_EQ(testing::runtimeErrorOf([&] {
            this->winapi().RegistryEnumerateValues(this->key + "\\" + sub, names, texts, HKEY_CURRENT_USER);
        }), row.error) << "type " << row.type;
        EXPECT_EQ(this->lines(names), Lines{});
    }
    // A binary of 32767 bytes is still listed.
    this->winapi().RegistryNewKey(this->key + "\\edge", HKEY_CURRENT_USER);
    this->setRaw("bin", REG_BINARY, std::string(32767, '\x01'), "edge");
    const auto pairs = this->valueLines("edge");
    ASSERT_EQ(pairs.size(), 1u);
    EXPECT_EQ(pairs[0].second.size(), 32767u * 3);
}

TYPED_TEST_P(MemberScenarios, AssociationAndVerbKeysHoldTheirCommands)
{
    auto& w = this->winapi();
    const std::string type = "TarnquillTestFile";
    std::string path = "C:\\Tools\\ed.exe";
    w.RegistryCreateAssociation("tqtest", type, path);
    EXPECT_EQ(path, "C:\\Tools\\ed.exe %1");
    EXPECT_EQ(this->stored(HKEY_CLASSES_ROOT, ".tqtest", "").bytes, type + '\0');
    EXPECT_EQ(this->stored(HKEY_CLASSES_ROOT, type, "").bytes, std::string(1, '\0'));
    EXPECT_EQ(this->stored(HKEY_CLASSES_ROOT, type + "\\shell\\open\\command", "").bytes,
              std::string("C:\\Tools\\ed.exe %1") + '\0');
    w.RegistryCreateAssociation("tqtest", type, path, "Editor");
    EXPECT_EQ(path, "C:\\Tools\\ed.exe %1 %1");
    EXPECT_EQ(this->stored(HKEY_CLASSES_ROOT, type, "").bytes, std::string("Editor") + '\0');

    std::string command = "not read";
    w.RegistryCreateRightClickAccess("Open with tqtest", command);
    EXPECT_EQ(this->stored(HKEY_CLASSES_ROOT, "*\\shell\\Open with tqtest\\Command", "").bytes, command + '\0');
    EXPECT_NE(command.find(".exe "), std::string::npos) << command;
    EXPECT_EQ(command.substr(command.size() - 3), " %1");

    // Deleting the keys again, child first, as a caller of the class does.
    w.RegistryDeletekey("Command", "*\\shell\\Open with tqtest", HKEY_CLASSES_ROOT);
    w.RegistryDeletekey("Open with tqtest", "*\\shell", HKEY_CLASSES_ROOT);
    w.RegistryDeletekey("command", type + "\\shell\\open", HKEY_CLASSES_ROOT);
    w.RegistryDeletekey("open", type + "\\shell", HKEY_CLASSES_ROOT);
    w.RegistryDeletekey("shell", type, HKEY_CLASSES_ROOT);
    w.RegistryDeletekey(type, "", HKEY_CLASSES_ROOT);
    w.RegistryDeletekey(".tqtest", "", HKEY_CLASSES_ROOT);
    EXPECT_EQ(this->stored(HKEY_CLASSES_ROOT, ".tqtest", "").status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(this->stored(HKEY_CLASSES_ROOT, type, "").status, ERROR_FILE_NOT_FOUND);
}

TYPED_TEST_P(MemberScenarios, PolicyAndRunValuesLandUnderTheirRoots)
{
    auto& w = this->winapi();
    const std::string policies = "software\\microsoft\\windows\\currentversion\\policies\\explorer";
    HKEY existing = 0;
    const bool hadPolicies = this->api().RegOpenKeyExA(HKEY_CURRENT_USER, policies, 0, KEY_READ, existing) == 0;
    this->api().RegCloseKey(existing);
    w.RegistryNewKey(policies, HKEY_CURRENT_USER);
    w.AutoRun(149);
    EXPECT_EQ(this->stored(HKEY_CURRENT_USER, policies, "NoDriveTypeAutoRun"),
              (contract::Value{ERROR_SUCCESS, REG_BINARY, le32(0x95)}));
    w.RegistryDeleteValue(policies, "NoDriveTypeAutoRun", HKEY_CURRENT_USER);
    EXPECT_EQ(this->stored(HKEY_CURRENT_USER, policies, "NoDriveTypeAutoRun").status, ERROR_FILE_NOT_FOUND);
    if (!hadPolicies)
        w.RegistryDeletekey("explorer", "software\\microsoft\\windows\\currentversion\\policies", HKEY_CURRENT_USER);

    const std::string run = "software\\microsoft\\windows\\currentversion\\run";
    w.RegistryRun("TarnquillMemberTest", "C:\\Apps\\tool.exe");
    EXPECT_EQ(this->stored(HKEY_LOCAL_MACHINE, run, "TarnquillMemberTest").bytes,
              std::string("C:\\Apps\\tool.exe") + '\0');
    w.RegistryDeleteValue(run, "TarnquillMemberTest", HKEY_LOCAL_MACHINE);
    EXPECT_EQ(this->stored(HKEY_LOCAL_MACHINE, run, "TarnquillMemberTest").status, ERROR_FILE_NOT_FOUND);
}

// A machine-wide Run entry takes the place of a per-user one that an earlier
// fallback left, so the program is not started twice at log-on.
TYPED_TEST_P(MemberScenarios, MachineWideRunEntryReplacesThePerUserFallback)
{
    const std::string run(kRunSubKey);
    const std::string name = "TarnquillFallbackTest";
    HKEY userRun = 0;
    DWORD disposition = 0;
    ASSERT_EQ(this->api().RegCreateKeyExA(HKEY_CURRENT_USER, run, 0, std::nullopt, 0, KEY_SET_VALUE, userRun,
                                          disposition),
              ERROR_SUCCESS);
    const std::string old = std::string("C:\\Old\\tool") + '\0';
    this->api().RegSetValueExA(userRun, name, 0, REG_SZ, old, static_cast<DWORD>(old.size()));
    this->api().RegCloseKey(userRun);

    RegStuff regStuff(this->api(), "C:\\Apps");
    regStuff.AddRunEntry(name);
    EXPECT_EQ(this->stored(HKEY_LOCAL_MACHINE, run, name).bytes, std::string("C:\\Apps\\") + name + '\0');
    EXPECT_EQ(this->stored(HKEY_CURRENT_USER, run, name).status, ERROR_FILE_NOT_FOUND);
    regStuff.RemoveRunEntry(name);
    EXPECT_EQ(this->stored(HKEY_LOCAL_MACHINE, run, name).status, ERROR_FILE_NOT_FOUND);
}

REGISTER_TYPED_TEST_SUITE_P(MemberScenarios, MachineWideRunEntryReplacesThePerUserFallback, WrittenValuesReadBackInTheirStoredForm,
                            ReadsOfMissingValuesKeepTheDesignedOutputs,
                            ConversionErrorsWriteNothing, KeysAreCreatedListedAndDeletedChildFirst,
                            ValuesAreListedWithTheirTexts, ValueTextLimitsRaiseErrors,
                            AssociationAndVerbKeysHoldTheirCommands, PolicyAndRunValuesLandUnderTheirRoots);

} // namespace tarnquill::scenarios
