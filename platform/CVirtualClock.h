#pragma once

#include <mutex>
#include <vector>

#include "platform/IClock.h"

// A clock for tests: a sleep advances time at once and is recorded, so the
// waits a command makes can be asserted without being spent.
class CVirtualClock final : public IClock {
public:
    TimePoint Now() const override;
    bool SleepFor(std::chrono::milliseconds duration, std::stop_token stop) override;

    // Every sleep so far, in the order made (from any thread).
    std::vector<std::chrono::milliseconds> Sleeps() const;
    std::chrono::milliseconds Elapsed() const;

private:
    mutable std::mutex m_mutex;
    std::chrono::milliseconds m_elapsed{0};
    std::vector<std::chrono::milliseconds> m_sleeps;
};
