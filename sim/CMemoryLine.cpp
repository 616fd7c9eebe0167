#include "sim/CMemoryLine.h"

#include <algorithm>

CMemoryLine::CMemoryLine(std::shared_ptr<CBoardModel> pBoard, std::shared_ptr<IClock> pClock)
    : m_pBoard(std::move(pBoard)), m_pClock(std::move(pClock)) {}

bool CMemoryLine::Write(std::span<const uint8_t> bytes) {
    std::unique_lock lock(m_mutex);
    m_bWriteWaiting = m_bHoldWrites;
    m_released.wait(lock, [this] { return !m_bHoldWrites; });
    m_bWriteWaiting = false;
    const IClock::TimePoint now = m_pClock->Now();
    if (m_nWritesLeft) {
        m_bWriteFails = m_bWriteFails || *m_nWritesLeft == 0;
        *m_nWritesLeft -= *m_nWritesLeft > 0 ? 1 : 0;
    }
    if (m_bWriteFails) {
        return false;
    }
    m_sent.emplace_back(bytes.begin(), bytes.end());
    if (m_bHungUp) {
        return true;  // written into a terminal nobody reads
    }
    for (CBoardModel::Reply& reply : m_pBoard->Feed(bytes)) {
        // The line carries one reply after the other.
        IClock::TimePoint start = m_replies.empty() ? now : std::max(now, m_replies.back().due);
        m_replies.push_back(
            {std::move(reply.bytes),
             start + std::chrono::duration_cast<IClock::TimePoint::duration>(reply.delay)});
    }
    return true;
}

ReadResult CMemoryLine::Read(std::span<uint8_t> buffer) {
    const IClock::TimePoint now = m_pClock->Now();
    std::lock_guard lock(m_mutex);
    ReadResult result;
    result.bNotConnected = m_bHungUp;
    while (!m_replies.empty() && m_replies.front().due <= now && result.nCount < buffer.size()) {
        std::vector<uint8_t>& bytes = m_replies.front().bytes;
        const size_t nTake = std::min(bytes.size(), buffer.size() - result.nCount);
        std::copy_n(bytes.begin(), nTake, buffer.begin() + result.nCount);
        result.nCount += nTake;
        bytes.erase(bytes.begin(), bytes.begin() + nTake);
        if (bytes.empty()) {
            m_replies.pop_front();
        }
    }
    return result;
}

bool CMemoryLine::WaitReadable(IClock& clock, std::chrono::microseconds timeout,
                               std::stop_token stop) {
    using namespace std::chrono;
    const IClock::TimePoint now = m_pClock->Now();
    std::optional<IClock::TimePoint> next;
    {
        std::lock_guard lock(m_mutex);
        if (m_bHungUp) {
            return true;
        }
        if (!m_replies.empty()) {
            next = m_replies.front().due;
        }
    }
    if (next && *next <= now) {
        return true;
    }
    const IClock::TimePoint deadline = now + duration_cast<IClock::TimePoint::duration>(timeout);
    const IClock::TimePoint until = next ? std::min(*next, deadline) : deadline;
    // Whole milliseconds, rounded up: the clock sleeps no finer.
    clock.SleepFor(ceil<milliseconds>(until - now), stop);
    return next && *next <= m_pClock->Now();
}

void CMemoryLine::DiscardArrived() {
    const IClock::TimePoint now = m_pClock->Now();
    std::lock_guard lock(m_mutex);
    while (!m_replies.empty() && m_replies.front().due <= now) {
        m_replies.pop_front();
    }
}

void CMemoryLine::HoldWrites(bool bHold) {
    {
        std::lock_guard lock(m_mutex);
        m_bHoldWrites = bHold;
    }
    m_released.notify_all();
}

bool CMemoryLine::IsWriteHeld() const {
    std::lock_guard lock(m_mutex);
    return m_bWriteWaiting;
}

void CMemoryLine::FailWritesAfter(size_t nMore) {
    std::lock_guard lock(m_mutex);
    m_nWritesLeft = nMore;
}

void CMemoryLine::SetHungUp(bool bHungUp) {
    std::lock_guard lock(m_mutex);
    m_bHungUp = bHungUp;
}

void CMemoryLine::SetWriteFails(bool bFails) {
    std::lock_guard lock(m_mutex);
    m_bWriteFails = bFails;
}

std::vector<std::vector<uint8_t>> CMemoryLine::Sent(size_t nFrom) const {
    std::lock_guard lock(m_mutex);
    return {m_sent.begin() + static_cast<std::ptrdiff_t>(std::min(nFrom, m_sent.size())),
            m_sent.end()};
}
