// SPDX-License-Identifier: MIT
#include "support/QtWait.h"

#include <QCoreApplication>
#include <QThread>

namespace tarnquill::test {

namespace {

void serveEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
}

} // namespace

bool waitUntil(const std::function<bool()>& condition, int milliseconds)
{
    return waitUntil(condition, std::chrono::milliseconds(milliseconds), serveEvents);
}

void settle(int milliseconds)
{
    waitUntil([] { return false; }, std::chrono::milliseconds(milliseconds), serveEvents);
}

} // namespace tarnquill::test
