// What the SQLite store does beyond the shared contract: where it keeps its
// files and who may write them, persistence, the classes root, Unicode names.

#include "StoreFixture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <map>

namespace tarnquill::registry::testing {
namespace {

namespace fs = std::filesystem;

mode_t modeOf(const fs::path& path)
{
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

TEST_F(StoreTest, KeysValuesAndClassesOutliveTheStoreThatWroteThem)
{
    {
        RegistryStore writer(locations);
        const HKEY key = createKey(writer, HKEY_CURRENT_USER, "Software\\Persisted\\Leaf", "LeafClass");
        ASSERT_EQ(setBytes(writer, key, "text", REG_SZ, sz("kept")), ERROR_SUCCESS);
        const HKEY machine = createKey(writer, HKEY_LOCAL_MACHINE, "SOFTWARE\\Persisted");
        ASSERT_EQ(setBytes(writer, machine, "", REG_DWORD, std::string("\7\0\0\0", 4)), ERROR_SUCCESS);
    }
    const HKEY leaf = openKey(store(), HKEY_CURRENT_USER, "software\\persisted\\leaf", KEY_READ);
    EXPECT_EQ(queryBytes(store(), leaf, "TEXT"), sz("kept"));
    char name[32], keyClass[32];
    DWORD nameLength = sizeof name, classLength = sizeof keyClass;
    ASSERT_EQ(store().RegEnumKeyExA(openKey(store(), HKEY_CURRENT_USER, "Software\\Persisted", KEY_READ), 0, name,
                                    &nameLength, nullptr, keyClass, &classLength, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(std::string(name) + " " + keyClass, "Leaf LeafClass");
    const HKEY machine = openKey(store(), HKEY_LOCAL_MACHINE, "SOFTWARE\\Persisted", KEY_READ);
    EXPECT_EQ(queryBytes(store(), machine, ""), std::string("\7\0\0\0", 4));
}

TEST_F(StoreTest, TheUserStoreIsPrivateAndTheMachineStoreReadableByAll)
{
    createKey(store(), HKEY_CURRENT_USER, "Software\\Private");
    createKey(store(), HKEY_LOCAL_MACHINE, "SOFTWARE\\Shared");
    EXPECT_EQ(modeOf(locations.userStore), 0600u);
    EXPECT_EQ(modeOf(locations.userStore.parent_path()), 0700u);
    for (const char* suffix : {"-wal", "-shm"}) {
        const fs::path journal = locations.userStore.string() + suffix;
        if (fs::exists(journal)) {
            EXPECT_EQ(modeOf(journal), 0600u) << journal;
        }
    }
    EXPECT_EQ(modeOf(locations.machineStore), 0644u);
}

TEST_F(StoreTest, AMissingMachineStoreReadsAsTheStandardKeysAndIsNotCreatedByReading)
{
    const HKEY run = openKey(store(), HKEY_LOCAL_MACHINE, kRunKey, KEY_READ);
    DWORD values = 99;
    EXPECT_EQ(store().RegQueryInfoKeyA(run, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                                       nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 0u);
    HKEY other = 0;
    EXPECT_EQ(store().RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor", 0, KEY_READ, &other), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(fs::exists(locations.machineStore));

    // The handle opened before the file existed reads the file once it does.
    ASSERT_EQ(setBytes(store(), openKey(store(), HKEY_LOCAL_MACHINE, kRunKey), "Later", REG_BINARY, "1"),
              ERROR_SUCCESS);
    EXPECT_TRUE(fs::exists(locations.machineStore));
    EXPECT_EQ(queryBytes(store(), run, "Later"), "1");
}

// Running as root, file modes prove nothing; a store path below a regular file
// cannot be written by anyone.
TEST_F(StoreTest, AMachineStoreThatCannotBeWrittenRefusesEveryChange)
{
    std::ofstream(folder / "plain-file") << "not a folder";
    locations.machineStore = folder / "plain-file" / "registry.sqlite3";

    HKEY key = 0;
    EXPECT_EQ(store().RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey + "\\", 0, 0x3F, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(key, 0);
    EXPECT_EQ(store().RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_WRITE, &key), ERROR_ACCESS_DENIED);
    DWORD disposition = 0;
    EXPECT_EQ(store().RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor", 0, nullptr, 0, KEY_READ, nullptr, &key,
                                      &disposition),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(setBytes(store(), HKEY_LOCAL_MACHINE, "v", REG_SZ, sz("x")), ERROR_ACCESS_DENIED);
    EXPECT_EQ(store().RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRunKey), ERROR_ACCESS_DENIED);
    EXPECT_EQ(store().RegDeleteKeyA(HKEY_USERS, ".DEFAULT\\Missing"), ERROR_FILE_NOT_FOUND)
        << "a missing key is missing first";
    key = openKey(store(), HKEY_LOCAL_MACHINE, kRunKey, MAXIMUM_ALLOWED);
    EXPECT_EQ(setBytes(store(), key, "v", REG_SZ, sz("x")), ERROR_ACCESS_DENIED) << "the most allowed is reading";
    EXPECT_NE(createKey(store(), HKEY_CURRENT_USER, "Software\\Still writable"), 0) << "the user store is apart";
}

TEST_F(StoreTest, AnUnwritableMachineStoreIsStillRead)
{
    const std::string product = "SOFTWARE\\Vendor\\Product";
    ASSERT_EQ(setBytes(store(), createKey(store(), HKEY_LOCAL_MACHINE, product), "Path", REG_SZ, sz("/opt/product")),
              ERROR_SUCCESS);
    RegistryStore user(locations, [&](const fs::path& file) { return file != locations.machineStore; });
    HKEY key = openKey(user, HKEY_LOCAL_MACHINE, product, KEY_READ);
    EXPECT_EQ(queryBytes(user, key, "Path"), sz("/opt/product"));
    EXPECT_EQ(user.RegOpenKeyExA(HKEY_LOCAL_MACHINE, product, 0, KEY_SET_VALUE, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(user.RegDeleteKeyA(HKEY_LOCAL_MACHINE, product), ERROR_ACCESS_DENIED);
    EXPECT_EQ(user.RegOpenKeyExA(HKEY_LOCAL_MACHINE, product, 0, KEY_READ, &key), ERROR_SUCCESS) << "still there";
}

TEST_F(StoreTest, ClassesRootIsTheUsersSoftwareClasses)
{
    ASSERT_EQ(setBytes(store(), createKey(store(), HKEY_CLASSES_ROOT, ".abc"), "", REG_SZ, sz("AbcFile")),
              ERROR_SUCCESS);
    const HKEY same = openKey(store(), HKEY_CURRENT_USER, "Software\\Classes\\.ABC", KEY_READ);
    EXPECT_EQ(queryBytes(store(), same, ""), sz("AbcFile"));
    EXPECT_EQ(store().RegDeleteKeyA(HKEY_CLASSES_ROOT, ""), ERROR_ACCESS_DENIED);
}

struct NamePair {
    const char* label;
    const char* created;
    const char* opened;
    bool same;
};

class UnicodeNames : public StoreTest, public ::testing::WithParamInterface<NamePair> {};

TEST_P(UnicodeNames, LettersMatchWithoutRegardToCase)
{
    const auto& [label, created, opened, same] = GetParam();
    const HKEY key = createKey(store(), HKEY_CURRENT_USER, std::string("Software\\") + created);
    ASSERT_EQ(setBytes(store(), key, created, REG_SZ, sz("v")), ERROR_SUCCESS);
    const LONG expected = same ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    HKEY reopened = 0;
    EXPECT_EQ(store().RegOpenKeyExA(HKEY_CURRENT_USER, std::string("Software\\") + opened, 0, KEY_READ, &reopened),
              expected);
    LONG valueStatus = 0;
    queryBytes(store(), key, opened, &valueStatus);
    EXPECT_EQ(valueStatus, expected);
}

INSTANTIATE_TEST_SUITE_P(RegistryStore, UnicodeNames,
                         ::testing::Values(NamePair{"latin", "Ärger", "äRGER", true},
                                           NamePair{"greek", "Σίσυφος", "ΣΊΣΥΦΟΣ", true},
                                           NamePair{"cyrillic", "Привет", "пРИВЕТ", true},
                                           // ß has no one-letter upper case, so it matches only itself.
                                           NamePair{"sharp_s", "straße", "STRASSE", false},
                                           // Bytes that are not UTF-8 still compare, ASCII letters folded.
                                           NamePair{"not_utf8", "raw\xff" "a", "RAW\xff" "A", true}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(StoreTest, LengthsAreCountedInUtf8Bytes)
{
    const HKEY parent = createKey(store(), HKEY_CURRENT_USER, "Software\\Lengths");
    createKey(store(), parent, "Ärger"); // five letters, six bytes
    DWORD maxSubKey = 0;
    ASSERT_EQ(store().RegQueryInfoKeyA(parent, nullptr, nullptr, nullptr, nullptr, &maxSubKey, nullptr, nullptr,
                                       nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(maxSubKey, 6u);
    char name[16];
    DWORD length = 6;
    EXPECT_EQ(store().RegEnumKeyExA(parent, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    length = 7;
    EXPECT_EQ(store().RegEnumKeyExA(parent, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::string(name), "Ärger");
}

TEST_F(StoreTest, AKeyDeletedByAnotherStoreIsSeenAsDeleted)
{
    RegistryStore second(locations);
    const HKEY key = createKey(store(), HKEY_CURRENT_USER, "Software\\Shared");
    ASSERT_EQ(setBytes(second, createKey(second, HKEY_CURRENT_USER, "Software\\Shared"), "v", REG_SZ, sz("2")),
              ERROR_SUCCESS);
    EXPECT_EQ(queryBytes(store(), key, "v"), sz("2"));
    ASSERT_EQ(second.RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Shared"), ERROR_SUCCESS);
    EXPECT_EQ(setBytes(store(), key, "v", REG_SZ, sz("1")), ERROR_KEY_DELETED);
}

TEST_F(StoreTest, AStoreFileThatIsNotADatabaseIsReportedNotOverwritten)
{
    fs::create_directories(locations.userStore.parent_path());
    std::ofstream(locations.userStore) << std::string(4096, 'x');
    HKEY key = 0;
    EXPECT_EQ(store().RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key), ERROR_BADDB);
    EXPECT_EQ(readFile(locations.userStore), std::string(4096, 'x'));
}

TEST(RegistryLocations, StandardPlacesAndTheirOverrides)
{
    const std::string home = "/home/u/.config/", machine = "/var/lib/tarnquill/registry.sqlite3", etc = "/etc/xdg/autostart";
    struct Row {
        std::map<std::string, std::string> environment;
        std::string userStore, machineStore, userAutostart, machineAutostart;
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
        SCOPED_TRACE(row.userStore);
        EXPECT_EQ(found.userStore, row.userStore);
        EXPECT_EQ(found.machineStore, row.machineStore);
        EXPECT_EQ(found.userAutostart, row.userAutostart);
        EXPECT_EQ(found.machineAutostart, row.machineAutostart);
        EXPECT_EQ(found.systemAutostart, row.systemAutostart);
    }
}

} // namespace
} // namespace tarnquill::registry::testing
