// SPDX-License-Identifier: MIT
#include "CWinAPITest.h"

#include <vector>

namespace tarnquill {
namespace {

TEST_F(CWinAPITest, PlaySoundPicksFileOrAliasFlags)
{
    const char* const aliases[] = {"SystemStart", "SystemExit", "RestoreUp", "RestoreDown", "AppGPFault",
                                   "SystemQuestion", "SystemAsterisk", "SystemExclamation", "SystemHand"};
    std::vector<std::string> expected{"sndPlaySoundA(\"\", 8193)", "sndPlaySoundA(\"C:\\a.wav\", 8193)"};
    winapi.PlaySound(0);
    winapi.PlaySound(0, "C:\\a.wav");
    for (std::int32_t func = -1; func <= 10; ++func) {
        winapi.PlaySound(func == 0 ? 99 : func, "x.wav");
        if (func >= 1 && func <= 9)
            expected.push_back("sndPlaySoundA(\"" + std::string(aliases[func - 1]) + "\", 73729)");
    }
    EXPECT_THAT(api.calls, ElementsAreArray(expected));
}

TEST_F(CWinAPITest, PlayAviQuotesThePathAndLeavesTheAliasOpen)
{
    winapi.PlayAvi("C:\\my films\\a.avi");
    const std::string tail = ", <127 spaces>, 127, 0)";
    EXPECT_THAT(api.calls, ElementsAre("mciSendStringA(\"open \"C:\\my films\\a.avi\" type avivideo alias video\"" + tail,
                                       "mciSendStringA(\"set video time format ms\"" + tail,
                                       "mciSendStringA(\"play video from 0\"" + tail));
}

TEST_F(CWinAPITest, PlayAudioCdStopsFirstAndGoesOnPastEveryError)
{
    // Every command fails, and the platform call even throws: each step is
    // still tried.
    api.onMciSendStringA = [](const std::string& command, std::string& reply, UINT, HWND) -> MCIERROR {
        reply.assign(reply.size(), 'x');
        if (command == "close cdaudio")
            throw RuntimeError(RuntimeError::kOverflow);
        return 275;
    };
    winapi.PlayAudioCd(3, kTrue);
    const std::string tail = ", <128 spaces>, 128, 0)";
    EXPECT_THAT(api.calls, ElementsAre("mciSendStringA(\"stop cdaudio\"" + tail,
                                       "mciSendStringA(\"close cdaudio\", " + byteList(std::string(128, 'x')) + ", 128, 0)"));
    api.calls.clear();
    winapi.PlayAudioCd(12);
    ASSERT_EQ(api.calls.size(), 6u);
    EXPECT_EQ(api.calls[2], "mciSendStringA(\"status cdaudio position track 12\"" + tail);
    EXPECT_EQ(api.calls[3].substr(0, 29), "mciSendStringA(\"open cdaudio\"");
    EXPECT_EQ(api.calls[4].substr(0, 53), "mciSendStringA(\"set cdaudio time format milliseconds\"");
    EXPECT_EQ(api.calls[5].substr(0, 29), "mciSendStringA(\"play cdaudio\"");
}

TEST_F(CWinAPITest, SoundCardDetectReadsTheCountAsInt16)
{
    for (const auto& [count, expected] : std::vector<std::pair<UINT, Bool16>>{
             {0, kFalse}, {1, kTrue}, {32767, kTrue}, {32768, kFalse}, {65537, kTrue}}) {
        api.onWaveOutGetNumDevs = [count = count] { return count; };
        EXPECT_EQ(winapi.SoundCardDetect(), expected) << count;
    }
}

// The end is now + HowLong rounded (halves to even); each wait is handed
// that end, and the member returns at the first second that reaches it, even
// when events (a nested Delay among them) move the clock in between.
TEST_F(CWinAPITest, DelayWaitsUntilTheRoundedEnd)
{
    api.now = 1000;
    winapi.Delay(0);
    winapi.Delay(-3);
    winapi.Delay(0.5);
    EXPECT_THAT(api.calls, IsEmpty());

    winapi.Delay(2.5);
    EXPECT_THAT(api.calls, ElementsAre("WaitForEvents(1002)"));
    EXPECT_EQ(api.now, 1002);

    api.calls.clear();
    int waits = 0;
    api.onWaitForEvents = [&](std::int64_t) {
        if (++waits == 1)
            winapi.Delay(1);
        else
            ++api.now;
    };
    winapi.Delay(3);
    EXPECT_THAT(api.calls, ElementsAre("WaitForEvents(1005)", "WaitForEvents(1003)", "WaitForEvents(1005)",
                                       "WaitForEvents(1005)"));
    EXPECT_EQ(api.now, 1005);

    EXPECT_EQ(runtimeErrorOf([&] { winapi.Delay(1e300); }), RuntimeError::kInvalidArgument);
}

} // namespace
} // namespace tarnquill
