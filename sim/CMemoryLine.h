#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "platform/IClock.h"
#include "platform/ISerialPort.h"
#include "sim/CBoardModel.h"

// An in-memory serial line to a board model, timed by a clock: a reply
// becomes readable once the clock has passed the time the line needs to
// carry it. Records every write. Thread-safe.
class CMemoryLine {
public:
    CMemoryLine(std::shared_ptr<CBoardModel> pBoard, std::shared_ptr<IClock> pClock);

    bool Write(std::span<const uint8_t> bytes);
    ReadResult Read(std::span<uint8_t> buffer);
    // Sleeps on the clock until the next reply bytes arrive, or the timeout
    // passes; true when bytes (or the hang-up) are there to read.
    bool WaitReadable(IClock& clock, std::chrono::microseconds timeout, std::stop_token stop);
    // Drops the reply bytes that have arrived by now; later ones stay on the way.
    void DiscardArrived();

    // A line fault below the protocol: every write fails.
    void SetWriteFails(bool bFails);
    // Every write after the next n fails, as when the board vanishes mid-command.
    void FailWritesAfter(size_t nMore);
    // The other end is gone: nothing reaches the board, and reads say so.
    void SetHungUp(bool bHungUp);
    // While held, a write blocks (as on a stuck radio link) until released.
    void HoldWrites(bool bHold);
    // True once a write is waiting on the hold.
    bool IsWriteHeld() const;

    // The frames written so far, from a position on.
    std::vector<std::vector<uint8_t>> Sent(size_t nFrom = 0) const;

private:
    struct PendingReply {
        std::vector<uint8_t> bytes;
        IClock::TimePoint due;
    };

    const std::shared_ptr<CBoardModel> m_pBoard;
    const std::shared_ptr<IClock> m_pClock;
    mutable std::mutex m_mutex;
    std::vector<std::vector<uint8_t>> m_sent;
    std::deque<PendingReply> m_replies;
    bool m_bWriteFails = false;
    std::optional<size_t> m_nWritesLeft;
    bool m_bHungUp = false;
    bool m_bHoldWrites = false;
    bool m_bWriteWaiting = false;
    std::condition_variable m_released;
};
