// SPDX-License-Identifier: MIT
#pragma once

#include "winapi/Win32Types.h"

#include <map>
#include <memory>
#include <string>

namespace tarnquill {

// A small interpreter of multimedia command strings over GStreamer: open (a
// file, with `type` and `alias`, or the `cdaudio` device), set ... time
// format, play [from] [to], pause, resume, stop, seek, status (position,
// length, mode, number of tracks, position track N) and close, with the
// error numbers Windows answers (MCIERR_*):
// - a device name that is not open: close 263 (invalid device name); other
//   commands open it on the fly, as Windows does, so `cdaudio` without a
//   drive gives 266 (cannot load driver), a file 275 (not found) and a name
//   without a known extension 281 (extension not found);
// - an alias already open 289; an unknown command 261; a reply longer than
//   the buffer 268.
// Video plays in a window of its own, audio on the default output, an audio
// CD from its first track (cdda://). Playback runs on after the command
// returns unless it says `wait`, and the destructor lets it end.
class MciDevices final {
public:
    MciDevices();
    ~MciDevices();
    MciDevices(const MciDevices&) = delete;
    MciDevices& operator=(const MciDevices&) = delete;

    // Runs one command; the reply (empty for most commands) goes to `reply`.
    MCIERROR send(const std::string& command, std::string& reply);

private:
    struct Device;

    MCIERROR open(const std::string& element, const std::map<std::string, std::string>& options, std::string& reply);
    MCIERROR autoOpen(const std::string& name, Device*& device);

    std::map<std::string, std::unique_ptr<Device>> m_devices; // by alias, lower-case
    int m_nextId = 1;
};

} // namespace tarnquill
