#include "platform/CEventSet.h"

#include <algorithm>

CEventSet::CEventSet(size_t nCount) : m_set(nCount, false) {}

void CEventSet::Set(size_t nIndex) {
    {
        std::lock_guard lock(m_mutex);
        m_set.at(nIndex) = true;
    }
    m_changed.notify_all();
}

void CEventSet::Reset(size_t nIndex) {
    std::lock_guard lock(m_mutex);
    m_set.at(nIndex) = false;
}

bool CEventSet::IsSet(size_t nIndex) const {
    std::lock_guard lock(m_mutex);
    return m_set.at(nIndex);
}

std::optional<size_t> CEventSet::WaitAny(std::stop_token stop) {
    std::unique_lock lock(m_mutex);
    auto anySet = [this] { return std::find(m_set.begin(), m_set.end(), true) != m_set.end(); };
    if (!m_changed.wait(lock, stop, anySet)) {
        return std::nullopt;
    }
    size_t nIndex =
        static_cast<size_t>(std::find(m_set.begin(), m_set.end(), true) - m_set.begin());
    m_set[nIndex] = false;
    return nIndex;
}
