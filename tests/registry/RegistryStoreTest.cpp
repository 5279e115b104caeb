// What the SQLite store does beyond the shared contract: where it keeps its
// files and who may write them, persistence, the classes root, Unicode names.

#include "TempFolder.h"

#include "platform/linux/registry/RegistryStore.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <map>

namespace tarnquill::registry {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

const std::string kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string sz(const std::string& text)
{
    return text + std::string(1, '\0');
}

LONG setBytes(RegistryStore& store, HKEY key, const std::string& name, DWORD type, const std::string& bytes)
{
    return store.RegSetValueExA(key, name, 0, type, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                static_cast<DWORD>(bytes.size()));
}

std::string queryBytes(RegistryStore& store, HKEY key, const std::string& name, LONG* status = nullptr)
{
    std::string bytes(512, '\0');
    DWORD size = static_cast<DWORD>(bytes.size());
    DWORD type = 0;
    const LONG result = store.RegQueryValueExA(key, name, nullptr, &type,
                                               reinterpret_cast<std::uint8_t*>(bytes.data()), &size);
    if (status)
        *status = result;
    bytes.resize(result == ERROR_SUCCESS ? size : 0);
    return bytes;
}

HKEY createKey(RegistryStore& store, HKEY base, const std::string& path, const char* keyClass = nullptr)
{
    HKEY key = 0;
    DWORD disposition = 0;
    EXPECT_EQ(store.RegCreateKeyExA(base, path, 0, keyClass, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_SUCCESS)
        << path;
    return key;
}

mode_t modeOf(const fs::path& path)
{
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

TEST(RegistryStore, KeysValuesAndClassesOutliveTheStoreThatWroteThem)
{
    TempFolder folder;
    {
        RegistryStore store(folder.locations());
        const HKEY key = createKey(store, HKEY_CURRENT_USER, "Software\\Persisted\\Leaf", "LeafClass");
        ASSERT_EQ(setBytes(store, key, "text", REG_SZ, sz("kept")), ERROR_SUCCESS);
        const HKEY machine = createKey(store, HKEY_LOCAL_MACHINE, "SOFTWARE\\Persisted");
        ASSERT_EQ(setBytes(store, machine, "", REG_DWORD, std::string("\7\0\0\0", 4)), ERROR_SUCCESS);
    }
    RegistryStore store(folder.locations());
    HKEY key = 0;
    ASSERT_EQ(store.RegOpenKeyExA(HKEY_CURRENT_USER, "software\\persisted\\leaf", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(queryBytes(store, key, "TEXT"), sz("kept"));
    HKEY parent = 0;
    ASSERT_EQ(store.RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Persisted", 0, KEY_READ, &parent), ERROR_SUCCESS);
    char name[32], keyClass[32];
    DWORD nameLength = sizeof name, classLength = sizeof keyClass;
    ASSERT_EQ(store.RegEnumKeyExA(parent, 0, name, &nameLength, nullptr, keyClass, &classLength, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(std::string(name), "Leaf");
    EXPECT_EQ(std::string(keyClass), "LeafClass");
    HKEY machine = 0;
    ASSERT_EQ(store.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Persisted", 0, KEY_READ, &machine), ERROR_SUCCESS);
    EXPECT_EQ(queryBytes(store, machine, ""), std::string("\7\0\0\0", 4));
}

TEST(RegistryStore, TheUserStoreIsPrivateAndTheMachineStoreReadableByAll)
{
    TempFolder folder;
    const RegistryLocations locations = folder.locations();
    RegistryStore store(locations);
    createKey(store, HKEY_CURRENT_USER, "Software\\Private");
    createKey(store, HKEY_LOCAL_MACHINE, "SOFTWARE\\Shared");

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

TEST(RegistryStore, AMissingMachineStoreReadsAsTheStandardKeysAndIsNotCreatedByReading)
{
    TempFolder folder;
    const RegistryLocations locations = folder.locations();
    RegistryStore store(locations);
    HKEY run = 0;
    EXPECT_EQ(store.RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_READ, &run), ERROR_SUCCESS);
    DWORD values = 99;
    EXPECT_EQ(store.RegQueryInfoKeyA(run, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                                     nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 0u);
    HKEY other = 0;
    EXPECT_EQ(store.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor", 0, KEY_READ, &other), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(fs::exists(locations.machineStore));

    // The handle opened before the file existed reads the file once it does.
    HKEY writer = 0;
    ASSERT_EQ(store.RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_ALL_ACCESS, &writer), ERROR_SUCCESS);
    ASSERT_EQ(setBytes(store, writer, "Later", REG_BINARY, "1"), ERROR_SUCCESS);
    EXPECT_TRUE(fs::exists(locations.machineStore));
    EXPECT_EQ(queryBytes(store, run, "Later"), "1");
}

// Running as root, file modes prove nothing; a store path below a regular file
// cannot be written by anyone.
TEST(RegistryStore, AMachineStoreThatCannotBeWrittenRefusesEveryChange)
{
    TempFolder folder;
    RegistryLocations locations = folder.locations();
    std::ofstream(folder / "plain-file") << "not a folder";
    locations.machineStore = folder / "plain-file" / "registry.sqlite3";
    RegistryStore store(locations);

    HKEY key = 0;
    EXPECT_EQ(store.RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey + "\\", 0, 0x3F, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(key, 0);
    EXPECT_EQ(store.RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_WRITE, &key), ERROR_ACCESS_DENIED);
    DWORD disposition = 0;
    EXPECT_EQ(store.RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor", 0, nullptr, 0, KEY_READ, nullptr, &key,
                                    &disposition),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(setBytes(store, HKEY_LOCAL_MACHINE, "v", REG_SZ, sz("x")), ERROR_ACCESS_DENIED);
    EXPECT_EQ(store.RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRunKey), ERROR_ACCESS_DENIED);
    EXPECT_EQ(store.RegDeleteKeyA(HKEY_USERS, ".DEFAULT\\Missing"), ERROR_FILE_NOT_FOUND)
        << "a missing key is missing first";

    ASSERT_EQ(store.RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, MAXIMUM_ALLOWED, &key), ERROR_SUCCESS);
    EXPECT_EQ(setBytes(store, key, "v", REG_SZ, sz("x")), ERROR_ACCESS_DENIED) << "the most allowed is reading";

    EXPECT_NE(createKey(store, HKEY_CURRENT_USER, "Software\\Still writable"), 0) << "the user store is apart";
}

TEST(RegistryStore, AnUnwritableMachineStoreIsStillRead)
{
    TempFolder folder;
    const RegistryLocations locations = folder.locations();
    {
        RegistryStore administrator(locations);
        const HKEY key = createKey(administrator, HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\Product");
        ASSERT_EQ(setBytes(administrator, key, "Path", REG_SZ, sz("/opt/product")), ERROR_SUCCESS);
    }
    RegistryStore user(locations, [&](const fs::path& file) { return file != locations.machineStore; });
    HKEY key = 0;
    ASSERT_EQ(user.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\Product", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(queryBytes(user, key, "Path"), sz("/opt/product"));
    EXPECT_EQ(user.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\Product", 0, KEY_SET_VALUE, &key),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(user.RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\Product"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(user.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\Product", 0, KEY_READ, &key), ERROR_SUCCESS)
        << "still there";
}

TEST(RegistryStore, ClassesRootIsTheUsersSoftwareClasses)
{
    TempFolder folder;
    RegistryStore store(folder.locations());
    const HKEY extension = createKey(store, HKEY_CLASSES_ROOT, ".abc");
    ASSERT_EQ(setBytes(store, extension, "", REG_SZ, sz("AbcFile")), ERROR_SUCCESS);
    HKEY same = 0;
    ASSERT_EQ(store.RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Classes\\.ABC", 0, KEY_READ, &same), ERROR_SUCCESS);
    EXPECT_EQ(queryBytes(store, same, ""), sz("AbcFile"));
    EXPECT_EQ(store.RegDeleteKeyA(HKEY_CLASSES_ROOT, ""), ERROR_ACCESS_DENIED);
}

struct NamePair {
    const char* label;
    const char* created;
    const char* opened;
    bool same;
};

class UnicodeNames : public ::testing::TestWithParam<NamePair> {};

TEST_P(UnicodeNames, LettersMatchWithoutRegardToCase)
{
    TempFolder folder;
    RegistryStore store(folder.locations());
    const HKEY key = createKey(store, HKEY_CURRENT_USER, std::string("Software\\") + GetParam().created);
    ASSERT_EQ(setBytes(store, key, GetParam().created, REG_SZ, sz("v")), ERROR_SUCCESS);
    HKEY opened = 0;
    const LONG status =
        store.RegOpenKeyExA(HKEY_CURRENT_USER, std::string("Software\\") + GetParam().opened, 0, KEY_READ, &opened);
    EXPECT_EQ(status, GetParam().same ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
    LONG valueStatus = 0;
    queryBytes(store, key, GetParam().opened, &valueStatus);
    EXPECT_EQ(valueStatus, GetParam().same ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
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

TEST(RegistryStore, LengthsAreCountedInUtf8Bytes)
{
    TempFolder folder;
    RegistryStore store(folder.locations());
    const HKEY parent = createKey(store, HKEY_CURRENT_USER, "Software\\Lengths");
    createKey(store, parent, "Ärger"); // five letters, six bytes
    DWORD maxSubKey = 0;
    ASSERT_EQ(store.RegQueryInfoKeyA(parent, nullptr, nullptr, nullptr, nullptr, &maxSubKey, nullptr, nullptr,
                                     nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(maxSubKey, 6u);
    char name[16];
    DWORD length = 6;
    EXPECT_EQ(store.RegEnumKeyExA(parent, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    length = 7;
    EXPECT_EQ(store.RegEnumKeyExA(parent, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::string(name), "Ärger");
}

TEST(RegistryStore, AKeyDeletedByAnotherStoreIsSeenAsDeleted)
{
    TempFolder folder;
    RegistryStore first(folder.locations());
    RegistryStore second(folder.locations());
    const HKEY key = createKey(first, HKEY_CURRENT_USER, "Software\\Shared");
    ASSERT_EQ(setBytes(second, createKey(second, HKEY_CURRENT_USER, "Software\\Shared"), "v", REG_SZ, sz("2")),
              ERROR_SUCCESS);
    EXPECT_EQ(queryBytes(first, key, "v"), sz("2"));
    ASSERT_EQ(second.RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Shared"), ERROR_SUCCESS);
    EXPECT_EQ(setBytes(first, key, "v", REG_SZ, sz("1")), ERROR_KEY_DELETED);
}

TEST(RegistryStore, AStoreFileThatIsNotADatabaseIsReportedNotOverwritten)
{
    TempFolder folder;
    const RegistryLocations locations = folder.locations();
    fs::create_directories(locations.userStore.parent_path());
    std::ofstream(locations.userStore) << std::string(4096, 'x');
    RegistryStore store(locations);
    HKEY key = 0;
    EXPECT_EQ(store.RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key), ERROR_BADDB);
    std::ifstream in(locations.userStore);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), std::string(4096, 'x'));
}

TEST(RegistryLocations, StandardPlacesAndTheirOverrides)
{
    struct Row {
        std::map<std::string, std::string> environment;
        const char* userStore;
        const char* machineStore;
        const char* userAutostart;
        const char* machineAutostart;
        std::vector<fs::path> systemAutostart;
    };
    const Row rows[] = {
        {{{"HOME", "/home/u"}},
         "/home/u/.config/tarnquill/registry.sqlite3",
         "/var/lib/tarnquill/registry.sqlite3",
         "/home/u/.config/autostart",
         "/etc/xdg/autostart",
         {"/etc/xdg/autostart"}},
        {{{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "/cfg"}, {"XDG_CONFIG_DIRS", "/a:/etc/xdg:relative:/b/"}},
         "/cfg/tarnquill/registry.sqlite3",
         "/var/lib/tarnquill/registry.sqlite3",
         "/cfg/autostart",
         "/etc/xdg/autostart",
         {"/etc/xdg/autostart", "/a/autostart", "/b/autostart"}},
        // A relative XDG_CONFIG_HOME is ignored, as the base directory rules say.
        {{{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "cfg"}},
         "/home/u/.config/tarnquill/registry.sqlite3",
         "/var/lib/tarnquill/registry.sqlite3",
         "/home/u/.config/autostart",
         "/etc/xdg/autostart",
         {"/etc/xdg/autostart"}},
        {{{"HOME", "/home/u"},
          {"TARNQUILL_USER_REGISTRY", "/t/user.db"},
          {"TARNQUILL_MACHINE_REGISTRY", "/t/machine.db"},
          {"TARNQUILL_MACHINE_AUTOSTART", "/t/autostart"}},
         "/t/user.db",
         "/t/machine.db",
         "/home/u/.config/autostart",
         "/t/autostart",
         {"/t/autostart", "/etc/xdg/autostart"}},
    };
    for (const Row& row : rows) {
        const auto locations = RegistryLocations::fromEnvironment([&](const char* name) -> const char* {
            const auto it = row.environment.find(name);
            return it == row.environment.end() ? nullptr : it->second.c_str();
        });
        SCOPED_TRACE(row.userStore);
        EXPECT_EQ(locations.userStore, row.userStore);
        EXPECT_EQ(locations.machineStore, row.machineStore);
        EXPECT_EQ(locations.userAutostart, row.userAutostart);
        EXPECT_EQ(locations.machineAutostart, row.machineAutostart);
        EXPECT_EQ(locations.systemAutostart, row.systemAutostart);
    }
}

} // namespace
} // namespace tarnquill::registry
