// SPDX-License-Identifier: MIT
// The sound stand-ins against a real sound server that this test starts:
// PulseAudio with one null output, on a socket in a temporary folder.

#include "LinuxTestSupport.h"
#include "StandIns.h"

#include "winapi/CWinAPI.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace tarnquill::test {
namespace {

class SoundStandInTest : public ::testing::Test, protected StandIns {
protected:
    SoundStandInTest()
    {
        const std::string socket = (m_folder.path() / "native").string();
        ::setenv("PULSE_SERVER", ("unix:" + socket).c_str(), 1);
        m_server = std::make_unique<ChildProcess>(
            QStringLiteral("pulseaudio"),
            QStringList{QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                        QStringLiteral("--use-pid-file=no"), QStringLiteral("--load=module-null-sink"),
                        QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1 socket=")
                            + QString::fromStdString(socket)});
        waitUntil([&] { return QFile::exists(QString::fromStdString(socket)) && !pactl({"list", "short", "sinks"}).isEmpty(); });
    }

    static QString pactl(const QStringList& arguments)
    {
        QProcess process;
        process.start(QStringLiteral("pactl"), arguments);
        process.waitForFinished(10000);
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }

    CWinAPI m_winapi{m_api};
    std::unique_ptr<ChildProcess> m_server;
};

TEST_F(SoundStandInTest, SoundCardDetectCountsTheServersOutputs)
{
    EXPECT_EQ(m_api.waveOutGetNumDevs(), 1u);
    EXPECT_EQ(m_winapi.SoundCardDetect(), kTrue);
    m_server->end();
    EXPECT_EQ(m_winapi.SoundCardDetect(), kFalse);
}

// A named system sound and a wave file each play as a stream of the server.
TEST_F(SoundStandInTest, PlaySoundPlaysThroughTheServer)
{
    m_winapi.PlaySound(7);
    EXPECT_TRUE(waitUntil([] { return pactl({"list", "short", "sink-inputs"}).contains(QLatin1String("protocol-native")); }));

    // One second of silence, 8 kHz mono 8-bit.
    QByteArray wave("RIFF");
    const auto word = [&](quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            wave.append(static_cast<char>(value >> (8 * i)));
    };
    word(36 + 8000, 4);
    wave.append("WAVEfmt ");
    word(16, 4), word(1, 2), word(1, 2), word(8000, 4), word(8000, 4), word(1, 2), word(8, 2);
    wave.append("data");
    word(8000, 4);
    wave.append(QByteArray(8000, '\x80'));
    const QString file = QString::fromStdString((m_folder.path() / "a sound.wav").string());
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly) && out.write(wave) == wave.size());
    out.close();
    EXPECT_TRUE(waitUntil([] { return pactl({"list", "short", "sink-inputs"}).isEmpty(); }));
    m_winapi.PlaySound(0, file.toStdString());
    EXPECT_TRUE(waitUntil([] { return !pactl({"list", "short", "sink-inputs"}).isEmpty(); }));

    EXPECT_EQ(m_api.sndPlaySoundA("NoSuchAlias", SND_ALIAS | SND_ASYNC), 0);
}

} // namespace
} // namespace tarnquill::test
