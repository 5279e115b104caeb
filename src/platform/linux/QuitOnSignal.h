// SPDX-License-Identifier: MIT
#pragma once

#include <QSocketNotifier>

#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

#include <signal.h>

namespace tarnquill {

// Turns the given signals into a call of `handler` from the event loop
// (QCoreApplication::quit() unless given), so they run the program's own
// exit, and its save, instead of killing the process. A signal handler may
// do almost nothing, so it only writes a byte into a socket pair whose other
// end the event loop watches; several signals before the loop gets there
// make one call. One instance at a time.
class QuitOnSignal final {
public:
    explicit QuitOnSignal(std::initializer_list<int> signalNumbers,
                          std::function<void()> handler = &QuitOnSignal::quitEventLoop);
    ~QuitOnSignal();
    QuitOnSignal(const QuitOnSignal&) = delete;
    QuitOnSignal& operator=(const QuitOnSignal&) = delete;

private:
    static void quitEventLoop();

    int m_fds[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::vector<std::pair<int, struct sigaction>> m_previous;
};

} // namespace tarnquill
