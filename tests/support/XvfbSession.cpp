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

XvfbSession::~XvfbSession()
{
    m_server.terminate(3s);
}

SpawnOptions XvfbSession::clientOptions() const
{
    SpawnOptions options;
    options.env["DISPLAY"] = m_display;
    options.env["XAUTHORITY"] = std::nullopt;
    options.env["WAYLAND_DISPLAY"] = std::nullopt;
    options.env["XDG_SESSION_TYPE"] = std::nullopt;
    options.env["QT_QPA_PLATFORM"] = "xcb";
    // No bus: an unset address would make libdbus autolaunch a daemon on
    // this display, which nobody would end.
    options.env["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=/nonexistent/tarnquill-test-bus";
    options.env["LC_ALL"] = "C.UTF-8";
    return options;
}

Process XvfbSession::spawn(const std::vector<std::string>& argv, SpawnOptions options) const
{
    SpawnOptions merged = clientOptions();
    for (auto& [name, value] : options.env)
        merged.env[name] = value;
    options.env = std::move(merged.env);
    return Process::spawn(argv, options);
}

RunResult XvfbSession::run(const std::vector<std::string>& argv, std::chrono::milliseconds timeout) const
{
    return test::run(argv, clientOptions(), timeout);
}

std::vector<unsigned long> XvfbSession::windowsOf(pid_t pid) const
{
    const RunResult result = run({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid)}, 5s);
    std::vector<unsigned long> ids;
    std::istringstream lines(result.out);
    unsigned long id = 0;
    while (lines >> id)
        ids.push_back(id);
    return ids;
}

std::string XvfbSession::windowName(unsigned long window) const
{
    const RunResult result = run({"xdotool", "getwindowname", std::to_string(window)}, 5s);
    std::string name = result.ok() ? result.out : std::string();
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r'))
        name.pop_back();
    return name;
}

} // namespace tarnquill::test
