// SPDX-License-Identifier: MIT
#include "support/Wait.h"

#include <thread>

namespace tarnquill::test {

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline,
               const std::function<void()>& serve)
{
    const auto end = Clock::now() + deadline;
    while (!condition()) {
        if (Clock::now() >= end)
            return condition();
        if (serve)
            serve();
        else
            std::this_thread::sleep_for(10ms);
    }
    return true;
}

} // namespace tarnquill::test
