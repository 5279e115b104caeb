// SPDX-License-Identifier: MIT
// The multimedia command strings on Linux give the result codes and replies
// that Wine's own mciSendStringA gives for the same commands: with a real
// video (recorded from Wine), and without media (the answers the Wine test
// of NativeWin32Api checks too).

#include "StandIns.h"
#include "win32api/MciAnswers.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tarnquill::test {
namespace {

struct Step {
    std::string command;
    MCIERROR result;
    std::optional<std::string> reply; // checked when given
};

TEST(MciStandInTest, CommandsAnswerAsWindowsDoes)
{
    StandIns standIns;
    LinuxWin32Api& api = standIns.m_api;

    const std::string movie = (standIns.m_folder / "my movie.avi").string();
    ASSERT_TRUE(run({"gst-launch-1.0", "-q", "videotestsrc", "num-buffers=25", "!",
                     "video/x-raw,format=BGR,width=64,height=48,framerate=25/1", "!", "avimux", "!", "filesink",
                     "location=" + movie})
                    .ok());
    const std::string open = "open \"" + movie + "\" type avivideo alias video";

    const Step steps[] = {
        // PlayAvi twice: the alias stays open, so the second open fails and
        // the old file plays again.
        {open, 0, "1"},
        {"set video time format ms", 0, ""},
        {"play video from 0", 0, ""},
        {open, 289, std::nullopt},
        {"set video time format ms", 0, ""},
        {"play video from 0", 0, ""},
        {"status video mode", 0, "playing"},
        {"status video length", 0, "1000"},
        {"close video", 0, ""},
        {"close video", 263, std::nullopt},
    };
    for (const Step& step : steps) {
        std::string buffer(127, ' ');
        EXPECT_EQ(api.mciSendStringA(step.command, buffer, 127, 0), step.result) << step.command;
        EXPECT_EQ(buffer.size(), 127u);
        if (step.reply) {
            EXPECT_EQ(buffer.substr(0, buffer.find('\0')), *step.reply) << step.command;
        }
    }

    // The same answers as the system gives without media.
    for (const auto& answer : mci::answersWithoutMedia((standIns.m_folder / "none.avi").string())) {
        std::string buffer(127, ' ');
        EXPECT_EQ(api.mciSendStringA(answer.command, buffer, 127, 0), answer.result) << answer.command;
    }

    // A reply that does not fit the buffer.
    std::string small(2, ' ');
    EXPECT_EQ(api.mciSendStringA(open, small, 2, 0), 0u);
    EXPECT_EQ(api.mciSendStringA("status video length", small, 2, 0), 268u);
}

} // namespace
} // namespace tarnquill::test
