// SPDX-License-Identifier: MIT
#pragma once

#include "support/Process.h"

#include <string>
#include <vector>

namespace tarnquill::test {

// A private X server: Xvfb on a display number it picks itself (-displayfd),
// so parallel test runs never share one; 1280x1024 at 96 dpi, no TCP, no
// reset when the last client leaves (a reset would drop the clipboard and
// atoms between two steps of a test). Ended by its pid with the object.
class XvfbSession final {
public:
    // Throws when the server does not come up.
    explicit XvfbSession(const std::vector<std::string>& extraArguments = {});
    XvfbSession(const XvfbSession&) = delete;
    XvfbSession& operator=(const XvfbSession&) = delete;
    ~XvfbSession() { m_server.terminate(3s); }

    // ":N"
    const std::string& display() const { return m_display; }
    bool isRunning() { return m_server.running(); }

    // `options` for a client of this server: DISPLAY set to it and the
    // variables that would lead a client to another desktop (Wayland, a
    // session bus) removed, unless `options` sets them.
    SpawnOptions clientOptions(SpawnOptions options = {}) const;
    Process spawn(const std::vector<std::string>& argv, const SpawnOptions& options = {}) const
    {
        return Process::spawn(argv, clientOptions(options));
    }
    // Runs a client to its end; one still running after `timeout` is killed.
    RunResult run(const std::vector<std::string>& argv, std::chrono::milliseconds timeout = 10s) const;

    // Ids of the visible windows whose _NET_WM_PID is `pid` (xdotool).
    std::vector<unsigned long> windowsOf(pid_t pid) const;

private:
    Process m_server;
    std::string m_display;
};

} // namespace tarnquill::test
