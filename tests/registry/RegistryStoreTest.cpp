// SPDX-License-Identifier: MIT
// The SQLite store: the shared contract, each test on stores of its own, and
// what it does beyond it: where it keeps its files and who may write them,
// persistence, the classes root, Unicode names.

#include "RegistryContract.h"
#include "RegistryFixture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <map>
#include <tuple>

namespace tarnquill::registry::testing {

struct SqliteRegistryTraits {
    struct Backend {
        RegistryStore& api() { return m_store; }
        test::TempFolder m_folder;
        RegistryStore m_store{locationsIn(m_folder.path())};
    };
};

namespace {

namespace fs = std::filesystem;

mode_t modeOf(const fs::path& path)
{
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

TEST_F(RegistryTest, KeysValuesAndClassesOutliveTheStoreInAPrivateUserFileAndAMachineFileReadableByAll)
{
    {
        RegistryStore writer(locations);
        const HKEY key = createKey(writer, HKEY_CURRENT_USER, "Software\\Persisted\\Leaf", "LeafClass");
        ASSERT_EQ(setBytes(writer, key, "text", REG_SZ, sz("kept")), ERROR_SUCCESS);
        const HKEY machine = createKey(writer, HKEY_LOCAL_MACHINE, "SOFTWARE\\Persisted");
        ASSERT_EQ(setBytes(writer, machine, "", REG_DWORD, std::string("\7\0\0\0", 4)), ERROR_SUCCESS);
        EXPECT_EQ(modeOf(locations.userRegistry), 0600u);
        EXPECT_EQ(modeOf(locations.userRegistry.parent_path()), 0700u);
        for (const char* suffix : {"-wal", "-shm"}) {
            const fs::path journal = locations.userRegistry.string() + suffix;
            if (fs::exists(journal)) {
                EXPECT_EQ(modeOf(journal), 0600u) << journal;
            }
        }
        EXPECT_EQ(modeOf(locations.machineRegistry), 0644u);
    }
    const HKEY leaf = openKey(registry(), HKEY_CURRENT_USER, "software\\persisted\\leaf", KEY_READ);
    EXPECT_EQ(queryBytes(registry(), leaf, "TEXT"), sz("kept"));
    char name[32], keyClass[32];
    DWORD nameLength = sizeof name, classLength = sizeof keyClass;
    ASSERT_EQ(registry().RegEnumKeyExA(openKey(registry(), HKEY_CURRENT_USER, "Software\\Persisted", KEY_READ), 0, name,
                                    &nameLength, nullptr, keyClass, &classLength, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(std::string(name) + " " + keyClass, "Leaf LeafClass");
    const HKEY machine = openKey(registry(), HKEY_LOCAL_MACHINE, "SOFTWARE\\Persisted", KEY_READ);
    EXPECT_EQ(queryBytes(registry(), machine, ""), std::string("\7\0\0\0", 4));
}

TEST_F(RegistryTest, AMissingMachineStoreReadsAsTheStandardKeysAndIsNotCreatedByReading)
{
    const HKEY run = openKey(registry(), HKEY_LOCAL_MACHINE, kRunKey, KEY_READ);
    DWORD values = 99;
    EXPECT_EQ(registry().RegQueryInfoKeyA(run, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                                       nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 0u);
    HKEY other = 0;
    EXPECT_EQ(registry().RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor", 0, KEY_READ, &other), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(fs::exists(locations.machineRegistry));

    // The handle opened before the file existed reads the file once it does.
    ASSERT_EQ(setBytes(registry(), openKey(registry(), HKEY_LOCAL_MACHINE, kRunKey), "Later", REG_BINARY, "1"),
              ERROR_SUCCESS);
    EXPECT_TRUE(fs::exists(locations.machineRegistry));
    EXPECT_EQ(queryBytes(registry(), run, "Later"), "1");
}

// Running as root, file modes prove nothing; a store path below a regular file
// cannot be written by anyone.
TEST_F(RegistryTest, AMachineStoreThatCannotBeWrittenRefusesEveryChange)
{
    std::ofstream(folder / "plain-file") << "not a folder";
    locations.machineRegistry = folder / "plain-file" / "registry.sqlite3";

    HKEY key = 0;
    EXPECT_EQ(registry().RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey + "\\", 0, 0x3F, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(key, 0);
    DWORD disposition = 0;
    EXPECT_EQ(registry().RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor", 0, nullptr, 0, KEY_READ, nullptr, &key,
                                      &disposition),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(setBytes(registry(), HKEY_LOCAL_MACHINE, "v", REG_SZ, sz("x")), ERROR_ACCESS_DENIED);
    EXPECT_EQ(registry().RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRunKey), ERROR_ACCESS_DENIED);
    EXPECT_EQ(registry().RegDeleteKeyA(HKEY_USERS, ".DEFAULT\\Missing"), ERROR_FILE_NOT_FOUND)
        << "a missing key is missing first";
    key = openKey(registry(), HKEY_LOCAL_MACHINE, kRunKey, MAXIMUM_ALLOWED);
    EXPECT_EQ(setBytes(registry(), key, "v", REG_SZ, sz("x")), ERROR_ACCESS_DENIED) << "the most allowed is reading";
    EXPECT_NE(createKey(registry(), HKEY_CURRENT_USER, "Software\\Still writable"), 0) << "the user store is apart";
}

// HKEY_CLASSES_ROOT is the user's Software\Classes over the machine's: a key
// of either side listed once, the user's entry where both have a name, new
// keys the user's.
class ClassesRootTest : public RegistryTest {
protected:
    void SetUp() override
    {
        const std::string classes = "Software\\Classes\\";
        for (const auto& [root, path, name, text] :
             {std::tuple{HKEY_LOCAL_MACHINE, classes + ".machonly", "", "MachineType"},
              std::tuple{HKEY_LOCAL_MACHINE, classes + ".BOTH", "", "MachineBoth"},
              std::tuple{HKEY_LOCAL_MACHINE, classes + ".BOTH", "Machine Value", "m"},
              std::tuple{HKEY_LOCAL_MACHINE, classes + ".BOTH\\shell", "", ""},
              std::tuple{HKEY_CLASSES_ROOT, std::string(".both\\ShellEx"), "", ""},
              std::tuple{HKEY_CLASSES_ROOT, std::string(".both"), "", "UserBoth"},
              std::tuple{HKEY_CLASSES_ROOT, std::string(".useronly"), "", "U"}})
            ASSERT_EQ(setBytes(registry(), createKey(registry(), root, path), name, REG_SZ, sz(text)), ERROR_SUCCESS);
    }

    std::vector<std::string> subKeys(HKEY key) { return contract::subkeyNames(registry(), key); }
    std::vector<std::pair<std::string, contract::Value>> values(const std::string& path)
    {
        return contract::valueList(registry(), openKey(registry(), HKEY_CLASSES_ROOT, path, KEY_READ));
    }
    // Subkeys, longest subkey name, values, longest value name, longest data.
    std::vector<DWORD> info(HKEY key)
    {
        DWORD subKeys = 0, maxSubKey = 0, values = 0, maxValueName = 0, maxValue = 0;
        EXPECT_EQ(registry().RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values,
                                              &maxValueName, &maxValue, nullptr, nullptr),
                  ERROR_SUCCESS);
        return {subKeys, maxSubKey, values, maxValueName, maxValue};
    }
};

using Names = std::vector<std::string>;

contract::Value text(const std::string& text)
{
    return {ERROR_SUCCESS, REG_SZ, sz(text)};
}

TEST_F(ClassesRootTest, TheRootListsBothSidesOnceAndIsTheUsersSoftwareClasses)
{
    EXPECT_EQ(subKeys(HKEY_CLASSES_ROOT), (Names{".both", ".machonly", ".useronly"}));
    EXPECT_EQ(info(HKEY_CLASSES_ROOT), (std::vector<DWORD>{3, 9, 0, 0, 0}));
    // The user's own key is not merged: only HKEY_CLASSES_ROOT is.
    EXPECT_EQ(subKeys(openKey(registry(), HKEY_CURRENT_USER, "Software\\Classes", KEY_READ)),
              (Names{".both", ".useronly"}));
    EXPECT_EQ(registry().RegDeleteKeyA(HKEY_CLASSES_ROOT, ""), ERROR_ACCESS_DENIED);
}

TEST_F(ClassesRootTest, AKeyOnBothSidesMergesItsSubkeysAndValues)
{
    const HKEY both = openKey(registry(), HKEY_CLASSES_ROOT, ".Both", KEY_READ);
    EXPECT_EQ(subKeys(both), (Names{"shell", "ShellEx"}));
    using Values = std::vector<std::pair<std::string, contract::Value>>;
    EXPECT_EQ(values(".Both"), (Values{{"", text("UserBoth")}, {"Machine Value", text("m")}}));
    EXPECT_EQ(info(both), (std::vector<DWORD>{2, 7, 2, 13, 9})) << "\"UserBoth\" and its NUL";
    EXPECT_EQ(queryBytes(registry(), both, "MACHINE VALUE"), sz("m"));
    // A key only the machine has, and one only the user has, below the root.
    EXPECT_EQ(values(".machonly"), (Values{{"", text("MachineType")}}));
    EXPECT_EQ(values(".useronly"), (Values{{"", text("U")}}));
    EXPECT_EQ(subKeys(openKey(registry(), both, "shell", KEY_READ)), Names{});
}

TEST_F(ClassesRootTest, AnOrdinaryUserReadsTheMachinesClassesAndWritesOnlyHisOwn)
{
    RegistryStore user(locations, [&](const fs::path& file) { return file != locations.machineRegistry; });
    EXPECT_EQ(queryBytes(user, openKey(user, HKEY_CLASSES_ROOT, ".MACHONLY", KEY_READ), ""), sz("MachineType"));
    HKEY key = 0;
    EXPECT_EQ(user.RegOpenKeyExA(HKEY_CLASSES_ROOT, ".machonly", 0, KEY_SET_VALUE, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(user.RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Classes\\.machonly"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(user.RegOpenKeyExA(HKEY_CLASSES_ROOT, ".none", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_NE(createKey(user, HKEY_CLASSES_ROOT, ".machonly\\shell"), 0);
    EXPECT_EQ(user.RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Classes\\.machonly\\shell", 0, KEY_READ, &key),
              ERROR_SUCCESS);
}

TEST_F(RegistryTest, UnicodeLettersInNamesMatchWithoutRegardToCase)
{
    // The name created, the name then opened, whether they are the same.
    for (const auto& [created, opened, same] :
         {std::tuple{"Ärger", "äRGER", true}, {"Σίσυφος", "ΣΊΣΥΦΟΣ", true}, {"Привет", "пРИВЕТ", true},
          // ß has no one-letter upper case, so it matches only itself.
          {"straße", "STRASSE", false},
          // Bytes that are not UTF-8 still compare, ASCII letters folded.
          {"raw\xff" "a", "RAW\xff" "A", true}}) {
        const HKEY key = createKey(registry(), HKEY_CURRENT_USER, std::string("Software\\") + created);
        ASSERT_EQ(setBytes(registry(), key, created, REG_SZ, sz("v")), ERROR_SUCCESS);
        const LONG expected = same ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
        HKEY reopened = 0;
        EXPECT_EQ(registry().RegOpenKeyExA(HKEY_CURRENT_USER, std::string("Software\\") + opened, 0, KEY_READ,
                                           &reopened),
                  expected)
            << opened;
        EXPECT_EQ(contract::queryValue(registry(), key, opened).status, expected) << opened;
    }
}

TEST_F(RegistryTest, AKeyDeletedByAnotherStoreIsSeenAsDeleted)
{
    RegistryStore second(locations);
    const HKEY key = createKey(registry(), HKEY_CURRENT_USER, "Software\\Shared");
    ASSERT_EQ(setBytes(second, createKey(second, HKEY_CURRENT_USER, "Software\\Shared"), "v", REG_SZ, sz("2")),
              ERROR_SUCCESS);
    EXPECT_EQ(queryBytes(registry(), key, "v"), sz("2"));
    ASSERT_EQ(second.RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Shared"), ERROR_SUCCESS);
    EXPECT_EQ(setBytes(registry(), key, "v", REG_SZ, sz("1")), ERROR_KEY_DELETED);
}

TEST_F(RegistryTest, AStoreFileThatIsNotADatabaseIsReportedNotOverwritten)
{
    fs::create_directories(locations.userRegistry.parent_path());
    std::ofstream(locations.userRegistry) << std::string(4096, 'x');
    HKEY key = 0;
    EXPECT_EQ(registry().RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key), ERROR_BADDB);
    EXPECT_EQ(readFile(locations.userRegistry), std::string(4096, 'x'));
}

TEST(RegistryLocations, StandardPlacesAndTheirOverrides)
{
    const std::string home = "/home/u/.config/", machine = "/var/lib/tarnquill/registry.sqlite3", etc = "/etc/xdg/autostart";
    struct Row {
        std::map<std::string, std::string> environment;
        std::string userRegistry, machineRegistry, userAutostart, machineAutostart;
        std::vector<fs::path> systemAutostart;
    };
    const Row rows[] = {
        {{{"HOME", "/home/u"}}, home + "tarnquill/registry.sqlite3", machine, home + "autostart", etc, {etc}},
        {{{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "/cfg"}, {"XDG_CONFIG_DIRS", "/a:/etc/xdg:relative:/b/"}},
         "/cfg/tarnquill/registry.sqlite3", machine, "/cfg/autostart", etc,
         {etc, "/a/autostart", "/b/autostart"}},
        // A relative XDG_CONFIG_HOME is ignored, as the base directory rules say.
        {{{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "cfg"}}, home + "tarnquill/registry.sqlite3", machine,
         home + "autostart", etc, {etc}},
        {{{"HOME", "/home/u"},
          {"TARNQUILL_USER_REGISTRY", "/t/user.db"},
          {"TARNQUILL_MACHINE_REGISTRY", "/t/machine.db"},
          {"TARNQUILL_MACHINE_AUTOSTART", "/t/autostart"}},
         "/t/user.db", "/t/machine.db", home + "autostart", "/t/autostart", {"/t/autostart", etc}},
    };
    for (const Row& row : rows) {
        const auto found = RegistryLocations::fromEnvironment([&](const char* name) -> const char* {
            const auto it = row.environment.find(name);
            return it == row.environment.end() ? nullptr : it->second.c_str();
        });
        SCOPED_TRACE(row.userRegistry);
        EXPECT_EQ(found.userRegistry, row.userRegistry);
        EXPECT_EQ(found.machineRegistry, row.machineRegistry);
        EXPECT_EQ(found.userAutostart, row.userAutostart);
        EXPECT_EQ(found.machineAutostart, row.machineAutostart);
        EXPECT_EQ(found.systemAutostart, row.systemAutostart);
    }
}

} // namespace
} // namespace tarnquill::registry::testing

namespace tarnquill::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(RegistryStoreContract, RegistryContract, registry::testing::SqliteRegistryTraits);
} // namespace tarnquill::contract
