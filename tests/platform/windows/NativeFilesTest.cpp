// SPDX-License-Identifier: MIT
// NativeWin32Api's machine calls against the system (Wine's kernel32 and
// advapi32 under the cross build). Its file search is compared with the
// Linux stand-ins' on one folder tree by winapi_tool.find_files (listing
// order, sizes above 4 GB, subfolders).

#include "platform/windows/NativeWin32Api.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnquill {
namespace {

TEST(NativeFiles, MachineCallsAnswer)
{
    NativeWin32Api api;
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
