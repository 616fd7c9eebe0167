#include "link/CMonitorHistory.h"

#include <charconv>
#include <cmath>
#include <string>

#include "link/ItemText.h"
#include "link/Recording.h"

CMonitorHistory::CMonitorHistory(std::chrono::seconds window, std::chrono::milliseconds period)
    : m_nCapacity(static_cast<size_t>(std::max<int64_t>(
          1, std::chrono::duration_cast<std::chrono::milliseconds>(window).count() /
                 std::max<int64_t>(1, period.count())))) {}

std::optional<double> CMonitorHistory::ShownValue(EBoardArray array, const BoardItem& item) {
    if (!item.bValueRead) {
        return std::nullopt;
    }
    const std::string strShown = ShownText(array, item);
    double dValue = 0;
    const char* pszEnd = strShown.data() + strShown.size();
    const auto [pszStop, error] = std::from_chars(strShown.data(), pszEnd, dValue);
    if (error != std::errc() || pszStop != pszEnd || !std::isfinite(dValue)) {
        return std::nullopt;  // "N/A"
    }
    return dValue;
}

void CMonitorHistory::Record(EBoardArray array, const BoardItemArray& items,
                             Clock::time_point now) {
    for (size_t nIndex = 0; nIndex < items.size(); ++nIndex) {
        const BoardItem& item = items[nIndex];
        auto it = m_items.try_emplace({array, nIndex}, m_nCapacity).first;
        // A value kept from an earlier read is not read again: a gap.
        it->second.Add(now, WasReadNow(item) ? ShownValue(array, item) : std::nullopt);
    }
}

void CMonitorHistory::ResetFigures() {
    for (auto& [key, history] : m_items) {
        history.ResetFigures();
    }
}

const CItemHistory* CMonitorHistory::Find(EBoardArray array, size_t nIndex) const {
    const auto it = m_items.find({array, nIndex});
    return it != m_items.end() ? &it->second : nullptr;
}

size_t CMonitorHistory::MemoryBytes() const {
    size_t nBytes = 0;
    for (const auto& [key, history] : m_items) {
        nBytes += sizeof(key) + sizeof(history) + history.MemoryBytes();
    }
    return nBytes;
}
