#pragma once

// Registry scenarios that every backend of the ten registry functions must
// pass alike: the SQLite store on Linux and the system's own functions (Wine's
// under the Windows build). A backend takes part through a traits struct:
//
//   struct Traits {
//       // Default-constructible; owns whatever the backend needs for one test
//       // (temporary folders, ...). api() returns an object offering
//       // RegOpenKeyExA, RegCreateKeyExA, RegSetValueExA, RegQueryValueExA,
//       // RegDeleteValueA, RegDeleteKeyA, RegCloseKey, RegQueryInfoKeyA,
//       // RegEnumKeyExA and RegEnumValueA with the Windows argument lists,
//       // handles as std::int32_t, DWORDs as std::uint32_t, names as
//       // const std::string&, out arguments as pointers.
//       class Backend;
//   };
//
// and is instantiated with INSTANTIATE_TYPED_TEST_SUITE_P(Name, RegistryContract, Traits).
// The header includes no platform header and spells the Windows numbers
// itself, so that it compiles beside <windows.h> as well.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace tarnquill::contract {

using Handle = std::int32_t;
using Status = std::int32_t;
using Dword = std::uint32_t;

inline constexpr Status kSuccess = 0;
inline constexpr Status kFileNotFound = 2;
inline constexpr Status kAccessDenied = 5;
inline constexpr Status kInvalidHandle = 6;
inline constexpr Status kBadPathname = 161;
inline constexpr Status kMoreData = 234;
inline constexpr Status kNoMoreItems = 259;
inline constexpr Status kKeyDeleted = 1018;

inline constexpr Handle kCurrentUser = static_cast<Handle>(0x80000001u);
inline constexpr Handle kLocalMachine = static_cast<Handle>(0x80000002u);

inline constexpr Dword kSz = 1;
inline constexpr Dword kExpandSz = 2;
inline constexpr Dword kBinary = 3;
inline constexpr Dword kDword = 4;
inline constexpr Dword kMultiSz = 7;

inline constexpr Dword kQueryValue = 0x0001;
inline constexpr Dword kSetValue = 0x0002;
inline constexpr Dword kRead = 0x20019;
inline constexpr Dword kAllAccess = 0xF003F;
// What the start-up entry opens the Run key with.
inline constexpr Dword kRunEntryAccess = 0x3F;

inline constexpr Dword kCreatedNewKey = 1;
inline constexpr Dword kOpenedExistingKey = 2;

struct Value {
    Status status = kSuccess;
    Dword type = 0;
    std::string bytes;

    bool operator==(const Value&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Value& value)
{
    out << "{status " << value.status << ", type " << value.type << ", " << value.bytes.size() << " bytes:";
    for (const unsigned char c : value.bytes)
        out << ' ' << std::hex << static_cast<int>(c) << std::dec;
    return out << '}';
}

inline std::string sz(const std::string& text)
{
    return text + std::string(1, '\0');
}

template <class Traits>
class RegistryContract : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_backend = std::make_unique<typename Traits::Backend>();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_scratchPath = std::string("Software\\Tarnquill contract tests\\") + info->name();
        deleteTree(kCurrentUser, m_scratchPath);
        Dword disposition = 0;
        ASSERT_EQ(api().RegCreateKeyExA(kCurrentUser, m_scratchPath, 0, nullptr, 0, kAllAccess, nullptr, &m_scratch,
                                        &disposition),
                  kSuccess);
    }

    void TearDown() override
    {
        for (const Handle handle : m_handles)
            api().RegCloseKey(handle);
        if (m_scratch != 0)
            api().RegCloseKey(m_scratch);
        deleteTree(kCurrentUser, m_scratchPath);
        deleteTree(kCurrentUser, "Software\\Tarnquill contract tests", false);
    }

    auto& api() { return m_backend->api(); }
    Handle scratch() const { return m_scratch; }

    // Handles opened through these are closed at the end of the test.
    Status create(Handle base, const std::string& path, Handle& out, Dword* disposition = nullptr,
                  Dword access = kAllAccess)
    {
        Dword ignored = 0;
        out = 0;
        const Status status = api().RegCreateKeyExA(base, path, 0, nullptr, 0, access, nullptr, &out,
                                                    disposition ? disposition : &ignored);
        if (status == kSuccess)
            m_handles.push_back(out);
        return status;
    }
    Handle create(const std::string& path)
    {
        Handle handle = 0;
        EXPECT_EQ(create(m_scratch, path, handle), kSuccess) << path;
        return handle;
    }
    Status open(Handle base, const std::string& path, Handle& out, Dword access = kRead)
    {
        out = 0;
        const Status status = api().RegOpenKeyExA(base, path, 0, access, &out);
        if (status == kSuccess)
            m_handles.push_back(out);
        return status;
    }
    Status set(Handle key, const std::string& name, Dword type, const std::string& bytes)
    {
        return api().RegSetValueExA(key, name, 0, type, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                    static_cast<Dword>(bytes.size()));
    }
    Value query(Handle key, const std::string& name)
    {
        Value value;
        Dword size = 0;
        value.status = api().RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size);
        if (value.status != kSuccess)
            return value;
        value.bytes.assign(size, '\0');
        value.status = api().RegQueryValueExA(key, name, nullptr, &value.type,
                                              reinterpret_cast<std::uint8_t*>(value.bytes.data()), &size);
        value.bytes.resize(size);
        return value;
    }
    std::vector<std::string> subkeys(Handle key)
    {
        std::vector<std::string> names;
        for (Dword index = 0;; ++index) {
            char name[256];
            Dword length = sizeof name;
            const Status status = api().RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (status != kSuccess) {
                EXPECT_EQ(status, kNoMoreItems);
                return names;
            }
            names.emplace_back(name, length);
        }
    }
    // (name, value) pairs in enumeration order.
    std::vector<std::pair<std::string, Value>> values(Handle key)
    {
        std::vector<std::pair<std::string, Value>> found;
        for (Dword index = 0;; ++index) {
            char name[256];
            Dword length = sizeof name;
            Value value;
            value.bytes.assign(1024, '\0');
            Dword size = 1024;
            value.status = api().RegEnumValueA(key, index, name, &length, nullptr, &value.type,
                                               reinterpret_cast<std::uint8_t*>(value.bytes.data()), &size);
            if (value.status != kSuccess) {
                EXPECT_EQ(value.status, kNoMoreItems);
                return found;
            }
            value.bytes.resize(size);
            found.emplace_back(std::string(name, length), value);
        }
    }

    // Deletes a key and everything under it with the ten functions alone.
    void deleteTree(Handle base, const std::string& path, bool recurse = true)
    {
        Handle key = 0;
        if (api().RegOpenKeyExA(base, path, 0, kAllAccess, &key) != kSuccess)
            return;
        if (recurse) {
            while (true) {
                char name[256];
                Dword length = sizeof name;
                if (api().RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != kSuccess)
                    break;
                const std::size_t before = subkeys(key).size();
                deleteTree(key, std::string(name, length));
                if (subkeys(key).size() == before)
                    break;
            }
        }
        api().RegCloseKey(key);
        api().RegDeleteKeyA(base, path);
    }

private:
    std::unique_ptr<typename Traits::Backend> m_backend;
    std::string m_scratchPath;
    Handle m_scratch = 0;
    std::vector<Handle> m_handles;
};

TYPED_TEST_SUITE_P(RegistryContract);

TYPED_TEST_P(RegistryContract, CreateMakesEveryKeyOnThePathAndTellsNewFromExisting)
{
    Handle leaf = 0;
    Dword disposition = 0;
    ASSERT_EQ(this->create(this->scratch(), "Outer\\Middle\\Leaf", leaf, &disposition), kSuccess);
    EXPECT_EQ(disposition, kCreatedNewKey);
    Handle middle = 0;
    EXPECT_EQ(this->open(this->scratch(), "Outer\\Middle", middle), kSuccess);
    EXPECT_EQ(this->subkeys(middle), std::vector<std::string>{"Leaf"});

    Handle again = 0;
    ASSERT_EQ(this->create(this->scratch(), "outer\\MIDDLE\\leaf", again, &disposition), kSuccess);
    EXPECT_EQ(disposition, kOpenedExistingKey);
    EXPECT_NE(again, leaf) << "each open gets a handle of its own";

    Handle sibling = 0;
    ASSERT_EQ(this->create(this->scratch(), "Outer\\Other", sibling, &disposition), kSuccess);
    EXPECT_EQ(disposition, kCreatedNewKey) << "only the last key is new, and that counts";
}

TYPED_TEST_P(RegistryContract, OpenNeverCreates)
{
    Handle key = 123;
    EXPECT_EQ(this->api().RegOpenKeyExA(this->scratch(), "Missing", 0, kAllAccess, &key), kFileNotFound);
    EXPECT_EQ(key, 0) << "a failed open sets the handle to 0";
    EXPECT_EQ(this->open(this->scratch(), "Missing", key), kFileNotFound);
    EXPECT_EQ(this->open(this->scratch(), "Missing\\Below", key), kFileNotFound);
    EXPECT_TRUE(this->subkeys(this->scratch()).empty());
}

TYPED_TEST_P(RegistryContract, SeparatorsInPathsAreReadAsTheSystemReadsThem)
{
    const Handle inner = this->create("Outer\\Inner");
    ASSERT_EQ(this->set(inner, "mark", kDword, std::string("\x2a\0\0\0", 4)), kSuccess);

    struct Row {
        const char* path;
        Status status;
    };
    const Row rows[] = {
        {"Outer\\Inner\\", kSuccess},
        {"Outer\\Inner\\\\", kSuccess},
        {"Outer\\\\Inner", kSuccess},
        {"\\Outer\\Inner", kBadPathname},
        {"\\", kBadPathname},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        Handle opened = 0;
        ASSERT_EQ(this->open(this->scratch(), row.path, opened), row.status);
        if (row.status == kSuccess) {
            EXPECT_EQ(this->query(opened, "mark").bytes, std::string("\x2a\0\0\0", 4)) << "the same key";
        }
        Handle created = 0;
        Dword disposition = 0;
        ASSERT_EQ(this->create(this->scratch(), row.path, created, &disposition), row.status);
        if (row.status == kSuccess) {
            EXPECT_EQ(disposition, kOpenedExistingKey);
        }
    }
    EXPECT_EQ(this->subkeys(this->scratch()), std::vector<std::string>{"Outer"});
}

TYPED_TEST_P(RegistryContract, ValuesKeepTheirTypeAndBytes)
{
    const Handle key = this->create("Values");
    const std::vector<std::tuple<std::string, Dword, std::string>> rows{
        {"text", kSz, sz("abc")},
        {"empty text", kSz, sz("")},
        {"number", kDword, std::string("\x78\x56\x34\x12", 4)},
        {"no bytes", kBinary, ""},
        {"bytes with NULs", kBinary, std::string("\0\x0a\xff\0", 4)},
        {"list", kMultiSz, std::string("a\0bc\0\0", 6)},
        {"expandable", kExpandSz, sz("%TEMP%\\x")},
        {"odd type", 1234, "x"},
    };
    for (const auto& [name, type, bytes] : rows)
        ASSERT_EQ(this->set(key, name, type, bytes), kSuccess) << name;
    for (const auto& [name, type, bytes] : rows)
        EXPECT_EQ(this->query(key, name), (Value{kSuccess, type, bytes})) << name;

    ASSERT_EQ(this->set(key, "text", kDword, std::string("\1\0\0\0", 4)), kSuccess);
    EXPECT_EQ(this->query(key, "text"), (Value{kSuccess, kDword, std::string("\1\0\0\0", 4)}))
        << "writing again replaces type and data";
    EXPECT_EQ(this->query(key, "never written").status, kFileNotFound);
}

TYPED_TEST_P(RegistryContract, QueryTellsTheSizeAndRefusesASmallBuffer)
{
    const Handle key = this->create("Sizes");
    ASSERT_EQ(this->set(key, "greeting", kSz, sz("hello")), kSuccess);

    Dword type = 0;
    Dword size = 0;
    EXPECT_EQ(this->api().RegQueryValueExA(key, "greeting", nullptr, &type, nullptr, &size), kSuccess);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(type, kSz);

    std::uint8_t buffer[16] = {};
    size = 5;
    type = 0;
    EXPECT_EQ(this->api().RegQueryValueExA(key, "greeting", nullptr, &type, buffer, &size), kMoreData);
    EXPECT_EQ(size, 6u) << "the size needed";
    EXPECT_EQ(type, kSz);

    size = 6;
    EXPECT_EQ(this->api().RegQueryValueExA(key, "greeting", nullptr, &type, buffer, &size), kSuccess);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), size), sz("hello"));

    // As the utility class reads a text: 255 bytes, more than the value needs.
    size = 255;
    std::uint8_t wide[255];
    std::fill(std::begin(wide), std::end(wide), ' ');
    EXPECT_EQ(this->api().RegQueryValueExA(key, "greeting", nullptr, &type, wide, &size), kSuccess);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(wide[6], ' ') << "nothing written past the value";
}

TYPED_TEST_P(RegistryContract, TheDefaultValueIsTheEmptyName)
{
    const Handle key = this->create("Default");
    EXPECT_EQ(this->query(key, "").status, kFileNotFound) << "a new key has no default value";
    ASSERT_EQ(this->set(key, "", kSz, sz("x")), kSuccess);
    EXPECT_EQ(this->query(key, ""), (Value{kSuccess, kSz, sz("x")}));

    const auto listed = this->values(key);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].first, "") << "listed with a name of length 0";

    EXPECT_EQ(this->api().RegDeleteValueA(key, ""), kSuccess);
    EXPECT_EQ(this->query(key, "").status, kFileNotFound);
    EXPECT_EQ(this->api().RegDeleteValueA(key, ""), kFileNotFound);
}

TYPED_TEST_P(RegistryContract, NamesIgnoreCaseAndKeepTheirFirstSpelling)
{
    this->create("MixedCase");
    Handle key = 0;
    ASSERT_EQ(this->open(this->scratch(), "MIXEDCASE", key, kAllAccess), kSuccess);
    Dword disposition = 0;
    Handle again = 0;
    ASSERT_EQ(this->create(this->scratch(), "mixedcase", again, &disposition), kSuccess);
    EXPECT_EQ(disposition, kOpenedExistingKey);
    EXPECT_EQ(this->subkeys(this->scratch()), std::vector<std::string>{"MixedCase"});

    ASSERT_EQ(this->set(key, "Setting", kSz, sz("first")), kSuccess);
    ASSERT_EQ(this->set(key, "SETTING", kSz, sz("second")), kSuccess);
    EXPECT_EQ(this->query(again, "setting").bytes, sz("second"));
    const auto listed = this->values(key);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].first, "Setting");

    EXPECT_EQ(this->api().RegDeleteValueA(key, "sEtTiNg"), kSuccess);
    EXPECT_EQ(this->api().RegDeleteValueA(key, "Setting"), kFileNotFound);
}

TYPED_TEST_P(RegistryContract, SubkeysEnumerateByNameWithoutRegardToCase)
{
    const Handle parent = this->create("Parent");
    for (const char* name : {"gamma", "Alpha", "DELTA", "beta"})
        this->create(std::string("Parent\\") + name);
    EXPECT_EQ(this->subkeys(parent), (std::vector<std::string>{"Alpha", "beta", "DELTA", "gamma"}));

    char name[64];
    Dword length = sizeof name;
    EXPECT_EQ(this->api().RegEnumKeyExA(parent, 4, name, &length, nullptr, nullptr, nullptr, nullptr), kNoMoreItems);
    const Handle empty = this->create("Parent\\Alpha");
    length = sizeof name;
    EXPECT_EQ(this->api().RegEnumKeyExA(empty, 0, name, &length, nullptr, nullptr, nullptr, nullptr), kNoMoreItems);
}

TYPED_TEST_P(RegistryContract, EnumeratingAKeyNameIntoASmallBufferAsksForMore)
{
    const Handle parent = this->create("Names");
    this->create("Names\\Ab");
    this->create("Names\\Abcdef");

    // The enumeration member sizes its buffer from the longest name and
    // passes the name's length, without room for the NUL, at first.
    char name[16];
    Dword length = 6;
    EXPECT_EQ(this->api().RegEnumKeyExA(parent, 1, name, &length, nullptr, nullptr, nullptr, nullptr), kMoreData);
    length = 7;
    ASSERT_EQ(this->api().RegEnumKeyExA(parent, 1, name, &length, nullptr, nullptr, nullptr, nullptr), kSuccess);
    EXPECT_EQ(length, 6u);
    EXPECT_EQ(std::string(name), "Abcdef");
    length = 3;
    ASSERT_EQ(this->api().RegEnumKeyExA(parent, 0, name, &length, nullptr, nullptr, nullptr, nullptr), kSuccess);
    EXPECT_EQ(std::string(name, length), "Ab");
}

TYPED_TEST_P(RegistryContract, ValuesEnumerateWithNameTypeAndData)
{
    const Handle key = this->create("Listing");
    ASSERT_EQ(this->set(key, "", kSz, sz("x")), kSuccess);
    ASSERT_EQ(this->set(key, "Count", kDword, std::string("\1\0\0\0", 4)), kSuccess);
    ASSERT_EQ(this->set(key, "Blob", kBinary, std::string("\0\x0a\xff", 3)), kSuccess);

    const auto listed = this->values(key);
    // The order of values is the backend's own; every value once is what counts.
    std::set<std::string> names;
    for (const auto& entry : listed)
        names.insert(entry.first);
    EXPECT_EQ(names, (std::set<std::string>{"", "Blob", "Count"}));
    ASSERT_EQ(listed.size(), 3u);
    for (const auto& [name, value] : listed) {
        if (name.empty())
            EXPECT_EQ(value, (Value{kSuccess, kSz, sz("x")}));
        else if (name == "Count")
            EXPECT_EQ(value, (Value{kSuccess, kDword, std::string("\1\0\0\0", 4)}));
        else
            EXPECT_EQ(value, (Value{kSuccess, kBinary, std::string("\0\x0a\xff", 3)})) << name;
    }

    std::size_t blob = 0;
    while (listed[blob].first != "Blob")
        ++blob;
    char name[16];
    Dword length = sizeof name;
    Dword type = 0;
    std::uint8_t data[16];
    Dword size = 2;
    EXPECT_EQ(this->api().RegEnumValueA(key, static_cast<Dword>(blob), name, &length, nullptr, &type, data, &size),
              kMoreData);
    EXPECT_EQ(size, 3u) << "the data size needed";

    length = 4; // "Blob" needs 5 with its NUL
    size = sizeof data;
    EXPECT_EQ(this->api().RegEnumValueA(key, static_cast<Dword>(blob), name, &length, nullptr, &type, data, &size),
              kMoreData);

    length = sizeof name;
    size = sizeof data;
    EXPECT_EQ(this->api().RegEnumValueA(key, 3, name, &length, nullptr, &type, data, &size), kNoMoreItems);
}

TYPED_TEST_P(RegistryContract, QueryInfoCountsSubkeysAndValuesAndTheirLongestLengths)
{
    const Handle key = this->create("Info");
    this->create("Info\\Ab");
    this->create("Info\\Abcdef");
    this->create("Info\\Abcdef\\Grandchild is not counted");
    ASSERT_EQ(this->set(key, "", kBinary, "12"), kSuccess);
    ASSERT_EQ(this->set(key, "x", kBinary, "1234567"), kSuccess);
    ASSERT_EQ(this->set(key, "longest", kDword, std::string(4, '\0')), kSuccess);

    char keyClass[255];
    Dword classLength = sizeof keyClass;
    Dword subKeys = 0, maxSubKey = 0, maxClass = 99, valueCount = 0, maxValueName = 0, maxValue = 0, security = 0;
    ASSERT_EQ(this->api().RegQueryInfoKeyA(key, keyClass, &classLength, nullptr, &subKeys, &maxSubKey, &maxClass,
                                           &valueCount, &maxValueName, &maxValue, &security, nullptr),
              kSuccess);
    EXPECT_EQ(subKeys, 2u);
    EXPECT_EQ(maxSubKey, 6u);
    EXPECT_EQ(maxClass, 0u);
    EXPECT_EQ(valueCount, 3u);
    EXPECT_EQ(maxValueName, 7u);
    EXPECT_EQ(maxValue, 7u);
    EXPECT_EQ(classLength, 0u);

    const Handle empty = this->create("Info\\Ab");
    ASSERT_EQ(this->api().RegQueryInfoKeyA(empty, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr,
                                           &valueCount, &maxValueName, &maxValue, nullptr, nullptr),
              kSuccess);
    EXPECT_EQ(std::vector<Dword>({subKeys, maxSubKey, valueCount, maxValueName, maxValue}),
              std::vector<Dword>({0, 0, 0, 0, 0}));
}

TYPED_TEST_P(RegistryContract, AKeyWithSubkeysIsNotDeleted)
{
    this->create("Example\\Old\\Inner");
    Handle example = 0;
    ASSERT_EQ(this->open(this->scratch(), "Example", example, kAllAccess), kSuccess);

    EXPECT_EQ(this->api().RegDeleteKeyA(example, "Old"), kAccessDenied);
    Handle old = 0;
    EXPECT_EQ(this->open(example, "Old", old), kSuccess) << "still there";

    EXPECT_EQ(this->api().RegDeleteKeyA(example, "OLD\\inner"), kSuccess);
    EXPECT_EQ(this->api().RegDeleteKeyA(example, "Old"), kSuccess);
    EXPECT_EQ(this->api().RegDeleteKeyA(example, "Old"), kFileNotFound);
    EXPECT_EQ(this->subkeys(this->scratch()), std::vector<std::string>{"Example"}) << "the parent stays";
}

TYPED_TEST_P(RegistryContract, AHandleToADeletedKeyReportsIt)
{
    this->create("Doomed");
    Handle doomed = 0;
    ASSERT_EQ(this->open(this->scratch(), "Doomed", doomed, kAllAccess), kSuccess);
    ASSERT_EQ(this->api().RegDeleteKeyA(this->scratch(), "doomed"), kSuccess);

    EXPECT_EQ(this->set(doomed, "x", kSz, sz("")), kKeyDeleted);
    EXPECT_EQ(this->query(doomed, "x").status, kKeyDeleted);
    char name[16];
    Dword length = sizeof name;
    EXPECT_EQ(this->api().RegEnumKeyExA(doomed, 0, name, &length, nullptr, nullptr, nullptr, nullptr), kKeyDeleted);
    Handle below = 0;
    EXPECT_EQ(this->create(doomed, "Below", below), kKeyDeleted);

    Handle recreated = 0;
    ASSERT_EQ(this->create(this->scratch(), "Doomed", recreated), kSuccess);
    EXPECT_EQ(this->set(doomed, "x", kSz, sz("")), kKeyDeleted) << "an old handle does not reach a new key";
}

TYPED_TEST_P(RegistryContract, DeletingTheEmptyNameDeletesTheHandlesOwnKey)
{
    Handle self = 0;
    ASSERT_EQ(this->create(this->scratch(), "Self", self), kSuccess);
    EXPECT_EQ(this->api().RegDeleteKeyA(self, ""), kSuccess);
    Handle reopened = 0;
    EXPECT_EQ(this->open(this->scratch(), "Self", reopened), kFileNotFound);
}

TYPED_TEST_P(RegistryContract, AccessRightsOfAHandleAreChecked)
{
    const Handle writable = this->create("Rights");
    ASSERT_EQ(this->set(writable, "kept", kSz, sz("v")), kSuccess);

    Handle reader = 0;
    ASSERT_EQ(this->open(this->scratch(), "Rights", reader, kRead), kSuccess);
    EXPECT_EQ(this->set(reader, "new", kSz, sz("v")), kAccessDenied);
    EXPECT_EQ(this->api().RegDeleteValueA(reader, "kept"), kAccessDenied);
    EXPECT_EQ(this->query(reader, "kept").bytes, sz("v"));
    EXPECT_EQ(this->query(reader, "new").status, kFileNotFound) << "nothing was written";

    Handle writer = 0;
    ASSERT_EQ(this->open(this->scratch(), "Rights", writer, kSetValue), kSuccess);
    EXPECT_EQ(this->query(writer, "kept").status, kAccessDenied);
    EXPECT_EQ(this->set(writer, "new", kSz, sz("v")), kSuccess);
}

TYPED_TEST_P(RegistryContract, ClosedAndUnknownHandlesAreInvalid)
{
    Handle key = 0;
    ASSERT_EQ(this->api().RegOpenKeyExA(this->scratch(), "", 0, kRead, &key), kSuccess);
    EXPECT_NE(key, this->scratch());
    EXPECT_EQ(this->api().RegCloseKey(key), kSuccess);
    EXPECT_EQ(this->api().RegCloseKey(key), kInvalidHandle);
    EXPECT_EQ(this->query(key, "x").status, kInvalidHandle);
    EXPECT_EQ(this->api().RegCloseKey(0), kInvalidHandle);
    Handle below = 0;
    EXPECT_EQ(this->api().RegOpenKeyExA(0, "Software", 0, kRead, &below), kInvalidHandle);
    EXPECT_EQ(this->api().RegCloseKey(kCurrentUser), kSuccess) << "closing a root is allowed and changes nothing";
    EXPECT_EQ(this->open(kCurrentUser, "Software", below), kSuccess);
}

TYPED_TEST_P(RegistryContract, TheStartUpEntryIsWrittenReadAndDeletedAsTheProgramDoesIt)
{
    Handle run = 0;
    ASSERT_EQ(this->api().RegOpenKeyExA(kLocalMachine, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN\\", 0,
                                        kRunEntryAccess, &run),
              kSuccess);
    const std::string name = "Tarnquill contract entry";
    ASSERT_EQ(this->set(run, name, kSz, sz("C:\\Apps\\Clip\\tool")), kSuccess);

    Handle reader = 0;
    ASSERT_EQ(this->open(kLocalMachine, "software\\microsoft\\windows\\currentversion\\run", reader, 3), kSuccess);
    EXPECT_EQ(this->query(reader, name), (Value{kSuccess, kSz, sz("C:\\Apps\\Clip\\tool")}));

    EXPECT_EQ(this->api().RegDeleteValueA(run, name), kSuccess);
    EXPECT_EQ(this->query(reader, name).status, kFileNotFound);
    EXPECT_EQ(this->api().RegCloseKey(run), kSuccess);
}

REGISTER_TYPED_TEST_SUITE_P(RegistryContract, CreateMakesEveryKeyOnThePathAndTellsNewFromExisting, OpenNeverCreates,
                            SeparatorsInPathsAreReadAsTheSystemReadsThem, ValuesKeepTheirTypeAndBytes,
                            QueryTellsTheSizeAndRefusesASmallBuffer, TheDefaultValueIsTheEmptyName,
                            NamesIgnoreCaseAndKeepTheirFirstSpelling, SubkeysEnumerateByNameWithoutRegardToCase,
                            EnumeratingAKeyNameIntoASmallBufferAsksForMore, ValuesEnumerateWithNameTypeAndData,
                            QueryInfoCountsSubkeysAndValuesAndTheirLongestLengths, AKeyWithSubkeysIsNotDeleted,
                            AHandleToADeletedKeyReportsIt, DeletingTheEmptyNameDeletesTheHandlesOwnKey,
                            AccessRightsOfAHandleAreChecked, ClosedAndUnknownHandlesAreInvalid,
                            TheStartUpEntryIsWrittenReadAndDeletedAsTheProgramDoesIt);

} // namespace tarnquill::contract
