// Waiting for real sockets in tests: runs the posted work of the loop until a condition holds or a
// generous real-time limit passes. Only arrivals are waited for; no test asserts on timing.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

#include "platform/Loop.h"

namespace testsupport {

inline bool WaitFor(const std::function<bool()>& Done, int LimitMs = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(LimitMs);
    for (;;) {
        platform::ProcessMessages();
        if (Done()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Keeps running posted work for Ms of real time (to show that something does not arrive).
inline void Pump(int Ms) {
    WaitFor([] { return false; }, Ms);
}

} // namespace testsupport
