// SPDX-License-Identifier: MIT
#pragma once

// waitUntil for tests that live in a Qt event loop: the same wait, serving
// the loop between checks.

#include "support/Wait.h"

#include <QCoreApplication>
#include <QThread>

namespace tarnquill::test {

// Serves the event loop until `condition` holds; false when it still does not
// after `milliseconds`.
inline bool waitUntil(const std::function<bool()>& condition, int milliseconds = 10000)
{
    return waitUntil(condition, std::chrono::milliseconds(milliseconds), [] {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    });
}

// Serves the event loop for a while, so notifications already on their way
// are handled before a test takes its baseline.
inline void settle(int milliseconds = 100)
{
    waitUntil([] { return false; }, milliseconds);
}

} // namespace tarnquill::test
