// SPDX-License-Identifier: MIT
#include "support/XvfbSession.h"

#include <sstream>
#include <stdexcept>

namespace tarnquill::test {

XvfbSession::XvfbSession(const std::vector<std::string>& extraArguments)
{
    // Xvfb writes the display number on its stdout once it accepts clients.
    std::vector<std::string> argv = {"Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-dpi", "96",
                                     "-nolisten", "tcp", "-noreset"};
    argv.insert(argv.end(), extraArguments.begin(), extraArguments.end());
    SpawnOptions options;
    options.pipeStdout = true;
    m_server = Process::spawn(argv, options);
    if (!m_server.waitForOutput("\n", 15s) || m_server.stdoutText().size() < 2) {
        const ExitStatus status = m_server.kill();
        throw std::runtime_error("Xvfb did not report a display (" + status.describe() + ")");
    }
    m_display = ":" + m_server.stdoutText().substr(0, m_server.stdoutText().find('\n'));
}

SpawnOptions XvfbSession::clientOptions(SpawnOptions options) const
{
    // No bus: an unset address would make libdbus autolaunch a daemon on
    // this display, which nobody would end. insert() keeps what `options` set.
    options.env.insert({{"DISPLAY", m_display},
                        {"XAUTHORITY", std::nullopt},
                        {"WAYLAND_DISPLAY", std::nullopt},
                        {"XDG_SESSION_TYPE", std::nullopt},
                        {"QT_QPA_PLATFORM", "xcb"},
                        {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tarnquill-test-bus"},
                        {"LC_ALL", "C.UTF-8"}});
    return options;
}

RunResult XvfbSession::run(const std::vector<std::string>& argv, std::chrono::milliseconds timeout) const
{
    return test::run(argv, clientOptions(), timeout);
}

std::vector<unsigned long> XvfbSession::windowsOf(pid_t pid) const
{
    std::istringstream lines(run({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid)}, 5s).out);
    std::vector<unsigned long> ids;
    for (unsigned long id = 0; lines >> id;)
        ids.push_back(id);
    return ids;
}

} // namespace tarnquill::test
