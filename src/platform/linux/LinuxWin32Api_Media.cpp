// Sound, media and waiting on a Linux desktop.

#include "platform/linux/LinuxWin32Api.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <thread>

namespace tarnquill {

namespace {

constexpr BOOL FALSE = 0;
constexpr MCIERROR kMciUnsupportedFunction = 256 + 18; // MCIERR_BASE + 18

} // namespace

BOOL LinuxWin32Api::sndPlaySoundA(const std::string&, UINT)
{
    return FALSE;
}

MCIERROR LinuxWin32Api::mciSendStringA(const std::string&, std::string&, UINT, HWND)
{
    return kMciUnsupportedFunction;
}

UINT LinuxWin32Api::waveOutGetNumDevs()
{
    return 0;
}

void LinuxWin32Api::WaitForEvents(std::int64_t until)
{
    // Now() counts local seconds; the wait ends at the start of the second
    // `until`, in milliseconds from one reading of the clock.
    const QDateTime now = QDateTime::currentDateTime();
    const std::int64_t nowMilliseconds = now.toMSecsSinceEpoch() + std::int64_t{now.offsetFromUtc()} * 1000;
    const std::int64_t left = until * 1000 - nowMilliseconds;
    if (left <= 0)
        return;
    const auto timeout = static_cast<int>(std::min<std::int64_t>(left, 24 * 3600 * 1000));
    if (QCoreApplication::instance() == nullptr) {
        std::this_thread::sleep_for(std::chrono::milliseconds(timeout));
        return;
    }
    // The timer is only a wake-up: the loop sleeps until it or any other
    // event arrives, handles what came, and returns.
    QTimer wakeUp;
    wakeUp.setSingleShot(true);
    wakeUp.setTimerType(Qt::PreciseTimer);
    wakeUp.start(timeout);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace tarnquill
