// SPDX-License-Identifier: MIT
#include "CWinAPITest.h"

#include <cstring>
#include <vector>

namespace tarnquill {
namespace {

TEST_F(CWinAPITest, DiskSpaceMultipliesTheGeometryOfTheDrivesRoot)
{
    std::vector<std::string> roots;
    api.onGetDiskFreeSpaceA = [&](const std::string& root, DWORD& sectors, DWORD& bytes, DWORD& free, DWORD& total) {
        roots.push_back(root);
        if (root != "C:\\")
            return 0;
        sectors = 8;
        bytes = 512;
        free = 2621440;
        total = 26214400;
        return 1;
    };
    double dFree = -1, dUsed = -1, dTotal = -1;
    EXPECT_EQ(winapi.DiskSpace("C:\\Windows", dFree, dUsed, dTotal), Variant());
    EXPECT_EQ(dTotal, 107374182400.0);
    EXPECT_EQ(dFree, 10737418240.0);
    EXPECT_EQ(dUsed, 96636764160.0);

    // No drive letter: the root ":\" fails and leaves every count 0.
    winapi.DiskSpace("", dFree, dUsed, dTotal);
    EXPECT_EQ(dFree + dUsed + dTotal, 0.0);
    EXPECT_THAT(roots, ElementsAre("C:\\", ":\\"));
}

// Reading the names is checked on Linux (tests/platform/linux, LinuxFilesTest).
TEST_F(CWinAPITest, ComputerNameReadsSetsOrDoesNothing)
{
    EXPECT_EQ(winapi.ComputerName(2), std::string(255, ' ')) << "a failed call writes no NUL";
    EXPECT_EQ(winapi.ComputerName(1), "");
    EXPECT_EQ(winapi.ComputerName(1, "NEWNAME"), "");
    EXPECT_EQ(winapi.ComputerName(7, "OTHER"), "");
    EXPECT_THAT(api.callsTo("SetComputerNameA"), ElementsAre("SetComputerNameA(\"NEWNAME\")"));
}

TEST_F(CWinAPITest, VolumeInfoPassesTheCallersBuffersThrough)
{
    api.onGetVolumeInformationA = [](const std::string& root, std::string& label, DWORD, DWORD& serial, DWORD& longest,
                                     DWORD& flags, std::string& system, DWORD) {
        std::memcpy(label.data(), "DATA\0", 5);
        std::memcpy(system.data(), "NTFS\0", 5);
        serial = 0xDEADBEEF;
        longest = 255;
        flags = 0x3E700FF;
        return root == "C:\\" ? 1 : 0;
    };
    std::string path = "C:\\", label(12, ' '), system(10, ' ');
    std::int32_t serial = 0, longest = 0, flags = 0;
    winapi.DiskVolumeInfo(path, label, 12, serial, longest, flags, system, 10);
    EXPECT_EQ(label, std::string("DATA\0       ", 12)) << "the whole buffer, not cut at the NUL";
    EXPECT_EQ(system, std::string("NTFS\0     ", 10));
    EXPECT_EQ(serial, static_cast<std::int32_t>(0xDEADBEEF));
    EXPECT_EQ(longest, 255);
    EXPECT_EQ(flags, 0x3E700FF);
    EXPECT_EQ(path, "C:\\");
}

} // namespace
} // namespace tarnquill
