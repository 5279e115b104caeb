// SPDX-License-Identifier: MIT
#pragma once

// Registry scenarios that every backend of the ten registry functions must
// pass alike: the SQLite store on Linux and the system's own functions (Wine's
// under the Windows build). A backend takes part through a traits struct:
//
//   struct Traits {
//       // Default-constructible; owns whatever the backend needs for one test
//       // (temporary folders, ...). api() returns an object offering the ten
//       // functions in the pointer form of RegistryCalls.h.
//       class Backend;
//   };
//
// and is instantiated with INSTANTIATE_TYPED_TEST_SUITE_P(Name, RegistryContract, Traits).

#include "RegistryCalls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace tarnquill::contract {

// What the start-up entry opens the Run key with.
inline constexpr Dword kRunEntryAccess = 0x3F;

template <class Traits>
class RegistryContract : public ::testing::Test {
protected:
    static constexpr const char* kParent = "Software\\Tarnquill contract tests";

    void SetUp() override
    {
        m_backend = std::make_unique<typename Traits::Backend>();
        m_scratchPath = std::string(kParent) + "\\" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        deleteTree(HKEY_CURRENT_USER, m_scratchPath);
        ASSERT_EQ(create(HKEY_CURRENT_USER, m_scratchPath, m_scratch), ERROR_SUCCESS);
    }

    void TearDown() override
    {
        for (const Handle handle : m_handles)
            api().RegCloseKey(handle);
        deleteTree(HKEY_CURRENT_USER, m_scratchPath);
        api().RegDeleteKeyA(HKEY_CURRENT_USER, kParent); // fails while other tests' keys are in it
    }

    auto& api() { return m_backend->api(); }
    Handle scratch() const { return m_scratch; }

    // Handles opened through these are closed at the end of the test.
    Status create(Handle base, const std::string& path, Handle& out, Dword* disposition = nullptr)
    {
        Dword ignored = 0;
        const Status status = api().RegCreateKeyExA(base, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &out,
                                                    disposition ? disposition : &ignored);
        return kept(status, out);
    }
    Handle create(const std::string& path)
    {
        Handle handle = 0;
        EXPECT_EQ(create(m_scratch, path, handle), ERROR_SUCCESS) << path;
        return handle;
    }
    Status open(Handle base, const std::string& path, Handle& out, Dword access = KEY_READ)
    {
        return kept(api().RegOpenKeyExA(base, path, 0, access, &out), out);
    }
    Status set(Handle key, const std::string& name, Dword type, const std::string& bytes)
    {
        return api().RegSetValueExA(key, name, 0, type, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                    static_cast<Dword>(bytes.size()));
    }
    Value query(Handle key, const std::string& name) { return queryValue(api(), key, name); }
    Status enumKey(Handle key, Dword index, char* name, Dword& length)
    {
        return api().RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    }
    std::vector<std::string> subkeys(Handle key) { return subkeyNames(api(), key); }
    std::vector<std::pair<std::string, Value>> values(Handle key) { return valueList(api(), key); }

    void deleteTree(Handle base, const std::string& path) { contract::deleteTree(api(), base, path); }

private:
    Status kept(Status status, Handle handle)
    {
        if (status == ERROR_SUCCESS)
            m_handles.push_back(handle);
        return status;
    }

    std::unique_ptr<typename Traits::Backend> m_backend;
    std::string m_scratchPath;
    Handle m_scratch = 0;
    std::vector<Handle> m_handles;
};

TYPED_TEST_SUITE_P(RegistryContract);

TYPED_TEST_P(RegistryContract, OpenNeverCreatesAndCreateMakesEveryKeyOnThePathAndTellsNewFromExisting)
{
    Handle leaf = 123, again = 0, sibling = 0, middle = 0;
    EXPECT_EQ(this->api().RegOpenKeyExA(this->scratch(), "Outer", 0, KEY_ALL_ACCESS, &leaf), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(leaf, 0) << "a failed open sets the handle to 0";
    EXPECT_EQ(this->open(this->scratch(), "Outer\\Middle", leaf), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(this->subkeys(this->scratch()).empty());

    Dword disposition = 0;
    ASSERT_EQ(this->create(this->scratch(), "Outer\\Middle\\Leaf", leaf, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    EXPECT_EQ(this->open(this->scratch(), "Outer\\Middle", middle), ERROR_SUCCESS);
    EXPECT_EQ(this->subkeys(middle), std::vector<std::string>{"Leaf"});

    ASSERT_EQ(this->create(this->scratch(), "outer\\MIDDLE\\leaf", again, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_NE(again, leaf) << "each open gets a handle of its own";
    ASSERT_EQ(this->create(this->scratch(), "Outer\\Other", sibling, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY) << "only the last key is new, and that counts";
}

TYPED_TEST_P(RegistryContract, SeparatorsInPathsAreReadAsTheSystemReadsThem)
{
    const std::string mark("\x2a\0\0\0", 4);
    ASSERT_EQ(this->set(this->create("Outer\\Inner"), "mark", REG_DWORD, mark), ERROR_SUCCESS);
    for (const auto& [path, status] : std::vector<std::pair<const char*, Status>>{
             {"Outer\\Inner\\", ERROR_SUCCESS},
             {"Outer\\Inner\\\\", ERROR_SUCCESS},
             {"Outer\\\\Inner", ERROR_SUCCESS},
             {"\\Outer\\Inner", ERROR_BAD_PATHNAME},
             {"\\", ERROR_BAD_PATHNAME}}) {
        SCOPED_TRACE(path);
        Handle opened = 0, created = 0;
        Dword disposition = 0;
        ASSERT_EQ(this->open(this->scratch(), path, opened), status);
        ASSERT_EQ(this->create(this->scratch(), path, created, &disposition), status);
        if (status == ERROR_SUCCESS) {
            EXPECT_EQ(this->query(opened, "mark").bytes, mark) << "the same key";
            EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
        }
    }
    EXPECT_EQ(this->subkeys(this->scratch()), std::vector<std::string>{"Outer"});
}

// The default value is the one with the empty name; a new key has none.
TYPED_TEST_P(RegistryContract, ValuesKeepTheirTypeAndBytes)
{
    const Handle key = this->create("Values");
    EXPECT_EQ(this->query(key, "").status, ERROR_FILE_NOT_FOUND);
    const std::vector<std::tuple<std::string, Dword, std::string>> rows{
        {"", REG_SZ, sz("default")},
        {"text", REG_SZ, sz("abc")},
        {"empty text", REG_SZ, sz("")},
        {"number", REG_DWORD, std::string("\x78\x56\x34\x12", 4)},
        {"no bytes", REG_BINARY, ""},
        {"bytes with NULs", REG_BINARY, std::string("\0\x0a\xff\0", 4)},
        {"list", REG_MULTI_SZ, std::string("a\0bc\0\0", 6)},
        {"expandable", REG_EXPAND_SZ, sz("%TEMP%\\x")},
        {"odd type", 1234, "x"},
    };
    for (const auto& [name, type, bytes] : rows)
        ASSERT_EQ(this->set(key, name, type, bytes), ERROR_SUCCESS) << name;
    for (const auto& [name, type, bytes] : rows)
        EXPECT_EQ(this->query(key, name), (Value{ERROR_SUCCESS, type, bytes})) << name;

    ASSERT_EQ(this->set(key, "text", REG_DWORD, std::string("\1\0\0\0", 4)), ERROR_SUCCESS);
    EXPECT_EQ(this->query(key, "text"), (Value{ERROR_SUCCESS, REG_DWORD, std::string("\1\0\0\0", 4)}))
        << "writing again replaces type and data";
    EXPECT_EQ(this->query(key, "never written").status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(this->api().RegDeleteValueA(key, ""), ERROR_SUCCESS);
    EXPECT_EQ(this->query(key, "").status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(this->api().RegDeleteValueA(key, ""), ERROR_FILE_NOT_FOUND);
}

TYPED_TEST_P(RegistryContract, QueryTellsTheSizeAndRefusesASmallBuffer)
{
    const Handle key = this->create("Sizes");
    ASSERT_EQ(this->set(key, "greeting", REG_SZ, sz("hello")), ERROR_SUCCESS);
    // A row per buffer: none (the size alone), too small, exact, and 255
    // bytes as the utility class reads a text.
    for (const auto& [capacity, status] : std::vector<std::pair<Dword, Status>>{
             {0, ERROR_SUCCESS}, {5, ERROR_MORE_DATA}, {6, ERROR_SUCCESS}, {255, ERROR_SUCCESS}}) {
        SCOPED_TRACE(capacity);
        std::string buffer(255, ' ');
        Dword type = 0, size = capacity;
        EXPECT_EQ(this->api().RegQueryValueExA(key, "greeting", nullptr, &type,
                                               capacity ? reinterpret_cast<std::uint8_t*>(buffer.data()) : nullptr,
                                               &size),
                  status);
        EXPECT_EQ(size, 6u) << "the size of the value, or needed";
        EXPECT_EQ(type, REG_SZ);
        if (status == ERROR_SUCCESS && capacity) {
            EXPECT_EQ(buffer.substr(0, 7), sz("hello") + " ") << "nothing written past the value";
        }
    }
}

// Subkeys also enumerate by name without regard to case.
TYPED_TEST_P(RegistryContract, NamesIgnoreCaseAndKeepTheirFirstSpelling)
{
    for (const char* name : {"gamma", "MixedCase", "DELTA", "beta"})
        this->create(name);
    Handle key = 0;
    ASSERT_EQ(this->open(this->scratch(), "MIXEDCASE", key, KEY_ALL_ACCESS), ERROR_SUCCESS);
    EXPECT_EQ(this->subkeys(this->scratch()), (std::vector<std::string>{"beta", "DELTA", "gamma", "MixedCase"}));

    ASSERT_EQ(this->set(key, "Setting", REG_SZ, sz("first")), ERROR_SUCCESS);
    ASSERT_EQ(this->set(key, "SETTING", REG_SZ, sz("second")), ERROR_SUCCESS);
    EXPECT_EQ(this->query(key, "setting").bytes, sz("second"));
    const auto listed = this->values(key);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].first, "Setting");
    EXPECT_EQ(this->api().RegDeleteValueA(key, "sEtTiNg"), ERROR_SUCCESS);
    EXPECT_EQ(this->api().RegDeleteValueA(key, "Setting"), ERROR_FILE_NOT_FOUND);
}

TYPED_TEST_P(RegistryContract, ValuesEnumerateWithNameTypeAndData)
{
    const Handle key = this->create("Listing");
    using Row = std::tuple<std::string, Dword, std::string>;
    const std::vector<Row> written{{"", REG_SZ, sz("x")},
                                   {"Count", REG_DWORD, std::string("\1\0\0\0", 4)},
                                   {"Blob", REG_BINARY, std::string("\0\x0a\xff", 3)}};
    for (const auto& [name, type, bytes] : written)
        ASSERT_EQ(this->set(key, name, type, bytes), ERROR_SUCCESS);
    // The order of values is the backend's own; every value once is what counts.
    const auto values = this->values(key);
    std::set<Row> listed;
    for (const auto& [name, value] : values)
        listed.emplace(name, value.type, value.bytes);
    EXPECT_EQ(values.size(), 3u);
    EXPECT_EQ(listed, std::set<Row>(written.begin(), written.end()));
    const auto blob = static_cast<Dword>(
        std::ranges::find(values, std::string("Blob"), [](const auto& pair) { return pair.first; }) - values.begin());

    char name[16];
    Dword length = sizeof name, type = 0, size = 2;
    std::uint8_t data[16];
    EXPECT_EQ(this->api().RegEnumValueA(key, blob, name, &length, nullptr, &type, data, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 3u) << "the data size needed";
    length = 4; // "Blob" needs 5 with its NUL
    size = sizeof data;
    EXPECT_EQ(this->api().RegEnumValueA(key, blob, name, &length, nullptr, &type, data, &size), ERROR_MORE_DATA);
}

// Name lengths are in bytes: "Ärger" has five letters, six bytes.
TYPED_TEST_P(RegistryContract, QueryInfoCountsSubkeysAndValuesAndTheirLongestLengthsAndEnumerationAsksForMore)
{
    const Handle key = this->create("Info");
    this->create("Info\\Ab");
    this->create("Info\\Ärger\\Grandchild is not counted");
    ASSERT_EQ(this->set(key, "", REG_BINARY, "12"), ERROR_SUCCESS);
    ASSERT_EQ(this->set(key, "x", REG_BINARY, "1234567"), ERROR_SUCCESS);
    ASSERT_EQ(this->set(key, "longest", REG_DWORD, std::string(4, '\0')), ERROR_SUCCESS);

    char keyClass[255];
    Dword classLength = sizeof keyClass, subKeys = 0, maxSubKey = 0, maxClass = 99, valueCount = 0, maxValueName = 0,
          maxValue = 0, security = 0;
    ASSERT_EQ(this->api().RegQueryInfoKeyA(key, keyClass, &classLength, nullptr, &subKeys, &maxSubKey, &maxClass,
                                           &valueCount, &maxValueName, &maxValue, &security, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(std::vector<Dword>({subKeys, maxSubKey, maxClass, valueCount, maxValueName, maxValue, classLength}),
              std::vector<Dword>({2, 6, 0, 3, 7, 7, 0}));

    ASSERT_EQ(this->api().RegQueryInfoKeyA(this->create("Info\\Ab"), nullptr, nullptr, nullptr, &subKeys, &maxSubKey,
                                           nullptr, &valueCount, &maxValueName, &maxValue, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(std::vector<Dword>({subKeys, maxSubKey, valueCount, maxValueName, maxValue}),
              std::vector<Dword>({0, 0, 0, 0, 0}));

    // The enumeration member sizes its buffer from the longest name and
    // passes the name's length, without room for the NUL, at first.
    char name[16];
    Dword length = 6;
    EXPECT_EQ(this->enumKey(key, 1, name, length), ERROR_MORE_DATA);
    ASSERT_EQ(this->enumKey(key, 1, name, length = 7), ERROR_SUCCESS);
    EXPECT_EQ(length, 6u);
    EXPECT_EQ(std::string(name), "Ärger");
    ASSERT_EQ(this->enumKey(key, 0, name, length = 3), ERROR_SUCCESS);
    EXPECT_EQ(std::string(name, length), "Ab");
}

// The empty name is the handle's own key. Another handle to a deleted key
// reports it, even once a key of that name is made again.
TYPED_TEST_P(RegistryContract, OnlyAKeyWithoutSubkeysIsDeletedAndAHandleToADeletedKeyReportsIt)
{
    this->create("Example\\Old\\Inner");
    Handle example = 0, old = 0, self = 0, doomed = 0, below = 0;
    ASSERT_EQ(this->open(this->scratch(), "Example", example, KEY_ALL_ACCESS), ERROR_SUCCESS);
    EXPECT_EQ(this->api().RegDeleteKeyA(example, "Old"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(this->open(example, "Old", old), ERROR_SUCCESS) << "still there";
    EXPECT_EQ(this->api().RegDeleteKeyA(example, "OLD\\inner"), ERROR_SUCCESS);
    EXPECT_EQ(this->api().RegDeleteKeyA(example, "Old"), ERROR_SUCCESS);
    EXPECT_EQ(this->api().RegDeleteKeyA(example, "Old"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(this->subkeys(this->scratch()), std::vector<std::string>{"Example"}) << "the parent stays";

    ASSERT_EQ(this->create(this->scratch(), "Self", self), ERROR_SUCCESS);
    ASSERT_EQ(this->open(this->scratch(), "self", doomed, KEY_ALL_ACCESS), ERROR_SUCCESS);
    EXPECT_EQ(this->api().RegDeleteKeyA(self, ""), ERROR_SUCCESS);
    EXPECT_EQ(this->open(this->scratch(), "Self", below), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(this->set(doomed, "x", REG_SZ, sz("")), ERROR_KEY_DELETED);
    EXPECT_EQ(this->query(doomed, "x").status, ERROR_KEY_DELETED);
    char name[16];
    Dword length = sizeof name;
    EXPECT_EQ(this->enumKey(doomed, 0, name, length), ERROR_KEY_DELETED);
    EXPECT_EQ(this->create(doomed, "Below", below), ERROR_KEY_DELETED);
    ASSERT_EQ(this->create(this->scratch(), "Self", self), ERROR_SUCCESS);
    EXPECT_EQ(this->set(doomed, "x", REG_SZ, sz("")), ERROR_KEY_DELETED) << "an old handle does not reach a new key";
}

// Closed and unknown handles are invalid; a root's is never closed.
TYPED_TEST_P(RegistryContract, AccessRightsOfAHandleAreCheckedAndClosedAndUnknownHandlesAreInvalid)
{
    ASSERT_EQ(this->set(this->create("Rights"), "kept", REG_SZ, sz("v")), ERROR_SUCCESS);
    Handle reader = 0, writer = 0;
    ASSERT_EQ(this->open(this->scratch(), "Rights", reader, KEY_READ), ERROR_SUCCESS);
    EXPECT_EQ(this->set(reader, "new", REG_SZ, sz("v")), ERROR_ACCESS_DENIED);
    EXPECT_EQ(this->api().RegDeleteValueA(reader, "kept"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(this->query(reader, "kept").bytes, sz("v"));
    EXPECT_EQ(this->query(reader, "new").status, ERROR_FILE_NOT_FOUND) << "nothing was written";

    ASSERT_EQ(this->open(this->scratch(), "Rights", writer, KEY_SET_VALUE), ERROR_SUCCESS);
    EXPECT_EQ(this->query(writer, "kept").status, ERROR_ACCESS_DENIED);
    EXPECT_EQ(this->set(writer, "new", REG_SZ, sz("v")), ERROR_SUCCESS);

    Handle key = 0, below = 0;
    ASSERT_EQ(this->api().RegOpenKeyExA(this->scratch(), "", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_NE(key, this->scratch());
    EXPECT_EQ(this->api().RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(this->api().RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(this->query(key, "x").status, ERROR_INVALID_HANDLE);
    EXPECT_EQ(this->api().RegCloseKey(0), ERROR_INVALID_HANDLE);
    EXPECT_EQ(this->api().RegOpenKeyExA(0, "Software", 0, KEY_READ, &below), ERROR_INVALID_HANDLE);
    EXPECT_EQ(this->api().RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS) << "closing a root changes nothing";
    EXPECT_EQ(this->open(HKEY_CURRENT_USER, "Software", below), ERROR_SUCCESS);
}

TYPED_TEST_P(RegistryContract, TheStartUpEntryIsWrittenReadAndDeletedAsTheProgramDoesIt)
{
    Handle run = 0, reader = 0;
    ASSERT_EQ(this->api().RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN\\", 0,
                                        kRunEntryAccess, &run),
              ERROR_SUCCESS);
    const std::string name = "Tarnquill contract entry";
    ASSERT_EQ(this->set(run, name, REG_SZ, sz("C:\\Apps\\Clip\\tool")), ERROR_SUCCESS);
    ASSERT_EQ(this->open(HKEY_LOCAL_MACHINE, "software\\microsoft\\windows\\currentversion\\run", reader,
                         KEY_QUERY_VALUE | KEY_SET_VALUE),
              ERROR_SUCCESS);
    EXPECT_EQ(this->query(reader, name), (Value{ERROR_SUCCESS, REG_SZ, sz("C:\\Apps\\Clip\\tool")}));
    EXPECT_EQ(this->api().RegDeleteValueA(run, name), ERROR_SUCCESS);
    EXPECT_EQ(this->query(reader, name).status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(this->api().RegCloseKey(run), ERROR_SUCCESS);
}

REGISTER_TYPED_TEST_SUITE_P(RegistryContract, OpenNeverCreatesAndCreateMakesEveryKeyOnThePathAndTellsNewFromExisting,
                            SeparatorsInPathsAreReadAsTheSystemReadsThem, ValuesKeepTheirTypeAndBytes,
                            QueryTellsTheSizeAndRefusesASmallBuffer, NamesIgnoreCaseAndKeepTheirFirstSpelling,
                            ValuesEnumerateWithNameTypeAndData,
                            QueryInfoCountsSubkeysAndValuesAndTheirLongestLengthsAndEnumerationAsksForMore,
                            OnlyAKeyWithoutSubkeysIsDeletedAndAHandleToADeletedKeyReportsIt,
                            AccessRightsOfAHandleAreCheckedAndClosedAndUnknownHandlesAreInvalid,
                            TheStartUpEntryIsWrittenReadAndDeletedAsTheProgramDoesIt);

} // namespace tarnquill::contract
