#include "platform/CVirtualClock.h"

#include <thread>

IClock::TimePoint CVirtualClock::Now() const {
    std::lock_guard lock(m_mutex);
    return TimePoint(m_elapsed);
}

bool CVirtualClock::SleepFor(std::chrono::milliseconds duration, std::stop_token stop) {
    if (stop.stop_requested()) {
        return false;
    }
    {
        std::lock_guard lock(m_mutex);
        m_elapsed += duration;
        m_sleeps.push_back(duration);
    }
    // Lets other test threads run between the virtual waits of a poll loop.
    std::this_thread::yield();
    return !stop.stop_requested();
}

std::vector<std::chrono::milliseconds> CVirtualClock::Sleeps() const {
    std::lock_guard lock(m_mutex);
    return m_sleeps;
}

std::chrono::milliseconds CVirtualClock::Elapsed() const {
    std::lock_guard lock(m_mutex);
    return m_elapsed;
}
