#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stop_token>

#include "platform/IClock.h"

// What one non-blocking read found.
struct ReadResult {
    size_t nCount = 0;           // bytes stored at the front of the buffer
    bool bNotConnected = false;  // the other end is gone (hang-up)
};

// One open serial line. Closing is the destructor's job.
class ISerialPort {
public:
    virtual ~ISerialPort() = default;

    // Writes every byte or fails; gives up after 8000 ms plus 1000 ms per byte.
    // Blocks the calling thread while the line is not ready to take bytes.
    virtual bool Write(std::span<const uint8_t> bytes) = 0;

    // Returns at once with whatever has arrived, at most buffer.size() bytes.
    virtual ReadResult Read(std::span<uint8_t> buffer) = 0;

    // Waits until bytes can be read (or the other end is gone), for at most
    // the timeout, ending early once stop is requested; true when a read
    // would find something. The clock measures the wait, so that a virtual
    // clock moves by exactly the time the bytes took to come.
    virtual bool WaitReadable(IClock& clock, std::chrono::microseconds timeout,
                              std::stop_token stop) = 0;

    // Drops whatever has arrived and not been read: a late reply to an
    // earlier request must not be taken for the answer to the next one.
    virtual void DiscardInput() = 0;

    // Makes a Write blocked on another thread, and every later Write, fail at
    // once. Used while tearing the link down.
    virtual void Abort() = 0;
};
