// SPDX-License-Identifier: MIT
#pragma once

// What Windows' mciSendStringA answers (recorded from Wine's, on a machine
// without a CD drive) for the command strings the utility class sends when
// the media is missing; the Linux interpreter and the system must agree.

#include <string>
#include <vector>

namespace tarnquill::mci {

struct Answer {
    std::string command;
    unsigned result;
};

// `missingVideo`: the path of a file that does not exist.
inline std::vector<Answer> answersWithoutMedia(const std::string& missingVideo)
{
    return {
        // PlayAvi on a missing file: the alias never opens, so the two
        // commands after it take "video" for a file without an extension.
        {"open \"" + missingVideo + "\" type avivideo alias video", 275},
        {"set video time format ms", 281},
        {"play video from 0", 281},
        // PlayAudioCd without a drive: every command but close opens the
        // device on the fly and cannot load its driver.
        {"stop cdaudio", 266},
        {"close cdaudio", 263},
        {"status cdaudio position track 3", 266},
        {"open cdaudio", 266},
        {"set cdaudio time format milliseconds", 266},
        {"play cdaudio", 266},
        {"frobnicate video", 261},
    };
}

} // namespace tarnquill::mci
