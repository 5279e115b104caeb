// SPDX-License-Identifier: MIT
// The sound stand-ins against a real sound server that this test starts:
// PulseAudio with one null output, on a socket in a temporary folder.

#include "LinuxTestSupport.h"
#include "StandIns.h"

#include "winapi/CWinAPI.h"

#include <gtest/gtest.h>

#include <filesystem>
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

TEST_F(SoundStandInTest, SoundCardDetectCountsTheServersOutputs)
{
    EXPECT_EQ(m_api.waveOutGetNumDevs(), 1u);
    EXPECT_EQ(m_winapi.SoundCardDetect(), kTrue);
    m_server.terminate();
    EXPECT_EQ(m_winapi.SoundCardDetect(), kFalse);
}

// A named system sound and a wave file each play as a stream of the server.
TEST_F(SoundStandInTest, PlaySoundPlaysThroughTheServer)
{
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
}

} // namespace
} // namespace tarnquill::test
