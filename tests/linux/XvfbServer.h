// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

namespace tarnquill::test {

// A private X server for one test process: Xvfb picks a free display number
// itself (-displayfd), so parallel test runs never share a display. Ended by
// its process id when this object goes.
class XvfbServer final {
public:
    explicit XvfbServer(const std::vector<std::string>& extraArguments = {});
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool isRunning() const { return m_pid > 0 && !m_display.empty(); }
    // ":N", empty when the server did not come up.
    const std::string& display() const { return m_display; }

private:
    pid_t m_pid = -1;
    std::string m_display;
};

} // namespace tarnquill::test
