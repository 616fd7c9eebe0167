#include "data/CItemHistory.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
using Tenths = std::chrono::duration<int64_t, std::deci>;
}  // namespace

CItemHistory::CItemHistory(size_t nCapacity) : m_entries(std::max<size_t>(nCapacity, 1)) {}

CItemHistory::Clock::time_point CItemHistory::TimeOf(const Entry& entry) const {
    return *m_origin + std::chrono::duration_cast<Clock::duration>(Tenths(entry.nTenths));
}

void CItemHistory::Add(Clock::time_point time, std::optional<double> value) {
    if (!m_origin) {
        m_origin = time;
    }
    int64_t nTenths = std::chrono::floor<Tenths>(time - *m_origin).count();
    if (const std::optional<Sample> newest = Newest()) {
        nTenths = std::max(nTenths, std::chrono::floor<Tenths>(newest->time - *m_origin).count());
    }
    // Some thirteen years of tenths fit; a clock beyond that holds at the end.
    nTenths = std::clamp<int64_t>(nTenths, 0, std::numeric_limits<uint32_t>::max());
    const bool bValue = value && std::isfinite(*value);
    m_entries[m_nNext] = {
        static_cast<uint32_t>(nTenths),
        bValue ? static_cast<float>(*value) : std::numeric_limits<float>::quiet_NaN()};
    m_nNext = (m_nNext + 1) % m_entries.size();
    m_nSize = std::min(m_nSize + 1, m_entries.size());
    if (!bValue) {
        return;
    }
    if (m_figures.nCount == 0) {
        m_figures.dMin = m_figures.dMax = *value;
    }
    m_figures.dMin = std::min(m_figures.dMin, *value);
    m_figures.dMax = std::max(m_figures.dMax, *value);
    m_dSum += *value;
    ++m_figures.nCount;
    m_figures.dAverage = m_dSum / static_cast<double>(m_figures.nCount);
}

void CItemHistory::ResetFigures() {
    m_figures = {};
    m_dSum = 0;
}

std::vector<CItemHistory::Sample> CItemHistory::Samples(
    std::optional<Clock::time_point> since) const {
    std::vector<Sample> samples;
    samples.reserve(m_nSize);
    const size_t nOldest = (m_nNext + m_entries.size() - m_nSize) % m_entries.size();
    for (size_t i = 0; i < m_nSize; ++i) {
        const Entry& entry = m_entries[(nOldest + i) % m_entries.size()];
        const Clock::time_point time = TimeOf(entry);
        if (since && time < *since) {
            continue;
        }
        samples.push_back(
            {time, std::isnan(entry.fValue) ? std::nullopt : std::optional<double>(entry.fValue)});
    }
    return samples;
}

std::optional<CItemHistory::Sample> CItemHistory::Newest() const {
    if (m_nSize == 0) {
        return std::nullopt;
    }
    const Entry& entry = m_entries[(m_nNext + m_entries.size() - 1) % m_entries.size()];
    return Sample{TimeOf(entry),
                  std::isnan(entry.fValue) ? std::nullopt : std::optional<double>(entry.fValue)};
}
