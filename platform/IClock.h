#pragma once

#include <chrono>
#include <stop_token>

// Time as the link sees it: real in the program, virtual in unit tests.
class IClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~IClock() = default;

    virtual TimePoint Now() const = 0;

    // Waits for the duration on the calling thread. Returns false, early,
    // once stop is requested, so teardown never waits out a sleep.
    virtual bool SleepFor(std::chrono::milliseconds duration, std::stop_token stop) = 0;
};
