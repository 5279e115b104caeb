// SPDX-License-Identifier: MIT
#include "support/QtWait.h"

#include <QCoreApplication>
#include <QThread>

namespace tarnquill::test {

bool waitUntil(const std::function<bool()>& condition, int milliseconds)
{
    return waitUntil(condition, std::chrono::milliseconds(milliseconds), [] {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    });
}

void settle(int milliseconds)
{
    waitUntil([] { return false; }, milliseconds);
}

} // namespace tarnquill::test
