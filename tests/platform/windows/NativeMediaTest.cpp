// SPDX-License-Identifier: MIT
// NativeWin32Api's multimedia command strings and Delay's wait, against the
// system (Wine's winmm and user32 under the cross build).

#include "MciAnswers.h"

#include "platform/windows/NativeWin32Api.h"
#include "winapi/CWinAPI.h"

#include <gtest/gtest.h>

#include <chrono>

namespace tarnquill {
namespace {

TEST(NativeMedia, CommandStringsWithoutMediaAnswerTheKnownErrors)
{
    NativeWin32Api api;
    for (const auto& answer : mci::answersWithoutMedia("C:\\no such folder\\none.avi")) {
        std::string reply(127, ' ');
        EXPECT_EQ(api.mciSendStringA(answer.command, reply, 127, 0), answer.result) << answer.command;
    }
}

TEST(NativeMedia, DelayEndsAtTheSecondThatReachesItsEnd)
{
    NativeWin32Api api;
    CWinAPI winapi{api};
    const auto start = std::chrono::steady_clock::now();
    winapi.Delay(2);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(900));
    EXPECT_LE(waited, std::chrono::milliseconds(3000));
}

} // namespace
} // namespace tarnquill
