#pragma once

#include <QSocketNotifier>

#include <initializer_list>
#include <memory>
#include <vector>

#include <signal.h>

namespace tarnquill {

// Turns the given signals into QCoreApplication::quit(), so they run the
// normal exit (and its save) instead of killing the process. A signal handler
// may do almost nothing, so it only writes a byte into a socket pair whose
// other end the event loop watches. One instance at a time.
class QuitOnSignal final {
public:
    explicit QuitOnSignal(std::initializer_list<int> signalNumbers);
    ~QuitOnSignal();
    QuitOnSignal(const QuitOnSignal&) = delete;
    QuitOnSignal& operator=(const QuitOnSignal&) = delete;

private:
    int m_fds[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::vector<std::pair<int, struct sigaction>> m_previous;
};

} // namespace tarnquill
