#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stop_token>
#include <vector>

#include "link/Protocol.h"
#include "platform/IClock.h"
#include "platform/ISerialPort.h"

// The outcome of one write-wait-read exchange.
struct Exchange {
    bool bWritten = false;       // every byte of the frame went out
    std::vector<uint8_t> reply;  // the whole read buffer, zero past nCount
    size_t nCount = 0;           // bytes received
    bool bNotConnected = false;  // the read found the other end gone

    std::span<const uint8_t> Received() const { return {reply.data(), nCount}; }
};

// Drops stale input, writes exactly the frame, waits 100 ms whatever the write did, then makes
// one non-blocking read into a zeroed buffer of nBufferSize bytes. There is
// no second read: what has arrived by then is the reply. Blocks the calling
// thread for the wait (less once stop is requested).
Exchange Transact(ISerialPort& port, IClock& clock, std::span<const uint8_t> frame,
                  std::stop_token stop, size_t nBufferSize = Protocol::kReplyBufferSize);
