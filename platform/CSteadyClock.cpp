#include "platform/CSteadyClock.h"

#include <condition_variable>
#include <mutex>

IClock::TimePoint CSteadyClock::Now() const {
    return std::chrono::steady_clock::now();
}

bool CSteadyClock::SleepFor(std::chrono::milliseconds duration, std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any never;
    std::unique_lock lock(mutex);
    // Only a stop request ends the wait early; the predicate has nothing else to watch.
    never.wait_for(lock, stop, duration, [] { return false; });
    return !stop.stop_requested();
}
