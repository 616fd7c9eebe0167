#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <utility>

#include "data/CItemHistory.h"
#include "link/BoardItem.h"

// Every monitored item's history, fed with each refresh's copy of its array.
// An item whose value this refresh read adds its shown value; one the
// refresh missed adds a gap; an "N/A" temperature is a gap too. Items are
// told apart by array and place. Not thread-safe: one owner feeds and reads.
class CMonitorHistory {
public:
    using Clock = CItemHistory::Clock;
    static constexpr std::chrono::seconds kDefaultWindow{3600};
    static constexpr std::chrono::milliseconds kDefaultPeriod{2000};

    // Rings long enough for the window at the refresh period.
    explicit CMonitorHistory(std::chrono::seconds window = kDefaultWindow,
                             std::chrono::milliseconds period = kDefaultPeriod);

    void Record(EBoardArray array, const BoardItemArray& items, Clock::time_point now);
    // Every item's figures start again; the rings stay.
    void ResetFigures();
    // Nothing for an item no refresh has recorded yet.
    const CItemHistory* Find(EBoardArray array, size_t nIndex) const;
    // The shown value of an item as a number; nothing for "N/A" or a value never read.
    static std::optional<double> ShownValue(EBoardArray array, const BoardItem& item);
    size_t MemoryBytes() const;

private:
    size_t m_nCapacity;
    std::map<std::pair<EBoardArray, size_t>, CItemHistory> m_items;
};
