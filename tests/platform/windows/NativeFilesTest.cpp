// SPDX-License-Identifier: MIT
// NativeWin32Api's machine calls against the system (Wine's kernel32 and
// advapi32 under the cross build). Its file search is compared with the
// Linux stand-ins' on one folder tree by winapi_tool.find_files (listing
// order, sizes above 4 GB, subfolders).

#include "platform/windows/NativeWin32Api.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tarnquill {
namespace {

namespace fs = std::filesystem;

class NativeFiles : public ::testing::Test {
protected:
    NativeFiles()
    {
        const int seed = ::testing::UnitTest::GetInstance()->random_seed();
        m_folder = fs::temp_directory_path() / ("tarnquill-files-" + std::to_string(seed));
        fs::remove_all(m_folder);
        fs::create_directories(m_folder / "sub");
        for (const char* name : {"b.TXT", "A.txt", "_u.txt", "Zeta", "a2.txt"})
            std::ofstream(m_folder / name) << "x";
    }
    ~NativeFiles() override { fs::remove_all(m_folder); }

    std::vector<std::string> names(const std::string& pattern)
    {
        std::vector<std::string> found;
        Win32FindDataA record;
        const HANDLE search = api.FindFirstFileA(m_folder.string() + "\\" + pattern, record);
        if (search == INVALID_HANDLE_VALUE)
            return found;
        do
            found.emplace_back(record.cFileName.data());
        while (api.FindNextFileA(search, record));
        EXPECT_NE(api.FindClose(search), 0);
        return found;
    }

    NativeWin32Api api;
    fs::path m_folder;
};

TEST_F(NativeFiles, MachineCallsAnswer)
{
    DWORD sectors = 0, bytes = 0, free = 0, total = 0;
    EXPECT_NE(api.GetDiskFreeSpaceA("C:\\", sectors, bytes, free, total), 0);
    EXPECT_GT(double(sectors) * bytes * total, 0.0);
    EXPECT_EQ(api.GetDiskFreeSpaceA(":\\", sectors, bytes, free, total), 0);

    std::string label(64, ' ');
    std::string system(32, ' ');
    DWORD serial = 0, longest = 0, flags = 0;
    EXPECT_NE(api.GetVolumeInformationA("C:\\", label, 64, serial, longest, flags, system, 32), 0);
    EXPECT_GT(longest, 0u);

    std::string name(255, ' ');
    DWORD size = 255;
    EXPECT_NE(api.GetComputerNameA(name, size), 0);
    EXPECT_EQ(name.find('\0'), size);
    size = 255;
    EXPECT_NE(api.GetUserNameA(name, size), 0);
    EXPECT_EQ(name.find('\0') + 1, size);

    std::string temp(256, ' ');
    const DWORD length = api.GetTempPathA(256, temp);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(temp[length - 1], '\\');
}

} // namespace
} // namespace tarnquill
