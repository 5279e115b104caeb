// SPDX-License-Identifier: MIT
#include "platform/linux/QuitOnSignal.h"

#include <QCoreApplication>

#include <cerrno>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tarnquill {

namespace {

volatile sig_atomic_t g_writeFd = -1;

void onSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    if (g_writeFd >= 0) {
        // A full pipe already holds a pending quit; nothing is lost.
        [[maybe_unused]] const ssize_t written = ::write(g_writeFd, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

void QuitOnSignal::quitEventLoop()
{
    QCoreApplication::quit();
}

QuitOnSignal::QuitOnSignal(std::initializer_list<int> signalNumbers, std::function<void()> handler)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, m_fds) != 0) {
        m_fds[0] = m_fds[1] = -1;
        return;
    }
    g_writeFd = m_fds[0];
    m_notifier = std::make_unique<QSocketNotifier>(m_fds[1], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated,
                     [fd = m_fds[1], handler = std::move(handler)] {
                         char buffer[16];
                         while (::read(fd, buffer, sizeof buffer) > 0) {
                         }
                         if (handler)
                             handler();
                     });

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : signalNumbers) {
        struct sigaction previous = {};
        if (::sigaction(signalNumber, &action, &previous) == 0)
            m_previous.emplace_back(signalNumber, previous);
    }
}

QuitOnSignal::~QuitOnSignal()
{
    for (const auto& [signalNumber, previous] : m_previous)
        ::sigaction(signalNumber, &previous, nullptr);
    g_writeFd = -1;
    m_notifier.reset();
    for (int fd : m_fds)
        if (fd >= 0)
            ::close(fd);
}

} // namespace tarnquill
