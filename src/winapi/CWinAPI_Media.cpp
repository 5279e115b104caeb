// SPDX-License-Identifier: MIT
// Sound and media: system sounds and wave files, video files, audio CDs, the
// sound-card check and the waiting Delay.
//
// The media members send fixed multimedia command strings; none carries the
// wait flag, so playback runs on after the member returns, and no result or
// reply is used.

#include "winapi/CWinAPI.h"

#include <array>
#include <cmath>
#include <string_view>

namespace tarnquill {

namespace {

constexpr UINT kFileFlags = SND_ASYNC | SND_NOWAIT;
constexpr UINT kAliasFlags = SND_ASYNC | SND_NOWAIT | SND_ALIAS;

// PlaySound's func 1 to 9.
constexpr std::array<const char*, 9> kSoundAliases = {
    "SystemStart", "SystemExit", "RestoreUp", "RestoreDown", "AppGPFault",
    "SystemQuestion", "SystemAsterisk", "SystemExclamation", "SystemHand",
};

constexpr UINT kVideoReplySize = 127;
constexpr UINT kCdReplySize = 128;

// Ten thousand years of seconds: further than any date the clock can show,
// so an end time beyond it is an invalid date, not a long wait.
constexpr double kLongestDelay = 3.2e11;

// Runs one step of a member that ignores every error and goes on.
template <typename Step>
void ignoringErrors(Step&& step)
{
    try {
        step();
    } catch (...) {
    }
}

} // namespace

void CWinAPI::PlaySound(const std::int32_t& func, const std::string& WavFileName)
{
    if (func == 0)
        m_api.sndPlaySoundA(WavFileName, kFileFlags);
    else if (func >= 1 && func <= static_cast<std::int32_t>(kSoundAliases.size()))
        m_api.sndPlaySoundA(kSoundAliases[static_cast<std::size_t>(func - 1)], kAliasFlags);
}

Bool16 CWinAPI::SoundCardDetect()
{
    // The count as a 16-bit number: 32768 devices and more read as none.
    const auto count = static_cast<std::int16_t>(m_api.waveOutGetNumDevs());
    return count > 0 ? kTrue : kFalse;
}

void CWinAPI::Delay(const double& HowLong)
{
    // A date addition in whole seconds; the end is the first clock second that
    // reaches it, so n seconds end between n - 1 and n seconds from now.
    const double seconds = roundHalfEven(HowLong);
    if (!(std::fabs(seconds) <= kLongestDelay))
        throw RuntimeError(RuntimeError::kInvalidArgument);
    const std::int64_t end = m_api.Now() + static_cast<std::int64_t>(seconds);
    // Each wait handles what arrives (other handlers, nested Delays included)
    // and sleeps between events, instead of testing the clock in a busy loop.
    while (end > m_api.Now())
        m_api.WaitForEvents(end);
}

void CWinAPI::PlayAvi(const std::string& sFile)
{
    // The alias stays open: a second call cannot open another file under it,
    // and replays the one already open.
    std::string reply(kVideoReplySize, ' ');
    m_api.mciSendStringA("open \"" + sFile + "\" type avivideo alias video", reply, kVideoReplySize, 0);
    m_api.mciSendStringA("set video time format ms", reply, kVideoReplySize, 0);
    m_api.mciSendStringA("play video from 0", reply, kVideoReplySize, 0);
}

void CWinAPI::PlayAudioCd(const std::int16_t& TrackNum, const Bool16& StopPlaying)
{
    // Every step is tried whatever happened to the one before. The device is
    // always stopped and closed first, so each call starts from a closed
    // device; the track is asked of the closed device, whose answer is not
    // used, and playback starts where the device stands once opened.
    std::string reply;
    const auto send = [&](std::string_view command) {
        ignoringErrors([&] { m_api.mciSendStringA(std::string(command), reply, kCdReplySize, 0); });
    };
    ignoringErrors([&] { reply.assign(kCdReplySize, ' '); });
    send("stop cdaudio");
    send("close cdaudio");
    if (StopPlaying != 0)
        return;
    ignoringErrors([&] { reply.assign(kCdReplySize, ' '); });
    ignoringErrors([&] {
        m_api.mciSendStringA("status cdaudio position track " + std::to_string(TrackNum), reply, kCdReplySize, 0);
    });
    send("open cdaudio");
    send("set cdaudio time format milliseconds");
    send("play cdaudio");
}

} // namespace tarnquill
