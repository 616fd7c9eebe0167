#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// The values one monitored item had over the last while, in a ring of fixed
// size, and its minimum, average and maximum since the last reset. Only
// values the board sent go in: a read that failed is a gap, never a zero or
// a repeat, and changes no figure. Not thread-safe: one owner adds and reads.
class CItemHistory {
public:
    using Clock = std::chrono::system_clock;

    // One entry of the ring: when, and the value in the item's shown unit;
    // no value is a gap.
    struct Sample {
        Clock::time_point time;
        std::optional<double> value;
    };
    struct Figures {
        double dMin = 0;
        double dAverage = 0;
        double dMax = 0;
        size_t nCount = 0;  // values since the reset; the figures mean nothing at 0
    };

    // Keeps the last nCapacity entries (at least one).
    explicit CItemHistory(size_t nCapacity);

    // A value read, or a gap where the read failed. Times only go forward: an
    // entry earlier than the newest one is taken at the newest one's time.
    void Add(Clock::time_point time, std::optional<double> value);
    // Forgets the figures; the ring stays, so the graph keeps its past.
    void ResetFigures();

    const Figures& FiguresSinceReset() const { return m_figures; }
    // The entries from oldest to newest; with a start, only those at or after it.
    std::vector<Sample> Samples(std::optional<Clock::time_point> since = std::nullopt) const;
    // The newest entry, if any.
    std::optional<Sample> Newest() const;
    size_t Size() const { return m_nSize; }
    size_t Capacity() const { return m_entries.size(); }
    // The bytes the ring holds, for the benchmarks.
    size_t MemoryBytes() const { return m_entries.capacity() * sizeof(Entry); }

private:
    // Eight bytes an entry: tenths of a second after the first entry, and a
    // float (NaN for a gap); an hour of sixty items then fits in under 1 MB.
    struct Entry {
        uint32_t nTenths;
        float fValue;
    };
    Clock::time_point TimeOf(const Entry& entry) const;

    std::vector<Entry> m_entries;
    size_t m_nNext = 0;  // where the next entry goes
    size_t m_nSize = 0;
    std::optional<Clock::time_point> m_origin;
    Figures m_figures;
    double m_dSum = 0;
};
