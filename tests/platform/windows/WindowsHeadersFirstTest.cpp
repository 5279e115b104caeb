// SPDX-License-Identifier: MIT
// A Windows source that includes the system's headers first, then CWinAPI.h,
// and calls the two members whose names <windows.h> and <mmsystem.h> define
// as macros. That it compiles is the check; the calls reach the seam.
#include <windows.h>

#include <mmsystem.h>

#include "winapi/RecordingWin32Api.h"
#include "winapi/CWinAPI.h"

#include <gtest/gtest.h>

#include <exception>

namespace tarnquill {
namespace {

TEST(WindowsHeadersFirst, PlaySoundAndExitWindowsMembersAreCallable)
{
    testing::RecordingWin32Api api;
    CWinAPI winApi(api);
    try {
        winApi.PlaySound(1, "C:\\Windows\\Media\\tada.wav");
        winApi.ExitWindows(0);
    } catch (const std::exception&) { // an error of the call
    }
    // The system functions stay reachable by their own names.
    EXPECT_NE(reinterpret_cast<void*>(&::PlaySoundW), nullptr);
    EXPECT_NE(reinterpret_cast<void*>(&::ExitWindowsEx), nullptr);
}

} // namespace
} // namespace tarnquill
