#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <stop_token>
#include <vector>

// A fixed set of auto-reset events with wait-for-any. A wait that returns
// an event consumes it, as an auto-reset event does.
class CEventSet {
public:
    explicit CEventSet(size_t nCount);

    void Set(size_t nIndex);
    void Reset(size_t nIndex);
    bool IsSet(size_t nIndex) const;

    // Blocks until an event is set (the lowest index wins) and returns its
    // index; nothing once stop is requested. Any thread may call it.
    std::optional<size_t> WaitAny(std::stop_token stop);

private:
    mutable std::mutex m_mutex;
    std::condition_variable_any m_changed;
    std::vector<bool> m_set;
};
