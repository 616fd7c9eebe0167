#include "tests/support/CFastClock.h"

#include <condition_variable>
#include <mutex>

CFastClock::CFastClock(int nFactor)
    : m_nFactor(nFactor), m_start(std::chrono::steady_clock::now()) {}

IClock::TimePoint CFastClock::Now() const {
    return m_start + (std::chrono::steady_clock::now() - m_start) * m_nFactor;
}

bool CFastClock::SleepFor(std::chrono::milliseconds duration, std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any never;
    std::unique_lock lock(mutex);
    const auto realDuration =
        std::chrono::duration_cast<std::chrono::microseconds>(duration) / m_nFactor;
    never.wait_for(lock, stop, realDuration, [] { return false; });
    return !stop.stop_requested();
}
