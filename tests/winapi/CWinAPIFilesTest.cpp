// SPDX-License-Identifier: MIT
#include "RecordingWin32Api.h"

#include "winapi/CWinAPI.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace tarnquill {
namespace {

using testing::RecordingWin32Api;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class CWinAPIFilesTest : public ::testing::Test {
protected:
    CWinAPIFilesTest() { api.calls.clear(); }

    RecordingWin32Api api;
    CWinAPI winapi{api};
};

TEST_F(CWinAPIFilesTest, DiskSpaceMultipliesTheGeometryOfTheDrivesRoot)
{
    api.onGetDiskFreeSpaceA = [](const std::string&, DWORD& sectors, DWORD& bytes, DWORD& free, DWORD& total) {
        sectors = 8;
        bytes = 512;
        free = 2621440;
        total = 26214400;
        return 1;
    };
    double dFree = -1;
    double dUsed = -1;
    double dTotal = -1;
    EXPECT_EQ(winapi.DiskSpace("C:\\Windows", dFree, dUsed, dTotal), Variant());
    EXPECT_EQ(dTotal, 107374182400.0);
    EXPECT_EQ(dFree, 10737418240.0);
    EXPECT_EQ(dUsed, 96636764160.0);

    // No drive letter: the root ":\" fails and leaves every count 0.
    api.onGetDiskFreeSpaceA = nullptr;
    winapi.DiskSpace("", dFree, dUsed, dTotal);
    EXPECT_EQ(dFree + dUsed + dTotal, 0.0);
    EXPECT_THAT(api.callsTo("GetDiskFreeSpaceA"), ElementsAre("GetDiskFreeSpaceA(\"C:\\\", out, out, out, out)",
                                                              "GetDiskFreeSpaceA(\":\\\", out, out, out, out)"));
}

TEST_F(CWinAPIFilesTest, ComputerNameReadsSetsOrDoesNothing)
{
    api.onGetComputerNameA = [](std::string& buffer, DWORD& size) {
        std::memcpy(buffer.data(), "DESK\0", 5);
        size = 4;
        return 1;
    };
    EXPECT_EQ(winapi.ComputerName(0), "DESK");
    EXPECT_EQ(winapi.ComputerName(2), std::string(255, ' ')) << "a failed call writes no NUL";
    EXPECT_EQ(winapi.ComputerName(1), "");
    EXPECT_EQ(winapi.ComputerName(1, "NEWNAME"), "");
    EXPECT_EQ(winapi.ComputerName(7, "OTHER"), "");
    EXPECT_THAT(api.calls, ElementsAre("GetComputerNameA(<255 spaces>, 255)", "GetUserNameA(<255 spaces>, 255)",
                                       "SetComputerNameA(\"NEWNAME\")"));
}

TEST_F(CWinAPIFilesTest, VolumeInfoPassesTheCallersBuffersThrough)
{
    api.onGetVolumeInformationA = [](const std::string&, std::string& label, DWORD, DWORD& serial, DWORD& longest,
                                     DWORD& flags, std::string& system, DWORD) {
        std::memcpy(label.data(), "DATA\0", 5);
        std::memcpy(system.data(), "NTFS\0", 5);
        serial = 0xDEADBEEF;
        longest = 255;
        flags = 0x3E700FF;
        return 1;
    };
    std::string path = "C:\\";
    std::string label(12, ' ');
    std::string system(10, ' ');
    std::int32_t serial = 0;
    std::int32_t longest = 0;
    std::int32_t flags = 0;
    winapi.DiskVolumeInfo(path, label, 12, serial, longest, flags, system, 10);
    EXPECT_EQ(label, std::string("DATA\0       ", 12)) << "the whole buffer, not cut at the NUL";
    EXPECT_EQ(system, std::string("NTFS\0     ", 10));
    EXPECT_EQ(serial, static_cast<std::int32_t>(0xDEADBEEF));
    EXPECT_EQ(longest, 255);
    EXPECT_EQ(flags, 0x3E700FF);
    EXPECT_EQ(path, "C:\\");
    EXPECT_THAT(api.calls,
                ElementsAre("GetVolumeInformationA(\"C:\\\", <12 spaces>, 12, out, out, out, <10 spaces>, 10)"));
}

// A folder of 32,767 subfolders is as far as the class's list of them goes.
TEST_F(CWinAPIFilesTest, TheSubfolderListOverflowsPastInt16)
{
    int entries = 0;
    api.onFindFirstFileA = [&](const std::string&, Win32FindDataA& record) {
        std::memcpy(record.cFileName.data(), "d\0", 2);
        entries = 1;
        return 100;
    };
    api.onFindNextFileA = [&](HANDLE, Win32FindDataA&) { return ++entries <= 32768 ? 1 : 0; };
    api.onGetFileAttributesA = [](const std::string&) { return FILE_ATTRIBUTE_DIRECTORY; };
    std::string path = "C:\\big";
    std::int16_t files = 0;
    std::int16_t dirs = -10;
    EXPECT_EQ(testing::runtimeErrorOf([&] { winapi.FindFilesAPI(path, "*", files, dirs); }), RuntimeError::kOverflow);
    EXPECT_EQ(dirs, 32767 - 10);
    EXPECT_EQ(path, "C:\\big\\");
    EXPECT_EQ(api.callsTo("FindClose"), std::vector<std::string>{"FindClose(100)"}) << "the search is closed";
    EXPECT_THAT(api.callsTo("SendMessageA"), IsEmpty());
}

} // namespace
} // namespace tarnquill
