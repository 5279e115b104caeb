// SPDX-License-Identifier: MIT
#include "XvfbServer.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarnquill::test {

namespace {

// Reads the display number Xvfb writes once it accepts clients.
std::string readDisplayNumber(int fd)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    std::string number;
    while (Clock::now() < deadline) {
        pollfd pfd{fd, POLLIN, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        const int ready = ::poll(&pfd, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        char c = 0;
        if (::read(fd, &c, 1) != 1)
            break;
        if (c == '\n')
            return number;
        number.push_back(c);
    }
    return {};
}

} // namespace

XvfbServer::XvfbServer(const std::vector<std::string>& extraArguments)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return;
    const std::string writeFd = std::to_string(fds[1]);

    std::vector<std::string> arguments = {"Xvfb", "-displayfd", writeFd, "-dpi", "96", "-nolisten", "tcp",
                                          "-screen", "0", "1280x1024x24"};
    arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    m_pid = ::fork();
    if (m_pid == 0) {
        ::close(fds[0]);
        const int devNull = ::open("/dev/null", O_WRONLY);
        if (devNull >= 0) {
            ::dup2(devNull, STDOUT_FILENO);
            ::dup2(devNull, STDERR_FILENO);
        }
        ::execvp("Xvfb", argv.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    if (m_pid > 0) {
        const std::string number = readDisplayNumber(fds[0]);
        if (!number.empty())
            m_display = ":" + number;
    }
    ::close(fds[0]);
}

XvfbServer::~XvfbServer()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
}

} // namespace tarnquill::test
