// Sound and media: system sounds and wave files, video files, audio CDs, the
// sound-card check and the waiting Delay.
//
// Not written yet: each member raises NotImplemented.

#include "winapi/CWinAPI.h"

namespace tarnquill {

void CWinAPI::PlaySound(const std::int32_t&, const std::string&)
{
    throw NotImplemented("CWinAPI::PlaySound");
}

Bool16 CWinAPI::SoundCardDetect()
{
    throw NotImplemented("CWinAPI::SoundCardDetect");
}

void CWinAPI::Delay(const double&)
{
    throw NotImplemented("CWinAPI::Delay");
}

void CWinAPI::PlayAvi(const std::string&)
{
    throw NotImplemented("CWinAPI::PlayAvi");
}

void CWinAPI::PlayAudioCd(const std::int16_t&, const Bool16&)
{
    throw NotImplemented("CWinAPI::PlayAudioCd");
}

} // namespace tarnquill
