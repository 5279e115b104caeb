// SPDX-License-Identifier: MIT
// NativeWin32Api's registry functions against the system's registry (Wine's
// under the cross build), under HKEY_CURRENT_USER\Software\TarnquillTest.
// What every registry backend must do alike is the contract suite's
// (tests/registry); here is what is particular to reaching the system through
// the W functions: text whole, sizes in UTF-8, the seam's own handles.

#include "SystemProbe.h"
#include "registry/RegistryCalls.h"

#include "platform/windows/NativeWin32Api.h"
#include "platform/windows/WideText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnquill {
namespace {

using contract::sz;
using probe::Stored;

constexpr const char* kRoot = "Software\\TarnquillTest";

// A query's answer; name and nameLength stay empty.
using Answer = probe::EnumAnswer;

class NativeRegistry : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_path = std::string(kRoot) + "\\" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        probe::deleteSystemTree(wide::fromUtf8(m_path));
        DWORD disposition = 0;
        ASSERT_EQ(api.RegCreateKeyExA(HKEY_CURRENT_USER, m_path, 0, std::nullopt, REG_OPTION_NON_VOLATILE,
                                      KEY_ALL_ACCESS, m_key, disposition),
                  ERROR_SUCCESS);
    }

    void TearDown() override
    {
        api.RegCloseKey(m_key);
        probe::deleteSystemTree(wide::fromUtf8(m_path));
        api.RegDeleteKeyA(HKEY_CURRENT_USER, kRoot); // kept while other tests' keys are in it
    }

    std::wstring systemPath() const { return wide::fromUtf8(m_path); }

    LONG set(HKEY key, const std::string& name, DWORD type, const std::string& bytes)
    {
        return api.RegSetValueExA(key, name, 0, type, bytes, static_cast<DWORD>(bytes.size()));
    }

    // A query into a buffer of `capacity` spaces.
    Answer query(HKEY key, const std::string& name, DWORD capacity = 255)
    {
        Answer answer{0, "", 0, 0, std::string(capacity, ' '), capacity};
        answer.status = api.RegQueryValueExA(key, name, answer.type, answer.data, answer.size);
        return answer;
    }

    NativeWin32Api api;
    std::string m_path;
    HKEY m_key = 0;
};

TEST_F(NativeRegistry, SizesAreUtf8BytesAndATooSmallBufferAsksForThem)
{
    const std::string data = sz("café €"); // 10 bytes in UTF-8, 14 in UTF-16
    ASSERT_EQ(data.size(), 10u);
    ASSERT_EQ(set(m_key, "Größe", REG_SZ, data), ERROR_SUCCESS);
    HKEY subKey = 0;
    DWORD disposition = 0;
    ASSERT_EQ(api.RegCreateKeyExA(m_key, "Ключ", 0, std::nullopt, 0, KEY_ALL_ACCESS, subKey, disposition),
              ERROR_SUCCESS);
    api.RegCloseKey(subKey);

    EXPECT_EQ(query(m_key, "Größe", 9), (Answer{ERROR_MORE_DATA, "", 0, REG_SZ, std::string(9, ' '), 10}))
        << "the UTF-8 size needed, the buffer left alone";
    EXPECT_EQ(query(m_key, "Größe", 10), (Answer{ERROR_SUCCESS, "", 0, REG_SZ, data, 10}));
    EXPECT_EQ(query(m_key, "Größe", 12), (Answer{ERROR_SUCCESS, "", 0, REG_SZ, data + "  ", 10}))
        << "nothing written past the value";
    EXPECT_EQ(query(m_key, "Missing", 4), (Answer{ERROR_FILE_NOT_FOUND, "", 0, 0, "    ", 4}))
        << "type, data and size left alone";

    std::string className(255, ' ');
    DWORD classLength = 255, subKeys = 0, maxSubKey = 0, maxClass = 0, values = 0, maxName = 0, maxData = 0,
          security = 0;
    FileTime written;
    ASSERT_EQ(api.RegQueryInfoKeyA(m_key, className, classLength, subKeys, maxSubKey, maxClass, values, maxName,
                                   maxData, security, written),
              ERROR_SUCCESS);
    EXPECT_EQ(std::vector<DWORD>({subKeys, maxSubKey, values, maxName, maxData, classLength}),
              std::vector<DWORD>({1, 8, 1, 7, 10, 0}))
        << "\"Ключ\" is 8 bytes, \"Größe\" 7, the data 10";

    // Name buffers count their NUL: a name fits from its length plus one.
    std::string name(16, ' '), keyClass(16, ' ');
    DWORD nameLength = 8, keyClassLength = 16;
    EXPECT_EQ(api.RegEnumKeyExA(m_key, 0, name, nameLength, keyClass, keyClassLength, written), ERROR_MORE_DATA);
    EXPECT_EQ(nameLength, 8u);
    nameLength = 9;
    EXPECT_EQ(api.RegEnumKeyExA(m_key, 0, name, nameLength, keyClass, keyClassLength, written), ERROR_SUCCESS);
    EXPECT_EQ(name.substr(0, nameLength + 1), sz("Ключ"));

    DWORD type = 0, size = 9;
    std::string value(16, ' ');
    nameLength = 16;
    EXPECT_EQ(api.RegEnumValueA(m_key, 0, name, nameLength, type, value, size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 10u);
    nameLength = 7;
    size = 16;
    EXPECT_EQ(api.RegEnumValueA(m_key, 0, name, nameLength, type, value, size), ERROR_MORE_DATA);
    nameLength = 8;
    EXPECT_EQ(api.RegEnumValueA(m_key, 0, name, nameLength, type, value, size), ERROR_SUCCESS);
    EXPECT_EQ(name.substr(0, nameLength), "Größe");
    EXPECT_EQ(value.substr(0, size), data);
}

TEST_F(NativeRegistry, TextReachesTheSystemWholeAndOtherTypesKeepTheirBytes)
{
    struct Row {
        const char* name;
        DWORD type;
        std::string bytes;
        std::wstring stored; // for the string types
    };
    const std::vector<Row> rows{
        // Latin-1, the euro sign (not in Latin-1) and a character beyond the BMP, under a name outside ASCII.
        {"Größe", REG_SZ, sz("café € 𝄞"), std::wstring(L"café € 𝄞") + L'\0'},
        {"text without NUL", REG_SZ, "abc", L"abc"},
        {"expandable", REG_EXPAND_SZ, sz("%TEMP%\\é"), std::wstring(L"%TEMP%\\é") + L'\0'},
        {"list", REG_MULTI_SZ, std::string("a\0é\0\0", 6), std::wstring(L"a\0é\0\0", 5)},
        {"bytes", REG_BINARY, "\xC3\xA9", {}},
        {"number", REG_DWORD, std::string("\xE9\0\0\x80", 4), {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_EQ(set(m_key, row.name, row.type, row.bytes), ERROR_SUCCESS);
        const std::string stored = row.stored.empty() ? row.bytes : probe::bytesOf(row.stored);
        EXPECT_EQ(probe::systemValue(systemPath(), wide::fromUtf8(row.name)), (Stored{row.type, stored}));
        const Answer read = query(m_key, row.name);
        EXPECT_EQ(read.type, row.type);
        EXPECT_EQ(read.data.substr(0, read.size), row.bytes);
    }
}

TEST_F(NativeRegistry, BytesThatAreNotUtf8AreReadInTheAnsiCodePage)
{
    // "été" as a single-byte file of an older version holds it.
    const std::string legacy("\xE9t\xE9", 3);
    ASSERT_EQ(set(m_key, "legacy", REG_SZ, sz(legacy)), ERROR_SUCCESS);
    const std::wstring expected = probe::fromAnsi(legacy);
    EXPECT_EQ(probe::systemValue(systemPath(), L"legacy"), (Stored{REG_SZ, probe::bytesOf(expected + L'\0')}));
    const Answer read = query(m_key, "legacy");
    EXPECT_EQ(read.data.substr(0, read.size), sz(wide::toUtf8(expected))) << "read back as UTF-8";
}

// The system may give the next key the handle a closed one had; the seam
// gives it another number, so a stale handle never reaches the newer key.
TEST_F(NativeRegistry, AClosedHandlesNumberNeverReachesANewerKey)
{
    ASSERT_EQ(set(m_key, "mark", REG_SZ, sz("old")), ERROR_SUCCESS);
    HKEY first = 0, second = 0;
    ASSERT_EQ(api.RegOpenKeyExA(m_key, "", 0, KEY_ALL_ACCESS, first), ERROR_SUCCESS);
    EXPECT_GT(first, 0) << "an opened key is a positive number, apart from the roots";
    EXPECT_EQ(api.RegCloseKey(first), ERROR_SUCCESS);
    ASSERT_EQ(api.RegOpenKeyExA(m_key, "", 0, KEY_ALL_ACCESS, second), ERROR_SUCCESS);
    EXPECT_NE(second, first);
    EXPECT_EQ(set(first, "mark", REG_SZ, sz("through a closed handle")), ERROR_INVALID_HANDLE);
    EXPECT_EQ(query(second, "mark").data.substr(0, 4), sz("old"));
    api.RegCloseKey(second);
}

// Where the single-byte functions leave particular things in the caller's
// variables, the seam leaves the same (for ASCII, where both can be compared).
TEST_F(NativeRegistry, AnswersAsTheSystemsSingleByteFunctionsDo)
{
    // A REG_SZ stored without its NUL, as another program may write it.
    ASSERT_TRUE(probe::writeSystemValue(systemPath(), L"LongName", REG_SZ, L"abc"));
    ASSERT_EQ(probe::systemValue(systemPath(), L"LongName"), (Stored{REG_SZ, probe::bytesOf(L"abc")}));

    struct Row {
        const char* what;
        DWORD nameCapacity;
        DWORD dataCapacity;
    };
    const Row rows[] = {
        {"both fit: a NUL ends the text where there is room", 16, 10},
        {"the data fills the buffer: no NUL", 16, 3},
        {"the data does not fit", 16, 2},
        {"the name does not fit", 4, 10},
        {"the name fits without its NUL only", 8, 10},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string name(row.nameCapacity, '.');
        const std::string data(row.dataCapacity, '.');
        Answer seam{0, name, row.nameCapacity, 0, data, row.dataCapacity};
        seam.status = api.RegEnumValueA(m_key, 0, seam.name, seam.nameLength, seam.type, seam.data, seam.size);
        EXPECT_EQ(seam, probe::systemEnumValueA(systemPath(), 0, name, row.nameCapacity, data, row.dataCapacity));

        Answer queried{0, "", 0, 0, data, row.dataCapacity};
        queried.status = api.RegQueryValueExA(m_key, "LongName", queried.type, queried.data, queried.size);
        EXPECT_EQ(queried, probe::systemQueryValueA(systemPath(), "LongName", data, row.dataCapacity));
    }
}

} // namespace
} // namespace tarnquill
