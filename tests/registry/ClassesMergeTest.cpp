// SPDX-License-Identifier: MIT
// HKEY_CLASSES_ROOT through the seam: the user's and the machine's classes
// listed as one, the user's entry where both have a name.

#include "RegistryFixture.h"

#include "platform/linux/LinuxWin32Api.h"
#include "platform/linux/QtHandleTable.h"

#include <utility>
#include <vector>

namespace tarnquill::registry::testing {
namespace {

class ClassesMergeTest : public RegistryTest {
protected:
    void SetUp() override
    {
        const auto machine = [&](const std::string& path, const std::string& name, const std::string& text) {
            ASSERT_EQ(setBytes(registry(), createKey(registry(), HKEY_LOCAL_MACHINE, "Software\\Classes\\" + path),
                               name, REG_SZ, sz(text)),
                      ERROR_SUCCESS);
        };
        machine(".machonly", "", "MachineType");
        machine(".BOTH", "", "MachineBoth");
        machine(".BOTH", "Machine Value", "m");
        machine(".BOTH\\shell", "", "");
        ASSERT_EQ(setBytes(registry(), createKey(registry(), HKEY_CLASSES_ROOT, ".both\\ShellEx"), "", REG_SZ, sz("")),
                  ERROR_SUCCESS);
        ASSERT_EQ(setBytes(registry(), createKey(registry(), HKEY_CLASSES_ROOT, ".both"), "", REG_SZ, sz("UserBoth")),
                  ERROR_SUCCESS);
        ASSERT_EQ(setBytes(registry(), createKey(registry(), HKEY_CLASSES_ROOT, ".useronly"), "", REG_SZ, sz("U")),
                  ERROR_SUCCESS);
    }

    HKEY open(HKEY base, const std::string& path)
    {
        HKEY key = 0;
        EXPECT_EQ(api.RegOpenKeyExA(base, path, 0, KEY_READ, key), ERROR_SUCCESS) << path;
        return key;
    }

    std::vector<std::string> subKeys(HKEY key)
    {
        std::vector<std::string> names;
        for (DWORD index = 0;; ++index) {
            std::string name(256, '\0'), keyClass(256, '\0');
            DWORD nameLength = 256, classLength = 256;
            FileTime written;
            const LONG status = api.RegEnumKeyExA(key, index, name, nameLength, keyClass, classLength, written);
            if (status != ERROR_SUCCESS) {
                EXPECT_EQ(status, ERROR_NO_MORE_ITEMS);
                return names;
            }
            names.push_back(name.substr(0, nameLength));
        }
    }

    std::vector<std::pair<std::string, std::string>> values(HKEY key)
    {
        std::vector<std::pair<std::string, std::string>> found;
        for (DWORD index = 0;; ++index) {
            std::string name(256, '\0'), data(256, '\0');
            DWORD nameLength = 256, type = 0, size = 256;
            const LONG status = api.RegEnumValueA(key, index, name, nameLength, type, data, size);
            if (status != ERROR_SUCCESS) {
                EXPECT_EQ(status, ERROR_NO_MORE_ITEMS);
                return found;
            }
            found.emplace_back(name.substr(0, nameLength), data.substr(0, data.find('\0')));
        }
    }

    struct Info {
        DWORD subKeys = 0, maxSubKey = 0, values = 0, maxValueName = 0, maxValue = 0;
    };
    Info info(HKEY key)
    {
        Info got;
        std::string keyClass;
        DWORD classLength = 0, maxClass = 0, security = 0;
        FileTime written;
        EXPECT_EQ(api.RegQueryInfoKeyA(key, keyClass, classLength, got.subKeys, got.maxSubKey, maxClass, got.values,
                                       got.maxValueName, got.maxValue, security, written),
                  ERROR_SUCCESS);
        return got;
    }

    QtHandleTable handles;
    LinuxWin32Api api{registry(), handles};
};

using Names = std::vector<std::string>;
using Values = std::vector<std::pair<std::string, std::string>>;

TEST_F(ClassesMergeTest, TheRootListsBothSidesOnceInOneOrder)
{
    EXPECT_EQ(subKeys(HKEY_CLASSES_ROOT), (Names{".both", ".machonly", ".useronly"}));
    const Info root = info(HKEY_CLASSES_ROOT);
    EXPECT_EQ(root.subKeys, 3u);
    EXPECT_EQ(root.maxSubKey, 9u);
    // The user's own key is not merged: only HKEY_CLASSES_ROOT is.
    EXPECT_EQ(subKeys(open(HKEY_CURRENT_USER, "Software\\Classes")), (Names{".both", ".useronly"}));
}

TEST_F(ClassesMergeTest, AKeyOnBothSidesMergesItsSubkeysAndValues)
{
    const HKEY both = open(HKEY_CLASSES_ROOT, ".Both");
    EXPECT_EQ(subKeys(both), (Names{"shell", "ShellEx"}));
    EXPECT_EQ(values(both), (Values{{"", "UserBoth"}, {"Machine Value", "m"}}));
    const Info merged = info(both);
    EXPECT_EQ(merged.subKeys, 2u);
    EXPECT_EQ(merged.values, 2u);
    EXPECT_EQ(merged.maxValueName, 13u);
    EXPECT_EQ(merged.maxValue, 9u) << "\"UserBoth\" and its NUL";
    DWORD type = 0, size = 16;
    std::string data(16, '\0');
    EXPECT_EQ(api.RegQueryValueExA(both, "MACHINE VALUE", type, data, size), ERROR_SUCCESS);
    // A key only the machine has, and one only the user has, below the root.
    EXPECT_EQ(values(open(HKEY_CLASSES_ROOT, ".machonly")), (Values{{"", "MachineType"}}));
    EXPECT_EQ(values(open(HKEY_CLASSES_ROOT, ".useronly")), (Values{{"", "U"}}));
    EXPECT_EQ(subKeys(open(both, "shell")), Names{});
}

} // namespace
} // namespace tarnquill::registry::testing
