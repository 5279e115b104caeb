// SPDX-License-Identifier: MIT
#pragma once

// Waiting for something that must happen, with a deadline: never a measure of
// speed, and never a fixed sleep standing in for a condition.

#include <chrono>
#include <functional>
#include <thread>

namespace tarnquill::test {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Checks `condition` until it holds or `deadline` has passed; returns its
// last value. Between checks it calls `serve` (a Qt test serves its event
// loop there), or sleeps 10 ms when none is given.
inline bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline,
                      const std::function<void()>& serve = {})
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
