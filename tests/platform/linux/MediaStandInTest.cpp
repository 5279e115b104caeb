// SPDX-License-Identifier: MIT
// The sound stand-ins against a real sound server that this test starts:
// PulseAudio with one null output, on a socket in a temporary folder. The
// multimedia command strings give the result codes and replies that Wine's
// own mciSendStringA gives for the same commands: with a real video
// (recorded from Wine), and without media (the answers the Wine test of
// NativeWin32Api checks too).

#include "LinuxTestSupport.h"

#include "platform/windows/MciAnswers.h"
#include "winapi/CWinAPI.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

namespace tarnquill::test {
namespace {

// The streams the server plays now, one line each.
std::string streams()
{
    return output({"pactl", "list", "short", "sink-inputs"});
}

class SoundStandInTest : public ::testing::Test, protected StandIns {
protected:
    SoundStandInTest()
    {
        const std::string socket = (m_folder / "native").string();
        m_server = Process::spawn({"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                                   "--load=module-null-sink",
                                   "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket});
        waitUntil([&] {
            return std::filesystem::exists(socket) && !output({"pactl", "list", "short", "sinks"}).empty();
        });
    }

    ScopedEnv m_serverAddress{"PULSE_SERVER", "unix:" + (m_folder / "native").string()};
    CWinAPI m_winapi{m_api};
    Process m_server;
};

// A named system sound and a wave file each play as a stream of the server;
// the sound card is there while the server has an output.
TEST_F(SoundStandInTest, PlaySoundPlaysThroughTheServerAndSoundCardDetectCountsItsOutputs)
{
    EXPECT_EQ(m_api.waveOutGetNumDevs(), 1u);
    EXPECT_EQ(m_winapi.SoundCardDetect(), kTrue);
    m_winapi.PlaySound(7);
    EXPECT_TRUE(waitUntil([] { return streams().find("protocol-native") != std::string::npos; }));

    // One second of silence, 8 kHz mono 8-bit.
    const std::string header("RIFF\x64\x1f\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x40\x1f\0\0\x40\x1f\0\0\x01\0\x08\0"
                             "data\x40\x1f\0\0",
                             44);
    const std::filesystem::path file = m_folder / "a sound.wav";
    writeFile(file, header + std::string(8000, '\x80'));
    EXPECT_TRUE(waitUntil([] { return streams().empty(); }));
    m_winapi.PlaySound(0, file.string());
    EXPECT_TRUE(waitUntil([] { return !streams().empty(); }));

    EXPECT_EQ(m_api.sndPlaySoundA("NoSuchAlias", SND_ALIAS | SND_ASYNC), 0);

    m_server.terminate();
    EXPECT_EQ(m_winapi.SoundCardDetect(), kFalse);
}

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
